// Fuzz target: the update check's text work on any bytes: the server's
// answer, a URL and its request, the URL encoding and the host token.
//   - an answer holding "error" leaves both flags; any other is taken;
//   - an accepted URL has a host, a port of 1..65535 and no blank or control
//     byte in host or path, and writing it again reads back the same;
//   - its request is one GET for that path, its Host header names the host
//     (and a port other than 80), and it ends at its only empty line;
//   - an encoding holds only letters, digits, '+' and %XX, and decodes back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "UpdateCheck.h"

using namespace frostel;

namespace {

void Fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "update text: %s (%zu bytes)\n", what, text.size());
    std::abort();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Alnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool Space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void CheckEncoding(const std::string& text) {
    const std::string e = UrlEncode(text);
    std::string back;
    for (size_t i = 0; i < e.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(e[i]);
        if (c == '%') {
            if (i + 2 >= e.size()) Fail("a cut escape", text);
            const int hi = HexValue(e[i + 1]), lo = HexValue(e[i + 2]);
            if (hi < 0 || lo < 0) Fail("an escape that is not two upper-case hex digits", text);
            back += char(hi * 16 + lo);
            i += 2;
        } else if (c == '+') {
            back += ' ';
        } else if (Alnum(c)) {
            back += char(c);
        } else {
            Fail("a byte left unencoded", text);
        }
    }
    if (back.size() != text.size()) Fail("the decoding has another length", text);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (Space(c) ? back[i] != ' ' : back[i] != text[i]) Fail("the decoding differs", text);
        if (Space(c) == false && !Alnum(c) && back[i] == ' ') Fail("a byte taken for white space", text);
    }
}

void CheckUrl(const std::string& url) {
    const auto t = ParseHttpUrl(url);
    if (!t) return;
    if (url.compare(0, 7, "http://") != 0 && url.compare(0, 7, "HTTP://") != 0) Fail("another scheme taken", url);
    if (t->host.empty() || t->port == 0) Fail("no host or port 0", url);
    for (const std::string* s : {&t->host, &t->path})
        for (char ch : *s)
            if (static_cast<unsigned char>(ch) <= ' ' || ch == 0x7F) Fail("a blank or control byte taken", url);
    if (t->host.find('/') != std::string::npos) Fail("a '/' in the host", url);

    const auto again = ParseHttpUrl("http://" + t->host + ":" + std::to_string(t->port) + "/" + t->path);
    if (!again || again->host != t->host || again->port != t->port || again->path != t->path)
        Fail("the URL does not read back", url);

    const std::string request = BuildHttpRequest(*t);
    if (request.empty()) return;  // too long to send
    if (request.size() > kMaxRequestBytes) Fail("a request over its bound", url);
    if (request.compare(0, 5 + t->path.size() + 11, "GET /" + t->path + " HTTP/1.1\r\n") != 0)
        Fail("the request line", url);
    const std::string host = "\r\nHost: " + t->host + (t->port == 80 ? "" : ":" + std::to_string(t->port)) + "\r\n";
    if (request.find(host) == std::string::npos) Fail("the Host header", url);
    if (request.find("\r\n\r\n") != request.size() - 4) Fail("an empty line inside the request", url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    uint8_t flags[2] = {0xA5, 0x5A};
    const bool taken = ParseUpdateReply(text, flags);
    if (taken == (text.find("error") != std::string::npos)) Fail("error or not", text);
    if (!taken && (flags[0] != 0xA5 || flags[1] != 0x5A)) Fail("a refused answer changed a flag", text);
    if (taken && text.find("newversion:") == std::string::npos && flags[0] != 0) Fail("a flag without its word", text);
    if (taken && text.find("newpresets:") == std::string::npos && flags[1] != 0) Fail("a flag without its word", text);

    CheckUrl(text);
    CheckUrl("http://" + text);
    CheckEncoding(text);

    uint32_t signature = 0;
    for (size_t i = 0; i < 4 && i < size; ++i) signature = signature << 8 | data[i];
    const std::string token = HostTokenFromSignature(signature);
    if (signature == 0 ? token != "unknown" : token.size() > 12) Fail("a host token", text);
    return 0;
}
