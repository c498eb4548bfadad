#include "program/condition_events.h"

#include <exception>

#include "common/number_format.h"
#include "database/gas_composition.h"
#include "database/quenching.h"
#include "experiment/spectrum_units.h"
#include "populations/population_model.h"
#include "populations/populations_window.h"
#include "program/multiplet_band_system.h"
#include "program/simulation_run.h"
#include "simulation/condition_view.h"
#include "simulation/detection_filter.h"
#include "simulation/instrument_function.h"
#include "simulation/intensities.h"
#include "table/table_model.h"

namespace velmora::program {

namespace {

using simulation::ConditionField;
using simulation::Derived;
using simulation::FieldType;
using simulation::QuenchingSource;
using simulation::SimulationConditions;

double MolecularMass(const AppState& app) { return SelectedMass(app); }

/// True when the yields of the loaded system depend on the field under these conditions: the
/// pressure for any quenching, the gas temperature and composition for a gas composition.
bool YieldsFollow(const ConditionField& f, const SimulationConditions& c) {
    if (!simulation::Has(f.derived, Derived::Yields)) return false;
    const std::string name = f.name;
    if (name == "temperature" || name == "composition") return c.quenching == QuenchingSource::GasComposition;
    if (name == "pressure") return c.quenching != QuenchingSource::None;
    return true;
}

/// After the field `f` of the conditions has changed from `before`: what depends on it is
/// recomputed. Returns the groups that changed, or nothing when a new quenching cannot be
/// pre-computed (then the conditions are `before` again and the problem has been shown).
ViewGroups Recompute(AppState& app, const ConditionField& f, const SimulationConditions& before) {
    SimulationState& sim = app.sim;
    SimulationConditions& c = sim.conditions;
    DatabaseState& db = app.db;
    ViewGroups refresh = f.refresh;
    if (simulation::Has(f.derived, Derived::LevelData)) {
        try {
            database::Requench(db, simulation::LevelQuenchingOf(c), static_cast<float>(c.pressure), *app.ui);
        } catch (const std::exception& e) {
            c = before;
            app.dialogs->ShowMessage(e.what());
            return {};
        }
    }
    app.pop.Temperature = c.temperature;
    if (simulation::Has(f.derived, Derived::PopulatedState)) {
        // The populated state follows the kind; its populations start thermal again.
        const int kind = simulation::StoredValue(c.kind);
        if (db.SystemLoaded) {
            populations::ResetPopulatedState(app.pop, db, kind);
            populations::PreparePopulationsWindow(app);
        } else {
            populations::SetPopulatedState(app.pop, db, kind);
        }
        app.ui->RedrawHistograms();
    }
    if (simulation::Has(f.derived, Derived::Populations) && app.pop.ThermalFlag == 1 && db.SystemLoaded) {
        populations::FollowMainTemperature(app.pop, db);
        app.ui->RedrawHistograms();
    }
    simulation::UpdateConditionView(sim, MolecularMass(app));
    if (db.SystemLoaded && YieldsFollow(f, c)) {
        sim.captions.LblQuenching = simulation::ComputeYields(db, c);
        if (app.sim.Multiplet)
            ShowMultipletTable(app);
        else
            table::RefreshDatabaseTable(app);
        refresh |= ViewGroup::Database;
    }
    return refresh;
}

/// Changes one field by `change` and recomputes what depends on it.
template <typename Change>
ViewGroups Edit(AppState& app, const ConditionField& f, Change&& change) {
    const SimulationConditions before = app.sim.conditions;
    change(app.sim.conditions);
    return Recompute(app, f, before);
}

}  // namespace

int NumericBox_KeyPress(int keyAscii) { return keyAscii == 13 ? 0 : keyAscii; }

BoxEdit ConditionBox_Change(AppState& app, const ConditionField& f, std::string_view text,
                            const SimulationConditions& before) {
    SimulationConditions& c = app.sim.conditions;
    const std::string typed(text);
    if (Trim(text).empty()) return {typed, {}};
    if (!IsNumeric(text)) return {simulation::FieldText(f, c), {}};
    if (const std::string words = simulation::CheckNumber(f, c, Val(text)); !words.empty()) {
        BoxEdit refused{typed, {}, BoxRefusal(f, text, words)};
        const double kept = simulation::HeldValue(f, before);
        if (simulation::HeldValue(f, c) != kept)
            refused.refresh = Edit(app, f, [&](SimulationConditions& d) { f.set(d, kept); });
        return refused;
    }
    const double held = Val(text) * simulation::FieldScale(f, c);
    const ViewGroups refresh = Edit(app, f, [&](SimulationConditions& d) { f.set(d, held); });
    // A new quenching that could not be pre-computed: the box shows the rate in force.
    if (refresh.Empty()) return {simulation::FieldText(f, c), {}};
    return {typed, refresh};
}

BoxEdit ConditionBox_Change(AppState& app, const ConditionField& f, std::string_view text) {
    const SimulationConditions before = app.sim.conditions;
    return ConditionBox_Change(app, f, text, before);
}

std::string ConditionBox_Finish(const AppState& app, const ConditionField& f, std::string_view text) {
    const SimulationConditions& c = app.sim.conditions;
    if (IsNumeric(text) && Val(text) * simulation::FieldScale(f, c) == simulation::HeldValue(f, c))
        return std::string(text);
    return simulation::FieldText(f, c);
}

std::string BoxRefusal(const ConditionField& f, std::string_view text, const std::string& words) {
    return std::string(f.name) + ": " + Trim(text) + " " + words;
}

ViewGroups ConditionList_Click(AppState& app, const ConditionField& f, int value) {
    const int last = f.first + static_cast<int>(f.choices.size()) - 1;
    if (value < f.first || value > last) return {};
    const std::string name = f.name;
    if (name == "units") {
        const int oldUnits = simulation::StoredValue(app.sim.conditions.unit);
        const double centre = (app.sim.conditions.start + app.sim.conditions.end) / 2.0;
        const ViewGroups refresh = Edit(app, f, [value](SimulationConditions& d) {
            simulation::ChangeAxisUnit(d, simulation::StoredMode<simulation::AxisUnit>(value));
        });
        // The experimental spectra and their wavelength corrections follow the axis.
        experiment::ConvertSpectraToAxis(app.exp, oldUnits, value, centre);
        app.RequestRedraw();
        return refresh;
    }
    ViewGroups refresh = Edit(app, f, [&](SimulationConditions& d) { f.set(d, value); });
    if (name == "slit-units" && !app.sim.SlitFile.empty()) SetSlitFile(app, app.sim.SlitFile);
    return refresh;
}

ViewGroups SetConditionValue(AppState& app, const ConditionField& f, double given) {
    SimulationConditions c = app.sim.conditions;
    simulation::SetGivenNumber(f, c, given);
    return Edit(app, f, [&c](SimulationConditions& d) { d = c; });
}

ViewGroups SetConditions(AppState& app, const SimulationConditions& c) {
    SimulationState& sim = app.sim;
    DatabaseState& db = app.db;
    const simulation::SpectrumKind oldKind = sim.conditions.kind;
    sim.conditions = c;
    if (c.slit) sim.SlitFile = c.slit->file;
    app.pop.Temperature = c.temperature;
    // The populated state follows the kind; with a system loaded a new one starts thermal.
    const int kind = simulation::StoredValue(c.kind);
    if (!db.SystemLoaded)
        populations::SetPopulatedState(app.pop, db, kind);
    else if (oldKind != c.kind)
        populations::ResetPopulatedState(app.pop, db, kind);
    db.quenching = simulation::LevelQuenchingOf(c);
    simulation::UpdateConditionView(sim, MolecularMass(app));
    simulation::FillCompositionTable(sim);
    return ViewGroups::All();
}

ViewGroups RestoreConditions(AppState& app, const SimulationConditions& c) {
    const SimulationConditions before = app.sim.conditions;
    if (before == c) return {};
    ViewGroups refresh;
    if (before.unit != c.unit) {
        experiment::ConvertSpectraToAxis(app.exp, simulation::StoredValue(before.unit), simulation::StoredValue(c.unit),
                                         (before.start + before.end) / 2.0);
        app.RequestRedraw();
        refresh |= ViewGroup::Experiment;
    }
    app.sim.conditions = c;
    if (c.slit) app.sim.SlitFile = c.slit->file;
    for (const ConditionField& f : simulation::ConditionFields()) {
        const bool differs = f.IsNumeric() ? simulation::HeldValue(f, before) != simulation::HeldValue(f, c)
                                           : f.getText(before) != f.getText(c);
        if (differs) refresh |= Recompute(app, f, before);
    }
    return refresh | ViewGroup::Conditions;
}

ViewGroups ChkThermal_Click(AppState& app, int value) {
    app.pop.ThermalFlag = value;
    return ViewGroup::Conditions | ViewGroup::Populations;
}

std::string SetSlitFile(AppState& app, const std::string& path) {
    return simulation::LoadSlitFile(app.sim, path, MolecularMass(app));
}

ViewGroups SetDetectionFilter(AppState& app, const std::string& path) {
    const ConditionField& f = simulation::Field("filter");
    try {
        return Edit(app, f, [&](SimulationConditions& d) { f.setText(d, path); });
    } catch (const std::exception& e) {
        app.dialogs->ShowMessage(e.what());
        return {};
    }
}

ViewGroups ChkExpLimits_Click(AppState& app, int value) {
    ExperimentState& exp = app.exp;
    exp.ExpLimits = value != 0 ? 1 : 0;
    exp.RangeBoxesEnabled = exp.ExpLimits == 0;
    if (exp.ExpLimits == 0) return ViewGroup::Range | ViewGroup::Experiment;
    // Only a spectrum that is loaded gives limits (the arrays keep a cleared one).
    if (HasExperimentalPoints(exp)) {
        SimulationConditions& c = app.sim.conditions;
        if (exp.ExpXRaw(0) != 0.0f) c.start = simulation::AsShown(exp.ExpXRaw(0));
        if (exp.ExpXRaw(exp.ExpPoints) != 0.0f) c.end = simulation::AsShown(exp.ExpXRaw(exp.ExpPoints));
    }
    CalculateSimulation(app);
    return ViewGroups::All();
}

ViewGroups GrdComposition_Change(AppState& app, int row, int column, std::string_view text) {
    auto& rows = app.sim.GrdComposition;
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 || column > 1) return {};
    rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = Trim(text);
    std::string gas;
    for (const auto& [partner, fraction] : rows) {
        if (partner.empty() && fraction.empty()) continue;
        gas += (gas.empty() ? "" : ",") + partner + "=" + fraction;
    }
    database::GasComposition composition;
    try {
        composition = database::ParseComposition(gas);
    } catch (const std::invalid_argument& e) {
        app.sim.captions.LblQuenching = std::string("Composition not in force: ") + e.what();
        return ViewGroup::Quenching;
    }
    return Edit(app, simulation::Field("composition"),
                [&composition](SimulationConditions& d) { d.composition = std::move(composition); });
}

}  // namespace velmora::program
