#include "fit/uncertainty_methods.h"

#include <cmath>

namespace velmora::fit {

const char* UncertaintyMethodName(UncertaintyMethod m) {
    switch (m) {
        case UncertaintyMethod::CorrelatedResiduals:
            return "correlated residuals";
        case UncertaintyMethod::Bootstrap:
            return "block bootstrap";
        default:
            return "covariance";
    }
}

void ChooseHeadline(ParameterUncertainty& u) {
    u.headline = UncertaintyMethod::Covariance;
    if (!std::isfinite(u.covariance)) return;
    // Estimates within 10 % of the covariance's tell nothing beyond it (the estimates themselves
    // scatter by some per cent): the covariance stays the headline unless one is clearly larger.
    constexpr double kClearlyLarger = 1.1;
    double largest = kClearlyLarger * u.covariance;
    if (std::isfinite(u.correlated) && u.correlated > largest)
        largest = u.correlated, u.headline = UncertaintyMethod::CorrelatedResiduals;
    if (std::isfinite(u.bootstrap) && u.bootstrap > largest) u.headline = UncertaintyMethod::Bootstrap;
}

}  // namespace velmora::fit
