#include "imaging/polyfit.h"

#include <cmath>
#include <string>
#include <utility>

#include "core/error.h"

namespace vembrel {
namespace {

constexpr const char* kSingular = "Error in GaussJordan: matrix is singular";
constexpr const char* kSingular2 = "Error in GaussJordan2: matrix is singular";

struct Pivot {
  int row = -1;
  int column = -1;
};

// One elimination step: search the pivot, move it onto the diagonal,
// normalise its row and clear its column in every other row.
void EliminateColumn(Matrix& A, std::vector<double>& b, std::vector<int>& useCount,
                     std::vector<Pivot>& pivots, int step, int N) {
  double big = 0.0;
  Pivot pivot = step > 0 ? pivots[step - 1] : Pivot{};
  bool found = false;
  for (int r = 0; r < N; ++r) {
    if (useCount[r] == 0) continue;
    for (int c = 0; c < N; ++c) {
      if (useCount[c] > 0) throw MathError(kSingular2);
      if (useCount[c] < 0 && std::fabs(A[r][c]) > big) {
        big = std::fabs(A[r][c]);
        pivot = {r, c};
        found = true;
      }
    }
  }
  // Nothing to re-use before the first step: the matrix has no non-zero entry.
  if (!found && step == 0) throw MathError(kSingular2);

  const int c = pivot.column;
  ++useCount[c];
  pivots[step] = pivot;
  if (pivot.row != c) {
    std::swap(A[pivot.row], A[c]);
    std::swap(b[pivot.row], b[c]);
  }
  const double p = A[c][c];
  A[c][c] = 1.0;
  for (int j = 0; j < N; ++j) A[c][j] = A[c][j] / p;
  b[c] = b[c] / p;
  for (int l = 0; l < N; ++l) {
    if (l == c) continue;
    const double f = A[l][c];
    A[l][c] = 0.0;
    for (int j = 0; j < N; ++j) A[l][j] = A[l][j] - A[c][j] * f;
    b[l] = b[l] - b[c] * f;
  }
}

}  // namespace

void SolveLinearSystem(Matrix& A, std::span<const double> B, std::span<double> C, int N) {
  if (N < 1 || static_cast<int>(A.size()) < N || static_cast<int>(B.size()) < N ||
      static_cast<int>(C.size()) < N) {
    throw MathError("SolveLinearSystem called with arrays smaller than " + std::to_string(N));
  }
  std::vector<double> b(B.begin(), B.begin() + N);
  std::vector<int> useCount(N, -1);
  std::vector<Pivot> pivots(N);
  for (int i = 0; i < N; ++i) EliminateColumn(A, b, useCount, pivots, i, N);
  for (int i = N - 1; i >= 0; --i) {
    const Pivot p = pivots[i];
    if (p.row == p.column) continue;
    for (int r = 0; r < N; ++r) std::swap(A[r][p.row], A[r][p.column]);
  }
  for (int i = 0; i < N; ++i) {
    if (useCount[i] != 0) throw MathError(kSingular);
  }
  for (int i = 0; i < N; ++i) C[i] = b[i];
}

void FitPolynomial(std::span<const double> X, std::span<const double> Y, std::span<double> C,
                   double& R, int NPoints, int NTerms) {
  if (NTerms < 1) throw MathError("PolyFit called with less than one term");
  if (NPoints < 2) throw MathError("PolyFit called with less than two points");
  if (static_cast<int>(X.size()) < NPoints || static_cast<int>(Y.size()) < NPoints ||
      static_cast<int>(C.size()) < NTerms) {
    throw MathError("PolyFit called with arrays smaller than its point or term count");
  }

  // Powers of each X, one row of NTerms per point.
  std::vector<double> powers(static_cast<std::size_t>(NPoints) * NTerms);
  const auto D = [&](int k) { return powers.data() + static_cast<std::size_t>(k) * NTerms; };
  for (int k = 0; k < NPoints; ++k) {
    D(k)[0] = 1.0;
    for (int j = 1; j < NTerms; ++j) D(k)[j] = D(k)[j - 1] * X[k];
  }

  // The sums run point by point side by side: each still adds its terms in
  // point order, and none waits on the one before.
  std::vector<double> sums(static_cast<std::size_t>(NTerms) * NTerms, 0.0);
  std::vector<double> B(NTerms, 0.0);
  for (int k = 0; k < NPoints; ++k) {
    const double* d = D(k);
    for (int i = 0; i < NTerms; ++i) {
      double* row = sums.data() + static_cast<std::size_t>(i) * NTerms;
      for (int j = 0; j <= i; ++j) row[j] = row[j] + d[j] * d[i];
      B[i] = B[i] + Y[k] * d[i];
    }
  }
  Matrix A(NTerms, std::vector<double>(NTerms));
  for (int i = 0; i < NTerms; ++i) {
    for (int j = 0; j <= i; ++j) A[i][j] = A[j][i] = sums[static_cast<std::size_t>(i) * NTerms + j];
  }

  std::vector<double> solution(NTerms);
  SolveLinearSystem(A, B, solution, NTerms);

  double sse = 0.0, sy = 0.0, syy = 0.0;
  for (int k = 0; k < NPoints; ++k) {
    double yfit = 0.0;
    for (int j = 0; j < NTerms; ++j) yfit = yfit + solution[j] * D(k)[j];
    const double residual = yfit - Y[k];
    sse = sse + residual * residual;
    sy = sy + Y[k];
    syy = syy + Y[k] * Y[k];
  }
  const double sst = syy - sy * sy / NPoints;
  const double q = sst != 0.0 ? sse / sst : 0.0;
  for (int j = 0; j < NTerms; ++j) C[j] = solution[j];
  R = q < 1.0 ? std::sqrt(1.0 - q) : 0.0;
}

}  // namespace vembrel
