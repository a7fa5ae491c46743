#include "RigSupport.h"

#include <commctrl.h>
#include <winternl.h>

namespace rig {

std::vector<Command> gCommands;

namespace {
HWND gParent = nullptr;

LRESULT CALLBACK ParentProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        gCommands.push_back({LOWORD(wp), HIWORD(wp), lp, GetTickCount()});
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void SendInputs(std::initializer_list<DWORD> flags) {
    for (DWORD f : flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = f;
        SendInput(1, &in, sizeof in);
        Pump(20);
    }
}
}  // namespace

void Start() {
    if (gParent) return;
    using namespace frostel::widgets;
    gUiInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    gBackBrush = CreateSolidBrush(kDialogGrey);
    gFaceRed = gFaceGreen = gFaceBlue = 232;
    RegisterWidgetClasses(gUiInstance);
    CreateMacStyleBtnFonts();
    CreateLinkFonts();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = gUiInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = gBackBrush;
    wc.lpszClassName = "Widget Rig Parent";
    RegisterClassA(&wc);
    gParent = CreateWindowExA(0, wc.lpszClassName, "Widget rig", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500,
                              nullptr, nullptr, gUiInstance, nullptr);
    SetForegroundWindow(gParent);
    Pump(50);
}

int LiveGdiObjects() {
    const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n) return int(n);
#if defined(_WIN64)
    // The process environment block's GdiSharedHandleTable: 0x10000 entries of
    // 24 bytes; an entry's type byte (offset 14) is 0 while it is free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"  // the gs-relative read of the thread block
    const BYTE* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
#pragma GCC diagnostic pop
    const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8);
    if (!table) return -1;
    const WORD pid = WORD(GetCurrentProcessId());
    int live = 0;
    for (size_t i = 0; i < 0x10000; ++i) {
        const BYTE* e = table + i * 24;
        const WORD owner = *reinterpret_cast<const WORD*>(e + 8);
        live += e[14] != 0 && (owner == 0 || owner == pid);
    }
    return live;
#else
    return -1;
#endif
}

HWND Parent() { return gParent; }
void ClearCommands() { gCommands.clear(); }

int CountCommands(int id, int code) {
    int n = 0;
    for (const Command& c : gCommands) n += c.id == id && (code < 0 || c.code == code);
    return n;
}

const Command* FirstCommand(int id) {
    for (const Command& c : gCommands)
        if (c.id == id) return &c;
    return nullptr;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        const DWORD now = GetTickCount();
        if (int(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD end = GetTickCount() + timeoutMs;
    while (!done()) {
        if (int(end - GetTickCount()) <= 0) return false;
        Pump(5);
    }
    return true;
}

LPARAM Pt(int x, int y) { return MAKELPARAM(short(x), short(y)); }
void Press(HWND w, int x, int y, WPARAM keys) { SendMessageA(w, WM_LBUTTONDOWN, keys, Pt(x, y)); }
void Move(HWND w, int x, int y, WPARAM keys) { SendMessageA(w, WM_MOUSEMOVE, keys, Pt(x, y)); }
void Release(HWND w, int x, int y) { SendMessageA(w, WM_LBUTTONUP, 0, Pt(x, y)); }
void Click(HWND w, int x, int y) {
    Press(w, x, y);
    Release(w, x, y);
}

void RealMove(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    SetCursorPos(p.x, p.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = LONG(p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = LONG(p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    Pump(20);
}

void RealClick(HWND w, int x, int y) {
    RealMove(w, x, y);
    SendInputs({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

void RealDoubleClick(HWND w, int x, int y) {
    RealMove(w, x, y);
    SendInputs({MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
}

HWND Child(const char* cls, int id, int x, int y, int w, int h, DWORD style, void* object) {
    return CreateWindowExA(0, cls, "", style, x, y, w, h, gParent, reinterpret_cast<HMENU>(INT_PTR(id)),
                           frostel::widgets::gUiInstance, object);
}

COLORREF Snapshot::At(int x, int y) const {
    const BYTE* p = bgr.data() + (size_t(y) * width + x) * 3;
    return RGB(p[2], p[1], p[0]);
}

Snapshot Snap(HWND w) {
    Snapshot s;
    RECT rc;
    GetClientRect(w, &rc);
    s.width = rc.right;
    s.height = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = s.width;
    bi.bmiHeader.biHeight = -s.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, dib);
    SendMessageA(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const size_t stride = (size_t(s.width) * 3 + 3) / 4 * 4;
    s.bgr.resize(size_t(s.width) * s.height * 3);
    for (int y = 0; y < s.height; ++y)
        memcpy(s.bgr.data() + size_t(y) * s.width * 3, static_cast<BYTE*>(bits) + y * stride, size_t(s.width) * 3);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(dib);
    return s;
}

namespace {
struct TimerProbe {
    WNDPROC original = nullptr;
    UINT_PTR id = 0;
    bool left = false;
};
TimerProbe* gProbe = nullptr;

LRESULT CALLBACK ProbeProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    TimerProbe* p = gProbe;
    if (!p) return DefWindowProcA(w, msg, wp, lp);
    if (msg == WM_NCDESTROY) p->left = KillTimer(w, p->id) != FALSE;
    return CallWindowProcA(p->original, w, msg, wp, lp);
}
}  // namespace

bool DestroyLeavesTimer(HWND w, UINT_PTR id) {
    TimerProbe probe;
    probe.id = id;
    gProbe = &probe;
    probe.original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProbeProc)));
    DestroyWindow(w);
    gProbe = nullptr;
    return probe.left;
}

}  // namespace rig
