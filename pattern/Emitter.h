// An emitter: vertices with normals joined by ribs, the line from which the
// branches grow. Its arrays live in page memory.
#pragma once

#include <vector>

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
