#include "program/main_window.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "common/errors.h"
#include "common/number_format.h"
#include "database/multiplet_catalogue.h"
#include "display/plot_content.h"
#include "display/plot_draw.h"
#include "display/plot_frame.h"
#include "populations/populations_window.h"
#include "program/band_system.h"
#include "program/multiplet_band_system.h"
#include "program/system_range.h"
#include "simulation/condition_view.h"
#include "table/table_model.h"

namespace velmora::program {

namespace {

int MaxVibOf(const AppState& app, int s) { return std::max(0, app.db.cat.NMaxVib.ValueAt(app.db.systemEntry, s)); }

}  // namespace

ScreenView ScreenViewLayout(int intWindows) {
    switch (intWindows) {
        case 0:
            return {true, false, false, false};
        case 2:
            return {true, true, false, false};
        case 3:
            return {true, true, false, true};
        case 4:
            return {false, true, true, false};
        default:
            return {false, true, false, false};
    }
}

bool CmbWindowView_Click(AppState& app, int index) {
    if (index < 0 || index >= static_cast<int>(kScreenViewItems.size())) return false;
    app.shell.intWindows = index;
    return app.shell.DataReady;
}

bool CmdPopulations_Click(AppState& app) { return CmbWindowView_Click(app, 4); }

void mnuZoomUp_Click(AppState& app) {
    if (app.plot.UpDZoomY < kZoomUpDownMax) display::UpDZoomY_Change(app, app.plot.UpDZoomY + 1);
}

void mnuZoomDown_Click(AppState& app) {
    if (app.plot.UpDZoomY > kZoomUpDownMin) display::UpDZoomY_Change(app, app.plot.UpDZoomY - 1);
}

void mnuZoomXup_Click(AppState& app) {
    if (app.plot.UpDZoomX < kZoomUpDownMax) display::UpDZoomX_Change(app, app.plot.UpDZoomX + 1);
}

void mnuZoomXdown_Click(AppState& app) {
    if (app.plot.UpDZoomX > kZoomUpDownMin) display::UpDZoomX_Change(app, app.plot.UpDZoomX - 1);
}

void mnuShiftLeft_Click(AppState& app) {
    if (app.plot.SldX > kSliderMin) display::SldX_Change(app, std::max<double>(kSliderMin, app.plot.SldX - 2.0));
}

void mnuShiftRight_Click(AppState& app) {
    if (app.plot.SldX < kSliderMax) display::SldX_Change(app, std::min<double>(kSliderMax, app.plot.SldX + 2.0));
}

void mnuReset_Click(AppState& app) { display::CmdResetZoom_Click(app); }

bool MDIVelmora_Load(AppState& app, const std::string& version) {
    app.plot.PlotReady = false;
    app.shell.DataReady = false;
    app.shell.Caption = "VELMORA " + version;

    // A stored multiplet entry is selected over the doublet system entry 1, which the table and
    // the populations window keep beneath it.
    const int entry = app.db.systemEntry;
    if (entry > app.db.cat.CatalogueCount) app.db.systemEntry = 1;

    // The captions derived from the restored conditions.
    simulation::UpdateConditionView(app.sim, app.db.cat.MolecularMass.ValueAt(app.db.systemEntry));
    display::ApplyColorScheme(app.plot);
    table::FillQuantityItems(app);
    table::FillDatabaseUnits(app);
    table::FillRotationalBranches(app);

    // Zoom 1 in both directions, the view centred on the range.
    app.plot.SldX = 50;
    app.plot.UpDZoomX = app.plot.UpDZoomY = 2;
    app.plot.ZoomX = 1.0f;
    app.plot.TxtZoomX = app.plot.TxtZoomY = "1";
    display::frmSimulation_Load(app);
    RecomputeViewWindow(app.plot, static_cast<float>(app.sim.conditions.start),
                        static_cast<float>(app.sim.conditions.end));
    app.popwin.TxtMinPopVib = Trim(Str(app.pop.MinimumPopulation));

    const bool loaded = CmbTransition_Click(app, entry);
    display::CmbAssignment_Click(app, 0);
    return loaded;
}

namespace {

/// Runs `select`: a bad database file or an entry it refuses is shown to the user and gives
/// false, the system selected before staying selected.
template <class Select>
bool Selected(AppState& app, Select&& select) {
    try {
        select();
    } catch (const FileError& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    } catch (const std::invalid_argument& e) {
        app.dialogs->ShowMessage(e.what());
        return false;
    }
    return true;
}

/// CmbTransition for a system of VELMORA.SYS; the range follows the new system when
/// `followRange`.
bool SelectDoubletEntry(AppState& app, int entry, bool followRange) {
    if (!Selected(app, [&] { SelectBandSystem(app, entry); })) return false;
    // SelectBandSystem has reset the populated state for the new system.
    populations::PreparePopulationsWindow(app);

    // The bands shown in the table and marked on the plot must exist in the new system.
    TableState& t = app.table;
    t.DbVUpper = std::clamp(t.DbVUpper, 0, MaxVibOf(app, 1));
    t.DbVLower = std::clamp(t.DbVLower, 0, MaxVibOf(app, 2));
    app.plot.AssignVUpper = std::clamp(app.plot.AssignVUpper, 0, MaxVibOf(app, 1));
    app.plot.AssignVLower = std::clamp(app.plot.AssignVLower, 0, MaxVibOf(app, 2));
    table::FillQuantityItems(app);
    table::FillDatabaseUnits(app);
    table::FillRotationalBranches(app);
    table::RefreshDatabaseTable(app);
    // A range without a line of the new system moves to its strongest band; the widths and
    // captions (Doppler widths depend on the molecular mass) then follow the range in force.
    if (followRange) FollowSystemRange(app);
    simulation::UpdateConditionView(app.sim, app.db.cat.MolecularMass.ValueAt(app.db.systemEntry));
    return true;
}

/// CmbTransition for a system of any multiplicity. The doublet system loaded before stays
/// loaded beneath it (the first one when none is yet, its range rule not applied) for the
/// controls that only it serves.
bool SelectMultipletEntry(AppState& app, int entry) {
    if (!app.db.SystemLoaded &&
        !SelectDoubletEntry(app, std::clamp(app.db.systemEntry, 1, app.db.cat.CatalogueCount), false))
        return false;
    if (!Selected(app, [&] { SelectMultipletSystem(app, entry); })) return false;
    ShowMultipletTable(app);
    FollowMultipletRange(app);
    simulation::UpdateConditionView(app.sim, SelectedMass(app));
    return true;
}

}  // namespace

bool CmbTransition_Click(AppState& app, int entry) {
    return entry > app.db.cat.CatalogueCount ? SelectMultipletEntry(app, entry) : SelectDoubletEntry(app, entry, true);
}

std::vector<std::string> TransitionItems(const AppState& app) {
    std::vector<std::string> items;
    const Catalogue& cat = app.db.cat;
    for (int i = 1; i <= cat.CatalogueCount; ++i) {
        items.push_back(cat.MoleculeName.ValueAt(i) + cat.SystemLabel.ValueAt(i));
    }
    // The systems of any multiplicity follow, numbered on; a bad MULTIPLET.SYS is named when one
    // of them is chosen or simulated, not here.
    try {
        for (const database::MultipletEntry& m : database::MultipletEntriesOf(app.db.AppPath))
            items.push_back(m.name + " " + m.SystemLabel());
    } catch (const FileError&) {
    }
    return items;
}

std::vector<std::string> LevelItems(const AppState& app, int s) {
    if (app.sim.Multiplet) return MultipletLevelItems(app, s);
    std::vector<std::string> items;
    if (app.db.cat.CatalogueCount < 1) return items;
    for (int v = 0; v <= MaxVibOf(app, s); ++v) items.push_back(std::to_string(v));
    return items;
}

bool IsIncompleteNumber(std::string_view text) {
    const std::string t = Trim(text);
    if (t.empty() || IsNumeric(t)) return false;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool digits = false;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, digits = true;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, digits = true;
    }
    if (i == t.size()) return true;  // "-", ".", "-." and the like
    if (!digits || (t[i] != 'e' && t[i] != 'E' && t[i] != 'd' && t[i] != 'D')) return false;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    return i == t.size();  // an exponent without its digits
}

int QuantityIndex(const AppState& app) {
    const TableState& t = app.table;
    const Catalogue& cat = app.db.cat;
    if (!t.UntabulatedQuantity.empty() || !cat.QuantityName.Contains(0, t.icoef)) {
        const auto it = std::find(t.QuantityItems.begin(), t.QuantityItems.end(), t.UntabulatedQuantity);
        return it == t.QuantityItems.end() ? -1 : static_cast<int>(it - t.QuantityItems.begin());
    }
    const auto it = std::find(t.QuantityItems.begin(), t.QuantityItems.end(), cat.QuantityName(0, t.icoef));
    return it == t.QuantityItems.end() ? -1 : static_cast<int>(it - t.QuantityItems.begin());
}

bool SaveSpectraEnabled(const AppState& app) { return app.exp.ExpCount > 0; }

}  // namespace velmora::program
