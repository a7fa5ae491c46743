#include "Matrix.h"

#include <cmath>

namespace {

template <int N, typename M>
void Elementwise(M& out, const M& a, const M& b, float sign) {
    for (int i = 0; i < N * N; ++i) out.m[i] = a.m[i] + sign * b.m[i];
}

template <int N, typename M>
void Product(M& out, const M& a, const M& b) {
    M r;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            float s = 0.0f;
            for (int k = 0; k < N; ++k) s += a.m[N * i + k] * b.m[N * k + j];
            r.m[N * i + j] = s;
        }
    out = r;  // out may alias a or b
}

template <int N, typename M>
void Scaled(M& out, const M& a, float k) {
    for (int i = 0; i < N * N; ++i) out.m[i] = k * a.m[i];
}

template <int N, typename M>
void Transposed(M& a) {
    for (int r = 0; r < N; ++r)
        for (int c = r + 1; c < N; ++c) {
            const float t = a.m[N * r + c];
            a.m[N * r + c] = a.m[N * c + r];
            a.m[N * c + r] = t;
        }
}

}  // namespace

// ---- Matrix4

void Matrix4::SetDiagonal(Matrix4& out, float k) {
    for (float& e : out.m) e = 0.0f;
    out.m[0] = out.m[5] = out.m[10] = k;
    out.m[15] = 1.0f;
}
void Matrix4::Multiply(Matrix4& out, const Matrix4& a, const Matrix4& b) { Product<4>(out, a, b); }
void Matrix4::MulScalar(Matrix4& out, const Matrix4& a, float k) { Scaled<4>(out, a, k); }
void Matrix4::ScalarMul(Matrix4& out, float k, const Matrix4& a) { Scaled<4>(out, a, k); }

void Matrix4::TransformPoint(float out[3], const Matrix4& a, const float p[3]) {
    const float* m = a.m;
    float r[3];
    for (int i = 0; i < 3; ++i) r[i] = m[4 * i] * p[0] + m[4 * i + 1] * p[1] + m[4 * i + 2] * p[2] + m[4 * i + 3];
    const float w = m[12] * p[0] + m[13] * p[1] + m[14] * p[2] + m[15];
    for (int i = 0; i < 3; ++i) out[i] = w != 1.0f ? r[i] / w : r[i];
}

void Matrix4::Difference(Matrix4& out, const Matrix4& a, const Matrix4& b) { Elementwise<4>(out, a, b, -1.0f); }
void Matrix4::Sum(Matrix4& out, const Matrix4& a, const Matrix4& b) { Elementwise<4>(out, a, b, 1.0f); }
void Matrix4::MultiplyBy(Matrix4& a, const Matrix4& b) { Product<4>(a, Matrix4(a), b); }
void Matrix4::Scale(Matrix4& a, float k) { Scaled<4>(a, a, k); }
void Matrix4::Add(Matrix4& a, const Matrix4& b) { Elementwise<4>(a, a, b, 1.0f); }
void Matrix4::Subtract(Matrix4& a, const Matrix4& b) { Elementwise<4>(a, a, b, -1.0f); }

bool Matrix4::Invert(Matrix4& a) {
    Matrix4 m = a, r;
    SetDiagonal(r, 1.0f);
    for (int i = 0; i < 4; ++i) {
        const float pivot = m.m[5 * i];
        if (pivot == 0.0f) return false;
        if (pivot != 1.0f) {
            for (int c = 0; c < 4; ++c) {
                m.m[4 * i + c] /= pivot;
                r.m[4 * i + c] /= pivot;
            }
        }
        for (int row = 0; row < 4; ++row) {
            const float f = m.m[4 * row + i];
            if (row == i || f == 0.0f) continue;
            for (int c = 0; c < 4; ++c) {
                m.m[4 * row + c] -= f * m.m[4 * i + c];
                r.m[4 * row + c] -= f * r.m[4 * i + c];
            }
        }
    }
    a = r;
    return true;
}

void Matrix4::MirrorX(Matrix4& out) { SetDiagonal(out, 1.0f), out.m[0] = -1.0f; }
void Matrix4::MirrorY(Matrix4& out) { SetDiagonal(out, 1.0f), out.m[5] = -1.0f; }
void Matrix4::MirrorZ(Matrix4& out) { SetDiagonal(out, 1.0f), out.m[10] = -1.0f; }

void Matrix4::RotateX(Matrix4& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[5] = c, out.m[6] = -s, out.m[9] = s, out.m[10] = c;
}
void Matrix4::RotateY(Matrix4& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[0] = c, out.m[2] = -s, out.m[8] = s, out.m[10] = c;
}
void Matrix4::RotateZ(Matrix4& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[0] = c, out.m[1] = -s, out.m[4] = s, out.m[5] = c;
}

void Matrix4::RotateAxis(Matrix4& out, const float u[3], float angle) {
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    float* m = out.m;
    m[0] = (1.0f - u[0] * u[0]) * c + u[0] * u[0];
    m[5] = (1.0f - u[1] * u[1]) * c + u[1] * u[1];
    m[10] = (1.0f - u[2] * u[2]) * c + u[2] * u[2];
    m[1] = u[0] * u[1] * t - s * u[2];
    m[4] = u[0] * u[1] * t + s * u[2];
    m[2] = u[2] * u[0] * t + s * u[1];
    m[8] = u[2] * u[0] * t - s * u[1];
    m[6] = u[2] * u[1] * t - s * u[0];
    m[9] = u[2] * u[1] * t + s * u[0];
    m[3] = m[7] = m[11] = m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

void Matrix4::SetScale(Matrix4& out, const float s[3]) {
    SetDiagonal(out, 1.0f);
    out.m[0] = s[0], out.m[5] = s[1], out.m[10] = s[2];
}
void Matrix4::SetTranslation(Matrix4& out, const float t[3]) {
    SetDiagonal(out, 1.0f);
    out.m[3] = t[0], out.m[7] = t[1], out.m[11] = t[2];
}
void Matrix4::Transpose(Matrix4& a) { Transposed<4>(a); }

// ---- Matrix3

void Matrix3::SetDiagonal(Matrix3& out, float k) {
    for (float& e : out.m) e = 0.0f;
    out.m[0] = out.m[4] = out.m[8] = k;
}
void Matrix3::Copy(Matrix3& dst, const Matrix3& src) { dst = src; }
void Matrix3::Multiply(Matrix3& out, const Matrix3& a, const Matrix3& b) { Product<3>(out, a, b); }
void Matrix3::MulScalar(Matrix3& out, const Matrix3& a, float k) { Scaled<3>(out, a, k); }
void Matrix3::ScalarMul(Matrix3& out, float k, const Matrix3& a) { Scaled<3>(out, a, k); }

void Matrix3::TransformVector(float out[3], const Matrix3& a, const float v[3]) {
    float r[3];
    for (int i = 0; i < 3; ++i) r[i] = a.m[3 * i] * v[0] + a.m[3 * i + 1] * v[1] + a.m[3 * i + 2] * v[2];
    for (int i = 0; i < 3; ++i) out[i] = r[i];
}

void Matrix3::Difference(Matrix3& out, const Matrix3& a, const Matrix3& b) { Elementwise<3>(out, a, b, -1.0f); }
void Matrix3::Sum(Matrix3& out, const Matrix3& a, const Matrix3& b) { Elementwise<3>(out, a, b, 1.0f); }
void Matrix3::MultiplyBy(Matrix3& a, const Matrix3& b) { Product<3>(a, Matrix3(a), b); }
void Matrix3::Scale(Matrix3& a, float k) { Scaled<3>(a, a, k); }
void Matrix3::Divide(Matrix3& a, float k) {
    for (float& e : a.m) e /= k;
}
void Matrix3::Add(Matrix3& a, const Matrix3& b) { Elementwise<3>(a, a, b, 1.0f); }
void Matrix3::Subtract(Matrix3& a, const Matrix3& b) { Elementwise<3>(a, a, b, -1.0f); }

bool Matrix3::Invert(Matrix3& a) {
    const float det = Determinant(a);
    if (det == 0.0f) return false;
    const float* m = a.m;
    const float adj[9] = {
        m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
        m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
        m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3],
    };
    for (int i = 0; i < 9; ++i) a.m[i] = adj[i] / det;
    return true;
}

void Matrix3::MirrorX(Matrix3& out) { SetDiagonal(out, 1.0f), out.m[0] = -1.0f; }
void Matrix3::MirrorY(Matrix3& out) { SetDiagonal(out, 1.0f), out.m[4] = -1.0f; }
void Matrix3::MirrorZ(Matrix3& out) { SetDiagonal(out, 1.0f), out.m[8] = -1.0f; }

void Matrix3::RotateX(Matrix3& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[4] = c, out.m[5] = s, out.m[7] = -s, out.m[8] = c;
}
void Matrix3::RotateY(Matrix3& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[0] = c, out.m[2] = -s, out.m[6] = s, out.m[8] = c;
}
void Matrix3::RotateZ(Matrix3& out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    SetDiagonal(out, 1.0f);
    out.m[0] = c, out.m[1] = s, out.m[3] = -s, out.m[4] = c;
}

void Matrix3::RotateAxis(Matrix3& out, const float u[3], float angle) {
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    float* m = out.m;
    m[0] = (1.0f - u[0] * u[0]) * c + u[0] * u[0];
    m[4] = (1.0f - u[1] * u[1]) * c + u[1] * u[1];
    m[8] = (1.0f - u[2] * u[2]) * c + u[2] * u[2];
    m[1] = u[0] * u[1] * t + u[2] * s;
    m[3] = u[0] * u[1] * t - u[2] * s;
    m[2] = u[0] * u[2] * t - u[1] * s;
    m[6] = u[0] * u[2] * t + u[1] * s;
    m[5] = u[1] * u[2] * t + u[0] * s;
    m[7] = u[1] * u[2] * t - u[0] * s;
}

void Matrix3::SetScale(Matrix3& out, const float s[3]) {
    SetDiagonal(out, 1.0f);
    out.m[0] = s[0], out.m[4] = s[1], out.m[8] = s[2];
}
void Matrix3::Transpose(Matrix3& a) { Transposed<3>(a); }
