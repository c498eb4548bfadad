// The spectrum plot window: layout, the redraw entry point, zoom and shift, the popup menu, the
// colour scheme and the pointer read-out. Every control event is one function of the state.
#pragma once

#include <string>
#include <string_view>

#include "common/canvas.h"
#include "display/plot_view.h"

namespace velmora::display {

/// Sizes of the plot window's controls in twips for a window of inner size W x H twips: the plot,
/// the intensity-axis strip on its left and the wavelength-axis strip below it.
struct PlotWindowLayout {
    int plotLeft = 1000, plotTop = 100;   ///< fixed: room for the intensity labels and caption
    int plotWidth = 0, plotHeight = 0;    ///< W - 1200, H - 600
    int axisLeft = 825, axisTop = 0;      ///< axis strip directly below the plot
    int axisWidth = 0, axisHeight = 500;  ///< 350 twips wider than the plot
    int yAxisLeft = 0, yAxisTop = 100;    ///< intensity strip beside the plot, as high as it
    int yAxisWidth = 1000, yAxisHeight = 0;
};

/// Window load: zoom Y 1, residuals hidden, and the defaults of the experimental multiplication
/// factor (1), the spin-orbit combination factor (0.5) and the gated-detection selector (0).
void frmSimulation_Load(PlotView s);

/// The control sizes for a window of inner size W x H twips.
PlotWindowLayout LayOutPlotWindow(int innerWidthTwips, int innerHeightTwips);

/// Window resize: the control sizes; asks for a redraw when a simulation exists.
PlotWindowLayout frmSimulation_Resize(PlotView s, int innerWidthTwips, int innerHeightTwips);

/// Draws the whole plot: the content with its ticks, the wavelength labels and caption on the
/// axis strip, the intensity labels and caption on the intensity strip. Nothing happens while
/// PlotReady is false.
void RedrawPlot(PlotView s, Canvas& plot, Canvas& axis, Canvas& yAxis);

// Zoom and shift. Text handlers return the text the control must show.
std::string TxtZoomX_Change(PlotView s, std::string_view text);
/// Sets ZoomX = value / 2; returns the new text of TxtZoomX (whose handler has run).
std::string UpDZoomX_Change(PlotView s, int value);
/// The "X axis center" slider (0..100; the view may also sit between its steps).
void SldX_Change(PlotView s, double value);
std::string TxtZoomY_Change(PlotView s, std::string_view text);
/// Sets ZoomY = value / 2; returns the new text of TxtZoomY (whose handler has run).
std::string UpDZoomY_Change(PlotView s, int value);
/// "Reset Zoom": slider 50, both zooms 1, and exactly one redraw request.
void CmdResetZoom_Click(PlotView s);
/// True for the Enter key (code 13), which the zoom text boxes discard.
inline bool ZoomKeyDiscarded(int keyCode) { return keyCode == 13; }

// Colour scheme (CmbColorScheme: 0 "Light", 1 "Dark").
void CmbColorScheme_Click(PlotView s, int index);

// Popup menu mnuSimul.
struct PopupMenuMarks {
    bool displayMode[3] = {false, false, false};  ///< "Total", "Contours", "Areas"
    bool light = false, dark = false;
    bool comparisonEnabled = false;
    bool residuals = false;  ///< the residual strip is shown
};
/// Check marks and enabled state when the popup opens.
PopupMenuMarks mnuSimul_Open(PlotView s);
void mnuSimulDisplayMode_Click(PlotView s, int index);
void mnuSimulComparisonMode_Click(PlotView s, int index);
/// Light (0) or Dark (1): runs the colour-scheme handler; returns the index CmbColorScheme must
/// show (set it without running its handler again).
int mnuColorScheme_Click(PlotView s, int index);
void mnuSimulComparisonResiduals_Click(PlotView s);
/// "Show residuals" check box of the main window (value 0 or 1).
void ChkResiduals_Click(PlotView s, int value);

// Main-window combo boxes of the display.
void CmbView_Click(PlotView s, int index);
void CmbComparison_Click(PlotView s, int index);

// Pointer read-out, in the plot's user coordinates.
/// "x= " + x + ", y= " + y as shown in LblCoordinates.
std::string PointerReadout(double x, double y);
void PicSimulation_MouseMove(PlotView s, double x, double y);
/// The pointer left the plot area: the read-out is hidden.
void PicSimulation_MouseLeave(PlotView s);

}  // namespace velmora::display
