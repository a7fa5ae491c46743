// The update check's text work: URLs, token, request bytes, reply framing
// and the server's answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "UpdateCheck.h"

using namespace frostel;

TEST(UrlEncode, KeepsAsciiLettersAndDigitsOnly) {
    EXPECT_EQ(UrlEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(UrlEncode("Win1.6"), "Win1%2E6");
    EXPECT_EQ(UrlEncode("\t\n"), "++");
    // Bytes above 0x7F are encoded, never taken for letters or blanks.
    EXPECT_EQ(UrlEncode("\xE9\xA0\xFF"), "%E9%A0%FF");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST(HostToken, EachHostKind) {
    EXPECT_EQ(HostTokenFromVersion(-1), "PSE");
    EXPECT_EQ(HostTokenFromVersion(0), "PSD0");
    EXPECT_EQ(HostTokenFromVersion(23), "PSD23");
    EXPECT_EQ(HostTokenFromSignature(0), "unknown");
    // 'FrTH' as a 32-bit value lies in memory as H, T, r, F.
    EXPECT_EQ(HostTokenFromSignature(0x46725448u), "HTrF");
    // A first byte of zero leaves nothing; a later zero ends the text.
    EXPECT_EQ(HostTokenFromSignature(0x41424300u), "");
    EXPECT_EQ(HostTokenFromSignature(0x41420043u), "C");
    EXPECT_EQ(HostTokenFromSignature(0x2020FF38u), "8%FF++");
}

TEST(UpdateUrls, CarryTokenSystemAndVersion) {
    const std::string sys = sizeof(void*) == 8 ? "win64" : "win32";
    EXPECT_EQ(UpdateCheckUrl("127.0.0.1:8080", "PSD7"),
              "http://127.0.0.1:8080/RegServer/updates/frostelpsd/getupdates.php?request=checkupdates&sys=" + sys +
                  "&os=Win&psd=PSD7&vers=1%2E6");
    EXPECT_EQ(UpdatesPageUrl(kUpdateServer), std::string("http://") + kUpdateServer +
                                                   "/RegServer/updates/frostelpsd/getupdates.php?vers=1%2E6&sys=" + sys);
}

TEST(ParseHttpUrl, SchemeAuthorityAndPath) {
    auto t = ParseHttpUrl("http://example.test:8080/a/b?x=1:2");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->host, "example.test");
    EXPECT_EQ(t->port, 8080);
    EXPECT_EQ(t->path, "a/b?x=1:2");  // a ':' in the path is not a port

    t = ParseHttpUrl("HTTP://example.test/x:99");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->port, 80);
    EXPECT_EQ(t->path, "x:99");

    t = ParseHttpUrl("http://example.test:/p");  // colon then slash: port 80
    ASSERT_TRUE(t);
    EXPECT_EQ(t->port, 80);
    t = ParseHttpUrl("http://example.test");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->path, "");
    EXPECT_EQ(ParseHttpUrl("http://h:65535")->port, 65535);

    EXPECT_FALSE(ParseHttpUrl("Http://example.test/"));  // mixed case refused
    EXPECT_FALSE(ParseHttpUrl("ftp://example.test/"));
    EXPECT_FALSE(ParseHttpUrl("http://"));
    EXPECT_FALSE(ParseHttpUrl("http://:80/x"));
    EXPECT_FALSE(ParseHttpUrl("http://h:0/"));
    EXPECT_FALSE(ParseHttpUrl("http://h:65536/"));
    EXPECT_FALSE(ParseHttpUrl("http://h:80x/"));
    EXPECT_FALSE(ParseHttpUrl("http://h:-1/"));
    EXPECT_FALSE(ParseHttpUrl("http://h/a b"));
    EXPECT_FALSE(ParseHttpUrl("http://h/a\r\nX: y"));
}

TEST(BuildHttpRequest, ExactBytesAndBound) {
    HttpTarget t{"example.test", 8080, "a/b?c=d"};
    EXPECT_EQ(BuildHttpRequest(t),
              "GET /a/b?c=d HTTP/1.1\r\nHost: example.test:8080\r\n"
              "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\nAccept: */*\r\n\r\n");
    const size_t fixed = BuildHttpRequest({"h", 80, ""}).size();
    // A port other than 80 is part of the Host header.
    EXPECT_NE(BuildHttpRequest({"h", 8080, ""}).find("\r\nHost: h:8080\r\n"), std::string::npos);
    EXPECT_NE(BuildHttpRequest({"h", 80, ""}).find("\r\nHost: h\r\n"), std::string::npos);
    t = {"h", 80, std::string(kMaxRequestBytes - fixed, 'p')};
    EXPECT_EQ(BuildHttpRequest(t).size(), kMaxRequestBytes);
    t.path += 'p';
    EXPECT_EQ(BuildHttpRequest(t), "");
}

namespace {
// Feeds the text in pieces of `step` bytes; the state after the last.
HttpReplyReader::State FeedAll(HttpReplyReader& r, const std::string& text, size_t step) {
    for (size_t i = 0; i < text.size(); i += step) r.Feed(text.data() + i, std::min(step, text.size() - i));
    return r.state();
}
}  // namespace

TEST(HttpReplyReader, FramingByLengthChunksOrClose) {
    const std::string sized = "HTTP/1.1 200 OK\r\nContent-Length: 14\r\n\r\nnewversion:2;";
    for (size_t step : {size_t(1), size_t(3), size_t(4096)}) {
        HttpReplyReader r;
        EXPECT_EQ(FeedAll(r, sized, step), HttpReplyReader::State::Reading) << step;  // one byte short
        r.Feed(" ", 1);
        EXPECT_EQ(r.state(), HttpReplyReader::State::Complete);
        EXPECT_EQ(r.body(), "newversion:2; ");
        EXPECT_EQ(r.status(), 200);
    }

    // Chunks split anywhere, even inside a word, with an extension and a trailer.
    const std::string chunked =
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
        "7;x=y\r\nnewvers\r\nA\r\nion: 3;new\r\n0\r\nX-T: 1\r\n\r\n";
    for (size_t step : {size_t(1), size_t(5), size_t(4096)}) {
        HttpReplyReader r;
        EXPECT_EQ(FeedAll(r, chunked, step), HttpReplyReader::State::Complete) << step;
        EXPECT_EQ(r.body(), "newversion: 3;new");
    }
    HttpReplyReader partial;
    EXPECT_EQ(FeedAll(partial, chunked.substr(0, chunked.size() - 12), 1), HttpReplyReader::State::Reading);
    EXPECT_EQ(partial.PeerClosed(), HttpReplyReader::State::Malformed);

    HttpReplyReader byClose;
    EXPECT_EQ(FeedAll(byClose, "HTTP/1.0 200 OK\r\nServer: t\r\n\r\nnewpresets:1;", 2), HttpReplyReader::State::Reading);
    EXPECT_EQ(byClose.PeerClosed(), HttpReplyReader::State::Complete);
    EXPECT_EQ(byClose.body(), "newpresets:1;");

    HttpReplyReader shortBody;
    FeedAll(shortBody, "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nabc", 7);
    EXPECT_EQ(shortBody.PeerClosed(), HttpReplyReader::State::Malformed);

    HttpReplyReader noHeaders;
    FeedAll(noHeaders, "newversion:2;", 4);
    EXPECT_EQ(noHeaders.PeerClosed(), HttpReplyReader::State::Malformed);
}

TEST(HttpReplyReader, RefusesBadHeadersAndOversizeReplies) {
    for (const char* bad : {"HTTP/1.1 2x0 OK\r\n\r\n", "SMTP 200\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", "HTTP/1.1 200 OK\r\nNoColon\r\n\r\n",
                            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nZZ\r\n"}) {
        HttpReplyReader r;
        EXPECT_EQ(FeedAll(r, bad, 3), HttpReplyReader::State::Malformed) << bad;
    }

    HttpReplyReader small(64);
    const std::string head = "HTTP/1.1 200 OK\r\n\r\n";
    EXPECT_EQ(FeedAll(small, head + std::string(64 - head.size(), 'x'), 4), HttpReplyReader::State::Reading);
    EXPECT_EQ(small.Feed("x", 1), HttpReplyReader::State::TooLarge);
    EXPECT_EQ(small.PeerClosed(), HttpReplyReader::State::TooLarge);  // stays refused

    HttpReplyReader big;
    const std::string mib(1024 * 1024, 'y');
    EXPECT_EQ(big.Feed(mib.data(), mib.size()), HttpReplyReader::State::TooLarge);
    EXPECT_EQ(big.received(), 0u);
}

TEST(HttpReplyReader, InterimRepliesAreSkipped) {
    const std::string final = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
    for (const std::string& interim :
         {std::string("HTTP/1.1 100 Continue\r\n\r\n"), std::string("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\nX: 1\r\n\r\n"),
          std::string("HTTP/1.1 103 Early Hints\r\nContent-Length: 40\r\n\r\n")}) {
        for (size_t step : {size_t(1), size_t(7), size_t(4096)}) {
            HttpReplyReader r;
            EXPECT_EQ(FeedAll(r, interim + final, step), HttpReplyReader::State::Complete) << interim;
            EXPECT_EQ(r.status(), 200);
            EXPECT_EQ(r.body(), "ok");
        }
    }
    // An interim reply alone is no answer; a protocol switch was never asked for.
    HttpReplyReader alone;
    FeedAll(alone, "HTTP/1.1 100 Continue\r\n\r\n", 3);
    EXPECT_EQ(alone.PeerClosed(), HttpReplyReader::State::Malformed);
    HttpReplyReader upgrade;
    EXPECT_EQ(FeedAll(upgrade, "HTTP/1.1 101 Switching\r\n\r\n" + final, 5), HttpReplyReader::State::Malformed);
    HttpReplyReader tooLow;
    EXPECT_EQ(FeedAll(tooLow, "HTTP/1.1 099 Odd\r\n\r\n", 5), HttpReplyReader::State::Malformed);
}

// Texts fed in pieces of `step` bytes: the end each comes to, and the body of a complete one.
struct ReplyCase {
    std::string text;
    HttpReplyReader::State end;
    std::string body;
};
void ExpectReplies(const std::vector<ReplyCase>& cases, size_t step) {
    for (const ReplyCase& c : cases) {
        HttpReplyReader r;
        EXPECT_EQ(FeedAll(r, c.text, step), c.end) << c.text;
        if (c.end == HttpReplyReader::State::Complete) {
            EXPECT_EQ(r.body(), c.body) << c.text;
        }
    }
}

TEST(HttpReplyReader, LineFeedsAloneEndLinesToo) {
    using S = HttpReplyReader::State;
    ExpectReplies({{"HTTP/1.0 200 OK\nContent-Length: 3\n\nabcdef", S::Complete, "abc"},
                   {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\n\r\n3\nabc\n2\r\nde\r\n0\n\n", S::Complete, "abcde"},
                   // Chunk data must be followed by its line end at once.
                   {"HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabcd\n0\n\n", S::Malformed, ""},
                   {"HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\rx\n0\n\n", S::Malformed, ""}},
                  1);
}

TEST(HttpReplyReader, NulBytesAreBytes) {
    using namespace std::string_literals;
    const std::string body = "a\0b\0c"s;
    HttpReplyReader r;
    EXPECT_EQ(FeedAll(r, "HTTP/1.1 200 OK\r\nX-\0: \0\r\nContent-Length: 5\r\n\r\n"s + body, 2),
              HttpReplyReader::State::Complete);
    EXPECT_EQ(r.body(), body);
    for (const std::string& bad : {"HTTP/1.1 200 OK\r\nContent-Length: 5\0\r\n\r\nabcde"s, "HTTP/1.1 200\0OK\r\n\r\n"s,
                                   "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n\0" "5\r\nabcde\r\n"s}) {
        HttpReplyReader b;
        EXPECT_EQ(FeedAll(b, bad, 1), HttpReplyReader::State::Malformed) << bad.size();
    }
}

TEST(HttpReplyReader, SizesBeyondTheLimitAreRefusedAtOnce) {
    // A length the reply can never hold, or an 8-digit chunk size, is refused
    // when its line is in, in any width of size_t: 2^32 + 1 must not read as 1
    // nor an end past the buffer wrap around.
    const std::string sized = "HTTP/1.1 200 OK\r\nContent-Length: ";
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (const std::string& tooLarge :
         {sized + "4294967296\r\n\r\nx", sized + "4294967297\r\n\r\nx", sized + "99999999999999999999\r\n\r\nx",
          sized + "1048576\r\n\r\nx", chunked + "fffffffe\r\nab", chunked + "FFFFFFFF\r\nab",
          chunked + "00100000\r\nab", chunked + "ffffffffffffffff\r\nab"}) {
        HttpReplyReader r;
        EXPECT_EQ(FeedAll(r, tooLarge, 3), HttpReplyReader::State::TooLarge) << tooLarge;
    }
    // Leading zeros are digits like any other, up to 16 for a chunk size.
    using S = HttpReplyReader::State;
    ExpectReplies({{sized + "0000000000000000000000002\r\n\r\nok", S::Complete, "ok"},
                   {chunked + "00000003\r\nabc\r\n0\r\n\r\n", S::Complete, "abc"},
                   {chunked + "00000000000000003\r\n", S::Malformed, ""}},
                  1);
}

TEST(HttpReplyReader, FloodsInSmallPiecesEndAtTheLimitInLinearTime) {
    // Each flood is fed a few bytes a time up to its 1 MiB bound; a reader
    // that searched its whole text again on every receive would take hours.
    const std::string head = "HTTP/1.1 200 OK\r\n";
    struct Flood {
        std::string start, repeat;
    } floods[] = {
        {"", "HTTP/1.1 100 Continue\r\n\r\n"},            // interim replies without end
        {head, "X-Filler: 0123456789\r\n"},                // header lines without end
        {head, "x"},                                        // one header line without end
        {head + "Transfer-Encoding: chunked\r\n\r\n", "1\r\nz\r\n"},  // one-byte chunks
        {head + "Transfer-Encoding: chunked\r\n\r\n", "1;" + std::string(50, 'e')},  // an endless extension
        {head + "Transfer-Encoding: chunked\r\n\r\n0\r\n", "T: t\r\n"},  // endless trailers
    };
    for (const Flood& f : floods) {
        std::string text = f.start;
        while (text.size() <= HttpReplyReader::kMaxReplyBytes) text += f.repeat;
        HttpReplyReader r;
        size_t fed = 0;
        for (size_t step = 1; r.state() == HttpReplyReader::State::Reading && fed < text.size(); step = step % 13 + 1) {
            const size_t n = std::min(step, text.size() - fed);
            r.Feed(text.data() + fed, n);
            fed += n;
            ASSERT_LE(r.body().size(), r.received());
        }
        EXPECT_EQ(r.state(), HttpReplyReader::State::TooLarge) << f.repeat;
        EXPECT_LE(r.received(), HttpReplyReader::kMaxReplyBytes);
    }
}

namespace {

// A connection on a clock of its own: bytes arrive at set times, every wait
// moves the clock on. Nothing sleeps.
class TimedSource : public ReplySource {
public:
    struct Arrival {
        uint64_t atMs;
        std::string bytes;
        bool closeAfter = false;
    };
    explicit TimedSource(std::vector<Arrival> arrivals) : arrivals_(std::move(arrivals)) {}

    uint64_t NowMs() override { return now; }
    bool Cancelled() override { return now >= cancelAtMs; }
    ReceiveResult Receive(char* buffer, size_t capacity, uint32_t waitMs) override {
        waits.push_back(waitMs);
        if (next_ < arrivals_.size() && arrivals_[next_].atMs <= now + waitMs) {
            Arrival& a = arrivals_[next_];
            now = std::max(now, a.atMs);
            if (a.bytes.empty()) {
                ++next_;
                return {a.closeAfter ? ReceiveResult::Closed : ReceiveResult::Failed, 0};
            }
            const size_t n = std::min(capacity, a.bytes.size());
            std::memcpy(buffer, a.bytes.data(), n);
            a.bytes.erase(0, n);
            if (a.bytes.empty() && !a.closeAfter) ++next_;
            if (a.bytes.empty() && a.closeAfter) a.atMs = now;  // the close follows at once
            return {ReceiveResult::Data, n};
        }
        now += waitMs;
        return {ReceiveResult::Quiet, 0};
    }

    uint64_t now = 0;
    uint64_t cancelAtMs = UINT64_MAX;
    std::vector<uint32_t> waits;

private:
    std::vector<Arrival> arrivals_;
    size_t next_ = 0;
};

// What the reply loop makes of a connection: its end, the body of a
// complete reply and the clock's reading then.
struct LoopCase {
    const char* what;
    std::vector<TimedSource::Arrival> arrivals;
    uint64_t deadlineMs;
    ReplyEnd end;
    std::string body;
    uint64_t earliest, latest;
    uint64_t cancelAtMs = UINT64_MAX;
};

void ExpectLoop(const LoopCase& c) {
    TimedSource source(c.arrivals);
    source.cancelAtMs = c.cancelAtMs;
    ReplyTimes t;
    t.deadlineMs = c.deadlineMs;
    t.waitMs = 1000;
    t.quietMs = 5000;
    HttpReplyReader r;
    EXPECT_EQ(ReadReply(source, r, t), c.end) << c.what;
    if (c.end == ReplyEnd::Complete) {
        EXPECT_EQ(r.body(), c.body) << c.what;
    }
    EXPECT_GE(source.now, c.earliest) << c.what;
    EXPECT_LE(source.now, c.latest) << c.what;
    for (uint32_t w : source.waits) {
        EXPECT_GE(w, 1u) << c.what;  // a receive time-out of 0 would wait for ever
        EXPECT_LE(w, 1000u) << c.what;
    }
}

}  // namespace

TEST(ReadReply, QuietForFiveSecondsEndsTheReply) {
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    ExpectLoop({"framed by the close: five quiet seconds complete it",
                {{100, head + "newversion:1;"}}, 10000, ReplyEnd::Complete, "newversion:1;", 5100, 5199});
    ExpectLoop({"quiet counts from the last byte: pauses of 4 s never end it early",
                {{0, head + "a"}, {4000, "b"}, {8000, "c"}, {12000, "d"}}, 30000, ReplyEnd::Complete, "abcd", 17000,
                17000});
    ExpectLoop({"a sized body that stops short is no reply",
                {{0, "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"}}, 10000, ReplyEnd::Refused, "", 5000, 5000});
}

TEST(ReadReply, DeadlineCancelCloseAndFailure) {
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    std::vector<TimedSource::Arrival> drip = {{0, head}};
    for (uint64_t t = 100; t < 60000; t += 100) drip.push_back({t, "n"});
    ExpectLoop({"a drip that never goes quiet ends at the deadline", drip, 2500, ReplyEnd::Deadline, "", 2500, 2600});
    ExpectLoop({"cancelled", {{0, head}}, 10000, ReplyEnd::Cancelled, "", 1500, 2600, 1500});
    ExpectLoop({"a close ends a close-framed reply at once", {{0, head + "ok"}, {300, "", true}}, 10000,
                ReplyEnd::Complete, "ok", 300, 300});
    ExpectLoop({"so does a failed receive", {{0, head + "ok"}, {300, "", false}}, 10000, ReplyEnd::Complete, "ok", 300,
                300});
    ExpectLoop({"a complete sized reply needs neither the close nor the quiet",
                {{50, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA"}}, 10000, ReplyEnd::Complete, "ok", 50,
                50});
}

TEST(ParseUpdateReply, FlagCases) {
    uint8_t f[2] = {9, 9};
    EXPECT_TRUE(ParseUpdateReply("newversion: 2;newpresets: 1;", f));
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(f[1], 1);

    // "error" anywhere leaves both flags as they were.
    EXPECT_FALSE(ParseUpdateReply("newversion: 5; internal error", f));
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(f[1], 1);

    // A word without its own ':' does not take the next key's value.
    EXPECT_TRUE(ParseUpdateReply("newversion 2;newpresets: 7;", f));
    EXPECT_EQ(f[0], 0);
    EXPECT_EQ(f[1], 7);

    // Low 8 bits; values end at ';' or the text's end; a missing word is 0.
    EXPECT_TRUE(ParseUpdateReply("newversion:\t 258", f));
    EXPECT_EQ(f[0], 2);
    EXPECT_EQ(f[1], 0);
    EXPECT_TRUE(ParseUpdateReply("newpresets:256;newversion:-1;", f));
    EXPECT_EQ(f[0], 255);
    EXPECT_EQ(f[1], 0);
    EXPECT_TRUE(ParseUpdateReply("newversion:99999999999999999999;newpresets:x1", f));
    EXPECT_EQ(f[0], 0xFF);  // saturated at the largest 32-bit value, low byte 0xFF
    EXPECT_EQ(f[1], 0);
    // The value is read from at most 255 characters.
    EXPECT_TRUE(ParseUpdateReply("newversion:" + std::string(254, ' ') + "12;", f));
    EXPECT_EQ(f[0], 1);
}
