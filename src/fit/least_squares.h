// The bounded non-linear least-squares solve under every fit: Levenberg-Marquardt with a dense QR
// of the Jacobian (Ceres Solver), steps cut back onto the bounds. Its only implementation,
// least_squares.cpp, is the one file that sees the solver, so a program can also take it from a
// module opened at its first fit (velmora-cli does: the solver's libraries then cost nothing to
// commands that never fit).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora::fit {

/// Residuals r(z) of `parameters` unknowns z within [lower, upper] (±infinity where unbounded).
struct BoundedProblem {
    int residuals = 0;
    int parameters = 0;
    std::vector<double> lower, upper;
    /// r(z) into residuals and, when jacobian is not null, dr/dz row-major (residuals ×
    /// parameters); false when the model cannot be evaluated at z.
    std::function<bool(const double* z, double* residuals, double* jacobian)> evaluate;
    /// Called after each iteration with its number; false stops the solve (a user failure).
    std::function<bool(int iteration)> proceed;
    int maxIterations = 100;
};

enum class SolveEnd { Converged, NoConvergence, Stopped, Failed };

struct SolveSummary {
    SolveEnd end = SolveEnd::Failed;
    std::string message;  ///< the solver's words on how it ended
    int iterations = 0;   ///< steps tried, taken or not
};

/// Minimises ½|r(z)|² from z (size problem.parameters) in place.
SolveSummary SolveBounded(const BoundedProblem& problem, double* z);

/// The name of the module's entry point, a function of no arguments returning SolveBounded.
inline constexpr const char* kSolverModuleEntry = "velmora_solve_bounded";

}  // namespace velmora::fit
