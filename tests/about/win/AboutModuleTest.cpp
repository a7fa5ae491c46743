// The about selector of the built module: the host sees the About box, reads
// its version line and closes it; nothing else of the host is touched.
#include <gtest/gtest.h>

#include "FilterEntry.h"
#include "HostSim.h"

using namespace frostel::hostsim;

TEST(AboutSelector, ShowsTheAboutBoxWithTheModulesVersion) {
    Host host(FilterEntry());
    EXPECT_EQ(host.About(), 0);
    const auto dialogs = host.Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].caption, "About");
    ASSERT_EQ(dialogs[0].items.count(1033), 1u);
    EXPECT_EQ(dialogs[0].items.at(1033), "1.6 (64 Bit)");
    EXPECT_TRUE(host.MessageBoxes().empty());
    EXPECT_EQ(host.CallCount("newProc"), 0);

    // Shown again on the next about call.
    EXPECT_EQ(host.About(), 0);
    EXPECT_EQ(host.Dialogs().size(), 2u);
}
