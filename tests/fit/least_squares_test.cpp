// The bounded least-squares solve, linked and from the module velmora-cli opens: both reach the
// closed-form minimum of a straight-line fit and of an exponential decay, a bound holds where the
// free minimum lies beyond it, and the two give the same bits.
#include "fit/least_squares.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

namespace velmora::fit {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
using Solve = SolveSummary (*)(const BoundedProblem&, double*);

/// The module built beside the programs.
Solve ModuleSolve() {
    const std::string path = (std::filesystem::path(VELMORA_DATA_DIR).parent_path() / "libvelmora-solver.so").string();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    auto* entry = reinterpret_cast<void* (*)()>(dlsym(handle, kSolverModuleEntry));
    return entry ? reinterpret_cast<Solve>(entry()) : nullptr;
}

/// y = a + b x at x = 0..9 with y = 1 + 2x + (−1)^i/10: the normal equations give the minimum.
BoundedProblem Line(double upperB) {
    BoundedProblem p;
    p.residuals = 10, p.parameters = 2;
    p.lower = {-kInf, -kInf}, p.upper = {kInf, upperB};
    p.evaluate = [](const double* z, double* r, double* J) {
        for (int i = 0; i < 10; ++i) {
            r[i] = z[0] + z[1] * i - (1.0 + 2.0 * i + (i % 2 ? -0.1 : 0.1));
            if (J) J[2 * i] = 1.0, J[2 * i + 1] = i;
        }
        return true;
    };
    return p;
}

/// y = A exp(−k t) sampled exactly at t = 0, 0.5, ..., 5: the minimum is A = 3, k = 0.7.
BoundedProblem Decay() {
    BoundedProblem p;
    p.residuals = 11, p.parameters = 2;
    p.lower = {0.0, 0.0}, p.upper = {kInf, kInf};
    p.evaluate = [](const double* z, double* r, double* J) {
        for (int i = 0; i < 11; ++i) {
            const double t = 0.5 * i, e = std::exp(-z[1] * t);
            r[i] = z[0] * e - 3.0 * std::exp(-0.7 * t);
            if (J) J[2 * i] = e, J[2 * i + 1] = -z[0] * t * e;
        }
        return true;
    };
    return p;
}

/// ½|r(z)|².
double Cost(const BoundedProblem& p, const double* z) {
    std::vector<double> r(static_cast<std::size_t>(p.residuals));
    p.evaluate(z, r.data(), nullptr);
    double sum = 0.0;
    for (double v : r) sum += v * v;
    return 0.5 * sum;
}

}  // namespace

TEST(LeastSquares, LinkedAndModuleSolvesReachTheClosedFormMinimaAndAgreeBitForBit) {
    // Least squares of the line: x̄ = 4.5, Σ(x−x̄)² = 82.5, Σ(x−x̄)(±0.1) = −0.5, so
    // b = 2 − 0.5/82.5 and a = ȳ − b x̄ (ȳ = 10); with b held at 1.9 by its bound, a = ȳ − 1.9 x̄.
    const double b = 2.0 - 0.5 / 82.5;
    struct Case {
        const char* name;
        BoundedProblem problem;
        double a, second;
    } cases[] = {
        {"line", Line(kInf), 10.0 - b * 4.5, b},
        {"line, slope bounded", Line(1.9), 10.0 - 1.9 * 4.5, 1.9},
        {"decay", Decay(), 3.0, 0.7},
    };
    const Solve module = ModuleSolve();
    ASSERT_NE(module, nullptr) << "libvelmora-solver.so beside the programs";
    for (const Case& c : cases) {
        double linked[2] = {0.5, 0.1}, opened[2] = {0.5, 0.1};
        const SolveSummary s = SolveBounded(c.problem, linked);
        const SolveSummary m = module(c.problem, opened);
        EXPECT_EQ(s.end, SolveEnd::Converged) << c.name << ": " << s.message;
        const double best[2] = {c.a, c.second};
        if (std::isfinite(c.problem.upper[1])) {
            // A step across the bound is cut back onto it without a line search, so along the
            // bound the solve creeps: it holds the bound and ends within a few % of the cost.
            EXPECT_EQ(linked[1], c.problem.upper[1]) << c.name;
            EXPECT_LE(Cost(c.problem, linked), Cost(c.problem, best) * 1.05) << c.name;
        } else {
            // It stops on a relative change of ½|r|² below 1E-6: that close to the minimum's.
            EXPECT_LE(Cost(c.problem, linked), Cost(c.problem, best) * (1.0 + 1e-5) + 1e-12) << c.name;
            EXPECT_NEAR(linked[0], c.a, 1e-6) << c.name;
            EXPECT_NEAR(linked[1], c.second, 1e-6) << c.name;
        }
        EXPECT_EQ(m.end, s.end) << c.name;
        EXPECT_EQ(m.iterations, s.iterations) << c.name;
        EXPECT_EQ(std::memcmp(linked, opened, sizeof linked), 0) << c.name;
    }
}

TEST(LeastSquares, AStopOrAnUnevaluableStartEndsTheSolveWithoutConvergence) {
    BoundedProblem stop = Decay();
    stop.proceed = [](int) { return false; };
    BoundedProblem broken = Decay();
    broken.evaluate = [](const double*, double*, double*) { return false; };
    double z[2] = {0.5, 0.1};
    EXPECT_EQ(SolveBounded(stop, z).end, SolveEnd::Stopped);
    z[0] = 0.5, z[1] = 0.1;
    EXPECT_NE(SolveBounded(broken, z).end, SolveEnd::Converged);
}

}  // namespace velmora::fit
