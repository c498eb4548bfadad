#include "program/settings.h"

#include <cmath>
#include <type_traits>

#include "common/number_format.h"
#include "common/numerics.h"
#include "database/gas_composition.h"
#include "database/quenching.h"
#include "experiment/spectrum_formats.h"
#include "populations/populations_window.h"
#include "program/multiplet_band_system.h"
#include "simulation/condition_fields.h"

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

/// Integers stored as 16-bit numbers.
constexpr bool kShort = true;

/// Calls visitor.Other(section, key, default, variable, range, is16bit) for every setting of a
/// variable outside the conditions and visitor.Condition(field) for every condition field with a
/// settings key (its key, default, limits and conversion come from the field table), in the
/// order in which the settings are written. Works on a const state (for writing) and a mutable
/// one (for reading).
template <typename App, typename Visitor>
void ForEachSetting(App& app, Visitor&& visit) {
    using simulation::Field;
    auto condition = [&visit](const char* name) { visit.Condition(Field(name)); };
    if constexpr (std::is_const_v<App>) {
        // Written: the entry the band-system list shows, a system of any multiplicity included;
        // read into systemEntry, which start-up keeps when it names such a system.
        const int entry = SelectedEntry(app);
        visit.Other("Main", "irad", "1", entry, kAny, false);
    } else {
        visit.Other("Main", "irad", "1", app.db.systemEntry, kAny, false);
    }
    visit.Other("Main", "icoef", "1", app.table.icoef, Range{1, 6}, false);
    visit.Other("Main", "itran", "1", app.table.tableKind, Range{1, 2}, false);
    visit.Other("Main", "intHund", "1", app.table.nomenclature, Range{0, 1}, false);
    visit.Other("Main", "intWindows", "1", app.shell.intWindows, Range{0, 4}, false);
    visit.Other("Main", "intTabMain", "1", app.shell.intTabMain, Range{0, 2}, false);
    visit.Other("Main", "intTabPop", "0", app.pop.intTabPop, Range{0, 2}, false);
    visit.Other("Main", "intColor", "0", app.plot.intColor, Range{0, 1}, kShort);
    for (const char* name :
         {"kind", "lineshape", "resolution", "start", "end", "units", "pressure", "pressure-units", "temperature"})
        condition(name);
    visit.Other("Simulation", "MinimumPopulation", "0.00001", app.pop.MinimumPopulation,
                Range{0, populations::kMaxMinimumPopulation}, false);
    for (const char* name : {"doppler", "collisional", "predissociation", "quenching"}) condition(name);
    visit.Other("Simulation", "QuenchingUnits", "0", app.sim.QuenchingUnits, Range{0, 1}, false);
    for (const char* name :
         {"quenching-source", "density", "shift-a", "shift-b", "coll-b1", "coll-b2", "doppler-velocity", "composition",
          "laser-gauss", "laser-lorentz", "pulse-energy", "pulse-duration", "beam-area", "spectral-irradiance"})
        condition(name);
    visit.Other("Files", "Spectra directory", "", app.shell.SpectraDirectory, kAny, false);
    for (const char* name : {"top", "resolution-slope", "slit-units", "slit-scale"}) condition(name);
    // The measured instrument function is read from its file at start-up.
    const simulation::SettingKey slit = Field("slit").setting;
    visit.Other(slit.section, slit.key, "", app.sim.SlitFile, kAny, false);
    for (const char* name : {"absorption-units", "column-density", "number-density", "path-length"}) condition(name);
    // Intensity calibration of experimental spectra.
    visit.Other("Files", "Response file", "", app.exp.ResponseFile, kAny, false);
    // The intensity column of several-column spectrum files (0: the automatic choice).
    visit.Other("Files", "Spectra column", "0", app.shell.SpectraColumn, Range{0, experiment::kMaxIntensityColumn},
                false);
}

/// A whole number of the stored text, rounded (halves to even) and kept within the type.
int ToInteger(double value, bool sixteenBit) {
    const double lo = sixteenBit ? -32768.0 : -2147483648.0;
    const double hi = sixteenBit ? 32767.0 : 2147483647.0;
    if (!(value >= lo)) value = lo;
    if (!(value <= hi)) value = hi;
    return RoundHalfEven(value);
}

/// A stored text as a number, its default when empty.
double StoredNumber(const std::string& text, const std::string& fallback) {
    return Val(Trim(text).empty() ? fallback : text);
}

/// Reads each setting into the state.
struct Reader {
    AppState& app;
    const KeyValueStore& store;

    std::string Text(const char* section, const char* key) const { return store.Get(section, key).value_or(""); }

    template <typename T>
    void Other(const char* section, const char* key, const char* fallback, T& variable, Range range, bool sixteenBit) {
        std::string text = Text(section, key);
        if constexpr (std::is_same_v<T, std::string>) {
            variable = text;
        } else {
            const double value = StoredNumber(text, fallback);
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
    }

    void Condition(const simulation::ConditionField& f) {
        using simulation::FieldType;
        simulation::SimulationConditions& c = app.sim.conditions;
        const simulation::SimulationConditions first;
        const std::string text = Text(f.setting.section, f.setting.key);
        if (f.type == FieldType::Text) {
            // A composition edited into something unreadable takes the default.
            try {
                if (!Trim(text).empty()) f.setText(c, text);
            } catch (const std::invalid_argument&) {
                c.composition = first.composition;
            }
            return;
        }
        const double fallback = f.get(first);
        const double value = Trim(text).empty() ? fallback : Val(text);
        if (f.type == FieldType::Number) {
            // The range is checked against its unit once both are read.
            const bool range = f.limitsFor != nullptr;
            f.set(c, std::isfinite(value) && (range || f.limits.Contains(value)) ? value : fallback);
            return;
        }
        const int last = f.first + static_cast<int>(f.choices.size()) - 1;
        const int n = ToInteger(value, f.type == FieldType::Switch);
        f.set(c, n >= f.first && n <= last ? n : static_cast<int>(fallback));
    }
};

/// Writes each setting from the state, numbers in their default text form without its leading
/// blank ("1", "-0.5"); a stored text with the blank, as earlier versions wrote it, reads the same.
struct Writer {
    const AppState& app;
    KeyValueStore& store;

    template <typename T>
    void Other(const char* section, const char* key, const char*, const T& variable, Range, bool) {
        if constexpr (std::is_same_v<T, std::string>)
            store.Set(section, key, variable);
        else
            store.Set(section, key, Trim(Str(variable)));
    }

    void Condition(const simulation::ConditionField& f) {
        using simulation::FieldType;
        const simulation::SimulationConditions& c = app.sim.conditions;
        if (f.type == FieldType::Text)
            store.Set(f.setting.section, f.setting.key, f.getText(c));
        else if (f.type == FieldType::Number)
            store.Set(f.setting.section, f.setting.key, Trim(CompactStr(f.get(c))));
        else
            store.Set(f.setting.section, f.setting.key, Trim(Str(static_cast<int>(f.get(c)))));
    }
};

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
    // The conditions not kept between runs take their first-run values.
    app.sim.conditions = simulation::SimulationConditions();
    Reader reader{app, store};
    ForEachSetting(app, reader);
    // The range must lie within the limits of its unit, run upwards and hold more than one point;
    // otherwise it is the first-run range (in nm on a nm axis).
    simulation::SimulationConditions& c = app.sim.conditions;
    const simulation::Limits limits = simulation::RangeLimits(simulation::StoredValue(c.unit));
    if (!(c.start < c.end && limits.Contains(c.start) && limits.Contains(c.end))) {
        const double scale = simulation::UnitsPerAngstrom(c.unit) == 0.1 ? 0.1 : 1.0;
        c.start = 3050.0 * scale;
        c.end = 3150.0 * scale;
    }
}

void SaveSettings(const AppState& app, KeyValueStore& store) {
    Writer writer{app, store};
    ForEachSetting(app, writer);
}

std::string SettingsNotSavedMessage(const std::string& file) {
    return "Your settings could not be saved: " + file +
           " cannot be written (check that its folder is writable and that it is a file). The choices of this "
           "session are lost.";
}

}  // namespace velmora::program
