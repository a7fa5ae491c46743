// The About box and the message dialog in this process: what they show,
// what their controls start, and that no worker outlives them.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "AboutBox.h"
#include "AboutIds.h"
#include "LoopbackServer.h"
#include "UpdateCheck.h"
#include "WebClient.h"
#include "Workers.h"

using namespace frostel;
using frostel::test::LoopbackServer;

namespace {

std::mutex gOpenedLock;
std::vector<std::string> gOpened;

void RecordOpen(HWND, const char* text) {
    std::lock_guard<std::mutex> g(gOpenedLock);
    gOpened.push_back(text);
}

std::vector<std::string> Opened() {
    std::lock_guard<std::mutex> g(gOpenedLock);
    return gOpened;
}

void WaitForShellWorker() {
    for (int i = 0; i < 300 && ShellWorkerBusy(); ++i) Sleep(10);
}

std::string ItemText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// What the test does with a dialog once it is set up; then it is closed.
std::function<void(HWND)> gOnDialog;
HHOOK gHook = nullptr;

LRESULT CALLBACK AfterMessage(int code, WPARAM wp, LPARAM lp) {
    const auto* msg = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && msg->message == WM_INITDIALOG && gOnDialog) {
        auto act = std::move(gOnDialog);
        gOnDialog = nullptr;
        act(msg->hwnd);
        PostMessageA(msg->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    }
    return CallNextHookEx(gHook, code, wp, lp);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        gOpened.clear();
        SetShellOpener(RecordOpen);
        gHook = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterMessage, nullptr, GetCurrentThreadId());
        ASSERT_NE(gHook, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(gHook);
        gOnDialog = nullptr;
        StopDialogWorkers(3000);
        SetShellOpener(nullptr);
        SetUpdateServer(nullptr);
        SetUpdateLimits(nullptr);
        gUpdateFlags[0] = gUpdateFlags[1] = 0;
    }
};

}  // namespace

TEST_F(DialogTest, AboutBoxShowsTheVersionAndItsLinksWork) {
    LoopbackServer server([](SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 28\r\n\r\nnewversion: 2;newpresets: 0;");
    });
    SetUpdateServer(server.authority().c_str());
    std::string version, caption;
    bool ran = false;
    gOnDialog = [&](HWND dialog) {
        ran = true;
        char text[64] = {};
        GetWindowTextA(dialog, text, sizeof text);
        caption = text;
        version = ItemText(dialog, IDC_ABOUT_VERSION);
        // The link control's id opens the maker's site.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LINK, 0), 0);
        WaitForShellWorker();
        // Get Updates: the updates page, and the check against the server.
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_UPDATES, 0), 0);
    };
    ShowAboutBox(nullptr);
    ASSERT_TRUE(ran);
    EXPECT_EQ(caption, "About");
    EXPECT_EQ(version, "1.6 (64 Bit)");

    // Nothing runs on once the box has closed.
    EXPECT_FALSE(UpdateCheckRunning());
    EXPECT_FALSE(ShellWorkerBusy());

    const auto opened = Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], MakerSiteUrl());
    EXPECT_EQ(opened[1], UpdatesPageUrl(server.authority()));
    ASSERT_EQ(server.requests().size(), 1u);
    // No host is running this test: the token says so.
    EXPECT_NE(server.requests()[0].find("&psd=unknown&vers=1%2E6 HTTP/1.1\r\n"), std::string::npos)
        << server.requests()[0];
    EXPECT_EQ(gUpdateFlags[0], 2);
    EXPECT_TRUE(UpdateAvailable());
}

TEST_F(DialogTest, AboutBoxCancelsAHangingCheckWhenItCloses) {
    std::atomic<bool> stop{false};
    LoopbackServer server([&stop](SOCKET) {
        for (int i = 0; i < 500 && !stop; ++i) Sleep(20);  // never answers
    });
    SetUpdateServer(server.authority().c_str());
    HttpLimits slow;
    slow.receiveTimeoutMs = 30000;
    slow.deadlineMs = 30000;
    SetUpdateLimits(&slow);
    gOnDialog = [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_UPDATES, 0), 0); };
    const ULONGLONG start = GetTickCount64();
    ShowAboutBox(nullptr);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_FALSE(UpdateCheckRunning());
    EXPECT_LT(took, 2500u);  // a grace of one second, then cancelled
    EXPECT_EQ(gUpdateFlags[0], 0);
    stop = true;
}

TEST_F(DialogTest, MessageDialogShowsTextIconAndOpensHelp) {
    struct Seen {
        std::string text;
        bool icon = false;
    } seen;
    for (uint32_t kind : {kMessageNoIcon, kMessageWarning, kMessageError, kMessageInformation}) {
        gOnDialog = [&seen](HWND dialog) {
            seen.text = ItemText(dialog, IDC_MESSAGE_TEXT);
            seen.icon = SendDlgItemMessageA(dialog, IDC_MESSAGE_ICON, STM_GETICON, 0, 0) != 0;
            HELPINFO help{};
            help.cbSize = sizeof help;
            SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
            WaitForShellWorker();
        };
        EXPECT_EQ(ShowMessageDialog(nullptr, "Preset saved.", kind), IDOK);
        EXPECT_EQ(seen.text, "Preset saved.");
        EXPECT_EQ(seen.icon, kind != kMessageNoIcon) << kind;
    }
    const auto opened = Opened();
    ASSERT_EQ(opened.size(), 4u);
    const std::string page = "Frostel\\Help\\frosteldoc.html";
    for (const auto& o : opened) EXPECT_EQ(o.substr(o.size() - page.size()), page) << o;
    EXPECT_EQ(opened[0], ModuleHelpFolder() + "frosteldoc.html");
}

TEST_F(DialogTest, HelpTopicsOpenTheirPagesOneAtATime) {
    ASSERT_TRUE(StartHelpThread(779));
    WaitForShellWorker();
    ASSERT_TRUE(StartHelpThread(777));
    WaitForShellWorker();
    const auto opened = Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], ModuleHelpFolder() + "frosteldoc_material.html");
    EXPECT_EQ(opened[1], ModuleHelpFolder() + "frosteldoc_parameter.html");
}

namespace {
HANDLE gRelease = nullptr;
void BlockingOpen(HWND owner, const char* text) {
    RecordOpen(owner, text);
    WaitForSingleObject(gRelease, 5000);
}
}  // namespace

TEST_F(DialogTest, RequestsWhileTheShellWorkerIsBusyAreDropped) {
    gRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetShellOpener(BlockingOpen);
    ASSERT_TRUE(ShellOpenAsync("http://127.0.0.1/first"));
    EXPECT_TRUE(ShellWorkerBusy());
    EXPECT_FALSE(StartHelpThread(778));
    EXPECT_FALSE(ShellOpenAsync("http://127.0.0.1/second"));
    // A worker that does not end in time is left to end on its own.
    EXPECT_FALSE(StopDialogWorkers(100));
    SetEvent(gRelease);
    WaitForShellWorker();
    EXPECT_FALSE(ShellWorkerBusy());
    CloseHandle(gRelease);
    EXPECT_EQ(Opened(), std::vector<std::string>{"http://127.0.0.1/first"});
}
