// The main window's program-level rules: the screen views, the toolbar's zoom and shift keys,
// the load sequence, the band-system and kind lists, and what the toolbar menus offer. The
// desktop shell forwards its events here and copies the state into its widgets.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "state/app_state.h"

namespace velmora::program {

/// Which child windows a screen view shows and how they are tiled.
struct ScreenView {
    bool database = false, plot = false, populations = false;
    /// Tiled horizontally (one window above the other); otherwise tiled vertically (side by side).
    bool stacked = false;
};

/// Items of CmbWindowView ("Screen view"), index = intWindows.
inline constexpr std::array<const char*, 5> kScreenViewItems = {"Database", "Simulation", "Vertical split",
                                                                "Horizontal split", "Histogram/Spectra"};

/// The windows of screen view 0..4 (values outside are taken as view 1).
ScreenView ScreenViewLayout(int intWindows);

/// CmbWindowView: stores the view in intWindows. Returns true when the windows are to be
/// arranged now, false while no band system is loaded (then no window moves).
bool CmbWindowView_Click(AppState& app, int index);

/// CmdPopulations ("Population distributions"): shows the populations window beside the plot
/// (screen view 4). Returns true when the windows are to be arranged now.
bool CmdPopulations_Click(AppState& app);

// Limits of the zoom up-down controls (zoom = value / 2) and of the "X axis center" slider.
inline constexpr int kZoomUpDownMin = 1, kZoomUpDownMax = 100;
inline constexpr int kSliderMin = 0, kSliderMax = 100;

// Toolbar2 zoom and shift keys: they move UpDZoomY, UpDZoomX or SldX by one step within the
// control's limits and run the control's own change handler; at a limit they do nothing.
void mnuZoomUp_Click(AppState& app);      ///< "Enlarge"
void mnuZoomDown_Click(AppState& app);    ///< "Reduce"
void mnuZoomXup_Click(AppState& app);     ///< "Enlarge X axis"
void mnuZoomXdown_Click(AppState& app);   ///< "Reduce X axis"
void mnuShiftLeft_Click(AppState& app);   ///< slider down by 2
void mnuShiftRight_Click(AppState& app);  ///< slider up by 2
void mnuReset_Click(AppState& app);       ///< "Reset zoom and shift"

/// Main window load: no plot and no data yet, the caption "VELMORA <version>", the derived
/// captions of the restored settings, the zoom controls at 1 and the slider centred, the plot
/// window's defaults; then the band system systemEntry is selected and the assignment marks set to
/// "Vibrational". Returns false when the band system could not be loaded (the message has been
/// shown); the caller then lets pending events run and runs the first simulation.
bool MDIVelmora_Load(AppState& app, const std::string& version);

/// CmbTransition: selects a band system, resets the populations of the populated state,
/// prepares the populations window, fills the band lists and refreshes the database table; a
/// range that holds none of the system's lines moves to its strongest band (with a message).
/// A data file that cannot be read is reported in a message naming it; the system selected
/// before then stays. Returns true when the new system is loaded. An entry after those of
/// VELMORA.SYS selects a system of any multiplicity (multiplet_band_system.h): the doublet
/// system loaded before stays loaded beneath it, the table shows the new one.
bool CmbTransition_Click(AppState& app, int entry);

/// Items of CmbTransition: molecule name and system label of every catalogue entry, the systems
/// of any multiplicity (MULTIPLET.SYS) after those of VELMORA.SYS.
std::vector<std::string> TransitionItems(const AppState& app);

/// Vibrational levels "0".."NMaxVib" of state s (1 upper, 2 lower) of the selected system (of
/// a multiplet system while one is selected).
std::vector<std::string> LevelItems(const AppState& app, int s);

/// True for the text of a number still being typed: a sign, a decimal point or an exponent
/// without its digits ("-", ".", "-.", "1e", "2E-"). Numeric boxes judge such a text only when
/// it is complete, so that a negative number or an exponent can be typed.
bool IsIncompleteNumber(std::string_view text);

/// Index of the selected quantity in CmbQuantity (-1 when the list does not hold it).
int QuantityIndex(const AppState& app);

/// The "Save" drop-down offers "Modified experimental spectrum" only with a spectrum loaded.
bool SaveSpectraEnabled(const AppState& app);

}  // namespace velmora::program
