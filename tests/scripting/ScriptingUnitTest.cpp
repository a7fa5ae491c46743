// The descriptor operations called directly inside a selector of the test
// host (native only): the show-dialog decision, the write and read edge
// cases and the host-version query.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

#include "DescriptorService.h"
#include "DescriptorText.h"
#include "FilterParameters.h"
#include "ScriptingTestUtil.h"
#include "HostSim.h"
#include "HostSuites.h"
#include "Plugin.h"
#include "Scripting.h"

using namespace frostel;
using namespace frostel::hostsim;

namespace {

// The module's view of a host call in progress, with both records locked.
struct InsideSelector {
    explicit InsideSelector(Host& host) : slot(host.dataSlot()) {
        gFilterRecord = &host.record();
        gDataPtr = &slot;
        gResult = &result;
        gBasicSuite = host.record().sSPBasic;
        LockHandles();
    }
    ~InsideSelector() {
        UnlockHandles();
        gFilterRecord = nullptr;
        gDataPtr = nullptr;
        gResult = nullptr;
    }
    intptr_t slot;
    int16_t result = 0;
};

class ScriptingUnit : public ::testing::Test {
protected:
    // Handles made and the show-dialog flag set, as after parameters and
    // prepare; `replay` is in the record's descriptor block.
    void Open(const char* replay, Options o = {}, ScriptingOptions so = {}) {
        host_ = std::make_unique<Host>(&PluginMain, o);
        scripting_ = std::make_unique<DescriptorService>(*host_, so);
        host_->SetDocument(Document::Blank(8, 8, pi::plugInModeRGBColor, 3));
        if (replay != nullptr) scripting_->Replay(ParseDescriptor(replay));
        ASSERT_EQ(host_->CallSelector(pi::filterSelectorParameters), 0);
        ASSERT_EQ(host_->CallSelector(pi::filterSelectorPrepare), 0);
    }
    void TearDown() override {
        ReleaseSuiteHolders();  // the holders start empty in the next test
        scripting_.reset();
        host_.reset();
    }
    pi::PIDescriptorParameters* Block() { return host_->record().descriptorParameters; }

    std::unique_ptr<Host> host_;
    std::unique_ptr<DescriptorService> scripting_;
};

}  // namespace

TEST_F(ScriptingUnit, ShowDialogFollowsTheFlagOrTheRecordedAction) {
    struct Case {
        const char* replay;
        bool block;
        int16_t playInfo;
        uint8_t flag;
        bool show;
    };
    const Case cases[] = {
        // No recorded action: the flag (1 after the parameters selector, 0 on a repeat).
        {nullptr, true, pi::plugInDialogDisplay, 1, true},
        {nullptr, true, pi::plugInDialogDisplay, 0, false},
        {nullptr, false, pi::plugInDialogDisplay, 1, true},
        {nullptr, false, pi::plugInDialogDontDisplay, 0, false},
        // A recorded action: its playInfo alone.
        {"'Wdth' doub 9\n", true, pi::plugInDialogDisplay, 0, true},
        {"'Wdth' doub 9\n", true, pi::plugInDialogDontDisplay, 1, false},
        {"'Wdth' doub 9\n", true, pi::plugInDialogSilent, 1, false},
        {"'Wdth' doub 9\n", true, pi::plugInDialogSilent, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.replay ? "replay" : "no replay") + " playInfo " + std::to_string(c.playInfo) +
                     " flag " + std::to_string(c.flag));
        ScriptingOptions so;
        so.descriptorParameters = c.block;
        so.playInfo = c.playInfo;
        Open(c.replay, {}, so);
        {
            InsideSelector in(*host_);
            ASSERT_NE(gData, nullptr);
            gData->showDialog = c.flag;
            bool show = !c.show;
            EXPECT_EQ(ReadScriptParameters(&show), 0);
            EXPECT_EQ(show, c.show);
            EXPECT_EQ(gParams->Wdth, c.replay ? 9.0f : 80.0f);
            if (c.block) {
                EXPECT_EQ(Block()->descriptor, nullptr);  // taken and disposed
            }
            EXPECT_EQ(ReadScriptParameters(nullptr), pi::errMissingParameter);
        }
        EXPECT_EQ(host_->Misuses(), 0);
        TearDown();
    }
}

TEST_F(ScriptingUnit, ReadProcsTooShortReadNothing) {
    Open("'Wdth' doub 9\n");
    InsideSelector in(*host_);
    pi::ReadDescriptorProcs procs = *Block()->readDescriptorProcs;
    procs.numReadDescriptorProcs = 4;  // no float getter
    Block()->readDescriptorProcs = &procs;
    gData->showDialog = 0;
    bool show = true;
    EXPECT_EQ(ReadScriptParameters(&show), 0);
    EXPECT_FALSE(show);
    EXPECT_EQ(gParams->Wdth, 80.0f);
    EXPECT_NE(Block()->descriptor, nullptr);  // left to the host
}

TEST_F(ScriptingUnit, AKeyListThatNeverEndsStillEndsTheRead) {
    Open("'Wdth' doub 9\n");
    InsideSelector in(*host_);
    pi::ReadDescriptorProcs procs = *Block()->readDescriptorProcs;
    static int calls;
    calls = 0;
    procs.getKeyProc = [](pi::PIReadDescriptor, pi::DescriptorKeyID* key, pi::DescType* type, pi::int32*) -> pi::Boolean {
        *key = pi::FourCC("Junk");
        *type = pi::FourCC("long");
        return ++calls < 10000000;
    };
    Block()->readDescriptorProcs = &procs;
    bool show = true;
    EXPECT_EQ(ReadScriptParameters(&show), 0);
    EXPECT_LE(calls, 5000);
    EXPECT_EQ(Block()->descriptor, nullptr);  // closed and disposed of all the same
    EXPECT_EQ(gParams->Wdth, 80.0f);
}

TEST_F(ScriptingUnit, WriteReplacesTheOldDescriptorAndChecksForNone) {
    Open(nullptr);
    InsideSelector in(*host_);
    const int disposals = host_->CallCount("disposeProc");
    EXPECT_EQ(WriteScriptParameters(), 0);
    EXPECT_EQ(host_->CallCount("disposeProc"), disposals);  // there was none to dispose
    pi::Handle first = Block()->descriptor;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Block()->recordInfo, pi::plugInDialogOptional);

    gParams->Wdth = 7;
    EXPECT_EQ(WriteScriptParameters(), 0);
    EXPECT_FALSE(host_->IsLiveHandle(first));  // disposed, not leaked
    const std::optional<ActionDescriptorData> recorded = scripting_->Recorded();
    ASSERT_TRUE(recorded.has_value());
    ASSERT_NE(recorded->Find(pi::FourCC("Wdth")), nullptr);
    EXPECT_EQ(recorded->Find(pi::FourCC("Wdth"))->number, 7.0);
    EXPECT_EQ(host_->Misuses(), 0);
}

TEST_F(ScriptingUnit, WriteReportsADescriptorThatWillNotOpen) {
    Open(nullptr);
    InsideSelector in(*host_);
    pi::WriteDescriptorProcs procs = *Block()->writeDescriptorProcs;
    procs.openWriteDescriptorProc = [] { return pi::PIWriteDescriptor(nullptr); };
    Block()->writeDescriptorProcs = &procs;
    EXPECT_EQ(WriteScriptParameters(), pi::errMissingParameter);
    EXPECT_EQ(Block()->descriptor, nullptr);

    Block()->writeDescriptorProcs = nullptr;  // no write callbacks: nothing to do
    EXPECT_EQ(WriteScriptParameters(), 0);
}

TEST_F(ScriptingUnit, SuitePathsNeedTheBasicSuiteAndBothSuites) {
    Options noRegistry;
    noRegistry.disabledSuites.insert(pi::kPSDescriptorRegistrySuite);
    Open(nullptr, noRegistry);
    {
        InsideSelector in(*host_);
        EXPECT_EQ(ReadScriptParametersBySuite(), pi::errPlugInHostInsufficient);
        EXPECT_EQ(WriteScriptParametersBySuite(), pi::errPlugInHostInsufficient);
        gBasicSuite = nullptr;
        EXPECT_EQ(ReadScriptParametersBySuite(), pi::errPlugInHostInsufficient);
        EXPECT_EQ(WriteScriptParametersBySuite(), pi::errPlugInHostInsufficient);
        gBasicSuite = host_->record().sSPBasic;
    }
    EXPECT_TRUE(scripting_->registry().empty());
    TearDown();

    Open(nullptr);
    InsideSelector in(*host_);
    EXPECT_EQ(WriteScriptParametersBySuite(), 0);
    EXPECT_EQ(scripting_->registry().size(), 1u);
    gParams->Wdth = 1;
    EXPECT_EQ(ReadScriptParametersBySuite(), 0);  // the last get succeeded
    EXPECT_EQ(gParams->Wdth, 80.0f);
    EXPECT_EQ(scripting_->actions().LiveDescriptors(), 0);
}

TEST_F(ScriptingUnit, HostVersionFromTheApplicationDescriptor) {
    struct Case {
        const char* withoutSuite;
        int32_t version;
        bool limited;
        int32_t answer;
    };
    const Case cases[] = {
        {nullptr, 21, false, 21},
        {nullptr, 21, true, -1},
        {nullptr, 0, false, 0},  // the application does not tell
        {nullptr, 0, true, -1},
        {pi::kPSActionControlSuite, 21, false, 0},
        {pi::kPSActionReferenceSuite, 21, false, 0},
        {pi::kPSActionDescriptorSuite, 21, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.withoutSuite ? c.withoutSuite : "all suites") + " version " +
                     std::to_string(c.version) + (c.limited ? " limited" : ""));
        Options o;
        if (c.withoutSuite) o.disabledSuites.insert(c.withoutSuite);
        ScriptingOptions so;
        so.hostVersion = c.version;
        so.limitedEdition = c.limited;
        Open(nullptr, o, so);
        gBasicSuite = host_->record().sSPBasic;
        EXPECT_EQ(GetHostVersion(), c.answer);
        EXPECT_EQ(scripting_->actions().LiveDescriptors(), 0);
        EXPECT_EQ(scripting_->actions().LiveReferences(), 0);
        EXPECT_EQ(scripting_->Misuses(), 0);
        EXPECT_EQ(host_->SuiteBalance(pi::kPSActionControlSuite, 2), 0);
        TearDown();
    }
    gBasicSuite = nullptr;
    EXPECT_EQ(GetHostVersion(), 0);
}

TEST(ScriptingModes, IndexAndValueMapBothWays) {
    const uint32_t values[] = {pi::FourCC("moD0"), pi::FourCC("moD1"), pi::FourCC("moD2"), pi::FourCC("moD3")};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ModeIndexToEnum(i), values[i]);
        EXPECT_EQ(ModeEnumToIndex(values[i]), i);
    }
    EXPECT_EQ(ModeIndexToEnum(-1), pi::FourCC("moD1"));
    EXPECT_EQ(ModeIndexToEnum(4), pi::FourCC("moD1"));
    EXPECT_EQ(ModeEnumToIndex(pi::FourCC("moD4")), 1);
    EXPECT_EQ(ModeEnumToIndex(0), 1);
}
