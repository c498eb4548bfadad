#include "program/fit_dialog.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "common/number_format.h"
#include "display/plot_frame.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/experiment_state.h"
#include "experiment/shown_uncertainties.h"
#include "experiment/spectrum_formats.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "populations/populations_window.h"
#include "program/condition_events.h"
#include "program/simulation_run.h"
#include "simulation/condition_view.h"

namespace velmora::program {

namespace {

constexpr const char* kSection = "Fit";
constexpr int kMostResamples = 10000;  ///< bootstrap resamples the dialog takes

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char ch : text + separator) {
        if (ch != separator) {
            part += ch;
            continue;
        }
        if (!Trim(part).empty()) parts.push_back(Trim(part));
        part.clear();
    }
    return parts;
}

/// A number typed in the dialog; the message names the field.
double Number(const std::string& text, const std::string& field) {
    if (!IsNumeric(Trim(text))) throw fit::FitInputError(field + ": \"" + text + "\" is not a number");
    return Val(text);
}

FitDialogRow* Row(FitDialogState& d, const std::string& name) {
    for (FitDialogRow& r : d.rows)
        if (r.name == name) return &r;
    return nullptr;
}

}  // namespace

FitDialogState NewFitDialog(const AppState& app) {
    FitDialogState d;
    const bool lif = app.sim.conditions.kind == simulation::SpectrumKind::LifExcitation;
    for (const char* name : {"t", "tvib", "pop", "scale", "baseline", "slope", "shift", "stretch", "quadratic",
                             lif ? "laser" : "gauss", "lorentz"})
        d.rows.push_back({name, false, "", "", ""});
    for (const char* name : {"t", "scale", "baseline"}) Row(d, name)->free = true;
    return d;
}

void LoadFitDialog(FitDialogState& d, const KeyValueStore& store) {
    auto get = [&](const char* key) { return store.Get(kSection, key); };
    if (const auto free = get("Free")) {
        for (FitDialogRow& r : d.rows) r.free = false;
        for (const std::string& n : Split(*free, ','))
            if (FitDialogRow* r = Row(d, n)) r->free = true;
    }
    if (const auto values = get("Values"))
        for (const std::string& item : Split(*values, ',')) {
            const auto eq = item.find('='), colon = item.find(':', eq);
            FitDialogRow* r = eq == std::string::npos ? nullptr : Row(d, Trim(item.substr(0, eq)));
            if (!r || colon == std::string::npos) continue;
            // name=value:min:max
            const std::vector<std::string> f = {item.substr(eq + 1, colon - eq - 1), item.substr(colon + 1)};
            r->value = Trim(f[0]);
            const auto colon2 = f[1].find(':');
            r->min = Trim(f[1].substr(0, colon2));
            r->max = colon2 == std::string::npos ? "" : Trim(f[1].substr(colon2 + 1));
        }
    if (const auto v = get("Exclude")) d.exclusions = *v;
    if (const auto v = get("Systems")) d.extraSystems = *v;
    if (const auto v = get("Weights")) d.weighting = std::clamp(static_cast<int>(Val(*v)), 0, 2);
    if (const auto v = get("SigmaColumn"))
        d.sigmaColumn = std::clamp(static_cast<int>(Val(*v)), 0, experiment::kMaxIntensityColumn);
    if (const auto v = get("Convention")) d.convention = std::clamp(static_cast<int>(Val(*v)), 0, 1);
    if (const auto v = get("Bootstrap")) d.bootstrap = std::clamp(static_cast<int>(Val(*v)), 0, kMostResamples);
    if (const auto v = get("Components")) d.components = std::clamp(static_cast<int>(Val(*v)), 0, 2);
}

void SaveFitDialog(const FitDialogState& d, KeyValueStore& store) {
    std::string free, values;
    for (const FitDialogRow& r : d.rows) {
        if (r.free) free += (free.empty() ? "" : ",") + r.name;
        if (!r.value.empty() || !r.min.empty() || !r.max.empty())
            values += (values.empty() ? "" : ",") + r.name + "=" + r.value + ":" + r.min + ":" + r.max;
    }
    store.Set(kSection, "Free", free);
    store.Set(kSection, "Values", values);
    store.Set(kSection, "Exclude", d.exclusions);
    store.Set(kSection, "Systems", d.extraSystems);
    store.Set(kSection, "Weights", std::to_string(d.weighting));
    store.Set(kSection, "SigmaColumn", std::to_string(d.sigmaColumn));
    store.Set(kSection, "Convention", std::to_string(d.convention));
    store.Set(kSection, "Bootstrap", std::to_string(d.bootstrap));
    store.Set(kSection, "Components", std::to_string(d.components));
}

fit::FitRequest FitRequestFromDialog(AppState& app, const FitDialogState& d) {
    const ExperimentState& exp = app.exp;
    if (!HasExperimentalPoints(exp)) throw fit::FitInputError("no experimental spectrum is loaded: load one to fit it");
    fit::FitRequest r = FitSettingsFromDialog(app, d);
    // The spectrum shown as corrected, already on the axis unit of the conditions (spectra are
    // converted to the axis when they are read and when the unit changes).
    const bool shown = exp.ExpCurrent >= 0 && exp.ExpCurrent < static_cast<int>(exp.ExpFiles.size());
    r.spectrum.source = shown ? exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)].Path : "the spectrum";
    for (int i = 0; i <= exp.ExpPoints; ++i) {
        r.spectrum.x.push_back(exp.ExpX(i));
        r.spectrum.y.push_back(exp.ExpY(i));
    }
    if (r.weighting == fit::Weighting::FileColumn) {
        if (d.sigmaColumn <= 0)
            throw fit::FitInputError(
                "weights 1/σ² from a column: choose the column of the file that holds the "
                "uncertainties");
        try {
            r.spectrum.sigma =
                experiment::ShownUncertainties(exp, simulation::StoredValue(app.sim.conditions.unit), d.sigmaColumn);
        } catch (const std::exception& e) {
            throw fit::FitInputError(e.what());
        }
    }
    return r;
}

fit::FitRequest FitSettingsFromDialog(AppState& app, const FitDialogState& d) {
    fit::FitRequest r;
    r.conditions = app.sim.conditions;
    // The system the screen simulates: an opened line list, a system of any multiplicity (its
    // populations from its own levels) or the catalogue's selected one.
    if (app.sim.LineList) {
        r.systems.push_back(fit::MakeFitSystem(app.sim.LineList));
    } else if (app.sim.Multiplet) {
        r.systems.push_back(fit::MakeFitSystem(app.sim.Multiplet, app.db));
    } else {
        const auto model = CurrentModel(app.sim, app.db);
        if (!model) throw fit::FitInputError("no band system is selected");
        r.systems.push_back(fit::MakeFitSystem(model, app.db));
    }
    for (const std::string& e : Split(d.extraSystems, ',')) {
        const double entry = Number(e, "extra band systems");
        r.systems.push_back(fit::LoadFitSystem(app.db, static_cast<int>(entry), r.conditions));
    }
    r.settings.free.clear();
    for (const FitDialogRow& row : d.rows) {
        if (row.free) r.settings.free.push_back(row.name);
        if (!Trim(row.value).empty()) r.settings.start[row.name] = Number(row.value, row.name + " value");
        if (!Trim(row.min).empty() || !Trim(row.max).empty()) {
            const double inf = std::numeric_limits<double>::infinity();
            r.settings.bounds[row.name] = {Trim(row.min).empty() ? -inf : Number(row.min, row.name + " min"),
                                           Trim(row.max).empty() ? inf : Number(row.max, row.name + " max")};
        }
    }
    for (const std::string& range : Split(d.exclusions, ',')) {
        const auto colon = range.find(':');
        if (colon == std::string::npos) throw fit::FitInputError("excluded range \"" + range + "\" is not A:B");
        r.excluded.emplace_back(Number(range.substr(0, colon), "excluded range"),
                                Number(range.substr(colon + 1), "excluded range"));
    }
    r.weighting = static_cast<fit::Weighting>(d.weighting);
    r.convention = static_cast<fit::IntensityConvention>(d.convention);
    r.options.bootstrap = d.bootstrap == 1 ? 2 : d.bootstrap;
    r.options.components = static_cast<fit::ComponentDetail>(d.components);
    return r;
}

std::vector<std::array<std::string, 3>> FitResultTable(const fit::FitResult& r) {
    const simulation::AxisUnit unit = r.conditions.unit;
    std::vector<std::array<std::string, 3>> rows;
    bool intensityUnit = false;
    for (std::size_t k = 0; k < r.parameters.size(); ++k) {
        const fit::Parameter& q = r.parameters[k];
        if (!q.free && q.value == 0.0 && q.id.kind != fit::ParameterKind::BaselineOffset) continue;  // unused terms
        const std::string u = fit::ParameterUnit(q.id.kind, unit);
        intensityUnit = intensityUnit || u.starts_with("y");
        const std::string flag = r.atBound[k] ? "at bound" : q.free ? "" : "fixed";
        const std::string note = fit::UncertaintyNote(r, k);
        rows.push_back({q.name,
                        fit::ValueWithUncertainty(q.value, r.uncertainties[k], q.free) + (u.empty() ? "" : " " + u),
                        flag + (flag.empty() || note.empty() ? "" : "; ") + note});
    }
    // The scale and baseline are in the units of the measured intensities, whatever they are.
    if (intensityUnit) rows.push_back({"y", "intensity unit of the measured spectrum", ""});
    return rows;
}

std::string FitReportText(const fit::FitResult& r) {
    std::string systems;
    for (const std::string& s : r.systems) systems += (systems.empty() ? "" : " + ") + s;
    std::string text = systems + "\n";
    for (const std::string& line : fit::ResultLines(r)) text += line + "\n";
    return text;
}

namespace {

/// A value as the program writes it into a box.
std::string BoxValue(double v) { return Trim(Str(static_cast<float>(v))); }

/// A fitted value; 0 for a term the fit did not have.
double FittedOr0(const fit::FitResult& r, const std::string& name) {
    const double v = r.Value(name);
    return std::isfinite(v) ? v : 0.0;
}

/// The first band system's populations as the fit drew them: every level's rotational
/// distribution thermal at t, the vibrational distribution Boltzmann at tvib with the rotational
/// partition functions at t (populations::VibThermal), or the free level populations; with one
/// common temperature the thermalised system at t.
void ApplyPopulations(AppState& app, const fit::FitResult& r, const std::string& suffix,
                      std::vector<std::string>& notes) {
    const double t = r.Value("t" + suffix);
    if (!(t > 0.0)) return;
    const fit::Parameter* tvib = r.Find("tvib" + suffix);
    std::map<int, double> levels;
    for (const fit::Parameter& q : r.parameters)
        if (q.id.kind == fit::ParameterKind::Population && q.id.system == 0) levels[q.id.level] = q.value;
    if (app.sim.LineList || app.sim.Multiplet) {
        // Its simulation is thermal at the temperature of the conditions; the catalogue's
        // populations are not its own.
        try {
            SetConditionValue(app, simulation::Field("temperature"), t);
        } catch (const simulation::FieldError&) {
            notes.push_back("t = " + BoxValue(t) + " K is beyond the temperatures the program takes: not applied");
        }
        if (tvib || !levels.empty())
            notes.push_back(
                "the vibrational populations of the fit: not applied, the program simulates this system "
                "thermal at one temperature");
        return;
    }
    const bool oneTemperature = !tvib && levels.empty();
    if (oneTemperature && app.pop.ThermalFlag != 1) {
        ChkThermal_Click(app, 1);
        notes.push_back("\"Thermalized system\" is on again: the fit drew Boltzmann populations at t = " + BoxValue(t) +
                        " K");
    }
    try {
        SetConditionValue(app, simulation::Field("temperature"), t);
    } catch (const simulation::FieldError&) {
        notes.push_back("t = " + BoxValue(t) + " K is beyond the temperatures the program takes: not applied");
        return;
    }
    populations::TxtTRotational_Change(app, Str(t));
    if (!levels.empty())
        populations::SetVibrationalPopulations(app, levels);
    else
        populations::TxtTVibrational_Change(app, Str(tvib ? tvib->value : t));
}

/// The instrument function of the fitted widths.
void ApplyInstrument(AppState& app, const fit::FitResult& r, std::vector<std::string>& notes) {
    using namespace simulation;
    const double g = FittedOr0(r, r.lifExcitation ? "laser" : "gauss"), l = FittedOr0(r, "lorentz");
    if (!(g > 0.0 || l > 0.0)) return;
    const Lineshape shape = l > 0.0 && g > 0.0 ? Lineshape::Voigt
                            : l > 0.0          ? Lineshape::Lorentzian
                                               : Lineshape::Gaussian;
    ConditionList_Click(app, Field("lineshape"), StoredValue(shape));
    try {
        SetConditionValue(app, Field("resolution"), g + l);
        if (shape == Lineshape::Voigt) SetConditionValue(app, Field("lorentzian"), 100.0 * l / (g + l));
    } catch (const FieldError& e) {
        notes.push_back("the instrumental width " + BoxValue(g + l) + " " + e.words + ": not applied");
    }
}

/// The axis calibration: the shift is the measured axis minus the true one, so the wavelength
/// correction (axis units, as the spectrum) grows by it. Stretch and quadratic term have no box.
void ApplyAxis(AppState& app, const fit::FitResult& r, std::vector<std::string>& notes) {
    const double shift = FittedOr0(r, "shift");
    const std::string unit = fit::ParameterUnit(fit::ParameterKind::Shift, r.conditions.unit);
    if (shift != 0.0) {
        const double correction = app.exp.WavelengthCorrection + shift;
        if (std::fabs(correction) <= 200.0)
            app.exp.TxtWavelength = experiment::TxtWavelength_Change(app, BoxValue(correction));
        else
            notes.push_back("shift = " + BoxValue(shift) + " " + unit + ": the wavelength correction would become " +
                            BoxValue(correction) + ", beyond ±200; not applied");
    }
    for (const char* term : {"stretch", "quadratic"})
        if (const double v = FittedOr0(r, term); v != 0.0)
            notes.push_back(std::string(term) + " = " + BoxValue(v) +
                            ": the wavelength correction holds a shift only; not applied (the overlay is exact at the "
                            "centre of the fitted range only)");
}

/// The corrections that lay the spectrum over the new simulation as the fit laid its model
/// over the spectrum. The fit's model is y ≈ part(x) + b0 + b1·d with part the first system's
/// share; the program's simulation (peaked at 100) at the shifted x is K·part for one factor K
/// (least squares over the fitted points). With (raw − B)·M for the corrected y, B + b0/M as the
/// baseline and K·M as the factor make the corrected y ≈ K·part + the rest of the fit's residual.
void ApplyIntensity(AppState& app, const fit::FitResult& r, std::vector<std::string>& notes) {
    ExperimentState& exp = app.exp;
    const double shift = FittedOr0(r, "shift");
    double sp = 0.0, pp = 0.0;
    if (!r.parts.empty() && experiment::BuildSimX(exp, app.sim.result))
        for (std::size_t i = 0; i < r.x.size(); ++i) {
            double s = 0.0;
            if (!r.fitted[i] || !experiment::SimulationAt(exp, app.sim.result, static_cast<float>(r.x[i] - shift), s))
                continue;
            sp += s * r.parts[0][i];
            pp += r.parts[0][i] * r.parts[0][i];
        }
    const double K = pp > 0.0 ? sp / pp : 0.0;
    const double b0 = FittedOr0(r, "baseline"), oldBaseline = exp.Baseline, oldMultiply = exp.Multiply;
    if (b0 != 0.0) {
        const double baseline = oldBaseline + b0 / oldMultiply;
        if (std::fabs(baseline) <= 99.0)
            exp.TxtBaseline = experiment::TxtBaseline_Change(app, BoxValue(baseline));
        else
            notes.push_back("baseline = " + BoxValue(b0) + ": the baseline correction would become " +
                            BoxValue(baseline) + " %, beyond ±99; not applied");
    }
    if (!(K > 0.0) || !std::isfinite(K))
        notes.push_back(
            "scale: the simulation does not cover the fitted points; the factor \"Multiply by\" is not applied");
    else if (K * oldMultiply > experiment::kMaxMultiply)
        notes.push_back("scale: the factor \"Multiply by\" would become " + BoxValue(K * oldMultiply) + ", beyond " +
                        BoxValue(experiment::kMaxMultiply) + "; not applied");
    else
        exp.TxtMultiply = experiment::TxtMultiply_Change(app, BoxValue(K * oldMultiply));
    if (const double slope = FittedOr0(r, "slope"); slope != 0.0)
        notes.push_back("slope = " + BoxValue(slope) + ": the baseline correction is a constant; not applied");
}

/// The fitted values of the second and further band systems: the program simulates one system.
void NoteFurtherSystems(const fit::FitResult& r, simulation::AxisUnit unit, std::vector<std::string>& notes) {
    for (std::size_t s = 1; s < r.systems.size(); ++s) {
        std::string values;
        for (const fit::Parameter& q : r.parameters)
            if (fit::IsPerSystem(q.id.kind) && q.id.system == static_cast<int>(s)) {
                const std::string u = fit::ParameterUnit(q.id.kind, unit);
                values +=
                    (values.empty() ? "" : ", ") + q.name + " = " + BoxValue(q.value) + (u.empty() ? "" : " " + u);
            }
        notes.push_back("Band system " + std::to_string(s + 1) + " (" + r.systems[s] + "): " + values +
                        "; not applied: the program simulates one band system at a time, so its share stays in the "
                        "residuals");
    }
}

}  // namespace

std::vector<std::string> ApplyFitResult(AppState& app, const fit::FitResult& r) {
    std::vector<std::string> notes;
    ApplyPopulations(app, r, r.systems.size() > 1 ? ":1" : "", notes);
    ApplyInstrument(app, r, notes);
    ApplyAxis(app, r, notes);
    CalculateSimulation(app);
    if (simulation::HasSimulation(app.sim)) ApplyIntensity(app, r, notes);
    NoteFurtherSystems(r, r.conditions.unit, notes);
    if (r.convention == fit::IntensityConvention::Energy)
        notes.push_back(
            "The fit weighted each line by its photon energy; the program's simulation counts photons, so "
            "it differs from the fit's model by the ratio of wavenumbers across the range");
    display::ChkResiduals_Click(app, 1);
    return notes;
}

}  // namespace velmora::program
