// The bump texture from the module's bitmap resource: the red of each pixel
// is the height.
#include <windows.h>

#include "BumpMap.h"
#include "HostSuites.h"
#include "PageMemory.h"
#include "Scene.h"

namespace frostel {

namespace {

struct GdiBitmap {
    HBITMAP h;
    ~GdiBitmap() { if (h) DeleteObject(h); }
};
struct MemoryDc {
    HDC h;
    ~MemoryDc() { if (h) DeleteDC(h); }
};

}  // namespace

uint8_t* LoadBumpTexture() {
    auto* instance = static_cast<HINSTANCE>(GetModuleInstance());
    GdiBitmap bitmap{LoadBitmapA(instance, MAKEINTRESOURCEA(kBumpResourceId))};
    if (bitmap.h == nullptr) return nullptr;
    MemoryDc dc{CreateCompatibleDC(nullptr)};
    if (dc.h == nullptr) return nullptr;
    const HGDIOBJ previous = SelectObject(dc.h, bitmap.h);
    auto* texels = static_cast<uint8_t*>(AllocPages(size_t(kBumpSize) * kBumpSize * kBumpTexelBytes));
    if (texels != nullptr)
        for (int y = 0; y < kBumpSize; ++y)
            for (int x = 0; x < kBumpSize; ++x)
                texels[(y * kBumpSize + x) * kBumpTexelBytes] = GetRValue(GetPixel(dc.h, x, y));
    SelectObject(dc.h, previous);
    return texels;
}

}  // namespace frostel
