// A line profile shared by many lines, sampled on the grid together with its derivatives.
//
// A line at x0 = x_j + t h (x_j its nearest grid point, h the step, |t| <= 1/2) adds at point i
//
//     p(x_i - x0) = sum_k (-t)^k T_k(i - j),   T_k(m) = p^(k)(m h) h^k / k!,
//
// a Taylor series about the grid point, cut after K terms. The remainder is at most
// (h/2)^K / K! max|p^(K)|: relative to the peak, (h/f)^K for a Lorentzian of FWHM f (whose K-th
// derivative peaks at K! (2/f)^K) and 1.0865 (sqrt(8 ln 2) h / 2f)^K / sqrt(K!) for a Gaussian
// (Cramér's bound on Hermite functions). A Voigt, G * L, has no handy derivatives: its terms are
// those of the polynomial through its values at K Chebyshev points of t, whose error is the Taylor
// bound of the narrower part over 2^(K-1). K is chosen as the fewest terms whose bound is below the tolerance asked
// for, so the lines of one profile can be binned at grid points (K sums of weight × (-t)^k) and convolved once with the
// K sampled terms. Far from the centre the higher terms add less than half the tolerance (shared among the terms): each
// term is kept only out to the offset where it still matters, so the tails of a Lorentzian are drawn with fewer terms
// than its core.
#pragma once

#include <optional>
#include <vector>

#include "simulation/lineshapes.h"

namespace velmora::simulation {

class ProfileKernel {
public:
    /// Most terms a kernel uses; a grid whose step needs more is too coarse for the expansion.
    static constexpr int kMaxTerms = 8;

    /// The terms of a line shape (its f, eta and kind; its window is ignored) at offsets
    /// -reach..reach of a grid of step `step`, with the fewest terms whose remainder stays below
    /// `tolerance` of the line's peak. Nothing when kMaxTerms terms do not reach it.
    static std::optional<ProfileKernel> Sample(const LineShape& shape, double step, int reach, double tolerance);

    /// Bound of the remainder after `terms` terms, relative to the peak of the profile.
    static double RemainderBound(const LineShape& shape, double step, int terms);

    int Reach() const { return reach_; }
    int Terms() const { return terms_; }
    /// Offsets |m| <= TermReach(k) need the terms 0..k; TermReach does not grow with k.
    int TermReach(int k) const { return termReach_[static_cast<std::size_t>(k)]; }
    /// T_k(m) for m = -reach..reach at index m + reach.
    const float* Term(int k) const { return &values_[static_cast<std::size_t>(k) * Width()]; }
    /// The value a line adds at offset m from its nearest point when it lies t steps beyond it.
    double At(int m, double t) const;

private:
    /// Sets the reach of each term from the sampled values; returns the kernel.
    ProfileKernel TrimmedReaches(const LineShape& s, double tolerance);
    std::size_t Width() const { return 2 * static_cast<std::size_t>(reach_) + 1; }
    int reach_ = 0;
    int terms_ = 0;
    std::vector<float> values_;   ///< [k][m + reach]
    std::vector<int> termReach_;  ///< [k]
};

}  // namespace velmora::simulation
