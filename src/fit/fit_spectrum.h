// Fitting a measured spectrum with the simulation: a bounded Levenberg–Marquardt least-squares
// fit (Ceres Solver) of temperatures or vibrational populations, scales, baseline, axis
// calibration and instrument widths, after a coarse scan of the temperatures over their bounds
// so that a start far from the answer does not end in a wrong local minimum; the fit from the
// user's own start as well, the better kept, and on request from further starts. Uncertainties
// come from the covariance (JᵀWJ)⁻¹ scaled by the reduced chi-square, widened where the
// residuals are correlated, and on request from a block bootstrap and profile χ²
// (uncertainty_methods.h); the diagnostics say how well the model describes the data.
//
// FitSpectrum is reentrant: fits of different requests may run on different threads at once,
// sharing the FitSystems.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fit/components.h"
#include "fit/diagnostics.h"
#include "fit/fit_system.h"
#include "fit/measured_spectrum.h"
#include "fit/parameters.h"
#include "fit/uncertainty_methods.h"
#include "simulation/conditions.h"

namespace velmora::fit {

/// The most Levenberg–Marquardt iterations a fit may be given (each is a spectrum or more).
inline constexpr int kMaxIterations = 10000;
/// The most temperatures the start scan may try per free temperature.
inline constexpr int kMaxScanPoints = 1000;
/// The most points a fit or a Boltzmann plot takes (after the range and the excluded ranges):
/// its memory grows with the points times the free parameters.
inline constexpr int kMaxFitPoints = 2'000'000;

/// How a fit runs.
struct FitOptions {
    int maxIterations = 100;  ///< Levenberg–Marquardt iterations, 1..kMaxIterations
    int scanPoints = 12;      ///< temperatures tried per free temperature before the local fit, 0..kMaxScanPoints
    /// Grid points per FWHM of the fitted spectra (at least the conditions' point density).
    int pointsPerWidth = 14;
    /// Receives the progress in percent (scan, then iterations); called on the fitting thread.
    std::function<void(double percent)> progress;
    /// When set and true, the fit stops with FitCancelled at its next step.
    const std::atomic<bool>* cancel = nullptr;

    /// How finely the result splits its model into components.
    ComponentDetail components = ComponentDetail::Bands;
    /// Local fits from this many starts spread over the bounds of the free temperatures, besides
    /// the pre-scanned and the user's start (0: none).
    int starts = 0;
    /// Block-bootstrap resamples fitted again (0: no bootstrap).
    int bootstrap = 0;
    std::uint64_t seed = 1;  ///< of the bootstrap's resampling: the same seed, the same result
    /// Threads for the bootstrap, the starts and the profiles (0: every core); the results do not
    /// depend on it.
    int threads = 0;
    /// Parameters whose profile-χ² interval is wanted ("t", "tvib:2" ...).
    std::vector<std::string> profile;
};

/// Everything one fit needs.
struct FitRequest {
    std::vector<FitSystem> systems;  ///< one or more band systems, each with its own temperatures and scale
    /// Kind of spectrum, axis unit, broadening and fluorescence conditions. The temperature and
    /// the instrument function are the default start values of t and gauss/lorentz.
    simulation::SimulationConditions conditions;
    bool limitToRange = false;  ///< fit only the points within conditions.start..end
    MeasuredSpectrum spectrum;
    /// How FitFile and FitBatch read spectrum files into `spectrum` (the unit of x, the intensity
    /// column, the column of uncertainties); the axis unit is that of the conditions.
    experiment::SpectrumReading reading;
    Weighting weighting = Weighting::Uniform;
    std::vector<std::pair<double, double>> excluded;  ///< x ranges left out of the fit (inclusive)
    IntensityConvention convention = IntensityConvention::PhotonCounts;
    FitSettings settings;
    FitOptions options;
};

/// Where one local fit of a multi-start ended.
struct StartOutcome {
    std::vector<double> start;  ///< the free temperatures it started from
    std::vector<double> end;    ///< and where they ended (empty when it did not converge)
    double chiSquare = 0.0;
    bool converged = false;
    int minimum = -1;  ///< which of the distinct minima it reached (0 the lowest)
};

/// The outcome of a fit.
struct FitResult {
    std::vector<std::string> systems;   ///< labels of the band systems, in order
    std::vector<Parameter> parameters;  ///< every parameter at its fitted (free) or given (fixed) value
    std::vector<double>
        uncertainties;          ///< headline standard uncertainty per parameter; 0 when fixed, NaN when undetermined
    std::vector<bool> atBound;  ///< a free parameter ended on one of its bounds
    std::vector<int> freeParameters;  ///< indices of the free parameters, the order of the correlation matrix
    std::vector<double> correlation;  ///< free × free, row-major; NaN beside an undetermined parameter

    int points = 0;            ///< points fitted
    int degreesOfFreedom = 0;  ///< points − free parameters
    double chiSquare = 0.0;    ///< Σ ((y − model)/σ)²
    double reducedChiSquare = 0.0;
    int evaluations = 0;     ///< spectra simulated (scan, iterations and derivatives)
    int iterations = 0;      ///< Levenberg–Marquardt iterations
    std::string stopReason;  ///< why the solver stopped
    std::vector<std::string> warnings;
    bool undetermined = false;  ///< the data do not determine some free parameter (see warnings)

    IntensityConvention convention = IntensityConvention::PhotonCounts;
    Weighting weighting = Weighting::Uniform;
    double noiseSigma = 0.0;  ///< the σ of every point when the weights come from a noise estimate
    bool lifExcitation = false;
    /// The conditions the fit simulated under (the fitted values aside): the axis unit of the
    /// report, the kind, the instrument and broadening.
    simulation::SimulationConditions conditions;

    /// Every measured point (excluded ones too): x, y, the model, y − model, whether it was
    /// fitted, and each band system's share of the model.
    std::vector<double> x, y, model, residual;
    std::vector<char> fitted;
    std::vector<std::vector<double>> parts;
    /// The bands (and branches) of each system over every point, as `options.components` asked.
    std::vector<FitComponent> components;

    FitDiagnostics diagnostics;  ///< how well the model describes the fitted points
    /// Per parameter every estimate of its uncertainty; `uncertainties` holds the headline.
    std::vector<ParameterUncertainty> uncertaintyDetail;
    BootstrapSummary bootstrap;
    std::vector<StartOutcome> starts;  ///< the local fits from several starts, lowest chi-square first
    /// Notes that are no warnings: which start was kept, values held because they are not free.
    std::vector<std::string> notices;
    /// The values the local fit started from (after the pre-scan), and whether the pre-scan
    /// moved a temperature away from the user's start.
    std::vector<double> startValues;
    bool scanMovedStart = false;

    /// The parameter of a name as results write it; null when there is none.
    const Parameter* Find(const std::string& name) const;
    double Value(const std::string& name) const;
    double Uncertainty(const std::string& name) const;
};

/// Fits the spectrum of the request (robust_fit.cpp): the local fit from the pre-scanned start
/// and from the user's start, the better kept, and from `options.starts` more; then the
/// diagnostics, the uncertainties of every method asked for and the headline of each. Throws
/// FitInputError for input it cannot fit (the message names the file, point or parameter: no
/// free parameter, a band system given twice, more than kMaxFitPoints points, options beyond
/// their limits), FitConvergenceError when the solver does not converge from any start,
/// FitCancelled when cancelled. Never returns the start values as a result. The result does not
/// depend on the unit of y: a spectrum times any factor gives the same temperatures and relative
/// uncertainties, its scale and baseline times that factor.
FitResult FitSpectrum(const FitRequest& request);

/// One local fit: the pre-scan of the temperatures (options.scanPoints), then Levenberg–Marquardt
/// from the best start, with the covariance uncertainties and the components. The errors of
/// FitSpectrum.
FitResult FitFromStart(const FitRequest& request);

}  // namespace velmora::fit
