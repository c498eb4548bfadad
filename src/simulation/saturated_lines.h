// Lines saturated by the laser (LIF by rate equations), drawn fast. Each adds
//
//     S(d) = w s p(d) / (1 + s p(d))      (d the distance from the line centre)
//
// which in the Lorentzian wings, p = η lN / (1 + b d²) with b = 4 / f², is the power-broadened
// Lorentzian w L / (1 + L + b d²), L = s η lN: one division a point, vectorised. The far wings,
// smooth on the scale of their distance from the centre, are added only at every kStep-th grid
// point (the nodes of a coarse mesh) and interpolated linearly onto the grid once per level. A
// wing S = A / (B + b d²) has |S''| <= 6 A / (b d⁴), so linear interpolation between nodes H apart
// errs by at most 0.75 H² A / (b d⁴): the nodes begin where that falls below
// kCoarseWingTolerance of the strongest line's peak. Near the centre, where the Gaussian part of
// the profile still counts, the profile is evaluated in full.
#pragma once

#include <vector>

#include "simulation/lineshapes.h"

namespace velmora::simulation {

/// Largest interpolation error of a line's coarse wing, relative to the strongest line's peak.
inline constexpr double kCoarseWingTolerance = 1e-5;

/// Far wings of one level's lines summed at every kStep-th grid point.
class CoarseWings {
public:
    static constexpr int kStep = 8;

    explicit CoarseWings(int nPoints);

    /// Adds value(i) at the nodes i = kStep a .. kStep b and takes from out (points 1..nPoints-1)
    /// what their interpolation adds beyond that span, so the wing ends at its first and last node.
    template <typename Value>
    void AddSpan(int a, int b, Value value, float* out) {
        for (int n = a; n <= b; ++n) nodes_[static_cast<std::size_t>(n)] += value(n * kStep);
        RemoveLeak(a * kStep, value(a * kStep), -1, out);
        RemoveLeak(b * kStep, value(b * kStep), +1, out);
    }

    /// Adds the interpolated wings onto out[1..nPoints-1] and clears the nodes for the next level.
    void AddTo(float* out);

private:
    /// Takes v (1 - |i - node| / kStep) from out[i] on the side `side` of the node.
    void RemoveLeak(int node, double v, int side, float* out) const;

    int nPoints_;
    std::vector<double> nodes_;
};

/// Distance (FWHM) from a line's centre beyond which the Gaussian part of its profile is below
/// 1e-9 of the Lorentzian part, so the wing formula holds; at most 6 FWHM. It grows as the
/// Lorentzian share falls: a line whose share lies within 0.1 % above the last one computed takes
/// that one's reach (a little larger than its own, so still safe) rather than four logarithms.
class GaussianReach {
public:
    double Of(const LineShape& s);

private:
    double eta_ = -1.0, reach_ = 0.0;
};

/// Adds the signal of a line saturated by the laser onto out, as AccumulateSaturatedProfile draws
/// it (the same points, to within kCoarseWingTolerance of `strongest` in the far wings), with the
/// far wings on `wings`. reach: GaussianReach of s; floor: the signal where the wings end;
/// strongest: the level's strongest peak.
void DrawSaturatedLine(const ProfileGrid& grid, const LineShape& s, double reach, double x0,
                       double saturation, double weight, double floor, double strongest, CoarseWings& wings,
                       float* out);

}  // namespace velmora::simulation
