#include "Emitter.h"

#include <cstring>
#include <utility>

namespace frostel {

bool Emitter::Allocate(int vertexCount, int ribCount) {
    Clear();
    if (vertexCount < 0 || ribCount < 0) return false;
    // Built anew for every growth: in the dialog from the last one's blocks, cleared.
    PageBlock v = PageBlock::Taken(size_t(vertexCount) * sizeof(PatternVertex));
    PageBlock r = PageBlock::Taken(size_t(ribCount) * sizeof(PatternRib));
    if ((vertexCount > 0 && !v) || (ribCount > 0 && !r)) return false;
    if (v) std::memset(v.get(), 0, size_t(vertexCount) * sizeof(PatternVertex));
    if (r) std::memset(r.get(), 0, size_t(ribCount) * sizeof(PatternRib));
    vertices_ = std::move(v);
    ribs_ = std::move(r);
    vertexCount_ = vertexCount;
    ribCount_ = ribCount;
    return true;
}

void Emitter::Clear() {
    vertices_ = PageBlock();
    ribs_ = PageBlock();
    vertexCount_ = ribCount_ = 0;
}

bool EmitterRibs::Next(EmitterRib& out) {
    while (next_ < e_.ribCount()) {
        const int i = next_++;
        const PatternRib& r = e_.ribs()[i];
        if (r.a < 0 || r.b < 0 || r.a >= e_.vertexCount() || r.b >= e_.vertexCount()) continue;
        out.index = i;
        out.a = e_.vertices()[r.a];
        out.b = e_.vertices()[r.b];
        out.rib = r;
        out.inReach = true;
        return true;
    }
    return false;
}

void FigureBuilder::PushVertex(float x, float y, float z, float nx, float ny, float nz) {
    PatternVertex v{};
    v.x = x;
    v.y = y;
    v.z = z;
    v.nx = nx;
    v.ny = ny;
    v.nz = nz;
    v.hasNormal = 1;
    vertices_.push_back(v);
}

void FigureBuilder::PushRib(int a, int b, float nx, float ny, float nz, float length) {
    PatternRib r{};
    r.a = a;
    r.b = b;
    r.nx = nx;
    r.ny = ny;
    r.nz = nz;
    r.length = length;
    r.flag = 1;
    ribs_.push_back(r);
}

bool FigureBuilder::Flatten(Emitter& out) {
    const bool ok = out.Allocate(vertexCount(), ribCount());
    if (ok) {
        if (!vertices_.empty()) std::memcpy(out.vertices(), vertices_.data(), vertices_.size() * sizeof(PatternVertex));
        if (!ribs_.empty()) std::memcpy(out.ribs(), ribs_.data(), ribs_.size() * sizeof(PatternRib));
    }
    std::vector<PatternVertex>().swap(vertices_);
    std::vector<PatternRib>().swap(ribs_);
    return ok;
}

}  // namespace frostel
