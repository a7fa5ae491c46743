#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "ColorModel.h"
#include "HarnessMain.h"
#include "ImageIO.h"
#include "ParameterArgs.h"
#include "TestFilter.h"

using namespace frostel::hostsim;

namespace {

ParsedArgs Parse(std::vector<std::string> argv) { return ParseHarnessArgs(argv); }

}  // namespace

TEST(HarnessArgsTest, ReadsEveryOption) {
    const ParsedArgs p = Parse({"f.8bf", "in.png", "out.png", "--mode", "cmyk", "--alpha", "--mask", "m.png",
                                "--runs", "3", "--about", "--selector", "6", "--selector", "-1", "--log",
                                "l.json", "--no-big-document", "--no-basic-suite", "--fail-new", "2",
                                "--fail-lock", "4", "--drop-handle", "data", "--refuse-advance",
                                "--abort-after", "7", "--no-handle-procs", "--handle-procs-version", "2",
                                "--no-suite", "SP Runtime Suite@5", "--no-suite", "Other", "--planes", "2",
                                "--filter-rect", "1,2,30,40", "--row-padding", "3", "--no-color-services",
                                "--pick-color", "1,2,3", "--pick-cancel", "--fail-convert", "9", "--preset", "p.frlpst",
                                "--dialog-ok-after", "250", "--threads", "3"});
    ASSERT_TRUE(p.ok) << p.error;
    const HarnessArgs& a = p.args;
    EXPECT_EQ(a.module, "f.8bf");
    EXPECT_EQ(a.input, "in.png");
    EXPECT_EQ(a.output, "out.png");
    EXPECT_EQ(a.mode, pi::plugInModeCMYKColor);
    EXPECT_TRUE(a.alpha);
    EXPECT_EQ(a.mask, "m.png");
    EXPECT_EQ(a.runs, 3);
    EXPECT_TRUE(a.about);
    EXPECT_EQ(a.selectors, (std::vector<int16_t>{6, -1}));
    EXPECT_EQ(a.log, "l.json");
    EXPECT_EQ(a.preset, "p.frlpst");
    EXPECT_FALSE(a.options.bigDocument);
    EXPECT_FALSE(a.options.basicSuite);
    EXPECT_EQ(a.options.failNewAt, 2);
    EXPECT_EQ(a.options.failLockAt, 4);
    EXPECT_EQ(a.options.dropHandle, DropHandle::Data);
    EXPECT_TRUE(a.options.refuseAdvance);
    EXPECT_EQ(a.options.abortAfter, 7);
    EXPECT_EQ(a.options.dialogOkAfterMs, 250);
    EXPECT_FALSE(a.options.handleProcs);
    EXPECT_EQ(a.options.handleProcsVersion, 2);
    EXPECT_EQ(a.options.disabledSuites, (std::set<std::string>{"SP Runtime Suite@5", "Other"}));
    EXPECT_EQ(a.planes, 2);
    ASSERT_TRUE(a.options.filterRect.has_value());
    EXPECT_EQ(a.options.filterRect->top, 1);
    EXPECT_EQ(a.options.filterRect->right, 40);
    EXPECT_EQ(a.options.rowPadding, 3);
    EXPECT_FALSE(a.options.colorServices);
    EXPECT_EQ(a.options.pickedColor.b, 3);
    EXPECT_TRUE(a.options.pickCancelled);
    EXPECT_EQ(a.options.failConvertAt, 9);
    EXPECT_EQ(a.renderThreads, 3);
    EXPECT_EQ(Parse({"f.8bf", "a.png", "b.png", "--mode", "lab"}).args.mode, pi::plugInModeLabColor);
    EXPECT_EQ(Parse({"f.8bf", "a.png", "b.png", "--mode", "11"}).args.mode, pi::plugInModeRGB48);
}

TEST(HarnessArgsTest, SetTakesEveryFiniteNumber) {
    ParameterSetting set;
    std::string error;
    for (const char* tiny : {"Wdth=4e-320", "Wdth=-4.9e-324", "Wdth=1e-400", "Wdth=2.2250738585072014e-308"}) {
        EXPECT_TRUE(ParseParameterSetting(tiny, set, error)) << tiny << ": " << error;
        EXPECT_TRUE(std::isfinite(set.number)) << tiny;
    }
    EXPECT_TRUE(ParseParameterSetting("Wdth=4e-320", set, error));
    EXPECT_EQ(set.number, 4e-320);
    for (const char* bad : {"Wdth=1e400", "Wdth=-1e999", "Wdth=inf", "Wdth=nan", "Wdth=", "Wdth=1x", "RndS=99999999999999999999"})
        EXPECT_FALSE(ParseParameterSetting(bad, set, error)) << bad;
}

TEST(HarnessArgsTest, RejectsBadCommandLines) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"f.8bf"},
        {"f.8bf", "in.png"},
        {"f.8bf", "in.png", "out.png", "extra.png"},
        {"f.8bf", "in.png", "out.png", "--mode", "hsv"},
        {"f.8bf", "in.png", "out.png", "--mode", "16"},
        {"f.8bf", "in.png", "out.png", "--planes", "6"},
        {"f.8bf", "in.png", "out.png", "--filter-rect", "1,2,3"},
        {"f.8bf", "in.png", "out.png", "--filter-rect", "1,2,3,4,5"},
        {"f.8bf", "in.png", "out.png", "--filter-rect", "1,-2,3,4"},
        {"f.8bf", "in.png", "out.png", "--pick-color", "1,2,256"},
        {"f.8bf", "in.png", "out.png", "--mode"},
        {"f.8bf", "in.png", "out.png", "--runs", "x"},
        {"f.8bf", "in.png", "out.png", "--runs", "-1"},
        {"f.8bf", "in.png", "out.png", "--fail-new", "0"},
        {"f.8bf", "in.png", "out.png", "--selector", "40000"},
        {"f.8bf", "in.png", "out.png", "--drop-handle", "both"},
        {"f.8bf", "in.png", "out.png", "--frobnicate"},
        {"f.8bf", "in.png", "out.png", "--no-suite"},
        {"f.8bf", "in.png", "out.png", "--handle-procs-version", "-2"},
        {"f.8bf", "in.png", "out.png", "--dialog-ok-after", "-5"},
        {"f.8bf", "in.png", "out.png", "--threads", "0"},
        {"f.8bf", "in.png", "out.png", "--threads", "257"},
        {"f.8bf", "--about", "--mask", "m.png"},
    };
    for (const auto& argv : bad) {
        const ParsedArgs p = Parse(argv);
        EXPECT_FALSE(p.ok) << ::testing::PrintToString(argv);
        EXPECT_FALSE(p.error.empty());
    }
    EXPECT_TRUE(Parse({"--help"}).ok);
    EXPECT_TRUE(Parse({"--help"}).args.help);
    EXPECT_TRUE(Parse({"f.8bf", "--about"}).ok);
    EXPECT_NE(HarnessUsage().find("--drop-handle"), std::string::npos);
}

class RunHarnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        testfilter::Reset();
        // ctest runs each test in its own process, in parallel: one set of files per test.
        dir_ = ::testing::TempDir() + "harness_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_";
        in_ = dir_ + "in.png";
        out_ = dir_ + "out.png";
        log_ = dir_ + "log.json";
        std::remove(out_.c_str());
        std::remove(log_.c_str());
        Image8 img;
        img.width = 7;
        img.height = 5;
        img.channels = 3;
        for (int i = 0; i < 7 * 5 * 3; ++i) img.pixels.push_back(uint8_t(i * 5));
        std::vector<uint8_t> png;
        std::string error;
        ASSERT_TRUE(EncodePng(img, png, error));
        ASSERT_TRUE(WriteFileBytes(in_, png));
        source_ = img.pixels;
    }
    int Run(std::vector<std::string> extra) {
        std::vector<std::string> argv = {"test.8bf", in_, out_, "--log", log_};
        argv.insert(argv.end(), extra.begin(), extra.end());
        const ParsedArgs p = ParseHarnessArgs(argv);
        EXPECT_TRUE(p.ok) << p.error;
        return RunHarness(p.args, &testfilter::Entry, StandardFileAccess(), out, err);
    }
    std::string dir_, in_, out_, log_;
    std::vector<uint8_t> source_;
    std::ostringstream out, err;
};

TEST_F(RunHarnessTest, WritesTheFilteredImageAndTheLog) {
    ASSERT_EQ(Run({"--mode", "cmyk", "--about", "--selector", "6"}), kExitOk) << err.str();
    std::vector<uint8_t> png, log;
    ASSERT_TRUE(ReadFileBytes(out_, png));
    Image8 result;
    std::string error;
    ASSERT_TRUE(DecodePng(png, 3, result, error)) << error;
    // Inverting C, M, Y and K of the invertible model, then converting back.
    for (size_t i = 0; i < source_.size(); i += 3) {
        const Cmyk c = RgbToCmyk({source_[i], source_[i + 1], source_[i + 2]});
        const Rgb want = CmykToRgb({uint8_t(255 - c.c), uint8_t(255 - c.m), uint8_t(255 - c.y), uint8_t(255 - c.k)});
        ASSERT_EQ(result.pixels[i], want.r) << i;
        ASSERT_EQ(result.pixels[i + 2], want.b) << i;
    }
    ASSERT_TRUE(ReadFileBytes(log_, log));
    const std::string text(log.begin(), log.end());
    EXPECT_EQ(text.front(), '[');
    EXPECT_NE(text.find("\"call\":\"selectorDone\",\"selector\":5"), std::string::npos);
    EXPECT_NE(text.find("\"name\":\"about\""), std::string::npos);
    EXPECT_EQ(testfilter::gObserved.calls[0], 1);
}

TEST_F(RunHarnessTest, APresetThatCannotBeReadStopsBeforeAnySelector) {
    const std::string noHeader = dir_ + "bad.frlpst";
    ASSERT_TRUE(WriteFileBytes(noHeader, {'S', 'd', 'n', 'R', ' ', '7', '\n'}));
    for (const std::string& preset : {noHeader, dir_ + "missing.frlpst"}) {
        SCOPED_TRACE(preset);
        testfilter::Reset();
        EXPECT_EQ(Run({"--preset", preset}), kExitFiles);
        EXPECT_EQ(testfilter::gObserved.calls[1], 0);
        std::vector<uint8_t> png;
        EXPECT_FALSE(ReadFileBytes(out_, png));
    }
}

TEST_F(RunHarnessTest, RepeatedRunsSkipTheParametersSelector) {
    ASSERT_EQ(Run({"--runs", "2"}), kExitOk) << err.str();
    EXPECT_EQ(testfilter::gObserved.calls[1], 1);
    EXPECT_EQ(testfilter::gObserved.calls[3], 2);
    std::vector<uint8_t> png;
    ASSERT_TRUE(ReadFileBytes(out_, png));
    Image8 result;
    std::string error;
    ASSERT_TRUE(DecodePng(png, 3, result, error));
    EXPECT_EQ(result.pixels, source_);  // inverted twice
}

TEST_F(RunHarnessTest, FailureWritesNoImageButKeepsTheLog) {
    EXPECT_EQ(Run({"--refuse-advance"}), kExitFilterFailed);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(ReadFileBytes(out_, bytes));
    EXPECT_TRUE(ReadFileBytes(log_, bytes));
    EXPECT_NE(err.str().find("start (3) returned -108"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("was not written"), std::string::npos);
}

TEST_F(RunHarnessTest, UnreadableInputIsReported) {
    in_ = dir_ + "harness_missing.png";
    EXPECT_EQ(Run({}), kExitFiles);
    EXPECT_NE(err.str().find("cannot read"), std::string::npos);
    EXPECT_EQ(testfilter::gObserved.calls[2], 0);
}
