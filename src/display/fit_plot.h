// The plots of a fit: the measured spectrum with the fitted model (and each band system's part
// when there are several) above the residual strip.
#pragma once

#include <string>
#include <vector>

#include "display/xy_chart.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_spectrum.h"

namespace velmora::display {

/// The spectrum chart and the residual strip of a fit, `width` pixels wide, the strip a quarter
/// of the height; points left out of the fit have no residual.
std::vector<Chart> FitCharts(const fit::FitResult& r, const std::string& axisLabel, double width, double height);

/// Writes the fit's charts as SVG (FileError when the file cannot be written).
void WriteFitSvg(const std::string& path, const fit::FitResult& r, const std::string& axisLabel);

/// The Boltzmann plot: ln(N/g) of the levels used (filled, with their error bars) and of the
/// others (grey) against the energy, and the fitted straight line with T ± σ in the caption.
Chart BoltzmannChart(const fit::BoltzmannPlot& plot, double width, double height);

/// Writes the Boltzmann plot as SVG (FileError when the file cannot be written).
void WriteBoltzmannSvg(const std::string& path, const fit::BoltzmannPlot& plot);

}  // namespace velmora::display
