#include "program/multiplet_band_system.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <utility>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/numerics.h"
#include "common/services.h"
#include "database/multiplet_catalogue.h"
#include "populations/multiplet_population_files.h"
#include "populations/population_files.h"
#include "program/line_list_system.h"
#include "program/system_range.h"
#include "simulation/absolute_absorption.h"
#include "simulation/condition_fields.h"
#include "simulation/condition_view.h"
#include "simulation/multiplet_simulation.h"
#include "simulation/spectral_grid.h"
#include "table/multiplet_table.h"

namespace velmora::program {

using namespace simulation;

bool IsMultipletEntry(const AppState& app, int entry) {
    return entry > app.db.cat.CatalogueCount &&
           database::MultipletIndex(app.db.cat, database::MultipletEntriesOf(app.db.AppPath), entry) >= 0;
}

void SelectMultipletSystem(AppState& app, int entry) {
    const auto entries = database::MultipletEntriesOf(app.db.AppPath);
    const int k = database::MultipletIndex(app.db.cat, entries, entry);
    if (k < 0)
        throw std::invalid_argument("entry " + std::to_string(entry) + " is not in the catalogue (1.." +
                                    std::to_string(app.db.cat.CatalogueCount + static_cast<int>(entries.size())) + ")");
    app.sim.Multiplet = BuildMultipletBandSystem(entries[static_cast<std::size_t>(k)], entry);
    app.sim.MultipletEdited.reset();
    // The populations window starts at the thermal populations of the conditions.
    app.pop.TxtTRotational = Trim(Str(static_cast<float>(app.sim.conditions.temperature)));
    app.popwin.EditedRotBar = -1;
    app.popwin.RotCursor = 0.0f;
    app.sim.LineList.reset();
    app.sim.result = Spectrum();
    app.plot.PlotReady = false;
    app.shell.DataReady = true;
}

namespace {
bool DrawsEdits(const AppState& app);
}  // namespace

void CalculateMultipletSimulation(AppState& app) {
    SimulationState& sim = app.sim;
    SimulationConditions& c = sim.conditions;
    const MultipletBandSystem& system = *sim.Multiplet;
    app.ui->SetBusy(true);
    app.plot.PlotReady = false;
    try {
        if (c.start > c.end) std::swap(c.start, c.end);
        UpdateConditionView(sim, system.catalogue.mass);
        const populations::Populations pop = MultipletSimulationPopulations(app);
        const GridPlan plan = PlanGrid(static_cast<float>(c.start), static_cast<float>(c.end), sim.widths.totalWidth,
                                       PointsPerWidth(c.density), static_cast<int>(pop.Levels()));
        sim.MaxPoints = plan.maxPoints;
        SimulationOptions options;
        options.progress = [&app](double percent) { app.ui->ShowProgress(percent); };
        Spectrum s = Simulate(system.model, c, pop, sim.widths, plan.grid, options);
        s.gridCoarsened = plan.overBudget;
        sim.SimAbsolute.clear();
        sim.LblAbsoluteCaption.clear();
        if (c.kind == SpectrumKind::Absorption && c.absorptionUnit != AbsorptionUnit::Relative)
            sim.SimAbsolute = AbsorptionInUnit(CrossSection(s, system.model, c), c);
        s.system = system.Title() + "  " + app.db.cat.KindName.ValueAt(StoredValue(c.kind));
        if (DrawsEdits(app)) {
            // Edited or loaded rotational distributions: no temperature describes them.
            s.temperatures.thermal = false;
            s.temperatures.rotational.assign(s.levels.size(), std::nullopt);
        }
        sim.result = std::move(s);
    } catch (const std::exception& e) {
        app.ui->SetBusy(false);
        sim.result = Spectrum();
        sim.SimAbsolute.clear();
        app.dialogs->ShowMessage(e.what());
        return;
    }
    app.ui->SetBusy(false);
    app.plot.PlotReady = true;
    app.RequestRedraw();
}

namespace {

/// The band with the largest emission coefficient.
std::pair<int, int> StrongestBand(const MultipletBandSystem& system) {
    std::pair<int, int> best{0, 0};
    double most = -1;
    for (const auto& [key, band] : system.system.bands)
        if (band.bandA > most) most = band.bandA, best = key;
    return best;
}

}  // namespace

bool MultipletRangeHoldsLines(const AppState& app) {
    const database::WavenumberWindow range = RangeWindow(app.sim.conditions, 0.0);
    for (const auto& [key, band] : app.sim.Multiplet->system.bands)
        for (const database::MultipletLine& l : band.lines)
            if (range.Contains(l.nu)) return true;
    return false;
}

std::string MultipletNoLineMessage(const AppState& app) {
    const MultipletBandSystem& system = *app.sim.Multiplet;
    const auto [vUp, vLow] = StrongestBand(system);
    const double origin = system.model.Band(vUp, vLow).origin;
    const int unit = StoredValue(app.sim.conditions.unit);
    return "no line of " + system.Title() + " lies in the range " +
           Trim(Str(static_cast<float>(app.sim.conditions.start))) + ".." +
           Trim(Str(static_cast<float>(app.sim.conditions.end))) + " " + AxisUnitName(app.sim.conditions.unit) +
           ". Its strongest band, (" + std::to_string(vUp) + "," + std::to_string(vLow) + "), lies near " +
           Trim(Str(static_cast<float>(WavenumberToAxis(origin, unit)))) + " " + AxisUnitName(app.sim.conditions.unit) +
           ".";
}

bool FollowMultipletRange(AppState& app) {
    if (!app.sim.Multiplet || app.exp.ExpLimits == 1 || MultipletRangeHoldsLines(app)) return false;
    SimulationConditions& c = app.sim.conditions;
    const MultipletBandSystem& system = *app.sim.Multiplet;
    const auto [vUp, vLow] = StrongestBand(system);
    const double centre = WavenumberToAxis(system.model.Band(vUp, vLow).origin, StoredValue(c.unit));
    if (!(centre > 0.0)) return false;
    double width = std::fabs(c.end - c.start);
    if (!(width > 0.0)) width = 100.0;
    // The new limits rounded to a hundredth of the width's power of ten (100 Å: whole Å).
    const double step = std::pow(10.0, std::floor(std::log10(width)) - 2.0);
    const double newStart = std::round((centre - width / 2.0) / step) * step;
    const double newEnd = std::round((centre + width / 2.0) / step) * step;
    std::string text = MultipletNoLineMessage(app);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    app.dialogs->ShowMessage(text + "\r\nThe range now covers that band: " + RangeText(app, newStart, newEnd) + ".");
    c.start = AsShown(newStart);
    c.end = AsShown(newEnd);
    return true;
}

int SelectedEntry(const AppState& app) { return app.sim.Multiplet ? app.sim.Multiplet->entry : app.db.systemEntry; }

double SelectedMass(const AppState& app) {
    return app.sim.Multiplet ? app.sim.Multiplet->catalogue.mass : app.db.cat.MolecularMass.ValueAt(app.db.systemEntry);
}

namespace {

/// The state the kind of the conditions populates and its levels.
struct PopulatedLevels {
    ElectronicState state;
    const StateDescription* description;
    const std::map<int, database::StateLevels>* levels;
};

PopulatedLevels PopulatedOf(const AppState& app) {
    const database::MultipletSystem& s = app.sim.Multiplet->system;
    const ElectronicState state = PopulatedState(app.sim.conditions.kind);
    const bool upper = state == ElectronicState::Upper;
    return {state, upper ? &s.description.upper : &s.description.lower, upper ? &s.upper : &s.lower};
}

/// True when edited populations of the state the kind populates exist.
bool HoldsEdits(const AppState& app) {
    return app.sim.MultipletEdited && app.sim.MultipletEdited->state == PopulatedState(app.sim.conditions.kind);
}

/// True when the simulation draws edited populations rather than thermal ones.
bool DrawsEdits(const AppState& app) { return app.pop.ThermalFlag != 1 && HoldsEdits(app); }

/// The populations to edit: those the simulation draws. Edits kept from before the system was
/// thermalised again are not taken up: an edit starts from the thermal populations shown.
populations::Populations EditablePopulations(const AppState& app) { return MultipletSimulationPopulations(app); }

/// Stores edited populations; the simulation draws them from now on.
void StoreEdits(AppState& app, populations::Populations p) {
    app.sim.MultipletEdited = std::make_shared<const populations::Populations>(std::move(p));
    app.pop.ThermalFlag = 0;
}

/// The vibrational level typed in an input box, within 0..vmax; `fallback` otherwise.
int LevelAnswer(const std::string& answer, int vmax, int fallback) {
    if (!IsNumeric(answer)) return fallback;
    const double v = std::nearbyint(Val(answer));
    return v < 0.0 || v > vmax ? fallback : static_cast<int>(v);
}

int LastLevel(const PopulatedLevels& p) { return p.levels->empty() ? 0 : p.levels->rbegin()->first; }

}  // namespace

populations::Populations MultipletSimulationPopulations(const AppState& app) {
    return DrawsEdits(app) ? *app.sim.MultipletEdited : MultipletPopulations(*app.sim.Multiplet, app.sim.conditions);
}

void SetMultipletLevelPopulation(AppState& app, int v, int F, database::Parity parity, int twoJ, double population) {
    if (!app.sim.Multiplet) throw std::invalid_argument("no band system of any multiplicity is selected");
    const PopulatedLevels p = PopulatedOf(app);
    const auto at = p.levels->find(v);
    const database::RotationalLevel* level = at == p.levels->end() ? nullptr : at->second.Find(twoJ, F, parity);
    const std::string name = "F" + std::to_string(F) + (parity == database::Parity::f ? " f" : " e") +
                             " J = " + HalfInteger(twoJ) + " of v = " + std::to_string(v);
    if (!level) throw std::invalid_argument("the populated state has no level " + name);
    if (!(population >= 0.0) || !std::isfinite(population))
        throw std::invalid_argument("the population of " + name + " must be a number of 0 or more");
    populations::Populations edited = EditablePopulations(app);
    const int c = level->F + (level->parity == database::Parity::f ? p.description->twoS + 1 : 0);
    if (!edited.rotational.Contains(v, c, level->N))
        throw std::invalid_argument("the level " + name + " lies beyond the levels simulated");
    edited.rotational(v, c, level->N) = population;
    StoreEdits(app, std::move(edited));
}

bool MultipletLevelEdited(const AppState& app, int v) {
    if (!app.sim.Multiplet || !DrawsEdits(app)) return false;
    const Array3<double>& edited = app.sim.MultipletEdited->rotational;
    const populations::Populations thermal = MultipletPopulations(*app.sim.Multiplet, app.sim.conditions);
    if (!thermal.rotational.Contains(v, 1, 0)) return false;
    for (int c = thermal.rotational.Lo(1); c <= thermal.rotational.Hi(1); ++c)
        for (int N = thermal.rotational.Lo(2); N <= thermal.rotational.Hi(2); ++N)
            if (edited.ValueAt(v, c, N) != thermal.rotational(v, c, N)) return true;
    return false;
}

void ResetMultipletLevel(AppState& app, int v) {
    if (!app.sim.Multiplet || !DrawsEdits(app)) return;
    populations::Populations edited = *app.sim.MultipletEdited;
    const populations::Populations thermal = MultipletPopulations(*app.sim.Multiplet, app.sim.conditions);
    if (!thermal.rotational.Contains(v, 1, 0)) return;
    for (int c = thermal.rotational.Lo(1); c <= thermal.rotational.Hi(1); ++c)
        for (int N = thermal.rotational.Lo(2); N <= thermal.rotational.Hi(2); ++N)
            edited.rotational(v, c, N) = thermal.rotational(v, c, N);
    StoreEdits(app, std::move(edited));
}

populations::Populations MultipletThermalPopulations(const AppState& app, double temperatureK) {
    return ThermalMultipletPopulations(app.sim.Multiplet->system, PopulatedState(app.sim.conditions.kind),
                                       temperatureK);
}

void SetMultipletLevelThermal(AppState& app, int v, double temperatureK, int component) {
    if (!app.sim.Multiplet) throw std::invalid_argument("no band system of any multiplicity is selected");
    if (!PopulatedOf(app).levels->count(v))
        throw std::invalid_argument("the populated state has no vibrational level v = " + std::to_string(v));
    if (!(temperatureK > 0.0) || !std::isfinite(temperatureK))
        throw std::invalid_argument("the rotational temperature of v = " + std::to_string(v) +
                                    " must be a number of kelvin above 0");
    // The whole level at the temperature of the conditions is the thermal level itself.
    if (component == 0 && temperatureK == app.sim.conditions.temperature) {
        if (DrawsEdits(app)) ResetMultipletLevel(app, v);
        return;
    }
    const populations::Populations thermal = MultipletThermalPopulations(app, temperatureK);
    populations::Populations edited = EditablePopulations(app);
    Array3<double>& r = edited.rotational;
    const Array3<double>& t = thermal.rotational;
    if (!r.Contains(v, r.Lo(1), r.Lo(2)))
        throw std::invalid_argument("the level v = " + std::to_string(v) + " lies beyond the levels simulated");
    double sum = 0.0;
    for (int c = r.Lo(1); c <= r.Hi(1); ++c)
        for (int N = r.Lo(2); N <= r.Hi(2); ++N) {
            if (component == 0 || c == component) r(v, c, N) = t.ValueAt(v, c, N);
            sum += r(v, c, N);
        }
    // One component set: the level is normalised again, as the thermal distribution is.
    if (component != 0 && sum > 0.0)
        for (int c = r.Lo(1); c <= r.Hi(1); ++c)
            for (int N = r.Lo(2); N <= r.Hi(2); ++N) r(v, c, N) /= sum;
    StoreEdits(app, std::move(edited));
}

bool SaveMultipletRotational(AppState& app, const std::string& path) {
    if (path.empty() || !app.sim.Multiplet) return false;
    const PopulatedLevels p = PopulatedOf(app);
    const auto answer = app.dialogs->InputBox("VIBRATIONAL LEVEL TO SAVE: ", " Input on vibrational populations",
                                              Trim(Str(app.pop.SelV)));
    if (!answer) return false;
    const int v = LevelAnswer(*answer, LastLevel(p), std::clamp(app.pop.SelV, 0, LastLevel(p)));
    const auto at = p.levels->find(v);
    try {
        if (at == p.levels->end())
            throw FileError::In(path, "vibrational level " + std::to_string(v) + " has no levels");
        populations::WriteMultipletRotational(*p.description, at->second,
                                              MultipletSimulationPopulations(app).rotational, v, path);
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

bool LoadMultipletRotational(AppState& app, const std::string& path) {
    if (path.empty() || !app.sim.Multiplet) return false;
    if (!populations::CheckPopulationExtension(*app.dialogs, path, true)) return false;
    const PopulatedLevels p = PopulatedOf(app);
    const auto answer = app.dialogs->InputBox(
        "LOAD ROTATIONAL POPULATION IN VIBRATIONAL LEVEL:  ", " Populations dialog", Trim(Str(app.pop.SelV)));
    if (!answer || answer->empty()) return false;
    const int v = LevelAnswer(*answer, LastLevel(p), std::clamp(app.pop.SelV, 0, LastLevel(p)));
    populations::Populations edited = EditablePopulations(app);
    try {
        const auto at = p.levels->find(v);
        if (at == p.levels->end())
            throw FileError::In(path, "vibrational level " + std::to_string(v) + " has no levels");
        populations::ReadMultipletRotational(*p.description, at->second, edited.rotational, v, path);
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    StoreEdits(app, std::move(edited));
    return true;
}

namespace {

std::vector<int> LevelNumbers(const PopulatedLevels& p) {
    std::vector<int> levels;
    for (const auto& [v, l] : *p.levels) levels.push_back(v);
    return levels;
}

}  // namespace

bool SaveMultipletVibrational(AppState& app, const std::string& path) {
    if (path.empty() || !app.sim.Multiplet) return false;
    const populations::Populations drawn = MultipletSimulationPopulations(app);
    std::map<int, double> weights;
    for (std::size_t k = 0; k < drawn.Levels(); ++k) weights[drawn.levels[k]] = drawn.weights[k];
    try {
        populations::WriteMultipletVibrational(LevelNumbers(PopulatedOf(app)), weights, path);
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

bool LoadMultipletVibrational(AppState& app, const std::string& path) {
    if (path.empty() || !app.sim.Multiplet) return false;
    if (!populations::CheckPopulationExtension(*app.dialogs, path, false)) return false;
    populations::Populations edited;
    try {
        const std::map<int, double> weights =
            populations::ReadMultipletVibrational(LevelNumbers(PopulatedOf(app)), path);
        edited = WithVibrationalPopulations(*app.sim.Multiplet, EditablePopulations(app), weights);
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    } catch (const std::invalid_argument& e) {
        app.dialogs->ShowMessage(FileError::In(path, e.what()).what());
        return false;
    }
    StoreEdits(app, std::move(edited));
    return true;
}

std::string TableQuantityRefusal(const AppState& app) {
    if (!app.sim.Multiplet) return "";
    return "The table of " + app.sim.Multiplet->Title() +
           " shows its term values, or its line positions (cm-1), Hönl-London factors and Einstein A (s-1) together";
}

namespace {

/// The highest vibrational level of state s (1 upper, 2 lower) of the selected multiplet system.
int MultipletMaxVib(const AppState& app, int s) {
    const database::MultipletSystem& system = app.sim.Multiplet->system;
    const auto& levels = s == 1 ? system.upper : system.lower;
    return levels.empty() ? 0 : levels.rbegin()->first;
}

}  // namespace

void ShowMultipletTable(AppState& app) {
    TableState& t = app.table;
    t.DbVUpper = std::clamp(t.DbVUpper, 0, MultipletMaxVib(app, 1));
    t.DbVLower = std::clamp(t.DbVLower, 0, MultipletMaxVib(app, 2));
    t.Information = std::clamp(t.Information, 0, 2);
    table::WriteMultipletTable(app.sim.Multiplet->system, app.sim.Multiplet->Title(), t);
}

bool MultipletTable_Click(AppState& app, std::string_view control, int index) {
    if (!app.sim.Multiplet) return false;
    TableState& t = app.table;
    if (control == "CmbInformation")
        t.Information = std::clamp(index, 0, 2);
    else if (control == "CmbResolution")
        t.tableKind = index == 1 ? 2 : 1;
    else if (control == "CmbUpper")
        t.DbVUpper = std::max(0, index);
    else if (control == "CmbLower")
        t.DbVLower = std::max(0, index);
    else
        return false;
    ShowMultipletTable(app);
    return true;
}

std::vector<std::string> MultipletLevelItems(const AppState& app, int s) {
    std::vector<std::string> items;
    for (int v = 0; v <= MultipletMaxVib(app, s); ++v) items.push_back(std::to_string(v));
    return items;
}

std::string AssignmentRefusal(const AppState& app) {
    if (!app.sim.Multiplet) return "";
    return "Assignment marks name the lines of the doublet systems only; " + app.sim.Multiplet->Title() +
           " has none drawn";
}

}  // namespace velmora::program
