// Fuzz target: where the dialog opens, for any stored placement (the ini
// file's and the parameter record's 32-bit values), any host window and up
// to four work areas, empty or overlapping ones among them. Wherever it
// opens, its title bar and its OK button lie on the work areas, its size is
// at least the minimum unless the area is smaller, a window that was wholly
// on the screens keeps its place, and a moved one lies inside one area.
// UBSan watches the arithmetic.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "DialogLogic.h"

using namespace frostel::dialog;

namespace {

void Fail(const char* what, const Rect& r) {
    std::fprintf(stderr, "placement %s: %d,%d,%d,%d\n", what, r.left, r.top, r.right, r.bottom);
    std::abort();
}

struct Reader {
    const uint8_t* data;
    size_t size, at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    int32_t Int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return int32_t(v);
    }
    // Screen-like values most of the time, so that areas meet and overlap.
    int32_t Coordinate(bool raw) { return raw ? Int32() : int32_t(int16_t(uint16_t(Byte() << 8 | Byte()))) / 8 * 8; }
};

bool Inside(const Rect& r, const Rect& a) {
    return r.left >= a.left && r.top >= a.top && r.right <= a.right && r.bottom <= a.bottom;
}

// Where the OK button sits in a window of this size (at least the minimum,
// which holds it), with a nominal frame and the dialog's layout at 96 dpi.
Rect OkButton(const Rect& w) {
    const int width = w.right - w.left, height = w.bottom - w.top;
    const DialogLayout l = ComputeLayout(width - 16, height - 39, 250, 50, 330, 17, true);
    const int64_t x = int64_t(w.left) + 8 + l.ok.x, y = int64_t(w.top) + 31 + l.ok.y;
    if (x < w.left || y < w.top || x + l.ok.w > w.right || y + l.ok.h > w.bottom) Fail("lays OK outside itself", w);
    return {int(x), int(y), int(x + l.ok.w), int(y + l.ok.h)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    const uint8_t mode = in.Byte();
    const bool raw = mode & 1;
    static const int kDpis[] = {96, 120, 144, 216};
    const Size minimum = MinimumDialogSize(kDpis[(mode >> 1) & 3]);
    const StoredPlacement stored{in.Coordinate(mode & 16), in.Coordinate(mode & 16), in.Coordinate(mode & 32),
                                 in.Coordinate(mode & 32)};
    const Rect host{in.Coordinate(raw), in.Coordinate(raw), in.Coordinate(raw), in.Coordinate(raw)};
    std::vector<Rect> areas((mode >> 3) % 5);
    for (Rect& a : areas) a = {in.Coordinate(raw), in.Coordinate(raw), in.Coordinate(raw), in.Coordinate(raw)};

    const Rect r = ChoosePlacement(stored, areas, host, minimum);
    if (r.right <= r.left || r.bottom <= r.top) Fail("is empty", r);

    std::vector<Rect> usable;
    for (const Rect& a : areas)
        if (int64_t(a.right) > a.left && int64_t(a.bottom) > a.top) usable.push_back(a);
    const bool hostUsable = int64_t(host.right) > host.left && int64_t(host.bottom) > host.top;
    if (usable.empty()) {
        if (!hostUsable) return 0;
        usable.push_back(host);  // the host's window serves as the work area
    }

    if (!CoveredByAreas(r, usable)) Fail("is not on the work areas", r);
    const Rect title{r.left, r.top, r.right, r.top + std::min(r.bottom - r.top, 31)};
    if (!CoveredByAreas(title, usable)) Fail("has its title bar off the work areas", r);
    if (r.right - r.left >= minimum.width && r.bottom - r.top >= minimum.height && !CoveredByAreas(OkButton(r), usable))
        Fail("has its OK button off the work areas", r);

    const int64_t storedRight = int64_t(stored.left) + stored.width, storedBottom = int64_t(stored.top) + stored.height;
    const bool kept = r.left == stored.left && r.top == stored.top && r.right == storedRight && r.bottom == storedBottom;
    const bool wasOnScreen = stored.width >= minimum.width && stored.height >= minimum.height &&
                             storedRight <= INT32_MAX && storedBottom <= INT32_MAX &&
                             CoveredByAreas({stored.left, stored.top, int(storedRight), int(storedBottom)}, usable);
    if (wasOnScreen && !kept) Fail("moved a window that was wholly on the screens", r);
    if (r.left != stored.left || r.top != stored.top) {
        // Moved: inside one area (of overlapping ones, any), at the minimum
        // size unless that area is smaller.
        bool inOne = false, bigEnough = false;
        const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
        for (const Rect& a : usable) {
            if (!Inside(r, a)) continue;
            inOne = true;
            bigEnough = bigEnough || (w >= std::min<int64_t>(minimum.width, int64_t(a.right) - a.left) &&
                                      h >= std::min<int64_t>(minimum.height, int64_t(a.bottom) - a.top));
        }
        if (!inOne) Fail("was moved but lies in no single area", r);
        if (!bigEnough) Fail("is smaller than it must be", r);
    }
    return 0;
}
