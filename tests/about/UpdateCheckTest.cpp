// The update check's text work: URLs, token, request bytes, reply framing
// and the server's answer.
#include <gtest/gtest.h>

#include <string>

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
              "GET /a/b?c=d HTTP/1.1\r\nHost: example.test\r\n"
              "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\nAccept: */*\r\n\r\n");
    const size_t fixed = BuildHttpRequest({"h", 80, ""}).size();
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
