#include "ScreenCapture.h"

#include <vector>

#include "ImageIO.h"

namespace rig {

bool SaveScreenPng(const RECT& r, const std::string& path, std::string& error) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) {
        error = "empty rectangle";
        return false;
    }
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
    frostel::hostsim::Image8 img;
    if (dib) {
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
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
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!dib) {
        error = "no bitmap";
        return false;
    }
    std::vector<uint8_t> png;
    if (!frostel::hostsim::EncodePng(img, png, error)) return false;
    if (!frostel::hostsim::WriteFileBytes(path, png)) {
        error = "cannot write the file";
        return false;
    }
    return true;
}

}  // namespace rig
