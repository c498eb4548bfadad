// One simulation as a pure function of the band-system model, the conditions and the
// populations. The steps, in the order the data flows:
//
//   ComputeBroadening   conditions -> widths and shifts of the shared profile  (broadening.h)
//   PlanGrid            range and width -> point grid under the point budget     (spectral_grid.h)
//   BuildLineList       model, conditions, populations -> lines at their axis
//                       positions with their intensities                          (line_list.h)
//   LineDrawer::Draw    lines -> one spectrum per selected level                  (line_drawing.h)
//   total               population-weighted sum scaled to a peak of 100
//
// Simulate touches nothing but its arguments and its result: any number of threads may simulate
// at once on one model. Problems are thrown as ConditionError (or what the model build throws); a
// total beyond single precision as std::range_error.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"
#include "simulation/broadening.h"
#include "simulation/conditions.h"
#include "simulation/line_drawing.h"
#include "simulation/line_list.h"
#include "simulation/spectral_grid.h"

namespace velmora::simulation {

/// How the populations of a spectrum were given: thermal at the temperature of the conditions,
/// or a vibrational temperature and per level a rotational one, each absent where the
/// populations were edited by hand.
struct PopulationTemperatures {
    bool thermal = true;
    std::optional<double> vibrational;              ///< K
    std::vector<std::optional<double>> rotational;  ///< K, per selected level
};

/// A simulated spectrum: one trace per selected vibrational level and their weighted total, with
/// what it was simulated under, so that whatever shows, prints or saves it states the conditions
/// of the spectrum and not those set since.
struct Spectrum {
    /// The conditions of the simulation, the range in increasing order in single precision as
    /// the grid holds it.
    SimulationConditions conditions;
    /// The band system simulated as titles name it ("OH(A-X)  Emission", a line list's title);
    /// empty where the simulation was not told.
    std::string system;
    PopulationTemperatures temperatures;
    Broadening widths;  ///< the widths and shifts of the shared line profile
    SpectralGrid grid;
    std::vector<int> levels;      ///< the selected vibrational levels of the populated state
    std::vector<double> weights;  ///< their relative populations
    /// (k 1..levels, i 0..last): level k, not weighted by its population, so that the total is
    /// the sum of the levels times their populations. A four-wave-mixing signal goes as the square
    /// of the population: its level traces carry one factor of it.
    Array2<float> bands;
    Array1<float> total;  ///< (i 0..last): population-weighted sum of the levels
    /// The largest point of the unscaled total. Total and bands are scaled by 100 / peak, so that
    /// the total peaks at 100; total × peak / 100 is the intensity in the units of the line
    /// strengths and populations, comparable between band systems.
    float peak = 0.0f;
    int linesDrawn = 0;           ///< lines that reached at least one grid point
    long long profilePoints = 0;  ///< grid points those lines covered together
    bool gridCoarsened = false;   ///< the point budget made the grid coarser than the width asks
};

/// How a simulation runs (not what it simulates).
struct SimulationOptions {
    ProfileMethod profiles = ProfileMethod::Convolved;
    Progress progress;  ///< called once per band
};

/// Simulates the spectrum of the conditions: widths at the range centre, the grid of the
/// conditions' point density under the point budget, the lines, their profiles and the total.
Spectrum Simulate(const BandSystemModel& model, const SimulationConditions& conditions,
                  const populations::Populations& populations, const SimulationOptions& options = {});

/// The later steps with the widths and the grid given: a fit keeps its grid while the widths
/// change, the screen keeps the widths it shows.
Spectrum Simulate(const BandSystemModel& model, const SimulationConditions& conditions,
                  const populations::Populations& populations, const Broadening& widths, const SpectralGrid& grid,
                  const SimulationOptions& options = {});

/// Total = the level traces weighted by s.weights; total and levels scaled so that the total
/// peaks at 100. Throws std::range_error for a total beyond single precision.
void BuildTotal(Spectrum& s);

}  // namespace velmora::simulation
