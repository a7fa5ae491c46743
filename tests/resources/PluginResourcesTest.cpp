#include "PluginResources.h"

#include <gtest/gtest.h>

#include "ByteWriter.h"

namespace frostel::inspect {
namespace {

using testing::ByteWriter;
using testing::Prefix;

ByteWriter PiplHeader(int32_t count) {
    ByteWriter w;
    w.U16(1).I32(0).I32(count);
    return w;
}

void Property(ByteWriter& w, const char* key, const std::vector<uint8_t>& data, int32_t length) {
    w.Code("8BIM").Code(key).I32(0).I32(length).Bytes(data);
}

// kind, then a padded name, then the filter cases.
std::vector<uint8_t> SmallPipl() {
    ByteWriter w = PiplHeader(3);
    Property(w, "kind", ByteWriter().Code("8BFM").Bytes(), 4);
    Property(w, "name", ByteWriter().Pascal("Abcde").PadTo(8).Bytes(), 8);
    Property(w, "fici", ByteWriter().U8(1).U8(1).U8(6).U8(0).U8(1).U8(2).U8(14).U8(0).Bytes(), 8);
    return w.Bytes();
}

TEST(ParsePipl, ReadsHeaderAndPropertiesInOrder) {
    Expected<Pipl> pipl = ParsePipl(SmallPipl());
    ASSERT_TRUE(pipl) << pipl.error();
    EXPECT_EQ(pipl->marker, 1);
    EXPECT_EQ(pipl->version, 0);
    EXPECT_EQ(pipl->count, 3);
    ASSERT_EQ(pipl->properties.size(), 3u);

    const PiplProperty& kind = pipl->properties[0];
    EXPECT_EQ(kind.vendor, FourCC("8BIM"));
    EXPECT_EQ(kind.key, FourCC("kind"));
    EXPECT_EQ(kind.offset, 10u);
    EXPECT_EQ(kind.data, (std::vector<uint8_t>{'M', 'F', 'B', '8'}));
    EXPECT_EQ(pipl->properties[1].offset, 10u + 16 + 4);
    EXPECT_EQ(pipl->properties[2].offset, 10u + 16 + 4 + 16 + 8);

    ASSERT_NE(pipl->Find(FourCC("name")), nullptr);
    Expected<std::string> name = PiplPascalString(*pipl->Find(FourCC("name")));
    ASSERT_TRUE(name) << name.error();
    EXPECT_EQ(*name, "Abcde");
    EXPECT_EQ(pipl->Find(FourCC("catg")), nullptr);

    Expected<std::vector<PiplFilterCase>> cases = ParsePiplFilterCases(*pipl->Find(FourCC("fici")));
    ASSERT_TRUE(cases) << cases.error();
    ASSERT_EQ(cases->size(), 2u);
    EXPECT_EQ((*cases)[1].output, 2);
    EXPECT_EQ((*cases)[1].flags1, 14);
}

TEST(ParsePipl, EveryTruncationIsAnError) {
    const std::vector<uint8_t> full = SmallPipl();
    for (size_t n = 0; n < full.size(); ++n) {
        Expected<Pipl> pipl = ParsePipl(Prefix(full, n));
        EXPECT_FALSE(pipl) << "accepted the first " << n << " bytes";
    }
}

TEST(ParsePipl, RejectsBadLengthsAndCounts) {
    {
        ByteWriter w = PiplHeader(1);
        Property(w, "name", ByteWriter().Pascal("Ab").Bytes(), 3);  // unpadded string
        Expected<Pipl> pipl = ParsePipl(w.Bytes());
        ASSERT_FALSE(pipl);
        EXPECT_NE(pipl.error().find("multiple of 4"), std::string::npos) << pipl.error();
    }
    {
        ByteWriter w = PiplHeader(1);
        w.Code("8BIM").Code("kind").I32(0).I32(-4);
        EXPECT_FALSE(ParsePipl(w.Bytes()));
    }
    {
        ByteWriter w = PiplHeader(1);
        Property(w, "kind", ByteWriter().Code("8BFM").Bytes(), 8);  // length beyond the block
        Expected<Pipl> pipl = ParsePipl(w.Bytes());
        ASSERT_FALSE(pipl);
        EXPECT_NE(pipl.error().find("'kind'"), std::string::npos) << pipl.error();
    }
    EXPECT_FALSE(ParsePipl(PiplHeader(-1).Bytes()));
    EXPECT_FALSE(ParsePipl(PiplHeader(0x7FFFFFFF).Zeros(64).Bytes()));
}

TEST(ParsePipl, RejectsBytesAfterTheLastProperty) {
    ByteWriter w;
    w.Bytes(SmallPipl()).Zeros(4);
    Expected<Pipl> pipl = ParsePipl(w.Bytes());
    ASSERT_FALSE(pipl);
    EXPECT_NE(pipl.error().find("left over"), std::string::npos) << pipl.error();

    // The same bytes are fine when the count claims them.
    ByteWriter counted = PiplHeader(0);
    EXPECT_TRUE(ParsePipl(counted.Bytes()));
    counted.Zeros(1);
    EXPECT_FALSE(ParsePipl(counted.Bytes()));
}

PiplProperty MakeProperty(const char (&key)[5], std::vector<uint8_t> data) {
    PiplProperty p;
    p.key = FourCC(key);
    p.length = int32_t(data.size());
    p.data = std::move(data);
    return p;
}

TEST(PiplPropertyData, StringsNeedTheirTerminatorAndZeroPadding) {
    EXPECT_EQ(*PiplPascalString(MakeProperty("name", ByteWriter().Pascal("abc").Bytes())), "abc");
    EXPECT_FALSE(PiplPascalString(MakeProperty("name", ByteWriter().U8(4).Chars("abc").Bytes())));
    EXPECT_FALSE(PiplPascalString(MakeProperty("name", ByteWriter().Pascal("ab").U8('x').Bytes())));

    PiplProperty entry = MakeProperty("name", ByteWriter().CString("Entry").PadTo(8).Bytes());
    EXPECT_EQ(*PiplCString(entry), "Entry");
    EXPECT_EQ(*PiplCString(entry, 2), "try");
    EXPECT_FALSE(PiplCString(entry, 9));
    EXPECT_FALSE(PiplCString(MakeProperty("name", ByteWriter().Chars("Entry123").Bytes())));
    EXPECT_FALSE(PiplCString(MakeProperty("name", ByteWriter().CString("Entry").U8(0).U8(1).Bytes())));
}

TEST(PiplPropertyData, TerminologyPropertyPutsTheScopeRightAfterTheId) {
    ByteWriter w;
    w.I32(0).Code("FrTl").Code("FrTe").U16(16000).CString("scope-1").PadTo(28);
    Expected<PiplTerminology> t = ParsePiplTerminology(MakeProperty("hstm", w.Bytes()));
    ASSERT_TRUE(t) << t.error();
    EXPECT_EQ(t->version, 0);
    EXPECT_EQ(t->classId, FourCC("FrTl"));
    EXPECT_EQ(t->eventId, FourCC("FrTe"));
    EXPECT_EQ(t->terminologyId, 16000);
    EXPECT_EQ(t->scope, "scope-1");

    EXPECT_FALSE(ParsePiplTerminology(MakeProperty("hstm", Prefix(w.Bytes(), 13))));
    EXPECT_FALSE(ParsePiplTerminology(MakeProperty("hstm", Prefix(w.Bytes(), 20))));  // no terminator
}

TEST(PiplPropertyData, FilterCasesComeInWholeRecords) {
    EXPECT_FALSE(ParsePiplFilterCases(MakeProperty("fici", {1, 1, 6})));
    Expected<std::vector<PiplFilterCase>> none = ParsePiplFilterCases(MakeProperty("fici", {}));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

// One suite, one event, two parameters.
ByteWriter SmallAete() {
    ByteWriter w;
    w.U16(1).U8(1).U8(0).U16(0).U16(0).U16(1);
    w.Pascal("Suite").Pascal("Suite text").Code("FrTl").U16(1).U16(1).U16(1);
    w.Pascal("Event").Pascal("Event text").Code("FrTl").Code("FrTl");
    w.Code("null").Pascal("").U16(0).Code("#ImR").Pascal("").U16(0xB000).U16(2);
    w.Pascal("First").Code("BkCl").Code("long").Pascal(" ").U16(0);
    w.Pascal("Second").Code("CtnX").Code("doub").Pascal(" ").U16(0);
    return w;
}

TEST(ParseAete, ReadsEverythingToTheEnd) {
    ByteWriter w = SmallAete();
    w.U16(0).U16(0).U16(0);
    Expected<Aete> aete = ParseAete(w.Bytes());
    ASSERT_TRUE(aete) << aete.error();
    EXPECT_EQ(aete->marker, 1);
    EXPECT_EQ(aete->majorVersion, 1);
    EXPECT_EQ(aete->minorVersion, 0);
    ASSERT_EQ(aete->suites.size(), 1u);
    const AeteSuite& suite = aete->suites[0];
    EXPECT_EQ(suite.name, "Suite");
    EXPECT_EQ(suite.description, "Suite text");
    EXPECT_EQ(suite.id, FourCC("FrTl"));
    ASSERT_EQ(suite.events.size(), 1u);
    const AeteEvent& event = suite.events[0];
    EXPECT_EQ(event.name, "Event");
    EXPECT_EQ(event.replyType, FourCC("null"));
    EXPECT_EQ(event.replyDescription, "");
    EXPECT_EQ(event.directType, FourCC("#ImR"));
    EXPECT_EQ(event.directFlags, 0xB000);
    ASSERT_EQ(event.parameters.size(), 2u);
    EXPECT_EQ(event.parameters[1].name, "Second");
    EXPECT_EQ(event.parameters[1].key, FourCC("CtnX"));
    EXPECT_EQ(event.parameters[1].type, FourCC("doub"));
    EXPECT_EQ(event.parameters[1].description, " ");
}

TEST(ParseAete, EveryTruncationIsAnError) {
    ByteWriter w = SmallAete();
    w.U16(0).U16(0).U16(0);
    for (size_t n = 0; n < w.Size(); ++n)
        EXPECT_FALSE(ParseAete(Prefix(w.Bytes(), n))) << "accepted the first " << n << " bytes";
}

TEST(ParseAete, RejectsLeftoversAndNonEmptyClassLists) {
    {
        ByteWriter w = SmallAete();
        w.U16(0).U16(0).U16(0).U8(0);
        Expected<Aete> aete = ParseAete(w.Bytes());
        ASSERT_FALSE(aete);
        EXPECT_NE(aete.error().find("left over"), std::string::npos) << aete.error();
    }
    for (int which = 0; which < 3; ++which) {
        ByteWriter w = SmallAete();
        w.U16(which == 0).U16(which == 1).U16(which == 2);
        EXPECT_FALSE(ParseAete(w.Bytes())) << "count " << which;
    }
    {
        // A parameter count one too high runs into the trailing counts and then the end.
        ByteWriter w = SmallAete();
        w.U16(0).U16(0).U16(0);
        std::vector<uint8_t> bytes = w.Bytes();
        const size_t countAt = bytes.size() - 6 - (1 + 5 + 8 + 2 + 2) - (1 + 6 + 8 + 2 + 2) - 2;
        ASSERT_EQ(bytes[countAt], 2);
        bytes[countAt] = 3;
        Expected<Aete> aete = ParseAete(bytes);
        ASSERT_FALSE(aete);
        EXPECT_NE(aete.error().find("parameter 3"), std::string::npos) << aete.error();
    }
}

}  // namespace
}  // namespace frostel::inspect
