// Two-line LIF thermometry: the signal of each excitation line over a temperature range, and
// for pairs of lines the ratio R = S_a / S_b and its temperature sensitivity
//
//     s(T) = (dR/R) / (dT/T) = d ln R / d ln T
//
// taken by central differences at T (1 ± 1e-3). For Boltzmann populations and yields that do not
// depend on T, s = (E_b'' - E_a'') / (k T) with E'' the lower-level energies: a pair is the more
// sensitive the farther apart its lower levels lie, and useful only while both lines are strong.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// The populations of the conditions' state at a temperature (K).
using PopulationsAt = std::function<populations::Populations(double T)>;

/// One excitation line and its signal at each temperature of the scan.
struct ThermometryLine {
    double x = 0.0;  ///< axis position
    int vUp = 0, vLow = 0, b = 0, N = 0;
    std::vector<double> signal;  ///< line area, population-weighted, per temperature
};

/// A pair of lines, their ratio and its sensitivity per temperature.
struct ThermometryPair {
    std::size_t a = 0, b = 0;  ///< indices into the lines
    std::vector<double> ratio, sensitivity;
    double score = 0.0;  ///< mean |sensitivity| over the scan
};

struct ThermometryScan {
    std::vector<double> temperatures;
    std::vector<ThermometryLine> lines;  ///< by position
    int leftOut = 0;                     ///< lines below the minimum share of the strongest
    std::vector<ThermometryPair> pairs;  ///< best first
};

/// Signal (line area) of every line in c.start..c.end at temperature T: the conditions with that
/// temperature (yields, widths) and the populations at T. Lines at the same position add up.
std::vector<ThermometryLine> LineSignalsAt(const BandSystemModel& model, SimulationConditions c,
                                           const PopulationsAt& pop, double T);

/// Lines whose strongest signal over a scan stays below this share of the strongest line's are
/// left out: a pair built on them would need a detector range no measurement has.
inline constexpr double kThermometryMinimumShare = 1e-3;

/// Scans `steps` temperatures evenly from t1 to t2: every line's signal (lines whose largest
/// signal over the scan is below `minimumShare` of the largest of any line left out), then the
/// pairs among the `candidates` strongest lines (by their weakest signal over the scan), ranked
/// by their mean |sensitivity|, the best `pairs` of them.
ThermometryScan ScanThermometry(const BandSystemModel& model, const SimulationConditions& c, const PopulationsAt& pop,
                                double t1, double t2, int steps, std::size_t candidates, std::size_t pairs,
                                double minimumShare = kThermometryMinimumShare);

}  // namespace velmora::simulation
