// Test support shared by the Windows tests: this program's instance and the
// message boxes the code under test would have shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

inline HINSTANCE Self() { return GetModuleHandleA(nullptr); }

struct Shown {
    std::string text;
    UINT flags;
};
inline std::vector<Shown> gShown;

inline int RecordBox(HWND, const char* text, const char*, UINT flags) {
    gShown.push_back({text, flags});
    return IDOK;
}

}  // namespace testsupport
