// The plots of a fit: the measured spectrum with the fitted model and its components above the
// residual strip, with the report under them, for the screen, SVG files and the printed page.
#pragma once

#include <string>
#include <vector>

#include "display/xy_chart.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_spectrum.h"

namespace velmora::display {

/// The spectrum chart and the residual strip of a fit, `width` pixels wide, the strip a quarter
/// of the height; points left out of the fit have no residual. The spectrum shows the model's
/// components as `detail` asks (each system's part with several systems; the strongest bands or
/// branches of the result's components), named in its legend; the report's lines stand under
/// the strip, which grows by FitReportHeight to hold them.
std::vector<Chart> FitCharts(const fit::FitResult& r, const std::string& axisLabel, double width, double height,
                             fit::ComponentDetail detail = fit::ComponentDetail::Bands,
                             const std::vector<std::string>& report = {});

/// The height the report's lines take under a fit's charts (pixels).
double FitReportHeight(const std::vector<std::string>& report);

/// Writes the fit's charts as SVG, with the report (its parameters, uncertainties and
/// diagnostics) under them (FileError when the file cannot be written).
void WriteFitSvg(const std::string& path, const fit::FitResult& r, const std::string& axisLabel,
                 fit::ComponentDetail detail = fit::ComponentDetail::Bands,
                 const std::vector<std::string>& report = {});

/// The printed page of a fit: its charts and, under them, the report.
void DrawFitPage(Canvas& page, const fit::FitResult& r, const std::string& axisLabel, fit::ComponentDetail detail,
                 const std::vector<std::string>& report);

/// The Boltzmann plot: ln(N/g) of the levels used (filled, with their error bars) and of the
/// others (grey) against the energy, and the fitted straight line with T ± σ in the caption.
Chart BoltzmannChart(const fit::BoltzmannPlot& plot, double width, double height);

/// Writes the Boltzmann plot as SVG (FileError when the file cannot be written).
void WriteBoltzmannSvg(const std::string& path, const fit::BoltzmannPlot& plot);

}  // namespace velmora::display
