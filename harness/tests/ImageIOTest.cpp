#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "ColorModel.h"
#include "ImageIO.h"

using namespace frostel::hostsim;

namespace {

std::vector<uint8_t> Png(int32_t w, int32_t h, int channels, uint8_t seed) {
    Image8 img;
    img.width = w;
    img.height = h;
    img.channels = channels;
    for (int32_t i = 0; i < w * h * channels; ++i) img.pixels.push_back(uint8_t(seed + i * 7));
    std::vector<uint8_t> file;
    std::string error;
    EXPECT_TRUE(EncodePng(img, file, error)) << error;
    return file;
}

}  // namespace

TEST(ColorModelTest, EveryRgbColourSurvivesTheRoundTrip) {
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7) {
                const Rgb in{uint8_t(r), uint8_t(g), uint8_t(b)};
                const Rgb out = CmykToRgb(RgbToCmyk(in));
                ASSERT_TRUE(out.r == in.r && out.g == in.g && out.b == in.b) << r << "," << g << "," << b;
            }
    // Planes as the interface stores them: 255 is no ink.
    const Cmyk white = RgbToCmyk({255, 255, 255});
    EXPECT_EQ(white.c + white.m + white.y + white.k, 4 * 255);
    EXPECT_EQ(RgbToCmyk({0, 0, 0}).k, 0);
    EXPECT_EQ(RgbToCmyk({0, 0, 0}).c, 255);
    const Rgb clipped = CmykToRgb({5, 255, 255, 155});  // more cyan than the black leaves room for
    EXPECT_EQ(clipped.r, 0);
    EXPECT_EQ(clipped.g, 155);
}

TEST(ColorModelTest, SixteenBitValuesRoundTripOnTheirOwnScale) {
    for (int r = 0; r <= 32768; r += 4096 + 7)
        for (int g = 0; g <= 32768; g += 8191)
            for (int b : {0, 1, 16384, 32767, 32768}) {
                const uint16_t in[3] = {uint16_t(r), uint16_t(g), uint16_t(b)};
                uint16_t cmyk[4], out[3];
                RgbToCmykPlanes<uint16_t>(32768, in, cmyk);
                for (uint16_t v : cmyk) ASSERT_LE(v, 32768);
                CmykPlanesToRgb<uint16_t>(32768, cmyk, out);
                ASSERT_TRUE(out[0] == in[0] && out[1] == in[1] && out[2] == in[2]) << r << "," << g << "," << b;
            }
}

TEST(ImageIOTest, RgbAndRgbaFilesBecomeDocumentsAndBack) {
    for (int channels : {3, 4}) {
        const std::vector<uint8_t> file = Png(5, 3, channels, 11);
        Document doc;
        std::string error;
        ASSERT_TRUE(DocumentFromPng(file, pi::plugInModeRGBColor, false, doc, error)) << error;
        EXPECT_EQ(doc.planes, channels);
        EXPECT_EQ(doc.width, 5);
        EXPECT_EQ(doc.height, 3);
        EXPECT_EQ(doc.At(1, 0)[0], uint8_t(11 + channels * 7));
        std::vector<uint8_t> again;
        ASSERT_TRUE(DocumentToPng(doc, again, error)) << error;
        Image8 a, b;
        ASSERT_TRUE(DecodePng(file, 4, a, error));
        ASSERT_TRUE(DecodePng(again, 4, b, error));
        EXPECT_EQ(a.pixels, b.pixels);
    }
}

TEST(ImageIOTest, LargePicturesEncodeInBandsIntoOneValidStream) {
    // 8 MB of pixels: eight bands deflated apart and joined.
    Image8 img;
    img.width = 1000, img.height = 2000, img.channels = 4;
    img.pixels.resize(size_t(img.width) * img.height * 4);
    uint32_t state = 12345;
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        state = state * 1103515245u + 12345u;
        // Smooth with noise, so that rows both match and differ.
        img.pixels[i] = uint8_t((i / 4 % 1000) / 4 + ((state >> 24) & 7));
    }
    std::vector<uint8_t> file, again;
    std::string error;
    ASSERT_TRUE(EncodePng(img, file, error)) << error;
    ASSERT_TRUE(EncodePng(img, again, error)) << error;
    EXPECT_TRUE(file == again);
    Image8 back;
    ASSERT_TRUE(DecodePng(file, 4, back, error)) << error;
    EXPECT_EQ(back.width, img.width);
    EXPECT_EQ(back.height, img.height);
    EXPECT_TRUE(back.pixels == img.pixels);
    // The stream's own check value must hold too, which a lenient decoder skips.
    const uint8_t idat[4] = {'I', 'D', 'A', 'T'};
    const auto at = std::search(file.begin(), file.end(), idat, idat + 4);
    ASSERT_NE(at, file.end());
    const size_t length = size_t(at[-4]) << 24 | size_t(at[-3]) << 16 | size_t(at[-2]) << 8 | size_t(at[-1]);
    std::vector<uint8_t> raw(size_t(img.width * 4 + 1) * img.height);
    uLongf rawSize = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &rawSize, &*(at + 4), uLong(length)), Z_OK);
    EXPECT_EQ(rawSize, raw.size());
}

TEST(ImageIOTest, LargeDocumentsOfEveryShapeEncodeInBands) {
    // Rows converted for the file (not three planes of RGB) in bands of their
    // own: each band's first row is filtered against a row it converts too.
    for (int16_t planes : {1, 4, 5}) {
        for (int16_t mode : {pi::plugInModeRGBColor, pi::plugInModeCMYKColor}) {
            if (mode == pi::plugInModeCMYKColor && planes < 4) continue;
            Document doc = Document::Blank(700, 1500, mode, planes);
            for (size_t i = 0; i < doc.pixels.size(); ++i) doc.pixels[i] = uint8_t(i * 7 + i / 2801);
            std::vector<uint8_t> file;
            std::string error;
            ASSERT_TRUE(DocumentToPng(doc, file, error)) << error;
            Image8 back;
            ASSERT_TRUE(DecodePng(file, 4, back, error)) << error;
            const bool alpha = planes > doc.ColourPlanes();
            for (int32_t y = 0; y < doc.height; ++y)
                for (int32_t x = 0; x < doc.width; ++x) {
                    const uint8_t* s = doc.At(x, y);
                    const uint8_t* b = &back.pixels[(size_t(y) * doc.width + x) * 4];
                    uint8_t want[4] = {s[0], s[std::min(1, planes - 1)], s[std::min(2, planes - 1)], 255};
                    if (mode == pi::plugInModeCMYKColor) {
                        const Rgb c = CmykToRgb({s[0], s[1], s[2], s[3]});
                        want[0] = c.r, want[1] = c.g, want[2] = c.b;
                    }
                    if (alpha) want[3] = s[doc.ColourPlanes()];
                    ASSERT_TRUE(std::equal(want, want + 4, b))
                        << "mode " << mode << ", planes " << planes << " at " << x << "," << y;
                }
        }
    }
}

TEST(ImageIOTest, ForcedAlphaIsOpaqueAndCmykConvertsBothWays) {
    const std::vector<uint8_t> file = Png(4, 4, 3, 200);
    std::string error;
    Document rgba;
    ASSERT_TRUE(DocumentFromPng(file, pi::plugInModeRGBColor, true, rgba, error)) << error;
    EXPECT_EQ(rgba.planes, 4);
    EXPECT_EQ(rgba.At(2, 3)[3], 255);

    Document cmyk;
    ASSERT_TRUE(DocumentFromPng(file, pi::plugInModeCMYKColor, false, cmyk, error)) << error;
    EXPECT_EQ(cmyk.planes, 4);
    EXPECT_EQ(cmyk.mode, pi::plugInModeCMYKColor);
    const Cmyk want = RgbToCmyk({rgba.At(1, 1)[0], rgba.At(1, 1)[1], rgba.At(1, 1)[2]});
    EXPECT_EQ(cmyk.At(1, 1)[0], want.c);
    EXPECT_EQ(cmyk.At(1, 1)[3], want.k);
    std::vector<uint8_t> back;
    ASSERT_TRUE(DocumentToPng(cmyk, back, error)) << error;
    Image8 a, b;
    ASSERT_TRUE(DecodePng(file, 3, a, error));
    ASSERT_TRUE(DecodePng(back, 3, b, error));
    EXPECT_EQ(a.pixels, b.pixels);

    Document cmyka;
    ASSERT_TRUE(DocumentFromPng(file, pi::plugInModeCMYKColor, true, cmyka, error));
    EXPECT_EQ(cmyka.planes, 5);
}

TEST(ImageIOTest, SelectionMustMatchTheImage) {
    std::string error;
    Document doc;
    ASSERT_TRUE(DocumentFromPng(Png(6, 4, 3, 0), pi::plugInModeRGBColor, false, doc, error));
    ASSERT_TRUE(SelectionFromPng(Png(6, 4, 1, 1), doc, error)) << error;
    EXPECT_EQ(doc.mask.size(), 24u);
    EXPECT_EQ(doc.mask[1], 8);
    EXPECT_FALSE(SelectionFromPng(Png(4, 6, 1, 1), doc, error));
    EXPECT_NE(error.find("4 x 6"), std::string::npos) << error;
}

TEST(ImageIOTest, BadInputGivesAClearError) {
    std::string error;
    Document doc;
    const std::vector<uint8_t> junk = {'n', 'o', 't', ' ', 'p', 'n', 'g'};
    EXPECT_FALSE(DocumentFromPng(junk, pi::plugInModeRGBColor, false, doc, error));
    EXPECT_NE(error.find("not a readable PNG"), std::string::npos);
    EXPECT_FALSE(DocumentFromPng({}, pi::plugInModeRGBColor, false, doc, error));
    EXPECT_FALSE(DocumentFromPng(Png(2, 2, 3, 0), 16, false, doc, error));
    EXPECT_FALSE(DocumentFromPng(Png(2, 2, 3, 0), pi::plugInModeRGBColor, false, doc, error, 6));
    Document broken = Document::Blank(3, 3);
    broken.pixels.pop_back();
    std::vector<uint8_t> out;
    EXPECT_FALSE(DocumentToPng(broken, out, error));
}

TEST(DocumentTest, FilterBoundsFollowTheSelection) {
    Document d = Document::Blank(8, 5);
    EXPECT_EQ(d.FilterBounds().bottom, 5);
    EXPECT_EQ(d.FilterBounds().right, 8);
    d.mask.assign(40, 0);
    EXPECT_EQ(d.FilterBounds().bottom, 0);
    d.mask[1 * 8 + 6] = 1;
    d.mask[3 * 8 + 2] = 200;
    const pi::VRect r = d.FilterBounds();
    EXPECT_EQ(r.top, 1);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 4);
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(d.Check(), "");
    d.planes = 5;
    EXPECT_NE(d.Check(), "");
}
