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
constexpr size_t kMaxRequestBytes = 2047;
std::string BuildHttpRequest(const HttpTarget& target);

// Reads one reply as it arrives. Complete once the headers are in and the
// body is whole by its Content-Length or its last chunk; a reply without
// either ends with the connection. Over `limit` bytes (as received) the
// reply is refused.
class HttpReplyReader {
public:
    enum class State { Reading, Complete, TooLarge, Malformed };
    explicit HttpReplyReader(size_t limit = kMaxReplyBytes);

    State Feed(const char* data, size_t n);
    // The peer closed: a reply framed by the connection's end is complete.
    State PeerClosed();
    State state() const { return state_; }

    int status() const { return status_; }
    // The body, de-chunked; valid when Complete.
    const std::string& body() const { return body_; }
    size_t received() const { return received_; }

    static constexpr size_t kMaxReplyBytes = 1024 * 1024 - 1;

private:
    State Advance();
    bool ParseHeaders(size_t end);
    State AdvanceChunks();

    size_t limit_;
    size_t received_ = 0;
    std::string raw_;
    State state_ = State::Reading;
    bool headersDone_ = false;
    int status_ = 0;
    bool chunked_ = false;
    std::optional<size_t> contentLength_;
    size_t bodyStart_ = 0;
    size_t chunkPos_ = 0;  // next unread byte of the chunked body in raw_
    std::string body_;
};

// The server's answer: "error" anywhere leaves both flags; else each of
// "newversion" and "newpresets" takes the number after its own ':' (the
// ':' must follow the word at once; blanks after it skipped, up to ';'),
// low 8 bits; a word missing or without its ':' gives 0. False when the
// answer was refused.
bool ParseUpdateReply(const std::string& text, uint8_t flags[2]);

}  // namespace frostel
