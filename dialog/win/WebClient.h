// One HTTP/1.1 GET on Winsock 1.1, bounded in time and size and cancellable
// from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "UpdateCheck.h"

namespace frostel {

// A name's IPv4 address (network order); false when it has none.
using NameLookup = bool (*)(const char* host, uint32_t* address);

struct HttpLimits {
    uint32_t receiveTimeoutMs = 1000;  // the longest single wait for data
    uint32_t quietMs = 5000;           // no byte for this long: the reply has ended
    uint32_t deadlineMs = 10000;       // the whole request, from the name look-up on
    size_t maxReply = HttpReplyReader::kMaxReplyBytes;
    NameLookup lookUp = nullptr;       // the system's resolver unless set (tests)
};

// Cancels a running HttpGet: sets the flag and closes its socket, which
// ends a blocking connect or receive at once; a name look-up is left to
// end on its own thread.
class HttpCancel {
public:
    void Cancel();
    bool cancelled() const { return cancelled_.load(); }
    void Reset() { cancelled_ = false; }

private:
    friend class SocketSlot;
    std::atomic<bool> cancelled_{false};
    std::atomic<uintptr_t> socket_{~uintptr_t(0)};
};

struct HttpReply {
    int status = 0;
    std::string body;
};

// The reply of a complete exchange; nothing for a refused URL, a failed
// look-up, connect or send, a reply cut short or malformed, over the size
// bound, past the deadline or cancelled.
std::optional<HttpReply> HttpGet(const std::string& url, const HttpLimits& limits = {}, HttpCancel* cancel = nullptr);

}  // namespace frostel
