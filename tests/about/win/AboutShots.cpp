// Screenshots of the About box and the message dialog on a real screen:
//   about_shots.exe <out dir>   (under xvfb-run, as scripts/widget-shots runs its program)
#include <windows.h>

#include <cstdio>
#include <string>

#include "AboutBox.h"
#include "ImageIO.h"
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
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    hostsim::Image8 img;
    img.width = w;
    img.height = h;
    img.channels = 3;
    img.pixels.resize(size_t(w) * h * 3);
    const BYTE* p = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
        img.pixels[i * 3 + 0] = p[i * 4 + 2];
        img.pixels[i * 3 + 1] = p[i * 4 + 1];
        img.pixels[i * 3 + 2] = p[i * 4 + 0];
    }
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    std::vector<uint8_t> png;
    std::string error;
    if (!hostsim::EncodePng(img, png, error) || !hostsim::WriteFileBytes(gOut + "/" + name + ".png", png)) {
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
