// The measured spectrum of a fit: read from a file by the program's spectrum reader, the checks
// that make a fit meaningful, the weights of its points and an estimate of its noise.
#pragma once

#include <string>
#include <vector>

#include "experiment/spectrum_formats.h"

namespace velmora::fit {

/// A measured spectrum: x in the axis unit of the fit, y in the file's own units, and the
/// standard uncertainty of each y when they were asked for. Points are in increasing x.
struct MeasuredSpectrum {
    std::string source;  ///< the file, or what the points came from, for messages
    std::vector<double> x, y;
    std::vector<double> sigma;  ///< empty, or one standard uncertainty per point
    std::string notice;         ///< what the reader said of the file (layout, decimal commas), or ""
};

/// How the points are weighted: equally, by 1/σ² with σ from a column of the file named for it
/// (or given with the points), or by 1/σ² with one σ estimated from the point-to-point scatter
/// of the spectrum.
enum class Weighting { Uniform = 0, FileColumn = 1, NoiseEstimate = 2 };

/// Reads a spectrum file with the program's spectrum reader (experiment::ReadSpectrumPoints: every
/// layout, decimal commas, the unit the file declares or `how.xUnit` names, the intensity column)
/// and converts x in double precision to the axis unit `how.axisUnits`. The uncertainties come
/// from column `how.sigmaColumn` when it names one, never otherwise. Throws FileError naming the
/// file (and line) of what cannot be read, FitInputError for points a fit cannot use (as
/// CheckMeasuredSpectrum).
MeasuredSpectrum ReadMeasuredSpectrum(const std::string& path, const experiment::SpectrumReading& how);

/// Sorts the points by x and checks them: x, y (and σ) of equal count, every value finite, σ
/// above 0, y not all equal. Throws FitInputError naming the point and the problem.
void CheckMeasuredSpectrum(MeasuredSpectrum& s);

/// Standard deviation of the noise of equally spaced points from their scatter about the
/// neighbours two points away (after DER_SNR, Stoehr et al. 2008): the lower quartile of
/// |2 y(i) − y(i−2) − y(i+2)| divided by √6 Φ⁻¹(5/8), which lines covering up to three
/// quarters of the points barely affect. 0 for fewer than 5 points.
double EstimateNoise(const std::vector<double>& y);

}  // namespace velmora::fit
