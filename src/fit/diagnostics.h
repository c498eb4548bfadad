// How well a fitted model describes the measured points, and how far its residuals are from the
// independent noise that the covariance of the fit assumes.
//
// Over the n fitted points with residuals r = y − model and weights w = 1/σ (1 for uniform
// weights), the weighted residuals e = w r give
//
//   χ² = Σ e²,  χ²_red = χ² / (n − p)            (p free parameters)
//   DW = Σ (e_i − e_{i−1})² / Σ e²                 (Durbin–Watson: 2 for independent residuals,
//                                                   0 for residuals that change slowly)
//   ρ_k = Σ e_i e_{i+k} / Σ e²                     (autocorrelation at lag k, about zero, so that
//                                                   an offset the model misses counts as structure)
//   τ = 1 + 2 Σ ρ_k                                (integrated correlation length in points,
//                                                   summed by Geyer's initial positive sequence)
//   n_eff = n / τ                                  (independent points the residuals amount to)
//
// A parameter estimated from n correlated points varies as if from n_eff independent ones, so its
// variance is the covariance's times τ: the correlated-residual uncertainty is the covariance σ
// times √τ (Bartlett 1946; the effective sample size of correlated data).
#pragma once

#include <string>
#include <vector>

namespace velmora::fit {

/// The misfit figures of a fit, over its fitted points. Every number is finite once computed.
struct FitDiagnostics {
    int points = 0;               ///< fitted points n
    int degreesOfFreedom = 0;     ///< n − free parameters
    bool sigmaKnown = false;      ///< weights 1/σ² from σ given or estimated from the noise
    double chiSquare = 0.0;       ///< Σ e²
    double reducedChiSquare = 0;  ///< χ² / ν
    /// With uniform weights: σ of a point estimated from the residuals, √(Σ r² / ν), y units.
    double residualSigma = 0.0;
    double pearsonR = 0.0;               ///< correlation coefficient of y and the model
    double rmsResidual = 0.0;            ///< √(Σ r² / n), y units
    double peak = 0.0;                   ///< the model's span over the fitted points (peak above its lowest point)
    double rmsOverPeak = 0.0;            ///< rmsResidual / peak
    double durbinWatson = 2.0;           ///< of the weighted residuals in x order
    double correlationLength = 1.0;      ///< τ ≥ 1, in points
    double effectivePoints = 0.0;        ///< n / τ
    double largestResidual = 0.0;        ///< y − model of the point of largest |e|, y units
    double largestResidualX = 0.0;       ///< its x
    double largestResidualSigmas = 0.0;  ///< the same in units of its σ (when σ is known)
    std::vector<std::string> warnings;   ///< in words: the model does not describe the data
};

/// The diagnostics of fitted points in increasing x: measured y, model and weight 1/σ per point,
/// p free parameters. `sigmaKnown` says whether the weights carry the noise (σ of a file column
/// or of a noise estimate) or are uniform.
FitDiagnostics DiagnoseResiduals(const std::vector<double>& x, const std::vector<double>& y,
                                 const std::vector<double>& model, const std::vector<double>& weight, int p,
                                 bool sigmaKnown);

/// τ = 1 + 2 Σ ρ_k of a series (Geyer's initial positive sequence: pairs ρ_2m + ρ_2m+1 summed
/// while positive and falling), at least 1; 1 for fewer than 4 values.
double CorrelationLength(const std::vector<double>& e);

/// The goodness-of-fit line of a report: "reduced chi-square 1.024 (chi-square …)" with σ
/// known, else the σ estimated from the residuals, saying so.
std::string ChiSquareLine(const FitDiagnostics& d);

/// The short form for one line per fit: "reduced chi-square 1.024" or "σ 0.0123 from the
/// residuals".
std::string ChiSquareSummary(const FitDiagnostics& d);

/// The misfit line of a report: r, rms residual of the peak, Durbin–Watson and the largest
/// residual with its x (in `axisUnit`).
std::string MisfitLine(const FitDiagnostics& d, const std::string& axisUnit);

/// The column names and the fields of the diagnostics in a CSV row of results.
std::string DiagnosticsCsvHeader();
std::string DiagnosticsCsvFields(const FitDiagnostics& d);

}  // namespace velmora::fit
