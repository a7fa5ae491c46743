#include "UpdateCheck.h"

#include <algorithm>
#include <cstring>

#include "AboutText.h"

namespace frostel {

const char kUpdateServer[] = "www.vornhal.com";
const char kPluginVersion[] = FROSTEL_PLUGIN_VERSION;

std::string MakerSiteName() { return kUpdateServer; }
std::string MakerSiteUrl() { return std::string("http://") + kUpdateServer + "/"; }

const char* SystemWord() { return sizeof(void*) == 8 ? "win64" : "win32"; }

namespace {

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

const char kUpdatesScript[] = "/RegServer/updates/frostelpsd/getupdates.php";

bool EqualsNoCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// Digits only, saturating at 2^64 - 1; nothing for an empty text or another character.
std::optional<uint64_t> ParseDecimal(const char* p, const char* end) {
    if (p == end) return std::nullopt;
    uint64_t v = 0;
    for (; p < end; ++p) {
        if (!IsDigit(*p)) return std::nullopt;
        const uint64_t d = uint64_t(*p - '0');
        v = v > (UINT64_MAX - d) / 10 ? UINT64_MAX : v * 10 + d;
    }
    return v;
}
std::optional<uint64_t> ParseDecimal(const std::string& s) { return ParseDecimal(s.data(), s.data() + s.size()); }

// Hex digits only (a chunk's size), saturating.
std::optional<uint64_t> ParseHex(const std::string& s) {
    if (s.empty()) return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
        const char l = Lower(c);
        uint64_t d;
        if (IsDigit(l)) d = uint64_t(l - '0');
        else if (l >= 'a' && l <= 'f') d = uint64_t(l - 'a' + 10);
        else return std::nullopt;
        v = v > (UINT64_MAX - d) / 16 ? UINT64_MAX : v * 16 + d;
    }
    return v;
}

// Leading blanks, a sign and digits as atoi reads them, without its
// overflow: the value saturates.
int32_t ReadInteger(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    int64_t v = 0;
    while (p < end && IsDigit(*p)) {
        if (v < INT64_C(1) << 40) v = v * 10 + (*p - '0');
        ++p;
    }
    if (v > INT32_MAX) v = INT32_MAX;
    return int32_t(negative ? -v : v);
}

}  // namespace

std::string UrlEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsAsciiAlnum(c)) {
            out += ch;
        } else if (IsAsciiSpace(c)) {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string HostTokenFromVersion(int32_t version) {
    if (version == -1) return "PSE";
    return "PSD" + std::to_string(version);
}

std::string HostTokenFromSignature(uint32_t signature) {
    if (signature == 0) return "unknown";
    char bytes[5] = {};
    std::memcpy(bytes, &signature, 4);  // memory order, as the host stores it
    return UrlEncode(bytes);            // stops at the first zero byte
}

std::string UpdateCheckUrl(const std::string& authority, const std::string& hostToken) {
    return "http://" + authority + kUpdatesScript + "?request=checkupdates&sys=" + SystemWord() +
           "&os=" + UrlEncode("Win") + "&psd=" + hostToken + "&vers=" + UrlEncode(kPluginVersion);
}

std::string UpdatesPageUrl(const std::string& authority) {
    return "http://" + authority + kUpdatesScript + "?vers=" + UrlEncode(kPluginVersion) + "&sys=" + SystemWord();
}

std::optional<HttpTarget> ParseHttpUrl(const std::string& url) {
    if (url.compare(0, 7, "http://") != 0 && url.compare(0, 7, "HTTP://") != 0) return std::nullopt;
    const std::string rest = url.substr(7);
    const size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    HttpTarget t;
    t.path = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    const size_t colon = authority.rfind(':');
    t.host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (!port.empty()) {
            const auto v = ParseDecimal(port);
            if (!v || *v < 1 || *v > 65535) return std::nullopt;
            t.port = uint16_t(*v);
        }
    }
    if (t.host.empty()) return std::nullopt;
    // The request is one text: no line breaks or blanks may enter it.
    for (const std::string* s : {&t.host, &t.path})
        for (char c : *s)
            if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return std::nullopt;
    return t;
}

std::string BuildHttpRequest(const HttpTarget& target) {
    const std::string port = target.port == 80 ? std::string() : ":" + std::to_string(target.port);
    std::string r = "GET /" + target.path + " HTTP/1.1\r\nHost: " + target.host + port +
                    "\r\nUser-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)" +
                    "\r\nAccept: */*\r\n\r\n";
    if (r.size() > kMaxRequestBytes) return std::string();
    return r;
}

// ---- Reply reader -----------------------------------------------------------

HttpReplyReader::HttpReplyReader(size_t limit) : limit_(limit) {}

HttpReplyReader::State HttpReplyReader::Feed(const char* data, size_t n) {
    if (state_ != State::Reading) return state_;
    if (n > limit_ - received_) {
        state_ = State::TooLarge;
        return state_;
    }
    received_ += n;
    raw_.append(data, n);
    return state_ = Advance();
}

HttpReplyReader::State HttpReplyReader::PeerClosed() {
    if (state_ != State::Reading) return state_;
    if (stage_ == Stage::ToClose) {
        body_ = raw_.substr(lineStart_);
        state_ = State::Complete;
    } else if (stage_ == Stage::Trailers) {
        state_ = State::Complete;  // the last chunk was in: the body is whole
    } else {
        state_ = State::Malformed;  // cut short
    }
    return state_;
}

bool HttpReplyReader::NextLine(size_t& end, size_t& next) {
    const size_t from = lineStart_ + scanned_;
    const void* lf = from < raw_.size() ? std::memchr(raw_.data() + from, '\n', raw_.size() - from) : nullptr;
    if (lf == nullptr) {
        scanned_ = raw_.size() - lineStart_;
        return false;
    }
    const size_t at = size_t(static_cast<const char*>(lf) - raw_.data());
    end = at > lineStart_ && raw_[at - 1] == '\r' ? at - 1 : at;
    next = at + 1;
    scanned_ = 0;
    return true;
}

bool HttpReplyReader::ParseHead(size_t from, size_t to) {
    std::optional<uint64_t> length;
    bool chunked = false;
    bool first = true;
    for (size_t pos = from; pos < to;) {
        size_t lf = raw_.find('\n', pos);
        if (lf == std::string::npos || lf > to) lf = to;
        size_t end = lf > pos && raw_[lf - 1] == '\r' ? lf - 1 : lf;
        const std::string line = raw_.substr(pos, end - pos);
        pos = lf + 1;
        if (first) {
            // "HTTP/1.x NNN reason"
            first = false;
            const size_t sp = line.find(' ');
            if (line.compare(0, 5, "HTTP/") != 0 || sp == std::string::npos || sp + 4 > line.size() ||
                (sp + 4 < line.size() && line[sp + 4] != ' '))
                return false;
            const auto code = ParseDecimal(line.substr(sp + 1, 3));
            if (!code || *code < 100) return false;
            status_ = int(*code);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return false;
        const std::string name = Trim(line.substr(0, colon));
        const std::string value = Trim(line.substr(colon + 1));
        if (EqualsNoCase(name, "content-length")) {
            const auto v = ParseDecimal(value);
            if (!v || (length && *length != *v)) return false;
            length = v;
        } else if (EqualsNoCase(name, "transfer-encoding")) {
            if (!EqualsNoCase(value, "chunked")) return false;  // the only coding we take
            chunked = true;
        }
    }
    if (first) return false;
    // 1xx, 204 and 304 carry no body; chunks win over a length.
    if (status_ < 200 || status_ == 204 || status_ == 304) {
        stage_ = Stage::Sized;
        remaining_ = 0;
    } else if (chunked) {
        stage_ = Stage::ChunkSize;
    } else if (length) {
        stage_ = Stage::Sized;
        remaining_ = *length;
    } else {
        stage_ = Stage::ToClose;
    }
    return true;
}

HttpReplyReader::State HttpReplyReader::Advance() {
    for (;;) {
        size_t end = 0, next = 0;
        switch (stage_) {
            case Stage::Head: {
                if (!NextLine(end, next)) return State::Reading;
                const bool empty = end == lineStart_;
                const size_t lineStart = lineStart_;
                lineStart_ = next;
                if (!empty) break;
                if (!ParseHead(headStart_, lineStart)) return State::Malformed;
                if (status_ == 101) return State::Malformed;  // a switch we never asked for
                if (status_ < 200) {
                    // An interim reply: the final one follows.
                    stage_ = Stage::Head;
                    headStart_ = lineStart_;
                    break;
                }
                if (stage_ == Stage::Sized && remaining_ > limit_) return State::TooLarge;
                break;
            }
            case Stage::Sized:
                if (raw_.size() - lineStart_ < remaining_) return State::Reading;
                body_ = raw_.substr(lineStart_, size_t(remaining_));
                return State::Complete;
            case Stage::ToClose:
                return State::Reading;
            case Stage::ChunkSize: {
                if (!NextLine(end, next)) return State::Reading;
                std::string text = raw_.substr(lineStart_, end - lineStart_);
                text = Trim(text.substr(0, text.find(';')));  // chunk extensions
                const auto size = text.size() <= 16 ? ParseHex(text) : std::nullopt;
                if (!size) return State::Malformed;
                lineStart_ = next;
                if (*size == 0) {
                    stage_ = Stage::Trailers;
                } else if (*size > limit_ - body_.size()) {
                    return State::TooLarge;  // could never arrive
                } else {
                    remaining_ = *size;
                    stage_ = Stage::ChunkData;
                }
                break;
            }
            case Stage::ChunkData: {
                const uint64_t have = raw_.size() - lineStart_;
                if (have < remaining_ + 1) return State::Reading;  // the data and its line end
                body_.append(raw_, lineStart_, size_t(remaining_));
                lineStart_ += size_t(remaining_);
                scanned_ = 0;
                remaining_ = 0;
                if (!NextLine(end, next)) {
                    // Only a CR so far: wait for its LF, but nothing else may come first.
                    if (raw_.size() - lineStart_ > 1 || raw_[lineStart_] != '\r') return State::Malformed;
                    stage_ = Stage::ChunkEnd;
                    return State::Reading;
                }
                if (end != lineStart_) return State::Malformed;
                lineStart_ = next;
                stage_ = Stage::ChunkSize;
                break;
            }
            case Stage::ChunkEnd:
                if (!NextLine(end, next)) return raw_.size() - lineStart_ > 1 ? State::Malformed : State::Reading;
                if (end != lineStart_) return State::Malformed;
                lineStart_ = next;
                stage_ = Stage::ChunkSize;
                break;
            case Stage::Trailers:
                if (!NextLine(end, next)) return State::Reading;
                if (end == lineStart_) return State::Complete;
                lineStart_ = next;
                break;
        }
    }
}

// ---- Reply loop ----------------------------------------------------------------

ReplyEnd ReadReply(ReplySource& source, HttpReplyReader& reader, const ReplyTimes& times) {
    char buffer[4096];
    uint64_t lastByte = source.NowMs();
    while (reader.state() == HttpReplyReader::State::Reading) {
        if (source.Cancelled()) return ReplyEnd::Cancelled;
        const uint64_t now = source.NowMs();
        if (now >= times.deadlineMs) return ReplyEnd::Deadline;
        const uint64_t quietEnd = lastByte + times.quietMs;
        if (now >= quietEnd) {
            reader.PeerClosed();  // the server is done, as good as closed
            break;
        }
        // Never 0: a receive time-out of 0 waits for ever.
        const uint64_t wait = std::max<uint64_t>(1, std::min<uint64_t>({times.waitMs, times.deadlineMs - now, quietEnd - now}));
        const ReceiveResult r = source.Receive(buffer, sizeof buffer, uint32_t(wait));
        switch (r.kind) {
            case ReceiveResult::Data:
                reader.Feed(buffer, std::min(r.bytes, sizeof buffer));
                lastByte = source.NowMs();
                break;
            case ReceiveResult::Quiet:
                break;
            case ReceiveResult::Closed:
            case ReceiveResult::Failed:
                if (source.Cancelled()) return ReplyEnd::Cancelled;
                reader.PeerClosed();
                break;
        }
    }
    return reader.state() == HttpReplyReader::State::Complete ? ReplyEnd::Complete : ReplyEnd::Refused;
}

bool ParseUpdateReply(const std::string& text, uint8_t flags[2]) {
    if (text.find("error") != std::string::npos) return false;
    static const char* const words[2] = {"newversion", "newpresets"};
    const char* const begin = text.c_str();
    const char* const end = begin + text.size();
    for (int i = 0; i < 2; ++i) {
        const size_t at = text.find(words[i]);
        const size_t colon = at + std::strlen(words[i]);
        if (at == std::string::npos || colon >= text.size() || text[colon] != ':') {
            flags[i] = 0;
            continue;
        }
        const char* value = begin + colon + 1;
        const char* stop = static_cast<const char*>(std::memchr(value, ';', size_t(end - value)));
        if (!stop) stop = end;
        if (stop - value > 255) stop = value + 255;
        flags[i] = uint8_t(ReadInteger(value, stop) & 0xFF);
    }
    return true;
}

}  // namespace frostel
