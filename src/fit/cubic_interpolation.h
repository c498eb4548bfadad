// The four-point Lagrange cubic through a simulated spectrum, at the measured points: the fit
// reads its model there. A fit interpolates many spectra on one grid at the same positions (the
// model and the difference quotients of its derivatives), so the weights of the cubic at a set of
// positions are worked out once and applied to each spectrum.
#pragma once

#include <cstddef>
#include <vector>

#include "simulation/spectral_grid.h"

namespace velmora::fit {

/// Value and derivative of an interpolated spectrum.
struct Sample {
    double value = 0.0, slope = 0.0;
};

/// The spectrum `y` on `grid` at axis position u by the four-point Lagrange cubic (0 beyond the
/// grid), and its derivative with respect to u.
Sample Interpolate(const simulation::SpectralGrid& grid, const std::vector<float>& y, double u);

/// The cubic's weights at a set of positions on a grid, kept until the grid or the positions
/// change.
class CubicWeights {
public:
    /// Interpolate(grid, y, u[i]) into value[i] and (when not null) slope[i] for every i, bit for
    /// bit, the weights worked out anew only for another grid, length of y or positions (and not
    /// kept at all for more than about a million positions).
    void At(const simulation::SpectralGrid& grid, const std::vector<float>& y, const std::vector<double>& u,
            double* value, double* slope = nullptr);

    /// The weights of the nodes j-1, j, j+1, j+2 of one position, for its value and for its
    /// slope (before the division by the node spacing).
    struct Weights {
        double value[4], slope[4];
    };

private:
    void Prepare(const simulation::SpectralGrid& grid, std::size_t points, const std::vector<double>& u);

    double start_ = 0.0, step_ = 0.0;
    std::size_t points_ = 0;
    bool prepared_ = false;
    std::vector<double> u_;
    std::vector<int> node_;  ///< j of each position, -1 beyond the grid
    std::vector<Weights> weights_;
};

}  // namespace velmora::fit
