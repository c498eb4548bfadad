#include "simulation/spectral_grid.h"

#include <algorithm>
#include <cmath>

#include "common/numerics.h"

namespace velmora::simulation {

GridPlan PlanGrid(double start, double end, float width, int pointsPerWidth, int levels) {
    GridPlan plan;
    plan.maxPoints = kPointBudget / std::max(levels, 1);
    SpectralGrid& g = plan.grid;
    g.start = start;
    g.gridWidth = width;
    g.pointsPerWidth = pointsPerWidth;
    const double span = std::fabs(end - start);
    const double n = span * pointsPerWidth / width;
    if (n <= plan.maxPoints) {
        g.last = RoundHalfEven(n);
        return plan;
    }
    // Too fine for the budget: the step becomes the finest the budget allows.
    plan.overBudget = true;
    g.gridWidth = static_cast<float>(span * pointsPerWidth / plan.maxPoints);
    g.last = std::min(RoundHalfEven(span * pointsPerWidth / g.gridWidth), plan.maxPoints + 1);
    return plan;
}

}  // namespace velmora::simulation
