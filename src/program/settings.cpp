#include "program/settings.h"

#include <cmath>
#include <type_traits>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/gas_composition.h"
#include "database/quenching.h"
#include "experiment/spectrum_formats.h"
#include "populations/populations_window.h"
#include "simulation/condition_limits.h"

namespace velmora::program {

namespace {

/// Values a setting may take, as its control accepts them; any value when lo > hi.
struct Range {
    double lo = 1, hi = 0;
    constexpr Range() = default;
    constexpr Range(double l, double h) : lo(l), hi(h) {}
    constexpr Range(const simulation::Limits& l) : lo(l.lo), hi(l.hi) {}
    constexpr bool Accepts(double v) const { return lo > hi || (v >= lo && v <= hi); }
};
constexpr Range kAny{};
constexpr Range kSwitch{0, 1};

/// Integers stored as 16-bit numbers.
constexpr bool kShort = true;

/// Calls visit(section, key, default, variable, range, is16bit) for every setting, in the order
/// in which the settings are written. Works on a const state (for writing) and a mutable one
/// (for reading).
template <typename App, typename Visit>
void ForEachSetting(App& app, Visit&& visit) {
    using namespace simulation;
    visit("Main", "irad", "1", app.db.irad, kAny, false);
    visit("Main", "icoef", "1", app.table.icoef, Range{1, 6}, false);
    visit("Main", "itran", "1", app.table.itran, Range{1, 2}, false);
    visit("Main", "intHund", "1", app.table.intHund, Range{0, 1}, false);
    visit("Main", "intWindows", "1", app.shell.intWindows, Range{0, 4}, false);
    visit("Main", "intTabMain", "1", app.shell.intTabMain, Range{0, 1}, false);
    visit("Main", "intTabPop", "0", app.pop.intTabPop, Range{0, 2}, false);
    visit("Main", "intColor", "0", app.plot.intColor, Range{0, 1}, kShort);
    visit("Simulation", "Kind", "1", app.sim.Kind, Range{1, 4}, false);
    visit("Simulation", "Lineshape", "1", app.sim.Lineshape, Range{1, 6}, false);
    visit("Simulation", "Instrumental resolution", "1", app.sim.InstrumentalResolution, kResolutionLimits, false);
    // Any range that some axis unit accepts; LoadSettings checks it against the unit read.
    visit("Simulation", "Xini", "3050", app.sim.Xini, Range{RangeLimits(4).lo, kRangeLimits.hi}, false);
    visit("Simulation", "Xend", "3150", app.sim.Xend, Range{RangeLimits(4).lo, kRangeLimits.hi}, false);
    visit("Simulation", "Units", "1", app.sim.Units, Range{1, 5}, false);
    visit("Simulation", "Pressure", "0", app.sim.Pressure, kPressureTorrLimits, false);
    visit("Simulation", "Pressure_units", "0", app.sim.PressureUnits, Range{0, 5}, false);
    visit("Simulation", "Temperature", "300", app.pop.Temperature, kTemperatureLimits, false);
    visit("Simulation", "MinimumPopulation", "0.00001", app.pop.MinimumPopulation,
          Range{0, populations::kMaxMinimumPopulation}, false);
    visit("Simulation", "DopplerBroadening", "0", app.sim.DopplerBroadening, kSwitch, kShort);
    visit("Simulation", "CollisionalBroadening", "0", app.sim.CollisionalBroadening, kSwitch, kShort);
    visit("Simulation", "PredissociationBroadening", "1", app.sim.PredissociationBroadening, kSwitch, kShort);
    visit("Simulation", "Quenching", "0", app.db.Quenching, Range{0, database::kMaxQuenching}, false);
    visit("Simulation", "QuenchingUnits", "0", app.db.QuenchingUnits, Range{0, 1}, false);
    visit("Simulation", "QuenchingSource", "0", app.db.QuenchingSource, Range{0, 3}, false);
    visit("Simulation", "PointDensity", "1", app.sim.PointDensity, Range{0, 3}, false);
    visit("Simulation", "Collisional Shift A", "0", app.sim.CollisionalShiftA, kCollisionalCoefficientLimits, false);
    visit("Simulation", "Collisional Shift B", "1", app.sim.CollisionalShiftB, kTemperatureExponentLimits, false);
    visit("Simulation", "Collisional Broad 1", "0", app.sim.CollisionalBroad1, kCollisionalCoefficientLimits, false);
    visit("Simulation", "Collisional Broad 2", "1", app.sim.CollisionalBroad2, kTemperatureExponentLimits, false);
    visit("Simulation", "Doppler shift", "0", app.sim.DopplerShift, kVelocityLimits, false);
    // Quenching by a gas composition.
    visit("Simulation", "Quenching composition", "N2=0.79,O2=0.21", app.db.QuenchingComposition, kAny, false);
    // The excitation laser of LIF by rate equations.
    visit("Simulation", "Laser Gaussian width", "0", app.sim.LaserGaussWidth, kAny, false);
    visit("Simulation", "Laser Lorentzian width", "0", app.sim.LaserLorentzWidth, kAny, false);
    visit("Simulation", "Pulse energy", "1", app.sim.PulseEnergy, kAny, false);
    visit("Simulation", "Pulse duration", "10", app.sim.PulseDuration, kAny, false);
    visit("Simulation", "Beam area", "0.1", app.sim.BeamArea, kAny, false);
    visit("Simulation", "Spectral irradiance", "0", app.sim.SpectralIrradiance, kAny, false);
    visit("Files", "Spectra directory", "", app.shell.SpectraDirectory, kAny, false);
    // Convolved instrument functions (triangle, trapezoid, measured).
    visit("Simulation", "Trapezoid top", "0", app.sim.TrapezoidTop, Range{0.0, kResolutionLimits.hi}, false);
    visit("Simulation", "Resolution slope", "0", app.sim.ResolutionSlope, kAny, false);
    visit("Simulation", "Slit units", "0", app.sim.SlitUnits, Range{0, 1}, false);
    visit("Simulation", "Slit scale", "1", app.sim.SlitScale, Range{1e-6, 1e6}, false);
    visit("Files", "Slit file", "", app.sim.SlitFile, kAny, false);
    // Absolute absorption.
    visit("Simulation", "Absorption units", "0", app.sim.AbsorptionUnits, Range{0, 3}, false);
    visit("Simulation", "Column density", "0", app.sim.ColumnDensity, kAny, false);
    visit("Simulation", "Number density", "0", app.sim.NumberDensity, kAny, false);
    visit("Simulation", "Path length", "0", app.sim.PathLength, kAny, false);
    // Intensity calibration of experimental spectra.
    visit("Files", "Response file", "", app.exp.ResponseFile, kAny, false);
    // The intensity column of several-column spectrum files (0: the automatic choice).
    visit("Files", "Spectra column", "0", app.shell.SpectraColumn, Range{0, experiment::kMaxIntensityColumn}, false);
}

/// A whole number of the stored text, rounded (halves to even) and kept within the type.
int ToInteger(double value, bool sixteenBit) {
    const double lo = sixteenBit ? -32768.0 : -2147483648.0;
    const double hi = sixteenBit ? 32767.0 : 2147483647.0;
    if (!(value >= lo)) value = lo;
    if (!(value <= hi)) value = hi;
    return RoundHalfEven(value);
}

}  // namespace

std::optional<std::string> MemoryStore::Get(const std::string& section, const std::string& key) const {
    auto it = values_.find({section, key});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemoryStore::Set(const std::string& section, const std::string& key, const std::string& value) {
    values_[{section, key}] = value;
    writes.push_back({section, key, value});
}

void LoadSettings(AppState& app, const KeyValueStore& store) {
    ForEachSetting(app, [&](const char* section, const char* key, const char* fallback, auto& variable, Range range,
                            bool sixteenBit) {
        std::string text = store.Get(section, key).value_or("");
        using T = std::decay_t<decltype(variable)>;
        if constexpr (std::is_same_v<T, std::string>) {
            variable = text;
        } else if constexpr (std::is_same_v<T, database::GasComposition>) {
            // A composition edited into something unreadable takes the default.
            if (Trim(text).empty()) text = fallback;
            try {
                variable = database::ParseComposition(text);
            } catch (const std::invalid_argument&) {
                variable = database::ParseComposition(fallback);
            }
        } else {
            if (Trim(text).empty()) text = fallback;
            const double value = Val(text);
            // A value its control would refuse (a store edited by hand, or written by another
            // version) takes the first-run default: an index outside its list would select
            // nothing, a number out of range would stop the first simulation.
            if constexpr (std::is_same_v<T, int>) {
                variable = ToInteger(value, sixteenBit);
                if (!range.Accepts(variable)) variable = ToInteger(Val(fallback), sixteenBit);
            } else {
                const float single = static_cast<float>(value);
                variable = std::isfinite(single) && range.Accepts(single) ? single : static_cast<float>(Val(fallback));
            }
        }
    });
    // The range must lie within the limits of its unit, run upwards and hold more than one point;
    // otherwise it is the first-run range (in nm on a nm axis).
    const simulation::Limits limits = simulation::RangeLimits(app.sim.Units);
    if (!(app.sim.Xini < app.sim.Xend && limits.Contains(app.sim.Xini) && limits.Contains(app.sim.Xend))) {
        const float scale = app.sim.Units >= 4 ? 0.1f : 1.0f;
        app.sim.Xini = 3050.0f * scale;
        app.sim.Xend = 3150.0f * scale;
    }
}

void SaveSettings(const AppState& app, KeyValueStore& store) {
    ForEachSetting(app, [&](const char* section, const char* key, const char*, const auto& variable, Range, bool) {
        using T = std::decay_t<decltype(variable)>;
        if constexpr (std::is_same_v<T, std::string>)
            store.Set(section, key, variable);
        else if constexpr (std::is_same_v<T, database::GasComposition>)
            store.Set(section, key, database::CompositionText(variable));
        else
            store.Set(section, key, Str(variable));
    });
}

std::string SettingsNotSavedMessage(const std::string& file) {
    return "Your settings could not be saved: " + file +
           " cannot be written (check that its folder is writable and that it is a file). The choices of this "
           "session are lost.";
}

}  // namespace velmora::program
