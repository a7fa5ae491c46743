// The update check's text work, kept free of sockets and threads: the
// request URL with its host token, the URL's authority, the request bytes,
// the reading of an HTTP/1.1 reply and the server's answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace frostel {

// The update server; the only place its name is written.
extern const char kUpdateServer[];
// The version the plug-in reports and shows.
extern const char kPluginVersion[];
// The maker's web site: its name as shown, and its root page.
std::string MakerSiteName();
std::string MakerSiteUrl();
// "win64" or "win32": the system word of this module.
const char* SystemWord();

// Letters and digits (ASCII, on unsigned bytes) kept, white space as '+',
// every other byte as '%' and two upper-case hex digits.
std::string UrlEncode(const std::string& text);

// The host as the server knows it: from the host's version when the host
// has action suites (-1 "PSE", 0 "PSD0", else "PSD<v>"), else from the
// host signature's bytes in memory order up to the first zero byte,
// URL-encoded ("unknown" for no signature or a zero one).
std::string HostTokenFromVersion(int32_t version);
std::string HostTokenFromSignature(uint32_t signature);

// "http://<authority>/RegServer/updates/frostelpsd/getupdates.php?..." for
// the check, and the updates page opened in the browser.
std::string UpdateCheckUrl(const std::string& authority, const std::string& hostToken);
std::string UpdatesPageUrl(const std::string& authority);

struct HttpTarget {
    std::string host;
    uint16_t port = 80;
    std::string path;  // without its leading '/'
};
// Only "http://" or "HTTP://"; the authority is the text up to the first
// '/', its port (after the last ':') must be 1..65535 when written (empty
// means 80), and the host must not be empty.
std::optional<HttpTarget> ParseHttpUrl(const std::string& url);

// The GET request for a target; empty when it would exceed kMaxRequestBytes.
// The Host header names a port other than 80.
constexpr size_t kMaxRequestBytes = 2047;
std::string BuildHttpRequest(const HttpTarget& target);

// Reads one reply as it arrives, in time linear in its bytes however they
// are split. Interim replies (1xx) are skipped; the final one is complete
// once its head is in and its body is whole by its Content-Length or its
// last chunk; one with neither ends with the connection. Lines may end in
// CR LF or LF alone. Over `limit` bytes (as received), or announcing a
// body that cannot fit in them, the reply is refused.
class HttpReplyReader {
public:
    enum class State { Reading, Complete, TooLarge, Malformed };
    explicit HttpReplyReader(size_t limit = kMaxReplyBytes);

    State Feed(const char* data, size_t n);
    // The peer closed: a reply framed by the connection's end is complete.
    State PeerClosed();
    State state() const { return state_; }

    int status() const { return status_; }
    // The body, de-chunked; valid when Complete. Never longer than received().
    const std::string& body() const { return body_; }
    size_t received() const { return received_; }

    static constexpr size_t kMaxReplyBytes = 1024 * 1024 - 1;

private:
    enum class Stage { Head, Sized, ToClose, ChunkSize, ChunkData, ChunkEnd, Trailers };
    State Advance();
    // The next whole line from lineStart_: its end (without CR) and the
    // start of the line after it. False while it is still arriving.
    bool NextLine(size_t& end, size_t& next);
    bool ParseHead(size_t from, size_t to);

    size_t limit_;
    size_t received_ = 0;
    std::string raw_;
    State state_ = State::Reading;
    Stage stage_ = Stage::Head;
    size_t lineStart_ = 0;  // the line being looked at
    size_t scanned_ = 0;    // bytes from lineStart_ on already searched for its end
    size_t headStart_ = 0;  // the head being read (after interim replies)
    int status_ = 0;
    uint64_t remaining_ = 0;  // of the sized body, or of the current chunk
    std::string body_;
};

// How one wait for reply bytes ended.
struct ReceiveResult {
    enum Kind { Data, Closed, Quiet, Failed } kind = Failed;
    size_t bytes = 0;  // Data: how many
};

// The connection as the reply loop sees it, with its clock, so that the
// loop's time rules can be tried without waiting.
class ReplySource {
public:
    virtual ~ReplySource() = default;
    virtual uint64_t NowMs() = 0;
    // Waits at most `waitMs` for bytes into `buffer`.
    virtual ReceiveResult Receive(char* buffer, size_t capacity, uint32_t waitMs) = 0;
    virtual bool Cancelled() = 0;
};

struct ReplyTimes {
    uint64_t deadlineMs = 0;    // on the source's clock: the whole exchange ends here
    uint32_t waitMs = 1000;     // the longest single wait
    uint32_t quietMs = 5000;    // no byte for this long: the server is done
};

enum class ReplyEnd { Complete, Refused, Deadline, Cancelled };

// Feeds the reader from the source until the reply is complete or refused,
// the deadline passes or the request is cancelled. A server that stays
// quiet for quietMs has ended its reply, as if it had closed; so has a
// connection that fails.
ReplyEnd ReadReply(ReplySource& source, HttpReplyReader& reader, const ReplyTimes& times);

// The server's answer: "error" anywhere leaves both flags; else each of
// "newversion" and "newpresets" takes the number after its own ':' (the
// ':' must follow the word at once; blanks after it skipped, up to ';'),
// low 8 bits; a word missing or without its ':' gives 0. False when the
// answer was refused.
bool ParseUpdateReply(const std::string& text, uint8_t flags[2]);

}  // namespace frostel
