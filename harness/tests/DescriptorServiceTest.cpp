#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "DescriptorService.h"
#include "DescriptorText.h"
#include "HarnessMain.h"
#include "HostSim.h"
#include "TestFilter.h"

using namespace frostel::hostsim;
using pi::FourCC;

namespace {

ActionValue Integer(int32_t n) {
    ActionValue v;
    v.kind = ActionValue::Integer;
    v.integer = n;
    return v;
}

ActionValue Float(double x) {
    ActionValue v;
    v.kind = ActionValue::Float;
    v.number = x;
    return v;
}

// A descriptor with one value of every kind the files keep.
ActionDescriptorData EveryKind() {
    ActionDescriptorData inner;
    inner.Put(FourCC("VrsM"), Integer(21));
    ActionDescriptorData d;
    d.Put(FourCC("long"), Integer(INT32_MIN));
    d.Put(FourCC("doub"), Float(0.1f));
    d.Put(FourCC("nan "), Float(std::nan("")));
    d.Put(FourCC("inf "), Float(-std::numeric_limits<double>::infinity()));
    d.Put(FourCC("zero"), Float(-0.0));
    ActionValue v;
    v.kind = ActionValue::UnitFloat;
    v.unit = FourCC("#Pxl");
    v.number = 12.5;
    d.Put(FourCC("Unit"), v);
    v = {};
    v.kind = ActionValue::String;
    v.text = "say \"hi\" \\ there";
    d.Put(FourCC("Nm  "), v);
    v = {};
    v.kind = ActionValue::Boolean;
    v.boolean = true;
    d.Put(0x40000001u, v);  // a runtime key
    v = {};
    v.kind = ActionValue::Enumerated;
    v.type = FourCC("Ordn");
    v.value = FourCC("Trgt");
    d.Put(FourCC("Enum"), v);
    v = {};
    v.kind = ActionValue::Class;
    v.type = FourCC("Lyr ");
    d.Put(FourCC("Clss"), v);
    v = {};
    v.kind = ActionValue::Object;
    v.type = FourCC("HstV");
    v.object = std::make_shared<ActionDescriptorData>(inner);
    d.Put(FourCC("HstV"), v);
    return d;
}

class DescriptorServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        testfilter::Reset();
        host_.SetDocument(Document::Blank(4, 4, pi::plugInModeRGBColor, 3));
        ASSERT_EQ(host_.CallSelector(pi::filterSelectorParameters), 0);  // builds the record
    }
    pi::PIDescriptorParameters& Block() { return *host_.record().descriptorParameters; }
    template <typename Suite>
    const Suite* Acquire(const char* name, int32_t version) {
        const void* s = nullptr;
        EXPECT_EQ(host_.record().sSPBasic->AcquireSuite(name, version, &s), 0) << name;
        return static_cast<const Suite*>(s);
    }

    Host host_{&testfilter::Entry};
    DescriptorService service_{host_};
};

}  // namespace

TEST(DescriptorText, EveryKindSurvivesTheText) {
    const ActionDescriptorData d = EveryKind();
    const std::string text = DescriptorToText(d);
    ActionDescriptorData back;
    std::string why;
    ASSERT_TRUE(DescriptorFromText(text, back, why)) << why;
    EXPECT_EQ(DescriptorToText(back), text);
    ASSERT_EQ(back.items.size(), d.items.size());
    EXPECT_EQ(back.Find(FourCC("long"))->integer, INT32_MIN);
    EXPECT_EQ(back.Find(FourCC("doub"))->number, double(0.1f));  // every bit
    EXPECT_TRUE(std::isnan(back.Find(FourCC("nan "))->number));
    EXPECT_TRUE(std::signbit(back.Find(FourCC("zero"))->number));
    EXPECT_EQ(back.Find(FourCC("Nm  "))->text, "say \"hi\" \\ there");
    EXPECT_TRUE(back.Find(0x40000001u)->boolean);
    EXPECT_EQ(back.Find(FourCC("HstV"))->object->Find(FourCC("VrsM"))->integer, 21);
    EXPECT_NE(text.find("0x40000001 bool true"), std::string::npos);

    RegistryEntries entries{{"one", d}, {"two", {}}};
    RegistryEntries restored;
    ASSERT_TRUE(RegistryFromText("# saved\n" + RegistryToText(entries), restored, why)) << why;
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(DescriptorToText(restored["one"]), text);
    EXPECT_TRUE(restored["two"].items.empty());
}

TEST(DescriptorText, BadTextNamesItsLine) {
    const std::pair<const char*, const char*> bad[] = {
        {"'Wdth' doub 1\n'Lngh' flot 2\n", "line 2"},
        {"'Wdth' long 2147483648\n", "line 1"},
        {"'Wdth' long 1.5\n", "line 1"},
        {"'Wd' long 1\n", "line 1"},
        {"'HstV' Objc 'HstV' {\n'VrsM' long 1\n", "missing '}'"},
        {"}\n", "unexpected '}'"},
        {"'Nm  ' TEXT \"open\n", "unterminated"},
        {"'UsGl' bool yes\n", "true or false"},
    };
    for (const auto& [text, why] : bad) {
        ActionDescriptorData d;
        d.Put(FourCC("keep"), Integer(1));
        std::string error;
        EXPECT_FALSE(DescriptorFromText(text, d, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << text << " -> " << error;
        EXPECT_NE(d.Find(FourCC("keep")), nullptr);  // untouched
    }
    RegistryEntries entries;
    std::string error;
    EXPECT_FALSE(RegistryFromText("entry nokey { }\n", entries, error));
    EXPECT_FALSE(RegistryFromText("'Wdth' long 1\n", entries, error));
}

TEST(DescriptorText, LongTextsReadInLinearTime) {
    // 200,000 keys, each twice: a parser that looked every key up among those
    // before it would take minutes.
    std::string text;
    for (uint32_t i = 0; i < 200000; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "0x%08X long %u\n", 0x40000000u + i, i);
        text += line;
    }
    text += text;
    text += "0x40000000 long -1\n";
    ActionDescriptorData d;
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(DescriptorFromText(text, d, why)) << why;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    // A key given again keeps its first place and takes its last value.
    ASSERT_EQ(d.items.size(), 200000u);
    EXPECT_EQ(d.items[0].first, 0x40000000u);
    EXPECT_EQ(d.items[0].second.integer, -1);
    EXPECT_EQ(d.items[199999].second.integer, 199999);
    // Nested objects and registry entries have their own keys.
    RegistryEntries entries;
    ASSERT_TRUE(RegistryFromText("entry \"a\" {\n'Wdth' long 1\n'Obj ' Objc 'Obj ' {\n'Wdth' long 2\n}\n'Wdth' long 3\n}\n"
                                 "entry \"b\" {\n'Wdth' long 4\n}\n",
                                 entries, why))
        << why;
    ASSERT_EQ(entries["a"].items.size(), 2u);
    EXPECT_EQ(entries["a"].Find(FourCC("Wdth"))->integer, 3);
    EXPECT_EQ(entries["a"].Find(FourCC("Obj "))->object->Find(FourCC("Wdth"))->integer, 2);
    EXPECT_EQ(entries["b"].Find(FourCC("Wdth"))->integer, 4);
}

// The classic callbacks: what the filter writes comes back key by key; the
// expected keys are marked as they are met, and close reports those that
// never came.
TEST_F(DescriptorServiceTest, ClassicDescriptorsWriteAndRead) {
    const pi::WriteDescriptorProcs* w = Block().writeDescriptorProcs;
    const pi::ReadDescriptorProcs* r = Block().readDescriptorProcs;
    pi::PIWriteDescriptor out = w->openWriteDescriptorProc();
    ASSERT_NE(out, nullptr);
    const double width = 42.5;
    EXPECT_EQ(w->putFloatProc(out, FourCC("Wdth"), &width), 0);
    EXPECT_EQ(w->putIntegerProc(out, FourCC("RndS"), -7), 0);
    pi::PIDescriptorHandle h = nullptr;
    ASSERT_EQ(w->closeWriteDescriptorProc(out, &h), 0);
    ASSERT_TRUE(host_.IsLiveHandle(h));
    EXPECT_EQ(w->putIntegerProc(out, FourCC("late"), 1), kActionBadArgument);  // closed token

    pi::DescriptorKeyID expected[] = {FourCC("RndS"), FourCC("Amnt"), 0};
    pi::PIReadDescriptor in = r->openReadDescriptorProc(h, expected);
    ASSERT_NE(in, nullptr);
    pi::DescriptorKeyID key = 0;
    pi::DescType type = 0;
    pi::int32 flags = -1, n = 0;
    double x = 0;
    ASSERT_TRUE(r->getKeyProc(in, &key, &type, &flags));
    EXPECT_EQ(key, FourCC("Wdth"));
    EXPECT_EQ(type, FourCC("doub"));
    EXPECT_EQ(r->getIntegerProc(in, &n), kDescriptorWrongType);
    EXPECT_EQ(r->getFloatProc(in, &x), 0);
    EXPECT_EQ(x, 42.5);
    ASSERT_TRUE(r->getKeyProc(in, &key, &type, &flags));
    EXPECT_EQ(key, FourCC("RndS"));
    EXPECT_EQ(expected[0], FourCC("null"));  // marked as met
    EXPECT_EQ(expected[1], FourCC("Amnt"));
    EXPECT_EQ(r->getIntegerProc(in, &n), 0);
    EXPECT_EQ(n, -7);
    EXPECT_FALSE(r->getKeyProc(in, &key, &type, &flags));
    EXPECT_EQ(r->getIntegerProc(in, &n), kDescriptorNoValue);
    EXPECT_EQ(service_.OpenTokens(), 1);
    EXPECT_EQ(r->closeReadDescriptorProc(in), kDescriptorMissingKeys);  // 'Amnt' never came
    EXPECT_EQ(service_.OpenTokens(), 0);
    EXPECT_EQ(service_.Misuses(), 1);  // the put after close

    EXPECT_EQ(r->openReadDescriptorProc(nullptr, expected), nullptr);
    EXPECT_EQ(r->closeReadDescriptorProc(in), kActionBadArgument);
    EXPECT_EQ(service_.Misuses(), 3);
}

TEST_F(DescriptorServiceTest, RegistryKeepsCopiesAndPersistsOnlyPersistentEntries) {
    const auto* reg = Acquire<pi::PSDescriptorRegistryProcs>(pi::kPSDescriptorRegistrySuite, 1);
    const auto* desc = Acquire<pi::PSActionDescriptorProcs>(pi::kPSActionDescriptorSuite, 3);
    ASSERT_NE(reg, nullptr);
    ASSERT_NE(desc, nullptr);

    pi::PIActionDescriptor d = nullptr;
    ASSERT_EQ(desc->Make(&d), 0);
    EXPECT_EQ(desc->PutInteger(d, FourCC("RndS"), 5), 0);
    EXPECT_EQ(reg->Register("kept", d, 1), 0);
    EXPECT_EQ(reg->Register("session", d, 0), 0);
    EXPECT_EQ(desc->PutInteger(d, FourCC("RndS"), 6), 0);  // the registry holds a copy
    EXPECT_EQ(desc->Free(d), 0);

    pi::PIActionDescriptor got = nullptr;
    ASSERT_EQ(reg->Get("kept", &got), 0);
    ASSERT_NE(got, nullptr);
    pi::int32 n = 0;
    EXPECT_EQ(desc->GetInteger(got, FourCC("RndS"), &n), 0);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(desc->Free(got), 0);
    EXPECT_EQ(reg->Get("absent", &got), 0);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(service_.actions().LiveDescriptors(), 0);

    const RegistryEntries persistent = service_.PersistentEntries();
    ASSERT_EQ(persistent.size(), 1u);
    EXPECT_EQ(persistent.count("kept"), 1u);
    EXPECT_EQ(reg->Erase("kept"), 0);
    EXPECT_EQ(reg->Erase("kept"), kActionKeyMissing);
    EXPECT_EQ(reg->Register(nullptr, got, 1), kActionBadArgument);
    EXPECT_EQ(service_.Misuses(), 1);
}

TEST(ScriptingArgsTest, ReadsTheScriptingOptions) {
    const ParsedArgs p = ParseHarnessArgs({"f.8bf", "in.png", "out.png", "--registry", "r.txt", "--record", "a.txt",
                                           "--replay", "b.txt", "--play-info", "2", "--host-version", "9",
                                           "--limited-edition", "--no-descriptor-parameters"});
    ASSERT_TRUE(p.ok) << p.error;
    const ScriptingArgs& s = p.args.scripting;
    EXPECT_EQ(s.registry, "r.txt");
    EXPECT_EQ(s.record, "a.txt");
    EXPECT_EQ(s.replay, "b.txt");
    EXPECT_EQ(s.options.playInfo, 2);
    EXPECT_EQ(s.options.hostVersion, 9);
    EXPECT_TRUE(s.options.limitedEdition);
    EXPECT_FALSE(s.options.descriptorParameters);

    for (std::vector<std::string> bad : {std::vector<std::string>{"--play-info", "3"},
                                         {"--play-info"}, {"--registry"}, {"--host-version", "-1"}}) {
        bad.insert(bad.begin(), {"f.8bf", "in.png", "out.png"});
        EXPECT_FALSE(ParseHarnessArgs(bad).ok) << bad[3];
    }
}
