#include "program/fit_dialog.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "experiment/corrections.h"
#include "experiment/experiment_state.h"
#include "fit/fit_errors.h"
#include "fit/fit_report.h"
#include "simulation/condition_inputs.h"
#include "simulation/driver.h"
#include "simulation/screen_conditions.h"

namespace velmora::program {

namespace {

constexpr const char* kSection = "Fit";

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
    const bool lif = app.sim.Kind == simulation::StoredValue(simulation::SpectrumKind::LifExcitation);
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
    if (const auto v = get("Convention")) d.convention = std::clamp(static_cast<int>(Val(*v)), 0, 1);
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
    store.Set(kSection, "Convention", std::to_string(d.convention));
}

fit::FitRequest FitRequestFromDialog(AppState& app, const FitDialogState& d) {
    const ExperimentState& exp = app.exp;
    if (!HasExperimentalPoints(exp)) throw fit::FitInputError("no experimental spectrum is loaded: load one to fit it");
    fit::FitRequest r;
    r.conditions = simulation::ConditionsFromScreen(app);
    const auto model = simulation::CurrentModel(app);
    if (!model) throw fit::FitInputError("no band system is selected");
    r.systems.push_back(fit::MakeFitSystem(model, app.db));
    for (const std::string& e : Split(d.extraSystems, ',')) {
        const double entry = Number(e, "extra band systems");
        r.systems.push_back(fit::LoadFitSystem(app.db, static_cast<int>(entry), r.conditions));
    }
    // The spectrum as corrected; on a wavenumber axis its Å become cm-1.
    const bool wavenumber = r.conditions.unit == simulation::AxisUnit::Wavenumber;
    r.spectrum.source = exp.ExpFiles.empty() ? "the spectrum" : exp.ExpFiles.back().Path;
    for (int i = 0; i <= exp.ExpPoints; ++i) {
        const double x = exp.ExpX(i);
        r.spectrum.x.push_back(wavenumber && x != 0.0 ? 1E8 / x : x);
        r.spectrum.y.push_back(exp.ExpY(i));
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
        r.excluded.emplace_back(Number(range.substr(0, colon), "excluded range"), Number(range.substr(colon + 1), "excluded range"));
    }
    r.weighting = static_cast<fit::Weighting>(d.weighting);
    r.convention = static_cast<fit::IntensityConvention>(d.convention);
    return r;
}

std::vector<std::array<std::string, 3>> FitResultTable(const fit::FitResult& r, simulation::AxisUnit unit) {
    std::vector<std::array<std::string, 3>> rows;
    for (std::size_t k = 0; k < r.parameters.size(); ++k) {
        const fit::Parameter& q = r.parameters[k];
        if (!q.free && q.value == 0.0 && q.id.kind != fit::ParameterKind::BaselineOffset) continue;  // unused terms
        const std::string u = fit::ParameterUnit(q.id.kind, unit);
        rows.push_back({q.name, fit::ValueWithUncertainty(q.value, r.uncertainties[k], q.free) + (u.empty() ? "" : " " + u),
                        r.atBound[k] ? "at bound" : q.free ? "" : "fixed"});
    }
    return rows;
}

void ApplyFitResult(AppState& app, const fit::FitResult& r) {
    using namespace simulation;
    const double t = r.Value(r.systems.size() > 1 ? "t:1" : "t");
    if (t > 0.0) TxtTemperature_Change(app, Trim(Str(static_cast<float>(t))));
    const double g = r.Value(r.lifExcitation ? "laser" : "gauss"), l = r.Value("lorentz");
    if (l > 0.0 && g > 0.0) {
        CmbLineshape_Click(app, StoredValue(Lineshape::Voigt));
        app.sim.TxtResolution = TxtResolution_Change(app, Trim(Str(static_cast<float>(g + l))));
        TxtLorentzian_Change(app, Trim(Str(static_cast<float>(100.0 * l / (g + l)))));
    } else if (g > 0.0 || l > 0.0) {
        CmbLineshape_Click(app, StoredValue(l > 0.0 ? Lineshape::Lorentzian : Lineshape::Gaussian));
        app.sim.TxtResolution = TxtResolution_Change(app, Trim(Str(static_cast<float>(l > 0.0 ? l : g))));
    }
    // The shift is the measured axis minus the true one: the wavelength correction grows by it.
    const double shift = r.Value("shift");
    if (shift != 0.0 && app.sim.Units != StoredValue(AxisUnit::Wavenumber)) {
        const double correction = app.exp.WavelengthCorrection + shift;
        if (std::fabs(correction) <= 200.0)
            app.exp.TxtWavelength = experiment::TxtWavelength_Change(app, Trim(Str(static_cast<float>(correction))));
    }
    CalculateSimulation(app);
    experiment::ChkResiduals_Click(app, 1);
}

}  // namespace velmora::program
