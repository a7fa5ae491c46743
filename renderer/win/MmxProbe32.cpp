// The 32-bit module's processor probe: CPUID reports MMX, then one MMX
// instruction runs under an exception guard in case the system refuses it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cpuid.h>

#include "Renderer.h"

extern "C" {
__declspec(dllexport) uint8_t _mmx_enabled = 0xFF;
}

extern "C" void FrostelMmxProbeBegin();
extern "C" void FrostelMmxProbeEnd();

// The probe: clear an MMX register and leave the MMX state again.
asm(".text\n"
    ".globl _FrostelMmxProbeBegin\n"
    ".globl _FrostelMmxProbeEnd\n"
    "_FrostelMmxProbeBegin:\n"
    "    pxor %mm0, %mm0\n"
    "    emms\n"
    "_FrostelMmxProbeEnd:\n"
    "    ret\n");

namespace {

volatile LONG gProbeFaulted = 0;

LONG CALLBACK ProbeGuard(EXCEPTION_POINTERS* e) {
    const DWORD code = e->ExceptionRecord->ExceptionCode;
    const uintptr_t at = e->ContextRecord->Eip;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(&FrostelMmxProbeBegin);
    const uintptr_t end = reinterpret_cast<uintptr_t>(&FrostelMmxProbeEnd);
    if ((code == EXCEPTION_ILLEGAL_INSTRUCTION || code == EXCEPTION_PRIV_INSTRUCTION) && at >= begin && at < end) {
        gProbeFaulted = 1;
        e->ContextRecord->Eip = static_cast<DWORD>(end);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

extern "C" uint8_t __mmx_present() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(edx & (1u << 23))) {
        _mmx_enabled = 0;
        return 0;
    }
    gProbeFaulted = 0;
    PVOID guard = AddVectoredExceptionHandler(1, ProbeGuard);
    if (guard != nullptr) FrostelMmxProbeBegin();
    if (guard != nullptr) RemoveVectoredExceptionHandler(guard);
    _mmx_enabled = (guard != nullptr && !gProbeFaulted) ? 1 : 0;
    return _mmx_enabled;
}
