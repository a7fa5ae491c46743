#include "UpdateCheck.h"

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

// A decimal number of at most 18 digits; nothing else on the text.
std::optional<size_t> ParseSize(const std::string& s) {
    if (s.empty() || s.size() > 18) return std::nullopt;
    size_t v = 0;
    for (char c : s) {
        if (!IsDigit(c)) return std::nullopt;
        v = v * 10 + size_t(c - '0');
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
            const auto v = ParseSize(port);
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
    std::string r = "GET /" + target.path + " HTTP/1.1\r\nHost: " + target.host +
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
    return Advance();
}

HttpReplyReader::State HttpReplyReader::PeerClosed() {
    if (state_ != State::Reading) return state_;
    if (headersDone_ && !chunked_ && !contentLength_) {
        body_ = raw_.substr(bodyStart_);
        state_ = State::Complete;
    } else {
        state_ = State::Malformed;  // cut short
    }
    return state_;
}

bool HttpReplyReader::ParseHeaders(size_t end) {
    size_t lineEnd = raw_.find("\r\n");
    const std::string statusLine = raw_.substr(0, lineEnd);
    // "HTTP/1.x NNN reason"
    if (statusLine.compare(0, 5, "HTTP/") != 0) return false;
    const size_t sp = statusLine.find(' ');
    if (sp == std::string::npos || sp + 4 > statusLine.size()) return false;
    const auto code = ParseSize(statusLine.substr(sp + 1, 3));
    if (!code) return false;
    status_ = int(*code);
    size_t pos = lineEnd + 2;
    while (pos < end) {
        const size_t e = raw_.find("\r\n", pos);
        const std::string line = raw_.substr(pos, e - pos);
        pos = e + 2;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return false;
        const std::string name = Trim(line.substr(0, colon));
        const std::string value = Trim(line.substr(colon + 1));
        if (EqualsNoCase(name, "content-length")) {
            const auto v = ParseSize(value);
            if (!v || (contentLength_ && *contentLength_ != *v)) return false;
            contentLength_ = v;
        } else if (EqualsNoCase(name, "transfer-encoding")) {
            if (!EqualsNoCase(value, "chunked")) return false;  // the only coding we take
            chunked_ = true;
        }
    }
    if (chunked_) contentLength_.reset();
    // 1xx, 204 and 304 carry no body.
    if (status_ < 200 || status_ == 204 || status_ == 304) contentLength_ = 0, chunked_ = false;
    return true;
}

HttpReplyReader::State HttpReplyReader::AdvanceChunks() {
    for (;;) {
        const size_t lineEnd = raw_.find("\r\n", chunkPos_);
        if (lineEnd == std::string::npos) return State::Reading;
        std::string sizeText = raw_.substr(chunkPos_, lineEnd - chunkPos_);
        const size_t semi = sizeText.find(';');  // chunk extensions
        sizeText = Trim(sizeText.substr(0, semi));
        if (sizeText.empty() || sizeText.size() > 8) return State::Malformed;
        size_t size = 0;
        for (char c : sizeText) {
            const char l = Lower(c);
            if (IsDigit(l)) size = size * 16 + size_t(l - '0');
            else if (l >= 'a' && l <= 'f') size = size * 16 + size_t(l - 'a' + 10);
            else return State::Malformed;
        }
        const size_t dataStart = lineEnd + 2;
        if (size == 0) {
            // Trailers end with an empty line.
            const size_t end = raw_.find("\r\n\r\n", lineEnd);
            if (raw_.compare(dataStart, 2, "\r\n") == 0 || end != std::string::npos) return State::Complete;
            return State::Reading;
        }
        if (raw_.size() < dataStart + size + 2) return State::Reading;
        if (raw_.compare(dataStart + size, 2, "\r\n") != 0) return State::Malformed;
        body_.append(raw_, dataStart, size);
        chunkPos_ = dataStart + size + 2;
    }
}

HttpReplyReader::State HttpReplyReader::Advance() {
    if (!headersDone_) {
        const size_t end = raw_.find("\r\n\r\n");
        if (end == std::string::npos) return state_;
        if (!ParseHeaders(end + 2)) return state_ = State::Malformed;
        headersDone_ = true;
        bodyStart_ = end + 4;
        chunkPos_ = bodyStart_;
    }
    if (chunked_) return state_ = AdvanceChunks();
    if (contentLength_) {
        if (raw_.size() - bodyStart_ >= *contentLength_) {
            body_ = raw_.substr(bodyStart_, *contentLength_);
            state_ = State::Complete;
        }
    }
    return state_;
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
