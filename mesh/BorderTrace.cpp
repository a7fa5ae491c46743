// The crack follower: borders are walked along pixel edges between corners.
#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
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

// Whether any of the words * 8 corner entries from p has an edge.
bool AnyEdge(const uint8_t* p, int words) {
    uint64_t any = 0;
    for (int i = 0; i < words; ++i) {
        uint64_t word;
        std::memcpy(&word, p + 8 * i, 8);
        any |= word;
    }
    return (any & 0x0F0F0F0F0F0F0F0Full) != 0;
}

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

// Corner x of a row lies between pixels x - 1 and x of the rows above and
// below; the first and last corners, and the rows past the mask, read the
// outside value.
void CMeshBuilder::FillBorderRaster(const TCRaster<unsigned char>& mask, TCRaster<unsigned char>& border) {
    const int w = mask.Width(), h = mask.Height();
    const uint8_t outside = mask.DefaultValue();
    const std::vector<uint8_t> none(static_cast<size_t>(w), outside);
    for (int y = 0; y <= h; ++y) {
        const uint8_t* above = y > 0 ? mask.Row(y - 1) : none.data();
        const uint8_t* below = y < h ? mask.Row(y) : none.data();
        uint8_t* out = border.Row(y);
        out[0] = CornerEntry(outside, above[0], outside, below[0]);
        FillCornerRow(above, below, out + 1, static_cast<size_t>(w) - 1);
        out[w] = CornerEntry(above[w - 1], outside, below[w - 1], outside);
    }
}

const char* const CMeshBuilder::kBorderRasterError = "Error! CMeshBuilder::FindBorderLines: Cannot create raster of borders.";

// A line is closed while its two ends are one point: a walk that meets the
// other end at a checkerboard corner and goes on through it leaves it open.
void CMeshBuilder::AppendBorderPoint(CBorderLine& line, CMyPoint* p) {
    auto& pts = line.points;
    if (!pts.empty() && CMyPointEqual(*p, *pts.back())) return;
    pts.emplace_back(p);
    line.closed = pts.size() > 1 && CMyPointEqual(*p, *pts.front());
}

void CMeshBuilder::PrependBorderPoint(CBorderLine& line, CMyPoint* p) {
    auto& pts = line.points;
    if (!pts.empty() && CMyPointEqual(*p, *pts.front())) return;
    pts.emplace_front(p);
    line.closed = pts.size() > 1 && CMyPointEqual(*p, *pts.back());
}

void CCornerWalk::Clear() {
    visits.clear();
    front = back = -1;
    count = 0;
    closed = false;
}

// As AppendBorderPoint and PrependBorderPoint will do with the corners'
// points: two corners give the same point exactly when they are one corner.
void CCornerWalk::Add(const Visit& v) {
    visits.push_back(v);
    const bool forward = v.forward;
    if (count > 0 && v.corner == (forward ? back : front)) return;
    (forward ? back : front) = v.corner;
    if (count++ == 0) (forward ? front : back) = v.corner;
    closed = count > 1 && front == back;
}

bool CMeshBuilder::TraceBorders(bool forward, uint8_t region, int y, int x, const TCRaster<unsigned char>& mask,
                                TCRaster<unsigned char>& border, CBorderLine& line, CCornerWalk& walk) {
    // Corners by index into the raster's block; a move is one step of it.
    uint8_t* const corners = border.Pixels();
    const ptrdiff_t stride = static_cast<ptrdiff_t>(border.Stride());
    const ptrdiff_t step[4] = {1, stride, -1, -stride};
    ptrdiff_t at = y * stride + x;
    const ptrdiff_t start = at;
    const unsigned startEntry = corners[at];
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
    // `leaving`: the edge the walk is about to take from here (0 at its
    // end). Edges left over, a junction or the start bring walks back.
    auto visit = [&](unsigned leaving) {
        uint8_t& entry = corners[at];
        const bool again = entry & kCornerPoint;
        const bool shared = (entry & kJunction) || at == start || (entry & kEdgeBits & ~leaving);
        entry |= kCornerPoint;
        walk.Add({x, y, at, forward, again, shared});
    };

    unsigned previousBit = 0x0F, currentBit = 0x0F;
    for (;;) {
        const unsigned bit = 1u << d;
        if (bit != currentBit) visit(bit);  // a corner where the walk turns
        previousBit = currentBit;
        currentBit = bit;
        corners[at] &= static_cast<uint8_t>(~bit);
        at += step[d];
        // Walks down or up the raster meet a new row at each step: load a
        // few rows ahead.
        __builtin_prefetch(corners + at + 4 * step[d]);
        x += kMoveX[d];
        y += kMoveY[d];
        corners[at] &= static_cast<uint8_t>(~(1u << Opposite(d)));

        const unsigned entry = corners[at];
        // Walks mark the corners they start, turn or end at, so this one test
        // finds the start and the checkerboard corners met again.
        if (entry & (kJunction | kCornerPoint)) {
            if ((entry & kJunction) || at == start) {
                visit(0);
                return true;
            }
            // A checkerboard whose turns were taken: the one edge left goes
            // straight on along the diagonal region's border, not the tracked
            // one's, so the line ends here.
            const unsigned left = entry & kEdgeBits;
            if (left && (left & (left - 1)) == 0 && RightHand(mask, x, y, __builtin_ctz(left)) != tracked) {
                visit(0);
                return true;
            }
        }
        const unsigned edges = entry & kEdgeBits;
        if (edges == 0) {
            // A dead end: the walked edges still belong to the line.
            visit(0);
            return false;
        }
        if ((edges & (edges - 1)) == 0) {
            d = __builtin_ctz(edges);
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
            visit(0);
            return true;
        }
        d = best;
    }
}

void CCornerPoints::Grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : 2 * slots_.size(), Slot{-1, nullptr});
    old.swap(slots_);
    for (const Slot& s : old)
        if (s.corner >= 0) {
            size_t i = SlotOf(s.corner);
            while (slots_[i].corner >= 0) i = (i + 1) & (slots_.size() - 1);
            slots_[i] = s;
        }
}

void CCornerPoints::Put(int64_t corner, CMyPoint* p) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    size_t i = SlotOf(corner);
    for (; slots_[i].corner >= 0; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i].corner == corner) return;
    slots_[i] = {corner, p};
    ++used_;
}

CMyPoint* CCornerPoints::At(int64_t corner) const {
    if (!slots_.empty())
        for (size_t i = SlotOf(corner); slots_[i].corner >= 0; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i].corner == corner) return slots_[i].point;
    throw std::out_of_range("CCornerPoints::At");
}

void CMeshBuilder::MakeWalkPoints(const CCornerWalk& walk, CBorderLine& line, std::vector<CMyPointPtr>* made,
                                  CCornerPoints& shared) {
    // The points' cells are looked up ahead, so that the searches of a
    // line's corners overlap instead of waiting one by one.
    if (!made)
        for (const auto& v : walk.visits) points_.Prefetch(static_cast<float>(v.x), static_cast<float>(v.y), kContourZ);
    for (const auto& v : walk.visits) {
        CMyPoint* p;
        if (!made) {
            p = points_.Insert(static_cast<float>(v.x), static_cast<float>(v.y), kContourZ);
        } else if (v.again) {
            // The set would find this corner's own point: corners are a
            // pixel apart, far beyond the tolerance.
            p = shared.At(v.corner);
        } else {
            p = points_.Make(static_cast<float>(v.x), static_cast<float>(v.y), kContourZ);
            made->emplace_back(p);
            if (v.shared) shared.Put(v.corner, p);
        }
        if (v.forward)
            AppendBorderPoint(line, p);
        else
            PrependBorderPoint(line, p);
    }
}

void CMeshBuilder::FindBorderLines(const TCRaster<unsigned char>& mask, ContourList& lines) {
    const int w = mask.Width(), h = mask.Height();
    if (w < 1 || h < 1 || mask.Empty()) throw kBorderRasterError;
    TCRaster<unsigned char> border(-1, -1, 0);
    if (!border.Create(h + 1, w + 1)) throw kBorderRasterError;
    FillBorderRaster(mask, border);

    // Into an empty set every corner's point is new at its first visit: the
    // points are stored together at the end, their searches overlapping.
    std::vector<CMyPointPtr> made;
    CCornerPoints shared;
    std::vector<CMyPointPtr>* const fresh = points_.empty() ? &made : nullptr;
    CCornerWalk walk;
    for (int y = 0; y <= h; ++y) {
        CountWork(1);
        uint8_t* row = border.Row(y);
        for (int x = 0; x <= w; ++x) {
            // Corners without edges 32 or 8 at a time (traces clear edges
            // ahead, so the raster is read afresh).
            if (x + 32 <= w + 1 && !AnyEdge(row + x, 4)) {
                x += 31;
                continue;
            }
            if (x + 8 <= w + 1 && !AnyEdge(row + x, 1)) {
                x += 7;
                continue;
            }
            // Every trace clears at least its first edge; keep going while the
            // corner has edges, or borders between two junctions are lost.
            while (row[x] & kEdgeBits) {
                const bool junction = row[x] & kJunction;
                auto line = std::make_unique<CBorderLine>(pool_);
                // A trace that dead-ends (its way on taken at a checkerboard
                // corner) or cannot start backward still walked its edges:
                // the line is kept and simply ends there.
                walk.Clear();
                TraceBorders(true, kOutsideValue, y, x, mask, border, *line, walk);
                if (!junction && !walk.closed) TraceBorders(false, line->regionB, y, x, mask, border, *line, walk);
                // Its points even when the line goes: the set keeps them.
                MakeWalkPoints(walk, *line, fresh, shared);
                CountWork(uint32_t(std::min<size_t>(walk.visits.size() + 1, UINT32_MAX)));
                if (line->points.size() < 2) continue;
                if (!line->closed) {
                    line->points.front()->flags |= kPointKey;
                    line->points.back()->flags |= kPointKey;
                }
                lines.push_back(std::move(line));
            }
        }
    }
    points_.StoreApart(made);
}

}  // namespace frostel
