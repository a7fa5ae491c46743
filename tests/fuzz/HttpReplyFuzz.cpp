// Fuzz target: the update client's reply reader and reply loop. The first
// bytes choose a size bound and how the reply is cut into receives; the
// rest is what the server sends. The reader must come to the same end with
// the same body however the bytes are cut; it never takes more than its
// bound nor gives a body longer than what it received; and the reply loop,
// on a clock of its own with arrivals, pauses and a close taken from the
// input, always ends, by the deadline at the latest.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "UpdateCheck.h"

using namespace frostel;
using State = HttpReplyReader::State;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "http reply: %s\n", what);
    std::abort();
}

void CheckBounds(const HttpReplyReader& r, size_t limit) {
    if (r.received() > limit) Fail("took more than its bound");
    if (r.body().size() > r.received()) Fail("a body longer than the bytes received");
}

// Cuts the reply into pieces of 1..16 bytes, sizes from a small generator.
State FeedCut(HttpReplyReader& r, const std::string& reply, uint32_t seed, size_t limit) {
    for (size_t at = 0; at < reply.size() && r.state() == State::Reading;) {
        seed = seed * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(1 + (seed >> 16) % 16, reply.size() - at);
        r.Feed(reply.data() + at, n);
        at += n;
        CheckBounds(r, limit);
    }
    return r.PeerClosed();
}

// The connection on a clock of its own: receives of up to `piece` bytes,
// each after a pause from the input, and a close or a silence at the end.
class Source : public ReplySource {
public:
    Source(const std::string& reply, uint32_t seed, bool close) : reply_(reply), seed_(seed), close_(close) {}
    uint64_t NowMs() override { return now; }
    bool Cancelled() override { return false; }
    ReceiveResult Receive(char* buffer, size_t capacity, uint32_t waitMs) override {
        if (waitMs == 0 || waitMs > 1000) Fail("a wait of 0 or over the longest wait");
        ++calls;
        if (at_ >= reply_.size()) {
            if (close_) return {ReceiveResult::Closed, 0};
            now += waitMs;
            return {ReceiveResult::Quiet, 0};
        }
        seed_ = seed_ * 1103515245u + 12345u;
        const uint64_t pause = (seed_ >> 16) % 1500;  // some pauses outlast a wait
        if (pause > waitMs) {
            now += waitMs;
            return {ReceiveResult::Quiet, 0};
        }
        now += pause;
        const size_t n = std::min({capacity, reply_.size() - at_, size_t(1 + (seed_ >> 8) % 64)});
        std::memcpy(buffer, reply_.data() + at_, n);
        at_ += n;
        return {ReceiveResult::Data, n};
    }
    bool delivered() const { return at_ >= reply_.size(); }
    uint64_t now = 0;
    uint64_t calls = 0;

private:
    const std::string& reply_;
    size_t at_ = 0;
    uint32_t seed_;
    bool close_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // A small bound now and then, so that its edge is reached.
    const size_t limit = data[0] & 1 ? 64 + data[0] * 4 : HttpReplyReader::kMaxReplyBytes;
    const uint32_t seed = uint32_t(data[1]) << 8 | data[2];
    const std::string reply(reinterpret_cast<const char*>(data) + 3, size - 3);

    HttpReplyReader whole(limit);
    whole.Feed(reply.data(), reply.size());
    CheckBounds(whole, limit);
    const State end = whole.PeerClosed();
    if (end == State::Reading) Fail("still reading after the close");
    CheckBounds(whole, limit);

    HttpReplyReader cut(limit);
    const State cutEnd = FeedCut(cut, reply, seed, limit);
    // One feed over the bound is refused at once, while pieces may complete first.
    if (reply.size() <= limit) {
        if (cutEnd != end) Fail("the end depends on how the bytes were cut");
        if (end == State::Complete && (cut.body() != whole.body() || cut.status() != whole.status()))
            Fail("the body depends on how the bytes were cut");
    }
    if (end == State::Complete && (whole.status() < 200 || whole.status() > 999)) Fail("a final status out of range");

    HttpReplyReader looped(limit);
    Source source(reply, seed, data[2] & 1);
    ReplyTimes times;
    times.deadlineMs = 20000;
    const ReplyEnd e = ReadReply(source, looped, times);
    if (source.now > times.deadlineMs + times.waitMs) Fail("ran past its deadline");
    if (source.calls > 100000) Fail("too many receives");
    CheckBounds(looped, limit);
    if (e == ReplyEnd::Complete && looped.state() != State::Complete) Fail("complete without a complete reply");
    // With every byte delivered the loop reads what one feed reads (a quiet
    // spell before that may end a reply framed by the close early).
    if (e == ReplyEnd::Complete && source.delivered() && reply.size() <= limit && end == State::Complete &&
        looped.body() != whole.body())
        Fail("the loop read another body");
    return 0;
}
