// Our renderer on the fixed scene (10,000 triangles at 1920 x 1080) in draw
// modes 3, 6, 8 and 9 at both qualities, and the effect's own look (bump and
// glass) in mode 6, beside Mesa's software rasterisers through OSMesa when
// the peer is installed: softpipe, and llvmpipe on one thread.
// Each mode is timed twice: with the frame's buffers (z-buffer, triangle
// buffer, edge memory) taken fresh from the system every frame, as a single
// render does, and with them kept between frames as the dialog's previews do
// (the peer keeps its framebuffer between frames too).
//   renderer_bench [threads]   (ours on that many threads; default 1)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../BenchCommon.h"
#include "BenchScene.h"
#include "PageMemory.h"

namespace {

constexpr int kReps = 3;

// Best time of one frame in milliseconds, with or without bump and glass;
// with `kept` the frame's buffers come from the page shelf, filled by one
// frame drawn before the timed ones.
double Ours(const bench::BenchScene& scene, int mode, int quality, bool effectLook, bool kept = false) {
    bench::BenchScene s = scene;
    __SetDrawMode(uint8_t(mode));
    __SetQuality(uint8_t(quality));
    __SetDeep(0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    std::vector<__Texture> textures(4);
    std::vector<uint8_t> bump(100 * 100 * 4);
    GlassProp glass{1, 0.8f, 6.0f, 25.0f};
    if (effectLook) {
        for (int i = 0; i < 100 * 100; ++i) {
            const uint8_t v = uint8_t((uint32_t(i) * 2654435761u) >> 24);  // grain
            bump[4 * i] = bump[4 * i + 1] = bump[4 * i + 2] = v, bump[4 * i + 3] = 255;
        }
        textures[2] = {1, 100, 100, bump.data(), 0};
        MapParams3ds& map = s.material.maps[kBumpMapSlot];
        std::memcpy(map.name, "Bump", 5);
        map.amount = 0.004f, map.uScale = map.vScale = 1.0f;
        for (__Point3ds& p : s.points) p.hasTexCoords = 1, p.u = p.x / 97.0f, p.v = p.y / 89.0f;
    }
    std::vector<uint8_t> dst(s.background.size());
    auto frame = [&] {
        __RasterScene(dst.data(), s.background.data(), bench::kWidth, bench::kHeight, bench::kWidth * 4,
                      int(s.points.size()), int(s.triangles.size()), s.triangles.data(), s.points.data(), 0, 0, 1,
                      &s.material, textures.data(), 2, s.lights, effectLook ? &glass : nullptr);
    };
    if (kept) {
        frostel::KeepShelvedPages(true);
        std::memcpy(dst.data(), s.background.data(), dst.size());
        frame();
    }
    double best = 1e300;
    for (int i = 0; i < kReps; ++i) {
        std::memcpy(dst.data(), s.background.data(), dst.size());
        best = std::min(best, frostel::bench::BestMs(1, frame));
    }
    if (kept) frostel::KeepShelvedPages(false);
    return best;
}

// The peer runs in a process of its own per driver (Mesa picks the driver
// once per process): "mode quality milliseconds" per line.
std::map<std::pair<int, int>, double> Peer(const std::string& program, const char* driver) {
    std::map<std::pair<int, int>, double> times;
    const std::string command = "GALLIUM_DRIVER=" + std::string(driver) + " LP_NUM_THREADS=0 '" + program + "'";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return times;
    int mode, quality;
    double ms;
    while (std::fscanf(out, "%d %d %lf", &mode, &quality, &ms) == 3) times[{mode, quality}] = ms;
    pclose(out);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    if (argc > 2 || threads < 1 || threads > 64) {
        std::fprintf(stderr, "usage: renderer_bench [threads 1..64]\n");
        return 2;
    }
    frostel::SetRenderThreads(threads);
    const bench::BenchScene scene;
    std::printf("renderer, %d triangles at %d x %d, best of %d, ours on %d thread%s\n", int(scene.triangles.size()),
                bench::kWidth, bench::kHeight, kReps, threads, threads == 1 ? "" : "s");
    std::string peer = argv[0];
    peer = peer.substr(0, peer.find_last_of('/') + 1) + "renderer_osmesa_peer";
    const bool havePeer = std::getenv("FROSTEL_BENCH_NO_PEER") == nullptr && access(peer.c_str(), X_OK) == 0;
    std::map<std::pair<int, int>, double> softpipe, llvmpipe;
    if (havePeer) softpipe = Peer(peer, "softpipe"), llvmpipe = Peer(peer, "llvmpipe");

    for (int quality : {0, 1})
        for (int mode : bench::kModes) {
            const double ours = Ours(scene, mode, quality, false);
            const double kept = Ours(scene, mode, quality, false, true);
            char what[64], whatKept[64];
            std::snprintf(what, sizeof what, "mode %d, quality %d", mode, quality);
            std::snprintf(whatKept, sizeof whatKept, "mode %d, quality %d, kept buffers", mode, quality);
            std::printf("%-34s %.1fk triangles/s, %.2fM pixels/s\n", what, scene.triangles.size() / ours,
                        double(bench::kWidth) * bench::kHeight / ours / 1000.0);
            if (!havePeer) {
                frostel::bench::Row(what, ours, "(OSMesa not installed)", 0);
                frostel::bench::Row(whatKept, kept, "(OSMesa not installed)", 0);
                continue;
            }
            const auto s = softpipe.find({mode, quality}), l = llvmpipe.find({mode, quality});
            const bool drew = s != softpipe.end();
            const char* llvm = quality ? "llvmpipe 1 thread, 4x multisampled" : "llvmpipe, 1 thread";
            const double theirs = l != llvmpipe.end() ? l->second : 0;
            frostel::bench::Row(what, ours, !quality ? "softpipe" : drew ? "softpipe, 4x multisampled" : "softpipe (no multisampling)",
                                drew ? s->second : 0);
            frostel::bench::Row(what, ours, llvm, theirs);
            frostel::bench::Row(whatKept, kept, llvm, theirs);
        }
    const double look = Ours(scene, 6, 1, true);
    frostel::bench::Row("mode 6, quality 1, bump and glass", look, "(no peer draws this look)", 0);
    return 0;
}
