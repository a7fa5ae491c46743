// An emitter: vertices with normals joined by ribs, the line from which the
// branches grow. Its arrays live in page memory.
#pragma once

#include <cstdint>
#include <vector>

#include "GrowthReach.h"
#include "GrowthTree.h"
#include "PageMemory.h"

namespace frostel {

class Emitter {
public:
    // Zero-filled arrays of the given sizes. False, leaving the emitter
    // empty, when memory is short or a count is negative.
    bool Allocate(int vertexCount, int ribCount);
    void Clear();

    int vertexCount() const { return vertexCount_; }
    int ribCount() const { return ribCount_; }
    PatternVertex* vertices() const { return vertices_.as<PatternVertex>(); }
    PatternRib* ribs() const { return ribs_.as<PatternRib>(); }

private:
    PageBlock vertices_, ribs_;
    int vertexCount_ = 0, ribCount_ = 0;
};

// One rib as the growth reads it, with its place in the emitter's rib order
// (which seeds its branches).
struct EmitterRib {
    int64_t index = 0;
    PatternVertex a{}, b{};
    PatternRib rib{};  // a and b not read
    // False when nothing grown on it can show: it is walked, not grown.
    bool inReach = true;
};

// The ribs of an emitter in order. A source may leave out ribs that could
// not change the growth (no length, broken indices), and may end early when
// nothing after can show.
class RibSource {
public:
    virtual ~RibSource() = default;
    // Every rib of the emitter, those left out included.
    virtual int64_t ribCount() const = 0;
    // The next rib; false when there is none.
    virtual bool Next(EmitterRib& out) = 0;
    // Where the growth on its ribs can show; null: everywhere.
    virtual const BranchReach* reach() const { return nullptr; }
};

// The ribs of an Emitter's arrays, all in reach.
class EmitterRibs : public RibSource {
public:
    explicit EmitterRibs(const Emitter& e) : e_(e) {}
    int64_t ribCount() const override { return e_.ribCount(); }
    bool Next(EmitterRib& out) override;

private:
    const Emitter& e_;
    int next_ = 0;
};

// Collects the vertices and ribs of a figure in push order, then hands them
// over as an Emitter. Rib indices refer to the push order of the vertices.
class FigureBuilder {
public:
    void PushVertex(float x, float y, float z, float nx, float ny, float nz);
    void PushRib(int a, int b, float nx, float ny, float nz, float length);
    int vertexCount() const { return int(vertices_.size()); }
    int ribCount() const { return int(ribs_.size()); }

    // Copies both lists into out and empties them. False (out empty) when
    // memory is short.
    bool Flatten(Emitter& out);

private:
    std::vector<PatternVertex> vertices_;
    std::vector<PatternRib> ribs_;
};

}  // namespace frostel
