// The document's work path as cubic Bezier segments: the host's path records,
// their conversion into a global list of segments in document pixels, the
// Bezier arithmetic, and the sampling of the list into an emitter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Emitter.h"
#include "GrowthReach.h"
#include "PageMemory.h"

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
// starts there or memory ran short (*outOfMemory set); segments already
// appended stay.
bool ReadSubpath(const PathRecord* records, int count, int& i, const PathDocument& doc,
                 bool* outOfMemory = nullptr);
// Every subpath of the records, in order, appended to the list. False when
// memory ran short (what was read stays).
bool ImportPathRecords(const PathRecord* records, int count, const PathDocument& doc);

// ---- The path emitter ---------------------------------------------------
// How document pixels map to work pixels: x / scale - viewX + offset.
struct PathView {
    float previewScale = 1.0f;
    float viewX = 0.0f, viewY = 0.0f;
};

// The path's ribs one at a time, without holding them: every segment is
// sampled at ceil(length / 5) + 1 points evenly spaced along its length,
// each rib joining two neighbours. Ribs whose two points fall on the same
// curve parameter (long segments, whose length search resolves only so
// far) have no length and are left out unless every rib is asked for.
//
// With a reach, the walk ends after the last segment whose growth can show,
// and each rib tells whether its own can. Segments out of reach are walked
// (the growth follows their spacing and draws) within a budget of about a
// million pixels of path; past it they are passed over as if their ribs
// had no length.
class PathRibs : public RibSource {
public:
    // Takes the segment list as it is now; the list must stay unchanged
    // while the ribs are walked. False (no ribs) when memory is short.
    bool Start(float offsetX, float offsetY, const PathView& view, const BranchReach& reach = BranchReach(),
               bool everyRib = false);

    int64_t ribCount() const override { return ribCount_; }
    bool Next(EmitterRib& out) override;
    const BranchReach* reach() const override { return reach_.Everything() ? nullptr : &reach_; }

private:
    struct Segment {
        const BezierSegment* s;
        int64_t steps, firstRib;
        double radius;  // how far growth on its ribs may draw
        float length;
        bool shows;
    };
    struct Sample {
        int key;     // the curve parameter's place in the length search
        float t;
        float upTo;  // the largest length target with the same key
    };

    bool Enter(int64_t index);
    Sample At(int64_t j);
    float NodeLength(int node, float t);
    PatternVertex Point(float t) const;
    int64_t NextKeyChange(int64_t j) const;

    PageBlock table_;
    int64_t segments_ = 0, lastShowing_ = -1, ribCount_ = 0;
    float offsetX_ = 0, offsetY_ = 0, scale_ = 1;
    PathView view_;
    BranchReach reach_;
    bool everyRib_ = false;
    double walked_ = 0;  // spent of the budget for segments out of reach

    // The segment being walked.
    int64_t current_ = -1, j_ = 0;
    Segment seg_{};
    float length_ = 0;
    Sample sample_{};
    PatternVertex point_{};
    // Lengths of the search's split curves, for the current segment only.
    float nodeLength_[1024] = {};
    uint32_t nodeStamp_[1024] = {};
    uint32_t stamp_ = 0;
};

// Every rib of the path in arrays (ribs do not share vertices). False
// (emitter empty) when memory is short or the path has more than 2^28 ribs;
// an empty list gives an empty emitter.
bool BuildPathEmitter(Emitter& out, float offsetX, float offsetY, const PathView& view);

}  // namespace frostel
