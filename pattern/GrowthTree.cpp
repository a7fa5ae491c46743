#include "GrowthTree.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "PageMemory.h"

namespace frostel {

int32_t gBranchCount = 0;

void CountUngrownBranches(int64_t n) {
    if (n > 0) gBranchCount = int32_t(std::min<int64_t>(kMostBranchCount, int64_t(gBranchCount) + n));
}

void SegmentNormal(float x1, float y1, float x2, float y2, float& nx, float& ny) {
    nx = y2 - y1;
    ny = x1 - x2;
    const float len = std::sqrt(nx * nx + ny * ny);
    if (len != 0.0f) {
        nx /= len;
        ny /= len;
    }
}

double CoverBudget::Cover(const BranchTriangle& t) const {
    const PatternVertex* c[3] = {&t.p0, &t.p1, &t.p2};
    float x[3], y[3];
    for (int i = 0; i < 3; ++i) {
        x[i] = (c[i]->x - pivotX) * scale + pivotX + shiftX;
        y[i] = (c[i]->y - pivotY) * scale + pivotY + shiftY;
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return 0;  // nothing the render can draw
    }
    const double area = std::fabs(double(x[1] - x[0]) * (y[2] - y[0]) - double(x[2] - x[0]) * (y[1] - y[0])) / 2;
    const float x0 = std::max(left, std::min({x[0], x[1], x[2]})), x1 = std::min(right, std::max({x[0], x[1], x[2]}));
    const float y0 = std::max(top, std::min({y[0], y[1], y[2]})), y1 = std::min(bottom, std::max({y[0], y[1], y[2]}));
    if (!(x1 > x0 && y1 > y0)) return 0;  // off the frame
    const double box = double(x1 - x0) * double(y1 - y0);
    return std::min(area, box);
}

BranchTree::BranchTree(int32_t budget, WorkWatch* watch) : budget_(budget), watch_(watch) {}

BranchTree::~BranchTree() { Clear(); }

BranchTree::Cell* BranchTree::NewCell() {
    if (backUsed_ == kCellsPerSlab) {
        if (slabCount_ == slabRoom_) {
            const size_t room = slabRoom_ == 0 ? 16 : slabRoom_ * 2;
            auto** grown = new (std::nothrow) Cell*[room];
            if (!grown) return nullptr;
            std::copy(slabs_, slabs_ + slabCount_, grown);
            delete[] slabs_;
            slabs_ = grown;
            slabRoom_ = room;
        }
        // Page memory, as the scene's other large blocks: counted, and its
        // failure can be tried. The dialog's next growth finds it again.
        void* slab = TakePages(kCellsPerSlab * sizeof(Cell));
        if (!slab) return nullptr;
        slabs_[slabCount_++] = static_cast<Cell*>(slab);
        backUsed_ = 0;
    }
    return slabs_[slabCount_ - 1] + backUsed_++;
}

void BranchTree::FreeSlabs() {
    for (size_t i = frontSlab_; i < slabCount_; ++i) ShelvePages(slabs_[i]);
    delete[] slabs_;
    slabs_ = nullptr;
    slabCount_ = slabRoom_ = frontSlab_ = frontFreed_ = 0;
    backUsed_ = kCellsPerSlab;
}

bool BranchTree::Add(const BranchTriangle& t) {
    if (Full()) return false;
    if (!KeepGoing(watch_)) {
        stopped_ = true;
        return false;
    }
    if (cover_.pixels > 0) {
        const double c = cover_.Cover(t);
        if (covered_ + c > cover_.pixels) {
            coverSpent_ = true;
            return false;
        }
        covered_ += c;
    }
    Cell* cell = NewCell();
    if (!cell) {
        outOfMemory_ = true;
        return false;
    }
    auto* payload = new (&cell->triangle) BranchTriangle(t);
    auto* node = new (&cell->node) FTTrNode;
    node->payload = payload;
    node->prev = tail_;
    tail_->next = node;
    tail_ = node;
    ++size_;
    if (gBranchCount < kMostBranchCount) ++gBranchCount;
    return true;
}

void BranchTree::UnlinkFirst() {
    FTTrNode* first = sentinel_.next;
    sentinel_.next = first->next;
    if (first->next) first->next->prev = &sentinel_;
    else tail_ = &sentinel_;
    first->~FTTrNode();
    --size_;
    // The first node is the oldest cell of the first live slab.
    if (size_ == 0) {
        FreeSlabs();
    } else if (++frontFreed_ == kCellsPerSlab) {
        ShelvePages(slabs_[frontSlab_++]);
        frontFreed_ = 0;
    }
}

void BranchTree::Clear() {
    // A node's destructor does nothing (it owns neither neighbour nor
    // payload): the slabs go whole.
    sentinel_.next = nullptr;
    tail_ = &sentinel_;
    size_ = 0;
    FreeSlabs();
}

}  // namespace frostel
