// The parameters of a spectrum fit, their names and the user's settings of them.
//
// Per band system k (1, 2, ... in the order the systems are given): rotational temperature "t",
// vibrational temperature "tvib" (separate from t only when named; otherwise one common
// temperature), relative populations "pop(v=N)" of the vibrational levels (state-by-state: they
// replace the vibrational temperature; the lowest fitted level is the reference, fixed at 1, so
// that "pop" frees every other level), and the intensity "scale". A name without a suffix means
// every system; ":k" one of them ("t:2").
//
// Shared by all systems: baseline offset "baseline" and slope "slope" (y units per axis unit,
// about the centre of the fitted range), the axis calibration "shift", linear "stretch" and
// "quadratic" term, and the instrument function, Gaussian FWHM "gauss" ("laser" for a LIF
// excitation scan, where the laser's line is the instrument function) and Lorentzian FWHM
// "lorentz", both in axis units.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::fit {

/// What a parameter is. The first four belong to one band system, the others to the spectrum.
enum class ParameterKind {
    RotationalTemperature,
    VibrationalTemperature,
    Population,
    Scale,
    BaselineOffset,
    BaselineSlope,
    Shift,
    Stretch,
    Quadratic,
    GaussWidth,
    LorentzWidth,
    // An instrument-function width scale (a measured slit function stretched) belongs here.
};

/// True for the kinds that each band system has of its own.
constexpr bool IsPerSystem(ParameterKind k) { return k <= ParameterKind::Scale; }

/// One parameter of a fit.
struct ParameterId {
    ParameterKind kind = ParameterKind::Scale;
    int system = 0;  ///< band system, 0-based (per-system kinds only)
    int level = -1;  ///< vibrational level v of a population

    friend bool operator==(const ParameterId&, const ParameterId&) = default;
};

/// The name of a parameter as results, the command line and the dialog write it; the system
/// suffix ":k" only when the fit has more than one system.
std::string ParameterName(const ParameterId& id, bool lifExcitation, bool severalSystems);

/// What a name given by the user selects: a kind, one system or all (nullopt), one level or all.
struct ParameterPattern {
    ParameterKind kind = ParameterKind::Scale;
    std::optional<int> system;  ///< 0-based
    std::optional<int> level;

    bool Matches(const ParameterId& id) const;
};

/// Parses a name ("t", "tvib:2", "pop", "pop(v=1)", "gauss" ...). Throws FitInputError for a
/// name that is not a parameter, or for "laser" outside a LIF excitation scan.
ParameterPattern ParseParameterName(std::string_view name, bool lifExcitation);

/// The user's choices: which parameters are free, their start values and their bounds, by name.
/// Every parameter not named keeps its default (fixed, at the value of the conditions).
struct FitSettings {
    std::vector<std::string> free = {"t", "scale", "baseline"};
    std::map<std::string, double> start;
    std::map<std::string, std::pair<double, double>> bounds;
};

/// One parameter with its value, bounds and whether the fit varies it.
struct Parameter {
    ParameterId id;
    std::string name;
    double value = 0.0;
    double lower = 0.0, upper = 0.0;  ///< bounds; ± infinity where unbounded
    bool free = false;
};

}  // namespace velmora::fit
