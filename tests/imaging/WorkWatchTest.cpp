#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "WorkWatch.h"

namespace frostel {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// Work that costs about `us` microseconds.
void Spend(double us) {
    const auto end = Clock::now() + std::chrono::nanoseconds(int64_t(us * 1000));
    while (Clock::now() < end) {
    }
}

// Says go on until `stopAt`, counting the asks.
struct Owner {
    Clock::time_point stopAt = Clock::time_point::max();
    std::vector<Clock::time_point> asks;
    static bool Ask(void* self) {
        auto& o = *static_cast<Owner*>(self);
        o.asks.push_back(Clock::now());
        return Clock::now() < o.stopAt;
    }
};

TEST(WorkWatch, AsksAtMostEveryIntervalAndStopsForGood) {
    Owner owner;
    WorkWatch watch(&Owner::Ask, &owner, 20);
    const auto start = Clock::now();
    uint64_t units = 0;
    while (MsSince(start) < 200) {
        ASSERT_TRUE(watch.Continue());
        ++units;
    }
    // Millions of units, a handful of asks.
    EXPECT_GT(units, 10000u);
    EXPECT_GE(owner.asks.size(), 3u);
    EXPECT_LE(owner.asks.size(), 11u);
    for (size_t i = 1; i < owner.asks.size(); ++i) {
        const std::chrono::duration<double, std::milli> gap = owner.asks[i] - owner.asks[i - 1];
        EXPECT_GE(gap.count(), 19.9);
    }

    owner.stopAt = Clock::now();
    while (watch.Continue()) ASSERT_LT(MsSince(owner.stopAt), 100) << "the stop was never seen";
    EXPECT_TRUE(watch.Stopped());
    const size_t asked = owner.asks.size();
    EXPECT_FALSE(watch.Continue());
    EXPECT_FALSE(watch.Check());
    EXPECT_EQ(owner.asks.size(), asked) << "a stopped watch asks no more";
}

TEST(WorkWatch, AStopIsSeenWithinTheIntervalWhateverTheUnitsCost) {
    // Cheap units let the watch read the clock rarely; a step of dear units
    // after them must not wait that many units for its next look.
    for (const double dearUs : {200.0, 3000.0}) {
        SCOPED_TRACE(dearUs);
        Owner owner;
        WorkWatch watch(&Owner::Ask, &owner, 25);
        const auto cheap = Clock::now();
        while (MsSince(cheap) < 60) watch.Continue();
        ASSERT_TRUE(watch.Check());
        owner.stopAt = Clock::now() + std::chrono::milliseconds(30);
        while (watch.Continue()) {
            Spend(dearUs);
            ASSERT_LT(MsSince(owner.stopAt), 1000) << "the stop was never seen";
        }
        EXPECT_LT(MsSince(owner.stopAt), 25 + 3 * dearUs / 1000 + 40);
    }
    // Within one step, weighing units by their cost keeps the pace.
    Owner owner;
    WorkWatch watch(&Owner::Ask, &owner, 25);
    const auto cheap = Clock::now();
    while (MsSince(cheap) < 60) watch.Continue(1);
    owner.stopAt = Clock::now() + std::chrono::milliseconds(30);
    while (watch.Continue(2000)) Spend(2000);  // two thousand cheap units' worth
    EXPECT_LT(MsSince(owner.stopAt), 25 + 6 + 40);
}

TEST(WorkWatch, WithoutAQueryOrWithIntervalZero) {
    WorkWatch never;
    for (int i = 0; i < 100000; ++i) ASSERT_TRUE(never.Continue(1000));
    EXPECT_TRUE(never.Check());
    EXPECT_TRUE(KeepGoing(nullptr));
    EXPECT_TRUE(KeepGoing(&never));

    // Interval 0: every look at the clock asks, and so does every Check.
    Owner owner;
    WorkWatch eager(&Owner::Ask, &owner, 0);
    EXPECT_TRUE(eager.Check());
    EXPECT_TRUE(eager.Check());
    EXPECT_EQ(owner.asks.size(), 2u);
    owner.stopAt = Clock::now();
    EXPECT_FALSE(KeepGoing(&eager, UINT32_MAX));
}

}  // namespace
}  // namespace frostel
