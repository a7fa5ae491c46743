// Fuzz target: the host's path data as it hands it over (26-byte big-endian
// records, any selectors, counts and 8.24 coordinates) for a 24 x 16
// document at any resolution, through the unpacking into Bezier segments,
// the walk of the path's ribs and the path emitter, then the growth along
// it and a small render. The walk visits ribs in order and agrees with the
// emitter's arrays; the scene ends with no error but out of memory, gives
// back every page block, and stays within libFuzzer's time-out however long
// or far off the path is.
//
// Input: resolution (2 bytes, dpi below 32768; 0 is 72), the vertical resolution's
// difference (1), effect kind, pattern kind and growth direction (1), the
// spacing (1), the shares grown and fading (1), scale and centre (1), then
// the records.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Effect.h"
#include "PageMemory.h"
#include "PathSegments.h"
#include "Scene.h"
#include "SceneImage.h"

using namespace frostel;

namespace {

void Fail(const char* what, long long detail = 0) {
    std::fprintf(stderr, "path records: %s (%lld)\n", what, detail);
    std::abort();
}

constexpr int kW = 24, kH = 16;
constexpr size_t kHeader = 7;

// Every walked rib in order, each as the emitter's arrays hold it; the ribs
// left out have no length.
void CheckWalk() {
    PathRibs ribs;
    if (!ribs.Start(-kW / 2.0f, -kH / 2.0f, PathView{})) Fail("no memory for a walk");
    Emitter all;
    const bool arrays = ribs.ribCount() <= 20000;
    if (arrays && !BuildPathEmitter(all, -kW / 2.0f, -kH / 2.0f, PathView{})) Fail("no emitter");
    if (arrays && all.ribCount() != ribs.ribCount()) Fail("rib counts differ", all.ribCount());
    std::vector<bool> walked(arrays ? size_t(all.ribCount()) : 0, false);
    int64_t last = -1;
    EmitterRib r;
    while (ribs.Next(r)) {
        if (r.index <= last || r.index >= ribs.ribCount()) Fail("a rib out of order", r.index);
        last = r.index;
        if (!arrays) continue;
        walked[size_t(r.index)] = true;
        const PatternRib& whole = all.ribs()[r.index];
        if (std::memcmp(&r.a, &all.vertices()[2 * r.index], sizeof r.a) != 0 ||
            std::memcmp(&r.b, &all.vertices()[2 * r.index + 1], sizeof r.b) != 0 || r.rib.length != whole.length)
            Fail("a walked rib differs from the emitter's", r.index);
    }
    for (size_t i = 0; i < walked.size(); ++i)
        if (!walked[i] && all.ribs()[i].length != 0) Fail("a rib with length was left out", int64_t(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) return 0;
    const int32_t raw = (data[0] << 8 | data[1]) & 0x7FFF;
    const int32_t dpi = raw != 0 ? raw : 72, vdpi = std::min(0x7FFF, dpi + data[2]);
    PathDocument doc;
    if (!ComputeDocumentSize72(kW, kH, dpi << 16, vdpi << 16, doc)) return 0;

    const size_t count = (size - kHeader) / kPathRecordBytes;
    std::vector<PathRecord> records(count);
    if (UnpackPathRecords(data + kHeader, size - kHeader, records.data()) != count) Fail("records miscounted");
    FreePathList();
    ImportPathRecords(records.data(), int(count), doc);
    size_t segments = 0;
    for (const BezierSegment* s = gPathHead; s; s = s->next, ++segments)
        if (!(s->length >= 0) || s->length > 1e12f) Fail("a segment's length", int64_t(s->length));
    // A subpath of k knots has at most k segments, and every knot is a record.
    if (segments > count) Fail("more segments than records", int64_t(segments));

    const auto live = GetPageMemoryStats().live;
    CheckWalk();
    SetSceneTriangleBudget(20000);
    {
        testing::SceneImage image(kW, kH, std::vector<uint8_t>(size_t(kW) * kH * 4, 128));
        FilterParameters& p = image.params;
        p.EmTp = 0;
        p.EfKn = uint8_t(1 + (data[3] & 1));
        p.PtrK = uint8_t((data[3] >> 1) % 5);
        p.GrwD = uint8_t((data[3] >> 4) % 9);
        p.MnIn = 0.5f + data[4] / 2.0f;
        p.Comp = 40.0f + float(data[5] & 15) * 10;
        p.CmDs = float(data[5] >> 4) * 8;
        p.Scle = 50.0f + float(data[6] & 7) * 25;
        p.CtnX = float(((data[6] >> 3) & 7) - 3) * 20;
        p.CtnY = float((data[6] >> 6) - 2) * 15;
        p.RndM = 4;  // flat: the renderer has its own target
        BuildAndRenderScene(p);
        if (image.result != 0 && image.result != pi::memFullErr) Fail("an unexpected result", image.result);
        FreeSceneCache();
    }
    if (GetPageMemoryStats().live != live) Fail("page memory not given back");
    FreePathList();
    return 0;
}
