// Measured spectra made from the program's simulation with known parameters: the spectrum drawn
// by Simulate directly at the measured points (a grid whose step is the point spacing, moved by
// the shift), a baseline and Gaussian noise of a fixed seed. The truth of the scale is the
// integral of the noiseless signal over the points, as the fit defines it.
#pragma once

#include <memory>
#include <vector>

#include "common/numerics.h"
#include "fit/fit_spectrum.h"
#include "simulation/shipped_system.h"

namespace velmora::testing {

/// The parameters a synthetic spectrum is made with.
struct Truth {
    simulation::SpectrumKind kind = simulation::SpectrumKind::Emission;
    float temperature = 2000.0f;
    double amplitude = 100.0;  ///< the signal's peak
    double baseline = 0.0, slope = 0.0;
    double shift = 0.0;  ///< measured axis minus true axis
    /// Further terms of the measured axis minus the true one: stretch·d + quadratic·d², d the
    /// measured x from the centre of the points.
    double stretch = 0.0, quadratic = 0.0;
    int pointsPerWidth = 5;  ///< Gaussian instrumental FWHM in point spacings
    double noise = 0.0;      ///< σ of the Gaussian noise
    /// A vibrational temperature of its own (K; 0: the temperature), with the term values G_v
    /// (cm-1, v = 0, 1, ...) of the populated state from the literature that weigh the levels.
    float vibrationalTemperature = 0.0f;
    std::vector<double> vibrationalTerms;
};

/// A band system of the shipped database with everything a fit needs.
struct FitFixture {
    ShippedSystem shipped;
    fit::FitSystem system;
    FitFixture(const std::string& molecule, const std::string& label)
        : shipped(molecule, label), system(fit::MakeFitSystem(shipped.model, shipped.app.db)) {}
};

/// The OH A-X fixture of the shipped database, built once per test program and shared by its tests.
FitFixture& OHFixture();

/// The noiseless signal of a system (no baseline) at n points from x0 with spacing step.
std::vector<double> Signal(FitFixture& f, const Truth& t, double x0, double step, int n);

/// The same for any model, with the populations of the state the kind reads.
std::vector<double> Signal(const simulation::BandSystemModel& model, const populations::Populations& pop,
                           const Truth& t, double x0, double step, int n);

/// Integral of a signal over its points (trapezoids).
double Area(const std::vector<double>& y, double step);

/// A measured spectrum: the signals given (already scaled), the baseline and the noise of t.
fit::MeasuredSpectrum Measure(const std::vector<std::vector<double>>& signals, const Truth& t, double x0, double step,
                              GaussianDeviate& noise);

/// A fit request of one or more systems for a spectrum, emission in vacuum Å, Gaussian instrument.
fit::FitRequest Request(const std::vector<fit::FitSystem>& systems, const fit::MeasuredSpectrum& s, double gauss,
                        double temperature);

}  // namespace velmora::testing
