#include "win/BitmapResources.h"

#include <cstring>
#include <vector>

namespace frostel::hostutil {

BmpError LoadBitmapResourcePixels(HINSTANCE module, int id, RgbaImage& out) {
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!res) return BmpError::CannotOpen;
    HGLOBAL loaded = LoadResource(module, res);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return BmpError::CannotOpen;
    // A bitmap resource is a packed DIB.
    return DecodeDib(static_cast<const uint8_t*>(data), SizeofResource(module, res), out);
}

BmpError ReadBmpFileToDib(const char* path, BitmapHandle& out) {
    std::vector<uint8_t> dib;
    BmpError e = ReadBmpFileAsDib(path, dib);
    if (e != BmpError::None) return e;
    auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    const BITMAPINFOHEADER& h = info->bmiHeader;
    size_t stride = ((size_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
    size_t rows = stride * size_t(h.biHeight < 0 ? -h.biHeight : h.biHeight);

    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) {
        if (bmp) DeleteObject(bmp);
        return BmpError::Unsupported;
    }
    std::memcpy(bits, dib.data() + (dib.size() - rows), rows);
    out = BitmapHandle(bmp);
    return BmpError::None;
}

}  // namespace frostel::hostutil
