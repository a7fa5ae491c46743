#include "WebClient.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "ModuleThread.h"

namespace frostel {

namespace {

constexpr uintptr_t kNoSocket = ~uintptr_t(0);

// Winsock started for one request.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        ok_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    ~WinsockSession() {
        if (ok_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    explicit operator bool() const { return ok_; }

private:
    bool ok_ = false;
};

class Deadline {
public:
    explicit Deadline(uint32_t ms) : end_(GetTickCount64() + ms) {}
    // Milliseconds left; 0 once passed.
    uint32_t Left() const {
        const ULONGLONG now = GetTickCount64();
        return now >= end_ ? 0 : uint32_t(end_ - now);
    }
    uint64_t end() const { return end_; }

private:
    ULONGLONG end_;
};

}  // namespace

// The request's socket, shared with a canceller: whoever takes it out of
// the slot closes it, so it is closed exactly once.
class SocketSlot {
public:
    explicit SocketSlot(HttpCancel* cancel) : cancel_(cancel) {}
    ~SocketSlot() { Close(); }
    SocketSlot(const SocketSlot&) = delete;
    SocketSlot& operator=(const SocketSlot&) = delete;

    // False when the request was cancelled meanwhile (the socket is closed).
    bool Put(SOCKET s) {
        socket_ = s;
        if (!cancel_) return true;
        cancel_->socket_ = uintptr_t(s);
        if (cancel_->cancelled_) {
            Close();
            return false;
        }
        return true;
    }
    SOCKET get() const { return socket_; }
    bool Cancelled() const { return cancel_ && cancel_->cancelled_; }

private:
    void Close() {
        if (socket_ == INVALID_SOCKET) return;
        const uintptr_t mine = cancel_ ? cancel_->socket_.exchange(kNoSocket) : uintptr_t(socket_);
        if (mine != kNoSocket) closesocket(SOCKET(mine));
        socket_ = INVALID_SOCKET;
    }

    HttpCancel* cancel_;
    SOCKET socket_ = INVALID_SOCKET;
};

void HttpCancel::Cancel() {
    cancelled_ = true;
    const uintptr_t s = socket_.exchange(kNoSocket);
    if (s != kNoSocket) closesocket(SOCKET(s));
}

namespace {

// The name look-up runs on a thread of its own, which the request waits for
// only until its deadline or a cancel: the system's resolver cannot be cut
// short. The thread and the request share this record.
struct Lookup {
    std::string host;
    NameLookup lookUp;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> found{false};
    uint32_t address = 0;
    ~Lookup() {
        if (done) CloseHandle(done);
    }
};

bool SystemLookup(const char* host, uint32_t* address) {
    WinsockSession winsock;  // its own: the request's may end first
    if (!winsock) return false;
    const hostent* entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != 4 || !entry->h_addr_list[0]) return false;
    std::memcpy(address, entry->h_addr_list[0], 4);
    return true;
}

void LookupMain(void* p) {
    std::unique_ptr<std::shared_ptr<Lookup>> held(static_cast<std::shared_ptr<Lookup>*>(p));
    Lookup& l = **held;
    uint32_t address = 0;
    if (l.lookUp(l.host.c_str(), &address)) {
        l.address = address;
        l.found = true;
    }
    SetEvent(l.done);
}

// The host's address within the deadline; nothing when it has none, time
// ran out or the request was cancelled.
std::optional<uint32_t> LookUpWithin(const std::string& host, NameLookup lookUp, const Deadline& deadline,
                                     const SocketSlot& slot) {
    const unsigned long literal = inet_addr(host.c_str());
    if (literal != INADDR_NONE && !lookUp) return uint32_t(literal);
    auto l = std::make_shared<Lookup>();
    if (!l->done) return std::nullopt;
    l->host = host;
    l->lookUp = lookUp ? lookUp : SystemLookup;
    auto* held = new std::shared_ptr<Lookup>(l);
    if (!StartModuleThread(LookupMain, held)) {
        delete held;
        return std::nullopt;
    }
    // A cancel sets a flag only: look at it every 20 ms.
    for (;;) {
        const uint32_t left = deadline.Left();
        if (slot.Cancelled() || left == 0) return std::nullopt;
        if (WaitForSingleObject(l->done, left < 20 ? left : 20) == WAIT_OBJECT_0) break;
    }
    if (!l->found) return std::nullopt;
    return l->address;
}

// Connects within the time left: a non-blocking connect and a wait.
bool ConnectWithin(SOCKET s, const sockaddr_in& to, const Deadline& deadline) {
    u_long on = 1, off = 0;
    if (ioctlsocket(s, FIONBIO, &on) != 0) return false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        const uint32_t left = deadline.Left();
        timeval wait{long(left / 1000), long(left % 1000) * 1000};
        if (select(0, nullptr, &writable, &failed, &wait) <= 0 || !FD_ISSET(s, &writable)) return false;
        int error = 0, size = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0)
            return false;
    }
    return ioctlsocket(s, FIONBIO, &off) == 0;
}

bool SendAll(SOCKET s, const std::string& bytes, const Deadline& deadline) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const DWORD wait = deadline.Left();
        if (wait == 0) return false;
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        const int n = send(s, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

// The reply loop's view of the socket.
class SocketSource : public ReplySource {
public:
    explicit SocketSource(const SocketSlot& slot) : slot_(slot) {}
    uint64_t NowMs() override { return GetTickCount64(); }
    bool Cancelled() override { return slot_.Cancelled(); }
    ReceiveResult Receive(char* buffer, size_t capacity, uint32_t waitMs) override {
        const DWORD wait = waitMs;
        setsockopt(slot_.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        const int n = recv(slot_.get(), buffer, int(capacity), 0);
        if (n > 0) return {ReceiveResult::Data, size_t(n)};
        if (n == 0) return {ReceiveResult::Closed, 0};
        return {WSAGetLastError() == WSAETIMEDOUT ? ReceiveResult::Quiet : ReceiveResult::Failed, 0};
    }

private:
    const SocketSlot& slot_;
};

}  // namespace

std::optional<HttpReply> HttpGet(const std::string& url, const HttpLimits& limits, HttpCancel* cancel) {
    const auto target = ParseHttpUrl(url);
    if (!target) return std::nullopt;
    const std::string request = BuildHttpRequest(*target);
    if (request.empty()) return std::nullopt;

    const Deadline deadline(limits.deadlineMs);
    WinsockSession winsock;
    if (!winsock) return std::nullopt;

    SocketSlot slot(cancel);
    const auto address = LookUpWithin(target->host, limits.lookUp, deadline, slot);
    if (!address) return std::nullopt;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(target->port);
    std::memcpy(&to.sin_addr, &*address, 4);

    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET || !slot.Put(s)) return std::nullopt;

    const auto* a = reinterpret_cast<const unsigned char*>(&to.sin_addr);
    std::printf("Conecting to %d.%d.%d.%d...", a[0], a[1], a[2], a[3]);
    if (!ConnectWithin(s, to, deadline)) {
        std::printf("Error\n");
        return std::nullopt;
    }
    std::printf("Ok\n%s", request.c_str());
    std::fflush(stdout);
    if (!SendAll(s, request, deadline)) return std::nullopt;

    HttpReplyReader reader(limits.maxReply);
    SocketSource source(slot);
    ReplyTimes times;
    times.deadlineMs = deadline.end();
    times.waitMs = limits.receiveTimeoutMs;
    times.quietMs = limits.quietMs;
    if (ReadReply(source, reader, times) != ReplyEnd::Complete) return std::nullopt;
    return HttpReply{reader.status(), reader.body()};
}

}  // namespace frostel
