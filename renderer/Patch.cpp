// The cubic point-normal patch through a triangle's corners: the curved
// surface of draw modes 9 and 10 and the curved edges of mode 2.
#include <algorithm>
#include <cmath>

#include "Engine.h"

namespace {

// Control point number of the Bernstein index (i, j, k), i + j + k = 3.
int Index(int i, int j, int k) {
    static const int kTable[4][4] = {
        // [i][j]; k = 3 - i - j
        {2, 6, 5, 1},   // i = 0: 003, 012, 021, 030
        {7, 9, 4, -1},  // i = 1: 102, 111, 120
        {8, 3, -1, -1}, // i = 2: 201, 210
        {0, -1, -1, -1} // i = 3: 300
    };
    (void)k;
    return kTable[i][j];
}

float ScreenDistance(const float a[3], const float b[3]) {
    const float dx = b[0] - a[0], dy = b[1] - a[1];
    return std::sqrt(dx * dx + dy * dy);
}

void Mix(const float a[3], const float b[3], float wa, float out[3]) {
    for (int k = 0; k < 3; ++k) out[k] = wa * a[k] + (1.0f - wa) * b[k];
}

}  // namespace

void CurvedPatch::Build(const __Point3ds& a, const __Point3ds& b, const __Point3ds& c) {
    const __Point3ds* corner[3] = {&a, &b, &c};
    float pos[3][3], nrm[3][3];
    for (int v = 0; v < 3; ++v) {
        pos[v][0] = corner[v]->x, pos[v][1] = corner[v]->y, pos[v][2] = corner[v]->z;
        nrm[v][0] = corner[v]->nx, nrm[v][1] = corner[v]->ny, nrm[v][2] = corner[v]->nz;
        for (int k = 0; k < 3; ++k) p[v][k] = pos[v][k], n[v][k] = nrm[v][k];
    }
    // Edge control points: (near corner, far corner, control point number).
    static const int kEdge[6][3] = {{0, 1, 3}, {1, 0, 4}, {1, 2, 5}, {2, 1, 6}, {2, 0, 7}, {0, 2, 8}};
    float centre[3] = {0, 0, 0}, lift = 0.0f;
    float meanNormal[3] = {0, 0, 0};
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k) meanNormal[k] += nrm[v][k] / 3.0f;
    const float meanLen = std::sqrt(meanNormal[0] * meanNormal[0] + meanNormal[1] * meanNormal[1] +
                                    meanNormal[2] * meanNormal[2]);
    for (const auto& e : kEdge) {
        const int near = e[0], far = e[1], cp = e[2];
        float flat[3];
        Mix(pos[near], pos[far], 0.6666666f, flat);
        ProjectOntoTangentPlane(flat, pos[near], nrm[near], p[cp]);
        for (int k = 0; k < 3; ++k) {
            centre[k] += p[cp][k] / 6.0f;
            // The edge normal: the near corner's normal and the edge's mid normal.
            n[cp][k] = (nrm[near][k] + (nrm[near][k] + nrm[far][k]) * 0.5f) * 0.5f;
        }
        if (meanLen > 0.0f)
            for (int k = 0; k < 3; ++k) lift += (p[cp][k] - flat[k]) * meanNormal[k] / meanLen / 6.0f;
    }
    // The centre rises along the mean normal as far as the edges did.
    for (int k = 0; k < 3; ++k) {
        p[9][k] = centre[k] + (meanLen > 0.0f ? meanNormal[k] / meanLen * lift : 0.0f);
        n[9][k] = meanNormal[k];
    }

    hasTexCoords = a.hasTexCoords && b.hasTexCoords && c.hasTexCoords;
    if (hasTexCoords) {
        const float cuv[3][2] = {{a.u, a.v}, {b.u, b.v}, {c.u, c.v}};
        for (int v = 0; v < 3; ++v) uv[v][0] = cuv[v][0], uv[v][1] = cuv[v][1];
        for (const auto& e : kEdge)
            for (int k = 0; k < 2; ++k) uv[e[2]][k] = cuv[e[0]][k] * (2.0f / 3.0f) + cuv[e[1]][k] / 3.0f;
        for (int k = 0; k < 2; ++k) uv[9][k] = (cuv[0][k] + cuv[1][k] + cuv[2][k]) / 3.0f;
    }

    // On the screen the patch moves at most 3 times its longest control leg
    // per unit of s or t.
    lengthS = lengthT = 0.0f;
    for (int i = 0; i <= 2; ++i)
        for (int j = 0; i + j <= 2; ++j) {
            const int k = 2 - i - j;
            const float* base = p[Index(i, j, k + 1)];
            const float* s = p[Index(i + 1, j, k)];
            const float* t = p[Index(i, j + 1, k)];
            lengthS = std::max(lengthS, 3.0f * ScreenDistance(base, s));
            lengthT = std::max(lengthT, 3.0f * ScreenDistance(base, t));
        }
}

void CurvedPatch::Evaluate(float s, float t, float pos[3], float normal[3], float texCoords[2]) const {
    const float r = 1.0f - s - t;
    const float w[10] = {s * s * s,         t * t * t,         r * r * r,         3 * s * s * t,     3 * s * t * t,
                         3 * t * t * r,     3 * t * r * r,     3 * s * r * r,     3 * s * s * r,     6 * s * t * r};
    for (int k = 0; k < 3; ++k) {
        float pk = 0.0f, nk = 0.0f;
        for (int i = 0; i < 10; ++i) pk += w[i] * p[i][k], nk += w[i] * n[i][k];
        pos[k] = pk;
        normal[k] = nk;
    }
    if (hasTexCoords && texCoords != nullptr)
        for (int k = 0; k < 2; ++k) {
            float uk = 0.0f;
            for (int i = 0; i < 10; ++i) uk += w[i] * uv[i][k];
            texCoords[k] = uk;
        }
}

void CurvedPatch::EvaluateD(double s, double t, double pos[3], double normal[3], double texCoords[2]) const {
    const double r = 1.0 - s - t;
    const double w[10] = {s * s * s,     t * t * t,     r * r * r,     3 * s * s * t, 3 * s * t * t,
                          3 * t * t * r, 3 * t * r * r, 3 * s * r * r, 3 * s * s * r, 6 * s * t * r};
    for (int k = 0; k < 3; ++k) {
        double pk = 0.0, nk = 0.0;
        for (int i = 0; i < 10; ++i) pk += w[i] * p[i][k], nk += w[i] * n[i][k];
        pos[k] = pk;
        normal[k] = nk;
    }
    if (hasTexCoords && texCoords != nullptr)
        for (int k = 0; k < 2; ++k) {
            double uk = 0.0;
            for (int i = 0; i < 10; ++i) uk += w[i] * uv[i][k];
            texCoords[k] = uk;
        }
}

bool CurvedPatch::Hull(double& x0, double& y0, double& x1, double& y1) const {
    x0 = y0 = 1e300, x1 = y1 = -1e300;
    for (const auto& q : p) {
        if (!IsFinite3(q[0], q[1], q[2])) return false;
        x0 = std::min<double>(x0, q[0]), x1 = std::max<double>(x1, q[0]);
        y0 = std::min<double>(y0, q[1]), y1 = std::max<double>(y1, q[1]);
    }
    return true;
}
