#include "GrowthTree.h"

#include <cmath>
#include <new>

namespace frostel {

int32_t gBranchCount = 0;

void SegmentNormal(float x1, float y1, float x2, float y2, float& nx, float& ny) {
    nx = y2 - y1;
    ny = x1 - x2;
    const float len = std::sqrt(nx * nx + ny * ny);
    if (len != 0.0f) {
        nx /= len;
        ny /= len;
    }
}

BranchTree::BranchTree(int32_t budget, WorkWatch* watch) : budget_(budget), watch_(watch) {}

BranchTree::~BranchTree() { Clear(); }

bool BranchTree::Add(const BranchTriangle& t) {
    if (Full()) return false;
    if (!KeepGoing(watch_)) {
        stopped_ = true;
        return false;
    }
    auto* payload = new (std::nothrow) BranchTriangle(t);
    auto* node = payload ? new (std::nothrow) FTTrNode : nullptr;
    if (!node) {
        delete payload;
        outOfMemory_ = true;
        return false;
    }
    node->payload = payload;
    node->prev = tail_;
    tail_->next = node;
    tail_ = node;
    ++size_;
    ++gBranchCount;
    return true;
}

void BranchTree::Unlink(FTTrNode* first) {
    sentinel_.next = first->next;
    if (first->next) first->next->prev = &sentinel_;
    else tail_ = &sentinel_;
    delete first->payload;
    delete first;
    --size_;
}

void BranchTree::Clear() {
    while (FTTrNode* n = sentinel_.next) Unlink(n);
}

}  // namespace frostel
