// The document's work path as cubic Bezier segments: the host's path records,
// their conversion into a global list of segments in document pixels, the
// Bezier arithmetic, and the sampling of the list into an emitter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Emitter.h"

namespace frostel {

// ---- Bezier arithmetic on one coordinate's four control values ----------
float BezierValue(float t, const float c[4]);
// The control values of the part [0, t].
void BezierSplit(float t, const float c[4], float d[4]);
float BezierDerivative(float t, const float c[4]);
float BezierSpeed(float t, const float xs[4], const float ys[4]);
// Mean speed over ten samples: the arc length of [0, 1].
float BezierLength(const float xs[4], const float ys[4]);
// The point (and derivatives) at a fraction of the arc length, by ten
// bisection steps.
void BezierPointAtLength(float fraction, const float xs[4], const float ys[4], float& x, float& y, float& dx,
                         float& dy);

// ---- The segment list ---------------------------------------------------
struct BezierSegment {
    float xs[4];  // control points P0..P3, document pixels
    float ys[4];
    float length;
    BezierSegment* next;
};

extern BezierSegment* gPathHead;
extern BezierSegment* gPathTail;

void FreePathList();
bool PathListEmpty();

// ---- Host path records --------------------------------------------------
// The host's path data is a run of 26-byte big-endian records.
constexpr size_t kPathRecordBytes = 26;
enum : uint16_t {
    kClosedSubpathLength = 0, kClosedKnotLinked = 1, kClosedKnotUnlinked = 2,
    kOpenSubpathLength = 3, kOpenKnotLinked = 4, kOpenKnotUnlinked = 5,
    kFirstOtherRecord = 6,  // fill rules, clipboard and the like: skipped
};

// One record unpacked: the selector and the six big-endian 32-bit values
// after it. A length record's knot count is the upper half of value[0]; a
// knot holds vertical, horizontal 8.24 fractions of the document for the
// control point before, the anchor and the control point after.
struct PathRecord {
    uint16_t selector;
    int32_t value[6];
};

PathRecord ReadPathRecord(const uint8_t* src);
// Unpacks size / 26 records (a trailing partial record is dropped) into out,
// which holds room for them. Returns the count.
size_t UnpackPathRecords(const uint8_t* bytes, size_t size, PathRecord* out);

// The document's size in 16.16 points at 72 dpi, and its vertical resolution.
struct PathDocument {
    int32_t width72 = 0, height72 = 0;
    int32_t verticalResolution = 0;  // 16.16 dpi
};
// False when a side would not fit 16-bit points, or a resolution is not positive.
bool ComputeDocumentSize72(int32_t width, int32_t height, int32_t horizontalResolution,
                           int32_t verticalResolution, PathDocument& out);

// An 8.24 fraction of a side of S points (16.16) as 16.16 points; false when
// it would not fit.
bool ConvertPathCoordinate(int32_t value, int32_t side72, int32_t& out);

// Appends one segment given in 16.16 points; false when memory is short.
bool AppendBezierSegment(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                         int32_t y3, int32_t verticalResolution);

// Reads the subpath starting at records[i] (after any skipped records) and
// appends its segments; i is left at the last record it consumed, so the
// caller's step to the next record moves on. False when no valid subpath
// starts there (segments already appended stay).
bool ReadSubpath(const PathRecord* records, int count, int& i, const PathDocument& doc);
// Every subpath of the records, in order, appended to the list.
void ImportPathRecords(const PathRecord* records, int count, const PathDocument& doc);

// ---- The path emitter ---------------------------------------------------
// How document pixels map to work pixels: x / scale - viewX + offset.
struct PathView {
    float previewScale = 1.0f;
    float viewX = 0.0f, viewY = 0.0f;
};

// Samples every segment about every 5 document pixels into ribs that do not
// share vertices. False (emitter empty) when memory is short; an empty list
// gives an empty emitter.
bool BuildPathEmitter(Emitter& out, float offsetX, float offsetY, const PathView& view);

}  // namespace frostel
