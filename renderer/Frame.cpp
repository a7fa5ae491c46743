// The frame of a render: buffers, z-buffer, default light, the passes, the
// triangle buffer's composition, sorting, perspective and depth conversion.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>

#include "Engine.h"
#include "PageMemory.h"

using frostel::AllocPages;
using frostel::PageBlock;

RenderOnePixelProc RenderOnePixel = __DefRenderOnePixel;
int32_t _ColorMax = 255;
ptrdiff_t _RowLength = 0;
light3ds* _LightDef = nullptr;
uint8_t _OwnLightDef = 0;
uint8_t _OwnZBuff = 0;
uint8_t* _TriangleBuffer = nullptr;
uint8_t* _EdgeMemory = nullptr;
uint8_t* _BackgroundCopy = nullptr;
float* _RefractDepth = nullptr;
uint8_t* _TargetBuffer = nullptr;
thread_local EngineClip _Clip = {0, 0, 0, 0};
EngineClip _FrameClip = {0, 0, 0, 0};
RowSpan* _RowDirty = nullptr;

namespace {

light3ds gDefaultLight = {"", 200.0f, 200.0f, 1000.0f, 1.0f, 1.0f, 1.0f, 1.0f, {}};

struct Watch {
    frostel::RenderWatch watch = nullptr;
    void* context = nullptr;
    bool watching = false;  // only __RasterScene's frames are watched
    bool stopped = false;
    int64_t base = 0, total = 0;  // the pass's first unit, the frame's units
} gWatch;

// The last __RasterScene found no memory for its buffers and drew nothing.
bool gLackedMemory = false;
void NoMemory() { gLackedMemory = true; }

void EndWatchedFrame() { gWatch.watching = false; }

void FillFarthest(float* depth, size_t count) { std::memset(depth, 0xFE, count * sizeof(float)); }

// Sets the channel depth, row length and clip of a frame; false when the
// frame cannot be drawn (no pixels, or rows other than width x 4).
bool BeginFrame(const uint8_t* dst, int width, int height, int rowLength, size_t& pixels) {
    if (dst == nullptr || width <= 0 || height <= 0) return false;
    if (static_cast<int64_t>(rowLength) != static_cast<int64_t>(width) * 4) return false;
    pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    // The largest per-frame buffer, the edge memory, holds 14 bytes a pixel.
    if (pixels > std::numeric_limits<size_t>::max() / 16) return false;
    _ColorMax = _Deep ? 32768 : 255;
    _RowLength = rowLength;
    _FrameClip = {0, 0, width, height};
    _Clip = _FrameClip;
    return true;
}

bool Composes(uint8_t mode) { return mode == 8 || mode == 9 || ((mode == 3 || mode == 6) && _Quality); }

void DrawPass(const SceneArgs& s) {
    switch (_DrawMode) {
        case 0: __RasterSceneMode0(s); break;
        case 1: __RasterSceneMode1(s); break;
        case 2: __RasterSceneMode2(s); break;
        case 3: __RasterSceneMode3(s); break;
        case 6: __RasterSceneMode6(s); break;
        case 8: __RasterSceneMode8(s); break;
        case 9: __RasterSceneMode9(s); break;
        case 10: __RasterSceneMode10(s); break;
        default: break;
    }
}

// ---- Bands and threads

constexpr int kMostThreads = 64;
constexpr int kStashRows = 64;  // the curved mode's winners are kept for this many rows at a time

int gThreadsWanted = 0;
int gBandRowsWanted = 0;

bool StartStdThread(std::thread& thread, void (*work)(void*), void* context) {
    try {
        thread = std::thread(work, context);
        return true;
    } catch (...) {
        return false;
    }
}
BandThreadStarter gStartThread = StartStdThread;

// The threads that draw bands. A frame starts those it lacks; they end with
// it unless they are kept for the next one.
class BandThreads {
public:
    ~BandThreads() { Stop(); }

    // Hands work(contexts[i]) to threads 0 .. count - 1, starting those not
    // yet running; a thread that fails to start ends the handing out. How
    // many threads took work.
    int Post(int count, void (*work)(void*), void* const* contexts) {
        std::unique_lock<std::mutex> lock(mutex_);
        count = std::min(count, kMostThreads);
        int given = 0;
        for (; given < std::min(count, running_); ++given) Give(given, work, contexts[given]);
        wake_.notify_all();
        // A new thread finds its work at once, and starts on it while the next one starts.
        for (; given < count; ++given) {
            Slot& slot = slots_[given];
            Give(given, work, contexts[given]);
            lock.unlock();
            const bool started = gStartThread(slot.thread, Main, &slot);
            lock.lock();
            if (!started) {
                slot.work = nullptr;
                --busy_;
                break;
            }
            ++running_;
        }
        return given;
    }
    // Until every work handed out has returned.
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [&] { return busy_ == 0; });
    }
    // Ends and joins every thread; none may have work.
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (running_ == 0) return;
            stopping_ = true;
        }
        wake_.notify_all();
        for (int i = 0; i < running_; ++i) slots_[i].thread.join();
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = 0;
        stopping_ = false;
    }
    int Running() {
        std::lock_guard<std::mutex> lock(mutex_);
        return running_;
    }

private:
    struct Slot {
        BandThreads* pool = nullptr;
        std::thread thread;
        void (*work)(void*) = nullptr;
        void* context = nullptr;
    };

    void Give(int i, void (*work)(void*), void* context) {
        slots_[i].pool = this;
        slots_[i].work = work;
        slots_[i].context = context;
        ++busy_;
    }

    static void Main(void* context) {
        Slot& slot = *static_cast<Slot*>(context);
        BandThreads& pool = *slot.pool;
        std::unique_lock<std::mutex> lock(pool.mutex_);
        for (;;) {
            pool.wake_.wait(lock, [&] { return slot.work != nullptr || pool.stopping_; });
            if (slot.work == nullptr) return;
            lock.unlock();
            slot.work(slot.context);
            lock.lock();
            slot.work = nullptr;
            if (--pool.busy_ == 0) pool.idle_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    Slot slots_[kMostThreads];
    int running_ = 0, busy_ = 0;
    bool stopping_ = false;
};
BandThreads gBandThreads;
bool gKeepThreads = false;

// Runs fn(i) for i in [0, count) on band threads and this one, which runs 0
// and the indices of threads that failed to start.
template <typename Fn>
void ForEachIndex(int count, Fn&& fn) {
    struct Task {
        std::remove_reference_t<Fn>* fn;
        int index;
    };
    count = std::clamp(count, 1, kMostThreads);
    Task tasks[kMostThreads];
    void* contexts[kMostThreads];
    for (int k = 0; k < count; ++k) {
        tasks[k] = {&fn, k};
        if (k > 0) contexts[k - 1] = &tasks[k];
    }
    const int helped = count > 1 ? gBandThreads.Post(count - 1, [](void* context) {
        const Task& task = *static_cast<const Task*>(context);
        (*task.fn)(task.index);
    }, contexts) : 0;
    fn(0);
    for (int k = helped + 1; k < count; ++k) fn(k);
    if (helped > 0) gBandThreads.Wait();
}

// Runs fn(first, end) over shares of [0, count) as ForEachIndex does.
template <typename Fn>
void ForEachShare(int count, int threads, Fn&& fn) {
    // Shares too small to pay for handing them over are done here.
    const int shares = std::clamp(std::min(threads, count / 16384), 1, kMostThreads);
    ForEachIndex(shares, [&](int k) { fn(int(int64_t(count) * k / shares), int(int64_t(count) * (k + 1) / shares)); });
}

// Bands of about a quarter of a thread's share of the rows, so that threads
// that finish early take more; never so high that one triangle's part keeps
// the watch waiting long, nor so low that triangles are set up many times.
int BandRowsFor(int height, int threads) {
    if (gBandRowsWanted > 0) return gBandRowsWanted;
    const int share = (height + 4 * threads - 1) / (4 * threads);
    return std::clamp(share, 16, 64);
}

// Columns a bit of a band's reach stands for.
constexpr int kReachColumns = 64;

// Sets bits first .. last of `words`, a word at a time.
inline void SetBits(uint64_t* words, int first, int last) {
    for (int w = first / 64; w <= last / 64; ++w) {
        const int lo = w == first / 64 ? first % 64 : 0, hi = w == last / 64 ? last % 64 : 63;
        words[w] |= (~uint64_t(0) >> (63 - hi)) & (~uint64_t(0) << lo);
    }
}

// The frame cut into bands of rows, each with the triangles that reach it in
// array order, and the blocks of columns they can reach in it.
class BandPlan {
public:
    // False when memory runs out. Each triangle's reach is found on up to
    // `threads` threads: it costs more than the rest of the plan.
    bool Make(const SceneArgs& s, int rows, int threads) {
        rows_ = std::max(1, rows);
        bands_ = (s.height - 1) / rows_ + 1;
        reachWords_ = ((s.width + kReachColumns - 1) / kReachColumns + 63) / 64;
        // Kept blocks keep what the last frame left in them.
        offsets_ = PageBlock::Taken(2 * (size_t(bands_) + 1) * sizeof(int64_t));
        reach_ = PageBlock::Taken(size_t(bands_) * reachWords_ * sizeof(uint64_t));
        if (!offsets_ || !reach_) return false;
        std::memset(reach_.get(), 0, size_t(bands_) * reachWords_ * sizeof(uint64_t));
        int64_t* first = offsets_.as<int64_t>();
        std::fill_n(first, bands_ + 1, 0);
        int64_t* cursor = first + bands_ + 1;
        // Each triangle's first and last band, and first and last block of
        // columns; none when the first is past the last.
        const int count = std::max(s.triangleCount, 0);
        PageBlock reachBlock = PageBlock::Taken(size_t(count) * 4 * sizeof(int32_t));
        if (count > 0 && !reachBlock) return false;
        int32_t* reach = reachBlock.as<int32_t>();
        ForEachShare(count, threads, [&](int i0, int i1) {
            for (int i = i0; i < i1; ++i) {
                int y0, y1, x0, x1;
                const bool reaches = TriangleRowReach(s, i, y0, y1);
                const bool columns = reaches && TriangleColumnReach(s, i, x0, x1) && x0 < x1;
                int32_t* r = reach + 4 * i;
                r[0] = reaches ? y0 / rows_ : 1;
                r[1] = reaches ? y1 / rows_ : 0;
                r[2] = columns ? x0 / kReachColumns : 1;
                r[3] = columns ? (x1 - 1) / kReachColumns : 0;
            }
        });
        for (int i = 0; i < count; ++i)
            for (int b = reach[4 * i]; b <= reach[4 * i + 1]; ++b) ++first[b + 1];
        for (int b = 0; b < bands_; ++b) first[b + 1] += first[b];
        entries_ = first[bands_];
        // The bands with the most triangles first, so that the last ones taken
        // are short and the threads finish together.
        order_ = PageBlock::Taken(size_t(bands_) * sizeof(int32_t));
        if (!order_) return false;
        int32_t* order = order_.as<int32_t>();
        for (int b = 0; b < bands_; ++b) order[b] = b;
        std::stable_sort(order, order + bands_, [&](int32_t a, int32_t b) {
            return first[a + 1] - first[a] > first[b + 1] - first[b];
        });
        if (entries_ == 0) return true;
        if (uint64_t(entries_) > std::numeric_limits<size_t>::max() / sizeof(int32_t)) return false;
        list_ = PageBlock::Taken(size_t(entries_) * sizeof(int32_t));
        if (!list_) return false;
        int32_t* list = list_.as<int32_t>();
        std::memcpy(cursor, first, (size_t(bands_) + 1) * sizeof(int64_t));
        for (int i = 0; i < count; ++i) {
            const int32_t* r = reach + 4 * i;
            for (int b = r[0]; b <= r[1]; ++b) {
                list[cursor[b]++] = i;
                if (r[2] <= r[3]) SetBits(reach_.as<uint64_t>() + size_t(b) * reachWords_, r[2], r[3]);
            }
        }
        return true;
    }
    int Bands() const { return bands_; }
    // The band to take k-th.
    int Band(int k) const { return order_.as<int32_t>()[k]; }
    int Rows() const { return rows_; }
    int64_t Entries() const { return entries_; }
    // Bit k: the band's triangles can reach columns [64 k, 64 k + 64).
    const uint64_t* Reach(int band) const { return reach_.as<uint64_t>() + size_t(band) * reachWords_; }
    const int32_t* Triangles(int band, int& count) const {
        const int64_t* first = offsets_.as<int64_t>();
        count = int(first[band + 1] - first[band]);
        return entries_ > 0 ? list_.as<int32_t>() + first[band] : nullptr;
    }

private:
    PageBlock offsets_, list_, order_, reach_;
    int bands_ = 0, rows_ = 1, reachWords_ = 0;
    int64_t entries_ = 0;
};

// Where the bands find their triangle buffer, edge memory and depths. Each
// thread draws every band it takes in rows of memory of its own, a band high
// and one spare row, so that a frame touches a few bands' worth of pages
// instead of the whole frame's (the first touch of a fresh page can cost more
// than drawing in it). Shared: buffers of the whole frame serve every band,
// as the back faces' pass leaves its edges to the front faces' one.
struct BandBuffers {
    float* depth = nullptr;          // the frame's own depths, or null
    float* handedOver = nullptr;     // else the client's z-buffer, whole
    uint8_t* triangle = nullptr;
    uint8_t* edges = nullptr;
    size_t channelBytes = 1;
    int width = 0, rows = 0;         // the rows a band has, or the frame's when shared
    bool shared = false;

    // Rows of one thread's copy.
    size_t CopyRows() const { return shared ? size_t(rows) : size_t(rows) + 1; }
    // Pixels of all the copies.
    size_t Pixels(int threads) const { return size_t(shared ? 1 : threads) * CopyRows() * size_t(width); }

    // The pointers of the band whose first row is y0, drawn by `worker`.
    void Point(BandState& band, int worker, int y0) const {
        const size_t copy = shared ? 0 : size_t(worker) * CopyRows() * size_t(width);
        const ptrdiff_t back = shared ? 0 : ptrdiff_t(y0) * width;
        const size_t row = size_t(width), triangleBytes = 4 * channelBytes, edgeBytes = kEdgeChannels * channelBytes;
        band.depth = depth != nullptr ? BandOrigin(depth + copy, row, back) : handedOver;
        band.triangle = triangle != nullptr
                            ? BandOrigin(triangle + copy * triangleBytes, row * triangleBytes, back * ptrdiff_t(triangleBytes))
                            : nullptr;
        band.edges = edges != nullptr
                         ? BandOrigin(edges + copy * edgeBytes, row * edgeBytes, back * ptrdiff_t(edgeBytes))
                         : nullptr;
    }
};

// One pass of the frame over the bands, on worker threads or on the calling one.
// What each band does to its rows of the buffers before it draws: fill the
// frame's own depths with the farthest depth and zero the triangle buffer
// and edge memory, so that fresh pages come to be on the band's thread (a
// page first read and then written costs a fault that stops every thread of
// the process). Only the columns its triangles can reach: nothing is read
// outside a triangle's box, and those columns are all a band reads, whatever
// the rows' memory held before.
struct BandPreparation {
    bool depth = false, triangle = false, edges = false;  // which to prepare
    size_t channelBytes = 1;

    void operator()(const BandState& band, int width, const uint64_t* reach) const {
        auto reached = [reach](int k) { return (reach[k / 64] >> (k % 64) & 1) != 0; };
        const int blocks = (width + kReachColumns - 1) / kReachColumns;
        for (int k = 0; k < blocks;) {
            if (!reached(k)) {
                ++k;
                continue;
            }
            const int from = k;
            while (k < blocks && reached(k)) ++k;
            const int x0 = from * kReachColumns, x1 = std::min(width, k * kReachColumns);
            for (int y = band.y0; y < band.y1; ++y)
                Prepare(band, size_t(width) * size_t(y) + size_t(x0), size_t(x1 - x0));
        }
    }

private:
    void Prepare(const BandState& band, size_t first, size_t pixels) const {
        if (depth) FillFarthest(band.depth + first, pixels);
        if (triangle && band.triangle != nullptr)
            std::memset(band.triangle + first * 4 * channelBytes, 0, pixels * 4 * channelBytes);
        if (edges && band.edges != nullptr)
            std::memset(band.edges + first * kEdgeChannels * channelBytes, 0, pixels * kEdgeChannels * channelBytes);
    }
};

class PassRun {
public:
    PassRun(const SceneArgs& scene, const BandPlan& plan, SampleStash* stash, RowSpan* stashSpans, int stashRows,
            const BandBuffers& buffers, const BandPreparation& prepare)
        : scene_(scene),
          plan_(plan),
          stash_(stash),
          stashSpans_(stashSpans),
          stashRows_(stashRows),
          buffers_(buffers),
          prepare_(prepare) {}

    // False when the watch ended the frame.
    bool Run(int threads) {
        next_ = 0;
        done_ = 0;
        finished_ = 0;
        threads = std::min(threads, kMostThreads);
        Worker slots[kMostThreads];
        void* contexts[kMostThreads];
        for (int i = 0; i < threads; ++i) {
            slots[i] = {this, i};
            contexts[i] = &slots[i];
        }
        const int started = threads > 1 ? gBandThreads.Post(threads, Work, contexts) : 0;
        if (started == 0) {
            DrawBands(0, true);
            return !stop_.load();
        }
        {
            // The watch calls back into the host: only ever from this thread.
            std::unique_lock<std::mutex> lock(mutex_);
            while (finished_ < started) {
                finished_changed_.wait_for(lock, std::chrono::milliseconds(10));
                if (finished_ >= started || stop_.load()) continue;
                const int64_t done = done_.load();
                if (done >= plan_.Entries()) continue;
                lock.unlock();
                const bool go = KeepDrawing(done);
                lock.lock();
                if (!go) stop_.store(true);
            }
        }
        gBandThreads.Wait();
        return !stop_.load();
    }

private:
    struct Worker {
        PassRun* run;
        int index;
    };

    static void Work(void* context) {
        Worker& w = *static_cast<Worker*>(context);
        w.run->DrawBands(w.index, false);
        std::lock_guard<std::mutex> lock(w.run->mutex_);
        ++w.run->finished_;
        w.run->finished_changed_.notify_all();
    }

    // Takes bands until none is left.
    void DrawBands(int worker, bool watchHere) {
        const ptrdiff_t stashSize = ptrdiff_t(stashRows_) * scene_.width;
        for (;;) {
            const int k = next_.fetch_add(1);
            if (k >= plan_.Bands() || stop_.load(std::memory_order_relaxed)) break;
            const int b = plan_.Band(k);
            int count;
            const int32_t* triangles = plan_.Triangles(b, count);
            const int y0 = b * plan_.Rows(), y1 = std::min(scene_.height, (b + 1) * plan_.Rows());
            BandState band{triangles,
                           count,
                           y0,
                           y1,
                           &stop_,
                           &done_,
                           watchHere,
                           stash_ != nullptr ? stash_ + worker * stashSize : nullptr,
                           stashSpans_ != nullptr ? stashSpans_ + worker * stashRows_ : nullptr,
                           stashRows_};
            buffers_.Point(band, worker, y0);
            prepare_(band, scene_.width, plan_.Reach(b));
            if (count == 0) continue;
            _Clip = {0, band.y0, scene_.width, band.y1};
            SceneArgs s = scene_;
            s.band = &band;
            DrawPass(s);
            band.Publish();
        }
        _Clip = _FrameClip;
    }

    const SceneArgs& scene_;
    const BandPlan& plan_;
    SampleStash* stash_;
    RowSpan* stashSpans_;
    int stashRows_;
    const BandBuffers& buffers_;
    const BandPreparation& prepare_;
    // Apart in memory: every band adds to done_ once a triangle and reads
    // stop_ far more often.
    alignas(64) std::atomic<int> next_{0};
    alignas(64) std::atomic<bool> stop_{false};
    alignas(64) std::atomic<int64_t> done_{0};
    std::mutex mutex_;
    std::condition_variable finished_changed_;
    int finished_ = 0;
};

// Glass is drawn for some triangle: its material has a glass record that is on.
bool GlassActive(const SceneArgs& s) {
    if (s.glass == nullptr || s.materials == nullptr || s.materialCount < 1) return false;
    for (int m = 0; m < s.materialCount; ++m)
        if (s.glass[m].enabled) return true;
    return false;
}

}  // namespace

void BeginWatchedFrame(int64_t total) {
    gWatch.watching = true;
    gWatch.stopped = false;
    gWatch.base = 0;
    gWatch.total = total;
}

bool KeepDrawing(int64_t done) {
    if (gWatch.stopped) return false;
    if (!gWatch.watching || gWatch.watch == nullptr) return true;
    if (!gWatch.watch(gWatch.context, gWatch.base + done, gWatch.total)) gWatch.stopped = true;
    return !gWatch.stopped;
}

namespace frostel {

void SetRenderWatch(RenderWatch watch, void* context) {
    gWatch.watch = watch;
    gWatch.context = context;
}

bool RenderWasStopped() { return gWatch.stopped; }

bool RenderLackedMemory() { return gLackedMemory; }

void SetRenderThreads(int count) { gThreadsWanted = std::clamp(count, 0, kMostThreads); }

void KeepRenderThreads(bool keep) {
    gKeepThreads = keep;
    if (!keep) gBandThreads.Stop();
}

int RenderThreadsRunning() { return gBandThreads.Running(); }

void RunOnRenderThreads(int count, const std::function<void(int index)>& work) {
    if (count <= 0) return;
    ForEachIndex(count, work);
    if (!gKeepThreads) gBandThreads.Stop();
}

int RenderThreads() {
    if (gThreadsWanted > 0) return gThreadsWanted;
    if (const char* text = std::getenv("FROSTEL_RENDER_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= 256) return int(std::min<long>(n, kMostThreads));
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(int(std::min(cores, 1024u)), 1, kMostThreads);
}

}  // namespace frostel

void SetBandThreadStarter(BandThreadStarter starter) {
    gBandThreads.Stop();
    gStartThread = starter != nullptr ? starter : StartStdThread;
}
void SetBandRows(int rows) { gBandRowsWanted = std::max(rows, 0); }

bool TriangleCorners(int pointCount, const __Point3ds* points, const __Triangle3ds& t, const __Point3ds* out[3]) {
    const int32_t index[3] = {t.a, t.b, t.c};
    for (int i = 0; i < 3; ++i) {
        if (index[i] < 0 || index[i] >= pointCount) return false;
        const __Point3ds& p = points[index[i]];
        if (!IsFinite3(p.x, p.y, p.z)) return false;
        out[i] = &p;
    }
    return true;
}

bool TriangleCorners(const SceneArgs& s, const __Triangle3ds& t, const __Point3ds* out[3]) {
    return TriangleCorners(s.pointCount, s.points, t, out);
}

void __ClearTriangleRect(int x0, int y0, int x1, int y1) { ClearTriangleRect(_TriangleBuffer, x0, y0, x1, y1); }

void ClearTriangleRect(uint8_t* triangle, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, Zwidth), y1 = std::min(y1, Zheight);
    if (x0 >= x1 || triangle == nullptr) return;
    const size_t channelBytes = _Deep ? 2 : 1;
    for (int y = y0; y < y1; ++y)
        std::memset(triangle + PixelIndex(x0, y) * channelBytes, 0, 4 * channelBytes * (x1 - x0));
}

namespace {

template <typename T>
inline int Load(const uint8_t* frame, ptrdiff_t index) {
    T v;
    std::memcpy(&v, frame + sizeof(T) * index, sizeof(T));
    return v;
}
template <typename T>
inline void Store(uint8_t* frame, ptrdiff_t index, int value) {
    const T v = static_cast<T>(value);
    std::memcpy(frame + sizeof(T) * index, &v, sizeof(T));
}

// The composition at one channel width (bytes, or 16-bit words).
template <typename T>
void ComposeRect(uint8_t* dst, const uint8_t* T_, uint8_t* E, int x0, int y0, int x1, int y1) {
    const int cm = _ColorMax;
    // Colours further apart than this belong to different surfaces.
    const int newEdge = sizeof(T) == 2 ? 20 * 256 : 20;
    // T_: the triangle buffer. E: per pixel the edge's colour and coverage
    // (L), then what lay under it (B).
    const ptrdiff_t width = _RowLength / 4;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const ptrdiff_t i = PixelIndex(x, y);
            const int a = Load<T>(T_, i + 3);
            if (a <= 0) continue;
            const ptrdiff_t L = (y * width + x) * kEdgeChannels, B = L + 4;
            if (sizeof(T) == 1 && a >= cm) {
                // Covered bytes: the pixel as it is, its alpha already the largest.
                std::memcpy(dst + i, T_ + i, 4);
                std::memcpy(E + L, T_ + i, 3);
                std::memcpy(E + B, T_ + i, 3);
                continue;
            }
            int t[3];
            for (int k = 0; k < 3; ++k) t[k] = Load<T>(T_, i + k);
            if (a >= cm) {
                for (int k = 0; k < 3; ++k) {
                    Store<T>(dst, i + k, t[k]);
                    Store<T>(E, L + k, t[k]);
                    Store<T>(E, B + k, t[k]);
                }
                Store<T>(dst, i + 3, cm);
                continue;
            }
            const int dstAlpha = Load<T>(dst, i + 3);
            if (dstAlpha == 0) {
                for (int k = 0; k < 3; ++k) Store<T>(dst, i + k, t[k]);
                Store<T>(dst, i + 3, a);
                continue;
            }
            int difference = 0;
            for (int k = 0; k < 3; ++k) difference = std::max(difference, std::abs(Load<T>(E, L + k) - t[k]));
            int coverage, background[3];
            const int edgeAlpha = Load<T>(E, L + 3);
            if (edgeAlpha == 0 || difference >= newEdge) {
                for (int k = 0; k < 3; ++k) {
                    background[k] = Load<T>(dst, i + k);
                    Store<T>(E, B + k, background[k]);
                    Store<T>(E, L + k, t[k]);
                }
                Store<T>(E, L + 3, a);
                coverage = a;
            } else {
                // The same surface's edge again: blend once over what lay under it.
                coverage = std::max(edgeAlpha, a);
                if (edgeAlpha < a) Store<T>(E, L + 3, a);
                for (int k = 0; k < 3; ++k) background[k] = Load<T>(E, B + k);
            }
            const float f = static_cast<float>(coverage) / static_cast<float>(cm);
            for (int k = 0; k < 3; ++k) {
                const float v = f * t[k] + (1 - f) * background[k];
                Store<T>(dst, i + k, static_cast<int>(Clamp(v, 0.0f, static_cast<float>(cm))));
            }
            Store<T>(dst, i + 3, std::max(coverage, dstAlpha));
        }
}

}  // namespace

void __ComposeTriangleRect(uint8_t* dst, int x0, int y0, int x1, int y1) {
    ComposeTriangleRect(dst, _TriangleBuffer, _EdgeMemory, x0, y0, x1, y1);
}

void ComposeTriangleRect(uint8_t* dst, const uint8_t* triangle, uint8_t* edges, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, Zwidth), y1 = std::min(y1, Zheight);
    if (triangle == nullptr) return;
    if (_Deep)
        ComposeRect<uint16_t>(dst, triangle, edges, x0, y0, x1, y1);
    else
        ComposeRect<uint8_t>(dst, triangle, edges, x0, y0, x1, y1);
}

extern "C" {

void __RasterScene(uint8_t* dst, uint8_t* src, int width, int height, int rowLength, int pointCount,
                   int triangleCount, __Triangle3ds* triangles, __Point3ds* points, int offX, int offY,
                   int materialCount, material3ds* materials, __Texture* textures, int lightCount,
                   light3ds* lights, GlassProp* glass) {
    size_t pixels;
    gWatch.stopped = false;
    gLackedMemory = false;
    if (src == nullptr || !BeginFrame(dst, width, height, rowLength, pixels)) return;
    const SceneArgs s{dst,     src,  width,        height,    pointCount, triangleCount, triangles, points,
                      offX,    offY, materialCount, materials, textures,  lightCount,    lights,    glass};
    // The inverted preview edges never draw back faces, now or later.
    if (_DrawMode == 0) _DrawBackFaces1 = 0, _DrawBackFaces = 0;

    // Glass reads the background copy and the refraction depths only with
    // multiple refraction or behind the back faces; the shader then also reads
    // and writes pixels other than its own, and the triangles must be drawn in
    // their order over the whole frame: one band, one thread. So too for a
    // client's shader, which may not bear running on several threads.
    const bool drawing = _DrawMode != 0;
    const bool glassBuffers = drawing && GlassActive(s) && (_UseMultyRefract != 0 || _DrawBackFaces != 0);
    const bool oneBand = glassBuffers || RenderOnePixel != __DefRenderOnePixel;
    const int threads = oneBand ? 1 : frostel::RenderThreads();

    // Every buffer is taken before the first pixel is drawn, so that running
    // out of memory leaves dst as it was.
    const size_t channelBytes = _Deep ? 2 : 1;
    const size_t frameBytes = pixels * 4 * channelBytes;
    const bool handedOver = ZBuff != nullptr && Zwidth == width && Zheight == height;
    BandPlan plan;
    if (!plan.Make(s, oneBand ? height : BandRowsFor(height, threads), threads)) return NoMemory();
    const int workers = std::min(threads, plan.Bands());
    // Each is written before it is read (the bands prepare what their
    // triangles can reach, and nothing else is read), so blocks kept from the
    // last frame serve as well as fresh ones.
    PageBlock ownDepth, triangle, edges, rowDirty, backgroundCopy, refractDepth, stash;
    BandBuffers buffers;
    buffers.channelBytes = channelBytes;
    buffers.width = width;
    buffers.shared = _DrawBackFaces != 0;
    buffers.rows = buffers.shared ? height : plan.Rows();
    const size_t bufferPixels = buffers.Pixels(workers);
    if (drawing && !handedOver) {
        ownDepth = PageBlock::Taken(bufferPixels * sizeof(float));
        if (!ownDepth) return NoMemory();
    }
    if (drawing && Composes(_DrawMode)) {
        triangle = PageBlock::Taken(bufferPixels * 4 * channelBytes);
        edges = PageBlock::Taken(bufferPixels * kEdgeChannels * channelBytes);
        rowDirty = PageBlock::Taken(size_t(height) * sizeof(RowSpan));
        if (!triangle || !edges || !rowDirty) return NoMemory();
        std::fill_n(rowDirty.as<RowSpan>(), height, RowSpan{INT_MAX, INT_MIN});
    }
    buffers.depth = ownDepth.as<float>();
    buffers.handedOver = handedOver ? ZBuff : nullptr;
    buffers.triangle = triangle.as<uint8_t>();
    buffers.edges = edges.as<uint8_t>();
    if (glassBuffers) {
        backgroundCopy = PageBlock::Taken(frameBytes);
        refractDepth = PageBlock::Taken(pixels * sizeof(float));
        if (!backgroundCopy || !refractDepth) return NoMemory();
        std::memcpy(backgroundCopy.get(), src, frameBytes);
        FillFarthest(refractDepth.as<float>(), pixels);
    }
    const int stashRows = std::min(plan.Rows(), kStashRows);
    if (_DrawMode == 9) {
        const size_t stashBytes = size_t(workers) * stashRows * (sizeof(RowSpan) + width * sizeof(SampleStash));
        stash = PageBlock::Taken(stashBytes);
        if (!stash) return NoMemory();
        std::memset(stash.get(), 0, stashBytes);
        std::fill_n(stash.as<RowSpan>(), size_t(workers) * stashRows, RowSpan{INT_MAX, INT_MIN});
    }
    RowSpan* const stashSpans = stash.as<RowSpan>();
    SampleStash* const stashEntriesAt =
        stash ? reinterpret_cast<SampleStash*>(stashSpans + size_t(workers) * stashRows) : nullptr;

    // A handed-over z-buffer of another size stays the caller's and comes back after the frame.
    float* const callerDepth = ZBuff;
    const int32_t callerWidth = Zwidth, callerHeight = Zheight;
    if (ownDepth) {
        ZBuff = ownDepth.as<float>();
        Zwidth = width;
        Zheight = height;
    }
    _OwnZBuff = ownDepth ? 1 : 0;
    _OwnLightDef = (_LightDef == nullptr && (lightCount <= 0 || lights == nullptr)) ? 1 : 0;
    if (_OwnLightDef) _LightDef = &gDefaultLight;
    _TargetBuffer = dst;
    _TriangleBuffer = triangle.as<uint8_t>();
    _EdgeMemory = edges.as<uint8_t>();
    _RowDirty = rowDirty.as<RowSpan>();
    _BackgroundCopy = backgroundCopy.as<uint8_t>();
    _RefractDepth = refractDepth.as<float>();
    const ShaderFrame shaderFrame(s);

    _DrawBackFaces1 = _DrawBackFaces ? 1 : 0;
    BeginWatchedFrame(plan.Entries() * (_DrawBackFaces1 ? 2 : 1));
    BandPreparation prepare;
    prepare.depth = bool(ownDepth);  // never the client's z-buffer
    prepare.triangle = prepare.edges = true;
    prepare.channelBytes = channelBytes;
    PassRun pass(s, plan, stashEntriesAt, stashSpans, stashRows, buffers, prepare);
    const bool drawn = pass.Run(workers);
    // A stop leaves bands unprepared: nothing reads them any more.
    if (drawn && _DrawBackFaces1) {
        // What the back faces produced is what the front faces refract.
        if (_BackgroundCopy != nullptr) std::memcpy(_BackgroundCopy, dst, frameBytes);
        _DrawBackFaces1 = 0;
        // The front faces get a fresh depth buffer of the frame's own.
        BandPreparation again;
        again.depth = bool(ownDepth);
        gWatch.base = plan.Entries();
        PassRun front(s, plan, stashEntriesAt, stashSpans, stashRows, buffers, again);
        front.Run(workers);
    }
    _DrawBackFaces1 = 0;
    EndWatchedFrame();

    _TargetBuffer = _TriangleBuffer = _EdgeMemory = _BackgroundCopy = nullptr;
    _RowDirty = nullptr;
    _RefractDepth = nullptr;
    if (_OwnZBuff) {
        ZBuff = callerDepth;
        if (callerDepth != nullptr) Zwidth = callerWidth, Zheight = callerHeight;
    }
    if (_OwnLightDef) _LightDef = nullptr;
    _OwnLightDef = 0;
    _OwnZBuff = 0;
    if (!gKeepThreads) gBandThreads.Stop();
}

void __RasterSolid(uint8_t* dst, int width, int height, int rowLength, int pointCount, int triangleCount,
                   __Triangle3ds* triangles, __Point3ds* points, int offX, int offY, float c0, float c1,
                   float c2, float opacity) {
    size_t pixels;
    if (!BeginFrame(dst, width, height, rowLength, pixels)) return;
    const SceneArgs s{dst, nullptr, width, height, pointCount, triangleCount, triangles, points,
                      offX, offY,   0,     nullptr, nullptr,   0,          nullptr,   nullptr};
    __RasterSolidTriangles(s, c0, c1, c2, opacity);
}

void __DrawScenesLineColor(float lineWidth, int c0, int c1, int c2, uint8_t* dst, uint8_t* src, int width,
                           int height, int pointCount, int triangleCount, __Triangle3ds* triangles,
                           __Point3ds* points, int offX, int offY) {
    size_t pixels;
    if (width > std::numeric_limits<int>::max() / 4 || !BeginFrame(dst, width, height, width * 4, pixels)) return;
    const SceneArgs s{dst, src, width, height, pointCount, triangleCount, triangles, points,
                      offX, offY, 0,   nullptr, nullptr,   0,          nullptr,   nullptr};
    __RasterLineColorTriangles(s, lineWidth, c0, c1, c2);
}

void __Sort(int triangleCount, __Triangle3ds* triangles, __Point3ds* points) {
    if (triangleCount <= 0 || triangles == nullptr) return;
    // Depths are taken once; a broken triangle sorts first. Equal depths keep
    // their order, so both modules sort alike.
    struct Keyed {
        float depth;
        __Triangle3ds triangle;
    };
    PageBlock keys(sizeof(Keyed) * static_cast<size_t>(triangleCount));
    Keyed* k = keys.as<Keyed>();
    if (k == nullptr) return;
    int pointCount = points != nullptr ? std::numeric_limits<int>::max() : 0;
    for (int i = 0; i < triangleCount; ++i) k[i] = {__TriangleDepth(triangles[i], points, pointCount), triangles[i]};
    std::stable_sort(k, k + triangleCount,
                     [](const Keyed& a, const Keyed& b) { return __SortCompare(a.depth, b.depth) < 0; });
    for (int i = 0; i < triangleCount; ++i) triangles[i] = k[i].triangle;
}

void __AddPersp(int pointCount, __Point3ds* points, float value, float x, float y, float far) {
    _Persp_Val = value;
    _Persp_x = x;
    _Persp_y = y;
    _Persp_Far = far;
    if (far == 0.0f || value == 0.0f || points == nullptr) return;
    for (int i = 0; i < pointCount; ++i) {
        __Point3ds& p = points[i];
        float f = 1.0f - p.z / far;
        if (std::fabs(f) < 1e-8f) f = f < 0.0f ? -1e-8f : 1e-8f;
        p.x = (p.x - _Persp_x) / f + _Persp_x;
        p.y = (p.y - _Persp_y) / f + _Persp_y;
    }
}

void __ConvertBYTE16TO8(uint8_t** buffer, int width, int height, int rowLength) {
    if (buffer == nullptr || *buffer == nullptr || width <= 0 || height <= 0 || rowLength < width) return;
    const size_t n = static_cast<size_t>(height) * static_cast<size_t>(rowLength);
    uint8_t* out = static_cast<uint8_t*>(AllocPages(n));
    if (out == nullptr) return;
    const uint8_t* in = *buffer;
    for (size_t i = 0; i < n; ++i) {
        uint16_t w;
        std::memcpy(&w, in + 2 * i, 2);
        out[i] = static_cast<uint8_t>(std::min<uint32_t>((static_cast<uint32_t>(w) * 255 + 16384) >> 15, 255));
    }
    *buffer = out;
}

void __ConvertBYTE8TO16(uint8_t** buffer, int width, int height, int rowLength) {
    if (buffer == nullptr || *buffer == nullptr || width <= 0 || height <= 0 || rowLength < width) return;
    const size_t n = static_cast<size_t>(height) * static_cast<size_t>(rowLength);
    if (n > std::numeric_limits<size_t>::max() / 2) return;
    uint8_t* out = static_cast<uint8_t*>(AllocPages(2 * n));
    if (out == nullptr) return;
    const uint8_t* in = *buffer;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t w = static_cast<uint16_t>(((static_cast<uint32_t>(in[i]) << 15) + 128) / 255);
        std::memcpy(out + 2 * i, &w, 2);
    }
    *buffer = out;
}

void __ConvertText(__Texture* texture) {
    if (texture == nullptr || !texture->present || texture->pixels == nullptr) return;
    if (texture->width <= 0 || texture->height <= 0 || texture->width > std::numeric_limits<int>::max() / 4) return;
    const int rowLength = texture->width * 4;
    uint8_t* pixels = texture->pixels;
    if (!_Deep && texture->is16Bit) {
        __ConvertBYTE16TO8(&pixels, texture->width, texture->height, rowLength);
        if (pixels == texture->pixels) return;
        texture->is16Bit = 0;
    } else if (_Deep && !texture->is16Bit) {
        __ConvertBYTE8TO16(&pixels, texture->width, texture->height, rowLength);
        if (pixels == texture->pixels) return;
        texture->is16Bit = 1;
    }
    texture->pixels = pixels;
}

}  // extern "C"

int __SortCompare(float depthA, float depthB) {
    if (depthB > depthA) return -1;
    if (depthA > depthB) return 1;
    return 0;
}

float __TriangleDepth(const __Triangle3ds& t, const __Point3ds* points, int pointCount) {
    const __Point3ds* c[3];
    if (points == nullptr || !TriangleCorners(pointCount, points, t, c)) return -std::numeric_limits<float>::infinity();
    const float sum = c[0]->z + c[1]->z + c[2]->z;
    return std::isnan(sum) ? -std::numeric_limits<float>::infinity() : sum;
}

float __TriangleArea2D(const float* points, int i0, int i1, int i2) {
    const float* a = points + 3 * i0;
    const float* b = points + 3 * i1;
    const float* c = points + 3 * i2;
    const float cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
    return std::fabs(cross) * 0.5f;
}
