// The populations window: the table of vibrational levels, the vibrational and rotational
// histograms drawn onto a Canvas, editing by mouse, keyboard and text boxes, and the status
// lines. Every control event is one function of the application state; the shell copies the
// window state (PopulationsWindowState) into its widgets afterwards and redraws the histograms when
// the core asks through Shell::RedrawHistograms.
//
// The edit table holds one vibrational level (SelV) normalised to a total of 1; row r stands for
// J = r + 1/2 (components 1 and 3 are F1 at N = r, components 2 and 4 F2 at N = r + 1).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "common/canvas.h"
#include "populations/populations_view.h"

namespace velmora::populations {

/// Tabs of the window (SSTab1).
enum PopulationsTab { kTableTab = 0, kVibrationalTab = 1, kRotationalTab = 2 };

/// Largest minimum vibrational population the box TxtMinPopVib takes.
inline constexpr double kMaxMinimumPopulation = 0.1;

/// Keys the histograms answer to.
enum class HistogramKey { Left, Right, Up, Down };

/// Palette index of the bars of component slot 1..12 (slots 1, 2: yellow; 5, 6: green;
/// 9, 10: cyan; others 0).
int ComponentColor(int slot);

/// Prepares the window for the selected system and kind: caption, level list, level 0 shown,
/// thermal populations at the main temperature, structure list with "N" (Λ = 0) or
/// "J (F1) N+0.5" (Λ > 0) selected, table and histograms.
void PreparePopulationsWindow(PopulationsView app);

/// Rebuilds the table of vibrational levels (GridPop) from PopVib and TRot.
void RefreshPopulationTable(PopulationsView app);

/// Draws the vibrational histogram: normalises PopVib to a sum of 1 and draws one bar per level
/// on a 0..115 scale (100 = the largest level); updates the status line and the table.
void DrawVibrationalHistogram(PopulationsView app, Canvas& c);
/// Draws the rotational histogram of the level shown in the structure selected.
void DrawRotationalHistogram(PopulationsView app, Canvas& c);

/// User coordinates of the histograms (for the shell's mouse conversion).
struct HistogramScale {
    double left = 0, top = 1, right = 1, bottom = 0;
};
HistogramScale VibrationalScale(PopulationsView app);
HistogramScale RotationalScale(PopulationsView app);

// The rotational histogram's axis, bar scale and hit-testing, shared by every histogram of
// rotational levels (bar b stands at x = b).
/// Last bar on the axis: `limitPercent` (SldRotLimit) percent of bars 0..lastBar, at least 1.
int RotationalAxisEnd(int lastBar, int limitPercent);
/// User coordinates of a rotational histogram whose axis ends at bar `axisEnd`; heights in
/// percent of full scale, the top at 115 % of `yMaxPercent` (SldRotYMax).
HistogramScale RotationalAxisScale(int axisEnd, int yMaxPercent);
/// The bar under x: the nearest one within first..last.
int BarAt(double x, int first, int last);
/// The bar one step left (Left) or right (any other key) of `bar`, wrapping around first..last.
int StepBar(int bar, HistogramKey key, int first, int last);
/// Factor from a population to a bar height in percent: the tallest bar is full scale (100).
float BarHeightScale(float tallest);
/// Draws the base line of a rotational histogram, the label of every bar from `first` to
/// `axisEnd` that leaves room for `widest`, and the axis name in the upper left corner.
void DrawRotationalAxis(Canvas& c, const HistogramScale& s, int first, int axisEnd, const std::string& widest,
                        const std::function<std::string(int)>& label, const std::string& name, Rgb fore);

// Mouse on the histograms, in their user coordinates; `leftButton` while the left button is down.
void PicVibrational_Mouse(PopulationsView app, double x, double y, bool leftButton);
void PicRotational_Mouse(PopulationsView app, double x, double y, bool leftButton);

/// Key on the window: Left/Right move the cursor (wrapping), Up/Down raise or lower the value
/// under it by 1 % of full scale (0.1 % with `fine`). Only on the two histogram tabs.
void Histogram_KeyDown(PopulationsView app, HistogramKey key, bool fine);
/// The window swallows the Enter key (13): returns 0 for it, the key otherwise.
int frmPopulations_KeyPress(int keyAscii);

// Selectors and buttons.
void SSTab1_Click(PopulationsView app, int tab);
void CmbVibLevel_Click(PopulationsView app, int index);
/// 0 "N", 1 "J (F1) N+0.5", 2 "J (F2) N-0.5", and for Λ > 0: 3 "J (F1) e", 4 "J (F1) f",
/// 5 "J (F2) f", 6 "J (F2) e".
void CmbStructure_Click(PopulationsView app, int index);
/// 0 "Thermal": the rotational temperature box is applied again; 1 "Non-thermal".
void CmbRotational_Click(PopulationsView app, int index);
void CmbVibrational_Click(PopulationsView app, int index);
void CmdInitialize_Click(PopulationsView app);
void SldRotLimit_Change(PopulationsView app, int percent);
void SldRotYMax_Change(PopulationsView app, int percent);

// Text boxes: each returns the text the box must show.
std::string TxtTRotational_Change(PopulationsView app, std::string_view text);
std::string TxtTVibrational_Change(PopulationsView app, std::string_view text);
std::string TxtSetTemperature_Change(PopulationsView app, std::string_view text);
std::string TxtSpinCombination_Change(PopulationsView app, std::string_view text);
std::string TxtMinPopVib_Change(PopulationsView app, std::string_view text);

/// Vibrational populations given level by level (as a fit of a measured spectrum determines
/// them, relative to one another): PopVib takes them normalised to a sum of 1, every level not
/// given (or given a population of 0 or less) 0; the vibrational distribution becomes
/// non-thermal, which ends the thermalised system. Levels outside the populated state are ignored.
void SetVibrationalPopulations(PopulationsView app, const std::map<int, double>& populations);

/// Commits the floating edit box of the table: column 1 population (>= 0) or column 2
/// rotational temperature (> 0) of level v; other text is ignored.
void CommitGridEdit(PopulationsView app, int v, int column, std::string_view text);

}  // namespace velmora::populations
