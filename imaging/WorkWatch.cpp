#include "WorkWatch.h"

#include <algorithm>
#include <chrono>

namespace frostel {

namespace {

// Between clock reads: about a millisecond of work.
constexpr int64_t kClockEveryUs = 1000;
constexpr uint32_t kMostStride = 1u << 16;

int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

WorkWatch::WorkWatch(Query query, void* context, int32_t intervalMs)
    : query_(query), context_(context), intervalUs_(int64_t(std::max(0, intervalMs)) * 1000) {
    if (query_ == nullptr) return;
    lastAskUs_ = lastClockUs_ = NowUs();
    countdown_ = stride_;
}

bool WorkWatch::Poll() {
    if (stopped_) return false;
    if (query_ == nullptr) {
        countdown_ = UINT32_MAX;
        return true;
    }
    const int64_t now = NowUs();
    const int64_t since = now - lastClockUs_;
    lastClockUs_ = now;
    // Cheap units: read the clock less often; dear ones: as often as their
    // pace says, at once.
    if (since < kClockEveryUs / 2)
        stride_ = std::min(kMostStride, stride_ * 2);
    else if (since > kClockEveryUs * 2)
        stride_ = uint32_t(std::max<int64_t>(1, int64_t(stride_) * kClockEveryUs / since));
    countdown_ = stride_;
    if (now - lastAskUs_ >= intervalUs_) {
        lastAskUs_ = now;
        if (!query_(context_)) {
            stopped_ = true;
            countdown_ = 0;
            return false;
        }
    }
    return true;
}

}  // namespace frostel
