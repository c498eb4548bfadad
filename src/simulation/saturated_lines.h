// Lines saturated by the laser (LIF by rate equations), drawn fast. Each adds
//
//     S(d) = w s p(d) / (1 + s p(d))      (d the distance from the line centre)
//
// which in the Lorentzian wings, p = η lN / (1 + b d²) with b = 4 / f², is the power-broadened
// Lorentzian w L / (1 + L + b d²), L = s η lN: one division a point, vectorised. The far wings,
// smooth on the scale of their distance from the centre, are added only at every kStep-th grid
// point (the nodes of a fine mesh) and, farther out, at every kStep kCoarse-th (a coarse mesh),
// with their second derivatives, and interpolated once per level by the cubic that matches the
// values and second derivatives at both nodes: the coarse mesh onto the fine one (which carries
// that cubic exactly), the fine one onto the grid. The cubic errs by at most (5/384) H⁴ max|S⁗|
// between nodes H apart, and a wing S = A / (B + b d²) has |S⁗| <= 120 A / (b d⁶): each mesh
// begins where its error falls below kCoarseWingTolerance of the strongest line's peak. Near the
// centre, where the Gaussian part of the profile still counts, the profile is evaluated in full.
#pragma once

#include <utility>
#include <vector>

#include "simulation/lineshapes.h"

namespace velmora::simulation {

/// Largest interpolation error of a line's coarse wing, relative to the strongest line's peak.
inline constexpr double kCoarseWingTolerance = 1e-5;

/// Far wings of one level's lines summed, with their second derivatives, on a fine mesh (every
/// kStep-th grid point) and a coarse one (every kCoarse-th fine node).
class CoarseWings {
public:
    static constexpr int kStep = 8;
    static constexpr int kCoarse = 8;

    explicit CoarseWings(int nPoints);

    /// A power-broadened Lorentzian wing A / (B + b m²) at m = i - centre grid steps.
    struct Wing {
        double A, B, b, centre;
        /// The wing and its second derivative (per grid step²) 2 A b (3 b m² - B) / D³, D = B + b m².
        std::pair<double, double> At(int i) const {
            const double m = i - centre, bm2 = b * m * m, r = 1.0 / (B + bm2), S = A * r;
            return {S, 2.0 * b * S * (3.0 * bm2 - B) * r * r};
        }
    };

    /// Adds the wing and its second derivative at the fine nodes i = kStep a .. kStep b and takes
    /// from out (points 1..nPoints-1) what their interpolation adds beyond that span, so the wing
    /// ends at its first and last node.
    void AddSpan(int a, int b, const Wing& wing, float* out);
    /// The same on the coarse nodes i = kStep kCoarse a .. kStep kCoarse b.
    void AddCoarseSpan(int a, int b, const Wing& wing, float* out);

    /// Adds the interpolated wings onto out[1..nPoints-1] and clears the nodes for the next level.
    void AddTo(float* out);

private:
    /// Values and second derivatives at the nodes of one mesh.
    struct Nodes {
        std::vector<double> value, curvature;
        void Add(int n, double v, double c) {
            value[static_cast<std::size_t>(n)] += v;
            curvature[static_cast<std::size_t>(n)] += c;
        }
        /// Adds the wing at nodes a..b, step grid points apart.
        void AddWing(int a, int b, int step, const Wing& wing);
    };
    /// Takes the share of a fine node (grid point `node`; its value and second derivative) in
    /// the interpolation from out[i] on the side `side` of the node.
    void RemoveLeak(int node, std::pair<double, double> wing, int side, float* out) const;
    /// The same for a coarse node: from the fine nodes, then from out around the node itself.
    void RemoveCoarseLeak(int node, std::pair<double, double> wing, int side, float* out);

    int nPoints_;
    Nodes fine_, coarse_;
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
