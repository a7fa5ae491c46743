// Grows a small crystal on every rib of an emitter, seeding the generator
// per rib as the scene driver does: one triangle on the rib and a one-level
// fan from its first vertex along the rib's normal.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "BranchGrowers.h"
#include "Emitter.h"
#include "GrowthRandom.h"

namespace frostel::testing {

// Triangles per rib: one on the rib, seven in the fan (T = 15, It = 1).
constexpr int kTrianglesPerRib = 8;

inline std::vector<BranchTriangle> GrowAlong(const Emitter& e, uint32_t seed) {
    gBranchCount = 0;
    BranchTree tree;
    for (int i = 0; i < e.ribCount(); ++i) {
        SeedGrowthRandom(seed + uint32_t(i));
        const PatternRib& r = e.ribs()[i];
        const PatternVertex& a = e.vertices()[r.a];
        const PatternVertex& b = e.vertices()[r.b];
        AddBranchTriangle(tree, a.x, a.y, b.x, b.y, r.nx, r.ny, r.length * 0.5f, 1.0f);
        GrowBranchRecursive(i, 1, tree, 0, a.x, a.y, 0, r.nx, r.ny, 0, 0.4f, 12, 0.2f, 0.1f, 0.3f, 0.5f, 15, 1);
    }
    std::vector<BranchTriangle> out;
    tree.Drain([&](const BranchTriangle& t) { out.push_back(t); });
    return out;
}

inline bool SameBytes(const std::vector<BranchTriangle>& a, const std::vector<BranchTriangle>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(BranchTriangle)) == 0;
}

}  // namespace frostel::testing
