#include "fit/least_squares.h"

#include <ceres/ceres.h>

namespace velmora::fit {

namespace {

class Cost final : public ceres::CostFunction {
public:
    explicit Cost(const BoundedProblem& p) : problem_(p) {
        set_num_residuals(p.residuals);
        mutable_parameter_block_sizes()->push_back(p.parameters);
    }
    bool Evaluate(double const* const* z, double* residuals, double** jacobians) const override {
        return problem_.evaluate(z[0], residuals, jacobians ? jacobians[0] : nullptr);
    }

private:
    const BoundedProblem& problem_;
};

class Monitor final : public ceres::IterationCallback {
public:
    explicit Monitor(const BoundedProblem& p) : problem_(p) {}
    ceres::CallbackReturnType operator()(const ceres::IterationSummary& s) override {
        if (problem_.proceed && !problem_.proceed(s.iteration)) return ceres::SOLVER_ABORT;
        return ceres::SOLVER_CONTINUE;
    }

private:
    const BoundedProblem& problem_;
};

}  // namespace

SolveSummary SolveBounded(const BoundedProblem& p, double* z) {
    Cost cost(p);
    ceres::Problem::Options problemOptions;
    problemOptions.cost_function_ownership = ceres::DO_NOT_TAKE_OWNERSHIP;
    ceres::Problem problem(problemOptions);
    problem.AddResidualBlock(&cost, nullptr, z);
    for (int j = 0; j < p.parameters; ++j) {
        if (std::isfinite(p.lower[static_cast<std::size_t>(j)]))
            problem.SetParameterLowerBound(z, j, p.lower[static_cast<std::size_t>(j)]);
        if (std::isfinite(p.upper[static_cast<std::size_t>(j)]))
            problem.SetParameterUpperBound(z, j, p.upper[static_cast<std::size_t>(j)]);
    }
    Monitor monitor(p);
    ceres::Solver::Options solver;
    solver.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    solver.linear_solver_type = ceres::DENSE_QR;
    solver.max_num_iterations = p.maxIterations;
    // A relative change of chi-square below 1E-6 moves every parameter by a small fraction of its
    // uncertainty (Δχ² ≪ 1) and lies near what the single-precision spectra resolve.
    solver.function_tolerance = 1e-6;
    solver.gradient_tolerance = 1e-10;
    solver.parameter_tolerance = 1e-8;
    // A step that crosses a bound is cut back onto it, without a line search along it (each of
    // its evaluations is a new spectrum).
    solver.max_num_line_search_step_size_iterations = 0;
    solver.logging_type = ceres::SILENT;
    solver.num_threads = 1;
    solver.callbacks.push_back(&monitor);
    ceres::Solver::Summary summary;
    ceres::Solve(solver, &problem, &summary);
    SolveSummary out;
    out.message = summary.message;
    out.iterations = summary.num_successful_steps + summary.num_unsuccessful_steps;
    switch (summary.termination_type) {
        case ceres::CONVERGENCE:
            out.end = SolveEnd::Converged;
            break;
        case ceres::NO_CONVERGENCE:
            out.end = SolveEnd::NoConvergence;
            break;
        case ceres::USER_FAILURE:
            out.end = SolveEnd::Stopped;
            break;
        default:
            out.end = SolveEnd::Failed;
    }
    return out;
}

}  // namespace velmora::fit

#ifdef VELMORA_SOLVER_MODULE
extern "C" __attribute__((visibility("default"))) void* velmora_solve_bounded() {
    return reinterpret_cast<void*>(&velmora::fit::SolveBounded);
}
#endif
