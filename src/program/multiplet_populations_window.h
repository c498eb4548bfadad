// The populations window while a band system of any multiplicity is selected: the rotational
// populations of one vibrational level of the populated state, one spin component (F, e/f) at
// a time, one row per J. A state of spin S has 2(2S + 1) components (six for a triplet); a
// selector of components keeps the table three columns wide however many there are. Edits go
// through SetMultipletLevelPopulation, so a level typed in the window draws exactly as the same
// level set in the core does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/canvas.h"
#include "populations/populations_window.h"
#include "populations/populations_window_state.h"
#include "state/app_state.h"

namespace velmora::program {

/// What the window shows for the selected multiplet system (its shell copies it into the
/// widgets): the level list (v of the populated state), the component list ("F1 e" ... "F3 f",
/// those with levels), the selection of each, whether the level shown draws thermal or edited
/// populations, and the table: a header row "J", "N", "Population", then one row per J of the
/// component, each the relative population of that level within its vibrational level (the
/// populations of all components of a level add up to 1).
struct MultipletPopulationsView {
    std::string caption;
    std::vector<std::string> levelItems;
    int levelIndex = 0;
    std::vector<std::string> componentItems;
    int componentIndex = 0;
    DistributionMode rotationalMode = DistributionMode::Thermal;
    std::string status;                                ///< what the table shows, and where its populations come from
    std::string refusal;                               ///< why the window's vibrational controls do not apply
    std::string spinFactorRefusal;                     ///< why the spin-orbit combination factor does not apply
    std::string rotationalTemperature;                 ///< TxtTRotational: the temperature of the level shown
    std::string setTemperature;                        ///< TxtSetTemperature
    std::string rotationalStatus1, rotationalStatus2;  ///< LblRot1, LblRot2: the bar under the cursor
    PopulationGrid grid;
};

/// The window for the selected multiplet system (empty without one). The level shown is
/// PopulationState::SelV and the component PopulationsWindowState::StructureIndex, each kept
/// within the lists.
MultipletPopulationsView MultipletPopulationsWindow(const AppState& app);

/// CmbVibLevel: shows level `index` of the list.
void MultipletLevel_Click(AppState& app, int index);
/// CmbStructure: shows component `index` of the list.
void MultipletComponent_Click(AppState& app, int index);
/// CmbRotational: 0 "Thermal" puts the level shown back to the thermal distribution at the
/// temperature of the conditions (the other levels keep theirs); 1 "Non-thermal" changes nothing
/// (a level becomes non-thermal when one of its populations is edited).
void MultipletRotational_Click(AppState& app, int index);

/// A cell of the table typed: row r >= 1 of the table is the level at that row of the component
/// shown; its population becomes the number typed. A text that is not a number, a negative
/// population or a row without a level is refused with a message naming the level, and nothing
/// changes. True when the population was set.
bool CommitMultipletGridEdit(AppState& app, int row, std::string_view text);

// The rotational histogram of the component shown: bar b is the level at row b + 1 of the
// table, its height the population in percent of the component's largest (the axis, scale and
// hit-testing of the doublet histogram).
populations::HistogramScale MultipletRotationalScale(const AppState& app);
void DrawMultipletRotationalHistogram(const AppState& app, Canvas& c);
/// Mouse on the histogram, in its user coordinates: the bar under x is the cursor; with the
/// left button its level's population becomes the height y (0 below the axis), through
/// SetMultipletLevelPopulation.
void MultipletRotational_Mouse(AppState& app, double x, double y, bool leftButton);
/// Keys on the histogram tab: Left/Right move the cursor (wrapping), Up/Down raise or lower
/// the bar under it by 1 % of full scale (0.1 % with `fine`).
void MultipletHistogram_KeyDown(AppState& app, populations::HistogramKey key, bool fine);

/// TxtTRotational: a temperature above 0 K puts the level shown back to its thermal rotational
/// distribution at that temperature (every component; the level's share of the state is kept).
/// Other text is refused with a message naming the level and changes nothing. Returns the text
/// the box shows.
std::string MultipletTRotational_Change(AppState& app, std::string_view text);
/// TxtSetTemperature: a temperature above 0 K gives the component shown the thermal shape at
/// that temperature; the level is then normalised to a sum of 1 (as for a doublet component).
/// Other text is refused with a message naming the component and level, and the box shows "300".
std::string MultipletSetTemperature_Change(AppState& app, std::string_view text);
/// CmdInitialize: empties the component shown of the level shown (to draw it anew); the other
/// components keep their populations.
void MultipletInitialize_Click(AppState& app);

}  // namespace velmora::program
