// Every 64-bit processor has MMX; only the 32-bit module probes for it.
#include "Renderer.h"

extern "C" uint8_t __mmx_present() { return 1; }
