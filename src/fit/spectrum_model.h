// The model a fit compares with the measured points:
//
//   u = x − shift − stretch·d − quadratic·d²,   d = x − centre
//   m(x) = Σ_s scale_s · S_s(u) + baseline + slope·d
//
// S_s is the unit-area spectrum of band system s (fit_system.h) on its grid, interpolated by the
// four-point Lagrange cubic (error below 1E-4 of a Gaussian line's peak at 14 points per FWHM,
// where linear interpolation errs by 0.4 %). The shift is the measured axis minus the true one,
// as the program's wavelength correction.
//
// Derivatives: the linear parameters (scales, baseline, slope) exactly; shift, stretch and
// quadratic from the derivative of the interpolant (no new spectrum); free populations from the
// level spectra of the same drawing; the widths by forward differences of the same lines drawn
// again; only the temperatures by forward differences with a new line list.
#pragma once

#include <vector>

#include "fit/components.h"
#include "fit/cubic_interpolation.h"
#include "fit/fit_system.h"
#include "fit/parameters.h"

namespace velmora::fit {

/// The measured points a fit compares, with their weights 1/σ (σ the standard uncertainty of y;
/// 1 for uniform weights).
struct FitPoints {
    std::vector<double> x, y, weight;
    double centre = 0.0;  ///< x about which slope, stretch and quadratic act
};

/// Where the parameters sit in the parameter table.
struct ParameterLayout {
    struct System {
        int t = -1;
        int tvib = -1;          ///< -1: one common temperature
        std::vector<int> pops;  ///< one per fitted level (free populations), the first the reference
        int scale = -1;
    };
    std::vector<System> systems;
    int baseline = -1, slope = -1, shift = -1, stretch = -1, quadratic = -1, gauss = -1, lorentz = -1;
};

/// The model of one fit over its systems and points. Keeps the spectra of the last values.
class SpectrumModel {
public:
    /// `table` gives the kinds and bounds of the parameters (their values come with each call).
    SpectrumModel(std::vector<SystemTracer> tracers, ParameterLayout layout, const std::vector<Parameter>& table,
                  FitPoints points);

    const FitPoints& Points() const { return points_; }
    /// Gives every point the weight 1/σ (a noise estimate made after the start was found).
    void SetUniformSigma(double sigma) { points_.weight.assign(points_.x.size(), 1.0 / sigma); }
    const ParameterLayout& Layout() const { return layout_; }
    std::vector<SystemTracer>& Tracers() { return tracers_; }

    /// The values of system s that its spectrum depends on.
    SystemValues ValuesOf(int s, const std::vector<double>& p) const;
    /// The unit-area spectrum of system s at the parameters p.
    const SystemTrace& TraceOf(int s, const std::vector<double>& p);

    /// The model at the points for the parameters p and, when `jacobian` is given, its derivative
    /// with respect to each parameter listed in `free` (row-major, points × free).
    void Evaluate(const std::vector<double>& p, const std::vector<int>& free, std::vector<double>& model,
                  std::vector<double>* jacobian);

    /// The model at any x, and each system's share of it (scale × spectrum).
    void Curves(const std::vector<double>& p, const std::vector<double>& x, std::vector<double>& model,
                std::vector<std::vector<double>>& parts);

    /// Each system's bands (and with `branches` their branches) at any x, scale included
    /// (components.cpp).
    std::vector<FitComponent> Components(const std::vector<double>& p, const std::vector<double>& x, bool branches,
                                         const std::vector<std::string>& systemLabels);

    /// Sets the free linear parameters (scales, or the level amplitudes behind free populations;
    /// baseline, slope) to their weighted least-squares values for the other parameters as they
    /// stand, within their bounds. Returns the chi-square then.
    double SolveLinear(std::vector<double>& p);

    /// The unit-area spectrum of system s at the parameters p interpolated at the positions u
    /// (its slope in slopes_), once per trace and positions.
    const std::vector<double>& InterpolatedAt(int s, const std::vector<double>& p, const std::vector<double>& u);

    /// Weighted sum of squared residuals at p.
    double ChiSquare(const std::vector<double>& p);

    /// Spectra drawn so far by all systems.
    int Evaluations() const;

private:
    /// The true axis positions u of the measured x.
    void AxisPositions(const std::vector<double>& p, const std::vector<double>& x, std::vector<double>& u) const;
    /// Forward-difference step of a temperature or width, pointing away from its upper bound.
    double Step(int k, double value, double typical) const;

    std::vector<SystemTracer> tracers_;
    ParameterLayout layout_;
    std::vector<Parameter> table_;
    FitPoints points_;
    std::vector<SystemValues> traceValues_;
    std::vector<SystemTrace> traces_;
    std::vector<bool> traceValid_;
    // Work space of Evaluate, kept between calls.
    std::vector<double> u_, d_, axisSlope_, values_;
    // The spectrum of each system and its slope at the positions interpolatedU_, kept until the
    // trace or the positions change.
    std::vector<std::vector<double>> S_, slopes_;
    std::vector<double> interpolatedU_;
    std::vector<bool> interpolatedValid_;
    SystemTrace changed_;
    // The cubic's weights at the positions of the last evaluation, one set per system (its grid).
    std::vector<CubicWeights> cubic_;
};

}  // namespace velmora::fit
