// Our renderer on the fixed scene: draw modes 3, 6, 8 and 9 at both
// qualities, and the effect's own look (bump and glass) in mode 6.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchScene.h"

namespace {

const bench::BenchScene& Scene() {
    static const bench::BenchScene scene;
    return scene;
}

void Draw(benchmark::State& state, bool effectLook) {
    bench::BenchScene s = Scene();
    const uint8_t mode = uint8_t(state.range(0)), quality = uint8_t(state.range(1));
    __SetDrawMode(mode);
    __SetQuality(quality);
    __SetDeep(0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    std::vector<__Texture> textures(4);
    std::vector<uint8_t> bump(100 * 100 * 4);
    GlassProp glass{1, 0.8f, 6.0f, 25.0f};
    if (effectLook) {
        for (int i = 0; i < 100 * 100; ++i) {
            const uint8_t v = uint8_t((i * 2654435761u) >> 24);  // grain
            bump[4 * i] = bump[4 * i + 1] = bump[4 * i + 2] = v, bump[4 * i + 3] = 255;
        }
        textures[2] = {1, 100, 100, bump.data(), 0};
        MapParams3ds& map = s.material.maps[kBumpMapSlot];
        std::memcpy(map.name, "Bump", 5);
        map.amount = 0.004f, map.uScale = map.vScale = 1.0f;
        for (__Point3ds& p : s.points) p.hasTexCoords = 1, p.u = p.x / 97.0f, p.v = p.y / 89.0f;
    }
    std::vector<uint8_t> dst(s.background.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dst.data(), s.background.data(), dst.size());
        state.ResumeTiming();
        __RasterScene(dst.data(), s.background.data(), bench::kWidth, bench::kHeight, bench::kWidth * 4,
                      int(s.points.size()), int(s.triangles.size()), s.triangles.data(), s.points.data(), 0, 0, 1,
                      &s.material, textures.data(), 2, s.lights, effectLook ? &glass : nullptr);
        benchmark::DoNotOptimize(dst.data());
    }
    bench::SetRates(state, double(s.triangles.size()));
}

void BM_Render(benchmark::State& state) { Draw(state, false); }
void BM_RenderBumpGlass(benchmark::State& state) { Draw(state, true); }

}  // namespace

BENCHMARK(BM_Render)->Apply(bench::EveryModeAndQuality);
BENCHMARK(BM_RenderBumpGlass)->ArgNames({"mode", "quality"})->Args({6, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
