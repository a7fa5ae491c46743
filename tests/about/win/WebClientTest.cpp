// The web client and the update check against a loopback server that the
// test starts: request bytes, reply framings, failures and time bounds.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LoopbackServer.h"
#include "WebClient.h"
#include "Workers.h"

using namespace frostel;
using frostel::test::LoopbackServer;
using Clock = std::chrono::steady_clock;

namespace {

std::string Reply(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

LoopbackServer::Behaviour Answer(const std::string& bytes) {
    return [bytes](SOCKET s) { LoopbackServer::Send(s, bytes); };
}

double SecondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Short limits so that the time-bound cases finish quickly.
HttpLimits Quick() {
    HttpLimits l;
    l.receiveTimeoutMs = 300;
    l.quietMs = 1500;
    l.deadlineMs = 1500;
    return l;
}

// A resolver that takes its time, as one whose server does not answer.
bool SlowLookup(const char*, uint32_t* address) {
    Sleep(4000);
    *address = htonl(INADDR_LOOPBACK);
    return true;
}

}  // namespace

TEST(HttpGet, SendsTheExactRequestAndReadsAnAnswer) {
    LoopbackServer server(Answer(Reply("newversion: 2;newpresets: 1;")));
    const auto reply = HttpGet("http://" + server.authority() + "/a/b.php?x=1", Quick());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->body, "newversion: 2;newpresets: 1;");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /a/b.php?x=1 HTTP/1.1\r\nHost: " + server.authority() + "\r\n"
              "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\nAccept: */*\r\n\r\n");
}

TEST(HttpGet, KeepAliveAndChunkedRepliesEndWithTheirFraming) {
    // The server keeps the connection open after its answer: the client must
    // not wait for the close (nor for its receive failures).
    LoopbackServer keepAlive([](SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 14\r\n\r\nnewversion:4;\n");
        LoopbackServer::AwaitClose(s);
    });
    auto t = Clock::now();
    auto reply = HttpGet("http://" + keepAlive.authority() + "/", Quick());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "newversion:4;\n");
    EXPECT_LT(SecondsSince(t), 0.25);

    LoopbackServer chunked([](SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nnewve\r\n");
        Sleep(50);
        LoopbackServer::Send(s, "9\r\nrsion: 7;\r\n0\r\n\r\n");
        LoopbackServer::AwaitClose(s);
    });
    t = Clock::now();
    reply = HttpGet("http://" + chunked.authority() + "/", Quick());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "newversion: 7;");
    EXPECT_LT(SecondsSince(t), 0.5);
}

TEST(HttpGet, InterimRepliesAreSkippedOverTheWire) {
    LoopbackServer server([](SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 100 Continue\r\n\r\n");
        Sleep(50);
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\nContent-Length: 14\r\n\r\nnewversion: 3;");
        LoopbackServer::AwaitClose(s);
    });
    const auto reply = HttpGet("http://" + server.authority() + "/", Quick());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->body, "newversion: 3;");
}

TEST(HttpGet, TheNameLookupKeepsTheDeadlineAndTheCancel) {
    LoopbackServer server(Answer(Reply("newversion: 1;")));
    HttpLimits l = Quick();
    l.lookUp = SlowLookup;
    auto t = Clock::now();
    EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", l));
    EXPECT_GT(SecondsSince(t), 1.3);
    EXPECT_LT(SecondsSince(t), 2.5) << "the deadline counts from the look-up on";

    l.deadlineMs = 20000;
    HttpCancel cancel;
    std::thread canceller([&cancel] {
        Sleep(300);
        cancel.Cancel();
    });
    t = Clock::now();
    EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", l, &cancel));
    EXPECT_LT(SecondsSince(t), 1.0) << "a cancel ends the wait for the look-up";
    canceller.join();
    EXPECT_TRUE(server.requests().empty());
}

TEST(HttpGet, FailuresGiveNothing) {
    // Refused connection.
    EXPECT_FALSE(HttpGet("http://127.0.0.1:" + std::to_string(LoopbackServer::ClosedPort()) + "/", Quick()));
    // Closed without a reply, and closed in the middle of a sized body.
    {
        LoopbackServer server([](SOCKET) {});
        EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", Quick()));
    }
    {
        LoopbackServer server(Answer("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nnewversion: 2;"));
        EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", Quick()));
    }
    // Over the size bound: 1 MiB + 1 of body.
    {
        LoopbackServer server([](SOCKET s) {
            LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\n\r\n" + std::string(1024 * 1024 + 1, 'z'));
        });
        HttpLimits l = Quick();
        l.deadlineMs = 5000;
        EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", l));
    }
    // Refused before any socket: bad scheme, port or host.
    EXPECT_FALSE(HttpGet("Http://127.0.0.1/"));
    EXPECT_FALSE(HttpGet("http://127.0.0.1:0/"));
    EXPECT_FALSE(HttpGet("http://:80/"));
}

TEST(HttpGet, SlowDripIsCutByTheDeadline) {
    std::atomic<bool> stop{false};
    LoopbackServer server([&stop](SOCKET s) {
        LoopbackServer::Send(s, "HTTP/1.1 200 OK\r\n\r\n");
        // One byte every 100 ms: each receive succeeds, none times out.
        for (int i = 0; i < 100 && !stop; ++i) {
            LoopbackServer::Send(s, "n");
            Sleep(100);
        }
    });
    const auto t = Clock::now();
    EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", Quick()));
    const double took = SecondsSince(t);
    stop = true;
    EXPECT_GT(took, 1.3);
    EXPECT_LT(took, 2.5);
}

TEST(HttpGet, CancelEndsABlockedReceiveAtOnce) {
    std::atomic<bool> stop{false};
    LoopbackServer server([&stop](SOCKET) {
        for (int i = 0; i < 100 && !stop; ++i) Sleep(20);
    });
    HttpLimits l;
    l.deadlineMs = 20000;
    l.receiveTimeoutMs = 10000;
    HttpCancel cancel;
    std::thread canceller([&cancel] {
        Sleep(300);
        cancel.Cancel();
    });
    const auto t = Clock::now();
    EXPECT_FALSE(HttpGet("http://" + server.authority() + "/", l, &cancel));
    EXPECT_LT(SecondsSince(t), 1.5);
    canceller.join();
    stop = true;
}

TEST(UpdateCheck, ReplyCasesSetTheFlags) {
    struct Case {
        std::string reply;
        uint8_t before0, before1, after0, after1;
    } cases[] = {
        {Reply("newversion: 2;newpresets: 1;"), 0, 0, 2, 1},
        {Reply("newversion: 2;newpresets: 1; error"), 5, 6, 5, 6},
        {Reply("newversion 2;newpresets: 3;"), 5, 6, 0, 3},
        {Reply("newversion: 256;"), 5, 6, 0, 0},
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 14\r\n\r\nnewversion: 2;", 5, 6, 5, 6},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nnew\r\nb\r\nversion: 1;\r\n0\r\n\r\n", 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        gUpdateFlags[0] = c.before0;
        gUpdateFlags[1] = c.before1;
        LoopbackServer server(Answer(c.reply));
        SetUpdateServer(server.authority().c_str());
        HttpLimits l = Quick();
        SetUpdateLimits(&l);
        ASSERT_TRUE(StartUpdateCheckWithToken("PSD9"));
        // Waiting without a cancel: give the worker its time to finish.
        for (int i = 0; i < 300 && UpdateCheckRunning(); ++i) Sleep(10);
        EXPECT_FALSE(UpdateCheckRunning());
        EXPECT_TRUE(StopDialogWorkers(1000));
        EXPECT_EQ(gUpdateFlags[0], c.after0) << c.reply;
        EXPECT_EQ(gUpdateFlags[1], c.after1) << c.reply;
        EXPECT_EQ(UpdateAvailable(), c.after0 != 0 || c.after1 != 0);
        ASSERT_EQ(server.requests().size(), 1u);
        const std::string sys = "&sys=win64";
        EXPECT_EQ(server.requests()[0].substr(0, server.requests()[0].find("\r\n")),
                  "GET /RegServer/updates/frostelpsd/getupdates.php?request=checkupdates" + sys +
                      "&os=Win&psd=PSD9&vers=1%2E6 HTTP/1.1");
    }
    SetUpdateServer(nullptr);
    SetUpdateLimits(nullptr);
    gUpdateFlags[0] = gUpdateFlags[1] = 0;
}

TEST(UpdateCheck, OneCheckAtATimeAndStopCancelsIt) {
    std::atomic<bool> stop{false};
    LoopbackServer server([&stop](SOCKET) {
        for (int i = 0; i < 250 && !stop; ++i) Sleep(20);  // never answers
    });
    SetUpdateServer(server.authority().c_str());
    HttpLimits slow;
    slow.receiveTimeoutMs = 10000;
    slow.deadlineMs = 20000;
    SetUpdateLimits(&slow);
    ASSERT_TRUE(StartUpdateCheckWithToken("PSE"));
    EXPECT_FALSE(StartUpdateCheckWithToken("PSE"));  // a second quick click starts nothing
    for (int i = 0; i < 200 && server.requests().empty(); ++i) Sleep(10);
    EXPECT_TRUE(UpdateCheckRunning());
    const auto t = Clock::now();
    EXPECT_TRUE(StopDialogWorkers(3000));
    EXPECT_LT(SecondsSince(t), 1.0);
    EXPECT_FALSE(UpdateCheckRunning());
    EXPECT_EQ(server.requests().size(), 1u);
    stop = true;
    SetUpdateServer(nullptr);
    SetUpdateLimits(nullptr);
}
