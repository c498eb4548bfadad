// Intensity calibration of experimental spectra: the spectrum divided by the spectral response
// of the instrument (detector efficiency times grating and optics transmission), read from a
// two-column file of wavelength and relative response and interpolated linearly.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "experiment/experiment_view.h"

namespace velmora::experiment {

/// A spectral response: wavelengths (Å; values below 1000 in the file are nm, as in spectrum
/// files) in increasing order and the relative response at each.
struct SpectralResponse {
    std::string file;
    std::vector<double> x, response;

    /// The response at x by linear interpolation; NaN outside the tabulated range.
    double At(double x) const;
};

/// Reads a response file (the layout of common/number_pairs.h). Throws FileError naming the file
/// (and line) for an unreadable file, fewer than two points, or repeated or unordered wavelengths.
SpectralResponse ReadResponseFile(const std::string& path);

/// Divides y(i), i = 0..n-1, by the response at x(i). Throws FileError naming the response file
/// and the wavelength of the first point outside its range or where it is 0 or below; y is
/// then unchanged.
void DivideByResponse(const SpectralResponse& r, const float* x, float* y, int n);

/// Makes the response of `path` the one applied to every spectrum read afterwards (and reads the
/// current spectrum again); an empty path removes it. Returns the problem ("" when read), which
/// the caller reports; on a problem no response is applied.
std::string LoadResponse(ExperimentView app, const std::string& path);

/// Applies the response in force to the raw spectrum just read and scales it to a maximum of
/// 100 again. Returns the problem ("" when applied or none is in force); the spectrum is then
/// left as read.
std::string ApplyResponse(ExperimentState& exp);

}  // namespace velmora::experiment
