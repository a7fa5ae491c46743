// Long work asks now and then whether to go on.
//
// A hot loop counts its units of work (a triangle stored, a contour traced,
// a row filtered) on a WorkWatch for the cost of a decrement. Only every
// `stride` units does the watch read the clock, and only once `interval`
// has passed since it last asked does it call its owner's query, which may
// say stop. The stride follows the work's pace, so the clock is read about
// once a millisecond; a loop whose units differ much in cost weighs them
// (a triangle by its area), and each step starts again from a stride of one
// (Check), since its units may cost anything. Nothing here knows who asks:
// the owner's query may be a host, a dialog or a test.
#pragma once

#include <cstdint>

namespace frostel {

class WorkWatch {
public:
    // Asked on the working thread; true to go on.
    using Query = bool (*)(void* context);

    static constexpr int32_t kDefaultIntervalMs = 30;

    // Asks nothing and never stops.
    WorkWatch() = default;
    // Asks `query` at most every intervalMs (0: at every clock read).
    WorkWatch(Query query, void* context, int32_t intervalMs = kDefaultIntervalMs);
    WorkWatch(const WorkWatch&) = delete;
    WorkWatch& operator=(const WorkWatch&) = delete;

    // `units` more of the work are done. False once the query said stop,
    // and from then on.
    bool Continue(uint32_t units = 1) {
        if (countdown_ > units) {
            countdown_ -= units;
            return true;
        }
        return Poll();
    }
    // At a step's start or end: reads the clock now, asks when the interval
    // has passed, and learns the pace of the units anew.
    bool Check() {
        stride_ = 1;
        return Poll();
    }

    bool Stopped() const { return stopped_; }

private:
    bool Poll();

    Query query_ = nullptr;
    void* context_ = nullptr;
    int64_t intervalUs_ = 0;
    int64_t lastAskUs_ = 0, lastClockUs_ = 0;
    uint32_t stride_ = 1;
    uint32_t countdown_ = UINT32_MAX;  // 0 once stopped
    bool stopped_ = false;
};

// A watch that may be absent: no watch never stops.
inline bool KeepGoing(WorkWatch* w, uint32_t units = 1) { return w == nullptr || w->Continue(units); }

}  // namespace frostel
