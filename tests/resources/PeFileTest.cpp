#include "PeFile.h"

#include <functional>

#include <gtest/gtest.h>

#include "ByteWriter.h"

namespace frostel::inspect {
namespace {

using testing::ByteWriter;
using testing::Prefix;

// A minimal module: headers, then one section at RVA 0x1000 (file offset
// 0x200) holding an export table, an import table and a resource tree with
// two leaves: "PIPL"/16000 and 16/1.
constexpr uint32_t kSectionFile = 0x200, kSectionRva = 0x1000, kSectionSize = 0x200;
constexpr uint32_t kExports = 0x000, kNameTable = 0x040, kImports = 0x080, kResources = 0x100;
constexpr uint32_t kOptionalHeader = 0x58;

uint32_t SectionHeaderAt(bool pe32Plus) { return kOptionalHeader + (pe32Plus ? 112 : 96) + 128; }

std::vector<uint8_t> BuildPe(bool pe32Plus) {
    ByteWriter f;
    f.U16(0x5A4D).PadTo(0x3C).U32(0x40);
    f.U32(0x00004550);
    f.U16(pe32Plus ? kMachineAmd64 : kMachineI386).U16(1).U32(0).U32(0).U32(0);
    const uint32_t directoriesAt = pe32Plus ? 112 : 96;
    f.U16(uint16_t(directoriesAt + 128)).U16(0x2102);
    f.U16(pe32Plus ? 0x20B : 0x10B).PadTo(kOptionalHeader + directoriesAt - 4).U32(16);
    f.U32(kSectionRva + kExports).U32(40);
    f.U32(kSectionRva + kImports).U32(60);
    f.U32(kSectionRva + kResources).U32(0xD0);
    f.Zeros(13 * 8);
    f.Chars(".rdata").Zeros(2).U32(kSectionSize).U32(kSectionRva).U32(kSectionSize).U32(kSectionFile).Zeros(16);
    f.PadTo(kSectionFile);

    ByteWriter s;  // section content; RVAs are kSectionRva + offset
    s.Zeros(24).U32(2).U32(0).U32(kSectionRva + kNameTable).U32(0);
    s.PadTo(kNameTable).U32(kSectionRva + 0x60).U32(kSectionRva + 0x70);
    s.PadTo(0x60).CString("PluginMain");
    s.PadTo(0x70).CString("PluginMain1");
    s.PadTo(kImports).U32(0).U32(0).U32(0).U32(kSectionRva + 0xC0).U32(kSectionRva + 0xE0);
    s.U32(0).U32(0).U32(0).U32(kSectionRva + 0xD0).U32(kSectionRva + 0xE0);
    s.Zeros(20);
    s.PadTo(0xC0).CString("KERNEL32.dll");
    s.PadTo(0xD0).CString("msvcrt.dll");

    const uint32_t sub = 0x80000000u;
    s.PadTo(kResources);
    s.Zeros(12).U16(1).U16(1).U32(sub | 0xA0).U32(sub | 0x20).U32(16).U32(sub | 0x50);  // types
    s.Zeros(12).U16(0).U16(1).U32(16000).U32(sub | 0x38);                            // names of "PIPL"
    s.Zeros(12).U16(0).U16(1).U32(0x409).U32(0x80);                                  // languages
    s.Zeros(12).U16(0).U16(1).U32(1).U32(sub | 0x68);                                // names of 16
    s.Zeros(12).U16(0).U16(1).U32(0x409).U32(0x90);
    s.U32(kSectionRva + kResources + 0xB0).U32(8).U32(0).U32(0);                    // data entries
    s.U32(kSectionRva + kResources + 0xC0).U32(4).U32(0).U32(0);
    s.U16(4).U16('P').U16('I').U16('P').U16('L');
    s.PadTo(kResources + 0xB0).Chars("pipl-dat");
    s.PadTo(kResources + 0xC0).U32(0xDEADBEEF);
    s.PadTo(kSectionSize);

    f.Bytes(s.Bytes());
    return f.Bytes();
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

class PeFileFormats : public ::testing::TestWithParam<bool> {};

TEST_P(PeFileFormats, ReadsMachineExportsImportsAndResources) {
    const bool pe32Plus = GetParam();
    Expected<PeFile> pe = PeFile::Parse(BuildPe(pe32Plus));
    ASSERT_TRUE(pe) << pe.error();
    EXPECT_EQ(pe->Machine(), pe32Plus ? kMachineAmd64 : kMachineI386);
    EXPECT_EQ(pe->IsPe32Plus(), pe32Plus);
    ASSERT_EQ(pe->Sections().size(), 1u);
    EXPECT_EQ(pe->Sections()[0].name, ".rdata");

    EXPECT_EQ(pe->ExportNames(), (std::vector<std::string>{"PluginMain", "PluginMain1"}));
    EXPECT_TRUE(pe->Exports("PluginMain1"));
    EXPECT_FALSE(pe->Exports("Plugin"));
    EXPECT_EQ(pe->ImportedDlls(), (std::vector<std::string>{"KERNEL32.dll", "msvcrt.dll"}));

    ASSERT_EQ(pe->Resources().size(), 2u);
    const ResourceEntry& first = pe->Resources()[0];
    EXPECT_TRUE(first.type.named);
    EXPECT_EQ(first.type.name, "PIPL");
    EXPECT_EQ(first.name.id, 16000);
    EXPECT_EQ(first.language, 0x409);
    EXPECT_EQ(first.size, 8u);
    EXPECT_EQ(first.fileOffset, kSectionFile + kResources + 0xB0);

    Expected<std::vector<uint8_t>> pipl = pe->FindResource(ResourceId::Name("PiPL"), ResourceId::Id(16000));
    ASSERT_TRUE(pipl) << pipl.error();
    EXPECT_EQ(std::string(pipl->begin(), pipl->end()), "pipl-dat");
    Expected<std::vector<uint8_t>> version = pe->FindResource(ResourceId::Id(16), ResourceId::Id(1));
    ASSERT_TRUE(version) << version.error();
    EXPECT_EQ(*version, (std::vector<uint8_t>{0xEF, 0xBE, 0xAD, 0xDE}));

    EXPECT_FALSE(pe->FindResource(ResourceId::Name("AETE"), ResourceId::Id(16000)));
    EXPECT_FALSE(pe->FindResource(ResourceId::Name("PIPL"), ResourceId::Id(1)));
    EXPECT_FALSE(pe->FindResource(ResourceId::Name("PIPL"), ResourceId::Name("16000")));
}

TEST_P(PeFileFormats, EveryTruncationIsAnError) {
    const std::vector<uint8_t> full = BuildPe(GetParam());
    for (size_t n = 0; n < full.size(); n += (n < 0x240 ? 1 : 7))
        EXPECT_FALSE(PeFile::Parse(Prefix(full, n))) << "accepted the first " << n << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Pe, PeFileFormats, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Pe32Plus" : "Pe32"; });

struct Corruption {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> apply;
    const char* expectedError;
};

TEST(PeFile, CorruptTablesAreErrorsNotCrashes) {
    const uint32_t sec = kSectionFile, res = kSectionFile + kResources;
    const Corruption corruptions[] = {
        {"no MZ", [](auto& b) { b[0] = 'X'; }, "MZ"},
        {"PE header beyond the file", [](auto& b) { PutU32(b, 0x3C, 0xFFFFFFF0); }, "past the end"},
        {"unknown optional header", [](auto& b) { b[kOptionalHeader] = 0x99; }, "magic"},
        {"section beyond the file", [](auto& b) { PutU32(b, SectionHeaderAt(true) + 16, 0x10000); }, "past the end"},
        {"export name outside", [&](auto& b) { PutU32(b, sec + kNameTable + 4, 0x50000); }, "export name 1"},
        {"export name table too long", [&](auto& b) { PutU32(b, sec + kExports + 24, 0x40000000); }, "export name table"},
        {"import name outside", [&](auto& b) { PutU32(b, sec + kImports + 12, 0x9000); }, "imported DLL name"},
        {"import table without end", [&](auto& b) { for (uint32_t i = kImports; i < kSectionSize; ++i) b[sec + i] = 0x11; }, "import"},
        {"resource data too long", [&](auto& b) { PutU32(b, res + 0x84, 0x1000); }, "outside the file"},
        {"resource data outside", [&](auto& b) { PutU32(b, res + 0x80, 0x7000); }, "outside the file"},
        {"resource tree too deep", [&](auto& b) { PutU32(b, res + 0x38 + 20, 0x80000038); }, "deeper"},
        {"resource data as a type", [&](auto& b) { PutU32(b, res + 16 + 12, 0x80); }, "level 0"},
        {"resource name outside", [&](auto& b) { PutU32(b, res + 16, 0x8007FFF0); }, "name"},
        {"resource id wider than 16 bits", [&](auto& b) { PutU32(b, res + 0x20 + 16, 0x10000); }, "name"},
        {"resource tree pointing at itself", [&](auto& b) { PutU32(b, res + 20, 0x80000000); }, "deeper"},
    };
    for (const Corruption& c : corruptions) {
        std::vector<uint8_t> bytes = BuildPe(true);
        c.apply(bytes);
        Expected<PeFile> pe = PeFile::Parse(bytes);
        ASSERT_FALSE(pe) << c.what;
        EXPECT_NE(pe.error().find(c.expectedError), std::string::npos) << c.what << ": " << pe.error();
    }
}

TEST(PeFile, ModulesWithoutTablesHaveEmptyLists) {
    std::vector<uint8_t> bytes = BuildPe(false);
    const uint32_t directories = kOptionalHeader + 96;
    for (uint32_t i = 0; i < 3 * 8; ++i) bytes[directories + i] = 0;
    Expected<PeFile> pe = PeFile::Parse(bytes);
    ASSERT_TRUE(pe) << pe.error();
    EXPECT_TRUE(pe->ExportNames().empty());
    EXPECT_TRUE(pe->ImportedDlls().empty());
    EXPECT_TRUE(pe->Resources().empty());
    EXPECT_FALSE(pe->FindResource(ResourceId::Name("PIPL"), ResourceId::Id(16000)));
}

TEST(PeFile, LoadReportsMissingFiles) {
    Expected<PeFile> pe = PeFile::Load("/nonexistent/Frostel64.8bf");
    ASSERT_FALSE(pe);
    EXPECT_NE(pe.error().find("/nonexistent/Frostel64.8bf"), std::string::npos);
}

TEST(ResourceId, NamesMatchWithoutCaseIdsExactly) {
    EXPECT_TRUE(ResourceId::Name("PIPL").Matches(ResourceId::Name("PiPL")));
    EXPECT_FALSE(ResourceId::Name("PIPL").Matches(ResourceId::Name("PIPLX")));
    EXPECT_TRUE(ResourceId::Id(16000).Matches(ResourceId::Id(16000)));
    EXPECT_FALSE(ResourceId::Id(16000).Matches(ResourceId::Id(16001)));
    EXPECT_FALSE(ResourceId::Id(1).Matches(ResourceId::Name("1")));
    EXPECT_EQ(ResourceId::Name("AETE").ToString(), "\"AETE\"");
    EXPECT_EQ(ResourceId::Id(16000).ToString(), "16000");
}

}  // namespace
}  // namespace frostel::inspect
