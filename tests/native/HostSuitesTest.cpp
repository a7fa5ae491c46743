#include <gtest/gtest.h>

#include <set>
#include <string>

#include "FakeBasicSuite.h"
#include "HostSuites.h"
#include "Plugin.h"

using namespace frostel;

namespace {

int gDummySuite = 0;

class SuiteHolders : public ::testing::Test {
protected:
    void SetUp() override {
        fakebasic::gState = {};
        basic_ = fakebasic::Suite();
        gBasicSuite = &basic_;
    }
    void TearDown() override {
        ReleaseSuiteHolders();
        gBasicSuite = nullptr;
    }
    pi::SPBasicSuite basic_{};
};

}  // namespace

TEST_F(SuiteHolders, EighteenDistinctHoldersStartEmpty) {
    std::set<std::string> keys;
    for (const SuiteHolder* h : gSuiteHolders) {
        ASSERT_NE(h->name, nullptr);
        EXPECT_EQ(h->suite, nullptr);
        keys.insert(std::string(h->name) + "@" + std::to_string(h->version));
    }
    EXPECT_EQ(keys.size(), size_t(kSuiteHolderCount));
    EXPECT_TRUE(keys.count("df135117-c769-11d0-8079-00c04fd7ec47@2"));
    EXPECT_TRUE(keys.count("df135117-c769-11d0-8079-00c04fd7ec47@3"));
    EXPECT_TRUE(keys.count("SP Runtime Suite@5"));
}

TEST_F(SuiteHolders, AcquiredOnceAndReleasedOnceAtUnload) {
    fakebasic::gState.suites[{pi::kPSPropertySuite, 1}] = &gDummySuite;
    EXPECT_EQ(AcquireSuiteHolder(gPropertySuiteHolder), &gDummySuite);
    EXPECT_EQ(AcquireSuiteHolder(gPropertySuiteHolder), &gDummySuite);
    EXPECT_EQ(fakebasic::Acquires(pi::kPSPropertySuite, 1), 1);
    EXPECT_EQ(gPropertySuiteHolder.lastResult, 0);

    ReleaseSuiteHolders();
    EXPECT_EQ(fakebasic::Releases(pi::kPSPropertySuite, 1), 1);
    EXPECT_EQ(gPropertySuiteHolder.suite, nullptr);
    // Holders that were never filled are not released.
    EXPECT_EQ(fakebasic::Releases(pi::kSPAccessSuite, 3), 0);
    ReleaseSuiteHolders();
    EXPECT_EQ(fakebasic::Releases(pi::kPSPropertySuite, 1), 1);
}

TEST_F(SuiteHolders, AMissingSuiteRaisesAndALaterCallTriesAgain) {
    EXPECT_THROW(AcquireSuiteHolder(gActionControlHolder), SuiteFailure);
    EXPECT_EQ(gActionControlHolder.suite, nullptr);
    EXPECT_EQ(gActionControlHolder.lastResult, pi::int32(pi::FourCC("S!Fd")));
    EXPECT_EQ(TryAcquireSuiteHolder(gActionControlHolder), nullptr);

    fakebasic::gState.suites[{pi::kPSActionControlSuite, 1}] = &gDummySuite;
    EXPECT_EQ(TryAcquireSuiteHolder(gActionControlHolder), &gDummySuite);
    EXPECT_EQ(gActionControlHolder.lastResult, 0);
}

TEST_F(SuiteHolders, WithoutABasicSuiteNothingIsAcquiredOrReleased) {
    fakebasic::gState.suites[{pi::kPSPropertySuite, 1}] = &gDummySuite;
    AcquireSuiteHolder(gPropertySuiteHolder);
    gBasicSuite = nullptr;
    EXPECT_THROW(AcquireSuiteHolder(gActionReferenceHolder), SuiteFailure);
    ReleaseSuiteHolder(gPropertySuiteHolder);  // the host is gone: left alone
    EXPECT_EQ(gPropertySuiteHolder.suite, &gDummySuite);
    gBasicSuite = &basic_;
}

TEST_F(SuiteHolders, SuccessWithoutASuiteIsAFailureAndIsHandedBack) {
    fakebasic::gState.successWithoutSuite = true;
    EXPECT_THROW(AcquireSuiteHolder(gBufferSuiteHolder), SuiteFailure);
    EXPECT_EQ(fakebasic::Acquires("Photoshop Buffer Suite for Plug-ins", 1),
              fakebasic::Releases("Photoshop Buffer Suite for Plug-ins", 1));
    {
        ScopedSuite s(pi::kPSColorSpaceSuite, 1);
        EXPECT_FALSE(s);
        EXPECT_EQ(s.result(), pi::errPlugInHostInsufficient);
    }
    EXPECT_EQ(fakebasic::Acquires(pi::kPSColorSpaceSuite, 1), 1);
    EXPECT_EQ(fakebasic::Releases(pi::kPSColorSpaceSuite, 1), 1);
}

TEST_F(SuiteHolders, ScopedSuiteReleasesOnlyWhatItGot) {
    fakebasic::gState.suites[{pi::kPSColorSpaceSuite, 1}] = &gDummySuite;
    {
        ScopedSuite s(pi::kPSColorSpaceSuite, 1);
        ASSERT_TRUE(s);
        EXPECT_EQ(s.get<int>(), &gDummySuite);
        ScopedSuite missing(pi::kPSChannelPortsSuite, 2);
        EXPECT_FALSE(missing);
        EXPECT_NE(missing.result(), 0);
    }
    EXPECT_EQ(fakebasic::Releases(pi::kPSColorSpaceSuite, 1), 1);
    EXPECT_EQ(fakebasic::Releases(pi::kPSChannelPortsSuite, 2), 0);
    gBasicSuite = nullptr;
    ScopedSuite none(pi::kPSColorSpaceSuite, 1);
    EXPECT_EQ(none.result(), pi::errPlugInHostInsufficient);
    gBasicSuite = &basic_;
}

namespace {

int gInstanceA = 0, gInstanceB = 0, gPluginRef = 0;
bool gAccessFails = false;
void* gResourceInstance = nullptr;

pi::SPErr GetAccess(pi::SPPluginRef plugin, pi::SPAccessRef* access) {
    if (gAccessFails || plugin != reinterpret_cast<pi::SPPluginRef>(&gPluginRef)) return -1;
    *access = reinterpret_cast<pi::SPAccessRef>(&gPluginRef);
    return 0;
}
pi::SPErr GetInfo(pi::SPAccessRef, pi::SPPlatformAccessInfo* info) {
    info->defaultInstance = &gInstanceA;
    info->resourceInstance = gResourceInstance;
    return 0;
}

}  // namespace

TEST_F(SuiteHolders, ModuleInstanceComesFromTheAccessSuiteWhenAsked) {
    void* const stored = gModule;
    int loaded = 0;
    gModule = &loaded;
    EXPECT_EQ(GetModuleInstance(), &loaded);  // null reference: what was stored at load
    // No access suite: the stored instance.
    EXPECT_EQ(GetModuleInstance(&gPluginRef), &loaded);

    pi::SPAccessSuite access{};
    access.GetPluginAccess = GetAccess;
    access.GetAccessInfo = GetInfo;
    fakebasic::gState.suites[{pi::kSPAccessSuite, 3}] = &access;
    gAccessFails = true;
    EXPECT_EQ(GetModuleInstance(&gPluginRef), &loaded);
    gAccessFails = false;
    EXPECT_EQ(GetModuleInstance(&gPluginRef), &gInstanceA);
    gResourceInstance = &gInstanceB;  // the second instance wins when set
    EXPECT_EQ(GetModuleInstance(&gPluginRef), &gInstanceB);
    EXPECT_EQ(GetModuleInstance(), &gInstanceB);  // and is cached
    EXPECT_EQ(fakebasic::Acquires(pi::kSPAccessSuite, 3), 1);
    gResourceInstance = nullptr;
    gModule = stored;
}
