#include <gtest/gtest.h>

#include "ColorServices.h"
#include "HostSim.h"
#include "PlanarImage.h"
#include "Plugin.h"

using namespace frostel;

namespace {

pi::ColorServicesInfo gSeen;
pi::OSErr gAnswer = 0;
int gCalls = 0;

pi::OSErr Services(pi::ColorServicesInfo* info) {
    ++gCalls;
    gSeen = *info;
    if (gAnswer == 0) {
        for (int16_t& c : info->colorComponents) c = int16_t(c + 1);
        info->resultSpace = pi::plugIncolorServicesLabSpace;
    }
    return gAnswer;
}

class Colours : public ::testing::Test {
protected:
    void SetUp() override {
        gSeen = {};
        gAnswer = 0;
        gCalls = 0;
        record_ = {};
        record_.colorServices = &Services;
        gFilterRecord = &record_;
    }
    void TearDown() override { gFilterRecord = nullptr; }
    pi::FilterRecord record_{};
};

}  // namespace

TEST_F(Colours, ConvertFillsTheBlockAndCopiesBackOnlyOnSuccess) {
    int16_t c[4] = {1, 2, 3, 4};
    ASSERT_EQ(ConvertColorSpace(&Services, pi::plugIncolorServicesCMYKSpace, pi::plugIncolorServicesRGBSpace, c), 0);
    EXPECT_EQ(gSeen.infoSize, int32_t(sizeof(pi::ColorServicesInfo)));
    EXPECT_EQ(gSeen.selector, pi::plugIncolorServicesConvertColor);
    EXPECT_EQ(gSeen.sourceSpace, pi::plugIncolorServicesCMYKSpace);
    EXPECT_EQ(gSeen.resultSpace, pi::plugIncolorServicesRGBSpace);
    EXPECT_EQ(c[3], 5);

    gAnswer = -30100;
    EXPECT_EQ(ConvertColorSpace(&Services, 0, 2, c), -30100);
    EXPECT_EQ(c[0], 2);
    EXPECT_EQ(ConvertColorSpace(nullptr, 0, 2, c), pi::errPlugInHostInsufficient);
    EXPECT_EQ(ConvertColorSpace(&Services, 0, 2, nullptr), pi::errMissingParameter);
    EXPECT_EQ(PickColorWithHost(nullptr, nullptr, *c, c), pi::errPlugInHostInsufficient);
}

TEST_F(Colours, PickerTakesThePromptAndReportsTheSpace) {
    pi::Str255 prompt = {3, 'a', 'b', 'c'};
    int16_t space = pi::plugIncolorServicesRGBSpace;
    int16_t c[4] = {9, 9, 9, 0};
    ASSERT_EQ(PickColorWithHost(&Services, &prompt, space, c), 0);
    EXPECT_EQ(gSeen.selector, pi::plugIncolorServicesChooseColor);
    EXPECT_EQ(gSeen.selectorParameter.pickerPrompt, &prompt);
    EXPECT_EQ(space, pi::plugIncolorServicesLabSpace);
    EXPECT_EQ(c[0], 10);
    int16_t none = 0;
    EXPECT_EQ(PickColorWithHost(&Services, &prompt, none, nullptr), pi::errMissingParameter);
}

TEST_F(Colours, ModesMapToColourSpaces) {
    EXPECT_EQ(ImageModeToColorSpace(pi::plugInModeIndexedColor), pi::plugIncolorServicesRGBSpace);
    EXPECT_EQ(ImageModeToColorSpace(1), pi::plugIncolorServicesGraySpace);
    EXPECT_EQ(ImageModeToColorSpace(4), pi::plugIncolorServicesCMYKSpace);
    EXPECT_EQ(ImageModeToColorSpace(5), pi::plugIncolorServicesHSLSpace);
    EXPECT_EQ(ImageModeToColorSpace(6), pi::plugIncolorServicesHSBSpace);
    EXPECT_EQ(ImageModeToColorSpace(9), pi::plugIncolorServicesLabSpace);
    for (int16_t m : {int16_t(-1), int16_t(0), int16_t(8), int16_t(10), int16_t(13)})
        EXPECT_EQ(ImageModeToColorSpace(m), pi::plugIncolorServicesRGBSpace) << m;

    const int16_t table[18] = {-1, 4, -1, 0, 2, 5, 1, -1, 4, 3, 4, 0, 3, 2, -1, 4, 0, 4};
    for (int16_t m = 0; m < 18; ++m) EXPECT_EQ(ColorSpaceOfModeTable(m), table[m]) << m;
    EXPECT_EQ(ColorSpaceOfModeTable(18), -1);
    EXPECT_EQ(ColorSpaceOfModeTable(-3), -1);
}

TEST_F(Colours, RgbToModeConvertsTheHighBytes) {
    uint16_t out[4] = {7, 7, 7, 7};
    EXPECT_FALSE(ConvertRgbToMode({0x1234, 0x5678, 0x9ABC}, out, pi::plugInModeDuotone));
    EXPECT_FALSE(ConvertRgbToMode({0, 0, 0}, out, pi::plugInModeMultichannel));
    EXPECT_EQ(gCalls, 0);
    ASSERT_TRUE(ConvertRgbToMode({0x1234, 0x5678, 0x9ABC}, out, pi::plugInModeCMYKColor));
    EXPECT_EQ(gSeen.sourceSpace, pi::plugIncolorServicesRGBSpace);
    EXPECT_EQ(gSeen.resultSpace, pi::plugIncolorServicesCMYKSpace);
    EXPECT_EQ(gSeen.colorComponents[0], 0x12);
    EXPECT_EQ(gSeen.colorComponents[2], 0x9A);
    EXPECT_EQ(gSeen.colorComponents[3], 0);
    EXPECT_EQ(out[1], 0x57);  // the fake adds one

    gFilterRecord = nullptr;
    uint16_t c[4] = {};
    EXPECT_FALSE(ConvertColorBetweenModes(c, 3, 4));
}

TEST_F(Colours, ComponentHelpers) {
    const uint16_t from[4] = {0x1234, 0xFF00, 0x00FF, 0x8080};
    uint16_t to[4];
    CopyColorComponents(from, to, true);
    EXPECT_EQ(to[0], 0x12);
    EXPECT_EQ(to[2], 0);
    CopyColorComponents(from, to, false);
    EXPECT_EQ(to[3], 0x8080);
    SetColorComponents(to, 1, 2, 3, 4);
    EXPECT_EQ(to[3], 4);
}

TEST(HostColours, PickAsRgbAndPlanarFillsGoThroughTheTestHost) {
    hostsim::Options o;
    o.pickedColor = {0x40, 0x80, 0xC0};
    hostsim::Host host(+[](int16_t, void*, intptr_t*, int16_t*) {}, o);
    host.CallSelector(100);
    gFilterRecord = &host.record();
    pi::RGBColor c{};
    ASSERT_EQ(PickColorAsRgb(nullptr, c), pi::noErr);
    EXPECT_EQ(c.red, 0x4040);
    EXPECT_EQ(c.blue, 0xC0C0);
    host.options().pickCancelled = true;
    EXPECT_EQ(PickColorAsRgb(nullptr, c), pi::userCanceledErr);
    EXPECT_EQ(c.red, 0x4040);  // unchanged
    const pi::ColorServicesProc services = host.record().colorServices;
    host.record().colorServices = nullptr;  // no picker: neither a colour nor a cancel
    EXPECT_NE(PickColorAsRgb(nullptr, c), pi::noErr);
    EXPECT_NE(PickColorAsRgb(nullptr, c), pi::userCanceledErr);
    host.record().colorServices = services;

    // A CMYK planar buffer filled with white holds no ink (255 in every plane).
    InstallPlanarColorHooks();
    CPlanarImage cmyk(kModeCMYK, PlaneRect{0, 0, 2, 2}, 4, 8, 0, 0);
    ASSERT_TRUE(cmyk.FillColor(Rgb16{0xFFFF, 0xFFFF, 0xFFFF}));
    for (int p = 0; p < 4; ++p) EXPECT_EQ(*cmyk.Sample(p, 1, 1), 255) << p;
    gFilterRecord = nullptr;
}
