// Abel inversion of the side-on frames of axisymmetric sources (flames, arcs, plasma jets): a
// row of the frame holds the intensity integrated along one line of sight at lateral distance y
// from the axis,
//
//     P(y) = 2 ∫_y^R ε(r) r dr / √(r² − y²),
//
// and the inversion recovers the radial emissivity ε(r) at every wavelength column. The source
// is cut into rings of the width Δ of the row spacing, ring k spanning (k − ½)Δ..(k + ½)Δ
// (ring 0: 0..Δ/2) with ε constant in each (onion peeling, Dasch 1992, Appl. Opt. 31, 1146).
// The chord of ring k at y_i = iΔ is
//
//     A_ik = 2Δ [√((k + ½)² − i²) − √(max((k − ½)², i²) − i²)]      (k ≥ i; 0 for k < i),
//
// and ε minimises |A ε − P|² + λ²Δ² |L ε|² with L the first differences between rings
// (Tikhonov regularisation, Daun, Thomson & Liu 2006, Appl. Opt. 45, 4638); λ = 0 is plain
// onion peeling, exact for rings of constant emissivity. The lateral rows are first resampled
// at y = centre ± kΔ (linear interpolation), and the halves averaged or kept apart. Every step
// is linear, so the inverted row is M P with one matrix M: with independent noise σ_j in lateral
// row j, the emissivity of ring k has the variance Σ_j M_kj² σ_j² (at every column).
// The source must have no emission beyond the outermost ring.
#pragma once

#include <string>
#include <vector>

#include "experiment/spectrum_frame.h"

namespace velmora::experiment {

/// Most lateral rows an inversion takes (its operator grows with their square, its solution with
/// their cube).
inline constexpr int kMaxAbelRows = 4096;

/// Which lateral rows make the radial profile: the two halves averaged, one half (rows at
/// positions below or above the centre), or both kept apart (one set of rings each).
enum class AbelHalves { Average = 0, Lower = 1, Upper = 2, Both = 3 };

/// How to invert a frame.
struct AbelOptions {
    bool findCentre = true;  ///< else `centre` is used
    double centre = 0.0;     ///< position of the axis, in the unit of the rows' positions
    AbelHalves halves = AbelHalves::Average;
    double regularisation = 0.0;  ///< λ of the Tikhonov term, dimensionless (0: plain onion peeling)
};

/// A frame inverted: one row per ring (per half and ring when kept apart).
struct AbelFrame {
    SpectrumFrame emissivity;   ///< positions are the radii kΔ; intensity per unit of the positions
    std::vector<double> sigma;  ///< standard uncertainty of each row's emissivity (the same at every column)
    std::vector<int> half;      ///< per row: −1 lower half, +1 upper half, 0 the average
    double centre = 0.0;
    bool centreFound = false;
    double ringWidth = 0.0;
    std::vector<double> M;  ///< the operator, rows of the result × lateral rows, row-major
};

/// The onion-peeling inverse of `rings` rings of unit width with Tikhonov strength λ: a
/// rings × rings matrix K (row-major) such that ε = K P / Δ.
std::vector<double> OnionPeelingOperator(int rings, double regularisation);

/// The axis of a side-on frame: the position about which the lateral profile (the frame summed
/// over its columns) is most nearly symmetric, searched within the middle half of the rows to a
/// tenth of the row spacing and refined by a parabola.
double FindAbelCentre(const SpectrumFrame& sideOn);

/// Inverts a side-on frame whose rows are equally spaced lateral positions; `rowSigma` is the
/// noise of each lateral row (empty: no uncertainty). Throws std::invalid_argument naming the
/// problem: fewer than 3 rows, unequal spacing, a centre outside the rows, fewer than 2 rings
/// on a side.
AbelFrame AbelInvert(const SpectrumFrame& sideOn, const std::vector<double>& rowSigma, const AbelOptions& options);

}  // namespace velmora::experiment
