#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "FilterParameters.h"
#include "ScriptingTestUtil.h"
#include "HostInterface.h"
#include "ParameterSanitizer.h"

using namespace frostel;

namespace {

const ParameterKey& Key(const char (&code)[5]) {
    const ParameterKey* k = FindParameter(pi::FourCC(code));
    EXPECT_NE(k, nullptr) << code;
    return *k;
}

}  // namespace

TEST(ParameterSanitizer, LeavesTheFactoryValuesAlone) {
    FilterParameters p = FactoryParameters();
    const FilterParameters before = p;
    EXPECT_FALSE(SanitizeParameters(p));
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

// Values the dialog cannot type still mean what they say: a script or a
// preset may carry them.
TEST(ParameterSanitizer, KeepsValuesOutsideTheDialogsRanges) {
    FilterParameters p = FactoryParameters();
    StoreIntegerParameter(p, Key("RndM"), 0);
    StoreIntegerParameter(p, Key("MxIt"), 1);
    StoreIntegerParameter(p, Key("EfKn"), 7);
    StoreIntegerParameter(p, Key("PtrK"), 4);
    EXPECT_TRUE(StoreFloatParameter(p, Key("MnIn"), 0.0));
    EXPECT_TRUE(StoreFloatParameter(p, Key("Scle"), 300.0));
    EXPECT_TRUE(StoreFloatParameter(p, Key("Wdth"), -12.5));
    EXPECT_FALSE(SanitizeParameters(p));
    EXPECT_EQ(p.RndM, 0);
    EXPECT_EQ(p.MxIt, 1u);
    EXPECT_EQ(p.EfKn, 7);
    EXPECT_EQ(p.PtrK, 4);
    EXPECT_EQ(p.MnIn, 0.0f);
    EXPECT_EQ(p.Scle, 300.0f);
    EXPECT_EQ(p.Wdth, -12.5f);
}

// A script value is stored in its field's width: 300 in a byte is 44, a
// negative count wraps like the unsigned field it is read back from.
TEST(ParameterSanitizer, IntegersKeepTheBitsTheirFieldHolds) {
    FilterParameters p = FactoryParameters();
    StoreIntegerParameter(p, Key("RndM"), 300);
    EXPECT_EQ(p.RndM, 44);
    StoreIntegerParameter(p, Key("UsGl"), 256);
    EXPECT_EQ(p.UsGl, 0);
    StoreIntegerParameter(p, Key("MxTr"), -1);
    EXPECT_EQ(p.MxTr, 0xFFFFFFFFu);
    StoreIntegerParameter(p, Key("RndS"), int32_t(0x80000001u));
    EXPECT_EQ(p.RndS, 0x80000001u);
    StoreIntegerParameter(p, Key("BkCl"), -1);
    EXPECT_EQ(p.BkCl, 0xFFFFFFFFu);
    // An integer for a float field is a number like any other.
    StoreIntegerParameter(p, Key("Scle"), 0);
    EXPECT_EQ(p.Scle, 0.0f);
    EXPECT_FALSE(SanitizeParameters(p));
}

TEST(ParameterSanitizer, FloatsStayFiniteAndIntegerFieldsTakeThemTruncated) {
    FilterParameters p = FactoryParameters();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StoreFloatParameter(p, Key("Wdth"), std::nan("")));
    EXPECT_FALSE(StoreFloatParameter(p, Key("CtnX"), inf));
    EXPECT_FALSE(StoreFloatParameter(p, Key("RndM"), -inf));
    EXPECT_EQ(p.Wdth, 80.0f);
    EXPECT_EQ(p.CtnX, 0.0f);
    EXPECT_EQ(p.RndM, 5);

    // A double past the float range would narrow to infinity.
    EXPECT_TRUE(StoreFloatParameter(p, Key("Wdth"), 1e300));
    EXPECT_EQ(p.Wdth, FLT_MAX);
    EXPECT_TRUE(StoreFloatParameter(p, Key("RttX"), -1e300));
    EXPECT_EQ(p.RttX, -FLT_MAX);
    EXPECT_TRUE(StoreFloatParameter(p, Key("LgAl"), 4e-320));  // subnormal, but finite
    EXPECT_EQ(p.LgAl, 0.0f);

    EXPECT_TRUE(StoreFloatParameter(p, Key("MxT1"), 39.9));
    EXPECT_EQ(p.MxT1, 39u);
    EXPECT_TRUE(StoreFloatParameter(p, Key("RndM"), 300.7));
    EXPECT_EQ(p.RndM, 44);
    EXPECT_TRUE(StoreFloatParameter(p, Key("Colr"), 4294967295.0));
    EXPECT_EQ(p.Colr, 0xFFFFFFFFu);
    EXPECT_TRUE(StoreFloatParameter(p, Key("Diff"), -1.0));
    EXPECT_EQ(p.Diff, 0xFFFFFFFFu);
    // Far past int64: the low bits of the nearest int64, never undefined.
    EXPECT_TRUE(StoreFloatParameter(p, Key("MxIt"), 1e300));
    EXPECT_TRUE(StoreFloatParameter(p, Key("MxIt"), -1e300));
}

TEST(ParameterSanitizer, AWholeRecordLosesOnlyItsNonFiniteFloats) {
    FilterParameters p = FactoryParameters();
    p.Scle = std::nanf("");
    p.CtnY = std::numeric_limits<float>::infinity();
    p.Beta = -std::numeric_limits<float>::infinity();
    p.Trns = -1;
    p.GrwD = 9;
    p.EfKn = 0;
    p.MxIt = 0xFFFFFFFFu;
    EXPECT_TRUE(SanitizeParameters(p));
    EXPECT_EQ(p.Scle, 100.0f);
    EXPECT_EQ(p.CtnY, 0.0f);
    EXPECT_EQ(p.Beta, 45.0f);
    EXPECT_EQ(p.Trns, -1.0f);
    EXPECT_EQ(p.GrwD, 9);
    EXPECT_EQ(p.EfKn, 0);
    EXPECT_EQ(p.MxIt, 0xFFFFFFFFu);
    EXPECT_FALSE(SanitizeParameters(p));
}
