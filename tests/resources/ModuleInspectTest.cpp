// Checks the two built modules as the host and the loader will see them:
// machine, exports, imports, and the property list and terminology field by
// field. Registered only when the build has produced both modules.
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

#include <gtest/gtest.h>

#include "FilterParameters.h"
#include "PeFile.h"
#include "PluginResources.h"

namespace frostel::inspect {
namespace {

struct Module {
    const char* label;
    const char* path;
    uint16_t machine;
    bool pe32Plus;
    uint32_t entryKey;
    const char* fileName;
};

void PrintTo(const Module& m, std::ostream* os) { *os << m.label; }

const Module kWin64{"Win64", FROSTEL_WIN64_MODULE, kMachineAmd64, true, FourCC("8664"), "Frostel64.8bf"};
const Module kWin32{"Win32", FROSTEL_WIN32_MODULE, kMachineI386, false, FourCC("wx86"), "Frostel.8bf"};

// The registry key the scripting layer stores its descriptors under.
constexpr char kScope[] = "d9543b0c-3c91-11d4-97bc-00b004052017";

const ResourceId kPiplType = ResourceId::Name("PiPL");
const ResourceId kAeteType = ResourceId::Name("AETE");
const ResourceId kResourceId = ResourceId::Id(16000);

std::vector<uint8_t> ResourceOf(const PeFile& pe, const ResourceId& type) {
    Expected<std::vector<uint8_t>> bytes = pe.FindResource(type, kResourceId);
    EXPECT_TRUE(bytes) << bytes.error();
    return bytes ? *bytes : std::vector<uint8_t>{};
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    auto upper = [](std::string s) {
        for (char& c : s) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        return s;
    };
    const std::string n = upper(name), p = upper(pattern);
    if (!p.empty() && p.back() == '*') return n.compare(0, p.size() - 1, p, 0, p.size() - 1) == 0;
    return n == p;
}

std::vector<std::string> SystemDlls() {
    std::vector<std::string> list;
    std::ifstream in(FROSTEL_SYSTEM_DLLS);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty() && line[0] != '#') list.push_back(line);
    }
    return list;
}

class BuiltModule : public ::testing::TestWithParam<Module> {
protected:
    void SetUp() override {
        Expected<PeFile> pe = PeFile::Load(GetParam().path);
        ASSERT_TRUE(pe) << pe.error();
        pe_ = std::make_unique<PeFile>(std::move(*pe));
    }
    std::unique_ptr<PeFile> pe_;
};

TEST_P(BuiltModule, IsForItsProcessorAndExportsTheEntries) {
    EXPECT_EQ(pe_->Machine(), GetParam().machine);
    EXPECT_EQ(pe_->IsPe32Plus(), GetParam().pe32Plus);
    EXPECT_TRUE(pe_->Exports("PluginMain"));
    EXPECT_TRUE(pe_->Exports("PluginMain1"));
    // The dialog procedure; the 32-bit module also under its decorated name.
    EXPECT_TRUE(pe_->Exports("DissolveProc"));
    EXPECT_EQ(pe_->Exports("_DissolveProc@16"), !GetParam().pe32Plus);
}

// The renderer's interface: 36 functions and 20 data globals under their
// own undecorated names in both modules, and the MMX flag only in
// the 32-bit one.
TEST_P(BuiltModule, ExportsTheRendererInterface) {
    static const char* const kFunctions[] = {
        "__RasterScene", "__RasterSolid", "__DrawScenesLineColor", "__SetDrawMode", "__GetDrawMode",
        "__SetQuality", "__GetQuality", "__SetDeep", "__GetDeep", "__SetDrawBackFaces", "__GetDrawBackFaces",
        "__SetDubleSide", "__GetDubleSide", "__SetUseMultyRefract", "__GetUseMultyRefract", "__SetUsePhong2",
        "__GetUsePhong2", "__SetUseGlass", "__GetUseGlass", "__SetUseReflection", "__GetUseReflection",
        "__SetUseCustomMats", "__GetUseCustomMats", "__SetUsePersp", "__GetUsePersp", "__SetZBuff",
        "__GetZBuff", "__SetLightDef", "__SetDefRenderOnePixel", "__SetNewRenderOnePixel", "__Sort",
        "__AddPersp", "__ConvertBYTE16TO8", "__ConvertBYTE8TO16", "__ConvertText", "__mmx_present"};
    static const char* const kData[] = {
        "ZBuff", "Zwidth", "Zheight", "_Deep", "_DrawMode", "_Quality", "_DrawBackFaces", "_DrawBackFaces1",
        "_DubleSide", "_UseMultyRefract", "_UsePhong2", "_WireSize", "_Persp_Val", "_Persp_x", "_Persp_y",
        "_Persp_Far", "_UseGlass", "_UseReflection", "_UseCustomMats", "_UsePersp"};
    static_assert(std::size(kFunctions) == 36 && std::size(kData) == 20);
    for (const char* name : kFunctions) EXPECT_TRUE(pe_->Exports(name)) << name;
    for (const char* name : kData) EXPECT_TRUE(pe_->Exports(name)) << name;
    EXPECT_EQ(pe_->Exports("_mmx_enabled"), !GetParam().pe32Plus);
}

TEST_P(BuiltModule, ImportsSystemDllsOnly) {
    const std::vector<std::string> allowed = SystemDlls();
    ASSERT_FALSE(allowed.empty()) << "cannot read " << FROSTEL_SYSTEM_DLLS;
    EXPECT_FALSE(pe_->ImportedDlls().empty());
    for (const std::string& dll : pe_->ImportedDlls()) {
        for (const char* runtime : {"libstdc++*", "libgcc_s_*", "libwinpthread*"})
            EXPECT_FALSE(MatchesPattern(dll, runtime)) << dll << ": the compiler runtime must be linked statically";
        bool isSystem = false;
        for (const std::string& pattern : allowed) isSystem = isSystem || MatchesPattern(dll, pattern);
        EXPECT_TRUE(isSystem) << dll << " is not a system DLL";
    }
}

TEST_P(BuiltModule, VersionResourceNamesTheFile) {
    Expected<std::vector<uint8_t>> version = pe_->FindResource(ResourceId::Id(16), ResourceId::Id(1));
    ASSERT_TRUE(version) << version.error();
    std::string utf16;
    for (const char* c = GetParam().fileName; *c; ++c) utf16 += std::string{*c, '\0'};
    const std::string block(version->begin(), version->end());
    EXPECT_NE(block.find(utf16), std::string::npos) << "OriginalFilename " << GetParam().fileName;
}

TEST_P(BuiltModule, PropertyListHasTheTwelveProperties) {
    Expected<Pipl> pipl = ParsePipl(ResourceOf(*pe_, kPiplType));
    ASSERT_TRUE(pipl) << pipl.error();
    EXPECT_EQ(pipl->marker, 1);
    EXPECT_EQ(pipl->version, 0);
    ASSERT_EQ(pipl->count, 12);

    const struct { uint32_t key; int32_t length; } expected[12] = {
        {FourCC("kind"), 4},  {FourCC("name"), 12}, {FourCC("catg"), 8},  {FourCC("vers"), 4},
        {FourCC("cmpt"), 12}, {GetParam().entryKey, 12}, {FourCC("mode"), 4}, {FourCC("hstm"), 56},
        {FourCC("enbl"), 44}, {FourCC("ms32"), 8},  {FourCC("flly"), 4},  {FourCC("fici"), 28},
    };
    size_t offset = 10;
    for (int i = 0; i < 12; ++i) {
        const PiplProperty& p = pipl->properties[i];
        SCOPED_TRACE("property " + std::to_string(i + 1) + " " + FourCCString(expected[i].key));
        EXPECT_EQ(FourCCString(p.vendor), "'8BIM'");
        EXPECT_EQ(FourCCString(p.key), FourCCString(expected[i].key));
        EXPECT_EQ(p.id, 0);
        EXPECT_EQ(p.length, expected[i].length);
        EXPECT_EQ(p.offset, offset);
        offset += 16 + size_t(p.length);
    }
}

TEST_P(BuiltModule, PropertyValuesAreTheFiltersOwn) {
    Expected<Pipl> parsed = ParsePipl(ResourceOf(*pe_, kPiplType));
    ASSERT_TRUE(parsed) << parsed.error();
    const Pipl& pipl = *parsed;
    auto property = [&](uint32_t key) -> const PiplProperty& {
        static const PiplProperty kMissing;
        const PiplProperty* p = pipl.Find(key);
        EXPECT_NE(p, nullptr) << FourCCString(key) << " missing";
        return p ? *p : kMissing;
    };
    auto int32At = [](const PiplProperty& p, size_t at) {
        ByteReader r(p.data);
        int32_t v = -1;
        EXPECT_TRUE(r.Seek(at) && r.I32(v)) << FourCCString(p.key);
        return v;
    };
    using Bytes = std::vector<uint8_t>;

    EXPECT_EQ(uint32_t(int32At(property(FourCC("kind")), 0)), FourCC("8BFM"));
    EXPECT_EQ(property(FourCC("kind")).data, (Bytes{'M', 'F', 'B', '8'}));  // code stored low byte first

    Expected<std::string> name = PiplPascalString(property(FourCC("name")));
    ASSERT_TRUE(name) << name.error();
    EXPECT_EQ(*name, "Frostel...");
    Expected<std::string> category = PiplPascalString(property(FourCC("catg")));
    ASSERT_TRUE(category) << category.error();
    EXPECT_EQ(*category, "Vornhal");

    EXPECT_EQ(int32At(property(FourCC("vers")), 0), 0x00040000);

    EXPECT_EQ(int32At(property(FourCC("cmpt")), 0), 0);
    Expected<std::string> component = PiplCString(property(FourCC("cmpt")), 4);
    ASSERT_TRUE(component) << component.error();
    EXPECT_EQ(*component, "Frostel");

    EXPECT_EQ(pipl.Find(GetParam().entryKey == FourCC("8664") ? FourCC("wx86") : FourCC("8664")), nullptr)
        << "the module names the other processor's entry";
    Expected<std::string> entry = PiplCString(property(GetParam().entryKey));
    ASSERT_TRUE(entry) << entry.error();
    EXPECT_EQ(*entry, "PluginMain");
    EXPECT_TRUE(pe_->Exports(*entry)) << "entry " << *entry << " is not exported";

    // RGB and CMYK only: a Lab or greyscale document is not offered the filter.
    EXPECT_EQ(property(FourCC("mode")).data, (Bytes{0x18, 0, 0, 0}));
    Expected<std::string> enable = PiplCString(property(FourCC("enbl")));
    ASSERT_TRUE(enable) << enable.error();
    EXPECT_EQ(*enable, "in (PSHOP_ImageMode, RGBMode, CMYKMode)");

    Expected<PiplTerminology> terminology = ParsePiplTerminology(property(FourCC("hstm")));
    ASSERT_TRUE(terminology) << terminology.error();
    EXPECT_EQ(terminology->version, 0);
    EXPECT_EQ(terminology->classId, FourCC("FrTl"));
    EXPECT_EQ(terminology->eventId, FourCC("FrTl"));
    EXPECT_EQ(terminology->terminologyId, 16000);
    EXPECT_EQ(terminology->scope, kScope);

    EXPECT_EQ(int32At(property(FourCC("ms32")), 0), 2000000);
    EXPECT_EQ(int32At(property(FourCC("ms32")), 4), 2000000);
    EXPECT_EQ(property(FourCC("flly")).data, (Bytes{0x80, 0, 0, 0}));

    Expected<std::vector<PiplFilterCase>> cases = ParsePiplFilterCases(property(FourCC("fici")));
    ASSERT_TRUE(cases) << cases.error();
    ASSERT_EQ(cases->size(), 7u);
    // Every case with a selection (or a floating one) may write outside it.
    const uint8_t flags1[7] = {6, 14, 14, 6, 14, 6, 14};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE("filter case " + std::to_string(i + 1));
        EXPECT_EQ((*cases)[i].input, 1);
        EXPECT_EQ((*cases)[i].output, 1);
        EXPECT_EQ((*cases)[i].flags1, flags1[i]);
        EXPECT_EQ((*cases)[i].flags2, 0);
    }
}

TEST_P(BuiltModule, TerminologyFollowsTheParameterTable) {
    Expected<Aete> parsed = ParseAete(ResourceOf(*pe_, kAeteType));
    ASSERT_TRUE(parsed) << parsed.error();
    const Aete& aete = *parsed;
    EXPECT_EQ(aete.marker, 1);
    EXPECT_EQ(aete.majorVersion, 1);
    EXPECT_EQ(aete.minorVersion, 0);
    EXPECT_EQ(aete.language, 0);
    EXPECT_EQ(aete.script, 0);
    ASSERT_EQ(aete.suites.size(), 1u);

    const AeteSuite& suite = aete.suites[0];
    EXPECT_EQ(suite.name, "Vornhal");
    EXPECT_EQ(suite.description, "Adobe example plug-ins");
    EXPECT_EQ(suite.id, FourCC("FrTl"));
    EXPECT_EQ(suite.level, 1);
    EXPECT_EQ(suite.version, 1);
    ASSERT_EQ(suite.events.size(), 1u);

    const AeteEvent& event = suite.events[0];
    EXPECT_EQ(event.name, "Frostel");
    EXPECT_EQ(event.description, "dissolve example filter plug-in");
    EXPECT_EQ(event.eventClass, FourCC("FrTl"));
    EXPECT_EQ(event.eventId, FourCC("FrTl"));
    EXPECT_EQ(event.replyType, FourCC("null"));
    EXPECT_EQ(event.replyDescription, "");
    EXPECT_EQ(event.replyFlags, 0);
    EXPECT_EQ(event.directType, FourCC("#ImR"));
    EXPECT_EQ(event.directDescription, "");
    EXPECT_EQ(event.directFlags, 0xB000);

    ASSERT_EQ(event.parameters.size(), size_t(kParameterCount));
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterKey& k = ParameterKeys[i];
        const AeteParameter& p = event.parameters[i];
        SCOPED_TRACE("parameter " + std::to_string(i + 1) + " " + FourCCString(k.key));
        EXPECT_EQ(p.name, k.name);
        EXPECT_EQ(FourCCString(p.key), FourCCString(k.key));
        EXPECT_EQ(FourCCString(p.type), k.isFloat() ? "'doub'" : "'long'");
        EXPECT_EQ(p.description, " ");
        EXPECT_EQ(p.flags, 0);
    }
    // ParseAete has already required the three empty lists and nothing after them.
    EXPECT_EQ(suite.classCount + suite.comparisonCount + suite.enumerationCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Modules, BuiltModule, ::testing::Values(kWin64, kWin32),
                         [](const ::testing::TestParamInfo<Module>& info) { return info.param.label; });

TEST(BuiltModules, DifferOnlyInTheEntryKey) {
    Expected<PeFile> win64 = PeFile::Load(kWin64.path);
    Expected<PeFile> win32 = PeFile::Load(kWin32.path);
    ASSERT_TRUE(win64) << win64.error();
    ASSERT_TRUE(win32) << win32.error();

    EXPECT_EQ(ResourceOf(*win64, kAeteType), ResourceOf(*win32, kAeteType));

    std::vector<uint8_t> pipl64 = ResourceOf(*win64, kPiplType), pipl32 = ResourceOf(*win32, kPiplType);
    Expected<Pipl> parsed = ParsePipl(pipl64);
    ASSERT_TRUE(parsed) << parsed.error();
    const PiplProperty* entry = parsed->Find(kWin64.entryKey);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(pipl64.size(), pipl32.size());
    size_t differing = 0;
    for (size_t i = 0; i < pipl64.size(); ++i) {
        if (pipl64[i] == pipl32[i]) continue;
        ++differing;
        EXPECT_TRUE(i >= entry->offset + 4 && i < entry->offset + 8) << "byte " << i << " differs";
    }
    EXPECT_GT(differing, 0u);
}

}  // namespace
}  // namespace frostel::inspect
