#pragma once
// Least-squares polynomial fit with its fit quality, solved by Gauss-Jordan
// elimination with full pivoting. Used by the cell outline measurements.
#include <span>
#include <vector>

namespace vembrel {

using Matrix = std::vector<std::vector<double>>;

/// Fits C[0] + C[1] x + ... + C[NTerms-1] x^(NTerms-1) to the first NPoints
/// points and sets R to the square root of the coefficient of determination.
/// Throws MathError ("PolyFit called with less than one term", "... less than
/// two points", or a singular-matrix message); C and R are then untouched.
void FitPolynomial(std::span<const double> X, std::span<const double> Y, std::span<double> C,
                   double& R, int NPoints, int NTerms);

/// Solves A C = B (N x N) with full pivoting; A is replaced by its inverse.
/// Throws MathError "Error in GaussJordan: matrix is singular" or
/// "Error in GaussJordan2: matrix is singular".
void SolveLinearSystem(Matrix& A, std::span<const double> B, std::span<double> C, int N);

}  // namespace vembrel
