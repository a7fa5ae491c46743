#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "FilterParameters.h"
#include "HostInterface.h"

using namespace frostel;

namespace {

FilterParameters Filled(uint8_t byte) {
    FilterParameters p;
    std::memset(&p, byte, sizeof p);
    return p;
}

const ParameterKey& Param(const char (&key)[5]) {
    const ParameterKey* k = FindParameter(pi::FourCC(key));
    EXPECT_NE(k, nullptr) << key;
    return *k;
}

}  // namespace

TEST(ParameterKeys, TableIsConsistent) {
    std::set<uint32_t> keys;
    std::set<size_t> offsets;
    for (const ParameterKey& k : ParameterKeys) {
        EXPECT_TRUE(keys.insert(k.key).second) << k.name << " has a duplicate key";
        EXPECT_TRUE(offsets.insert(k.offset).second) << k.name << " shares a field";
        const size_t width = k.field == FieldType::U8 ? 1 : 4;
        EXPECT_LE(k.offset + width, sizeof(FilterParameters)) << k.name;
        EXPECT_EQ(k.offset % width, 0u) << k.name << " is misaligned";
    }
    EXPECT_EQ(keys.size(), size_t(kParameterCount));
    // The table's first and last entries anchor the scripting order.
    EXPECT_EQ(ParameterKeys[0].key, 0x426B436Cu);  // 'BkCl'
    EXPECT_STREQ(ParameterKeys[0].name, "Background Color");
    EXPECT_EQ(ParameterKeys[kParameterCount - 1].key, pi::FourCC("Colr"));
}

TEST(ParameterKeys, DefaultsLandInTheirFields) {
    // Start from garbage so that every default must be written.
    FilterParameters p = Filled(0xA5);
    ApplyWindowPlacementDefaults(p);
    ApplyParameterDefaults(p);

    EXPECT_EQ(p.dialogLeft, 100);
    EXPECT_EQ(p.dialogTop, 100);
    EXPECT_EQ(p.dialogWidth, 828);
    EXPECT_EQ(p.dialogHeight, 602);
    EXPECT_EQ(p.curveLeft, 400);
    EXPECT_EQ(p.curveTop, 300);
    EXPECT_EQ(p.curveInteractive, 0);
    EXPECT_EQ(p.geometryDirty, 1);
    EXPECT_EQ(p.bumpTexture, nullptr);

    EXPECT_EQ(p.BkCl, 0u);
    EXPECT_EQ(p.EmTp, 2);
    EXPECT_EQ(p.RndM, 5);
    EXPECT_EQ(p.MskK, 5);
    EXPECT_EQ(p.PtrK, 3);
    EXPECT_EQ(p.GrwD, 1);
    EXPECT_EQ(p.RndS, 0u);
    EXPECT_EQ(p.MnIn, 25.0f);
    EXPECT_EQ(p.MxIt, 3u);
    EXPECT_EQ(p.MxTr, 3u);
    EXPECT_EQ(p.Wdth, 80.0f);
    EXPECT_EQ(p.Dspr, 12.5f);
    EXPECT_EQ(p.Diff, 0xC0C0C0u);
    EXPECT_EQ(p.Spec, 0xFFFFFFu);
    EXPECT_EQ(p.Rfrc, -50.0f);
    EXPECT_EQ(p.LgCl, 0xFFFFFFu);
    EXPECT_EQ(p.LgBt, 45.0f);
    EXPECT_EQ(p.UsBk, 1);
    EXPECT_EQ(p.AlpC, 0);
    EXPECT_EQ(p.UsGl, 1);
    EXPECT_EQ(p.EfKn, 2);
    EXPECT_EQ(p.Turn, 270.0f);
    EXPECT_EQ(p.Trn1, 180.0f);
    EXPECT_EQ(p.MxT1, 15u);
    EXPECT_EQ(p.CtnX, 0.0f);
    EXPECT_EQ(p.Beta, 45.0f);
    EXPECT_EQ(p.Colr, 0x0000FFFFu);  // not white
}

TEST(ParameterKeys, DefaultsLeaveTheGeometryCacheAlone) {
    FilterParameters p = Filled(0);
    p.cachedTriangleCount = 7;
    p.cachedPointCount = 9;
    ApplyParameterDefaults(p);
    EXPECT_EQ(p.cachedTriangleCount, 7);
    EXPECT_EQ(p.cachedPointCount, 9);
}

TEST(ParameterKeys, ScriptValuesAreTruncatedToTheFieldWidth) {
    FilterParameters p = Filled(0);
    SetIntegerField(p, Param("RndM"), 300);
    EXPECT_EQ(p.RndM, 44);
    EXPECT_EQ(GetIntegerField(p, Param("RndM")), 44);

    SetIntegerField(p, Param("RndS"), -1);
    EXPECT_EQ(p.RndS, 0xFFFFFFFFu);
    EXPECT_EQ(GetIntegerField(p, Param("RndS")), 0xFFFFFFFF);

    // A neighbour of a byte field is untouched by its store.
    p.MskK = 6;
    SetIntegerField(p, Param("RndM"), 0x1FF);
    EXPECT_EQ(p.MskK, 6);

    SetFloatField(p, Param("Wdth"), 0.1);
    EXPECT_EQ(p.Wdth, 0.1f);
    EXPECT_EQ(GetFloatField(p, Param("Wdth")), double(0.1f));
}

TEST(ParameterKeys, UnknownKeyIsNotFound) {
    EXPECT_EQ(FindParameter(pi::FourCC("Amnt")), nullptr);
    EXPECT_EQ(FindParameter(0), nullptr);
}
