// Lines saturated by the laser (LIF by rate equations), drawn fast. Each adds
//
//     S(d) = w s p(d) / (1 + s p(d))      (d the distance from the line centre)
//
// over its span, out to where it falls to the floor. In the Lorentzian wings, p = η lN / (1 + b d²)
// with b = 4 / f², it is the power-broadened Lorentzian w L / (1 + L + b d²), L = s η lN: one
// division a point, in single precision as the grid stores it. Near the centre, where the
// Gaussian part of the profile still counts, the profile is evaluated in full. The two point
// loops are built twice, for the baseline instruction set and for AVX2 with FMA (eight points a
// vector); the processor's abilities choose one when first used.
#pragma once

#include "simulation/lineshapes.h"

namespace velmora::simulation {

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

/// Adds the signal of a line saturated by the laser onto out over the span SaturatedSpanOf gives
/// it, as AccumulateSaturatedProfile draws it. reach: GaussianReach of s; floor: the signal where
/// the wings end.
void DrawSaturatedLine(const ProfileGrid& grid, const LineShape& s, double reach, double x0, double saturation,
                       double weight, double floor, float* out);

/// The point loops of DrawSaturatedLine, in one build.
struct SaturatedKernels {
    /// The wing: out[k] += A / (B + b m²), m = first + k - t grid steps from the centre, for
    /// k = 0..count-1 (t: the centre's offset from its nearest point, first: the offset of
    /// out[0] from that point).
    void (*wing)(float* out, int count, int first, float t, float A, float B, float b);
    /// The full profile: out[k] += w N / (D + N), N = cg exp(-a m²) D + cl, D = 1 + b m²,
    /// m = m0 + k, for k = 0..count-1.
    void (*core)(float* out, int count, double m0, double a, double b, double cg, double cl, double w);
};

/// The build for any processor of the architecture.
const SaturatedKernels& BaselineSaturatedKernels();
/// The build this processor runs (the vector one where it has AVX2 and FMA).
const SaturatedKernels& ActiveSaturatedKernels();

}  // namespace velmora::simulation
