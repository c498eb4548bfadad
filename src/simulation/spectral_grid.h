// The point grid of a simulated spectrum: a step of a fixed fraction of the line width, so that
// the point density follows the resolution, under a budget of points for all levels together.
#pragma once

namespace velmora::simulation {

/// Largest number of grid points all selected levels together may use.
inline constexpr int kPointBudget = 1000000;

/// Point i (0..last) lies at start + i × gridWidth / pointsPerWidth, in axis units.
struct SpectralGrid {
    double start = 0.0;      ///< axis position of point 0 (a simulation's range is held in single precision)
    float gridWidth = 1.0f;  ///< the FWHM the step is based on
    int pointsPerWidth = 7;
    int last = 0;  ///< index of the last point

    double Step() const { return static_cast<double>(gridWidth) / pointsPerWidth; }
    double X(int i) const { return start + static_cast<double>(gridWidth) * i / pointsPerWidth; }
    int Points() const { return last + 1; }
};

/// A grid for a range and line width, and whether the budget made it coarser than asked.
struct GridPlan {
    SpectralGrid grid;
    int maxPoints = 0;        ///< the budget: kPointBudget / levels
    bool overBudget = false;  ///< the step is span × pointsPerWidth / maxPoints, not width / pointsPerWidth
};

/// The grid over start..end (start <= end) with pointsPerWidth points per FWHM `width`, for
/// `levels` selected vibrational levels (at least 1). A grid finer than the budget allows gets
/// the finest step the budget allows and spans the whole range.
GridPlan PlanGrid(double start, double end, float width, int pointsPerWidth, int levels);

}  // namespace velmora::simulation
