// The measured spectrum of a fit: reading it from a text file with an optional third column of
// standard uncertainties, the checks that make a fit meaningful, the weights of its points and
// an estimate of its noise.
#pragma once

#include <string>
#include <vector>

namespace velmora::fit {

/// A measured spectrum: x in the axis unit of the fit, y in the file's own units, and the
/// standard uncertainty of each y when the file gives them. Points are in increasing x.
struct MeasuredSpectrum {
    std::string source;  ///< the file, or what the points came from, for messages
    std::vector<double> x, y;
    std::vector<double> sigma;  ///< empty, or one standard uncertainty per point
};

/// How the points are weighted: equally, by 1/σ² with σ from the third column, or by 1/σ² with
/// one σ estimated from the point-to-point scatter of the spectrum.
enum class Weighting { Uniform = 0, FileColumn = 1, NoiseEstimate = 2 };

/// Reads a spectrum file: per line x, y and optionally σ, separated by blanks, tabs, commas or
/// semicolons; lines beginning with #, %, ! or ; are comments and the first line may be a
/// heading of words. On a wavelength axis a file whose largest x is below 1000 is in nm and
/// its x are multiplied by 10 (Å). Throws FitInputError naming the file and line of a value
/// that is not a number or not finite, a missing column, an uncertainty that is not above 0, or
/// a file without points; FileError when the file cannot be read.
MeasuredSpectrum ReadMeasuredSpectrum(const std::string& path, bool wavelengthAxis);

/// Sorts the points by x and checks them: x, y (and σ) of equal count, every value finite, σ
/// above 0, y not all equal. Throws FitInputError naming the point and the problem.
void CheckMeasuredSpectrum(MeasuredSpectrum& s);

/// Standard deviation of the noise of equally spaced points from their scatter about the
/// neighbours two points away (after DER_SNR, Stoehr et al. 2008): the lower quartile of
/// |2 y(i) − y(i−2) − y(i+2)| divided by √6 Φ⁻¹(5/8), which lines covering up to three
/// quarters of the points barely affect. 0 for fewer than 5 points.
double EstimateNoise(const std::vector<double>& y);

}  // namespace velmora::fit
