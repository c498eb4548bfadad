// Lines of the shared profile binned at grid points, and the point loops that bin and draw them
// (see profile_kernel.h for the expansion): each line's half window from its own lifetime width,
// its nearest grid point and offset, and the direct sums of its terms over its window. The loops
// are built for the baseline instruction set, for AVX2 and, for the sums, AVX-512 (wide_builds.h);
// all perform the same operations in the same order and give the same bits.
#pragma once

#include <cstddef>
#include <vector>

#include "simulation/line_list.h"
#include "simulation/lineshapes.h"

namespace velmora::simulation {

/// A binned line: its nearest grid point j, its offset t from it in grid steps (|t| <= 1/2), the
/// points it covers as offsets lo..hi from j (within the grid's inner points) and its area. Left
/// uninitialised until binned, so that a buffer of them costs nothing to make.
struct BinnedLine {
    int j, lo, hi;
    double t, weight;
};

/// Offsets inner < |m| <= outer from a line's nearest point, drawn with the terms 0..terms-1
/// (the centre ring has inner = -1).
struct TermRing {
    int terms = 0, inner = -1, outer = -1;
};

/// Points of a vector of the runs below in the baseline and AVX2 builds (AVX2's single-precision
/// vector); the AVX-512 build lays its runs in vectors twice as wide.
inline constexpr int kRunVector = 8;

/// Offsets from..to from a line's nearest point, a whole number of vectors of the build that draws
/// them, drawn with the terms 0..terms-1.
struct TermRun {
    int terms = 0, from = 0, to = -1;
};

/// The direct sums of a kernel as runs of whole vectors: a line adds its terms over the same
/// offsets from..to as every other line (no clipping, no points left over from a vector), from a
/// table that is zero beyond |m| = inner and wherever a ring leaves a term out; its own points
/// beyond |m| = inner, up to its window's ends, follow one by one from the rings' table. A line
/// whose window does not cover -inner..inner or whose runs would leave first..last is drawn ring
/// by ring.
struct RunPlan {
    const TermRun* runs = nullptr;
    int runCount = 0;
    int from = 0, to = -1;                    ///< offsets the runs span
    int inner = -1;                           ///< the runs' terms are zero beyond it
    int edgeTerms = 0;                        ///< most terms any offset beyond inner needs
    const float* const* runTerms = nullptr;   ///< T_k(0) of the runs' table
    const float* const* ringTerms = nullptr;  ///< T_k(0) of the rings' table
    const TermRing* rings = nullptr;
    int ringCount = 0;
    int first = 1, last = 0;  ///< grid points a line may write
};

/// The constants of the shared profile that decide a line's half window.
struct SharedWindow {
    ProfileGrid grid;
    double sharedWidth = 1.0;  ///< FWHM of a line without a lifetime width of its own
    double tolerance = 0.0;    ///< widths within this of the shared one draw with the shared profile
    double half = 0.0;         ///< half window of a line without lifetime width, grid steps
    int reach = 0;             ///< offsets the kernel holds on each side
};

/// Totals of a binning pass.
struct BinCounts {
    std::size_t lines = 0;        ///< lines with at least one point
    long long profilePoints = 0;  ///< points they cover together
};

/// The loops of one build.
struct BinnedKernels {
    /// halves[k]: the half window (grid steps) of line k when the shared profile draws it — its
    /// own cut-off, which follows its Lorentzian share — and NaN when its width differs from the
    /// shared one by more than the tolerance (it is drawn on its own).
    void (*halfWindows)(const DrawnLine* lines, std::size_t count, const SharedWindow& w, double* halves);
    /// Bins the lines whose half window is not NaN into out, in order, leaving out lines that
    /// cover no inner grid point.
    BinCounts (*bin)(const DrawnLine* lines, const double* halves, std::size_t count, const SharedWindow& w,
                     BinnedLine* out);
    /// out[j + m] += Σ_k weight (-t)^k T_k(m) over each line's window, line after line, the ring
    /// of m giving the terms; terms[k] points at T_k(0).
    void (*add)(float* out, const BinnedLine* lines, std::size_t count, const float* const* terms,
                const TermRing* rings, int ringCount);
    /// As add, the lines drawn by the runs of a plan: the same sums, bit for bit (the terms the
    /// runs add beyond a ring's are exact zeros).
    void (*addRuns)(float* out, const BinnedLine* lines, std::size_t count, const RunPlan& plan);
    /// product[q] += a[q] b[q] for complex values stored as (real, imaginary) pairs, q < count,
    /// multiplied as (ar br − ai bi, ar bi + ai br).
    void (*multiplyAdd)(double* product, const double* a, const double* b, std::size_t count);
    /// Points of the vectors addRuns draws: a plan's runs must be whole numbers of them.
    int runVector;
};

/// The build for any processor of the architecture.
const BinnedKernels& BaselineBinnedKernels();
/// The build this processor runs.
const BinnedKernels& ActiveBinnedKernels();
/// Every build this processor can run, the baseline first and the active one last.
std::vector<const BinnedKernels*> RunnableBinnedKernels();

}  // namespace velmora::simulation
