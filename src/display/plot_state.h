// State of the spectrum plot: view window, zoom, display and comparison modes, colours.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "common/number_format.h"

namespace velmora {

struct PlotState {
    bool PlotReady = false;
    float YMax = 100.0f;  ///< full scale of every trace; 100 at every redraw
    float ZoomX = 1.0f, ZoomY = 1.0f;
    float SldX = 50.0f;              ///< "X axis center" slider 0..100; 50 centres the range
    int UpDZoomX = 2, UpDZoomY = 2;  ///< up-down controls: zoom = value / 2
    float ViewLeft = 0.0f, ViewRight = 0.0f;
    float UnitsPerPixel = 0.0f;
    int HideResiduals = 1;
    int ComparisonMode = 0;  ///< 0 overlapped, 1 separated
    int DisplayMode = 0;     ///< 0 total, 1 contours, 2 areas
    int intColor = 0;        ///< 0 light, 1 dark
    int BackColorIndex = 15, ForeColorIndex = 0;
    int LegendPosition = 0;  ///< 0 right, 1 centre, 2 left
    int ShowAssignment = 0, AssignmentMode = 0, BranchSelection = 0;
    int AssignVUpper = 0, AssignVLower = 0;
    std::string TxtZoomX = "1", TxtZoomY = "1";

    /// Vertical factor of the simulated trace: 1 overlapped, 0.48 separated.
    float TraceScale = 1.0f;
    /// Last sample of the noise generator drawn onto the noisy trace.
    float NoiseSample = 0.0f;
    /// Palette index of selected vibrational level k (rows 0..15) for the light (0) and dark (1)
    /// schemes.
    std::array<std::array<int, 2>, 16> BandColor = {{{15, 0},
                                                     {12, 2},
                                                     {10, 4},
                                                     {9, 9},
                                                     {13, 5},
                                                     {4, 6},
                                                     {8, 3},
                                                     {2, 7},
                                                     {5, 10},
                                                     {3, 12},
                                                     {11, 11},
                                                     {6, 13},
                                                     {14, 14},
                                                     {1, 1},
                                                     {7, 8},
                                                     {0, 15}}};

    /// Vertical extent of the plot at the last redraw (user units), for the pointer read-out.
    float PlotTop = 105.0f, PlotBottom = -5.0f;
    /// Caption of the axis strip, as last drawn.
    std::string AxisCaption;
    /// Pointer read-out label.
    std::string LblCoordinates;
    bool LblCoordinatesVisible = false;
    /// CmbUpperBand, CmbLowerBand and CmbRotationalBranches are enabled (rotational assignment).
    bool AssignBandControlsEnabled = false;
    /// Items of CmbRotationalBranches: "All" and the 12 branch names of the nomenclature.
    std::vector<std::string> RotationalBranchItems;
};

}  // namespace velmora

namespace velmora {

/// The displayed x window from the simulation range, the horizontal zoom and the shift slider:
/// slider 50 centres the window on the range, 0 on its end and 100 on its start.
inline void RecomputeViewWindow(PlotState& p, float Xini, float Xend) {
    const float c = 1.0f - p.SldX / 100.0f;
    const float w = Xend - Xini;
    p.ViewLeft = Xini + c * w - 0.5f * w / p.ZoomX;
    p.ViewRight = Xini + c * w + 0.5f * w / p.ZoomX;
}

/// Applies the text of the horizontal zoom box: a number of 0.1 or more becomes ZoomX and the
/// view window follows; anything else leaves both as they are. True when applied.
inline bool ApplyZoomXText(PlotState& p, std::string_view text, float Xini, float Xend) {
    if (!IsNumeric(text)) return false;
    const double z = Val(text);
    // A factor below 0.1 is not applied, nor kept for a later shift (it would empty the view).
    if (!(z >= 0.1)) return false;
    p.ZoomX = static_cast<float>(z);
    // The up-down control follows (it steps by half a unit of zoom).
    p.UpDZoomX = std::clamp(static_cast<int>(std::lround(2.0 * z)), 1, 100);
    RecomputeViewWindow(p, Xini, Xend);
    return true;
}

}  // namespace velmora
