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

/// What the histogram shows: the component and level shown, its levels (bar b is rows[b]) and
/// the populations drawn.
struct ShownBars {
    Populated p;
    Component k{};
    int v = 0;
    std::vector<const database::RotationalLevel*> rows;
    populations::Populations drawn;

    bool Empty() const { return rows.empty(); }
    int LastBar() const { return std::max(0, static_cast<int>(rows.size()) - 1); }
    double Value(int bar) const { return drawn.rotational.ValueAt(v, k.c, rows[static_cast<std::size_t>(bar)]->N); }
    /// Bar height in percent per unit of population: the tallest bar of the component is 100.
    float Scale() const {
        double tallest = 0.0;
        for (int b = 0; b <= LastBar() && !Empty(); ++b) tallest = std::max(tallest, Value(b));
        return populations::BarHeightScale(static_cast<float>(tallest));
    }
    std::string Name(int bar) const {
        return ComponentName(p, k) + " J = " + HalfInteger(rows[static_cast<std::size_t>(bar)]->twoJ) +
               " of v = " + std::to_string(v);
    }
};

ShownBars BarsOf(const AppState& app) {
    ShownBars s{PopulatedOf(app), {}, 0, {}, {}};
    const std::vector<Component> components = ComponentsOf(s.p);
    if (components.empty()) return s;
    s.k = components[ShownComponent(app, components)];
    s.v = ShownLevel(app, s.p);
    s.rows = RowsOf(s.p, s.v, s.k);
    s.drawn = MultipletSimulationPopulations(app);
    return s;
}

/// The last bar on the axis (SldRotLimit percent of the component's levels).
int AxisEnd(const AppState& app, const ShownBars& s) {
    return populations::RotationalAxisEnd(s.LastBar(), app.popwin.SldRotLimit);
}

/// The temperature of the rotational box when it is a number above 0 K, else 0.
double BoxTemperature(const AppState& app) {
    const std::string t = Trim(app.pop.TxtTRotational);
    return IsNumeric(t) && Val(t) > 0.0 ? Val(t) : 0.0;
}

/// True when level v is drawn exactly as the thermal distribution at temperatureK.
bool ThermalAt(const AppState& app, int v, double temperatureK) {
    if (!(temperatureK > 0.0)) return false;
    const Array3<double> drawn = MultipletSimulationPopulations(app).rotational;
    const Array3<double> thermal = MultipletThermalPopulations(app, temperatureK).rotational;
    if (!drawn.Contains(v, drawn.Lo(1), drawn.Lo(2))) return false;
    for (int c = drawn.Lo(1); c <= drawn.Hi(1); ++c)
        for (int N = drawn.Lo(2); N <= drawn.Hi(2); ++N)
            if (drawn(v, c, N) != thermal.ValueAt(v, c, N)) return false;
    return true;
}

std::string TemperatureText(double t) { return Trim(Str(static_cast<float>(t))); }

/// Shows a refusal as a message starting with a capital.
void Refuse(AppState& app, std::string message) {
    message[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(message[0])));
    app.dialogs->ShowMessage(message);
}

}  // namespace

MultipletPopulationsView MultipletPopulationsWindow(const AppState& app) {
    MultipletPopulationsView w;
    if (!app.sim.Multiplet) return w;
    const Populated p = PopulatedOf(app);
    const std::string heading = app.sim.Multiplet->catalogue.name + " (" + *p.label + ")";
    w.caption = heading + " population distributions";
    const std::string title = app.sim.Multiplet->Title();
    w.refusal = title +
                " draws thermal vibrational populations at the temperature of the conditions (or those of a "
                "vibrational distribution file); its rotational populations are edited component by component, "
                "in the table or the rotational histogram";
    w.spinFactorRefusal =
        "The spin-orbit combination factor shares the levels of a doublet state between its two "
        "spin components; the " +
        *p.label + " state of " + title + " has " + std::to_string(p.description->Multiplicity()) +
        ", each edited on its own in the table or the rotational histogram";
    w.setTemperature = app.popwin.TxtSetTemperature;
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
    // The level follows the temperature of the conditions, or the one typed in the box.
    const bool edited = MultipletLevelEdited(app, v);
    const double typed = BoxTemperature(app);
    const bool typedThermal = edited && ThermalAt(app, v, typed);
    const double temperature = typedThermal ? typed : app.sim.conditions.temperature;
    w.rotationalMode = edited && !typedThermal ? DistributionMode::NonThermal : DistributionMode::Thermal;
    w.rotationalTemperature = edited ? app.pop.TxtTRotational : TemperatureText(app.sim.conditions.temperature);
    const ShownBars bars = BarsOf(app);
    double sum = 0.0;
    for (int b = 0; b < static_cast<int>(bars.rows.size()); ++b) {
        const database::RotationalLevel* l = bars.rows[static_cast<std::size_t>(b)];
        sum += bars.Value(b);
        w.grid.Cells.push_back({HalfInteger(l->twoJ), std::to_string(l->N), PopulationText(bars.Value(b))});
        w.grid.Red.push_back(false);
    }
    w.status =
        heading + " v = " + std::to_string(v) + ", " + ComponentName(p, k) + ": " +
        (w.rotationalMode == DistributionMode::NonThermal ? "as edited or loaded"
                                                          : "thermal at " + TemperatureText(temperature) + " K") +
        "; the component holds " + PopulationText(sum) + " of the level";
    if (!bars.Empty()) {
        const int cursor = populations::BarAt(app.popwin.RotCursor, 0, bars.LastBar());
        w.rotationalStatus1 = heading + " " + bars.Name(cursor);
        w.rotationalStatus2 = "   Population =" + Format(bars.Value(cursor), " ##0.0000000");
    }
    return w;
}

void MultipletLevel_Click(AppState& app, int index) {
    if (!app.sim.Multiplet) return;
    const Populated p = PopulatedOf(app);
    if (index < 0 || index >= static_cast<int>(p.levels->size())) return;
    app.pop.SelV = std::next(p.levels->begin(), index)->first;
    app.popwin.EditedRotBar = -1;
    app.ui->RedrawHistograms();
}

void MultipletComponent_Click(AppState& app, int index) {
    if (!app.sim.Multiplet) return;
    if (index >= 0 && index < static_cast<int>(ComponentsOf(PopulatedOf(app)).size())) {
        app.popwin.StructureIndex = index;
        app.popwin.EditedRotBar = -1;
        app.ui->RedrawHistograms();
    }
}

void MultipletRotational_Click(AppState& app, int index) {
    if (!app.sim.Multiplet || index != 0) return;
    ResetMultipletLevel(app, ShownLevel(app, PopulatedOf(app)));
    app.pop.TxtTRotational = TemperatureText(app.sim.conditions.temperature);
    app.ui->RedrawHistograms();
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
        Refuse(app, e.what());
        return false;
    }
    app.ui->RedrawHistograms();
    return true;
}

populations::HistogramScale MultipletRotationalScale(const AppState& app) {
    if (!app.sim.Multiplet) return populations::RotationalAxisScale(1, app.popwin.SldRotYMax);
    const ShownBars s = BarsOf(app);
    return populations::RotationalAxisScale(AxisEnd(app, s), app.popwin.SldRotYMax);
}

void DrawMultipletRotationalHistogram(const AppState& app, Canvas& c) {
    const populations::HistogramScale scale = MultipletRotationalScale(app);
    c.SetBackColor(PaletteColor(app.plot.BackColorIndex));
    c.SetScale(scale.left, scale.top, scale.right, scale.bottom);
    c.Clear();
    if (!app.sim.Multiplet) return;
    const ShownBars s = BarsOf(app);
    if (s.Empty()) return;
    const int end = AxisEnd(app, s);
    const float toHeight = s.Scale();
    // e levels in the colour of the first parity of a doublet component, f in that of the second.
    const Rgb fill = PaletteColor(populations::ComponentColor(s.k.parity == database::Parity::f ? 9 : 1));
    for (int b = 0; b <= std::min(end, s.LastBar()); ++b) {
        const double h = s.Value(b) * toHeight;
        if (h <= 0.0) continue;
        c.Box(b - 0.5, 0.0, b + 0.5, h, fill, true);
        c.Box(b - 0.5, 0.0, b + 0.5, h, PaletteColor(b == app.popwin.EditedRotBar ? 4 : 15), false);
    }
    populations::DrawRotationalAxis(
        c, scale, 0, end, "00.5",
        [&s](int b) { return b <= s.LastBar() ? HalfInteger(s.rows[static_cast<std::size_t>(b)]->twoJ) : ""; }, "J",
        PaletteColor(app.plot.ForeColorIndex));
}

void MultipletRotational_Mouse(AppState& app, double x, double y, bool leftButton) {
    if (!app.sim.Multiplet) return;
    const ShownBars s = BarsOf(app);
    if (s.Empty()) return;
    const int bar = populations::BarAt(x, 0, s.LastBar());
    app.popwin.RotCursor = static_cast<float>(bar);
    if (!leftButton) return;
    const database::RotationalLevel& level = *s.rows[static_cast<std::size_t>(bar)];
    try {
        SetMultipletLevelPopulation(app, s.v, s.k.F, s.k.parity, level.twoJ, std::max(0.0, y / s.Scale()));
    } catch (const std::exception& e) {
        Refuse(app, e.what());
        return;
    }
    app.popwin.EditedRotBar = bar;
    app.ui->RedrawHistograms();
}

void MultipletHistogram_KeyDown(AppState& app, populations::HistogramKey key, bool fine) {
    if (!app.sim.Multiplet || app.pop.intTabPop != populations::kRotationalTab) return;
    const ShownBars s = BarsOf(app);
    if (s.Empty()) return;
    const int last = std::min(s.LastBar(), AxisEnd(app, s));
    int bar = populations::BarAt(app.popwin.RotCursor, 0, last);
    using populations::HistogramKey;
    if (key == HistogramKey::Left || key == HistogramKey::Right) {
        MultipletRotational_Mouse(app, populations::StepBar(bar, key, 0, last), 0.0, false);
    } else {
        const double step = fine ? 0.1 : 1.0;
        MultipletRotational_Mouse(app, bar, s.Value(bar) * s.Scale() + (key == HistogramKey::Up ? step : -step), true);
    }
}

std::string MultipletTRotational_Change(AppState& app, std::string_view text) {
    const std::string t = Trim(text);
    if (!app.sim.Multiplet || t.empty()) return std::string(text);
    const int v = ShownLevel(app, PopulatedOf(app));
    try {
        if (!IsNumeric(t))
            throw std::invalid_argument("the rotational temperature of v = " + std::to_string(v) +
                                        " must be a number of kelvin above 0, not \"" + t + "\"");
        SetMultipletLevelThermal(app, v, Val(t));
    } catch (const std::exception& e) {
        Refuse(app, e.what());
        return app.pop.TxtTRotational;
    }
    app.pop.TxtTRotational = std::string(text);
    app.ui->RedrawHistograms();
    return app.pop.TxtTRotational;
}

std::string MultipletSetTemperature_Change(AppState& app, std::string_view text) {
    const std::string t = Trim(text);
    if (!app.sim.Multiplet || t.empty()) return std::string(text);
    const ShownBars s = BarsOf(app);
    if (s.Empty()) return std::string(text);
    const std::string name = ComponentName(s.p, s.k) + " of v = " + std::to_string(s.v);
    try {
        if (!IsNumeric(t) || !(Val(t) > 0.0))
            throw std::invalid_argument("the temperature of " + name + " must be a number of kelvin above 0, not \"" +
                                        t + "\"");
        SetMultipletLevelThermal(app, s.v, Val(t), s.k.c);
    } catch (const std::exception& e) {
        Refuse(app, e.what());
        return app.popwin.TxtSetTemperature = "300";
    }
    app.popwin.TxtSetTemperature = std::string(text);
    app.ui->RedrawHistograms();
    return app.popwin.TxtSetTemperature;
}

void MultipletInitialize_Click(AppState& app) {
    if (!app.sim.Multiplet) return;
    const ShownBars s = BarsOf(app);
    for (const database::RotationalLevel* l : s.rows)
        SetMultipletLevelPopulation(app, s.v, s.k.F, s.k.parity, l->twoJ, 0.0);
    app.popwin.EditedRotBar = -1;
    app.ui->RedrawHistograms();
}

}  // namespace velmora::program
