#include "EmitterFigures.h"

#include <cmath>
#include <initializer_list>
#include <new>

#include "MeshBuilder.h"

namespace frostel {

namespace {

void EmitChain(FigureBuilder& b, bool alongX, float fixed, float from, float scale, float to, float factor,
               float centre, float nx, float ny, float nz) {
    bool first = true;
    for (float v = from; v <= to;) {
        if (alongX) b.PushVertex(v, fixed, 0.0f, nx, ny, nz);
        else b.PushVertex(fixed, v, 0.0f, nx, ny, nz);
        const float step = (std::fabs(v - centre) / scale + 0.01f) * factor;
        if (!first) b.PushRib(b.vertexCount() - 2, b.vertexCount() - 1, nx, ny, nz, step);
        first = false;
        const float next = v + step;
        if (!(next > v)) break;  // a step lost to rounding would never end the chain
        v = next;
    }
}

// Runs the chains of one figure; a failed allocation leaves `out` empty.
template <typename Chains>
bool BuildFigure(Emitter& out, Chains&& chains) {
    out.Clear();
    try {
        FigureBuilder b;
        chains(b);
        return b.Flatten(out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

void EmitVertexChainX(FigureBuilder& b, float y, float fromX, float scale, float toX, float factor,
                      float centre, float nx, float ny, float nz) {
    EmitChain(b, true, y, fromX, scale, toX, factor, centre, nx, ny, nz);
}

void EmitVertexChainY(FigureBuilder& b, float x, float fromY, float scale, float toY, float factor,
                      float centre, float nx, float ny, float nz) {
    EmitChain(b, false, x, fromY, scale, toY, factor, centre, nx, ny, nz);
}

bool BuildSingleEdgePattern(Emitter& out, float startX, float length, float lineY, float normalY) {
    return BuildFigure(out, [&](FigureBuilder& b) {
        EmitVertexChainX(b, lineY, startX, length, length / 2, length / 2, 0, 0, normalY, 0);
    });
}

bool BuildTopAndBottomPattern(Emitter& out, float startX, float length, float topY, float bottomY) {
    return BuildFigure(out, [&](FigureBuilder& b) {
        EmitVertexChainX(b, topY, startX, length, length / 2, length / 2, 0, 0, 1, 0);
        EmitVertexChainX(b, bottomY, startX, length, length / 2, length / 2, 0, 0, -1, 0);
    });
}

bool BuildPerimeterPattern(Emitter& out, float left, float top, float width, float height) {
    const float right = left + width, bottom = top + height, midY = top + height / 2;
    return BuildFigure(out, [&](FigureBuilder& b) {
        EmitVertexChainY(b, left, top, height, bottom, height / 2, midY, 1, 0, 0);
        EmitVertexChainY(b, right, top, height, bottom, height / 2, midY, -1, 0, 0);
        EmitVertexChainX(b, bottom, left, width, right, width / 2, 0, 0, -1, 0);
        EmitVertexChainX(b, top, left, width, right, width / 2, 0, 0, 1, 0);
    });
}

bool BuildULikePattern(Emitter& out, float left, float top, float width, float height) {
    const float right = left + width, bottom = top + height, from = top + height / 3;
    return BuildFigure(out, [&](FigureBuilder& b) {
        EmitVertexChainY(b, left, from, height, bottom, height / 2, from, 1, 0, 0);
        EmitVertexChainY(b, right, from, height, bottom, height / 2, from, -1, 0, 0);
        EmitVertexChainX(b, bottom, left, width, right, width / 2, 0, 0, -1, 0);
    });
}

bool BuildWindowPattern(Emitter& out, float left, float top, float width, float height) {
    const float hw = width / 2, hh = height / 2;
    const float midX = left + hw, midY = top + hh, right = midX + hw, bottom = midY + hh;
    struct Pane {
        float x0, x1, y0, y1;
    };
    const Pane panes[4] = {
        {left, midX, top, midY},     // top left
        {left, midX, midY, bottom},  // bottom left
        {midX, right, midY, bottom}, // bottom right
        {midX, right, top, midY},    // top right
    };
    return BuildFigure(out, [&](FigureBuilder& b) {
        for (const Pane& p : panes) {
            const float cx = (p.x0 + p.x1) / 2, cy = (p.y0 + p.y1) / 2;
            EmitVertexChainY(b, p.x0, p.y0, hh, p.y1, hh / 2, cy, 1, 0, 0);
            EmitVertexChainY(b, p.x1, p.y0, hh, p.y1, hh / 2, cy, -1, 0, 0);
            EmitVertexChainX(b, p.y1, p.x0, hw, p.x1, hw / 2, cx, 0, -1, 0);
            EmitVertexChainX(b, p.y0, p.x0, hw, p.x1, hw / 2, cx, 0, 1, 0);
        }
    });
}

bool BuildPointArrays(int pointCount, int edgeCount, const float* points, const ContourEdge* edges, Emitter& out,
                      float offsetX, float offsetY) {
    out.Clear();
    if (pointCount < 0 || edgeCount < 0 || (pointCount > 0 && !points) || (edgeCount > 0 && !edges)) return false;
    for (int e = 0; e < edgeCount; ++e)
        if (edges[e].first >= uint32_t(pointCount) || edges[e].second >= uint32_t(pointCount)) return false;
    if (!out.Allocate(pointCount, edgeCount)) return false;

    PatternVertex* v = out.vertices();
    for (int k = 0; k < pointCount; ++k) {
        v[k].x = points[2 * k] + offsetX;
        v[k].y = points[2 * k + 1] + offsetY;
    }
    for (int e = 0; e < edgeCount; ++e) {
        PatternRib& r = out.ribs()[e];
        PatternVertex& a = v[edges[e].first];
        PatternVertex& b = v[edges[e].second];
        r.a = int32_t(edges[e].first);
        r.b = int32_t(edges[e].second);
        SegmentNormal(a.x, a.y, b.x, b.y, r.nx, r.ny);
        r.length = std::hypot(b.x - a.x, b.y - a.y);
        r.flag = 1;
        for (PatternVertex* end : {&a, &b}) {
            if (end->hasNormal) {
                end->nx = (end->nx + r.nx) / 2;
                end->ny = (end->ny + r.ny) / 2;
            } else {
                end->nx = r.nx;
                end->ny = r.ny;
                end->hasNormal = 1;
            }
            end->nz = 0;
        }
    }
    return true;
}

}  // namespace frostel
