// Uncertainties of a fit from the Jacobian at its minimum: the covariance (JᵀWJ)⁻¹ scaled by the
// reduced chi-square, the correlation matrix, and the parameters the data do not determine.
#pragma once

#include <string>
#include <vector>

namespace velmora::fit {

/// Covariance and what the data leave undetermined, for nf free parameters.
struct Covariance {
    std::vector<double>
        matrix;  ///< nf × nf, row-major, in the parameters' own units; NaN rows/columns when undetermined
    std::vector<int> undetermined;     ///< free-parameter positions the data do not determine
    std::vector<std::string> reasons;  ///< per undetermined one: the parameters it varies along with ("" when alone)
};

/// The directions along which the weighted Jacobian (n × nf, row-major, columns in the
/// parameters' own units) is flat: after scaling every column to unit length, a column of zeros
/// or a singular value below `tolerance` of the largest. For each such direction the parameter
/// that dominates it is undetermined; the covariance of the others is the inverse of their JᵀJ,
/// times `scale` (the reduced chi-square).
Covariance CovarianceFromJacobian(const std::vector<double>& jacobian, int n, int nf, double scale,
                                  const std::vector<std::string>& names, double tolerance = 1e-6);

/// Correlation matrix of a covariance (NaN where a variance is 0 or NaN).
std::vector<double> Correlation(const std::vector<double>& covariance, int nf);

}  // namespace velmora::fit
