// A one-connection-at-a-time HTTP server on 127.0.0.1 and an ephemeral port,
// for the web client's tests: it records each request's bytes and answers
// with a scripted behaviour. Every wait in it is bounded.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace frostel::test {

class LoopbackServer {
public:
    // Runs with the accepted socket once the request's head is in.
    using Behaviour = std::function<void(SOCKET client)>;

    explicit LoopbackServer(Behaviour behaviour);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t port() const { return port_; }
    std::string authority() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> requests() const;

    // Helpers for behaviours.
    static void Send(SOCKET s, const std::string& bytes);
    // Waits (bounded) for the client to close its end.
    static void AwaitClose(SOCKET s, int maxMs = 5000);

    // A port on which nothing listens.
    static uint16_t ClosedPort();

private:
    void Run();

    Behaviour behaviour_;
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace frostel::test
