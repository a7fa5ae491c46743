// The image transfer's steps one by one, inside a start selector of the test
// host: the write-back of chosen work pixels, the preview and navigator
// reads, the layers' background, and the allocation failures.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "Alert.h"
#include "ColorModel.h"
#include "Dialog.h"
#include "FakeBasicSuite.h"
#include "HostSim.h"
#include "HostUtil.h"
#include "ImageTransfer.h"
#include "LayerBuffers.h"
#include "PageMemory.h"
#include "Plugin.h"
#include "SourceImageInternal.h"

using namespace frostel;
using namespace frostel::hostsim;

namespace {

std::function<void(pi::FilterRecord&)> gBody;
bool gRequestWhole = true;

// A filter whose start requests the whole image (as the module's does) and
// then runs the test's body in the module's globals.
void BodyEntry(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    auto* fr = static_cast<pi::FilterRecord*>(record);
    gFilterRecord = fr;
    gResult = result;
    gDataPtr = data;
    gBasicSuite = fr->sSPBasic;
    if (fr->bigDocumentData != nullptr) fr->bigDocumentData->PluginUsing32BitCoordinates = 1;
    const pi::VRect none{0, 0, 0, 0};
    if (selector == pi::filterSelectorStart) {
        if (gRequestWhole) {
            const pi::VRect r = GetFilterRect(fr);
            SetInRect(fr, r);
            SetOutRect(fr, r);
            fr->inLoPlane = fr->outLoPlane = 0;
            fr->inHiPlane = fr->outHiPlane = int16_t(fr->planes - 1);
            *result = fr->advanceState();
        }
        if (*result == 0 && gBody) gBody(*fr);
    }
    if (selector == pi::filterSelectorStart || selector == pi::filterSelectorContinue) {
        SetInRect(fr, none);
        SetOutRect(fr, none);
        SetMaskRect(fr, none);
    }
    gFilterRecord = nullptr;
}

void Alerts(const char* caption, const char* text) {
    if (Host* host = Host::Current()) host->RecordMessageBox(caption, text);
}

class Steps : public ::testing::Test {
protected:
    void SetUp() override {
        gRequestWhole = true;
        gDialogOpen = false;
        gPreviewScale = 1.0f;
        gZoomLevel = -1.0f;
        gViewX = gViewY = 0;
        SetAlertSink(&Alerts);
        live_ = GetPageMemoryStats().live;
    }
    void TearDown() override {
        gBody = nullptr;
        gDialogOpen = false;
        FreeResultBuffer();
        FreeNavigatorSource();
        FreeLayersBackground();
        FreeLayerBuffers();
        FailPageAllocationAfter(0);
        EXPECT_EQ(GetPageMemoryStats().live, live_) << "page blocks leaked";
    }
    RunResult Run(Host& host, std::function<void(pi::FilterRecord&)> body) {
        gBody = std::move(body);
        return host.RunFilter(true);
    }
    int64_t live_ = 0;
};

uint8_t* Out(pi::FilterRecord& fr, int32_t x, int32_t y) {
    return static_cast<uint8_t*>(fr.outData) + ptrdiff_t(y) * fr.outRowBytes + ptrdiff_t(x) * fr.planes;
}

}  // namespace

TEST_F(Steps, RgbWriteBackCompositesOverBlackWithoutAnAlphaPlane) {
    for (int16_t planes : {int16_t(3), int16_t(4)}) {
        Options o;
        o.rowPadding = 5;
        Host host(&BodyEntry, o);
        host.SetDocument(Document::Blank(3, 2, pi::plugInModeRGBColor, planes));
        const RunResult rr = Run(host, [&](pi::FilterRecord& fr) {
            ASSERT_EQ(PrepareSourceImage(), 0);
            ASSERT_EQ(gRowBytes, 12);
            const uint8_t work[3][4] = {{200, 100, 50, 128}, {200, 100, 50, 255}, {10, 20, 30, 0}};
            std::memcpy(gWorkRGBA + gRowBytes, work, sizeof work);  // the second row
            ASSERT_EQ(WriteWorkBuffer(), 0);
            const uint8_t* a = Out(fr, 0, 1);
            if (planes == 3) {
                EXPECT_EQ(a[0], 100);  // 200 x 128 / 255, truncated
                EXPECT_EQ(a[1], 50);
                EXPECT_EQ(a[2], 25);
                EXPECT_EQ(Out(fr, 2, 1)[0], 0);
            } else {
                EXPECT_EQ(std::memcmp(a, work[0], 4), 0);  // copied, alpha too
                EXPECT_EQ(std::memcmp(Out(fr, 2, 1), work[2], 4), 0);
            }
            EXPECT_EQ(std::memcmp(Out(fr, 1, 1), work[1], 3), 0);
        });
        ASSERT_TRUE(rr.ok) << rr.message;
        EXPECT_EQ(host.document().At(0, 1)[0], planes == 3 ? 100 : 200);
        EXPECT_EQ(host.Misuses(), 0) << "the row padding was written";
    }
}

TEST_F(Steps, CmykWriteBackConvertsAndKeepsAlphaInTheFifthPlane) {
    for (int16_t planes : {int16_t(4), int16_t(5)}) {
        Host host(&BodyEntry);
        host.SetDocument(Document::Blank(2, 1, pi::plugInModeCMYKColor, planes));
        const RunResult rr = Run(host, [&](pi::FilterRecord& fr) {
            ASSERT_EQ(PrepareSourceImage(), 0);
            const uint8_t work[2][4] = {{200, 100, 50, 128}, {0, 255, 0, 255}};
            std::memcpy(gWorkRGBA, work, sizeof work);
            ASSERT_EQ(WriteWorkBuffer(), 0);
            const Cmyk first = planes == 4 ? RgbToCmyk({100, 50, 25}) : RgbToCmyk({200, 100, 50});
            const uint8_t* a = Out(fr, 0, 0);
            EXPECT_EQ(a[0], first.c);
            EXPECT_EQ(a[1], first.m);
            EXPECT_EQ(a[2], first.y);
            EXPECT_EQ(a[3], first.k);
            if (planes == 5) {
                EXPECT_EQ(a[4], 128);
            }
            const Cmyk green = RgbToCmyk({0, 255, 0});
            EXPECT_EQ(Out(fr, 1, 0)[1], green.m);

            // The dialog's preview is shown as RGB: no conversion.
            gDialogOpen = true;
            const int conversions = Host::Current()->CallCount("Convert8");
            ASSERT_EQ(WriteWorkBuffer(), 0);
            EXPECT_EQ(Host::Current()->CallCount("Convert8"), conversions);
            EXPECT_EQ(std::memcmp(Out(fr, 0, 0), work[0], 4), 0);
            EXPECT_EQ(std::memcmp(Out(fr, 1, 0), work[1], 4), 0);
            gDialogOpen = false;
        });
        ASSERT_TRUE(rr.ok) << rr.message;
    }
}

TEST_F(Steps, AFailedCmykWriteLeavesTheOutputBufferAlone) {
    Host host(&BodyEntry);
    const int32_t rows = 4;
    host.SetDocument(Document::Blank(5, rows, pi::plugInModeCMYKColor, 4));
    const RunResult rr = Run(host, [&](pi::FilterRecord& fr) {
        ASSERT_EQ(PrepareSourceImage(), 0);
        for (int32_t i = 0; i < gRowBytes * rows; ++i) gWorkRGBA[i] = uint8_t(i * 11);
        const auto* out = static_cast<const uint8_t*>(fr.outData);
        const std::vector<uint8_t> before(out, out + size_t(fr.outRowBytes) * rows);
        Host::Current()->options().failConvertAt = Host::Current()->CallCount("Convert8") + rows;  // the last row
        EXPECT_EQ(WriteWorkBuffer(), kConvertFailedErr);
        EXPECT_EQ(std::vector<uint8_t>(out, out + before.size()), before);
    });
    EXPECT_TRUE(rr.ok) << rr.message;
}

TEST_F(Steps, EveryAllocationFailureGivesOutOfMemoryAndTouchesNothing) {
    for (int64_t failing : {1, 2}) {
        for (int16_t mode : {pi::plugInModeRGBColor, pi::plugInModeCMYKColor}) {
            Host host(&PluginMain);
            Document doc = Document::Blank(16, 8, mode, 4);
            for (size_t i = 0; i < doc.pixels.size(); ++i) doc.pixels[i] = uint8_t(i * 7);
            if (mode == pi::plugInModeCMYKColor)
                for (int32_t i = 0; i < 16 * 8; ++i) {
                    uint8_t* p = doc.pixels.data() + 4 * i;
                    const Cmyk c = RgbToCmyk({p[0], p[1], p[2]});
                    p[0] = c.c, p[1] = c.m, p[2] = c.y, p[3] = c.k;
                }
            host.SetDocument(doc);
            ASSERT_EQ(host.CallSelector(pi::filterSelectorParameters), 0);
            FailPageAllocationAfter(failing);
            const RunResult rr = host.RunFilter(false);
            FailPageAllocationAfter(0);
            EXPECT_FALSE(rr.ok);
            EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
            EXPECT_EQ(rr.result, pi::memFullErr);
            EXPECT_EQ(host.document().pixels, doc.pixels);
            EXPECT_EQ(host.SuiteBalance(pi::kPSColorSpaceSuite, 1), 0);
            EXPECT_EQ(host.Misuses(), 0);
        }
    }
}

namespace {

struct FakePreview : PreviewPort {
    int32_t width = 0, height = 0, scaledWidth = -1, scaledHeight = -1, x = 0, y = 0;
    int32_t ClientWidth() const override { return width; }
    int32_t ClientHeight() const override { return height; }
    void SetScaledImageSize(int32_t w, int32_t h) override { scaledWidth = w, scaledHeight = h; }
    int32_t ViewX() const override { return x; }
    int32_t ViewY() const override { return y; }
    void SetView(int32_t vx, int32_t vy) override { x = vx, y = vy; }
};

}  // namespace

TEST_F(Steps, PreviewReadsFollowTheZoomLevelAndKeepTheViewInside) {
    gRequestWhole = false;
    Host host(&BodyEntry);
    host.SetDocument(Document::Blank(400, 300));
    FilterData data{};
    FakePreview preview;
    preview.width = preview.height = 100;
    const RunResult rr = Run(host, [&](pi::FilterRecord& fr) {
        gData = &data;
        gDialogOpen = true;
        auto read = [&](float zoom) {
            data = FilterData{0, 0, 100, 100, 0};
            gZoomLevel = zoom;
            ASSERT_EQ(ReadPreviewImage(preview), 0);
        };
        // First read: 1:1.
        read(-1.0f);
        EXPECT_EQ(gFitScale, 4.0f);  // 400 / 100
        EXPECT_TRUE(gZoomable);
        EXPECT_EQ(gZoomLevel, 3.0f);
        EXPECT_EQ(gPreviewScale, 1.0f);
        EXPECT_EQ(preview.scaledWidth, 400);
        EXPECT_EQ(fr.inputRate, 0x10000);
        EXPECT_EQ(fr.inputPadding, 255);
        EXPECT_EQ(fr.maskPadding, 255);
        EXPECT_EQ(fr.inHiPlane, 2);
        // The whole document.
        read(0.0f);
        EXPECT_EQ(gPreviewScale, 4.0f);
        EXPECT_EQ(preview.scaledWidth, 100);
        EXPECT_EQ(preview.scaledHeight, 75);
        EXPECT_EQ(preview.x, 0);
        EXPECT_EQ(fr.inputRate, 4 * 0x10000);
        EXPECT_EQ(fr.maskRate, 4 * 0x10000);
        pi::VRect in = GetInRect(&fr);
        EXPECT_EQ(in.bottom, 75);
        EXPECT_EQ(in.right, 100);
        EXPECT_EQ(fr.inRowBytes, 100 * 3);
        // Half way in: the view moves by half the growth, staying centred.
        read(2.0f);
        EXPECT_EQ(gPreviewScale, 2.0f);
        EXPECT_EQ(preview.x, 50);  // (200 - 100) / 2
        EXPECT_EQ(preview.y, 37);  // (150 - 75) / 2
        in = GetInRect(&fr);
        EXPECT_EQ(in.top, 37);
        EXPECT_EQ(in.left, 50);
        EXPECT_EQ(in.bottom, 137);
        EXPECT_EQ(in.right, 150);
        // A view past the image is pulled back.
        preview.x = 1000, preview.y = -5;
        read(2.0f);
        EXPECT_EQ(preview.x, 100);  // 400 / 2 - 100
        EXPECT_EQ(preview.y, 0);
        // Zoom levels outside the range clamp to the fit scale and 1:1.
        read(-7.0f);
        EXPECT_EQ(gPreviewScale, 4.0f);
        read(9.0f);
        EXPECT_EQ(gPreviewScale, 1.0f);
        EXPECT_EQ(data.previewTop, 0);
        EXPECT_EQ(data.previewBottom, 100);

        // A preview without size asks the host for nothing.
        const int advances = Host::Current()->CallCount("advanceState");
        data = FilterData{0, 0, 0, 100, 0};
        EXPECT_EQ(ReadPreviewImage(preview), 0);
        preview.height = 0;
        data = FilterData{0, 0, 100, 100, 0};
        EXPECT_EQ(ReadPreviewImage(preview), 0);
        EXPECT_EQ(Host::Current()->CallCount("advanceState"), advances);
        gData = nullptr;
    });
    ASSERT_TRUE(rr.ok) << rr.message;
}

TEST_F(Steps, APreviewOfAnOffsetSelectionStartsAtItsCorner) {
    gRequestWhole = false;
    Options o;
    o.filterRect = pi::VRect{50, 50, 250, 350};
    Host host(&BodyEntry, o);
    host.SetDocument(Document::Blank(400, 300));
    FilterData data{0, 0, 80, 100, 0};
    FakePreview preview;
    preview.width = 100, preview.height = 80;
    const RunResult rr = Run(host, [&](pi::FilterRecord& fr) {
        gData = &data;
        gDialogOpen = true;
        gZoomLevel = 1.0f;  // fit 3.0: scale 2
        ASSERT_EQ(ReadPreviewImage(preview), 0);
        EXPECT_EQ(gFitScale, 3.0f);
        EXPECT_EQ(gPreviewScale, 2.0f);
        const pi::VRect in = GetInRect(&fr);
        EXPECT_EQ(in.top, 25);
        EXPECT_EQ(in.left, 25);
        EXPECT_EQ(in.bottom, 105);  // at most the preview's height below the corner
        EXPECT_EQ(in.right, 125);
        EXPECT_NE(fr.inData, nullptr);
        gData = nullptr;
    });
    ASSERT_TRUE(rr.ok) << rr.message;
}

TEST_F(Steps, NavigatorReadsTheWholeDocumentOnce) {
    for (bool suite : {true, false}) {
        for (int16_t mode : {pi::plugInModeRGBColor, pi::plugInModeCMYKColor}) {
            SCOPED_TRACE(std::string(suite ? "suite " : "fallback ") + std::to_string(mode));
            gRequestWhole = false;
            Options o;
            if (!suite) o.disabledSuites = {pi::kPSColorSpaceSuite};
            Host host(&BodyEntry, o);
            Document doc = Document::Blank(6, 3, mode, 5);
            for (size_t i = 0; i < doc.pixels.size(); ++i) doc.pixels[i] = uint8_t(37 * i + 11);
            host.SetDocument(doc);
            FilterData data{};
            const RunResult rr = Run(host, [&](pi::FilterRecord&) {
                gData = &data;
                ASSERT_TRUE(ReadSourceImage());
                EXPECT_EQ(data.previewBottom, 3);
                EXPECT_EQ(data.previewRight, 6);
                ASSERT_EQ(gNavigatorWidth, 6);
                for (int32_t y = 0; y < 3; ++y)
                    for (int32_t x = 0; x < 6; ++x) {
                        const uint8_t* s = doc.At(x, y);
                        const uint8_t* d = gNavigatorSource + (y * 6 + x) * 4;
                        uint8_t want[4] = {s[0], s[1], s[2], s[3]};
                        if (mode == pi::plugInModeCMYKColor) {
                            const Rgb c = CmykToRgb({s[0], s[1], s[2], s[3]});
                            want[0] = c.r, want[1] = c.g, want[2] = c.b;
                            if (!suite) {
                                auto ink = [](uint8_t v, float per) { return uint8_t(float(255 - v) / per); };
                                frostel::CmykToRgb(ink(s[0], 1.5f), ink(s[1], 1.5f), ink(s[2], 1.5f),
                                                   ink(s[3], 2.55f), want[0], want[1], want[2]);
                            }
                            want[3] = s[4];
                        }
                        ASSERT_EQ(std::memcmp(d, want, 4), 0) << x << "," << y;
                    }
                const int advances = Host::Current()->CallCount("advanceState");
                EXPECT_TRUE(ReadSourceImage());
                EXPECT_EQ(Host::Current()->CallCount("advanceState"), advances);
                gData = nullptr;
            });
            ASSERT_TRUE(rr.ok) << rr.message;
            FreeNavigatorSource();
        }
    }
}

// The navigator's read keeps the selection too: the preview's contours are
// traced in it as OK traces them.
TEST_F(Steps, NavigatorKeepsTheWholeSelection) {
    for (bool selected : {true, false}) {
        SCOPED_TRACE(selected ? "selection" : "none");
        gRequestWhole = false;
        Host host(&BodyEntry, Options{});
        Document doc = Document::Blank(7, 4);
        if (selected) {
            doc.mask.assign(7 * 4, 0);
            for (size_t i = 0; i < doc.mask.size(); ++i) doc.mask[i] = uint8_t(i % 3 == 0 ? 255 : i % 3);
        }
        host.SetDocument(doc);
        FilterData data{};
        const RunResult rr = Run(host, [&](pi::FilterRecord&) {
            gData = &data;
            ASSERT_TRUE(ReadSourceImage());
            if (selected) {
                ASSERT_NE(gNavigatorSelection, nullptr);
                EXPECT_EQ(std::vector<uint8_t>(gNavigatorSelection, gNavigatorSelection + doc.mask.size()), doc.mask);
            } else {
                EXPECT_EQ(gNavigatorSelection, nullptr);
            }
            gData = nullptr;
        });
        ASSERT_TRUE(rr.ok) << rr.message;
        FreeNavigatorSource();
        EXPECT_EQ(gNavigatorSelection, nullptr);
    }
}

TEST_F(Steps, NavigatorFailuresAlertAndCancel) {
    gRequestWhole = false;
    {
        Options o;
        o.refuseAdvance = true;
        Host host(&BodyEntry, o);
        host.SetDocument(Document::Blank(4, 4));
        Run(host, [&](pi::FilterRecord&) {
            EXPECT_FALSE(ReadSourceImage());
            EXPECT_EQ(*gResult, pi::userCanceledErr);
            EXPECT_EQ(gNavigatorSource, nullptr);
            *gResult = 0;
        });
        ASSERT_EQ(host.MessageBoxes().size(), 1u);
        EXPECT_EQ(host.MessageBoxes()[0].text, "Photoshop cannot allocate so big memory\nTry to use smaller pictures");
        EXPECT_EQ(host.MessageBoxes()[0].caption, "Plugin Alert");
    }
    Host host(&BodyEntry);
    host.SetDocument(Document::Blank(4, 4));
    Run(host, [&](pi::FilterRecord&) {
        FailPageAllocationAfter(1);
        EXPECT_FALSE(ReadSourceImage());
        FailPageAllocationAfter(0);
        EXPECT_EQ(*gResult, pi::userCanceledErr);
        EXPECT_EQ(host.CallCount("advanceState"), 0);
        *gResult = 0;
    });
    ASSERT_EQ(host.MessageBoxes().size(), 1u);
    EXPECT_EQ(host.MessageBoxes()[0].text, "Cannot allocate so big intermedia memory\nTry to use smaller pictures");
}

namespace {

// A host that serves one 16-bit row, for the navigator's deep conversions.
uint16_t gDeepRow[6];
pi::OSErr ServeDeepRow() { return 0; }

}  // namespace

TEST_F(Steps, NavigatorReducesSixteenBitValues) {
    EXPECT_EQ(Reduce16(32768), 255);
    EXPECT_EQ(Reduce16(32767), 255);
    EXPECT_EQ(Reduce16(128), 1);
    EXPECT_EQ(Reduce16(127), 0);

    pi::FilterRecord fr{};
    fr.imageMode = pi::plugInModeRGB48;
    fr.depth = 16;
    fr.planes = 3;
    fr.filterRect = {0, 0, 1, 2};
    const uint16_t values[6] = {32768, 32767, 128, 0, 16384, 256};
    std::memcpy(gDeepRow, values, sizeof values);
    fr.inData = gDeepRow;
    fr.inRowBytes = sizeof gDeepRow;
    fr.advanceState = &ServeDeepRow;
    int16_t result = 0;
    gFilterRecord = &fr;
    gResult = &result;
    ASSERT_TRUE(ReadSourceImage());
    const uint8_t want[8] = {255, 255, 1, 255, 0, 128, 2, 255};
    EXPECT_EQ(std::memcmp(gNavigatorSource, want, 8), 0);
    gFilterRecord = nullptr;
    gResult = nullptr;
}

namespace {

// A colour space suite whose 16-bit CMYK -> RGB answer is easy to predict:
// RGB in places 1 to 3 as full scale minus cyan, magenta, yellow.
int gDeepConversions = 0;
pi::SPErr FakeConvert16(pi::int16 from, pi::int16 to, pi::Color16* colors, pi::int16 count) {
    ++gDeepConversions;
    if (from != pi::plugIncolorServicesCMYKSpace || to != pi::plugIncolorServicesRGBSpace || count != 2) return -1;
    for (int i = 0; i < count; ++i) {
        const pi::Color16 c = {colors[i][0], colors[i][1], colors[i][2], colors[i][3]};
        colors[i][0] = 0;
        for (int k = 0; k < 3; ++k) colors[i][k + 1] = uint16_t(32768 - c[k]);
    }
    return 0;
}
const pi::PSColorSpaceSuite1 kFakeColorSpace{{}, nullptr, &FakeConvert16};

// Two 16-bit CMYK pixels with alpha: cyan, magenta, yellow, black, alpha.
uint16_t gDeepCmyk[10] = {0, 32768, 128, 0, 32768, 16384, 256, 32767, 100, 128};

}  // namespace

TEST_F(Steps, NavigatorConvertsSixteenBitCmykWithAndWithoutTheSuite) {
    for (bool suite : {true, false}) {
        SCOPED_TRACE(suite ? "suite" : "fallback");
        fakebasic::gState = {};
        if (suite) fakebasic::gState.suites[{pi::kPSColorSpaceSuite, 1}] = &kFakeColorSpace;
        pi::SPBasicSuite basic = fakebasic::Suite();
        gDeepConversions = 0;
        pi::FilterRecord fr{};
        fr.imageMode = pi::plugInModeCMYK64;
        fr.depth = 16;
        fr.planes = 5;
        fr.filterRect = {0, 0, 1, 2};
        fr.inData = gDeepCmyk;
        fr.inRowBytes = sizeof gDeepCmyk;
        fr.advanceState = &ServeDeepRow;
        fr.sSPBasic = &basic;
        int16_t result = 0;
        gFilterRecord = &fr;
        gResult = &result;
        gBasicSuite = &basic;
        ASSERT_TRUE(ReadSourceImage());
        EXPECT_TRUE(gIsCmyk);
        // Suite: R, G, B from places 1 to 3 reduced to 8 bits, alpha reduced.
        // Fallback: each plane reduced first, then the ink formula.
        const uint8_t withSuite[8] = {255, 0, 255, 255, 128, 254, 0, 1};
        const uint8_t fallback[8] = {0, 155, 0, 255, 71, 0, 155, 1};
        EXPECT_EQ(std::memcmp(gNavigatorSource, suite ? withSuite : fallback, 8), 0);
        EXPECT_EQ(gDeepConversions, suite ? 1 : 0);  // one call for the row
        EXPECT_EQ(fakebasic::Acquires(pi::kPSColorSpaceSuite, 1), fakebasic::Releases(pi::kPSColorSpaceSuite, 1));
        FreeNavigatorSource();
        gFilterRecord = nullptr;
        gResult = nullptr;
        gBasicSuite = nullptr;
    }
    fakebasic::gState = {};
}

// Buffers past what a 32-bit row can say are refused before anything is
// allocated; sizes above 4 GiB are computed whole.
TEST_F(Steps, OversizedRectanglesGiveOutOfMemoryWithoutAllocating) {
    size_t row = 0, total = 0;
    ASSERT_TRUE(BufferSize(40000, 30000, 4, row, total));
    EXPECT_EQ(row, 160000u);
    EXPECT_EQ(total, size_t(4800000000ull));
    EXPECT_FALSE(BufferSize(600000000, 1, 4, row, total));  // a row of 2.4 GB
    EXPECT_FALSE(BufferSize(-1, 1, 4, row, total));

    pi::BigDocumentStruct big{};
    big.PluginUsing32BitCoordinates = 1;
    big.filterRect32 = big.outRect32 = {0, 0, 2, 600000000};
    pi::FilterRecord fr{};
    fr.imageMode = pi::plugInModeRGBColor;
    fr.planes = 3;
    fr.bigDocumentData = &big;
    int16_t result = 0;
    gFilterRecord = &fr;
    gResult = &result;
    const int64_t live = GetPageMemoryStats().live;
    EXPECT_EQ(PrepareSourceImage(), pi::memFullErr);
    EXPECT_EQ(result, pi::memFullErr);
    EXPECT_EQ(gSourceRGBA, nullptr);
    EXPECT_EQ(gWorkRGBA, nullptr);
    EXPECT_EQ(GetPageMemoryStats().live, live);
    gFilterRecord = nullptr;
    gResult = nullptr;
}

TEST_F(Steps, LayersBackgroundIsACheckerboardUnderTransparentPixels) {
    Host host(&BodyEntry);
    host.SetDocument(Document::Blank(16, 9, pi::plugInModeRGBColor, 4));
    const RunResult rr = Run(host, [&](pi::FilterRecord&) {
        gBelowLayersBuffer = std::make_unique<CPlanarImage>(kModeRGB, PlaneRect{0, 0, 16, 9}, 4, 8, 0, 0);
        ASSERT_NE(gBelowLayersBuffer->Data(), nullptr);
        *gBelowLayersBuffer->Sample(0, 3, 8) = 90;  // opaque red-ish pixel at (3, 8)
        *gBelowLayersBuffer->Sample(3, 3, 8) = 255;
        gDialogOpen = true;
        ASSERT_EQ(PrepareSourceImage(), 0);
        ASSERT_NE(gLayersBackground, nullptr);
        auto at = [](int x, int y) { return gLayersBackground + (y * 16 + x) * 3; };
        EXPECT_EQ(at(0, 0)[0], 204);
        EXPECT_EQ(at(6, 6)[2], 204);
        EXPECT_EQ(at(7, 0)[1], 255);  // the cell to its right
        EXPECT_EQ(at(0, 7)[0], 255);
        EXPECT_EQ(at(7, 7)[0], 204);
        EXPECT_EQ(at(3, 8)[0], 90);
        EXPECT_EQ(at(3, 8)[1], 0);

        // One channel: grey from it.
        gBelowLayersBuffer = std::make_unique<CPlanarImage>(kModeGrayScale, PlaneRect{0, 0, 16, 9}, 1, 8, 0, 0);
        ASSERT_NE(gBelowLayersBuffer->Data(), nullptr);
        *gBelowLayersBuffer->Sample(0, 2, 2) = 77;
        BuildLayersBackground();
        EXPECT_EQ(at(2, 2)[0], 77);
        EXPECT_EQ(at(2, 2)[2], 77);
        // No layers below: no background.
        gBelowLayersBuffer.reset();
        BuildLayersBackground();
        EXPECT_EQ(gLayersBackground, nullptr);
        gDialogOpen = false;
    });
    ASSERT_TRUE(rr.ok) << rr.message;
}

TEST_F(Steps, ThePreviewSourceComesFromTheTargetLayerAtThePreviewScale) {
    Host host(&BodyEntry);
    host.SetDocument(Document::Blank(4, 3, pi::plugInModeRGBColor, 4));
    const RunResult rr = Run(host, [&](pi::FilterRecord&) {
        gLayerBuffer = std::make_unique<CPlanarImage>(kModeRGB, PlaneRect{0, 0, 8, 6}, 4, 8, 0, 0);
        ASSERT_NE(gLayerBuffer->Data(), nullptr);
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 6; ++y) {
                *gLayerBuffer->Sample(0, x, y) = uint8_t(10 * x + y);
                *gLayerBuffer->Sample(3, x, y) = uint8_t(200 + y);
            }
        gDialogOpen = true;
        gPreviewScale = 2.0f;
        gViewX = 1;
        ASSERT_EQ(PrepareSourceImage(), 0);
        // Work pixel (x, y) shows layer pixel (2 (x + 1), 2 y), clamped to the layer.
        EXPECT_EQ(gSourceRGBA[0], 20);
        EXPECT_EQ(gSourceRGBA[4 * 2], 60);
        EXPECT_EQ(gSourceRGBA[4 * 3], 70);  // column 8 clamps to 7
        EXPECT_EQ(gSourceRGBA[gRowBytes + 3], 202);
        gDialogOpen = false;
    });
    ASSERT_TRUE(rr.ok) << rr.message;
}

TEST(PixelHelpers, CmykToRgbAndFillRgba) {
    uint8_t r, g, b;
    frostel::CmykToRgb(10, 200, 0, 50, r, g, b);
    EXPECT_EQ(r, 195);
    EXPECT_EQ(g, 5);
    EXPECT_EQ(b, 205);
    frostel::CmykToRgb(205, 255, 0, 50, r, g, b);  // x + k = 255: no light left
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 0);

    std::vector<uint8_t> px(3 * 2 * 4, 7);
    FillRgba(px.data(), 3, 2, 0x00332211);
    for (size_t i = 0; i < px.size(); i += 4) {
        EXPECT_EQ(px[i], 0x11);
        EXPECT_EQ(px[i + 1], 0x22);
        EXPECT_EQ(px[i + 2], 0x33);
        EXPECT_EQ(px[i + 3], 255);
    }
    FillRgba(nullptr, 3, 2, 0);  // ignored
}

namespace {

struct FakeProgressBar : ProgressPort {
    int32_t done = -1, total = -1, shown = 0;
    void Show(int32_t d, int32_t t) override { done = d, total = t, ++shown; }
};
int32_t gHostDone = -1, gHostTotal = -1;
void HostProgress(pi::int32 done, pi::int32 total) { gHostDone = done, gHostTotal = total; }

}  // namespace

TEST_F(Steps, ProgressGoesToTheDialogsBarWhileItIsOpenElseToTheHost) {
    pi::FilterRecord fr{};
    fr.progressProc = &HostProgress;
    gFilterRecord = &fr;
    FakeProgressBar bar;
    gProgressPort = &bar;

    SetProgress(-3.7f, 100.9f);  // truncated, done not below 0
    EXPECT_EQ(gHostDone, 0);
    EXPECT_EQ(gHostTotal, 100);
    EXPECT_EQ(bar.shown, 0);

    gDialogOpen = true;
    gHostDone = -1;
    SetProgress(42.9f, 50.0f);
    EXPECT_EQ(bar.done, 42);
    EXPECT_EQ(bar.total, 50);
    EXPECT_EQ(gHostDone, -1);
    gProgressPort = nullptr;
    SetProgress(1, 2);  // the dialog without a bar yet: nothing to show
    EXPECT_EQ(gHostDone, -1);

    gDialogOpen = false;
    gFilterRecord = nullptr;
    SetProgress(1, 2);  // no record: nothing
}
