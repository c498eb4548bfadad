#include "fit/boltzmann_plot.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/number_format.h"
#include "common/physical_constants.h"
#include "common/text_writer.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "fit/spectrum_model.h"
#include "populations/population_model.h"

namespace velmora::fit {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

/// Weighted straight line y = a + b x; returns a, b, σ_b (scaled by the reduced chi-square
/// when it exceeds 1, so that scatter beyond the error bars widens the uncertainty) and χ²/ν.
struct Line {
    double a = 0, b = 0, sigmaB = 0, reducedChiSquare = 0;
};

Line FitLine(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& sigma) {
    double S = 0, Sx = 0, Sy = 0, Sxx = 0, Sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 1.0 / (sigma[i] * sigma[i]);
        S += w, Sx += w * x[i], Sy += w * y[i], Sxx += w * x[i] * x[i], Sxy += w * x[i] * y[i];
    }
    const double D = S * Sxx - Sx * Sx;
    Line l;
    l.b = (S * Sxy - Sx * Sy) / D;
    l.a = (Sxx * Sy - Sx * Sxy) / D;
    double chi2 = 0;
    for (std::size_t i = 0; i < x.size(); ++i) chi2 += std::pow((y[i] - l.a - l.b * x[i]) / sigma[i], 2);
    l.reducedChiSquare = chi2 / static_cast<double>(x.size() - 2);
    l.sigmaB = std::sqrt(S / D * std::max(1.0, l.reducedChiSquare));
    return l;
}

/// Refuses levels the instrument does not separate: their populations would be fitted, but not
/// determined by the spectrum.
void CheckSeparation(BoltzmannPlot& plot, const std::vector<std::vector<simulation::DrawnLine>>& lines,
                     const std::vector<double>& u, double width, simulation::AxisUnit unit, bool lineList) {
    const auto [lo, hi] = std::minmax_element(u.begin(), u.end());
    plot.separation = SeparateLevels(lines, *lo, *hi, width);
    const LevelSeparation& s = plot.separation;
    const std::string axis = ParameterUnit(ParameterKind::Shift, unit);
    auto resolution = [&](double w) {
        return w > 0.0 ? Format(w, "0.0###") + " " + axis + " or better" : std::string("more levels in the spectrum");
    };
    const std::string counts = "at the instrument width of " + Format(width, "0.0###") + " " + axis + " only " +
                               std::to_string(s.separated) + " of the " + std::to_string(s.levels) +
                               " levels in the spectrum have a line apart from the lines of the others by a width";
    if (s.separated < s.needed)
        throw FitInputError(plot.system + ": " +
                            (lineList ? std::string("the upper levels of the list")
                                      : "the rotational levels of v' = " + std::to_string(plot.v)) +
                            " are not resolved: " + counts + ", and a Boltzmann plot needs at least " +
                            std::to_string(s.needed) + ": that takes a resolution of " + resolution(s.neededWidth) +
                            "; fit the temperature to the whole spectrum instead");
    if (s.separated < s.quarter)
        plot.warnings.push_back("few rotational levels are resolved: " + counts +
                                "; the populations of the others are fitted from blended lines (a resolution of " +
                                resolution(s.quarterWidth) + " separates a quarter of them)");
}

/// A column of the design matrix: a unit-population spectrum on its grid (a level's, or a whole
/// other v''s) interpolated at the points, or (spectrum null) the baseline or its slope.
struct Candidate {
    const std::vector<float>* spectrum;
    const simulation::SpectralGrid* grid;
    int level;  ///< term index of a level's column; -1 another v', -2 baseline, -3 slope
};

/// The weighted linear least-squares solution of the candidate columns that are not zero at
/// every point, with each column scaled to unit length so that levels of very different
/// strength condition alike.
struct BlockSolution {
    std::vector<int> levelOf;    ///< per kept column: the candidate's level
    Eigen::VectorXd norms;       ///< per kept column: its length before the scaling
    Eigen::VectorXd coef;        ///< per kept column, in the scaled columns
    Eigen::MatrixXd covariance;  ///< (AᵀA)⁻¹ of the scaled columns (pseudo-inverse)
    double chiSquare = 0.0;      ///< weighted sum of squared residuals
};

/// The most level populations one plot solves for: the least-squares factor and its SVD grow
/// as the square and the cube of their number (a catalogue v' has a few hundred levels; a line
/// list over a wide range may have many thousands).
constexpr std::size_t kMostLevels = 1000;

/// Rows of the design matrix formed at a time.
constexpr Eigen::Index kBlockRows = 4096;

/// Solves the least-squares problem of the candidates without ever holding the whole design
/// matrix: its rows are formed a block at a time and folded into a triangular factor (the QR
/// factorisation of the rows so far, [R; block] = Q' R'), which with Qᵀb and the squared
/// residual left out of its range is all the solution needs. Memory: a block and the factor,
/// whatever the number of points. The SVD of the factor then gives the same solution, with the
/// same cut of singular values below 1e-10 of the largest, as that of the whole matrix.
BlockSolution SolveInBlocks(const std::vector<Candidate>& candidates, const std::vector<double>& u,
                            const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& w,
                            double centre) {
    const Eigen::Index n = static_cast<Eigen::Index>(x.size());
    const Eigen::Index q = static_cast<Eigen::Index>(candidates.size());
    Eigen::MatrixXd R = Eigen::MatrixXd::Zero(q, q);
    Eigen::VectorXd c = Eigen::VectorXd::Zero(q);
    Eigen::VectorXd largest = Eigen::VectorXd::Zero(q);  // of the unweighted column
    double outside = 0.0;                                // |b|² outside the columns' range
    for (Eigen::Index first = 0; first < n; first += kBlockRows) {
        const Eigen::Index m = std::min(kBlockRows, n - first);
        Eigen::MatrixXd stack(q + m, q);
        Eigen::VectorXd rhs(q + m);
        stack.topRows(q) = R;
        rhs.head(q) = c;
        for (Eigen::Index r = 0; r < m; ++r) {
            const std::size_t i = static_cast<std::size_t>(first + r);
            for (Eigen::Index j = 0; j < q; ++j) {
                const Candidate& k = candidates[static_cast<std::size_t>(j)];
                const double value = k.spectrum      ? Interpolate(*k.grid, *k.spectrum, u[i]).value
                                     : k.level == -2 ? 1.0
                                                     : x[i] - centre;
                largest(j) = std::max(largest(j), std::fabs(value));
                stack(q + r, j) = w[i] * value;
            }
            rhs(q + r) = w[i] * y[i];
        }
        const Eigen::HouseholderQR<Eigen::MatrixXd> qr(stack);
        const Eigen::VectorXd rotated = qr.householderQ().transpose() * rhs;
        R = qr.matrixQR().topRows(q).triangularView<Eigen::Upper>();
        c = rotated.head(q);
        outside += rotated.tail(m).squaredNorm();
    }

    // The columns that are not zero at every point, scaled to unit length: the lengths of the
    // columns of A are those of R (Q is orthonormal).
    BlockSolution out;
    std::vector<Eigen::Index> kept;
    for (Eigen::Index j = 0; j < q; ++j) {
        const bool always = !candidates[static_cast<std::size_t>(j)].spectrum;
        if ((always || largest(j) > 0.0) && R.col(j).norm() > 0.0) kept.push_back(j);
    }
    const Eigen::Index p = static_cast<Eigen::Index>(kept.size());
    Eigen::MatrixXd Rs(q, p);
    out.norms.resize(p);
    for (Eigen::Index k = 0; k < p; ++k) {
        const Eigen::Index j = kept[static_cast<std::size_t>(k)];
        out.norms(k) = R.col(j).norm();
        Rs.col(k) = R.col(j) / out.norms(k);
        out.levelOf.push_back(candidates[static_cast<std::size_t>(j)].level);
    }
    const Eigen::JacobiSVD<Eigen::MatrixXd> svd(Rs, Eigen::ComputeThinU | Eigen::ComputeThinV);
    const Eigen::VectorXd s = svd.singularValues();
    Eigen::VectorXd sInv = Eigen::VectorXd::Zero(s.size());
    for (Eigen::Index k = 0; k < s.size(); ++k) sInv(k) = s(k) > 1e-10 * s(0) ? 1.0 / s(k) : 0.0;
    out.coef = svd.matrixV() * sInv.asDiagonal() * svd.matrixU().transpose() * c;
    out.chiSquare = (Rs * out.coef - c).squaredNorm() + outside;
    out.covariance = svd.matrixV() * sInv.cwiseAbs2().asDiagonal() * svd.matrixV().transpose();
    return out;
}

std::string Csv(double v) { return std::isnan(v) ? "" : Significant(v, 10); }

}  // namespace

BoltzmannPlot FitBoltzmannPlot(const FitRequest& request, int v) {
    if (request.systems.size() != 1) throw FitInputError("a Boltzmann plot takes one band system");
    if (request.conditions.kind != simulation::SpectrumKind::Emission)
        throw FitInputError("a Boltzmann plot takes an emission spectrum (populations of the upper state)");
    const bool lineList = request.systems.front().lineList != nullptr;
    if (lineList && v != 0)
        throw FitInputError(request.systems.front().label +
                            ": the upper levels of a line list are plotted together, as v' = 0 (--v 0)");
    BoltzmannPlot plot;
    plot.v = v;
    plot.spectrumFit = FitSpectrum(request);
    const FitResult& fit = plot.spectrumFit;
    plot.system = fit.systems.front();

    // The fitted points, their weights and the axis positions of the fitted calibration.
    MeasuredSpectrum sorted = request.spectrum;
    CheckMeasuredSpectrum(sorted);
    std::vector<double> x, y, w;
    for (std::size_t i = 0; i < fit.x.size(); ++i)
        if (fit.fitted[i]) {
            x.push_back(fit.x[i]);
            y.push_back(fit.y[i]);
            w.push_back(request.weighting == Weighting::FileColumn      ? 1.0 / sorted.sigma[i]
                        : request.weighting == Weighting::NoiseEstimate ? 1.0 / fit.noiseSigma
                                                                        : 1.0);
        }
    const double centre = 0.5 * (x.front() + x.back()), half = 0.5 * (x.back() - x.front());
    const double shift = fit.Value("shift"), stretch = fit.Value("stretch"), quadratic = fit.Value("quadratic");
    const double gauss = fit.Value(fit.lifExcitation ? "laser" : "gauss"), lorentz = fit.Value("lorentz");
    std::vector<double> u(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double d = x[i] - centre;
        u[i] = x[i] - shift - stretch * d - quadratic * d * d;
    }

    // Spectra at unit population: every rotational level of v', and each other v' (thermal
    // within itself at the fitted temperature).
    const FitSystem& system = request.systems.front();
    const double margin = 3.0 * (gauss + lorentz) + std::fabs(shift) + std::fabs(stretch) * half + 20.0 * lorentz;
    SystemTracer tracer(system, request.conditions, x.front() - margin, x.back() + margin, x.front(), x.back(),
                        request.convention, true, std::max(request.options.pointsPerWidth, 7));
    const std::vector<int>& vibLevels = tracer.Levels();
    if (std::find(vibLevels.begin(), vibLevels.end(), v) == vibLevels.end())
        throw FitInputError(plot.system + ": v' = " + std::to_string(v) + " has no line in the spectrum");
    SystemValues values;
    values.rotationalT = values.vibrationalT = fit.Value("t");
    values.gauss = gauss, values.lorentz = lorentz;
    values.populations.assign(vibLevels.size(), 1.0);
    const SystemTrace others = tracer.Trace(values);

    const std::vector<populations::RotationalTerm> terms = tracer.RotationalTerms(v);
    if (terms.size() > kMostLevels)
        throw FitInputError(plot.system + ": " + std::to_string(terms.size()) +
                            " upper levels have lines in the spectrum; a Boltzmann plot fits at most " +
                            std::to_string(kMostLevels) + " level populations: narrow the range (--start, --end)");
    std::vector<std::pair<int, int>> ids;
    for (const auto& t : terms) ids.emplace_back(t.component, t.row);
    const std::vector<std::vector<simulation::DrawnLine>> lines = tracer.LevelLines(v, ids, values);
    CheckSeparation(plot, lines, u, VoigtFwhm(gauss, lorentz), request.conditions.unit, lineList);
    simulation::SpectralGrid grid;
    const std::vector<std::vector<float>> spectra = tracer.LevelSpectra(lines, values, grid);

    // Design matrix: the levels with lines on the points, the other v', baseline and slope,
    // weighted; solved without holding it (see SolveInBlocks).
    std::vector<Candidate> candidates;
    for (std::size_t k = 0; k < terms.size(); ++k) candidates.push_back({&spectra[k], &grid, static_cast<int>(k)});
    for (std::size_t k = 0; k < vibLevels.size(); ++k)
        if (vibLevels[k] != v) candidates.push_back({&others.levels[k], &others.grid, -1});
    candidates.push_back({nullptr, nullptr, -2});  // baseline
    candidates.push_back({nullptr, nullptr, -3});  // slope
    const BlockSolution solution = SolveInBlocks(candidates, u, x, y, w, centre);
    const std::vector<int>& levelOf = solution.levelOf;
    const Eigen::Index n = static_cast<Eigen::Index>(x.size());
    const Eigen::Index p = static_cast<Eigen::Index>(levelOf.size());
    if (n <= p)
        throw FitInputError(request.spectrum.source + ": " + std::to_string(n) + " points for " + std::to_string(p) +
                            " level populations and baseline terms");
    const Eigen::VectorXd& norms = solution.norms;
    const Eigen::VectorXd& coef = solution.coef;
    const double scale = solution.chiSquare / static_cast<double>(n - p);
    const Eigen::MatrixXd cov = solution.covariance * scale;

    std::vector<double> E, L, S;
    for (Eigen::Index j = 0; j < p; ++j) {
        const int k = levelOf[static_cast<std::size_t>(j)];
        if (k < 0) continue;
        const populations::RotationalTerm& t = terms[static_cast<std::size_t>(k)];
        BoltzmannLevel level{t.component, t.row, t.J, t.energy, t.degeneracy};
        level.population = coef(j) / norms(j);
        level.sigma = std::sqrt(cov(j, j)) / norms(j);
        level.lnPerG = level.population > 0.0 ? std::log(level.population / t.degeneracy) : kNaN;
        level.lnSigma = level.population > 0.0 ? level.sigma / level.population : kNaN;
        level.used = level.population > 2.0 * level.sigma && level.sigma > 0.0;
        if (level.used) E.push_back(level.energy), L.push_back(level.lnPerG), S.push_back(level.lnSigma);
        plot.levels.push_back(level);
    }
    if (E.size() < 3)
        throw FitInputError(
            plot.system + ": only " + std::to_string(E.size()) +
            (lineList ? std::string(" upper levels of the list") : " rotational levels of v' = " + std::to_string(v)) +
            " are determined above twice their uncertainty; a straight line needs 3");
    const Line line = FitLine(E, L, S);
    plot.intercept = line.a, plot.slope = line.b, plot.slopeSigma = line.sigmaB,
    plot.reducedChiSquare = line.reducedChiSquare;
    if (!(line.b < 0.0)) {
        plot.temperature = plot.temperatureSigma = kNaN;
        plot.warnings.push_back("ln(N/g) does not fall with the energy: the levels are not thermal at any temperature");
    } else {
        plot.temperature = -1.0 / (kBoltzmannWavenumber * line.b);
        plot.temperatureSigma = line.sigmaB / (kBoltzmannWavenumber * line.b * line.b);
    }
    if (line.reducedChiSquare > 2.0)
        plot.warnings.push_back(
            "the levels scatter about the straight line beyond their uncertainties (reduced chi-square " +
            Format(line.reducedChiSquare, "0.00") + "): not one rotational temperature");
    return plot;
}

void WriteBoltzmannCsv(const std::string& path, const BoltzmannPlot& plot) {
    AtomicTextWriter out(path);
    out.WriteLine("component,N,J,energy_cm-1,g,population,population_sigma,ln_N_over_g,ln_sigma,used");
    for (const BoltzmannLevel& l : plot.levels)
        out.WriteLine(std::to_string(l.component) + "," + std::to_string(l.row) + "," + Csv(l.J) + "," + Csv(l.energy) +
                      "," + Csv(l.degeneracy) + "," + Csv(l.population) + "," + Csv(l.sigma) + "," + Csv(l.lnPerG) +
                      "," + Csv(l.lnSigma) + "," + (l.used ? "1" : "0"));
    out.WriteLine("# ln(N/g) = " + Csv(plot.intercept) + " + (" + Csv(plot.slope) + " ± " + Csv(plot.slopeSigma) +
                  ") E; T = " + Csv(plot.temperature) + " ± " + Csv(plot.temperatureSigma) + " K");
    out.Commit();
}

}  // namespace velmora::fit
