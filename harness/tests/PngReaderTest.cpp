// The test host's two PNG readers: the plain one (zlib and our own
// unfiltering) must give stb's pixels for every file it takes, and leave
// every other file to stb.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "ColorModel.h"
#include "ImageIO.h"

using namespace frostel::hostsim;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void Chunk(Bytes& out, const char* type, const Bytes& data) {
    Put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, uint32_t(crc32(0, &out[start], uInt(data.size() + 4))));
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// One scanline under filter `type` (0 to 4; others are written as they are,
// with a zero row), against the row above (null for a pass's first).
Bytes Filter(const Bytes& row, const Bytes* prior, size_t bpp, int type) {
    Bytes out{uint8_t(type)};
    for (size_t i = 0; i < row.size(); ++i) {
        const int a = i >= bpp ? row[i - bpp] : 0, b = prior ? (*prior)[i] : 0;
        const int c = prior && i >= bpp ? (*prior)[i - bpp] : 0;
        int predicted = 0;
        switch (type) {
            case 1: predicted = a; break;
            case 2: predicted = b; break;
            case 3: predicted = (a + b) >> 1; break;
            case 4: predicted = Paeth(a, b, c); break;
            default: break;
        }
        out.push_back(uint8_t(row[i] - predicted));
    }
    return out;
}

struct PngShape {
    uint32_t width = 0, height = 0;
    int depth = 8;
    int colourType = 2;
    bool interlaced = false;
};

int FileChannels(int colourType) {
    switch (colourType) {
        case 0: return 1;
        case 2: return 3;
        case 3: return 1;
        case 4: return 2;
        default: return 4;
    }
}

struct Pass {
    uint32_t x0, y0, dx, dy;
};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

struct Options {
    Bytes beforeData;         // whole chunks (PLTE, tRNS) between IHDR and IDAT
    int idatPieces = 3;       // the stream split over this many IDAT chunks, one of them empty
    int filterOffset = 0;     // scanline k is written with filter (k + offset) % 5
    int badFilterAt = -1;     // that scanline gets filter type 5
    bool badCheckValue = false;
    size_t extraBytes = 0;    // inflated bytes past the last scanline
    size_t cutStreamBy = 0;   // bytes taken off the end of the zlib stream
};

// A PNG of `pixels` (8-bit samples, rows of width * channels; for other
// depths and palettes the packed scanlines themselves), each scanline
// filtered in turn with the five filter types.
Bytes MakePng(const PngShape& shape, const Bytes& pixels, const Options& o = {}) {
    const int channels = FileChannels(shape.colourType);
    const size_t bits = size_t(channels) * size_t(shape.depth);
    const size_t bpp = std::max<size_t>(1, bits / 8);
    Bytes raw;
    int scanline = 0;
    auto addRows = [&](const std::vector<Bytes>& rows) {
        for (size_t y = 0; y < rows.size(); ++y, ++scanline) {
            const int type = scanline == o.badFilterAt ? 5 : (scanline + o.filterOffset) % 5;
            const Bytes* prior = y > 0 ? &rows[y - 1] : nullptr;
            const Bytes f = type == 5 ? Bytes(rows[y].size() + 1, 5) : Filter(rows[y], prior, bpp, type);
            raw.insert(raw.end(), f.begin(), f.end());
        }
    };
    if (!shape.interlaced) {
        const size_t rowBytes = (shape.width * bits + 7) / 8;
        std::vector<Bytes> rows;
        for (uint32_t y = 0; y < shape.height; ++y)
            rows.emplace_back(pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes);
        addRows(rows);
    } else {
        // 8-bit samples only: each pass's pixels picked from the image.
        for (const Pass& p : kAdam7) {
            std::vector<Bytes> rows;
            for (uint32_t y = p.y0; y < shape.height; y += p.dy) {
                Bytes row;
                for (uint32_t x = p.x0; x < shape.width; x += p.dx)
                    for (int c = 0; c < channels; ++c) row.push_back(pixels[(y * shape.width + x) * channels + c]);
                if (!row.empty()) rows.push_back(row);
            }
            addRows(rows);
        }
    }
    raw.insert(raw.end(), o.extraBytes, uint8_t(0x5A));
    uLongf size = compressBound(uLong(raw.size()));
    Bytes z(size);
    EXPECT_EQ(compress2(z.data(), &size, raw.data(), uLong(raw.size()), 6), Z_OK);
    z.resize(size - o.cutStreamBy);
    if (o.badCheckValue) z.back() ^= 0x01;

    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32(header, shape.width);
    Put32(header, shape.height);
    header.insert(header.end(), {uint8_t(shape.depth), uint8_t(shape.colourType), 0, 0, uint8_t(shape.interlaced)});
    Chunk(file, "IHDR", header);
    Chunk(file, "tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});  // ancillary: skipped
    file.insert(file.end(), o.beforeData.begin(), o.beforeData.end());
    const size_t pieces = size_t(std::max(o.idatPieces, 1));
    for (size_t i = 0, at = 0; i < pieces; ++i) {
        const size_t end = i + 1 == pieces ? z.size() : i == 1 ? at : std::min(z.size(), at + z.size() / pieces + 1);
        Chunk(file, "IDAT", Bytes(z.begin() + at, z.begin() + end));
        at = end;
    }
    Chunk(file, "IEND", {});
    return file;
}

// Samples that exercise every filter's carries and ties.
Bytes Samples(size_t n, uint32_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = (seed >> 28) < 5 ? uint8_t(i * 37) : uint8_t(seed >> 20);
    }
    return b;
}

void ExpectSame(const Image8& a, const Image8& b, int aChannels, int bChannels, const std::string& what) {
    EXPECT_EQ(a.width, b.width) << what;
    EXPECT_EQ(a.height, b.height) << what;
    EXPECT_EQ(a.channels, b.channels) << what;
    EXPECT_EQ(aChannels, bChannels) << what;
    EXPECT_TRUE(a.pixels == b.pixels) << what;
}

}  // namespace

TEST(PngReader, PlainFilesGiveStbsPixelsForEveryFilterWidthAndChannelCount) {
    int cases = 0;
    for (int colourType : {0, 2, 4, 6})
        for (uint32_t width : {1u, 2u, 7u, 33u})
            for (uint32_t height : {1u, 6u})
                for (int offset = 0; offset < 5; ++offset) {
                    const int n = FileChannels(colourType);
                    const Bytes pixels = Samples(size_t(width) * height * n, width * 131 + height + colourType);
                    Options o;
                    o.filterOffset = offset;
                    o.idatPieces = 1 + int(width % 4);
                    const Bytes file = MakePng({width, height, 8, colourType, false}, pixels, o);
                    for (int channels : {1, 3, 4}) {
                        const std::string what = "type " + std::to_string(colourType) + ", " + std::to_string(width) +
                                                 " x " + std::to_string(height) + ", filters from " +
                                                 std::to_string(offset) + ", as " + std::to_string(channels);
                        Image8 plain, stb, either;
                        int plainN = 0, stbN = 0, eitherN = 0;
                        std::string error;
                        ASSERT_TRUE(DecodePlainPng(file, channels, plain, error, &plainN)) << what;
                        ASSERT_TRUE(DecodePngWithStb(file, channels, stb, error, &stbN)) << what << ": " << error;
                        ASSERT_TRUE(DecodePng(file, channels, either, error, &eitherN)) << what;
                        ExpectSame(plain, stb, plainN, stbN, what);
                        ExpectSame(either, stb, eitherN, stbN, what);
                        EXPECT_EQ(plainN, n) << what;
                        if (channels == n) {
                            EXPECT_TRUE(plain.pixels == pixels) << what;
                        }
                        ++cases;
                    }
                }
    EXPECT_EQ(cases, 4 * 4 * 2 * 5 * 3);
}

TEST(PngReader, OtherKindsAreLeftToStb) {
    struct Kind {
        const char* name;
        PngShape shape;
        Bytes pixels;
        Bytes chunks;
    };
    const uint32_t w = 13, h = 9;
    Bytes palette, paletteAlpha, greyKey;
    for (int i = 0; i < 4; ++i) palette.insert(palette.end(), {uint8_t(60 * i), uint8_t(255 - 50 * i), uint8_t(7 * i)});
    Bytes plte;
    Chunk(plte, "PLTE", palette);
    Bytes trnsPalette = plte;
    Chunk(trnsPalette, "tRNS", {0, 128, 255});
    Bytes trnsGrey;
    Chunk(trnsGrey, "tRNS", {0, 77});
    Bytes indices = Samples(w * h, 5);
    for (uint8_t& i : indices) i &= 3;
    const std::vector<Kind> kinds = {
        {"interlaced RGB", {w, h, 8, 2, true}, Samples(w * h * 3, 1), {}},
        {"interlaced grey and alpha", {w, h, 8, 4, true}, Samples(w * h * 2, 2), {}},
        {"16-bit RGBA", {w, h, 16, 6, false}, Samples(w * h * 8, 3), {}},
        {"16-bit grey", {w, h, 16, 0, false}, Samples(w * h * 2, 4), {}},
        {"palette", {w, h, 8, 3, false}, indices, plte},
        {"palette with transparency", {w, h, 8, 3, false}, indices, trnsPalette},
        {"grey with a transparent value", {w, h, 8, 0, false}, Samples(w * h, 6), trnsGrey},
        {"1-bit grey", {w, h, 1, 0, false}, Samples((w + 7) / 8 * h, 7), {}},
        {"4-bit grey", {w, h, 4, 0, false}, Samples((w + 1) / 2 * h, 8), {}},
    };
    for (const Kind& k : kinds) {
        Options o;
        o.beforeData = k.chunks;
        const Bytes file = MakePng(k.shape, k.pixels, o);
        for (int channels : {1, 3, 4}) {
            const std::string what = std::string(k.name) + " as " + std::to_string(channels);
            Image8 plain, stb, either;
            int stbN = 0, eitherN = 0;
            std::string error;
            EXPECT_FALSE(DecodePlainPng(file, channels, plain, error)) << what;
            ASSERT_TRUE(DecodePngWithStb(file, channels, stb, error, &stbN)) << what << ": " << error;
            ASSERT_TRUE(DecodePng(file, channels, either, error, &eitherN)) << what;
            ExpectSame(either, stb, eitherN, stbN, what);
        }
    }
    // The interlaced writer above is right: stb gives the picture back.
    const Bytes rgb = Samples(w * h * 3, 1);
    Image8 back;
    std::string error;
    ASSERT_TRUE(DecodePng(MakePng({w, h, 8, 2, true}, rgb), 3, back, error)) << error;
    EXPECT_TRUE(back.pixels == rgb);
}

TEST(PngReader, FaultsEndAsStbEndsThem) {
    const PngShape shape{21, 11, 8, 6, false};
    const Bytes pixels = Samples(21 * 11 * 4, 9);
    std::string error;
    Image8 plain, stb, either;

    // stb skips the stream's check value: so must the reader as a whole.
    Options bad;
    bad.badCheckValue = true;
    Bytes file = MakePng(shape, pixels, bad);
    EXPECT_FALSE(DecodePlainPng(file, 4, plain, error));
    ASSERT_TRUE(DecodePngWithStb(file, 4, stb, error)) << error;
    ASSERT_TRUE(DecodePng(file, 4, either, error)) << error;
    EXPECT_TRUE(either.pixels == pixels);

    // Inflated data past the last row is read past by both.
    Options extra;
    extra.extraBytes = 1000;
    file = MakePng(shape, pixels, extra);
    ASSERT_TRUE(DecodePlainPng(file, 4, plain, error));
    EXPECT_TRUE(plain.pixels == pixels);

    // A filter type that does not exist, a stream cut short, a file cut
    // short, no pixel data at all: no picture from either.
    Options filter;
    filter.badFilterAt = 6;
    Options cut;
    cut.cutStreamBy = 40;
    const Bytes whole = MakePng(shape, pixels);
    Bytes noData = whole;
    noData.resize(33);  // signature and header
    Chunk(noData, "IEND", {});
    const std::vector<std::pair<const char*, Bytes>> broken = {
        {"filter 5", MakePng(shape, pixels, filter)},
        {"stream cut", MakePng(shape, pixels, cut)},
        {"file cut", Bytes(whole.begin(), whole.begin() + long(whole.size()) / 2)},
        {"no IDAT", noData},
    };
    for (const auto& [name, bytes] : broken) {
        EXPECT_FALSE(DecodePlainPng(bytes, 4, plain, error)) << name;
        EXPECT_FALSE(DecodePngWithStb(bytes, 4, stb, error)) << name;
        error.clear();
        EXPECT_FALSE(DecodePng(bytes, 4, either, error)) << name;
        EXPECT_NE(error.find("not a readable PNG"), std::string::npos) << name << ": " << error;
    }
}

TEST(PngReader, DocumentsComeFromEitherReaderAlike) {
    // A grey and alpha file takes the plain reader, the same file interlaced
    // takes stb's: one document.
    const uint32_t w = 10, h = 7;
    const Bytes pixels = Samples(w * h * 2, 11);
    const Bytes plainFile = MakePng({w, h, 8, 4, false}, pixels);
    const Bytes interlacedFile = MakePng({w, h, 8, 4, true}, pixels);
    Image8 probe;
    std::string error;
    ASSERT_TRUE(DecodePlainPng(plainFile, 4, probe, error));
    ASSERT_FALSE(DecodePlainPng(interlacedFile, 4, probe, error));
    for (int16_t mode : {pi::plugInModeRGBColor, pi::plugInModeCMYKColor})
        for (int16_t planes : {0, 1, 5}) {
            Document a, b;
            ASSERT_TRUE(DocumentFromPng(plainFile, mode, false, a, error, planes)) << error;
            ASSERT_TRUE(DocumentFromPng(interlacedFile, mode, false, b, error, planes)) << error;
            EXPECT_EQ(a.planes, b.planes);
            EXPECT_EQ(a.planes, planes != 0 ? planes : mode == pi::plugInModeCMYKColor ? 5 : 4);
            EXPECT_TRUE(a.pixels == b.pixels) << "mode " << mode << ", planes " << planes;
            const uint8_t grey = pixels[(2 * w + 3) * 2];
            const uint8_t first = mode == pi::plugInModeCMYKColor ? RgbToCmyk({grey, grey, grey}).c : grey;
            EXPECT_EQ(a.At(3, 2)[0], first);
        }
}
