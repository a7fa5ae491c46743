// Screenshots of the About box and the message dialog on a real screen:
//   about_shots.exe <out dir>   (under xvfb-run, as scripts/widget-shots runs its program)
#include <windows.h>

#include <cstdio>
#include <string>

#include "AboutBox.h"
#include "ScreenCapture.h"
#include "Workers.h"

using namespace frostel;

namespace {

std::string gOut;
std::string gName;
int gFailures = 0;
HHOOK gHook = nullptr;

void SaveWindow(HWND window, const std::string& name) {
    RECT r;
    GetWindowRect(window, &r);
    std::string error;
    if (!rig::SaveScreenPng(r, gOut + "/" + name + ".png", error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", name.c_str(), error.c_str());
        ++gFailures;
    }
}

void CALLBACK Capture(HWND dialog, UINT, UINT_PTR id, DWORD) {
    KillTimer(dialog, id);
    SaveWindow(dialog, gName);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
}

LRESULT CALLBACK AfterMessage(int code, WPARAM wp, LPARAM lp) {
    const auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG) SetTimer(msg->hwnd, 77, 700, Capture);
    return CallNextHookEx(gHook, code, wp, lp);
}

void NoShell(HWND, const char*) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <out dir>\n", argv[0]);
        return 2;
    }
    gOut = argv[1];
    SetShellOpener(NoShell);
    gHook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
    gName = "about-box";
    ShowAboutBox(nullptr);
    gName = "message-error";
    ShowMessageDialog(nullptr, "The preset file could not be read.", kMessageError);
    gName = "message-information";
    ShowMessageDialog(nullptr, "The preset was saved.", kMessageInformation);
    UnhookWindowsHookEx(gHook);
    return gFailures == 0 ? 0 : 1;
}
