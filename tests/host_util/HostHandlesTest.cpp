#include "HandleResources.h"
#include "HostCallbacks.h"
#include "HostIdentity.h"
#include "PascalString.h"
#include "Utilities.h"  // the umbrella compiles on its own

#include "FakeHandles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace frostel::hostutil;

using namespace fakehandles;

TEST(HandleResources, CopiesIntoBufferAndPascalString) {
    pi::HandleProcs procs = Procs();
    OwnedHandle h("hello");
    char buf[3];
    EXPECT_EQ(CopyHandleToBuffer(&procs, h.h, buf, sizeof buf), 3u);
    EXPECT_EQ(std::string(buf, 3), "hel");
    EXPECT_EQ(F(h.h)->locks, 0);

    pi::Str255 s;
    ASSERT_TRUE(CopyHandleToPStr(&procs, h.h, s));
    EXPECT_EQ(PToString(s), "hello");

    OwnedHandle big(std::string(400, 'q'));
    ASSERT_TRUE(CopyHandleToPStr(&procs, big.h, s));
    EXPECT_EQ(s[0], 254);
    EXPECT_EQ(s[255], 0) << "room kept for the terminator";

    pi::HandleProcs none{};
    EXPECT_FALSE(CopyHandleToPStr(&none, h.h, s));
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(CopyHandleToBuffer(nullptr, h.h, buf, sizeof buf), 0u);
}

TEST(HandleResources, ReadsThreeByteReversedNumbers) {
    pi::HandleProcs procs = Procs();
    OwnedHandle h(std::string("\x00\x00\x01\x02" "\xFF\xFF\xFF\xFE" "\x12\x34\x56\x78", 12));
    pi::int32 v[3] = {};
    ASSERT_TRUE(ReadReversedInt32x3(&procs, h.h, v));
    EXPECT_EQ(v[0], 0x0102);
    EXPECT_EQ(v[1], -2);
    EXPECT_EQ(v[2], 0x12345678);

    OwnedHandle shortOne(std::string(11, '\0'));
    EXPECT_FALSE(ReadReversedInt32x3(&procs, shortOne.h, v));
}

TEST(HandleResources, AppendsOneHandleToAnother) {
    pi::HandleProcs procs = Procs();
    OwnedHandle a("abc"), b("defg");
    ASSERT_EQ(AppendHandle(&procs, a.h, b.h), pi::noErr);
    EXPECT_EQ(a.Bytes(), "abcdefg");
    EXPECT_EQ(b.Bytes(), "defg");
    ASSERT_EQ(AppendHandle(&procs, b.h, b.h), pi::noErr);
    EXPECT_EQ(b.Bytes(), "defgdefg");

    gFailSetSize = 1;
    EXPECT_EQ(AppendHandle(&procs, a.h, b.h), pi::memFullErr);
    gFailSetSize = 0;
    EXPECT_EQ(a.Bytes(), "abcdefg");

    EXPECT_EQ(AppendHandle(&procs, nullptr, b.h), pi::nilHandleErr);
    pi::HandleProcs noSetSize = procs;
    noSetSize.setSizeProc = nullptr;
    EXPECT_EQ(AppendHandle(&noSetSize, a.h, b.h), pi::errPlugInHostInsufficient);
}

TEST(HostCallbacks, TablesByVersionAndCount) {
    pi::HandleProcs hp = Procs();
    EXPECT_EQ(CheckHandleProcs(&hp), CallbackStatus::Available);
    hp.numHandleProcs = 7;
    EXPECT_EQ(CheckHandleProcs(&hp), CallbackStatus::Missing);
    hp.handleProcsVersion = 2;
    EXPECT_EQ(CheckHandleProcs(&hp), CallbackStatus::Newer);
    EXPECT_EQ(CheckHandleProcs(nullptr), CallbackStatus::Missing);

    pi::PropertyProcs pp{1, 2, nullptr, nullptr};
    EXPECT_EQ(CheckPropertyProcs(&pp), CallbackStatus::Available);
    pp.propertyProcsVersion = 0;
    EXPECT_EQ(CheckPropertyProcs(&pp), CallbackStatus::Missing);

    pi::ChannelPortProcs cp{1, 3, nullptr, nullptr, nullptr};
    EXPECT_EQ(CheckChannelPortProcs(&cp), CallbackStatus::Available);

    pi::ReadDescriptorProcs rd{};
    rd.numReadDescriptorProcs = 18;
    pi::WriteDescriptorProcs wd{};
    wd.numWriteDescriptorProcs = 16;
    pi::PIDescriptorParameters dp{};
    dp.readDescriptorProcs = &rd;
    dp.writeDescriptorProcs = &wd;
    EXPECT_EQ(CheckDescriptorParameters(&dp), CallbackStatus::Available);
    wd.numWriteDescriptorProcs = 15;
    EXPECT_EQ(CheckDescriptorParameters(&dp), CallbackStatus::Missing);
    rd.readDescriptorProcsVersion = 1;
    EXPECT_EQ(CheckDescriptorParameters(&dp), CallbackStatus::Newer);
}

namespace {
pi::OSErr NoColor(pi::ColorServicesInfo*) { return pi::noErr; }
}  // namespace

TEST(HostCallbacks, ServicesOfTheFilterRecord) {
    pi::FilterRecord fr{};
    EXPECT_FALSE(HostCallbackPresent(&fr, HostService::ColorServices));
    EXPECT_FALSE(HostCallbackPresent(nullptr, HostService::AbortProc));
    fr.colorServices = NoColor;
    EXPECT_TRUE(HostCallbackPresent(&fr, HostService::ColorServices));

    pi::HandleProcs hp = Procs();
    hp.handleProcsVersion = 3;
    fr.handleProcs = &hp;
    EXPECT_EQ(CheckHostService(&fr, HostService::HandleProcs), CallbackStatus::Newer);
    EXPECT_EQ(CheckHostService(&fr, HostService::ChannelPortProcs), CallbackStatus::Missing);

    EXPECT_STREQ(RequiredInterfaceVersion(HostService::HandleProcs), "2.5");
    EXPECT_STREQ(RequiredInterfaceVersion(HostService::AdvanceState), "3.0");
    EXPECT_STREQ(RequiredInterfaceVersion(HostService::ChannelPortProcs), "4.0");
}

TEST(HostIdentity, SignatureAndVersionTables) {
    EXPECT_EQ(IdentifyHost(pi::FourCC("8BIM"), "13.0"), kHostReference);
    EXPECT_EQ(IdentifyHost(pi::FourCC("8BIM"), nullptr), kHostReference);
    EXPECT_EQ(IdentifyHost(pi::FourCC("XXXX"), "13.0"), kHostUnknown);

    const KnownHost table[] = {
        {pi::FourCC("ABCD"), "2.", 20},
        {pi::FourCC("ABCD"), "", 10},
    };
    EXPECT_EQ(IdentifyHost(pi::FourCC("ABCD"), "2.1", table, 2), 20);
    EXPECT_EQ(IdentifyHost(pi::FourCC("ABCD"), "3.0", table, 2), 10);
    EXPECT_EQ(IdentifyHost(pi::FourCC("ABCD"), "3.0", nullptr, 2), kHostUnknown);
}

TEST(HostIdentity, FixedFileVersion) {
    // A version resource: header words, the key, padding, then the fixed block.
    unsigned char res[92] = {};
    const uint32_t fixed[4] = {0xFEEF04BDu, 0x00010000u, 0x00020003u, 0x00040005u};
    std::memcpy(res + 40, fixed, sizeof fixed);
    uint16_t v[4];
    ASSERT_TRUE(ParseFixedFileVersion(res, sizeof res, v));
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[1], 3);
    EXPECT_EQ(v[2], 4);
    EXPECT_EQ(v[3], 5);
    EXPECT_EQ(VersionText(v), "2.3.4.5");
    const uint16_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(VersionText(one), "1.0");
    const uint16_t three[4] = {1, 0, 2, 0};
    EXPECT_EQ(VersionText(three), "1.0.2");

    EXPECT_FALSE(ParseFixedFileVersion(res, 40, v)) << "block cut off";
    std::memset(res + 40, 0, 4);
    EXPECT_FALSE(ParseFixedFileVersion(res, sizeof res, v));
}
