// The long LoadMask: the mask as a relief mesh.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <new>
#include <unordered_map>

#include "MeshBuilder.h"

namespace frostel {

namespace {

constexpr int kFull = 255;
// Chamfer weights of a straight and a diagonal step.
constexpr int kStraight = 3, kDiagonal = 4;
// Class flags of the relief's points.
constexpr uint32_t kInnerFlags = kPointKey | kPointContour | kPointInner;
constexpr uint32_t kContourFlags = kPointKey | kPointContour;
constexpr uint32_t kSmallRegion = 0x200;
constexpr float kShortContour = 5.0f;
constexpr float kPeakHeight = 30.0f;

// Round to the nearest whole pixel, an exact half rounding down.
int RoundPixel(float v) { return static_cast<int>(std::ceil(static_cast<double>(v) - 0.5)); }

}  // namespace

void CMeshBuilder::BuildDistanceRaster(TCRaster<int>& distance) const {
    const int w = mask_.Width(), h = mask_.Height();
    if (!distance.Create(h, w)) throw kLoadMaskError;
    // Full pixels start above any distance the image can hold (4 per pixel
    // of the longer side, in 64 bits), the others at 0: they are the sources.
    const int64_t far = std::min<int64_t>(static_cast<int64_t>(kDiagonal) * (static_cast<int64_t>(w) + h) + 8,
                                          INT_MAX / 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            distance.Row(y)[x] = mask_.Get(x, y) >= kFull ? static_cast<int>(far) : 0;
    // Two sweeps of the (3, 4) chamfer; the row direction follows the
    // neighbour that each sweep reads, so that it reads a finished value.
    // Reads outside the raster give its default 0: the image edge is a source.
    for (int y = 0; y < h; ++y) {
        int* row = distance.Row(y);
        for (int x = 0; x < w; ++x) {
            if (row[x] == 0) continue;
            int d = row[x];
            d = std::min(d, distance.Get(x - 1, y - 1) + kDiagonal);
            d = std::min(d, distance.Get(x + 1, y - 1) + kDiagonal);
            d = std::min(d, distance.Get(x, y - 1) + kStraight);
            d = std::min(d, distance.Get(x - 1, y) + kStraight);
            row[x] = d;
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        int* row = distance.Row(y);
        for (int x = w - 1; x >= 0; --x) {
            if (row[x] == 0) continue;
            int d = row[x];
            d = std::min(d, distance.Get(x - 1, y + 1) + kDiagonal);
            d = std::min(d, distance.Get(x + 1, y + 1) + kDiagonal);
            d = std::min(d, distance.Get(x, y + 1) + kStraight);
            d = std::min(d, distance.Get(x + 1, y) + kStraight);
            row[x] = d;
        }
    }
}

void CMeshBuilder::AddInnerPoints(const TCRaster<int>& distance, CPointSet& set, int s) {
    const int w = distance.Width(), h = distance.Height();
    TCRaster<unsigned char> visited(w, h, 1);
    if (visited.Empty()) throw kLoadMaskError;
    std::memset(visited.Pixels(), 0, static_cast<size_t>(w) * static_cast<size_t>(h));
    static constexpr int kDx[4] = {-1, 0, 1, 0}, kDy[4] = {0, 1, 0, -1};
    std::deque<std::pair<int, int>> queue;
    std::vector<CMyPoint*> peaks;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (visited.Get(x0, y0) || distance.Get(x0, y0) == 0) continue;
            peaks.clear();
            visited.Set(x0, y0, 1);
            queue.emplace_back(x0, y0);
            while (!queue.empty()) {
                const auto [x, y] = queue.front();
                queue.pop_front();
                const int d = distance.Get(x, y);
                bool peak = d > kDiagonal;
                for (int k = 0; k < 4; ++k) {
                    const int nx = x + kDx[k], ny = y + kDy[k];
                    const int nd = distance.Get(nx, ny);
                    if (nd > d) peak = false;
                    if (nd != 0 && !visited.Get(nx, ny)) {
                        visited.Set(nx, ny, 1);
                        queue.emplace_back(nx, ny);
                    }
                }
                if (!peak) continue;
                CMyPoint* p = set.Insert(static_cast<float>(x), static_cast<float>(y), kFrameZ);
                p->flags |= kInnerFlags;
                peaks.push_back(p);
            }
            // In list order a point stays unless an earlier one that stayed
            // lies closer than s (|dx| + |dy|); a grid of s-sized cells finds
            // those neighbours.
            const int cell = std::max(s, 1);
            std::unordered_multimap<int64_t, CMyPoint*> kept;
            auto key = [](int64_t cx, int64_t cy) { return cx * 0x100000 + cy; };
            for (CMyPoint* p : peaks) {
                if (p->flags & kPointRemove) continue;
                const int64_t cx = static_cast<int64_t>(p->x) / cell, cy = static_cast<int64_t>(p->y) / cell;
                bool near = false;
                for (int64_t i = cx - 1; i <= cx + 1 && !near; ++i)
                    for (int64_t j = cy - 1; j <= cy + 1 && !near; ++j) {
                        auto range = kept.equal_range(key(i, j));
                        for (auto it = range.first; it != range.second && !near; ++it)
                            near = std::fabs(it->second->x - p->x) + std::fabs(it->second->y - p->y) < s;
                    }
                if (near)
                    p->flags |= kPointRemove;
                else
                    kept.emplace(key(cx, cy), p);
            }
        }
    }
}

void CMeshBuilder::LabelRegions(const TCRaster<int>& distance, TCRaster<int>& peak) {
    const int w = distance.Width(), h = distance.Height();
    if (!peak.Create(h, w)) throw kLoadMaskError;
    std::memset(peak.Pixels(), 0, static_cast<size_t>(w) * static_cast<size_t>(h) * sizeof(int));
    TCRaster<unsigned char> visited(w, h, 1);
    if (visited.Empty()) throw kLoadMaskError;
    std::memset(visited.Pixels(), 0, static_cast<size_t>(w) * static_cast<size_t>(h));
    std::vector<std::pair<int, int>> region;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (visited.Get(x0, y0) || distance.Get(x0, y0) == 0) continue;
            region.clear();
            int largest = -100;
            visited.Set(x0, y0, 1);
            region.emplace_back(x0, y0);
            for (size_t next = 0; next < region.size(); ++next) {
                const auto [x, y] = region[next];
                largest = std::max(largest, distance.Get(x, y));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (distance.Get(nx, ny) == 0 || visited.Get(nx, ny)) continue;
                        visited.Set(nx, ny, 1);
                        region.emplace_back(nx, ny);
                    }
            }
            for (const auto& [x, y] : region) peak.Set(x, y, largest);
        }
    }
}

void CMeshBuilder::RemoveSmallRegions(const TCRaster<int>& distance, int sizeLimit, ContourList& kept) {
    // The regions again, as a two-valued mask in which the 8-connected
    // regions below sizeLimit pixels are cleared, so that specks raise no
    // rib.
    const int w = distance.Width(), h = distance.Height();
    TCRaster<int> peak(-1, -1, 0);
    LabelRegions(distance, peak);
    TCRaster<unsigned char> regions(-1, -1, kOutsideValue);
    if (!regions.Create(h, w)) throw kLoadMaskError;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) regions.Row(y)[x] = distance.Get(x, y) != 0 ? kFull : 0;
    TCRaster<unsigned char> seen(w, h, 1);
    if (seen.Empty()) throw kLoadMaskError;
    std::memset(seen.Pixels(), 0, static_cast<size_t>(w) * static_cast<size_t>(h));
    std::vector<std::pair<int, int>> region;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen.Get(x0, y0) || regions.Get(x0, y0) == 0) continue;
            region.clear();
            seen.Set(x0, y0, 1);
            region.emplace_back(x0, y0);
            for (size_t next = 0; next < region.size(); ++next) {
                const auto [x, y] = region[next];
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (regions.Get(nx, ny) != kFull || seen.Get(nx, ny)) continue;
                        seen.Set(nx, ny, 1);
                        region.emplace_back(nx, ny);
                    }
            }
            if (static_cast<int64_t>(region.size()) < sizeLimit)
                for (const auto& [x, y] : region) regions.Set(x, y, 0);
        }

    ContourList traced;
    traced.reserve(100);
    FindBorderLines(regions, traced);
    bool dropped = false;
    for (auto& line : traced) {
        float length = 0.0f;
        for (auto it = line->points.begin(); std::next(it) != line->points.end() && it != line->points.end(); ++it) {
            const CMyPoint& a = **it;
            const CMyPoint& b = **std::next(it);
            length += std::fabs(b.x - a.x) + std::fabs(b.y - a.y);
        }
        if (length >= kShortContour) {
            kept.push_back(std::move(line));
            continue;
        }
        for (auto& p : line->points) p->flags |= kSmallRegion | kPointRemove;
        if (!line->points.empty()) line->points.front()->flags &= ~kPointRemove;
        dropped = true;
    }
    if (dropped) ErasePointsWithFlags(points_, kPointRemove);
}

void CMeshBuilder::SetPointHeights(const TCRaster<int>& distance, const TCRaster<int>& peak) {
    for (const CMyPointPtr& point : points_) {
        CMyPoint* p = point.get();
        if (p->flags & kPointRibEnd) {
            p->z = 0.0f;
            continue;
        }
        const int x = RoundPixel(p->x), y = RoundPixel(p->y);
        const double d = distance.Get(x, y);
        double top = peak.Get(x, y);
        if (top <= 0.0) top = 1.0;
        p->z = static_cast<float>(kPeakHeight * std::sqrt(d / top));
    }
}

bool CMeshBuilder::LoadMask(int width, int height, int stride, const uint8_t* mask, float step, int spacing,
                            CTriangles**& triangles, int& triangleCount) {
    ClampSteps(step, spacing);
    const float secondStep = step + 2.0f;
    bool ok = false;
    triangulation_.reset();
    ContourList second;
    second.reserve(100);
    try {
        BorrowMask(width, height, stride, mask);
        points_.SetFrame(static_cast<float>(width), static_cast<float>(height));
        TCRaster<int> distance(-1, -1, 0), peak(-1, -1, 0);
        BuildDistanceRaster(distance);
        AddInnerPoints(distance, points_, spacing / 2);
        LabelRegions(distance, peak);

        FindBorderLines(mask_, contours_);
        for (auto& line : contours_) ResampleContour(*line, points_, step, spacing);
        DropSmallContours();

        RemoveSmallRegions(distance, 3 * spacing, second);
        for (auto& line : second) {
            ResampleContour(*line, points_, secondStep, spacing);
            for (auto& p : line->points) p->flags |= kContourFlags;
        }
        ErasePointsWithoutFlags(points_, kPointKey);
        ErasePointsWithFlags(points_, kPointRemove);

        const float fw = static_cast<float>(width), fh = static_cast<float>(height);
        CMyPoint* const corners[4] = {points_.Insert(0.0f, 0.0f, kFrameZ), points_.Insert(fw, 0.0f, kFrameZ),
                                      points_.Insert(fw, fh, kFrameZ), points_.Insert(0.0f, fh, kFrameZ)};
        triangulation_ = std::make_unique<CTriangulation>(points_);
        if (!triangulation_->BuildDelone2(corners)) throw kLoadMaskError;

        // Until the triangulation has adopted them, the ribs and their end
        // points hold each other: a failure on the way unlists them.
        std::vector<CRibPtr> ribs;
        struct Unlist {
            std::vector<CRibPtr>& ribs;
            bool active = true;
            ~Unlist() {
                if (!active) return;
                for (CRibPtr& r : ribs) {
                    r->a->RemoveRib(r.get());
                    r->b->RemoveRib(r.get());
                }
            }
        } unlist{ribs};
        for (auto& line : second)
            for (auto it = line->points.begin(); it != line->points.end() && std::next(it) != line->points.end(); ++it)
                if (it->get() != std::next(it)->get())
                    ribs.emplace_back(new CRib(it->get(), std::next(it)->get(), 0, 0));
        triangulation_->AddRestrictionRibs(ribs, points_);
        unlist.active = false;
        triangulation_->Rebuild();

        SetPointHeights(distance, peak);
        triangles = triangulation_->Triangles();
        triangleCount = triangulation_->TriangleCount();
        ok = true;
    } catch (const char*) {
        ok = false;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) triangulation_.reset();
    mask_.Clear();
    contours_.clear();
    return ok;
}

}  // namespace frostel
