// Pixels through the whole module and back, in every document shape the
// test host offers: natively against the plug-in's entry, under Wine
// against the built module.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ColorModel.h"
#include "FilterEntry.h"
#include "HostSim.h"
#include "ProtocolSupport.h"

using namespace frostel::hostsim;

namespace {

Document Noise(int32_t width, int32_t height, int16_t mode = pi::plugInModeRGBColor, int16_t planes = 3) {
    return protocoltest::Noise(width, height, mode, planes, uint32_t(width * 31 + height * 7 + planes));
}

// CMYK planes that some RGB colour gives, as an editor's CMYK document
// converted from RGB has; alpha (the fifth plane) is anything.
Document CmykFromRgb(int32_t width, int32_t height, int16_t planes) {
    Document doc = Noise(width, height, pi::plugInModeCMYKColor, planes);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = doc.At(x, y);
            const Cmyk c = RgbToCmyk({p[0], p[1], p[2]});
            p[0] = c.c, p[1] = c.m, p[2] = c.y, p[3] = c.k;
        }
    return doc;
}

void ExpectClean(const Host& host) {
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.Misuses(), 0);
    for (const auto& balance : host.SuiteBalances()) EXPECT_EQ(balance.second, 0) << balance.first;
}

int MaxConvertCount(const Host& host, const char* call) {
    int most = 0;
    for (const std::string& n : host.log().ArgValues(call, "count")) most = std::max(most, std::stoi(n));
    return most;
}

constexpr const char* kWrongMode = "Wrong Image mode!\r\n Image should be RGB or CMYK";

class Transfer : public protocoltest::BigDocumentTest {};

}  // namespace

// The transfer tests draw nothing, so every pixel must come back exactly.
TEST_P(Transfer, RgbComesBackWithThreeAndFourPlanesAndPaddedRows) {
    for (int16_t planes : {int16_t(3), int16_t(4)}) {
        for (int32_t padding : {0, 13}) {
            SCOPED_TRACE(std::to_string(planes) + " planes, padding " + std::to_string(padding));
            Options o = HostOptions();
            o.rowPadding = padding;
            Host host(FilterEntry(), o);
            protocoltest::DrawNothing(host);
            const Document doc = Noise(33, 17, pi::plugInModeRGBColor, planes);
            host.SetDocument(doc);
            const RunResult rr = host.RunFilter(true);
            ASSERT_TRUE(rr.ok) << rr.message;
            EXPECT_EQ(host.document().pixels, doc.pixels);
            EXPECT_EQ(host.CallCount("messageBox"), 0);
            // Progress starts, steps and is reset at the end of the write-back.
            const std::vector<std::string> done = host.log().ArgValues("progressProc", "done");
            ASSERT_GE(done.size(), 4u);
            EXPECT_EQ(done.front(), "0");
            EXPECT_EQ(done.back(), "0");
            EXPECT_NE(std::find(done.begin(), done.end(), "10"), done.end());
            ExpectClean(host);
        }
    }
}

TEST_P(Transfer, AnOffsetFilterRectangleChangesNothingOutsideIt) {
    Options o = HostOptions();
    o.filterRect = pi::VRect{3, 5, 20, 31};
    o.rowPadding = 3;
    Host host(FilterEntry(), o);
    protocoltest::DrawNothing(host);
    const Document doc = Noise(40, 24, pi::plugInModeRGBColor, 4);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(host.document().pixels, doc.pixels);
    const LogEntry request = host.log().Find("advanceState").at(0);
    EXPECT_EQ(request.Arg("inRect"), "[3,5,20,31]");
    EXPECT_EQ(request.Arg("outRect"), "[3,5,20,31]");
    ExpectClean(host);
}

TEST_P(Transfer, CmykRoundTripsThroughTheColourSpaceSuite) {
    for (int16_t planes : {int16_t(4), int16_t(5)}) {
        SCOPED_TRACE(std::to_string(planes) + " planes");
        Options o = HostOptions();
        o.rowPadding = 7;
        Host host(FilterEntry(), o);
        protocoltest::DrawNothing(host);
        const Document doc = CmykFromRgb(29, 11, planes);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        ASSERT_TRUE(rr.ok) << rr.message;
        EXPECT_EQ(host.document().pixels, doc.pixels);
        // One conversion into RGB and one back per row.
        EXPECT_EQ(host.CallCount("Convert8"), 2 * 11);
        EXPECT_GE(host.SuiteBalances().count(std::string(pi::kPSColorSpaceSuite) + "@1"), 1u);
        ExpectClean(host);
    }
}

TEST_P(Transfer, WideCmykRowsAreConvertedWhole) {
    // Wider than the 16-bit fields can say: only a host with the 32-bit
    // block can serve it, and the suite takes each row in two pieces.
    if (!GetParam()) GTEST_SKIP() << "needs 32-bit coordinates";
    Host host(FilterEntry(), HostOptions());
    protocoltest::DrawNothing(host);
    const Document doc = CmykFromRgb(40000, 2, 4);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    ASSERT_TRUE(rr.ok) << rr.message;
    EXPECT_EQ(host.record().filterRect.right, 32767);  // the 16-bit field cannot hold it
    EXPECT_EQ(host.bigDocument().filterRect32.right, 40000);
    EXPECT_EQ(host.document().pixels, doc.pixels);
    EXPECT_EQ(host.CallCount("Convert8"), 2 * 2 * 2);
    EXPECT_EQ(MaxConvertCount(host, "Convert8"), 32767);
    ExpectClean(host);
}

TEST_P(Transfer, WrongModesAlertAndPassThrough) {
    struct Case {
        int16_t mode, planes;
    };
    const Case cases[] = {
        {pi::plugInModeLabColor, 3}, {pi::plugInModeRGBColor, 1}, {pi::plugInModeRGBColor, 2},
        {pi::plugInModeCMYKColor, 3}, {pi::plugInModeRGB48, 3},  {pi::plugInModeCMYK64, 4},
        {pi::plugInModeGrayScale, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + ", " + std::to_string(c.planes) + " planes");
        Host host(FilterEntry(), HostOptions());
        const Document doc = Noise(14, 9, c.mode, c.planes);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        ASSERT_TRUE(rr.ok) << rr.message;
        EXPECT_EQ(host.document().pixels, doc.pixels);
        const std::vector<MessageBoxShown> boxes = host.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "Plugin Alert");
        EXPECT_EQ(boxes[0].text, kWrongMode);
        EXPECT_EQ(host.log().Find("messageBox").at(0).Arg("text"), "\"Wrong Image mode!\\r\\n Image should be RGB or CMYK\"");
        EXPECT_EQ(host.CallCount("Convert8"), 0);
        ExpectClean(host);
    }
}

TEST_P(Transfer, CmykWithoutTheColourSpaceSuiteFailsCleanly) {
    for (const char* off : {pi::kPSColorSpaceSuite, "Photoshop ColorSpace Suite for Plug-ins@1"}) {
        Options o = HostOptions();
        o.disabledSuites = {off};
        Host host(FilterEntry(), o);
        const Document doc = CmykFromRgb(12, 6, 5);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.failedSelector, pi::filterSelectorStart);
        EXPECT_EQ(rr.result, pi::errPlugInHostInsufficient);
        EXPECT_EQ(host.document().pixels, doc.pixels);
        EXPECT_EQ(host.CallCount("Convert8"), 0);
        ExpectClean(host);
    }
    // Without a basic suite at all, likewise.
    Options o = HostOptions();
    o.basicSuite = false;
    Host host(FilterEntry(), o);
    const Document doc = CmykFromRgb(12, 6, 4);
    host.SetDocument(doc);
    EXPECT_EQ(host.RunFilter(true).result, pi::errPlugInHostInsufficient);
    EXPECT_EQ(host.document().pixels, doc.pixels);
}

TEST_P(Transfer, AFailedConversionGivesItsErrorAndWritesNothing) {
    const int rows = 6;
    // The first conversion reads the source, conversion rows + 1 the result.
    for (int failAt : {1, rows, rows + 1, 2 * rows}) {
        SCOPED_TRACE("conversion " + std::to_string(failAt));
        Options o = HostOptions();
        o.failConvertAt = failAt;
        Host host(FilterEntry(), o);
        const Document doc = CmykFromRgb(10, rows, 4);
        host.SetDocument(doc);
        const RunResult rr = host.RunFilter(true);
        EXPECT_FALSE(rr.ok);
        EXPECT_EQ(rr.result, kConvertFailedErr);
        EXPECT_EQ(host.document().pixels, doc.pixels);
        ExpectClean(host);
    }
}

TEST_P(Transfer, RunsWithoutHandleCallbacksInBothModes) {
    for (int16_t mode : {pi::plugInModeRGBColor, pi::plugInModeCMYKColor}) {
        Options o = HostOptions();
        o.handleProcs = false;
        Host host(FilterEntry(), o);
        protocoltest::DrawNothing(host);
        const Document doc = mode == pi::plugInModeCMYKColor ? CmykFromRgb(21, 8, 4) : Noise(21, 8);
        host.SetDocument(doc);
        for (bool withParameters : {true, false}) {
            const RunResult rr = host.RunFilter(withParameters);
            ASSERT_TRUE(rr.ok) << rr.message;
        }
        EXPECT_EQ(host.document().pixels, doc.pixels);
        EXPECT_EQ(host.LiveHandles(), 0);
        ExpectClean(host);
    }
}

TEST_P(Transfer, ARefusedRequestWritesNothing) {
    Options o = HostOptions();
    o.refuseAdvance = true;
    Host host(FilterEntry(), o);
    const Document doc = CmykFromRgb(9, 9, 4);
    host.SetDocument(doc);
    const RunResult rr = host.RunFilter(true);
    EXPECT_EQ(rr.result, kRefusedErr);
    EXPECT_EQ(host.document().pixels, doc.pixels);
    EXPECT_EQ(host.CallCount("Convert8"), 0);
    ExpectClean(host);
}

INSTANTIATE_TEST_SUITE_P(BigDocument, Transfer, ::testing::Bool(), protocoltest::BigDocumentName);
