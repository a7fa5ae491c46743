#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "MeshPoint.h"

namespace frostel {
namespace {

TEST(MeshPointTest, PointerCountsAndFreesAtTheLastRelease) {
    CMyPointPtr a(new CMyPoint(1, 2, 3));
    EXPECT_EQ(a->RefCount(), 1);
    {
        CMyPointPtr b = a;
        CMyPointPtr c;
        c = b;
        EXPECT_EQ(a->RefCount(), 3);
        c = c;  // self-assignment keeps the count
        EXPECT_EQ(a->RefCount(), 3);
        CMyPointPtr moved(std::move(b));
        EXPECT_FALSE(b);
        EXPECT_EQ(a->RefCount(), 3);
    }
    EXPECT_EQ(a->RefCount(), 1);
    // The only holder re-pointed at its own target must not free it first.
    a = CMyPointPtr(a.get());
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_EQ(a->z, 3.0f);
}

TEST(MeshPointTest, RibJoinsTwoPointsUntilRemovedFromBoth) {
    CMyPointPtr a(new CMyPoint(0, 0, 0)), b(new CMyPoint(1, 0, 0));
    CRib* rib = new CRib(a.get(), b.get(), 3, 4);
    EXPECT_EQ(rib->RefCount(), 2);
    EXPECT_EQ(a->RefCount(), 2);
    EXPECT_TRUE(a->flags & kPointRibEnd);
    EXPECT_TRUE(b->flags & kPointRibEnd);
    ASSERT_EQ(a->ribs.size(), 1u);
    EXPECT_EQ(a->ribs.front().get(), rib);
    EXPECT_EQ(rib->flag1, 3);
    EXPECT_EQ(rib->flag2, 4);

    a->RemoveRib(rib);
    EXPECT_TRUE(a->ribs.empty());
    EXPECT_EQ(rib->RefCount(), 1);
    b->RemoveRib(rib);  // last reference: the rib goes and lets go of both ends
    EXPECT_TRUE(b->ribs.empty());
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_EQ(b->RefCount(), 1);
    EXPECT_FALSE(a->flags & kPointRibEnd);
    EXPECT_FALSE(b->flags & kPointRibEnd);
}

TEST(MeshPointTest, TriangleCopiesCountTheirVertices) {
    CMyPointPtr p(new CMyPoint(0, 0, 0));
    CTriangles t;
    EXPECT_EQ(t.status, 0x79);
    EXPECT_EQ(t.neighbour[1], nullptr);
    t.vertex[0] = p;
    t.neighbour[2] = &t;
    t.side[1] = 1;
    t.flags = 5;
    {
        CTriangles u;
        u = t;
        EXPECT_EQ(p->RefCount(), 3);
        EXPECT_EQ(u.neighbour[2], &t);
        EXPECT_EQ(u.side[1], 1);
        EXPECT_EQ(u.flags, 5u);
    }
    EXPECT_EQ(p->RefCount(), 2);
}

TEST(MeshPointTest, TolerantOrder) {
    CMyPointLess less;
    const CMyPoint o(0, 0, 0), dx(0.02f, 0, 0), dy(0, 5, 0), near(0.009f, -0.009f, 0.005f);
    EXPECT_TRUE(less(o, dx));
    EXPECT_FALSE(less(dx, o));
    EXPECT_TRUE(less(o, dy));  // x equal, y decides
    EXPECT_FALSE(less(o, near));
    EXPECT_FALSE(less(near, o));
    EXPECT_TRUE(CMyPointEqual(o, near));
    EXPECT_FALSE(CMyPointEqual(o, CMyPoint(0, 0, 0.011f)));
}

TEST(MeshPointTest, PointSetKeepsTheFirstOfNearTwins) {
    CPointSet set;
    CMyPoint* first = set.Insert(1.0f, 2.0f, -10.0f);
    EXPECT_EQ(set.Insert(1.005f, 2.009f, -10.0f), first);
    EXPECT_EQ(set.size(), 1u);
    EXPECT_EQ(first->x, 1.0f);
    CMyPoint* other = set.Insert(1.011f, 2.0f, -10.0f);
    EXPECT_NE(other, first);
    EXPECT_EQ(set.size(), 2u);

    // A chain where a tree search under the tolerant order alone would walk
    // past the twin: (0.008, 0) is near (0, 0), but (0.005, 10) sorts between.
    CPointSet chain;
    CMyPoint* origin = chain.Insert(0.0f, 0.0f, 0.0f);
    chain.Insert(0.005f, 10.0f, 0.0f);
    EXPECT_EQ(chain.Insert(0.008f, 0.0f, 0.0f), origin);
    EXPECT_EQ(chain.size(), 2u);

    // Lookup finds the stored twin of a key; erase drops only the set's hold.
    CMyPointPtr keep(origin);
    const CMyPoint key(0.004f, 0.003f, 0.0f);
    auto it = chain.Lookup(key);
    ASSERT_NE(it, chain.end());
    EXPECT_EQ(it->get(), origin);
    chain.Erase(it);
    EXPECT_EQ(chain.size(), 1u);
    EXPECT_EQ(origin->RefCount(), 1);
    EXPECT_NE(chain.Insert(0.001f, 0.0f, 0.0f), origin);
}

TEST(MeshPointTest, PointsOutliveTheirSetAndGoWithTheirLastHolder) {
    // Several slabs' worth of points, some held past the set, some erased
    // early; the sanitizer catches a slab freed under a live point or kept
    // after its last one.
    std::vector<CMyPointPtr> kept;
    {
        CPointSet set;
        for (int i = 0; i < 5000; ++i) {
            CMyPoint* p = set.Insert(static_cast<float>(i % 97), static_cast<float>(i / 97), kContourZ);
            if (i % 7 == 0) kept.emplace_back(p);
        }
        set.EraseIf([](const CMyPoint& p) { return static_cast<int>(p.x) % 2 == 0; });
        // Odd x: 48 in each of the 51 full rows, 26 in the last (x < 53).
        EXPECT_EQ(set.size(), 51u * 48 + 26);
        // Erased points that nothing else holds are gone; the set still finds
        // the others.
        EXPECT_EQ(set.FindNear(2.0f, 3.0f, kContourZ), nullptr);
        EXPECT_NE(set.FindNear(3.0f, 3.0f, kContourZ), nullptr);
    }
    ASSERT_EQ(kept.size(), 715u);
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i]->RefCount(), 1);
        EXPECT_EQ(kept[i]->x, static_cast<float>(i * 7 % 97));
    }
    kept.clear();
}

TEST(MeshPointTest, PointSetMatchesABruteForceOnDenseClusters) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> cell(0, 40);
    for (int round = 0; round < 5; ++round) {
        CPointSet set;
        std::vector<CMyPoint*> stored;
        for (int i = 0; i < 2000; ++i) {
            // Coordinates on a 0.004 grid: many near twins, many chains.
            const float x = 10.0f + cell(rng) * 0.004f, y = -3.0f + cell(rng) * 0.004f, z = (rng() % 3) * 0.004f;
            CMyPoint* twin = nullptr;
            for (CMyPoint* s : stored)
                if (CMyPointEqual(*s, CMyPoint(x, y, z))) twin = s;
            CMyPoint* got = set.Insert(x, y, z);
            if (twin) {
                ASSERT_TRUE(CMyPointEqual(*got, CMyPoint(x, y, z)));
                ASSERT_NE(std::find(stored.begin(), stored.end(), got), stored.end());
            } else {
                ASSERT_EQ(got->x, x);
                stored.push_back(got);
            }
            ASSERT_EQ(set.size(), stored.size());
        }
        // The set's order is the plain order of its points.
        for (auto it = set.begin(); std::next(it) != set.end(); ++it) ASSERT_TRUE(CMyPointLess()(*it, *std::next(it)));
    }
}

}  // namespace
}  // namespace frostel
