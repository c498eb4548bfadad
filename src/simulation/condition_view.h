// What the main window shows of the conditions besides their values: the controls each set of
// conditions offers, the widths and shifts at the centre of the range with their captions, the
// unit and formula captions, the measured instrument function's caption and the rows of the gas
// composition table.
#pragma once

#include <string>

#include "simulation/simulation_state.h"

namespace velmora::simulation {

/// Names of the lineshapes 4..6 in the lineshape list (1..3 come from the catalogue).
inline constexpr const char* kConvolvedLineshapeNames[] = {"Triangle", "Trapezoid", "Measured (file)"};

/// The controls the conditions offer; the others keep their values, disabled.
struct OfferedControls {
    bool lorentzian = false;       ///< Lorentzian share: Voigt only
    bool trapezoidTop = false;     ///< flat top: trapezoid only
    bool slit = false;             ///< the measured function's unit and scale
    bool resolutionSlope = false;  ///< convolved instrument functions
    bool absorption = false;       ///< absolute absorption: the absorption kind
    bool lif = false;              ///< LIF regime, gate and spectral window: LIF excitation
    bool gateTimes = false;        ///< delay and gate width: LIF with a time-resolved gate
    bool windowLimits = false;     ///< window limits: LIF with a spectral window
    bool yields = false;           ///< yield mode and quenching: the kinds whose signal is fluorescence
    bool quenchingRate = false;    ///< the single rate constant: that source
    bool composition = false;      ///< the gas composition: that source
};
OfferedControls Offered(const SimulationConditions& c);

/// Pressure formula shown after the collisional coefficients for a pressure unit.
std::string PressureFormula(PressureUnit unit);

/// Recomputes the widths and shifts at the range centre of the conditions (molecular mass in u;
/// a value the conditions leave undefined keeps the one shown) and every caption that follows
/// from the conditions: widths, shifts, units, the pressure formula and the measured function.
void UpdateConditionView(SimulationState& sim, double molecularMass);

/// Writes the gas composition of the conditions into the rows of the composition table.
void FillCompositionTable(SimulationState& sim);

/// Reads the measured instrument function of `path` (with the offset unit of the conditions) and
/// makes it the one in force. A file that cannot be read leaves no measured function (the
/// simulation then asks for one), keeps the path, and returns the message naming the file and
/// the problem; "" when it was read.
std::string LoadSlitFile(SimulationState& sim, const std::string& path, double molecularMass);

/// True when a simulated spectrum exists (the results of the last complete run).
inline bool HasSimulation(const SimulationState& sim) { return !sim.result.total.Empty(); }

/// The title of the plot window and the drawn plot: "Simulation   " and the system the last
/// spectrum simulated; empty before the first.
inline std::string SimulationTitle(const Spectrum& s) {
    return s.system.empty() ? std::string() : "Simulation   " + s.system;
}

/// The conditions of what the plot shows: the last spectrum's, or the conditions in force before
/// the first simulation.
inline const SimulationConditions& ShownConditions(const SimulationState& sim) {
    return HasSimulation(sim) ? sim.result.conditions : sim.conditions;
}

}  // namespace velmora::simulation
