#include "populations/populations_window.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "common/number_format.h"
#include "database/state_descriptions.h"
#include "populations/population_model.h"

namespace velmora::populations {

namespace {

/// Structure modes: 0 one component, 1 both parities of one spin component, 2 the second parity
/// stacked on the first, 3 every component of one N.
struct StructureEntry {
    const char* name;
    StructureMode mode;
    int F, parity;  ///< parity -1: unchanged
};
constexpr StructureEntry kStructures[] = {
    {"N", StructureMode::AllOfN, 1, -1},
    {"J (F1) N+0.5", StructureMode::SpinComponent, 1, -1},
    {"J (F2) N-0.5", StructureMode::SpinComponent, 2, -1},
    {"J (F1) e", StructureMode::FirstParity, 1, 0},
    {"J (F1) f", StructureMode::SecondParity, 1, 2},
    {"J (F2) f", StructureMode::FirstParity, 2, 0},
    {"J (F2) e", StructureMode::SecondParity, 2, 2},
};

std::string PopulatedStateLabel(PopulationsView app) {
    return app.db.cat.StateLabel.ValueAt(StateIndex(app.pop.PopState), app.db.systemEntry);
}

/// "<molecule> (<populated state>) ": the start of the caption and of the status lines.
std::string StateHeading(PopulationsView app) {
    return app.db.cat.MoleculeName.ValueAt(app.db.systemEntry) + " (" + PopulatedStateLabel(app) + ") ";
}

int MaxVib(PopulationsView app) { return PopMaxVib(app.pop, app.db); }

/// True when the population arrays can be read for every level of the populated state.
bool PopulationsReady(PopulationsView app) {
    const PopulationState& pop = app.pop;
    return app.db.SystemLoaded && !pop.PopVib.Empty() && pop.PopVib.Hi() >= MaxVib(app) && !pop.EditTable.Empty();
}

float Cell(const PopulationState& pop, int c, int r) { return pop.EditTable.ValueAt(c, r); }

void SetCell(PopulationState& pop, int c, int r, float value) {
    if (pop.EditTable.Contains(c, r)) pop.EditTable(c, r) = value;
}

/// The cells that make up the bar at x of the rotational histogram, as (component, row).
std::vector<std::pair<int, int>> BarCells(const PopulationState& pop, int x) {
    std::vector<std::pair<int, int>> cells;
    const int F = pop.SelF;
    switch (pop.StructMode) {
        case StructureMode::FirstParity:
            cells.push_back({F, x});
            break;
        case StructureMode::SpinComponent:
        case StructureMode::SecondParity:
            cells.push_back({F, x});
            if (pop.PopLambda > 0) cells.push_back({F + 2, x});
            break;
        default:  // every component of N = x: F1 at row N, F2 at row N - 1
            cells.push_back({1, x});
            if (pop.PopLambda > 0) cells.push_back({3, x});
            if (x > 0) {
                cells.push_back({2, x - 1});
                if (pop.PopLambda > 0) cells.push_back({4, x - 1});
            }
    }
    return cells;
}

/// Palette index of component c in a bar of the rotational histogram: F1 yellow and its f
/// parity cyan; F2 as F1 when one spin component is shown, green with its e parity in palette
/// colour 9 in the view of every component of one N.
int LayerColor(const PopulationState& pop, int c) {
    const bool everyComponent = pop.StructMode == StructureMode::AllOfN;
    if (everyComponent && c == 2) return ComponentColor(6);
    if (everyComponent && c == 4) return 9;
    return ComponentColor(c <= 2 ? c : c + 6);
}

double BarValue(const PopulationState& pop, int x) {
    double sum = 0.0;
    for (auto [c, r] : BarCells(pop, x)) sum += Cell(pop, c, r);
    return sum;
}

/// Factor from an edit-table value to a bar height in percent.
float ComputeRotScale(const PopulationState& pop) {
    if (pop.StructMode == StructureMode::AllOfN) return BarHeightScale(pop.HistMax);
    return BarHeightScale(pop.RowMax[static_cast<std::size_t>(std::clamp(pop.SelF, 1, 2))]);
}

/// Last row on the rotational axis: SldRotLimit percent of the rows of the level.
int AxisLastRow(PopulationsView app) { return RotationalAxisEnd(app.pop.NRotDisp, app.popwin.SldRotLimit); }

/// First and last bar of the rotational histogram (rows, or N in the combined view).
std::pair<int, int> RotationalBars(PopulationsView app) {
    const PopulationState& pop = app.pop;
    const int lambda = pop.PopLambda;
    int startF1 = lambda, startF2 = std::max(lambda - 1, 0);
    // In case (a) labels the F1 ladder starts one row lower (J = 1/2 at N = 0).
    if (database::CaseALabels(database::StateOf(app.db.cat, StateIndex(pop.PopState), app.db.systemEntry), pop.YParam))
        std::swap(startF1, startF2);
    const bool f2 = pop.StructMode != StructureMode::AllOfN && pop.SelF == 2;
    const int first = std::max(0, f2 ? startF2 : startF1);
    const int last = std::min(f2 ? pop.NRotDisp - 1 : pop.NRotDisp, AxisLastRow(app));
    return {first, std::max(first, last)};
}

void RequestRedraw(PopulationsView app) { app.ui->RedrawHistograms(); }

/// Normalises PopVib(0..NMaxVib) to a sum of 1 and sets the vibrational full scale.
void NormalizeVibrational(PopulationsView app) {
    PopulationState& pop = app.pop;
    const int vmax = std::min(MaxVib(app), pop.PopVib.Hi());
    double sum = 0.0;
    for (int v = 0; v <= vmax; ++v) sum += pop.PopVib(v);
    double top = 0.0;
    for (int v = 0; v <= vmax; ++v) {
        if (sum > 0.0) pop.PopVib(v) /= sum;
        top = std::max(top, pop.PopVib(v));
    }
    app.popwin.VibScale = top > 0.0 ? static_cast<float>(top) : 1.0f;
}

void UpdateVibrationalStatus(PopulationsView app) {
    PopulationsWindowState& w = app.popwin;
    const int v = static_cast<int>(w.VibCursor);
    const float value = app.pop.PopVib.ValueAt(v);
    w.LblVib1 = StateHeading(app) + "v = " + Format(w.VibCursor, "#0   ");
    w.LblVib2 = "   Population =" + Format(value, " ##0.00000");
}

void UpdateRotationalStatus(PopulationsView app) {
    PopulationsWindowState& w = app.popwin;
    const PopulationState& pop = app.pop;
    const int x = static_cast<int>(w.RotCursor);
    std::string where;
    if (pop.StructMode == StructureMode::AllOfN)
        where = "N =" + Format(x, " #0 ");
    else
        where = "F" + std::to_string(pop.SelF) + " " + Format(x + 0.5, "(#0.# ) ");
    w.LblRot1 = StateHeading(app) + "v = " + Format(pop.SelV, "#0   ") + where;
    const double value = IsOneComponent(pop.StructMode) ? Cell(pop, pop.SelF + pop.SelParity, x) : BarValue(pop, x);
    w.LblRot2 = "   Population =" + Format(value, " ##0.0000000");
    if (IsOneComponent(pop.StructMode)) w.LblRot2 += std::string(" Parity:") + ParitySign(pop.SelF, pop.SelParity);
}

/// A level whose rotational distribution was edited is no longer thermal.
void MarkLevelNonThermal(PopulationsView app) {
    PopulationState& pop = app.pop;
    if (pop.TRot.Contains(pop.SelV) && pop.TRot(pop.SelV) >= 0.0f) {
        pop.TRot(pop.SelV) = -1.0f;
        RefreshPopulationTable(app);
    }
}

/// A temperature text: true with its value for a number of 0 or more.
bool ParseTemperature(std::string_view text, double& value) {
    if (!IsNumeric(text)) return false;
    value = Val(text);
    return value >= 0.0;
}

}  // namespace

int ComponentColor(int slot) {
    switch (slot) {
        case 1:
        case 2:
            return 6;
        case 5:
        case 6:
            return 2;
        case 9:
        case 10:
            return 3;
        default:
            return 0;
    }
}

HistogramScale VibrationalScale(PopulationsView app) { return {-0.5, 115.0, MaxVib(app) + 0.5, -11.5}; }

HistogramScale RotationalScale(PopulationsView app) {
    return RotationalAxisScale(AxisLastRow(app), app.popwin.SldRotYMax);
}

int RotationalAxisEnd(int lastBar, int limitPercent) {
    return std::max(1, static_cast<int>(std::lround(lastBar * std::clamp(limitPercent, 1, 100) / 100.0)));
}

HistogramScale RotationalAxisScale(int axisEnd, int yMaxPercent) {
    const double top = 1.15 * std::clamp(yMaxPercent, 1, 100);
    return {-0.5, top, axisEnd + 0.5, -0.1 * top};
}

int BarAt(double x, int first, int last) { return std::clamp(static_cast<int>(std::lround(x)), first, last); }

int StepBar(int bar, HistogramKey key, int first, int last) {
    bar += key == HistogramKey::Left ? -1 : 1;
    return bar < first ? last : bar > last ? first : bar;
}

float BarHeightScale(float tallest) { return tallest > 0.0f ? 100.0f / tallest : 100.0f; }

void DrawRotationalAxis(Canvas& c, const HistogramScale& s, int first, int axisEnd, const std::string& widest,
                        const std::function<std::string(int)>& label, const std::string& name, Rgb fore) {
    c.Line(s.left, 0.0, s.right, 0.0, fore);
    c.SetFontSize(8);
    const int step = std::max(1, static_cast<int>(std::ceil(1.5 * c.TextWidth(widest))));
    for (int x = first - first % step; x <= axisEnd; x += step) {
        if (x < first) continue;
        const std::string text = label(x);
        c.Text(x - c.TextWidth(text) / 2, -0.01 * s.top, text, fore);
    }
    c.Text(s.left + 0.02 * (s.right - s.left), s.top - 0.01 * s.top, name, fore);
}

void PreparePopulationsWindow(PopulationsView app) {
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    w.Caption = StateHeading(app) + "population distributions";
    const int vmax = MaxVib(app);
    w.VibLevelItems.clear();
    for (int v = 0; v <= vmax; ++v) w.VibLevelItems.push_back(std::to_string(v));
    w.EditedVibBar = w.EditedRotBar = -1;
    w.VibCursor = w.RotCursor = 0.0f;
    w.TxtMinPopVib = Trim(Str(pop.MinimumPopulation));

    pop.SelV = 0;
    if (app.db.SystemLoaded) {
        ResetThermal(pop, app.db);
        // Without "Thermalized system" the thermal reset leaves the vibrational levels empty,
        // which would leave nothing to simulate: they start thermal at the main temperature.
        double sum = 0.0;
        for (int v = 0; v <= std::min(vmax, pop.PopVib.Hi()); ++v) sum += pop.PopVib(v);
        if (sum <= 0.0) VibThermal(pop, app.db, pop.Temperature);
        PopToEdit(pop, app.db, 0);
    }
    pop.TVib = pop.TRotAll = static_cast<float>(pop.Temperature);
    pop.TxtTVibrational = pop.TxtTRotational = Str(pop.TVib);
    w.RotationalMode = w.VibrationalMode = DistributionMode::Thermal;
    w.TxtTRotationalEnabled = w.TxtTVibrationalEnabled = true;

    w.StructureItems.clear();
    const int entries = pop.PopLambda > 0 ? 7 : 3;
    for (int i = 0; i < entries; ++i) w.StructureItems.push_back(kStructures[i].name);
    if (app.db.SystemLoaded) {
        CmbStructure_Click(app, pop.PopLambda > 0 ? 1 : 0);
        NormalizeVibrational(app);
        RefreshPopulationTable(app);
    } else {
        w.StructureIndex = pop.PopLambda > 0 ? 1 : 0;
    }
    UpdateVibrationalStatus(app);
    UpdateRotationalStatus(app);
    RequestRedraw(app);
}

void RefreshPopulationTable(PopulationsView app) {
    const PopulationState& pop = app.pop;
    PopulationGrid& g = app.popwin.Grid;
    g.Cells.assign(1, {"", " Vib. populations", "Rotational T. (K)"});
    g.Red.assign(1, false);
    if (!PopulationsReady(app)) return;
    // The lower state's levels are v''.
    const std::string head = PopulatedStateLabel(app) + (pop.PopState == ElectronicState::Upper ? " v'=" : " v''=");
    for (int v = 0; v <= MaxVib(app); ++v) {
        const float T = pop.TRot.ValueAt(v);
        g.Cells.push_back(
            {head + Str(v), Format(pop.PopVib(v), "0.000000"), T > 0.0f ? Format(T, "####0.0") : "Non-thermal"});
        g.Red.push_back(!(pop.PopVib(v) > pop.MinimumPopulation));
    }
}

void DrawVibrationalHistogram(PopulationsView app, Canvas& c) {
    const HistogramScale s = VibrationalScale(app);
    c.SetBackColor(PaletteColor(app.backColorIndex));
    c.SetScale(s.left, s.top, s.right, s.bottom);
    c.Clear();
    if (!PopulationsReady(app)) return;
    NormalizeVibrational(app);
    const PopulationState& pop = app.pop;
    const Rgb fore = PaletteColor(app.foreColorIndex);
    const int vmax = MaxVib(app);
    for (int v = 0; v <= vmax; ++v) {
        const double h = pop.PopVib(v) / app.popwin.VibScale * 100.0;
        if (h > 0.0) {
            c.Box(v - 0.5, 0.0, v + 0.5, h, PaletteColor(1), true);
            c.Box(v - 0.5, 0.0, v + 0.5, h, PaletteColor(v == app.popwin.EditedVibBar ? 4 : 15), false);
        }
    }
    c.Line(s.left, 0.0, s.right, 0.0, fore);
    c.SetFontSize(8);
    const int step = std::max(1, static_cast<int>(std::ceil(1.5 * c.TextWidth("00"))));
    for (int v = 0; v <= vmax; v += step) {
        const std::string label = std::to_string(v);
        c.Text(v - c.TextWidth(label) / 2, -0.01 * s.top, label, fore);
    }
    c.Text(s.left + 0.02 * (s.right - s.left), s.top - 1.0, pop.PopState == ElectronicState::Upper ? "v'" : "v''",
           fore);
    UpdateVibrationalStatus(app);
    RefreshPopulationTable(app);
}

void DrawRotationalHistogram(PopulationsView app, Canvas& c) {
    const HistogramScale s = RotationalScale(app);
    c.SetBackColor(PaletteColor(app.backColorIndex));
    c.SetScale(s.left, s.top, s.right, s.bottom);
    c.Clear();
    if (!PopulationsReady(app)) return;
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    w.RotScale = ComputeRotScale(pop);
    const Rgb fore = PaletteColor(app.foreColorIndex);
    const auto [first, last] = RotationalBars(app);
    for (int x = first; x <= last; ++x) {
        // The cells of the bar stacked from the bottom.
        double bottom = 0.0;
        for (auto [comp, row] : BarCells(pop, x)) {
            const double h = Cell(pop, comp, row) * w.RotScale;
            if (h > 0.0) {
                c.Box(x - 0.5, bottom, x + 0.5, bottom + h, PaletteColor(LayerColor(pop, comp)), true);
                c.Box(x - 0.5, bottom, x + 0.5, bottom + h, PaletteColor(15), false);
                bottom += h;
            }
        }
        if (x == w.EditedRotBar && bottom > 0.0) c.Box(x - 0.5, 0.0, x + 0.5, bottom, PaletteColor(4), false);
    }
    const bool byN = pop.StructMode == StructureMode::AllOfN;
    DrawRotationalAxis(
        c, s, first, AxisLastRow(app), byN ? "000" : "00.5",
        [byN](int x) { return byN ? std::to_string(x) : Format(x + 0.5, "#0.0"); }, byN ? "N" : "J", fore);
    UpdateRotationalStatus(app);
}

void PicVibrational_Mouse(PopulationsView app, double x, double y, bool leftButton) {
    if (!PopulationsReady(app)) return;
    PopulationsWindowState& w = app.popwin;
    const int v = std::clamp(static_cast<int>(std::lround(x)), 0, MaxVib(app));
    w.VibCursor = static_cast<float>(v);
    if (leftButton) {
        if (w.VibrationalMode != DistributionMode::NonThermal) CmbVibrational_Click(app, 1);
        app.pop.PopVib(v) = std::max(0.0, y / 100.0 * w.VibScale);
        w.EditedVibBar = v;
        NormalizeVibrational(app);
        RefreshPopulationTable(app);
        RequestRedraw(app);
    }
    UpdateVibrationalStatus(app);
}

void PicRotational_Mouse(PopulationsView app, double x, double y, bool leftButton) {
    if (!PopulationsReady(app)) return;
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    const int r = BarAt(x, 0, pop.NRotDisp);
    w.RotCursor = static_cast<float>(r);
    if (leftButton) {
        if (w.RotationalMode != DistributionMode::NonThermal) CmbRotational_Click(app, 1);
        MarkLevelNonThermal(app);
        w.RotScale = ComputeRotScale(pop);
        const double h = y / w.RotScale;
        const int F = pop.SelF;
        auto clampZero = [&](int c, int row) {
            if (Cell(pop, c, row) < 0.0f) SetCell(pop, c, row, 0.0f);
        };
        switch (pop.StructMode) {
            case StructureMode::FirstParity:
                SetCell(pop, F, r, static_cast<float>(h));
                clampZero(F, r);
                break;
            case StructureMode::SecondParity:
                SetCell(pop, F + 2, r, static_cast<float>(h - Cell(pop, F, r)));
                clampZero(F + 2, r);
                break;
            case StructureMode::SpinComponent:
                if (pop.PopLambda != 0) {
                    SetCell(pop, F, r, static_cast<float>(h / 2));
                    SetCell(pop, F + 2, r, static_cast<float>(h / 2));
                    clampZero(F + 2, r);
                } else {
                    SetCell(pop, F, r, static_cast<float>(h));
                }
                clampZero(F, r);
                break;
            default: {
                // The components of N keep their shares of the bar; an empty bar is shared equally.
                const auto cells = BarCells(pop, r);
                const double old = BarValue(pop, r);
                for (auto [c, row] : cells) {
                    const double value = Cell(pop, c, row);
                    SetCell(pop, c, row,
                            static_cast<float>(old > 0.0 ? value + (h - old) * value / old : h / cells.size()));
                    clampZero(c, row);
                }
            }
        }
        EditToPop(pop, app.db, pop.SelV);
        w.RotScale = ComputeRotScale(pop);
        w.EditedRotBar = r;
        RequestRedraw(app);
    }
    UpdateRotationalStatus(app);
}

void Histogram_KeyDown(PopulationsView app, HistogramKey key, bool fine) {
    if (!PopulationsReady(app)) return;
    PopulationsWindowState& w = app.popwin;
    const double step = fine ? 0.1 : 1.0;
    if (app.pop.intTabPop == kVibrationalTab) {
        const int vmax = MaxVib(app);
        int v = static_cast<int>(w.VibCursor);
        if (key == HistogramKey::Left || key == HistogramKey::Right) {
            PicVibrational_Mouse(app, StepBar(v, key, 0, vmax), 0.0, false);
        } else {
            NormalizeVibrational(app);
            const double h = app.pop.PopVib(std::clamp(v, 0, vmax)) / w.VibScale * 100.0;
            PicVibrational_Mouse(app, v, h + (key == HistogramKey::Up ? step : -step), true);
        }
    } else if (app.pop.intTabPop == kRotationalTab) {
        const auto [first, last] = RotationalBars(app);
        int r = static_cast<int>(w.RotCursor);
        if (key == HistogramKey::Left || key == HistogramKey::Right) {
            PicRotational_Mouse(app, StepBar(r, key, first, last), 0.0, false);
        } else {
            r = std::clamp(r, first, last);
            w.RotScale = ComputeRotScale(app.pop);
            const PopulationState& pop = app.pop;
            const double value =
                pop.StructMode == StructureMode::FirstParity ? Cell(pop, pop.SelF, r) : BarValue(pop, r);
            PicRotational_Mouse(app, r, value * w.RotScale + (key == HistogramKey::Up ? step : -step), true);
        }
    }
}

int frmPopulations_KeyPress(int keyAscii) { return keyAscii == 13 ? 0 : keyAscii; }

void SSTab1_Click(PopulationsView app, int tab) { app.pop.intTabPop = std::clamp(tab, 0, 2); }

void CmbVibLevel_Click(PopulationsView app, int index) {
    if (!PopulationsReady(app)) return;
    PopulationState& pop = app.pop;
    pop.SelV = std::clamp(index, 0, MaxVib(app));
    PopToEdit(pop, app.db, pop.SelV);
    app.popwin.EditedRotBar = -1;
    UpdateRotationalStatus(app);
    RequestRedraw(app);
}

void CmbStructure_Click(PopulationsView app, int index) {
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    const int count = static_cast<int>(w.StructureItems.size());
    if (index < 0 || index >= count) return;
    const StructureEntry& e = kStructures[index];
    w.StructureIndex = index;
    pop.StructMode = e.mode;
    pop.SelF = e.F;
    if (e.parity >= 0) pop.SelParity = e.parity;
    w.TxtSpinCombinationEnabled = index == 0;
    w.EditedRotBar = -1;
    if (!PopulationsReady(app)) return;
    EditToPop(pop, app.db, pop.SelV);
    w.RotScale = ComputeRotScale(pop);
    UpdateRotationalStatus(app);
    RequestRedraw(app);
}

void CmbRotational_Click(PopulationsView app, int index) {
    PopulationsWindowState& w = app.popwin;
    w.RotationalMode = index == 0 ? DistributionMode::Thermal : DistributionMode::NonThermal;
    w.TxtTRotationalEnabled = index == 0;
    if (index == 0) {
        app.pop.TxtTRotational = TxtTRotational_Change(app, app.pop.TxtTRotational);
    } else if (app.pop.ThermalFlag == 1) {
        app.pop.ThermalFlag = 0;
    }
}

void CmbVibrational_Click(PopulationsView app, int index) {
    PopulationsWindowState& w = app.popwin;
    w.VibrationalMode = index == 0 ? DistributionMode::Thermal : DistributionMode::NonThermal;
    w.TxtTVibrationalEnabled = index == 0;
    if (index == 0) {
        app.pop.TxtTVibrational = TxtTVibrational_Change(app, app.pop.TxtTVibrational);
    } else if (app.pop.ThermalFlag == 1) {
        app.pop.ThermalFlag = 0;
    }
}

void CmdInitialize_Click(PopulationsView app) {
    if (!PopulationsReady(app)) return;
    PopulationState& pop = app.pop;
    const int F = pop.SelF;
    const int rows = pop.NRotDisp;
    if (pop.StructMode == StructureMode::AllOfN) {
        for (int c = 1; c <= 4; ++c)
            for (int r = 0; r <= rows; ++r) SetCell(pop, c, r, 0.0f);
    } else {
        pop.RowMax[static_cast<std::size_t>(F)] = 0.0f;
        for (int r = 0; r <= rows; ++r) {
            SetCell(pop, F + pop.SelParity, r, 0.0f);
            if (pop.StructMode == StructureMode::SpinComponent) SetCell(pop, F + 2, r, 0.0f);
        }
        // What is left of the spin component is rescaled: the parities keep their shares
        // (half and half in mode 1) and the tallest row becomes 100.
        double s1 = 0.0, s2 = 0.0;
        for (int r = 0; r <= rows; ++r) s1 += Cell(pop, F, r), s2 += Cell(pop, F + 2, r);
        if (s1 != 0.0 || s2 != 0.0) {
            const double f = pop.StructMode == StructureMode::SpinComponent ? 0.5 : s1 / (s1 + s2);
            for (int r = 0; r <= rows; ++r) {
                if (s1 != 0.0) SetCell(pop, F, r, static_cast<float>(Cell(pop, F, r) * f * 200.0 / s1));
                if (s2 != 0.0) SetCell(pop, F + 2, r, static_cast<float>(Cell(pop, F + 2, r) * (1.0 - f) * 200.0 / s2));
            }
            double m = 0.0;
            for (int r = 0; r <= rows; ++r) m = std::max(m, static_cast<double>(Cell(pop, F, r) + Cell(pop, F + 2, r)));
            if (m > 0.0)
                for (int r = 0; r <= rows; ++r) {
                    SetCell(pop, F, r, static_cast<float>(Cell(pop, F, r) * 100.0 / m));
                    SetCell(pop, F + 2, r, static_cast<float>(Cell(pop, F + 2, r) * 100.0 / m));
                }
            // The bars are drawn on the new scale: the tallest row is full scale.
            pop.RowMax[static_cast<std::size_t>(F)] = m > 0.0 ? 100.0f : 0.0f;
        }
    }
    if (pop.StructMode == StructureMode::AllOfN) pop.HistMax = 0.0f;
    if (app.popwin.RotationalMode != DistributionMode::NonThermal) CmbRotational_Click(app, 1);
    if (pop.TRot.Contains(pop.SelV)) pop.TRot(pop.SelV) = -1.0f;
    app.popwin.RotScale = ComputeRotScale(pop);
    RequestRedraw(app);
    RefreshPopulationTable(app);
}

void SldRotLimit_Change(PopulationsView app, int percent) {
    app.popwin.SldRotLimit = std::clamp(percent, 1, 100);
    RequestRedraw(app);
}

void SldRotYMax_Change(PopulationsView app, int percent) {
    app.popwin.SldRotYMax = std::clamp(percent, 1, 100);
    RequestRedraw(app);
}

namespace {

/// One of the window's two temperature boxes (rotational or vibrational): a number of 0 or more
/// becomes the temperature, the selector shows "Thermal" and the box is offered; a temperature
/// other than the main one ends the thermalised system. Returns false (with the box answering
/// the temperature in force) for other text.
bool AcceptTemperature(PopulationsView app, std::string_view text, float& temperature, std::string& box,
                       DistributionMode& mode, bool& enabled) {
    double value = 0.0;
    if (!ParseTemperature(text, value)) {
        box = Str(temperature);
        return false;
    }
    temperature = static_cast<float>(value);
    box = std::string(text);
    mode = DistributionMode::Thermal;
    enabled = true;
    if (app.pop.ThermalFlag == 1 && temperature != static_cast<float>(app.pop.Temperature)) app.pop.ThermalFlag = 0;
    return true;
}

}  // namespace

std::string TxtTRotational_Change(PopulationsView app, std::string_view text) {
    PopulationState& pop = app.pop;
    if (Trim(text).empty()) return std::string(text);
    if (!AcceptTemperature(app, text, pop.TRotAll, pop.TxtTRotational, app.popwin.RotationalMode,
                           app.popwin.TxtTRotationalEnabled) ||
        !PopulationsReady(app))
        return pop.TxtTRotational;
    for (int v = 0; v <= MaxVib(app); ++v) RebuildLevelThermal(pop, app.db, v, pop.TRotAll);
    // Thermal vibrational fractions weigh each level by its rotational partition function.
    if (app.popwin.VibrationalMode == DistributionMode::Thermal) {
        VibThermal(pop, app.db, pop.TVib, pop.TRotAll);
        NormalizeVibrational(app);
    }
    PopToEdit(pop, app.db, pop.SelV);
    RequestRedraw(app);
    RefreshPopulationTable(app);
    return pop.TxtTRotational;
}

std::string TxtTVibrational_Change(PopulationsView app, std::string_view text) {
    PopulationState& pop = app.pop;
    if (Trim(text).empty()) return std::string(text);
    if (!AcceptTemperature(app, text, pop.TVib, pop.TxtTVibrational, app.popwin.VibrationalMode,
                           app.popwin.TxtTVibrationalEnabled) ||
        !PopulationsReady(app))
        return pop.TxtTVibrational;
    VibThermal(pop, app.db, pop.TVib, pop.TRotAll);
    NormalizeVibrational(app);
    RefreshPopulationTable(app);
    RequestRedraw(app);
    return pop.TxtTVibrational;
}

std::string TxtSetTemperature_Change(PopulationsView app, std::string_view text) {
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    if (Trim(text).empty()) return std::string(text);
    double value = 0.0;
    if (!ParseTemperature(text, value)) return w.TxtSetTemperature = "300";
    w.TxtSetTemperature = std::string(text);
    if (!PopulationsReady(app)) return w.TxtSetTemperature;
    const int v = pop.SelV;
    pop.TRot(v) = value;
    switch (pop.StructMode) {
        case StructureMode::FirstParity:
            RotThermal(pop, app.db, v, pop.SelF, 0);
            break;
        case StructureMode::SecondParity:
            RotThermal(pop, app.db, v, pop.SelF, 2);
            break;
        case StructureMode::SpinComponent:
            if (pop.PopLambda > 0) RotThermal(pop, app.db, v, pop.SelF, 2);
            RotThermal(pop, app.db, v, pop.SelF, 0);
            break;
        default:
            RotThermalLevel(pop, app.db, v);
    }
    RotNormalize(pop, app.db, v);
    // Only part of the level follows the temperature unless every component was set.
    if (pop.StructMode != StructureMode::AllOfN) pop.TRot(v) = -1.0f;
    PopToEdit(pop, app.db, v);
    if (w.RotationalMode != DistributionMode::NonThermal) CmbRotational_Click(app, 1);
    RequestRedraw(app);
    RefreshPopulationTable(app);
    return w.TxtSetTemperature;
}

std::string TxtSpinCombination_Change(PopulationsView app, std::string_view text) {
    PopulationState& pop = app.pop;
    if (Trim(text).empty()) return std::string(text);
    if (!IsNumeric(text) || Val(text) < 0.0 || Val(text) > 1.0)
        return pop.TxtSpinCombination = Format(pop.SpinFactor, "0.0000");
    double factor = Val(text);
    // A factor of exactly 0 or 1 would empty one spin component entirely.
    if (factor == 0.0) factor = 0.00001;
    if (factor == 1.0) factor = 0.99999;
    pop.SpinFactor = static_cast<float>(factor);
    pop.TxtSpinCombination = std::string(text);
    if (std::fabs(factor - pop.Ratio) > 0.0001 && PopulationsReady(app)) {
        if (app.popwin.RotationalMode != DistributionMode::NonThermal) CmbRotational_Click(app, 1);
        MarkLevelNonThermal(app);
        EditToPop(pop, app.db, pop.SelV);
        PopToEdit(pop, app.db, pop.SelV);
        pop.TxtSpinCombination = std::string(text);
        RequestRedraw(app);
    }
    return pop.TxtSpinCombination;
}

std::string TxtMinPopVib_Change(PopulationsView app, std::string_view text) {
    PopulationState& pop = app.pop;
    PopulationsWindowState& w = app.popwin;
    if (Trim(text).empty()) return std::string(text);
    if (!IsNumeric(text)) return w.TxtMinPopVib = Trim(Str(pop.MinimumPopulation));
    const double value = Val(text);
    // The box keeps the minimum within 0..0.1; a value beyond is replaced by 0.1, which applies.
    if (value < 0.0 || value > kMaxMinimumPopulation) return TxtMinPopVib_Change(app, "0.1");
    pop.MinimumPopulation = static_cast<float>(value);
    w.TxtMinPopVib = std::string(text);
    RefreshPopulationTable(app);
    return w.TxtMinPopVib;
}

void SetVibrationalPopulations(PopulationsView app, const std::map<int, double>& populations) {
    if (!PopulationsReady(app)) return;
    PopulationState& pop = app.pop;
    for (int v = 0; v <= MaxVib(app); ++v) {
        const auto it = populations.find(v);
        pop.PopVib(v) = it != populations.end() && it->second > 0.0 ? it->second : 0.0;
    }
    CmbVibrational_Click(app, 1);
    NormalizeVibrational(app);
    RefreshPopulationTable(app);
    RequestRedraw(app);
}

void CommitGridEdit(PopulationsView app, int v, int column, std::string_view text) {
    if (!PopulationsReady(app) || !IsNumeric(text) || v < 0 || v > MaxVib(app)) return;
    PopulationState& pop = app.pop;
    const double value = Val(text);
    if (column == 1 && value >= 0.0) {
        pop.PopVib(v) = value;
        if (app.popwin.VibrationalMode != DistributionMode::NonThermal) CmbVibrational_Click(app, 1);
        RequestRedraw(app);
    } else if (column == 2 && value > 0.0) {
        RebuildLevelThermal(pop, app.db, v, value);
        if (app.popwin.RotationalMode != DistributionMode::NonThermal) CmbRotational_Click(app, 1);
        if (v == pop.SelV) {
            PopToEdit(pop, app.db, v);
            RequestRedraw(app);
        }
    }
    RefreshPopulationTable(app);
}

}  // namespace velmora::populations
