// The whole scene with factory values: emitter, growth, engine records, bump
// texture and the render, into a work buffer of a preview's size as the
// dialog draws it (draft quality) and as OK draws it, and of a 12-megapixel
// photo on one thread and on every core; the most the dialog's fields take,
// in Rough and in Phong; growth along long work paths that mostly lie off
// the image. Then the speedup of the threads and the memory the effect takes
// beyond the host's buffers.
//   scene_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Dialog.h"
#include "Effect.h"
#include "PathSegments.h"
#include "Renderer.h"
#include "Scene.h"
#include "SceneImage.h"

namespace {

using namespace frostel;

int Cores() { return std::max(1, int(std::thread::hardware_concurrency())); }

// Arguments: width, height, threads (0: every core), 1 = drawn as the dialog draws its preview.
void Scene(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    frostel::SetRenderThreads(int(state.range(2)));
    testing::SceneImage image(w, h, testing::SamplePhoto(w, h));
    FilterParameters& params = image.params;
    gDialogOpen = state.range(3) != 0;
    for (auto _ : state) {
        ApplyParameterDefaults(params);
        RunEffect();
        benchmark::DoNotOptimize(image.work.data());
    }
    // The final render keeps no scene: one more run in the dialog's way counts what was drawn.
    if (!gDialogOpen) {
        gDialogOpen = true;
        ApplyParameterDefaults(params);
        RunEffect();
    }
    state.counters["triangles"] = double(params.cachedTriangleCount);
    state.counters["threads"] = frostel::RenderThreads();
    state.counters["Mpixel/s"] = benchmark::Counter(double(w) * h * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    FreeSceneCache();
    gDialogOpen = false;
    frostel::SetRenderThreads(0);
}

BENCHMARK(Scene)->ArgNames({"w", "h", "threads", "dialog"})->Args({600, 450, 0, 1})->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Scene)->ArgNames({"w", "h", "threads", "dialog"})->Args({600, 450, 0, 0})->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Scene)->ArgNames({"w", "h", "threads", "dialog"})->Args({4000, 3000, 1, 0})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Scene)->ArgNames({"w", "h", "threads", "dialog"})->Args({4000, 3000, 0, 0})->Unit(benchmark::kMillisecond)->Iterations(3);

// A figure grown anew and drawn as the dialog's preview does after a geometry
// change, on every core: Floral 3 (the factory look) and Geometric 1.
void Regrow(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    testing::SceneImage image(w, h, testing::SamplePhoto(w, h));
    FilterParameters& params = image.params;
    gDialogOpen = true;
    ApplyParameterDefaults(params);
    params.EfKn = uint8_t(state.range(2));
    params.PtrK = uint8_t(state.range(3));
    for (auto _ : state) {
        params.geometryDirty = 1;
        RunEffect();
        benchmark::DoNotOptimize(image.work.data());
    }
    state.counters["triangles"] = double(params.cachedTriangleCount);
    state.SetLabel(params.EfKn == 1 ? "Geometric 1" : "Floral 3");
    FreeSceneCache();
    gDialogOpen = false;
}

BENCHMARK(Regrow)->ArgNames({"w", "h", "kind", "pattern"})->Args({640, 400, 2, 3})->Args({640, 400, 1, 1})->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Every field of the dialog at its largest: what the growth may cover of the
// frame bounds it, and so the render.
void DialogMaxima(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    testing::SceneImage image(w, h, testing::SamplePhoto(w, h));
    FilterParameters& p = image.params;
    for (auto _ : state) {
        ApplyParameterDefaults(p);
        p.EfKn = 1, p.MxIt = 10, p.MxTr = 30, p.MnIn = 1, p.MxT1 = 40, p.Wdth = 300, p.Lngh = 70, p.Scle = 200;
        p.Dspr = 200, p.Comp = 100, p.CmDs = 100;
        p.RndM = uint8_t(state.range(2));
        RunEffect();
        benchmark::DoNotOptimize(image.work.data());
    }
    state.SetLabel(state.range(2) == 1 ? "Rough" : "Phong");
}

BENCHMARK(DialogMaxima)->Args({640, 400, 1})->Args({640, 400, 5})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(DialogMaxima)->Args({3000, 2000, 1})->Args({3000, 2000, 5})->Unit(benchmark::kMillisecond)->Iterations(1);

// Work paths in document pixels (72 dpi).
void Line(double x0, double y0, double x1, double y1) {
    auto p = [](double v) { return int32_t(v * 65536); };
    AppendBezierSegment(p(x0), p(y0), p(x0 + (x1 - x0) / 3), p(y0 + (y1 - y0) / 3), p(x0 + 2 * (x1 - x0) / 3),
                        p(y0 + 2 * (y1 - y0) / 3), p(x1), p(y1), 72 << 16);
}
void Triangle() {
    Line(10, 10, 50, 14);
    Line(50, 14, 30, 40);
    Line(30, 40, 10, 10);
}
// Knots alternating between x = +-8000 px: every segment some 16,000 px
// long; a quarter pixel apart in y from y0 on, or (through) all across the
// image.
void ZigZag(int knots, double y0, bool through) {
    auto y = [&](int k) { return through ? 4 + k % 41 : y0 + 0.25 * k; };
    for (int k = 0; k + 1 < knots; ++k) Line(k % 2 ? 8000 : -8000, y(k), k % 2 ? -8000 : 8000, y(k + 1));
}

// kind 0: a visible triangle, then knots off the image; 1: only the knots
// off the image; 2: the knots off the image, then the triangle; 3: knots
// through the image.
void Path(benchmark::State& state) {
    const int kind = int(state.range(0)), knots = int(state.range(1)), w = 64, h = 48;
    testing::SceneImage image(w, h, testing::SamplePhoto(w, h));
    FreePathList();
    if (kind == 0) Triangle();
    ZigZag(knots, 5000, kind == 3);
    if (kind == 2) Triangle();
    for (auto _ : state) {
        ApplyParameterDefaults(image.params);
        image.params.EmTp = 0;
        BuildAndRenderScene(image.params);
        FreeSceneCache();
        benchmark::DoNotOptimize(image.work.data());
    }
    FreePathList();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    state.counters["peak MB"] = double(u.ru_maxrss) / 1024;
}

BENCHMARK(Path)->Args({0, 20000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Path)->Args({1, 100000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Path)->Args({2, 100000})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Path)->Args({3, 100000})->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps each run's wall time by name, beside the usual table.
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) ms[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The process's peak resident memory over one 12-megapixel run, less what it
// held before (the host's source and work buffers among it). Measured before
// anything else ran, so the peak is this run's.
void Memory() {
    const int w = 4000, h = 3000;
    testing::SceneImage image(w, h, testing::SamplePhoto(w, h));
    const long before = ResidentKb();
    ApplyParameterDefaults(image.params);
    RunEffect();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    FreeSceneCache();
    std::printf("memory beyond the host's buffers at %d x %d: %.1f bytes a pixel (peak resident, %ld MB)\n", w, h,
                (usage.ru_maxrss - before) * 1024.0 / (double(w) * h), (usage.ru_maxrss - before) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Memory();
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const auto one = recorder.ms.find("Scene/w:4000/h:3000/threads:1/dialog:0/iterations:2");
    const auto all = recorder.ms.find("Scene/w:4000/h:3000/threads:0/dialog:0/iterations:3");
    if (one != recorder.ms.end() && all != recorder.ms.end() && all->second > 0)
        std::printf("speedup on %d threads: %.2f\n", Cores(), one->second / all->second);
    benchmark::Shutdown();
    return 0;
}
