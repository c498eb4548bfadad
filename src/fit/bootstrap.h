// The block bootstrap of a fit: new spectra made of the fitted model plus its own weighted
// residuals, resampled in contiguous blocks (circularly, each block starting at a random point)
// so that the correlation of neighbouring residuals survives, each fitted again from the result;
// the standard deviation of the values fitted is the bootstrap uncertainty (Künsch 1989; Politis
// & Romano 1992).
//
// The blocks are twice the residuals' correlation length long (at least the cube root of the
// number of points, at most a quarter of them). Resample b draws from its own generator, seeded
// by the seed and b alone, and the resamples are fitted on any number of threads: the result
// depends on the seed, never on the threads.
#pragma once

#include <cstdint>
#include <vector>

#include "fit/fit_spectrum.h"

namespace velmora::fit {

/// Block length (points) for n residuals of correlation length τ.
int BootstrapBlockLength(int n, double correlationLength);

/// The weighted residuals e (n values) resampled in circular blocks of `block` points by the
/// generator of (seed, resample).
std::vector<double> ResampleBlocks(const std::vector<double>& e, int block, std::uint64_t seed, int resample);

/// Fits `request.options.bootstrap` resamples of the result again (on `request.options.threads`
/// threads) and sets every free parameter's bootstrap uncertainty and the result's summary;
/// warns when resamples did not converge. Throws FitCancelled when cancelled.
void BootstrapUncertainties(const FitRequest& request, FitResult& result);

}  // namespace velmora::fit
