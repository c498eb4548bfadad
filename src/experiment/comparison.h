// Comparison of the experimental spectrum with the simulation: the simulation at the
// experimental points, residuals, peak correlation and chi-square.
#pragma once

#include <string>

#include "common/bounded_array.h"
#include "common/numerics.h"
#include "experiment/experiment_state.h"
#include "simulation/simulate.h"

namespace velmora::experiment {

/// x of grid point i of a simulated spectrum, held in single precision.
float GridX(const simulation::Spectrum& s, int i);

/// Rebuilds SimX(0..last) over the grid of a simulated spectrum. Returns false when there is no
/// grid to compare with (no simulation yet, or fewer than two grid points).
bool BuildSimX(ExperimentState& exp, const simulation::Spectrum& s);

/// Linear interpolation at x of values f(m) given on the grid SimX(0..nPoints): between the
/// grid points j and j + 1 that enclose x. Returns false when x lies outside the grid (no
/// simulated value exists there).
template <typename Values>
bool InterpolateOnGrid(const Array1<float>& SimX, int nPoints, float x, const Values& f, double& s) {
    if (nPoints < 1 || !(x >= SimX(0)) || !(x <= SimX(nPoints))) return false;
    const int j = FindIndex(SimX, x, 0, nPoints);
    const double fj = f(j), fj1 = f(j + 1);
    const double step = static_cast<double>(SimX(j + 1)) - SimX(j);
    // Grid points closer than single precision resolves coincide; take the right-hand value.
    s = step != 0.0 ? fj1 - (fj1 - fj) * (static_cast<double>(SimX(j + 1)) - x) / step : fj1;
    return true;
}

/// The total of a simulated spectrum at an experimental x, for an x inside its range and on the
/// grid SimX (built by BuildSimX); false when the point is not compared.
bool SimulationAt(const ExperimentState& exp, const simulation::Spectrum& sim, float x, double& s);

/// How the comparison's chi-square is formed, as its label shows it: the squared differences of
/// simulation s and experiment e, both on the scale of a peak of 100, summed over the compared
/// points without weights and divided by 100.
inline constexpr const char* kChiSquareFormula = "(\xCE\xA3(s-e)\xC2\xB2/100)";

/// Fills SimAtExp and Residual for the experimental points 0..ExpPoints - 1 that lie in the
/// range of a simulated spectrum (and on its grid), computes the peak correlation (Pearson r of
/// experiment and simulation at those points) and the chi-square Σ(s - e)² / 100, and writes
/// LblCorrelation and LblDeviation. Residuals are divided by the vertical zoom. Points that
/// define no correlation (fewer than kMinComparedPoints, all at one x, a flat spectrum or a
/// flat simulation) set CompareProblem, and the correlation label says there is nothing to
/// compare.
void CompareWithSimulation(ExperimentState& exp, const simulation::Spectrum& sim, float zoomY);

/// The fewest compared points a peak correlation is computed from (two always correlate by ±1).
inline constexpr int kMinComparedPoints = 3;

/// The unit the x values of a spectrum are probably written in ("cm-1", "nm" or "Å", another
/// than the one they were read in), judged by which reading would put the spectrum into the
/// simulation range; empty when none would, or when the file stated the unit of its x.
std::string ProbableSpectrumUnit(const ExperimentState& exp, const simulation::Spectrum& sim);

/// Why no experimental point was compared: the simulation range and the spectrum's x range (in
/// the axis unit, named) and, when one fits, the unit its values are probably in.
std::string NothingComparedReason(const ExperimentState& exp, const simulation::Spectrum& sim,
                                  const std::string& unitName);

}  // namespace velmora::experiment
