#include "MeshBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "PageMemory.h"

namespace frostel {

const char* const CMeshBuilder::kLoadMaskError = "Error! CMeshBuilder::LoadMask: Cannot load input mask!";
const char* const CMeshBuilder::kStoppedError = "CMeshBuilder: stopped before the load was done";

namespace {

// The list nodes of the traced lines: all of a few small sizes, made and
// freed by the hundred thousand. A freed node goes on a list of its size and
// is handed out again first; the rest are carved in order from blocks that
// go back only with the pool.
class CNodePool final : public std::pmr::memory_resource {
public:
    CNodePool() = default;
    CNodePool(const CNodePool&) = delete;
    CNodePool& operator=(const CNodePool&) = delete;
    ~CNodePool() override {
        for (void* block : blocks_) ::operator delete(block);
    }

private:
    static constexpr size_t kGrain = alignof(void*);
    static constexpr size_t kClasses = 16;
    static constexpr size_t kFirstBlock = 16 * 1024, kLargestBlock = 1024 * 1024;

    struct FreeNode {
        FreeNode* next;
    };

    static bool Pooled(size_t bytes, size_t alignment) { return bytes <= kGrain * kClasses && alignment <= kGrain; }
    static size_t ClassOf(size_t bytes) { return bytes == 0 ? 0 : (bytes - 1) / kGrain; }

    void* do_allocate(size_t bytes, size_t alignment) override {
        if (!Pooled(bytes, alignment)) return std::pmr::new_delete_resource()->allocate(bytes, alignment);
        const size_t c = ClassOf(bytes);
        if (FreeNode* node = free_[c]) {
            free_[c] = node->next;
            return node;
        }
        const size_t size = (c + 1) * kGrain;
        if (left_ < size) {
            const size_t blockSize = blocks_.empty() ? kFirstBlock : std::min(2 * blockSize_, kLargestBlock);
            blocks_.reserve(blocks_.size() + 1);
            next_ = static_cast<char*>(::operator new(blockSize));
            blocks_.push_back(next_);
            blockSize_ = blockSize;
            left_ = blockSize;
        }
        void* p = next_;
        next_ += size;
        left_ -= size;
        return p;
    }

    void do_deallocate(void* p, size_t bytes, size_t alignment) override {
        if (!Pooled(bytes, alignment)) return std::pmr::new_delete_resource()->deallocate(p, bytes, alignment);
        const size_t c = ClassOf(bytes);
        free_[c] = new (p) FreeNode{free_[c]};
    }

    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

    FreeNode* free_[kClasses] = {};
    std::vector<void*> blocks_;
    char* next_ = nullptr;
    size_t left_ = 0, blockSize_ = 0;
};

constexpr float kMinStep = 1.0f, kMaxStep = 10.0f;
constexpr int kMinSpacing = 2, kMaxSpacing = 30;
}  // namespace

void CMeshBuilder::ClampSteps(float& step, int& spacing) {
    if (!(step > 0.0f)) step = kMinStep;  // also NaN
    if (step > kMaxStep) step = kMaxStep;
    if (spacing < kMinSpacing) spacing = kMinSpacing;
    if (spacing > kMaxSpacing) spacing = kMaxSpacing;
}

void CMeshBuilder::DropSmallContours() {
    // Closed lines too small to carry a figure go, with their points unless
    // a remaining line shares them.
    for (auto& line : contours_) {
        if (!line || !line->closed || line->points.size() >= 4) continue;
        for (auto& p : line->points) p->flags |= kPointDropped | kPointRemove;
        line.reset();
    }
    for (auto& line : contours_) {
        if (!line) continue;
        for (auto& p : line->points) p->flags = (p->flags | kPointKey) & ~kPointRemove;
    }
    // The points marked for removal and those of no remaining line, in one
    // pass (which goes first makes no difference).
    points_.EraseIf([](const CMyPoint& p) { return (p.flags & kPointRemove) || !(p.flags & kPointKey); });
}

CMeshBuilder::CMeshBuilder()
    : pool_(std::make_shared<CNodePool>()), mask_(-1, -1, kOutsideValue) {
    contours_.reserve(100);
}

CMeshBuilder::~CMeshBuilder() = default;

// The caller's mask is read in place for the length of the load: a copy
// would cost a pass and as many fresh pages as the mask has.
void CMeshBuilder::BorrowMask(int width, int height, int stride, const uint8_t* mask) {
    if (!mask_.Borrow(height, width, stride, mask)) throw kLoadMaskError;
}

bool CMeshBuilder::LoadMask(int width, int height, int stride, const uint8_t* mask, float step, int spacing,
                            int& pointCount, int& edgeCount, float*& points, ContourEdge*& edges) {
    ClampSteps(step, spacing);

    bool ok = false;
    try {
        BorrowMask(width, height, stride, mask);
        points_.SetFrame(static_cast<float>(width), static_cast<float>(height));
        FindBorderLines(mask_, contours_);
        mask_.Clear();
        // Resampling adds about as many points again, more with a fine
        // spacing; room only, the memory is touched as it fills.
        points_.Reserve(points_.size() * 3 + 1024);
        for (auto& line : contours_) {
            ResampleContour(*line, points_, step, spacing);
            CountWork(uint32_t(std::min<size_t>(line->points.size() + 1, UINT32_MAX)));
        }
        DropSmallContours();
        ok = WriteOutput(pointCount, edgeCount, points, edges);
    } catch (const char*) {
        ok = false;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    mask_.Clear();
    contours_.clear();
    return ok;
}

bool CMeshBuilder::WriteOutput(int& pointCount, int& edgeCount, float*& points, ContourEdge*& edges) {
    auto emitted = [](const CBorderLine* line) {
        return line && line->regionA != kOutsideValue && line->regionB != kOutsideValue && line->points.size() > 1;
    };
    size_t np = 0, ne = 0;
    for (auto& line : contours_)
        if (emitted(line.get())) {
            np += line->points.size();
            ne += line->points.size() - 1;
        }
    if (np > static_cast<size_t>(INT32_MAX)) return false;

    if (np >= 1 && ne >= 1) {
        PageBlock pointBlock(np * 2 * sizeof(float)), edgeBlock(ne * sizeof(ContourEdge));
        if (!pointBlock || !edgeBlock) return false;
        float* pOut = pointBlock.as<float>();
        ContourEdge* eOut = edgeBlock.as<ContourEdge>();
        uint32_t base = 0;
        for (auto& line : contours_) {
            if (!emitted(line.get())) continue;
            const int n = static_cast<int>(line->points.size());
            for (auto& p : line->points) {
                *pOut++ = p->x;
                *pOut++ = p->y;
            }
            // Weights rise from near 0 at the ends to `half` in the middle.
            const int half = n / 2 > 1 ? n / 2 : 1;
            for (int k = 1; k < n; ++k) {
                const float r = static_cast<float>(std::abs(half - k)) / static_cast<float>(half);
                *eOut++ = {base + k - 1, base + k, (1.0f - r * r) * static_cast<float>(half)};
            }
            base += static_cast<uint32_t>(n);
        }
        points = static_cast<float*>(pointBlock.release());
        edges = static_cast<ContourEdge*>(edgeBlock.release());
    }
    pointCount = static_cast<int>(np);
    edgeCount = static_cast<int>(ne);
    return true;
}

}  // namespace frostel
