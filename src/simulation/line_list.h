// The line list of one simulation: every line of the contributing bands inside the range, at its
// axis position and with the intensity it adds for the kind of spectrum, the populations and the
// fluorescence conditions (yield, gate, detection window, LIF regime).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/bounded_array.h"
#include "database/quenching_models.h"
#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"
#include "simulation/conditions.h"
#include "simulation/thread_kept.h"

namespace velmora::simulation {

/// One line to draw.
struct DrawnLine {
    double x = 0.0;         ///< axis position, line shift included
    double weight = 0.0;    ///< area under the line profile (in the partially saturated LIF regime
                            ///< the factor of sqrt(strength × profile))
    float strength = 0.0f;  ///< line strength S of the populated state's column
    float lifetime = 0.0f;  ///< lifetime of the upper level with predissociation, ns
    /// LIF by rate equations: W (1 + g_l/g_u) / Γ per unit of the line's area-normalised profile
    /// (axis units); the line adds weight × s p / (1 + s p) with s this and p the profile.
    float saturation = 0.0f;
    std::int16_t vUp = 0, vLow = 0;  ///< the band
    std::int16_t b = 0, N = 0;       ///< branch 1..24 and lower rotational row
};

/// The lines of every selected level, in the order of the populations' levels.
struct LineList {
    std::vector<std::vector<DrawnLine>> levels;
    bool squareRoot = false;     ///< partially saturated LIF: a line adds weight × sqrt(S × profile)
    bool rateEquations = false;  ///< LIF by rate equations: a line saturates with its profile

    /// Bytes of line storage held (capacity, not size).
    std::size_t Bytes() const;
};

/// Receives the progress of a long step in percent.
using Progress = std::function<void(double percent)>;

/// Axis position of a wavenumber (cm-1).
double AxisPosition(double nu, AxisUnit unit);

/// The axis positions of lines, built for the baseline instruction set and for AVX2 (the same
/// divisions and sums, four lines a vector: the same bits).
struct PositionKernels {
    /// x[i] = AxisPosition(lines[i].nu, unit) + shift, i < count.
    void (*positions)(const ModelLine* lines, std::size_t count, AxisUnit unit, double shift, double* x);
};
const PositionKernels& BaselinePositionKernels();
/// The build this processor runs.
const PositionKernels& ActivePositionKernels();

/// Quenching rate (s-1) of the upper state by the gas of the conditions at their temperature and
/// pressure, with the warnings of the models (partners without a model, temperatures outside
/// their range); 0 without warnings unless the quenching source is the gas composition.
database::CompositionQuenching GasQuenching(const database::StateQuenching& models, const SimulationConditions& c);

/// Fluorescence quantum yield of an upper level from its radiative lifetime tauR, its lifetime
/// with predissociation tauEff (ns; 0 when unknown), its quenching rate constant (µs-1 Torr-1)
/// and the quenching rate of the gas composition (s-1): 1 / ((Q + G) tauR) with the collision
/// rate Q of the conditions' source and the decay rate G the yield mode keeps. 0 without a
/// radiative lifetime.
double FluorescenceYield(double tauR, double tauEff, double quenchRateConstant, double compositionRate,
                         const SimulationConditions& c);

/// Yield of every upper level (v', c, N') of the model; entries without level files keep the
/// yields of the pre-computation.
Array3<float> LevelYields(const BandSystemModel& model, const SimulationConditions& c);

/// One band counted by the detection window: its origin (cm-1, 0 for none) and emission weight.
struct BandWeight {
    double origin = 0.0;
    double emission = 0.0;
};

/// Detected fraction of the emission of an upper level into `bands` through the window of the
/// conditions: whole bands counted by their origin, with a 20 Å margin; 1 for the full spectrum
/// or when the bands emit nothing. Reversed window limits are taken in increasing order.
double WindowFactor(const std::vector<BandWeight>& bands, const SimulationConditions& c);

/// Fraction of an exponential decay of lifetime tauNs collected by the detection gate: 1 for
/// total integration, exp(-delay/tau) - exp(-(delay + width)/tau) for a time-resolved gate with
/// each exponential taken as 0 beyond ten lifetimes; 0 for lifetimes up to 1E-7 ns.
double GateFactor(double tauNs, GateMode gate, double delayNs, double widthNs);

/// True when a band whose origin lies at originCm may have lines in start..end: the origin must
/// lie within 350 Å of the range (a range in cm-1 or nm is taken in Å for this test, since the
/// rotational structure of a band spreads over a width fixed in wavelength).
bool BandMayContribute(double originCm, double start, double end, AxisUnit unit);

/// The lines of every selected level that fall strictly inside start..end after the line shift.
/// Reports progress once per band (selected level, level of the other state).
LineList BuildLineList(const BandSystemModel& model, const SimulationConditions& c,
                       const populations::Populations& populations, double lineShift, double start, double end,
                       const Progress& progress = {});
/// As BuildLineList, into `list`, whose per-level storage is reused: a simulation repeated with a
/// kept list allocates nothing once the list has grown to its size.
void BuildLineListInto(LineList& list, const BandSystemModel& model, const SimulationConditions& c,
                       const populations::Populations& populations, double lineShift, double start, double end,
                       const Progress& progress = {});

/// A line list kept on the calling thread for reuse by the next simulation there.
using KeptLineList = ThreadKept<LineList>;

}  // namespace velmora::simulation
