#include "LoopbackServer.h"

#include <chrono>

namespace frostel::test {

namespace {
struct WinsockUser {
    WinsockUser() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
    ~WinsockUser() { WSACleanup(); }
};
WinsockUser& Winsock() {
    static WinsockUser user;
    return user;
}

SOCKET ListenOnLoopback(uint16_t* port) {
    Winsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    int len = sizeof a;
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 4) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (s != INVALID_SOCKET) closesocket(s);
        return INVALID_SOCKET;
    }
    *port = ntohs(a.sin_port);
    return s;
}

bool Readable(SOCKET s, int ms) {
    fd_set r;
    FD_ZERO(&r);
    FD_SET(s, &r);
    timeval t{ms / 1000, (ms % 1000) * 1000};
    return select(0, &r, nullptr, nullptr, &t) > 0;
}
}  // namespace

LoopbackServer::LoopbackServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    listener_ = ListenOnLoopback(&port_);
    if (listener_ != INVALID_SOCKET) thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

std::vector<std::string> LoopbackServer::requests() const {
    std::lock_guard<std::mutex> g(lock_);
    return requests_;
}

void LoopbackServer::Send(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, int(bytes.size() - sent), 0);
        if (n <= 0) return;
        sent += size_t(n);
    }
}

void LoopbackServer::AwaitClose(SOCKET s, int maxMs) {
    char b[256];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
        if (!Readable(s, 50)) continue;
        if (recv(s, b, sizeof b, 0) <= 0) return;
    }
}

uint16_t LoopbackServer::ClosedPort() {
    uint16_t port = 0;
    SOCKET s = ListenOnLoopback(&port);
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

void LoopbackServer::Run() {
    while (!stop_) {
        if (!Readable(listener_, 50)) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        std::string head;
        char b[512];
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (head.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < end && !stop_) {
            if (!Readable(client, 50)) continue;
            const int n = recv(client, b, sizeof b, 0);
            if (n <= 0) break;
            head.append(b, size_t(n));
        }
        {
            std::lock_guard<std::mutex> g(lock_);
            requests_.push_back(head);
        }
        behaviour_(client);
        closesocket(client);
    }
}

}  // namespace frostel::test
