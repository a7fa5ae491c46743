// Image-sized work cut into bands of rows on several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "Renderer.h"
#include "RowBands.h"

using namespace frostel;

namespace {

struct Threads {
    explicit Threads(int n) { SetRenderThreads(n); }
    ~Threads() { SetRenderThreads(0); }
};

struct Seen {
    std::vector<std::atomic<int>> rows;
    std::mutex mutex;
    std::vector<std::pair<int32_t, int32_t>> bands;
    std::set<std::thread::id> threads;
    explicit Seen(int32_t n) : rows(size_t(n)) {}
    void operator()(int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) ++rows[size_t(y)];
        std::lock_guard<std::mutex> lock(mutex);
        bands.emplace_back(y0, y1);
        threads.insert(std::this_thread::get_id());
    }
};

}  // namespace

TEST(RowBands, EveryRowOnceInBandsOfAMegabyteOnAtMostTheRenderThreads) {
    struct Case {
        int32_t rows;
        size_t rowBytes;
        int threads;
    };
    const Case cases[] = {{1, 16, 8},         {300, 2400, 8},     {3000, 16000, 8}, {3001, 16000, 3},
                          {4097, 4 << 20, 8}, {2000, 16000, 1},   {77, 0, 4}};
    for (const Case& c : cases) {
        const Threads t(c.threads);
        Seen seen(c.rows);
        ForEachRowBand(c.rows, c.rowBytes, std::ref(seen));
        const std::string what = std::to_string(c.rows) + " rows of " + std::to_string(c.rowBytes) + " bytes, " +
                                 std::to_string(c.threads) + " threads";
        for (int32_t y = 0; y < c.rows; ++y) ASSERT_EQ(seen.rows[size_t(y)].load(), 1) << what << ", row " << y;
        EXPECT_LE(int(seen.threads.size()), c.threads) << what;
        const size_t bytes = size_t(c.rows) * c.rowBytes;
        if (bytes <= (size_t(1) << 20)) {
            // A small picture: one band, on the calling thread.
            EXPECT_EQ(seen.bands.size(), 1u) << what;
            EXPECT_EQ(*seen.threads.begin(), std::this_thread::get_id()) << what;
        }
        for (const auto& [y0, y1] : seen.bands) {
            if (y1 < c.rows) {
                EXPECT_GT(size_t(y1 - y0) * std::max<size_t>(c.rowBytes, 1), size_t(1) << 20) << what;
            }
        }
    }
    // A picture of 48 megabytes is cut for four bands a thread.
    const Threads t(8);
    Seen seen(3000);
    ForEachRowBand(3000, 16000, std::ref(seen));
    EXPECT_EQ(seen.bands.size(), 32u);
    ForEachRowBand(0, 16000, std::ref(seen));
    EXPECT_EQ(seen.bands.size(), 32u) << "no rows, no work";
}
