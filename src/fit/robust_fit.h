// The fit as FitSpectrum runs it around its local fits (FitFromStart): the pre-scanned start and
// the user's start both fitted and the better kept, further starts spread over the temperature
// bounds on request, then the diagnostics and every uncertainty asked for. The pieces are here
// for the bootstrap, the profiles and the species search, which fit again near a result.
#pragma once

#include <vector>

#include "fit/fit_spectrum.h"

namespace velmora::fit {

/// The request of a local fit that starts at a result's values: the same systems, conditions,
/// points, exclusions and convention; the result's free parameters free within their bounds,
/// every value as its start, no pre-scan and nothing but the fit itself (no further starts,
/// bootstrap, profiles or components). Weights from a noise estimate become that σ per point, so
/// that every fit near the result weighs the points alike.
FitRequest RefitRequest(const FitRequest& request, const FitResult& at);

/// The standard uncertainty σ of each measured point of a result in its order (increasing x),
/// as the fit weighted it: from the file's column, the noise estimate, or 1 for uniform weights.
std::vector<double> PointSigmas(const FitRequest& request, const FitResult& r);

/// The free temperatures of a result (indices into its parameters).
std::vector<int> FreeTemperatures(const FitResult& r);

}  // namespace velmora::fit
