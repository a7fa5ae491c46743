#include <gtest/gtest.h>

#include <cstring>

#include "FakeHandles.h"
#include "HostHandles.h"

using namespace frostel;

TEST(HandleProcs, AcceptVersionOneOrLaterWithTheEntriesUsed) {
    pi::HandleProcs p = fakehandles::Procs();
    bool newer = true;
    EXPECT_TRUE(HandleProcsAvailable(&p, &newer));
    EXPECT_FALSE(newer);

    p.handleProcsVersion = 2;  // a newer host keeps its own handles
    EXPECT_TRUE(HandleProcsAvailable(&p, &newer));
    EXPECT_TRUE(newer);

    p.numHandleProcs = 6;
    EXPECT_TRUE(HandleProcsAvailable(&p));
    p.numHandleProcs = 5;
    EXPECT_FALSE(HandleProcsAvailable(&p));

    p = fakehandles::Procs();
    p.handleProcsVersion = 0;
    EXPECT_FALSE(HandleProcsAvailable(&p));
    p = fakehandles::Procs();
    p.setSizeProc = nullptr;
    EXPECT_FALSE(HandleProcsAvailable(&p));
    EXPECT_FALSE(HandleProcsAvailable(nullptr, &newer));
    EXPECT_FALSE(newer);
}

TEST(OwnHandles, ServeAHostWithoutHandleCallbacks) {
    const int before = LiveLocalHandles();
    pi::Handle h = NewHostHandle(nullptr, 20);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(IsLocalHandle(h));
    EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(h) + sizeof(pi::Ptr), "OTOF", 4), 0);
    EXPECT_EQ(GetHostHandleSize(nullptr, h), 20);

    pi::Ptr p = LockHostHandle(nullptr, h, true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, *h);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(p[i], 0) << i;
    std::memset(p, 0x5A, 20);
    UnlockHostHandle(nullptr, h);
    // The contents survive an unlock and a second lock.
    EXPECT_EQ(LockHostHandle(nullptr, h, false)[19], 0x5A);

    FreeHostHandle(nullptr, h);
    EXPECT_FALSE(IsLocalHandle(h));
    EXPECT_EQ(LiveLocalHandles(), before);
}

TEST(OwnHandles, SizeOfAMissingHandleIsZeroWithNilHandleError) {
    EXPECT_EQ(GetLocalHandleSize(nullptr), 0u);
    EXPECT_EQ(gLocalMemoryError, pi::nilHandleErr);
    pi::Ptr foreign[2] = {nullptr, nullptr};
    EXPECT_EQ(GetHostHandleSize(nullptr, foreign), 0);
    EXPECT_EQ(gLocalMemoryError, pi::nilHandleErr);
    EXPECT_EQ(LockHostHandle(nullptr, foreign, false), nullptr);
    FreeHostHandle(nullptr, foreign);  // not ours, no host to free it: left alone
    pi::Handle h = NewLocalHandle(0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(gLocalMemoryError, pi::noErr);
    EXPECT_EQ(GetLocalHandleSize(h), 0u);
    FreeLocalHandle(h);
}

TEST(OwnHandles, HostHandlesGoToTheHostAndOwnHandlesNeverDo) {
    pi::HandleProcs procs = fakehandles::Procs();
    pi::Handle host = NewHostHandle(&procs, 8);
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(IsLocalHandle(host));
    EXPECT_EQ(GetHostHandleSize(&procs, host), 8);
    ASSERT_NE(LockHostHandle(&procs, host, true), nullptr);
    EXPECT_EQ(fakehandles::F(host)->locks, 1);
    UnlockHostHandle(&procs, host);
    EXPECT_EQ(fakehandles::F(host)->locks, 0);

    // A handle made while the host had no callbacks stays ours afterwards.
    pi::Handle own = NewHostHandle(nullptr, 4);
    ASSERT_NE(LockHostHandle(&procs, own, true), nullptr);
    UnlockHostHandle(&procs, own);
    EXPECT_EQ(GetHostHandleSize(&procs, own), 4);
    FreeHostHandle(&procs, own);
    EXPECT_FALSE(IsLocalHandle(own));

    FreeHostHandle(&procs, host);  // the fake's dispose frees it (leak-checked under ASan)
    EXPECT_EQ(NewHostHandle(&procs, -1), nullptr);
}
