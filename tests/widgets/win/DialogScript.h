// Drives the modal "Set value" dialog from inside its own message loop.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "RigSupport.h"

namespace {
// Drives the modal "Set value" dialog from inside its own message loop.
struct DialogScript {
    std::function<void(HWND)> run;
    bool ran = false;
};
DialogScript* gScript = nullptr;

BOOL CALLBACK FindDialog(HWND w, LPARAM out) {
    char title[32] = {};
    GetWindowTextA(w, title, sizeof title);
    if (std::string(title) == "Set value" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg || !gScript || gScript->ran) return;
    gScript->ran = true;
    KillTimer(nullptr, id);
    gScript->run(dlg);
}
}  // namespace

inline void RunWithDialog(const std::function<void()>& open, const std::function<void(HWND)>& script) {
    DialogScript s{script};
    gScript = &s;
    UINT_PTR t = SetTimer(nullptr, 0, 50, ScriptTimer);
    open();
    KillTimer(nullptr, t);
    gScript = nullptr;
    EXPECT_TRUE(s.ran) << "the dialog opened";
}

inline std::string ItemText(HWND dlg, int item) {
    char text[64] = {};
    GetDlgItemTextA(dlg, item, text, sizeof text);
    return text;
}

// Types into a field and leaves it, as the user would.
inline void Enter(HWND dlg, int item, const char* text) {
    SetFocus(GetDlgItem(dlg, item));
    SetDlgItemTextA(dlg, item, text);
    SetFocus(GetDlgItem(dlg, IDOK));
}

