// Fuzz target: points on a quarter-pixel lattice of a small frame (many
// collinear, duplicate and frame points) and ribs between them. Every run
// must either fail with one of the triangulation's texts or leave a valid
// constrained Delaunay triangulation; the sanitizers watch the memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../mesh/TriangulationChecks.h"
#include "Triangulation.h"

using namespace frostel;

namespace {

void Fail(const std::string& what) {
    std::fprintf(stderr, "triangulation invariant broken: %s\n", what.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const float width = 4.0f + data[0] % 61, height = 4.0f + data[1] % 61;
    const size_t ribBytes = data[2] % 64 * 2;
    size_t at = 3;
    CPointSet set;
    CMyPoint* const corners[4] = {set.Insert(0, 0, kFrameZ), set.Insert(width, 0, kFrameZ),
                                  set.Insert(width, height, kFrameZ), set.Insert(0, height, kFrameZ)};
    std::vector<CMyPoint*> points(corners, corners + 4);
    const size_t pointBytes = size - at > ribBytes ? size - at - ribBytes : 0;
    for (size_t n = 0; n + 4 <= pointBytes && points.size() < 400; n += 4, at += 4) {
        const unsigned vx = data[at] | (data[at + 1] << 8), vy = data[at + 2] | (data[at + 3] << 8);
        const float x = static_cast<float>(vx % (static_cast<unsigned>(width) * 4 + 1)) / 4.0f;
        const float y = static_cast<float>(vy % (static_cast<unsigned>(height) * 4 + 1)) / 4.0f;
        points.push_back(set.Insert(x, y, kFrameZ));
    }
    std::vector<CRibPtr> ribs;
    for (; at + 2 <= size; at += 2) {
        CMyPoint* a = points[data[at] % points.size()];
        CMyPoint* b = points[data[at + 1] % points.size()];
        if (a != b) ribs.emplace_back(new CRib(a, b, 0, 0));
    }
    {
        CTriangulation tri(set);
        try {
            if (!tri.BuildDelone2(corners)) return 0;
        } catch (const char*) {
            return 0;
        }
        std::string broken = testing::CheckAll(tri, width, height);
        if (!broken.empty()) Fail("after building: " + broken);
        bool ribsIn = false;
        try {
            tri.AddRestrictionRibs(ribs, set);
            ribsIn = true;
        } catch (const char*) {
        }
        // After a failed rib the structure must still hold; after a
        // successful one also the constrained Delaunay property.
        broken = testing::CheckStructure(tri.Triangles(), tri.TriangleCount(), width, height);
        if (broken.empty()) broken = testing::CheckEuler(tri.Triangles(), tri.TriangleCount(), width, height);
        if (broken.empty() && ribsIn) broken = testing::CheckDelaunay(tri.Triangles(), tri.TriangleCount());
        if (!broken.empty()) Fail("after the ribs: " + broken);
        if (ribsIn)
            for (const CRibPtr& r : ribs)
                if (!r->a->triangles.empty() && !testing::IsRestrictedSide(r->a.get(), r->b.get())) {
                    // Split ribs end on restricted pieces; a whole one must be a side.
                    bool piece = false;
                    for (const CTriangles* t : r->a->triangles)
                        for (int k = 0; k < 3; ++k)
                            if (t->side[k] != 0 &&
                                (t->vertex[k].get() == r->a.get() || t->vertex[(k + 1) % 3].get() == r->a.get()))
                                piece = true;
                    if (!piece) Fail("a rib end has no restricted side");
                }
    }
    // The triangulation unlisted the ribs it adopted; the ones it never saw
    // (a failed build) are unlisted here.
    for (CRibPtr& r : ribs) {
        r->a->RemoveRib(r.get());
        r->b->RemoveRib(r.get());
    }
    return 0;
}
