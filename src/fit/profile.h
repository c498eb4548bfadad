// Profile-χ² intervals: a parameter held at values stepped away from its fitted one, every other
// free parameter fitted again at each (starting from the neighbouring step), until χ² has risen
// by Δχ² = χ²_red · τ above its minimum (uncertainty_methods.h); the interval's ends are found by
// interpolating √(χ² − χ²_min), which is linear in the parameter where the model is. The two
// sides of every parameter are followed on their own threads.
#pragma once

#include "fit/fit_spectrum.h"

namespace velmora::fit {

/// The rise of χ² that ends a profile interval of the result.
double ProfileThreshold(const FitResult& r);

/// Sets the profile interval of every free parameter that a name of `request.options.profile`
/// selects ("t" selects t of every band system). Throws FitInputError for a name that selects no
/// free parameter, FitCancelled when cancelled.
void ProfileIntervals(const FitRequest& request, FitResult& result);

}  // namespace velmora::fit
