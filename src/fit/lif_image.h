// Planar LIF thermometry: images of the fluorescence excited on two or more lines of one band
// system turned into a temperature image. The signal of line k at a pixel,
//
//     S_k = A f_k(T),
//
// is the product of a scale A (the number density of the absorbers, the collection efficiency
// and the sheet's fluence) and the signal per molecule f_k at the temperature T: the LIF
// excitation spectrum at the laser position under the conditions (total × peak / 100, in the
// units of the line strengths and populations), so that the Boltzmann populations, line
// strengths, fluorescence yields with quenching and the saturation regime enter as they do in
// velmora-cli lif-lines, and every line within the laser's profile adds with its overlap. For an
// isolated line and a laser wider than the line, the ratio of two f_k is the ratio of the line
// signals lif-lines lists. f_k is tabulated over the temperature range uniformly in 1/T and
// interpolated by a cubic spline of ln f_k in 1/T (nearly linear for Boltzmann populations).
//
// Each image is background-subtracted and divided by its laser-sheet energy to the power the
// regime implies (1 linear, ½ partly saturated, 0 saturated); under the rate equations the
// energy enters f_k instead. At every pixel T and A minimise χ² = Σ_k ((S_k − A f_k(T))/σ_k)²
// (for two lines the ratio S_a/S_b fixes T exactly), started on the tabulated curve and refined
// by Gauss–Newton steps; their uncertainties follow from the pixel noise through the inverse of
// JᵀJ, J_k = (f_k, A f_k′)/σ_k. The noise of a pixel is σ_k² = σ_0,k² + g S_k, the read noise of
// its image (given, or estimated from the pixel-to-pixel scatter of the corrected image) and the
// shot noise of a gain g (counts per photoelectron).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "experiment/spectrum_frame.h"
#include "fit/fit_system.h"
#include "simulation/conditions.h"

namespace velmora::fit {

/// Why a pixel has no temperature.
enum class LifPixel : std::uint8_t {
    Valid = 0,
    BelowThreshold = 1,  ///< a line's signal below the threshold
    OutsideCurve = 2,    ///< the signals call for a temperature outside the tabulated range
    NotFinite = 3,       ///< a pixel value that is not a number
};

/// A LIF temperature image to compute.
struct LifImageRequest {
    FitSystem system;
    /// Regime, quenching, laser, broadening; the kind is taken as LIF excitation and the range
    /// set about the lines.
    simulation::SimulationConditions conditions;
    std::vector<double> lines;                           ///< laser positions (axis unit), one per image
    std::vector<experiment::SpectrumFrame> images;       ///< one per line, all of one size
    std::vector<experiment::SpectrumFrame> backgrounds;  ///< none, one for every image, or one per image
    std::vector<double> energies;                        ///< laser-sheet energy of each image (mJ); empty: equal
    /// A pixel is masked where a line's corrected signal is below this fraction of the 99.5th
    /// percentile of its image.
    double threshold = 0.05;
    std::vector<double> noise;  ///< read noise σ_0 of each image (counts); empty or 0: estimated
    double gain = 0.0;          ///< counts per photoelectron (shot noise); 0: none
    double t1 = 300.0, t2 = 3000.0;
    int steps = 120;  ///< temperatures of the tabulated curve
    int jobs = 0;     ///< threads; 0: one per core
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double percent)> progress;
};

/// One excitation line: the laser position, the strongest line it excites and its signal per
/// molecule at the tabulated temperatures.
struct LifImageLine {
    double laser = 0.0, position = 0.0;
    int vUp = 0, vLow = 0, branch = 0, N = 0;
    std::vector<double> signal;
};

/// The temperature image and what it was made from.
struct LifImageResult {
    int rows = 0, columns = 0;
    std::vector<double> x, y;  ///< column and row positions (the first image's calibration, else pixels)
    std::string xUnit, yUnit;
    std::vector<float> temperature, sigma, scale, scaleSigma;  ///< rows × columns; NaN where masked
    std::vector<LifPixel> mask;
    std::vector<double> temperatures;  ///< of the tabulated curve
    std::vector<LifImageLine> lines;
    std::vector<double> noise;  ///< the read noise used per image
    int valid = 0;              ///< pixels with a temperature
    std::vector<std::string> notes;
};

/// The signal per molecule of each laser position at temperatures `T`, with the energy of
/// each image for the rate equations. Throws FitInputError when a laser position excites no line.
std::vector<LifImageLine> LifLineSignals(const FitSystem& system, const simulation::SimulationConditions& conditions,
                                         const std::vector<double>& lasers, const std::vector<double>& energies,
                                         const std::vector<double>& T);

/// The standard deviation of the pixel noise of an image from the scatter of each pixel about
/// its neighbours in the row: the median of |2 I(c) − I(c−1) − I(c+1)| / (√6 × 0.6745).
double ImageNoise(const experiment::SpectrumFrame& image);

/// Writes one image of the result (temperature, uncertainty, scale ...) as matrix CSV, x of the
/// columns in the first row, y of the rows in the first column, masked pixels empty.
void WriteLifImageCsv(const std::string& path, const LifImageResult& r, const std::vector<float>& values);

/// Computes the temperature image. Throws FitInputError naming the image or line that cannot be
/// used, FitCancelled when cancelled.
LifImageResult LifTemperatureImage(const LifImageRequest& request);

}  // namespace velmora::fit
