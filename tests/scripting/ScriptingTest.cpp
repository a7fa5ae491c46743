// The filter's scripting through the test host: recorded actions, replays
// and the descriptor registry, natively against the plug-in's own entry and
// under Wine against the built module.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "DescriptorService.h"
#include "DescriptorText.h"
#include "FilterEntry.h"
#include "FilterParameters.h"
#include "ScriptingTestUtil.h"
#include "HostSim.h"
#include "ImageIO.h"

using namespace frostel;
using namespace frostel::hostsim;

namespace {

const char* const kRegistryKey = "d9543b0c-3c91-11d4-97bc-00b004052017";
const char* const kScriptingSuites[] = {
    "61e608b0-40fd-11d1-8da3-00c04fd5f7ee",  // registry
    "df135115-c769-11d0-8079-00c04fd7ec47",  // descriptors
    "df135117-c769-11d0-8079-00c04fd7ec47",  // references
    "3eb7c480-8797-11d1-8da7-00c04fd5f7ee",  // control
};

Document Noise(int32_t width, int32_t height) {
    Document doc = Document::Blank(width, height, pi::plugInModeRGBColor, 3);
    std::mt19937 rng(99);
    for (uint8_t& b : doc.pixels) b = uint8_t(rng());
    return doc;
}

// Every parameter away from its factory value (the test data file).
ActionDescriptorData AllValues() {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadFileBytes(std::string(FROSTEL_SCRIPTING_DATA) + "/values.txt", bytes));
    return ParseDescriptor(std::string(bytes.begin(), bytes.end()));
}

FilterParameters ReadParameters(const Host& host) {
    const std::vector<uint8_t> bytes = host.HandleBytes(host.parameterHandle());
    FilterParameters p;
    std::memset(&p, 0, sizeof p);
    EXPECT_EQ(bytes.size(), size_t(kParametersHandleSize));
    if (bytes.size() >= sizeof p) std::memcpy(&p, bytes.data(), sizeof p);
    return p;
}

// The record a descriptor with these values leaves, as the fields hold
// them: integers truncated to their width, doubles narrowed to floats.
FilterParameters Applied(FilterParameters p, const ActionDescriptorData& d) {
    for (const auto& [key, v] : d.items) {
        const ParameterKey* k = FindParameter(key);
        if (k == nullptr) continue;
        if (v.kind == ActionValue::Float)
            SetFloatField(p, *k, v.number);
        else if (v.kind == ActionValue::Integer)
            SetIntegerField(p, *k, int64_t(uint32_t(v.integer)));
    }
    return p;
}

// The 47 values of a record as the filter writes them, in table order.
void ExpectParameters(const FilterParameters& actual, const FilterParameters& expected) {
    for (const ParameterKey& k : ParameterKeys) {
        if (k.isFloat()) {
            const float a = float(GetFloatField(actual, k)), e = float(GetFloatField(expected, k));
            EXPECT_EQ(std::memcmp(&a, &e, sizeof a), 0) << k.name << ": " << a << " != " << e;
        } else {
            EXPECT_EQ(GetIntegerField(actual, k), GetIntegerField(expected, k)) << k.name;
        }
    }
}

// The descriptor holds the 47 keys in table order, each with its type.
void ExpectFullDescriptor(const ActionDescriptorData& d, const FilterParameters& expected) {
    ASSERT_EQ(d.items.size(), size_t(kParameterCount));
    for (int i = 0; i < kParameterCount; ++i) {
        const ParameterKey& k = ParameterKeys[i];
        const auto& [key, v] = d.items[size_t(i)];
        EXPECT_EQ(key, k.key) << "item " << i;
        if (k.isFloat()) {
            ASSERT_EQ(v.kind, ActionValue::Float) << k.name;
            EXPECT_EQ(v.number, GetFloatField(expected, k)) << k.name;
        } else {
            ASSERT_EQ(v.kind, ActionValue::Integer) << k.name;
            EXPECT_EQ(v.integer, int32_t(uint32_t(GetIntegerField(expected, k)))) << k.name;
        }
    }
}

void ExpectClean(const Host& host, const DescriptorService& scripting) {
    EXPECT_EQ(host.OutstandingLocks(), 0);
    EXPECT_EQ(host.Misuses(), 0);
    EXPECT_EQ(scripting.Misuses(), 0);
    EXPECT_EQ(scripting.OpenTokens(), 0);
    for (const auto& [suite, balance] : host.SuiteBalances()) EXPECT_EQ(balance, 0) << suite;
}

// One editor session: a host with its scripting services.
struct Session {
    Host host;
    DescriptorService scripting;
    explicit Session(Options o = {}, ScriptingOptions s = {}) : host(FilterEntry(), o), scripting(host, s) {
        host.SetDocument(Noise(24, 16));
    }
    RunResult Run(bool withParameters) { return host.RunFilter(withParameters); }
};

}  // namespace

TEST(Scripting, FinishRecordsAndRegistersEveryDefault) {
    Session s;
    ASSERT_TRUE(s.Run(true).ok);
    const FilterParameters defaults = FactoryParameters();

    const std::optional<ActionDescriptorData> recorded = s.scripting.Recorded();
    ASSERT_TRUE(recorded.has_value());
    ExpectFullDescriptor(*recorded, defaults);

    const auto entry = s.scripting.registry().find(kRegistryKey);
    ASSERT_NE(entry, s.scripting.registry().end());
    EXPECT_TRUE(entry->second.persistent);
    ExpectFullDescriptor(entry->second.data, defaults);
    EXPECT_EQ(s.scripting.actions().LiveDescriptors(), 0);
    ExpectClean(s.host, s.scripting);
}

// Finish, the registry, a new host process, then start: every value comes
// back exactly, the seed and colours with their top bit and the floats that
// are not short decimals included.
TEST(Scripting, RegistryRestoresAllValuesInTheNextHostProcess) {
    const ActionDescriptorData values = AllValues();
    ASSERT_EQ(values.items.size(), size_t(kParameterCount));
    const FilterParameters expected = Applied(FactoryParameters(), values);
    EXPECT_EQ(expected.RndS, 0x80000001u);
    EXPECT_EQ(expected.BkCl, 0xFFFFFFFFu);

    std::string file;
    {
        Session first;
        first.scripting.Replay(values);
        ASSERT_TRUE(first.Run(true).ok);
        ExpectParameters(ReadParameters(first.host), expected);
        file = RegistryToText(first.scripting.PersistentEntries());
        ExpectClean(first.host, first.scripting);
    }

    RegistryEntries restored;
    std::string why;
    ASSERT_TRUE(RegistryFromText(file, restored, why)) << why;
    Session second;
    second.scripting.RestorePersistent(restored);
    ASSERT_TRUE(second.Run(true).ok);  // the parameters selector resets, start restores
    ExpectParameters(ReadParameters(second.host), expected);
    const std::optional<ActionDescriptorData> recorded = second.scripting.Recorded();
    ASSERT_TRUE(recorded.has_value());
    ExpectFullDescriptor(*recorded, expected);
    EXPECT_EQ(DescriptorToText(*recorded), DescriptorToText(restored[kRegistryKey]));
    ExpectClean(second.host, second.scripting);
}

TEST(Scripting, RecordedActionReplaysTheSameRunInAnotherSession) {
    std::vector<uint8_t> image;
    ActionDescriptorData action;
    {
        Session first;
        first.scripting.Replay(AllValues());
        ASSERT_TRUE(first.Run(true).ok);
        image = first.host.document().pixels;
        action = *first.scripting.Recorded();
    }
    Session second;
    second.scripting.Replay(action);
    ASSERT_TRUE(second.Run(false).ok);
    EXPECT_EQ(second.host.document().pixels, image);
    ExpectParameters(ReadParameters(second.host), Applied(FactoryParameters(), action));
    EXPECT_EQ(DescriptorToText(*second.scripting.Recorded()), DescriptorToText(action));
    ExpectClean(second.host, second.scripting);
}

TEST(Scripting, ReplayChangesOnlyTheKeysItHolds) {
    Session s;
    s.scripting.Replay(ParseDescriptor("'Wdth' doub 42.5\n"));
    ASSERT_TRUE(s.Run(true).ok);
    FilterParameters expected = FactoryParameters();
    expected.Wdth = 42.5f;
    ExpectParameters(ReadParameters(s.host), expected);
    ExpectClean(s.host, s.scripting);
}

// Keys of other filters are skipped (the host marks them in the filter's
// expected-key array, which therefore must be writable); a value of the
// wrong type ends the read, so the keys after it keep their values.
TEST(Scripting, ReplaySkipsUnknownKeysAndStopsAtAValueOfTheWrongType) {
    struct Case {
        const char* descriptor;
        float wdth, comp;
        uint8_t mskK;
    };
    const FilterParameters defaults = FactoryParameters();
    const Case cases[] = {
        {"'Amnt' long 5\n'disP' bool true\n'Wdth' doub 42\n'Zzzz' TEXT \"other\"\n'MskK' long 2\n'Comp' doub 50\n",
         42, 50, 2},
        {"'Amnt' long 5\n'Wdth' doub 42\n'RndM' doub 3\n'MskK' long 2\n'Comp' doub 50\n", 42, defaults.Comp,
         defaults.MskK},
        {"'Wdth' doub 42\n'MskK' long 2\n'Lngh' long 9\n'Comp' doub 50\n", 42, defaults.Comp, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.descriptor);
        Session s;
        s.scripting.Replay(ParseDescriptor(c.descriptor));
        ASSERT_TRUE(s.Run(true).ok);
        FilterParameters expected = defaults;
        expected.Wdth = c.wdth;
        expected.MskK = c.mskK;
        expected.Comp = c.comp;
        ExpectParameters(ReadParameters(s.host), expected);
        EXPECT_EQ(s.host.log().Count("closeReadDescriptorProc"), 1u);
        if (&c == &cases[0]) {  // both keys met and marked in the filter's array
            EXPECT_EQ(s.host.log().Find("closeReadDescriptorProc").at(0).Arg("missing"), "\"\"");
        }
        ExpectClean(s.host, s.scripting);
    }
}

// Values keep the meaning they have, also where the dialog could not type
// them; integers keep what their field holds, and only floats that are not
// finite are refused.
TEST(Scripting, ValuesFromScriptsAndTheRegistryKeepTheirMeaning) {
    const char* hostile =
        "'RndM' long 300\n"
        "'EfKn' long -4\n"
        "'PtrK' long 4\n"
        "'UsGl' long 300\n"
        "'MxIt' long -1\n"
        "'Scle' doub 0\n"
        "'Wdth' doub nan\n"
        "'CtnX' doub inf\n"
        "'Shin' doub -inf\n"
        "'RttX' doub 1e300\n";
    FilterParameters expected = FactoryParameters();
    expected.RndM = 44;   // 300 in a byte
    expected.EfKn = 252;  // grows nothing
    expected.PtrK = 4;
    expected.UsGl = 44;
    expected.MxIt = 0xFFFFFFFFu;
    expected.Scle = 0;
    expected.RttX = 3.40282347e38f;

    {
        Session script;
        script.scripting.Replay(ParseDescriptor(hostile));
        ASSERT_TRUE(script.Run(true).ok);
        ExpectParameters(ReadParameters(script.host), expected);
    }
    Session registry;
    registry.scripting.RestorePersistent({{kRegistryKey, ParseDescriptor(hostile)}});
    ASSERT_TRUE(registry.Run(true).ok);
    ExpectParameters(ReadParameters(registry.host), expected);
}

TEST(Scripting, TheRecordedActionOverridesTheRegistry) {
    Session s;
    s.scripting.RestorePersistent({{kRegistryKey, ParseDescriptor("'Wdth' doub 11\n'Lngh' doub 22\n")}});
    s.scripting.Replay(ParseDescriptor("'Wdth' doub 33\n"));
    ASSERT_TRUE(s.Run(false).ok);
    const FilterParameters p = ReadParameters(s.host);
    EXPECT_EQ(p.Wdth, 33.0f);
    EXPECT_EQ(p.Lngh, 22.0f);
}

TEST(Scripting, RunsWithTheRecordsValuesWhenTheHostOffersNoScripting) {
    // Each service withheld on its own, then all of them.
    std::vector<std::pair<Options, ScriptingOptions>> hosts;
    for (const char* suite : kScriptingSuites) {
        Options o;
        o.disabledSuites.insert(suite);
        hosts.push_back({o, {}});
    }
    ScriptingOptions noBlock;
    noBlock.descriptorParameters = false;
    hosts.push_back({Options{}, noBlock});
    Options none;
    for (const char* suite : kScriptingSuites) none.disabledSuites.insert(suite);
    hosts.push_back({none, noBlock});

    for (size_t i = 0; i < hosts.size(); ++i) {
        SCOPED_TRACE("host " + std::to_string(i));
        Session s(hosts[i].first, hosts[i].second);
        s.scripting.RestorePersistent({{kRegistryKey, ParseDescriptor("'Wdth' doub 11\n")}});
        const Document before = s.host.document();
        ASSERT_TRUE(s.Run(true).ok);
        EXPECT_NE(s.host.document().pixels, before.pixels);  // the effect is drawn all the same
        const bool registryServed = i >= 2 && i <= 4;  // registry and descriptor suites both there
        FilterParameters expected = FactoryParameters();
        if (registryServed) expected.Wdth = 11;
        ExpectParameters(ReadParameters(s.host), expected);
        EXPECT_EQ(s.scripting.Recorded().has_value(), hosts[i].second.descriptorParameters);
        ExpectClean(s.host, s.scripting);

        // A repeat keeps the record's values.
        ASSERT_TRUE(s.Run(false).ok);
        ExpectParameters(ReadParameters(s.host), expected);
    }
}
