// Bitmaps on Windows: a bitmap resource's pixels, and a .bmp file read into
// a DIB section. Writing files is BitmapFile.h's WriteBmpFile.
#pragma once

#include "BitmapFile.h"

#include <windows.h>

namespace frostel::hostutil {

// The RT_BITMAP resource decoded to RGBA.
BmpError LoadBitmapResourcePixels(HINSTANCE module, int id, RgbaImage& out);

// Owns a GDI bitmap.
class BitmapHandle {
public:
    BitmapHandle() = default;
    explicit BitmapHandle(HBITMAP b) : b_(b) {}
    ~BitmapHandle() { if (b_) DeleteObject(b_); }
    BitmapHandle(BitmapHandle&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    BitmapHandle& operator=(BitmapHandle&& o) noexcept {
        if (this != &o) {
            if (b_) DeleteObject(b_);
            b_ = o.b_;
            o.b_ = nullptr;
        }
        return *this;
    }
    HBITMAP get() const { return b_; }
    explicit operator bool() const { return b_ != nullptr; }

private:
    HBITMAP b_ = nullptr;
};

// Reads a .bmp file into a DIB section of the file's own format.
BmpError ReadBmpFileToDib(const char* path, BitmapHandle& out);

}  // namespace frostel::hostutil
