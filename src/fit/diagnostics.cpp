#include "fit/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/number_format.h"

namespace velmora::fit {

namespace {

std::string Csv(double v) { return Significant(v, 10); }

/// Durbin–Watson below this: neighbouring residuals correlate above about 0.5, so the points
/// carry a third or less of the information independent points would.
constexpr double kStructuredDurbinWatson = 1.0;

}  // namespace

double CorrelationLength(const std::vector<double>& e) {
    const std::size_t n = e.size();
    if (n < 4) return 1.0;
    double c0 = 0.0;
    for (double v : e) c0 += v * v;
    if (!(c0 > 0.0)) return 1.0;
    auto rho = [&](std::size_t k) {
        double s = 0.0;
        for (std::size_t i = 0; i + k < n; ++i) s += e[i] * e[i + k];
        return s / c0;
    };
    // Pairs Γ_m = ρ_2m + ρ_2m+1 of a stationary series are positive and decreasing; the first
    // that is not ends the sum (the rest is noise of the estimate). Lags beyond kMaxLags (or a
    // quarter of the series) add nothing a spectrum's residuals need and cost n each.
    constexpr std::size_t kMaxLags = 2000;
    const std::size_t limit = std::min(n / 4, kMaxLags);
    double sum = 0.0, last = 2.0;
    for (std::size_t m = 0; 2 * m + 1 <= limit; ++m) {
        const double gamma = (m == 0 ? 1.0 : rho(2 * m)) + rho(2 * m + 1);
        if (!(gamma > 0.0)) break;
        sum += std::min(gamma, last);
        last = std::min(gamma, last);
    }
    return std::clamp(-1.0 + 2.0 * sum, 1.0, static_cast<double>(n));
}

FitDiagnostics DiagnoseResiduals(const std::vector<double>& x, const std::vector<double>& y,
                                 const std::vector<double>& model, const std::vector<double>& weight, int p,
                                 bool sigmaKnown) {
    FitDiagnostics d;
    const std::size_t n = x.size();
    d.points = static_cast<int>(n);
    d.degreesOfFreedom = d.points - p;
    d.sigmaKnown = sigmaKnown;
    if (n == 0) return d;
    std::vector<double> e(n);
    double sumR2 = 0.0, my = 0.0, mm = 0.0;
    double lo = model[0], hi = model[0];
    std::size_t largest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = y[i] - model[i];
        e[i] = weight[i] * r;
        sumR2 += r * r;
        my += y[i], mm += model[i];
        lo = std::min(lo, model[i]), hi = std::max(hi, model[i]);
        if (std::fabs(e[i]) > std::fabs(e[largest])) largest = i;
    }
    my /= static_cast<double>(n), mm /= static_cast<double>(n);
    double syy = 0.0, smm = 0.0, sym = 0.0, dw = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        syy += (y[i] - my) * (y[i] - my), smm += (model[i] - mm) * (model[i] - mm);
        sym += (y[i] - my) * (model[i] - mm);
        d.chiSquare += e[i] * e[i];
        if (i > 0) dw += (e[i] - e[i - 1]) * (e[i] - e[i - 1]);
    }
    const double nu = std::max(d.degreesOfFreedom, 1);
    d.reducedChiSquare = d.chiSquare / nu;
    d.residualSigma = std::sqrt(sumR2 / nu);
    d.pearsonR = syy > 0.0 && smm > 0.0 ? sym / std::sqrt(syy * smm) : 0.0;
    d.rmsResidual = std::sqrt(sumR2 / static_cast<double>(n));
    d.peak = hi - lo;
    d.rmsOverPeak = d.peak > 0.0 ? d.rmsResidual / d.peak : 0.0;
    d.durbinWatson = d.chiSquare > 0.0 ? dw / d.chiSquare : 2.0;
    d.correlationLength = CorrelationLength(e);
    d.effectivePoints = static_cast<double>(n) / d.correlationLength;
    d.largestResidual = y[largest] - model[largest];
    d.largestResidualX = x[largest];
    d.largestResidualSigmas = sigmaKnown ? e[largest] : 0.0;

    // A reduced chi-square beyond 2 and five standard deviations of its distribution (√(2/ν))
    // above 1 is no fluctuation.
    if (sigmaKnown && d.reducedChiSquare > std::max(2.0, 1.0 + 5.0 * std::sqrt(2.0 / nu)))
        d.warnings.push_back("the model does not describe the data to their noise (reduced chi-square " +
                             Significant(d.reducedChiSquare, 3) +
                             " where 1 is expected): a band, a species or a baseline term is missing, or the σ "
                             "are too small");
    if (d.durbinWatson < kStructuredDurbinWatson)
        d.warnings.push_back("the residuals are structured (Durbin–Watson " + Significant(d.durbinWatson, 2) +
                             "): the model misses features; the uncertainties assume it does not, so those quoted "
                             "are widened to the " +
                             Significant(d.effectivePoints, 3) + " independent points of " + std::to_string(n) +
                             " the residuals amount to");
    return d;
}

std::string ChiSquareLine(const FitDiagnostics& d) {
    const std::string counts =
        std::to_string(d.points) + " points, " + std::to_string(d.degreesOfFreedom) + " degrees of freedom)";
    if (d.sigmaKnown)
        return "reduced chi-square " + Significant(d.reducedChiSquare, 4) + " (chi-square " +
               Significant(d.chiSquare, 6) + ", " + counts;
    return "reduced chi-square not measured: uniform weights, σ = " + Significant(d.residualSigma, 4) +
           " y estimated from the residuals (chi-square " + Significant(d.chiSquare, 6) + " y², " + counts;
}

std::string ChiSquareSummary(const FitDiagnostics& d) {
    return d.sigmaKnown ? "reduced chi-square " + Significant(d.reducedChiSquare, 4)
                        : "σ " + Significant(d.residualSigma, 4) + " from the residuals";
}

std::string MisfitLine(const FitDiagnostics& d, const std::string& axisUnit) {
    std::string line = "misfit: r = " + Significant(d.pearsonR, 6) + ", rms residual " +
                       Significant(100.0 * d.rmsOverPeak, 3) + " % of the peak, Durbin–Watson " +
                       Significant(d.durbinWatson, 3) + ", largest residual " + Significant(d.largestResidual, 4) +
                       " y";
    if (d.sigmaKnown) line += " (" + Significant(d.largestResidualSigmas, 3) + " σ)";
    return line + " at " + Significant(d.largestResidualX, 8) + " " + axisUnit;
}

std::string DiagnosticsCsvHeader() {
    return "residual_sigma,pearson_r,rms_over_peak,durbin_watson,correlation_length,effective_points,"
           "largest_residual,largest_residual_x";
}

std::string DiagnosticsCsvFields(const FitDiagnostics& d) {
    return Csv(d.residualSigma) + "," + Csv(d.pearsonR) + "," + Csv(d.rmsOverPeak) + "," + Csv(d.durbinWatson) + "," +
           Csv(d.correlationLength) + "," + Csv(d.effectivePoints) + "," + Csv(d.largestResidual) + "," +
           Csv(d.largestResidualX);
}

}  // namespace velmora::fit
