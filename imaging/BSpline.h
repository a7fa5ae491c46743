// Cubic B-spline toolkit for grey float images: piecewise-cubic kernels with
// a tension a (a = 1 is the cubic B-spline, a = 0 the quadratic one), weight
// tables for the sub-positions of an integer enlargement, prefilters that
// turn samples into spline coefficients, and the reconstruction,
// enlargement and derivative passes.
//
// Images are row-major with no gap between rows: sample (x, y) at
// y * width + x. An enlarged image is width * fx by height * fy. Tension
// maps hold one tension per source sample; a null map means tension 1.
//
// Every pass returns false, touching nothing it was not already allowed to
// write, when its arguments cannot be served (null images, a factor out of
// range, a singular solve, no memory); images too small to hold a cell are
// served by writing nothing. Passes are re-entrant.
#pragma once

namespace frostel {

// Piece of knot k that position x falls in: -2, -1, 0 or 1 for
// x - k in [-2, -1), [-1, 0), [0, 1), [1, 2); -3 outside.
int BSplineInterval(int k, float x);

// Kernels at position x for knot k, 0 outside the four pieces.
float BSplineTensionTerm(int k, float x);          // P
float BSplineQuadratic(int k, float x);            // Q
float BSplineTension(int k, float x, float a);     // K_a, closed form
float BSplineTensionSum(int k, float x, float a);  // K_a as Q + a P
// Step kernels: the value or slope at the left end of the piece.
float BSplineTensionTermStep(int k, float x);
float BSplineTensionSlopeStep(int k, float x);
float BSplineQuadraticStep(int k, float x);
float BSplineQuadraticSlopeStep(int k, float x);
float BSplineCubicStep(int k, float x);
float BSplineCubicSlopeStep(int k, float x);

// Weight tables, owned by the caller and given back with ReleaseTable.
// A 4-entry table holds the weights of knots -1, 0, 1, 2 at position 0.
// A 4 x n table has four rows of n entries: row r for knot r - 1, entry i
// at position (i + 2) / n. Null when n < 1 or memory is short.
float* MakeQuadraticTable4();
float* MakeQuadraticTable(int n);
float* MakeQuadraticSlopeTable4();
float* MakeQuadraticSlopeTable(int n);
float* MakeTensionTermTable4();
float* MakeTensionTermTable(int n);
float* MakeTensionSlopeTable4();
float* MakeTensionSlopeTable(int n);
float* MakeTensionTable(int n, float a);
void ReleaseTable(float* table);

// a[i + j] + b[i + j].
float SumTableWeights(int i, int j, const float* a, const float* b);
// tension * b[i * n + j] + a[i * n + j]: K_a from a quadratic table a and a
// tension-term table b.
float TensionTableWeight(int i, int j, int n, const float* a, const float* b, float tension);

// Prefilters: spline coefficients c such that for every interior sample
// K(i - 1, i) c[i - 1] + K(i, i) c[i] + K(i + 1, i) c[i + 1] = s[i] along the
// rows and then the columns, the end coefficients held at 0. Writes
// destination columns 1 .. w - 2 of rows 0 .. h - 2 (row 0 as 0). Needs
// width and height of at least 2; false on a singular solve.
bool PrefilterBSpline(int width, int height, float* destination, const float* source);
// Tension of the row solve from rowTension(i, y), of the column solve from
// columnTension(x, j).
bool PrefilterBSplineMapped(int width, int height, float* destination, const float* source,
                            const float* rowTension, const float* columnTension);
// 8-bit samples; with plain non-zero only converts all bytes to floats.
bool PrefilterBSplineBytes(int width, int height, float* destination, const unsigned char* source,
                           float tension, int plain);

// Same-size cubic reconstruction at samples 2 .. w - 3, 2 .. h - 3.
bool ReconstructBSpline(int width, int height, float* spare, const float* source,
                        float* destination);

// Enlargements by integer factors fx, fy >= 1 (the spare image is never
// read). Mapped: kernel weights at the exact sub-positions, clamped to
// 0..255. Tables: weights from 4 x n tables, unclamped.
bool EnlargeBSplineMapped(int width, int height, int fx, int fy, float* spare, const float* source,
                          const float* tensionX, const float* tensionY, float* destination);
bool EnlargeBSplineTables(int width, int height, int fx, int fy, float* spare, const float* source,
                          const float* tensionX, const float* tensionY, float* destination);
// 8-bit results, clamped to 0..255 and truncated.
bool EnlargeBSplineToBytes(int width, int height, int fx, int fy, float* spare,
                           const float* source, float tension, unsigned char* destination);
// Rows 1..3 of a 4 x n table built for n = fx = fy weight three samples.
bool EnlargeBSplineBytes3x3(int width, int height, int fx, int fy, const unsigned char* source,
                            unsigned char* destination, const float* table);

// Derivative of the spline whose coefficients are the samples, enlarged in
// blocks: mode non-zero horizontal, 0 vertical.
bool SlopeBlocksBSpline(int width, int height, int fx, int fy, float* spare, const float* source,
                        const float* tensionX, const float* tensionY, float* destination, int mode);
// Backward differences: mode non-zero s(x, y) - s(x - 1, y), 0 along y.
bool DifferenceImage(int width, int height, int fx, int fy, float* spare, const float* source,
                     const float* tensionX, const float* tensionY, float* destination, int mode);
// Separable 4 x 4 stencil (1, 1, -5, 9) / 6 per axis at 2 .. w - 3, 2 .. h - 3.
bool ApplyFixedKernel4x4(int width, int height, int fx, int fy, float* spare, const float* source,
                         const float* tensionX, const float* tensionY, float* destination);

// The relief driver: the horizontal (mode 1) or vertical (any other mode)
// derivative of the cubic spline whose coefficients are the source samples,
// at samples 2 .. w - 3, 2 .. h - 3 of a same-size destination; the border
// two samples wide is not written. Only factors 1 are served; the spare
// image and the two maps are not read.
bool ResampleImageBSpline(int width, int height, int fx, int fy, float* spare, const float* source,
                          const float* tensionX, const float* tensionY, float* destination,
                          int mode);

}  // namespace frostel
