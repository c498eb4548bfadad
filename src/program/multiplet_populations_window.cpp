#include "program/multiplet_populations_window.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iterator>
#include <map>
#include <stdexcept>
#include <utility>

#include "common/number_format.h"
#include "common/services.h"
#include "program/multiplet_band_system.h"
#include "simulation/multiplet_simulation.h"

namespace velmora::program {

namespace {

/// The populated state of the selected system: its description and levels per v.
struct Populated {
    const StateDescription* description;
    const std::map<int, database::StateLevels>* levels;
    const std::string* label;
};

Populated PopulatedOf(const AppState& app) {
    const simulation::MultipletBandSystem& m = *app.sim.Multiplet;
    const bool upper = PopulatedState(app.sim.conditions.kind) == ElectronicState::Upper;
    return {upper ? &m.system.description.upper : &m.system.description.lower,
            upper ? &m.system.upper : &m.system.lower, upper ? &m.catalogue.upperLabel : &m.catalogue.lowerLabel};
}

/// A spin component: F and parity, and its index c in the population arrays (F for e, F + 2S + 1
/// for f).
struct Component {
    int F;
    database::Parity parity;
    int c;
};

/// The components that hold levels in any v of the state, in the order of the files' columns.
std::vector<Component> ComponentsOf(const Populated& p) {
    const int n = p.description->Multiplicity();
    std::vector<Component> out;
    for (const database::Parity parity : {database::Parity::e, database::Parity::f})
        for (int F = 1; F <= n; ++F) {
            bool any = false;
            for (const auto& [v, levels] : *p.levels)
                for (const database::RotationalLevel& l : levels.Levels())
                    any = any || (l.F == F && l.parity == parity);
            if (any) out.push_back({F, parity, F + (parity == database::Parity::f ? n : 0)});
        }
    return out;
}

std::string ComponentName(const Populated& p, const Component& k) {
    const std::string parity = k.parity == database::Parity::f ? "f" : "e";
    return p.description->Multiplicity() == 1 ? parity : "F" + std::to_string(k.F) + " " + parity;
}

/// The levels of one component of level v, in increasing J.
std::vector<const database::RotationalLevel*> RowsOf(const Populated& p, int v, const Component& k) {
    std::vector<const database::RotationalLevel*> rows;
    const auto at = p.levels->find(v);
    if (at == p.levels->end()) return rows;
    for (const database::RotationalLevel& l : at->second.Levels())
        if (l.F == k.F && l.parity == k.parity) rows.push_back(&l);
    std::sort(rows.begin(), rows.end(), [](const auto* a, const auto* b) { return a->twoJ < b->twoJ; });
    return rows;
}

/// The vibrational level shown: SelV within the state's levels (its lowest when SelV is not one).
int ShownLevel(const AppState& app, const Populated& p) {
    if (p.levels->empty()) return 0;
    return p.levels->count(app.pop.SelV) ? app.pop.SelV : p.levels->begin()->first;
}

std::size_t ShownComponent(const AppState& app, const std::vector<Component>& components) {
    return static_cast<std::size_t>(
        std::clamp(app.popwin.StructureIndex, 0, std::max(0, static_cast<int>(components.size()) - 1)));
}

std::string PopulationText(double p) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", p);
    return text;
}

}  // namespace

MultipletPopulationsView MultipletPopulationsWindow(const AppState& app) {
    MultipletPopulationsView w;
    if (!app.sim.Multiplet) return w;
    const Populated p = PopulatedOf(app);
    const std::string heading = app.sim.Multiplet->catalogue.name + " (" + *p.label + ")";
    w.caption = heading + " population distributions";
    w.refusal = app.sim.Multiplet->Title() +
                " draws thermal vibrational populations at the temperature of the conditions (or those of a "
                "vibrational distribution file); its rotational populations are edited in the table, component by "
                "component";
    const int v = ShownLevel(app, p);
    int index = 0;
    for (const auto& [level, levels] : *p.levels) {
        if (level == v) w.levelIndex = index;
        w.levelItems.push_back(std::to_string(level));
        ++index;
    }
    const std::vector<Component> components = ComponentsOf(p);
    for (const Component& k : components) w.componentItems.push_back(ComponentName(p, k));
    w.grid.Cells.push_back({"J", "N", "Population"});
    w.grid.Red.push_back(false);
    if (components.empty()) return w;
    const std::size_t shown = ShownComponent(app, components);
    w.componentIndex = static_cast<int>(shown);
    const Component& k = components[shown];
    const bool edited = MultipletLevelEdited(app, v);
    w.rotationalMode = edited ? DistributionMode::NonThermal : DistributionMode::Thermal;
    const populations::Populations drawn = MultipletSimulationPopulations(app);
    double sum = 0.0;
    for (const database::RotationalLevel* l : RowsOf(p, v, k)) {
        const double population = drawn.rotational.ValueAt(v, k.c, l->N);
        sum += population;
        w.grid.Cells.push_back({HalfInteger(l->twoJ), std::to_string(l->N), PopulationText(population)});
        w.grid.Red.push_back(false);
    }
    w.status = heading + " v = " + std::to_string(v) + ", " + ComponentName(p, k) + ": " +
               (edited ? "as edited or loaded"
                       : "thermal at " + Trim(Str(static_cast<float>(app.sim.conditions.temperature))) + " K") +
               "; the component holds " + PopulationText(sum) + " of the level";
    return w;
}

void MultipletLevel_Click(AppState& app, int index) {
    if (!app.sim.Multiplet) return;
    const Populated p = PopulatedOf(app);
    if (index < 0 || index >= static_cast<int>(p.levels->size())) return;
    app.pop.SelV = std::next(p.levels->begin(), index)->first;
}

void MultipletComponent_Click(AppState& app, int index) {
    if (!app.sim.Multiplet) return;
    if (index >= 0 && index < static_cast<int>(ComponentsOf(PopulatedOf(app)).size()))
        app.popwin.StructureIndex = index;
}

void MultipletRotational_Click(AppState& app, int index) {
    if (!app.sim.Multiplet || index != 0) return;
    ResetMultipletLevel(app, ShownLevel(app, PopulatedOf(app)));
}

bool CommitMultipletGridEdit(AppState& app, int row, std::string_view text) {
    if (!app.sim.Multiplet) return false;
    const Populated p = PopulatedOf(app);
    const std::vector<Component> components = ComponentsOf(p);
    if (components.empty()) return false;
    const Component& k = components[ShownComponent(app, components)];
    const int v = ShownLevel(app, p);
    const std::vector<const database::RotationalLevel*> rows = RowsOf(p, v, k);
    if (row < 1 || row > static_cast<int>(rows.size())) return false;
    const database::RotationalLevel& level = *rows[static_cast<std::size_t>(row - 1)];
    const std::string trimmed = Trim(text);
    try {
        if (!IsNumeric(trimmed))
            throw std::invalid_argument("the population of " + ComponentName(p, k) + " J = " + HalfInteger(level.twoJ) +
                                        " of v = " + std::to_string(v) + " must be a number of 0 or more, not \"" +
                                        trimmed + "\"");
        SetMultipletLevelPopulation(app, v, k.F, k.parity, level.twoJ, Val(trimmed));
    } catch (const std::exception& e) {
        std::string message = e.what();
        message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
        app.dialogs->ShowMessage(message);
        return false;
    }
    return true;
}

}  // namespace velmora::program
