// The filter entry under test: the plug-in's own function in the native build,
// the entry of the built module, found through its property list, under Wine.
#pragma once

#include "HostSim.h"

frostel::hostsim::EntryPoint FilterEntry();

// The Windows build runs the built module (optimised, no sanitizers).
#ifdef _WIN32
constexpr bool kRunsTheModule = true;
#else
constexpr bool kRunsTheModule = false;
#endif
