// State of the spectrum plot: view window, zoom, display and comparison modes, colours.
#pragma once

#include <string>

namespace velmora {

struct PlotState {
    bool PlotReady = false;
    float YMax = 100.0f;
    float ZoomX = 1.0f, ZoomY = 1.0f;
    int SldX = 50;
    float ViewLeft = 0.0f, ViewRight = 0.0f;
    float UnitsPerPixel = 0.0f;
    int HideResiduals = 1;
    int ComparisonMode = 0;  ///< 0 overlapped, 1 separated
    int DisplayMode = 0;     ///< 0 total, 1 contours, 2 areas
    int intColor = 0;        ///< 0 light, 1 dark
    int BackColorIndex = 15, ForeColorIndex = 0;
    int LegendPosition = 0;
    int ShowAssignment = 0, AssignmentMode = 0, BranchSelection = 0;
    int AssignVUpper = 0, AssignVLower = 0;
    std::string TxtZoomX = "1", TxtZoomY = "1";
};

}  // namespace velmora

namespace velmora {

/// The displayed x window from the simulation range, the horizontal zoom and the shift slider:
/// slider 50 centres the window on the range, 0 on its end and 100 on its start.
inline void RecomputeViewWindow(PlotState& p, float Xini, float Xend) {
    const float c = 1.0f - static_cast<float>(p.SldX) / 100.0f;
    const float w = Xend - Xini;
    p.ViewLeft = Xini + c * w - 0.5f * w / p.ZoomX;
    p.ViewRight = Xini + c * w + 0.5f * w / p.ZoomX;
}

}  // namespace velmora
