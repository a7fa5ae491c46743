// The crack follower: borders are walked along pixel edges between corners.
#include <climits>
#include <cstring>
#include <vector>

#include "MeshBuilder.h"

namespace frostel {

namespace {

// Per edge direction d (bit 1 << d: right, down, left, up): the move, and
// the offset from the corner to the pixel on the walker's right.
constexpr int kMoveX[4] = {1, 0, -1, 0};
constexpr int kMoveY[4] = {0, 1, 0, -1};
constexpr int kRightX[4] = {0, -1, -1, 0};
constexpr int kRightY[4] = {0, 0, -1, -1};

int Opposite(int d) { return (d + 2) & 3; }

uint8_t RightHand(const TCRaster<unsigned char>& mask, int x, int y, int d) {
    return mask.Get(x + kRightX[d], y + kRightY[d]);
}

int PopCount(unsigned v) {
    int n = 0;
    for (; v; v &= v - 1) ++n;
    return n;
}

}  // namespace

// Three edges always mean three values; four edges are a junction unless
// both diagonals pair up (two values in a checkerboard, which a trace passes
// through).
uint8_t CMeshBuilder::CornerEntry(uint8_t ul, uint8_t ur, uint8_t ll, uint8_t lr) {
    uint8_t e = static_cast<uint8_t>((ur != lr ? kEdgeRight : 0) | (ll != lr ? kEdgeDown : 0) |
                                     (ul != ll ? kEdgeLeft : 0) | (ul != ur ? kEdgeUp : 0));
    if (e == 0x07 || e == 0x0B || e == 0x0D || e == 0x0E) return e | kJunction;
    if (e == 0x0F && !(ul == lr && ur == ll)) return e | kJunction;
    return e;
}

namespace {

// out[x] = CornerEntry(a[x], a[x + 1], b[x], b[x + 1]) for x < n: sixteen
// corners at a time, without branches. Each corner's edge count decides a
// junction: three edges always, four unless both diagonals pair up.
void FillCornerRow(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t n) {
    using Bytes = uint8_t __attribute__((vector_size(16)));
    auto load = [](const uint8_t* p) {
        Bytes v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    size_t x = 0;
    for (; x + 16 <= n; x += 16) {
        const Bytes ul = load(a + x), ur = load(a + x + 1), ll = load(b + x), lr = load(b + x + 1);
        // Lanes of 0xFF where pixels differ.
        const Bytes right = (Bytes)(ur != lr), down = (Bytes)(ll != lr), left = (Bytes)(ul != ll), up = (Bytes)(ul != ur);
        const Bytes edges = static_cast<Bytes>(-(right + down + left + up));
        const Bytes junction = (Bytes)(edges >= 3) & ((Bytes)(ul != lr) | (Bytes)(ur != ll));
        const Bytes entry = (right & uint8_t{kEdgeRight}) | (down & uint8_t{kEdgeDown}) | (left & uint8_t{kEdgeLeft}) |
                            (up & uint8_t{kEdgeUp}) | (junction & uint8_t{kJunction});
        std::memcpy(out + x, &entry, sizeof entry);
    }
    for (; x < n; ++x) out[x] = CMeshBuilder::CornerEntry(a[x], a[x + 1], b[x], b[x + 1]);
}

}  // namespace

// Rows of the mask are padded with the outside value so the inner loop reads
// without bounds checks.
void CMeshBuilder::FillBorderRaster(const TCRaster<unsigned char>& mask, TCRaster<unsigned char>& border) {
    const int w = mask.Width(), h = mask.Height();
    const uint8_t outside = mask.DefaultValue();
    std::vector<uint8_t> above(static_cast<size_t>(w) + 2, outside), below(above);
    for (int y = 0; y <= h; ++y) {
        above.swap(below);
        if (y < h) {
            const uint8_t* row = mask.Row(y);
            std::copy(row, row + w, below.begin() + 1);
        } else {
            std::fill(below.begin(), below.end(), outside);
        }
        FillCornerRow(above.data(), below.data(), border.Row(y), static_cast<size_t>(w) + 1);
    }
}

const char* const CMeshBuilder::kBorderRasterError = "Error! CMeshBuilder::FindBorderLines: Cannot create raster of borders.";

void CMeshBuilder::AppendBorderPoint(CBorderLine& line, CMyPoint* p) {
    auto& pts = line.points;
    if (!pts.empty() && CMyPointEqual(*p, *pts.front())) line.closed = true;
    if (!pts.empty() && CMyPointEqual(*p, *pts.back())) return;
    pts.emplace_back(p);
}

void CMeshBuilder::PrependBorderPoint(CBorderLine& line, CMyPoint* p) {
    auto& pts = line.points;
    if (!pts.empty() && CMyPointEqual(*p, *pts.back())) line.closed = true;
    if (!pts.empty() && CMyPointEqual(*p, *pts.front())) return;
    pts.emplace_front(p);
}

bool CMeshBuilder::TraceBorders(bool forward, uint8_t region, int y, int x, const TCRaster<unsigned char>& mask,
                                TCRaster<unsigned char>& border, CBorderLine& line) {
    const int startX = x, startY = y;
    const unsigned startEntry = border.Get(x, y);
    int d = -1;
    for (int i = 0; i < 4 && d < 0; ++i)
        if ((startEntry >> i & 1) && (region == kOutsideValue || RightHand(mask, x, y, i) == region)) d = i;
    if (d < 0) return false;

    uint8_t tracked = region;
    if (forward && region == kOutsideValue) {
        line.regionA = RightHand(mask, x, y, d);
        line.regionB = RightHand(mask, x, y, (d + 3) & 3);
        tracked = line.regionA;
    }

    auto addPoint = [&](int px, int py) {
        CMyPoint* p = points_.Insert(static_cast<float>(px), static_cast<float>(py), kContourZ);
        if (forward)
            AppendBorderPoint(line, p);
        else
            PrependBorderPoint(line, p);
    };

    unsigned previousBit = 0x0F, currentBit = 0x0F;
    for (;;) {
        const unsigned bit = 1u << d;
        if (bit != currentBit) addPoint(x, y);  // a point where the walk turns
        previousBit = currentBit;
        currentBit = bit;
        border.Row(y)[x] &= static_cast<uint8_t>(~bit);
        x += kMoveX[d];
        y += kMoveY[d];
        border.Row(y)[x] &= static_cast<uint8_t>(~(1u << Opposite(d)));

        const unsigned entry = border.Row(y)[x];
        if ((entry & kJunction) || (x == startX && y == startY)) {
            addPoint(x, y);
            return true;
        }
        const unsigned edges = entry & kEdgeBits;
        if (edges == 0) {
            // A dead end: the walked edges still belong to the line.
            addPoint(x, y);
            return false;
        }
        if (PopCount(edges) == 1) {
            d = 0;
            while (!(edges >> d & 1)) ++d;
            continue;
        }
        // Several ways on (a checkerboard corner): keep the tracked value on
        // the right and prefer the pair of moves that changes direction least.
        int best = -1, bestScore = INT_MAX;
        for (int i = 0; i < 4; ++i) {
            if (!(edges >> i & 1) || RightHand(mask, x, y, i) != tracked) continue;
            const int nx = x + kMoveX[i], ny = y + kMoveY[i];
            const unsigned next = border.Get(nx, ny) & kEdgeBits;
            for (int j = 0; j < 4; ++j) {
                if (!(next >> j & 1) || RightHand(mask, nx, ny, j) != tracked) continue;
                const int score = PopCount(((1u << i) | (1u << j)) ^ (previousBit | currentBit));
                if (score < bestScore) {
                    bestScore = score;
                    best = i;
                }
            }
        }
        if (best < 0) {
            addPoint(x, y);
            return true;
        }
        d = best;
    }
}

void CMeshBuilder::FindBorderLines(const TCRaster<unsigned char>& mask, ContourList& lines) {
    const int w = mask.Width(), h = mask.Height();
    if (w < 1 || h < 1 || mask.Empty()) throw kBorderRasterError;
    TCRaster<unsigned char> border(-1, -1, 0);
    if (!border.Create(h + 1, w + 1)) throw kBorderRasterError;
    FillBorderRaster(mask, border);

    for (int y = 0; y <= h; ++y) {
        uint8_t* row = border.Row(y);
        for (int x = 0; x <= w; ++x) {
            // Eight corners without edges at a time (traces clear edges
            // ahead, so the raster is read afresh).
            uint64_t eight;
            if (x + 8 <= w + 1 && (std::memcpy(&eight, row + x, 8), !(eight & 0x0F0F0F0F0F0F0F0Full))) {
                x += 7;
                continue;
            }
            // Every trace clears at least its first edge; keep going while the
            // corner has edges, or borders between two junctions are lost.
            while (row[x] & kEdgeBits) {
                const bool junction = row[x] & kJunction;
                auto line = std::make_unique<CBorderLine>();
                // A trace that dead-ends (its way on taken at a checkerboard
                // corner) or cannot start backward still walked its edges:
                // the line is kept and simply ends there.
                TraceBorders(true, kOutsideValue, y, x, mask, border, *line);
                if (!junction && !line->closed) TraceBorders(false, line->regionB, y, x, mask, border, *line);
                if (line->points.size() < 2) continue;
                if (!line->closed) {
                    line->points.front()->flags |= kPointKey;
                    line->points.back()->flags |= kPointKey;
                }
                lines.push_back(std::move(line));
            }
        }
    }
}

}  // namespace frostel
