// The contours' output pinned down bit for bit. The expected digests were
// taken from the straightforward implementation (linked point lists, a
// tree-ordered point set, corner-by-corner border raster) before it was made
// fast; the fast one must hand out the very same points, edges, weights and
// order, keep the same point set, and leave the relief's triangles as they
// were. A digest that changes is a changed output, never a new baseline.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MedianFilter.h"
#include "MeshBuilder.h"
#include "PageMemory.h"
#include "TestMasks.h"

namespace frostel {
namespace {

using test::Mask;

// FNV-1a over the bytes of everything fed to it.
class Digest {
public:
    template <typename T>
    void Add(const T& v) {
        AddBytes(&v, sizeof v);
    }
    void AddBytes(const void* data, size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 0x100000001B3ull;
    }
    void AddSet(const CPointSet& set) {
        Add(set.size());
        for (const CMyPointPtr& p : set) {
            Add(p->x), Add(p->y), Add(p->z), Add(p->flags);
        }
    }
    uint64_t Value() const { return h_; }

private:
    uint64_t h_ = 0xCBF29CE484222325ull;
};

// The raw trace: every line's points, flags and regions, then the set.
void AddTrace(Digest& d, const Mask& m) {
    TCRaster<unsigned char> raster(m.width, m.height, kOutsideValue);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) raster.Set(x, y, m.pixels[static_cast<size_t>(y) * m.width + x]);
    CMeshBuilder builder;
    ContourList lines;
    builder.FindBorderLines(raster, lines);
    d.Add(lines.size());
    for (const auto& line : lines) {
        d.Add(line->closed), d.Add(line->regionA), d.Add(line->regionB), d.Add(line->points.size());
        for (const CMyPointPtr& p : line->points) d.Add(p->x), d.Add(p->y), d.Add(p->flags);
    }
    d.AddSet(builder.PointSet());
}

// LoadMask with the given stride (padding bytes hold noise): result, counts,
// the two blocks, then the point set it keeps.
void AddLoad(Digest& d, const Mask& m, float step, int spacing, int stride) {
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * m.height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 37 + 11);
    for (int y = 0; y < m.height; ++y)
        std::memcpy(&rows[static_cast<size_t>(y) * stride], &m.pixels[static_cast<size_t>(y) * m.width], m.width);
    CMeshBuilder builder;
    int pc = -1, ec = -1;
    float* points = nullptr;
    ContourEdge* edges = nullptr;
    const bool ok = builder.LoadMask(m.width, m.height, stride, rows.data(), step, spacing, pc, ec, points, edges);
    d.Add(ok), d.Add(pc), d.Add(ec);
    if (points && edges) {
        d.AddBytes(points, sizeof(float) * 2 * static_cast<size_t>(pc));
        d.AddBytes(edges, sizeof(ContourEdge) * static_cast<size_t>(ec));
        FreePages(points);
        FreePages(edges);
    }
    d.AddSet(builder.PointSet());
}

// The long load: every triangle's corners.
void AddRelief(Digest& d, const Mask& m, float step, int spacing) {
    CMeshBuilder builder;
    CTriangles** triangles = nullptr;
    int count = -1;
    const bool ok = builder.LoadMask(m.width, m.height, m.width, m.pixels.data(), step, spacing, triangles, count);
    d.Add(ok), d.Add(count);
    for (int i = 0; ok && i < count; ++i)
        for (const CMyPointPtr& v : triangles[i]->vertex) d.Add(v->x), d.Add(v->y), d.Add(v->z);
    d.AddSet(builder.PointSet());
}

// The scene driver's masks: a brightness plane median-smoothed and cut into
// four levels, or at half into two.
Mask BrightnessMask(int w, int h, bool binary, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int wave = ((x * 7 + y * 3) / 9 % 64) + ((x * x + 2 * y * y) / 97 % 130);
            plane[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(wave + rng() % 60);
        }
    Mask m = test::FilledMask(w, h, 0);
    MedianFilter8(m.pixels.data(), plane.data(), w, h, 11);
    for (auto& v : m.pixels) v = binary ? (v >= 128 ? 255 : 0) : static_cast<uint8_t>(v / 84 * 84);
    return m;
}

Mask Checkerboard(int w, int h, int period, int values) {
    Mask m = test::FilledMask(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.at(x, y) = static_cast<uint8_t>((x / period + y / period) % values * 40);
    return m;
}

struct Case {
    std::string name;
    Mask mask;
    uint64_t expected;
};

// A random mask: noise, blobs, a checkerboard with flipped pixels or a
// median-smoothed plane, of random size and number of values.
Mask RandomMask(uint32_t seed) {
    std::mt19937 rng(seed);
    const int w = 1 + static_cast<int>(rng() % 90), h = 1 + static_cast<int>(rng() % 70);
    const int levels = 2 + static_cast<int>(rng() % 6);
    switch (seed % 4) {
        case 0:
            return test::NoiseMask(w, h, levels, rng());
        case 1:
            return test::SmoothMask(w, h, levels, rng(), 0.2 + (rng() % 10) / 10.0);
        case 2: {
            Mask m = Checkerboard(w, h, 1 + static_cast<int>(rng() % 3), levels);
            for (int k = 0; k < w * h / 8; ++k) m.pixels[rng() % m.pixels.size()] = static_cast<uint8_t>(rng() % levels * 40);
            return m;
        }
        default: {
            std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
            for (auto& v : plane) v = static_cast<uint8_t>(rng());
            Mask m = test::FilledMask(w, h, 0);
            MedianFilter8(m.pixels.data(), plane.data(), w, h, 1 + static_cast<int>(rng() % 13));
            for (auto& v : m.pixels) v = static_cast<uint8_t>(v / 84 * 84);
            return m;
        }
    }
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    auto add = [&](const char* name, Mask m, uint64_t expected) { cases.push_back({name, std::move(m), expected}); };
    Mask single = test::FilledMask(1, 1, 255);
    add("1x1", single, 0x1DA96611FC3FDB8Eull);
    add("1x9 noise", test::NoiseMask(1, 9, 2, 1), 0x12AB7A57EDC66A4Bull);
    add("9x1 noise", test::NoiseMask(9, 1, 4, 2), 0xF77AB1A2849414B9ull);
    add("2x2 checker", Checkerboard(2, 2, 1, 2), 0x92F51094F81DBB3Bull);
    add("3x3 three values", Checkerboard(3, 3, 1, 3), 0x168DA007B4061889ull);
    add("16x16 checker", Checkerboard(16, 16, 1, 2), 0x302E4C39688E07ACull);
    add("37x20 checker of three", Checkerboard(37, 20, 2, 3), 0x595FE914D8BCFE06ull);
    add("13x7 binary noise", test::NoiseMask(13, 7, 2, 3), 0xD038D3D0F8D062C4ull);
    add("31x29 4-level noise", test::NoiseMask(31, 29, 4, 4), 0xD40B724087D4C993ull);
    add("64x64 7-level noise", test::NoiseMask(64, 64, 7, 5), 0x151332362C6AFAD4ull);
    add("64x48 binary noise", test::NoiseMask(64, 48, 2, 6), 0x8480ED111B39DDE0ull);
    add("97x61 smooth 4-level", test::SmoothMask(97, 61, 4, 7), 0x65EC9E0DF12F3DBAull);
    add("120x80 smooth binary", test::SmoothMask(120, 80, 2, 8, 0.3), 0x6CE452902F8E4479ull);
    add("200x150 smooth 4-level", test::SmoothMask(200, 150, 4, 9, 0.5), 0xC993A271F7C01838ull);
    add("160x120 brightness 4-level", BrightnessMask(160, 120, false, 10), 0x91B22E32F37A7DACull);
    add("333x211 brightness 4-level", BrightnessMask(333, 211, false, 11), 0x13DAF95C1E490217ull);
    add("301x199 brightness binary", BrightnessMask(301, 199, true, 12), 0x184D2C43FF8C5DBFull);
    add("uniform 40x30", test::FilledMask(40, 30, 84), 0xDCCC869267E7AAE7ull);
    const uint64_t randomDigests[] = {
        0xFD78A760522B2739ull,
        0xF37DADCDDFE7C74Cull,
        0x6B0374EDF25119D0ull,
        0x746611EBF20A743Cull,
        0x26A500B2F2B2E56Dull,
        0x472427C68F5C5034ull,
        0x1146505C5D9748A3ull,
        0x1A9F9855BB238C70ull,
        0x9950B3C6E5B996CAull,
        0xEECA8F40FF441DE7ull,
        0xAD3C0763F3105B20ull,
        0x6E2F1383A598BDCFull,
        0x512A01CFE712A4C8ull,
        0x360F82A3C4088D69ull,
        0x31CBB8F1D028C184ull,
        0xE9CEA1A26C823785ull,
    };
    for (uint32_t i = 0; i < 16; ++i)
        cases.push_back({"random " + std::to_string(i), RandomMask(1000 + i), randomDigests[i]});
    return cases;
}

TEST(ContourGoldenTest, OutputsAreThoseOfTheReferenceImplementation) {
    const struct { float step; int spacing; } settings[] = {{1.0f, 10}, {1.0f, 2}, {0.3f, 3}, {2.5f, 5}, {10.0f, 30}};
    std::string report;
    for (const Case& c : Cases()) {
        Digest d;
        AddTrace(d, c.mask);
        for (auto s : settings) AddLoad(d, c.mask, s.step, s.spacing, c.mask.width);
        // Padded rows: a stride past the row, the padding full of values.
        AddLoad(d, c.mask, 1.0f, 10, c.mask.width + 5);
        if (c.mask.width >= 8 && c.mask.height >= 8) AddRelief(d, c.mask, 1.0f, 10);
        if (d.Value() != c.expected) {
            char line[160];
            std::snprintf(line, sizeof line, "    add(\"%s\", ..., 0x%016llXull);\n", c.name.c_str(),
                          static_cast<unsigned long long>(d.Value()));
            report += line;
        }
    }
    EXPECT_TRUE(report.empty()) << "outputs differ from the reference:\n" << report;
}

}  // namespace
}  // namespace frostel
