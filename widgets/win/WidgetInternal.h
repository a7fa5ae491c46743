// What the window classes share inside the library: the window-procedure
// pattern, the module's activation context, the off-screen drawing surface
// and the class registration helper.
#pragma once

#include "Widgets.h"

#include <new>
#include <vector>

namespace frostel::widgets::detail {

// A canvas kept as blue-green-red bytes, rows top down, and shown again.
inline void KeepCanvas(const Canvas& c, std::vector<uint8_t>* bgr) {
    const int w = c.width(), h = c.height();
    bgr->resize(size_t(w) * size_t(h) * 3);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            const Rgb p = c.Get(px, py);
            uint8_t* q = &(*bgr)[(size_t(py) * w + px) * 3];
            q[0] = p.b;
            q[1] = p.g;
            q[2] = p.r;
        }
}
inline void ShowKept(const std::vector<uint8_t>& bgr, Canvas& c) {
    const int w = c.width(), h = c.height();
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            const uint8_t* q = &bgr[(size_t(py) * w + px) * 3];
            c.Set(px, py, Rgb{q[2], q[1], q[0]});
        }
}

// Activates the module's own activation context (from its manifest resource,
// when it has one) for the scope; a no-op without a manifest.
class ModuleActivation {
public:
    ModuleActivation();
    ~ModuleActivation();
    ModuleActivation(const ModuleActivation&) = delete;
    ModuleActivation& operator=(const ModuleActivation&) = delete;

private:
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// The pattern of every TContaner class: the object comes with creation (the
// creation parameter, or a new one; none means the creation fails), lives in
// the user data, and is deleted at WM_NCDESTROY.
template <typename T>
LRESULT CALLBACK WidgetWindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* obj = reinterpret_cast<TContaner*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        obj = cs->lpCreateParams ? static_cast<T*>(cs->lpCreateParams) : new (std::nothrow) T();
        if (!obj) return -1;
        RECT rc;
        GetClientRect(wnd, &rc);
        obj->width = rc.right;
        obj->height = rc.bottom;
        obj->wnd = wnd;
        obj->id = int(GetWindowLongPtrA(wnd, GWLP_ID));
        SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(obj));
        return obj->Handle(wnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        if (obj) {
            SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
            delete obj;
        }
        return DefWindowProcA(wnd, msg, wp, lp);
    }
    return obj ? obj->Handle(wnd, msg, wp, lp) : DefWindowProcA(wnd, msg, wp, lp);
}

// Registers a class with no class brush inside the module's activation context.
int RegisterWidget(HINSTANCE instance, const char* name, WNDPROC proc, UINT style, LPCSTR cursor);

// A top-down 24-bit DIB section selected into a memory context: drawn with
// GDI or as a Canvas, then copied to the window.
class Surface {
public:
    Surface(HDC like, int width, int height);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    explicit operator bool() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    // GDI drawing is flushed before the pixels are touched.
    Canvas canvas();
    void CopyTo(HDC target, int x, int y) const;

private:
    HDC dc_ = nullptr;
    HBITMAP bmp_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint8_t* bits_ = nullptr;
    int width_, height_;
    ptrdiff_t stride_ = 0;
};

// Fills the rectangle with the dialog's background (grey when the dialog has
// not made its brush).
void FillBackground(HDC dc, const RECT& rc);
Rgb BackgroundRgb();

// The window text as a string.
std::string WindowText(HWND wnd, int maxChars);
void SetText(HWND wnd, const std::string& text);

}  // namespace frostel::widgets::detail
