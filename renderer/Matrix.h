// Small single-precision matrices of the renderer's toolkit, row-major.
// Matrix4 transforms column vectors: translation in column 3, the projective
// row is row 3. The Matrix3 rotations about x, z and an axis turn the other
// way from the Matrix4 ones; both share the rotation about y.
#pragma once

struct Matrix4 {
    float m[16];

    static void SetDiagonal(Matrix4& out, float k);  // elements 0, 5, 10 = k, element 15 = 1
    static void Multiply(Matrix4& out, const Matrix4& a, const Matrix4& b);
    static void MulScalar(Matrix4& out, const Matrix4& a, float k);
    static void ScalarMul(Matrix4& out, float k, const Matrix4& a);
    // out = M (x, y, z, 1), divided by w when w is not 1.
    static void TransformPoint(float out[3], const Matrix4& a, const float p[3]);
    static void Difference(Matrix4& out, const Matrix4& a, const Matrix4& b);
    static void Sum(Matrix4& out, const Matrix4& a, const Matrix4& b);
    static void MultiplyBy(Matrix4& a, const Matrix4& b);
    static void Scale(Matrix4& a, float k);
    static void Add(Matrix4& a, const Matrix4& b);
    static void Subtract(Matrix4& a, const Matrix4& b);
    // Gauss-Jordan without pivot search; false (a unchanged) when a pivot is 0.
    static bool Invert(Matrix4& a);
    static void MirrorX(Matrix4& out);
    static void MirrorY(Matrix4& out);
    static void MirrorZ(Matrix4& out);
    static void RotateX(Matrix4& out, float angle);
    static void RotateY(Matrix4& out, float angle);
    static void RotateZ(Matrix4& out, float angle);
    static void RotateAxis(Matrix4& out, const float unitAxis[3], float angle);
    static void SetScale(Matrix4& out, const float s[3]);
    static void SetTranslation(Matrix4& out, const float t[3]);
    static void Transpose(Matrix4& a);
};

struct Matrix3 {
    float m[9];

    static void SetDiagonal(Matrix3& out, float k);
    static void Copy(Matrix3& dst, const Matrix3& src);
    static void Multiply(Matrix3& out, const Matrix3& a, const Matrix3& b);
    static void MulScalar(Matrix3& out, const Matrix3& a, float k);
    static void ScalarMul(Matrix3& out, float k, const Matrix3& a);
    static void TransformVector(float out[3], const Matrix3& a, const float v[3]);
    static void Difference(Matrix3& out, const Matrix3& a, const Matrix3& b);
    static void Sum(Matrix3& out, const Matrix3& a, const Matrix3& b);
    static void MultiplyBy(Matrix3& a, const Matrix3& b);
    static void Scale(Matrix3& a, float k);
    static void Divide(Matrix3& a, float k);
    static void Add(Matrix3& a, const Matrix3& b);
    static void Subtract(Matrix3& a, const Matrix3& b);
    // Expansion along the first row; twice the signed area of a 2-D triangle
    // when the rows hold the corners' x values, y values and ones.
    static float Determinant(const Matrix3& a) {
        const float* m = a.m;
        return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
               m[2] * (m[3] * m[7] - m[4] * m[6]);
    }
    // By cofactors; false (a unchanged) when the determinant is exactly 0.
    static bool Invert(Matrix3& a);
    static void MirrorX(Matrix3& out);
    static void MirrorY(Matrix3& out);
    static void MirrorZ(Matrix3& out);
    static void RotateX(Matrix3& out, float angle);
    static void RotateY(Matrix3& out, float angle);
    static void RotateZ(Matrix3& out, float angle);
    static void RotateAxis(Matrix3& out, const float unitAxis[3], float angle);
    static void SetScale(Matrix3& out, const float s[3]);
    static void Transpose(Matrix3& a);
};
