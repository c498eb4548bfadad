// The ways a fit's uncertainties are estimated, and which of them a result quotes.
//
// - covariance: (JᵀWJ)⁻¹ at the minimum, scaled by the reduced chi-square; right when the
//   residuals are independent noise;
// - correlated residuals: the covariance σ times √τ, τ the residuals' correlation length in
//   points (diagnostics.h): the points count as n/τ independent ones;
// - block bootstrap (on request): the spread of the values fitted again to the model plus the
//   residuals resampled in contiguous blocks, which keeps their correlation;
// - profile χ² (on request, per parameter): the interval over which χ², minimised over every
//   other parameter, stays within Δχ² = χ²_red · τ of its minimum (the threshold that makes it
//   ±1σ of the correlated-residual uncertainty for a linear model), asymmetric where the model
//   is not linear.
//
// The headline uncertainty of a parameter is the largest of the covariance, the correlated-
// residual and the bootstrap σ, where one exceeds the covariance by more than 10 % (closer, the
// estimates only scatter about it): when the residuals are not independent noise the covariance
// alone overstates what the data know.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace velmora::fit {

/// Which estimate gave an uncertainty.
enum class UncertaintyMethod { Covariance = 0, CorrelatedResiduals = 1, Bootstrap = 2 };

/// Words for a method, as the reports name it.
const char* UncertaintyMethodName(UncertaintyMethod m);

/// Every estimate of one parameter's standard uncertainty (0 for a fixed parameter; NaN where
/// an estimate was not made or the data do not determine the parameter).
struct ParameterUncertainty {
    double covariance = 0.0;
    double correlated = 0.0;
    double bootstrap = std::numeric_limits<double>::quiet_NaN();
    /// The profile-χ² interval (lower and upper end); NaN when no profile was asked for.
    double profileLow = std::numeric_limits<double>::quiet_NaN();
    double profileHigh = std::numeric_limits<double>::quiet_NaN();
    bool profileAtBound = false;  ///< an end of the interval is a bound of the parameter
    UncertaintyMethod headline = UncertaintyMethod::Covariance;
};

/// How a block bootstrap went.
struct BootstrapSummary {
    int resamples = 0;    ///< asked for (0: no bootstrap)
    int converged = 0;    ///< fitted again without failure
    int blockLength = 0;  ///< points per resampled block
    std::uint64_t seed = 0;
};

/// The headline of a free parameter: the covariance, or the largest estimate beyond 1.1 times it.
void ChooseHeadline(ParameterUncertainty& u);

}  // namespace velmora::fit
