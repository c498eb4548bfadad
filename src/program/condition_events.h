// The control events of the simulation conditions: one rule for every field of the condition
// table. A numeric box validates its text by the field's limits and sets the typed field; a list
// or a check box sets its value; then what depends on the field is recomputed (widths, shifts,
// yields, the level data of a new quenching, the populated state, thermal populations) and the
// groups of controls the view must show again are returned. None recomputes the spectrum: the
// next "Calculate simulation" uses the conditions in force.
#pragma once

#include <string>
#include <string_view>

#include "common/view_groups.h"
#include "simulation/condition_fields.h"
#include "state/app_state.h"

namespace velmora::program {

/// What a box shows after an edit, the groups of controls that changed, and why a number typed
/// is not in force ("" when it is).
struct BoxEdit {
    std::string text;
    ViewGroups refresh;
    std::string refusal = {};
};

/// Key press in any numeric box: Enter (13) is swallowed (0 returned), other keys pass.
int NumericBox_KeyPress(int keyAscii);

/// A key typed into the numeric box of a condition field (TxtTemperature, TxtPressure in the
/// pressure unit ...), with the conditions `before` in force when the edit of the box began. An
/// empty text does nothing; a number the field accepts becomes the condition; a text that is not
/// a number is answered by the value in force. A number outside the field's limits is refused by
/// the words the command line uses ("temperature: 1e9 is not accepted (0..1000000 K)"): the box
/// keeps the text to be corrected and the field takes back its value of `before`, so that the
/// keys typed on the way ("1" of "1e9") leave nothing behind. Nothing is clamped.
BoxEdit ConditionBox_Change(AppState& app, const simulation::ConditionField& f, std::string_view text,
                            const simulation::SimulationConditions& before);
/// A key typed with the conditions in force as the edit's start.
BoxEdit ConditionBox_Change(AppState& app, const simulation::ConditionField& f, std::string_view text);

/// The box of a condition field has been left with `text`: a text that is not the value in force
/// (refused, not a number, empty) gives way to the value in force, shown as the boxes show it.
/// Returns the text the box shows.
std::string ConditionBox_Finish(const AppState& app, const simulation::ConditionField& f, std::string_view text);

/// The refusal of a number typed for a field: its name, the text and the field's words.
std::string BoxRefusal(const simulation::ConditionField& f, std::string_view text, const std::string& words);

/// The list or check box of a condition field (CmbKind, ChkDoppler ...); `value` is the stored
/// integer (a list's item data, 0 or 1 of a check box). A new axis unit converts the range, the
/// widths and the loaded experimental spectra; a new quenching source pre-computes the loaded
/// system again (a data file that cannot be read is reported and the source stays).
ViewGroups ConditionList_Click(AppState& app, const simulation::ConditionField& f, int value);

/// A number field set to a value in its given unit, as a box takes it (the fit's Apply). Throws
/// simulation::FieldError when the field refuses the value; then nothing has changed.
ViewGroups SetConditionValue(AppState& app, const simulation::ConditionField& f, double given);

/// The conditions replaced as a whole (the command line, the settings restored at start-up): the
/// populated state follows the kind, the quenching is stored for the next pre-computation, and
/// the widths, captions and the composition table follow. Select the band system afterwards for
/// the quenching and the populations to take effect, as at a first start.
ViewGroups SetConditions(AppState& app, const simulation::SimulationConditions& c);

/// The conditions of an undo or redo put in force: every field that differs from those in force
/// takes its value there and what depends on it is recomputed, as its own control would; a new
/// axis unit converts the loaded experimental spectra.
ViewGroups RestoreConditions(AppState& app, const simulation::SimulationConditions& c);

/// "Thermalized system": populations follow the temperature at every simulation.
ViewGroups ChkThermal_Click(AppState& app, int value);

/// The measured instrument function's file: read with the offset unit in force. Returns the
/// problem ("" when it was read); the file stays named for the caption either way.
std::string SetSlitFile(AppState& app, const std::string& path);

/// The detection filter's transmission file (empty: no filter, the detection window again). A
/// file that cannot be read is reported by a message naming it and the filter in force stays.
ViewGroups SetDetectionFilter(AppState& app, const std::string& path);

/// "Use file limits in simulation" (value 0 or 1): takes the simulation range from the first
/// and last x of the experimental spectrum, locks the range boxes and recalculates the simulation.
ViewGroups ChkExpLimits_Click(AppState& app, int value);

/// GrdComposition: a cell of the gas composition table (column 0 the partner's formula, 1 its
/// mole fraction or "rest") has been edited. When the rows make a gas (known formulas, fractions
/// adding up to 1) it becomes the composition in force and the yields follow; otherwise the
/// quenching caption says what is wrong and the composition in force stays.
ViewGroups GrdComposition_Change(AppState& app, int row, int column, std::string_view text);

}  // namespace velmora::program
