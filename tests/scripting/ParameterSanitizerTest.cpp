#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>

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

const std::set<std::string> kBitPatterns = {"BkCl", "RndS", "Diff", "Spec", "LgCl", "Colr"};
const std::set<std::string> kAngles = {"LgAl", "LgBt", "RttX", "Alph", "Beta"};
const std::set<std::string> kBooleans = {"UsBk", "AlpC", "UsGl"};

std::string Code(const ParameterKey& k) {
    return {char(k.key >> 24), char(k.key >> 16), char(k.key >> 8), char(k.key)};
}

}  // namespace

TEST(ParameterSanitizer, LeavesTheFactoryValuesAlone) {
    FilterParameters p = FactoryParameters();
    const FilterParameters before = p;
    EXPECT_FALSE(SanitizeParameters(p));
    EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0);
}

TEST(ParameterSanitizer, ClampsIntegersBeforeNarrowingThem) {
    FilterParameters p = FactoryParameters();
    StoreIntegerParameter(p, Key("RndM"), 300);
    EXPECT_EQ(p.RndM, 7);  // not 300 mod 256
    StoreIntegerParameter(p, Key("RndM"), 257);
    EXPECT_EQ(p.RndM, 7);
    StoreIntegerParameter(p, Key("RndM"), -5);
    EXPECT_EQ(p.RndM, 1);
    StoreIntegerParameter(p, Key("MxIt"), -1);
    EXPECT_EQ(p.MxIt, 2u);  // a negative count is below the range, not 4294967295
    StoreIntegerParameter(p, Key("MxTr"), 1000000);
    EXPECT_EQ(p.MxTr, 30u);
    StoreIntegerParameter(p, Key("EmTp"), 3);
    EXPECT_EQ(p.EmTp, 3);  // automatic
    StoreIntegerParameter(p, Key("UsGl"), 300);
    EXPECT_EQ(p.UsGl, 1);
    StoreIntegerParameter(p, Key("AlpC"), -1);
    EXPECT_EQ(p.AlpC, 1);
    StoreIntegerParameter(p, Key("UsBk"), 0);
    EXPECT_EQ(p.UsBk, 0);
    // An integer for a float field is a number like any other.
    StoreIntegerParameter(p, Key("Scle"), 0);
    EXPECT_EQ(p.Scle, 5.0f);
}

TEST(ParameterSanitizer, KeepsEveryBitOfSeedsAndColours) {
    FilterParameters p = FactoryParameters();
    StoreIntegerParameter(p, Key("RndS"), int32_t(0x80000001u));
    EXPECT_EQ(p.RndS, 0x80000001u);
    StoreIntegerParameter(p, Key("BkCl"), -1);
    EXPECT_EQ(p.BkCl, 0xFFFFFFFFu);
    EXPECT_TRUE(StoreFloatParameter(p, Key("Colr"), 4294967295.0));
    EXPECT_EQ(p.Colr, 0xFFFFFFFFu);
    EXPECT_TRUE(StoreFloatParameter(p, Key("Diff"), -1.0));
    EXPECT_EQ(p.Diff, 0xFFFFFFFFu);
    EXPECT_FALSE(SanitizeParameters(p));
}

TEST(ParameterSanitizer, RefusesNonFiniteFloatsAndClampsTheRest) {
    FilterParameters p = FactoryParameters();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StoreFloatParameter(p, Key("Wdth"), std::nan("")));
    EXPECT_FALSE(StoreFloatParameter(p, Key("CtnX"), inf));
    EXPECT_FALSE(StoreFloatParameter(p, Key("RndM"), -inf));
    EXPECT_EQ(p.Wdth, 80.0f);
    EXPECT_EQ(p.CtnX, 0.0f);
    EXPECT_EQ(p.RndM, 5);

    EXPECT_TRUE(StoreFloatParameter(p, Key("Scle"), 0.0));
    EXPECT_EQ(p.Scle, 5.0f);  // the scale stays positive
    EXPECT_TRUE(StoreFloatParameter(p, Key("Wdth"), 1e300));
    EXPECT_EQ(p.Wdth, 300.0f);
    EXPECT_TRUE(StoreFloatParameter(p, Key("RttX"), 1080.5));
    EXPECT_EQ(p.RttX, 1080.5f);  // angles may run over several turns
    EXPECT_TRUE(StoreFloatParameter(p, Key("RttX"), -1e300));
    EXPECT_EQ(p.RttX, -FLT_MAX);  // but stay finite as floats
    EXPECT_TRUE(StoreFloatParameter(p, Key("MxT1"), 39.9));
    EXPECT_EQ(p.MxT1, 39u);  // truncated toward zero, as the dialog does
    EXPECT_TRUE(StoreFloatParameter(p, Key("MskK"), -0.5));
    EXPECT_EQ(p.MskK, 1);
}

TEST(ParameterSanitizer, RepairsAWholeRecord) {
    FilterParameters p = FactoryParameters();
    p.Scle = std::nanf("");
    p.CtnY = std::numeric_limits<float>::infinity();
    p.Trns = -1;
    p.GrwD = 9;
    p.EfKn = 0;
    p.PtrK = 4;
    p.MxIt = 0xFFFFFFFFu;  // a count read back unsigned
    EXPECT_TRUE(SanitizeParameters(p));
    EXPECT_EQ(p.Scle, 100.0f);
    EXPECT_EQ(p.CtnY, 0.0f);
    EXPECT_EQ(p.Trns, 0.0f);
    EXPECT_EQ(p.GrwD, 8);
    EXPECT_EQ(p.EfKn, 1);
    EXPECT_EQ(p.PtrK, 3);  // a fourth pattern only for the single figure
    EXPECT_EQ(p.MxIt, 10u);
    EXPECT_FALSE(SanitizeParameters(p));

    p.EfKn = 3;
    p.PtrK = 4;
    EXPECT_FALSE(SanitizeParameters(p));
    EXPECT_EQ(p.PtrK, 4);
}

// Every parameter has its rule: extreme values land inside the dialog's
// ranges, except for bit patterns (kept) and angles (float range).
TEST(ParameterSanitizer, EveryParameterHasItsRule) {
    for (const ParameterKey& k : ParameterKeys) {
        const std::string code = Code(k);
        SCOPED_TRACE(code);
        FilterParameters p = FactoryParameters();
        if (k.isFloat()) {
            ASSERT_TRUE(StoreFloatParameter(p, k, 1e300));
            const double hi = GetFloatField(p, k);
            ASSERT_TRUE(StoreFloatParameter(p, k, -1e300));
            const double lo = GetFloatField(p, k);
            if (kAngles.count(code)) {
                EXPECT_EQ(hi, FLT_MAX);
                EXPECT_EQ(lo, -FLT_MAX);
            } else {
                EXPECT_LE(hi, 999);
                EXPECT_GE(lo, -360);
                EXPECT_LT(lo, hi);
                EXPECT_LE(lo, k.defaultValue);
                EXPECT_GE(hi, k.defaultValue);
            }
        } else {
            StoreIntegerParameter(p, k, 1000000000);
            const int64_t hi = GetIntegerField(p, k);
            StoreIntegerParameter(p, k, -1000000000);
            const int64_t lo = GetIntegerField(p, k);
            if (kBitPatterns.count(code)) {
                EXPECT_EQ(hi, 1000000000);
                EXPECT_EQ(lo, int64_t(uint32_t(-1000000000)));
            } else if (kBooleans.count(code)) {
                EXPECT_EQ(hi, 1);
                EXPECT_EQ(lo, 1);
            } else {
                EXPECT_LE(hi, 40);
                EXPECT_GE(lo, 0);
                EXPECT_LT(lo, hi);
                EXPECT_LE(lo, int64_t(k.defaultValue));
                EXPECT_GE(hi, int64_t(k.defaultValue));
            }
        }
        FilterParameters again = p;
        SanitizeParameters(again);
        EXPECT_EQ(GetFloatField(again, k), GetFloatField(p, k));
    }
}
