// The lineshape step of a simulation: the lines of one level drawn onto the grid with their
// profiles. Lines that share the profile of the conditions are binned at their nearest grid
// point and convolved once with the sampled profile (profile_kernel.h), directly for short
// profiles and by FFT for long ones; lines widened on their own (a short-lived upper level) and
// the partially saturated LIF regime, whose signal is not linear in the profile, are drawn line
// by line.
//
// Every line covers the grid points of its cut-off window (3 FWHM on each side for a Gaussian,
// up to 20 for a Lorentzian, rounded to grid points from the line's own position). The binned
// lines keep exactly these windows: the profile terms reach beyond the widest window and each
// line's first and last points are taken from its own position and width, so a binned line
// differs from its line-by-line evaluation only by the remainder of the expansion (at most
// kBinnedLineTolerance of its peak) and, for a lifetime width below kSharedWidthTolerance of the
// shared width, by about that fraction of its peak.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "simulation/binned_lines.h"
#include "simulation/fft.h"
#include "simulation/line_list.h"
#include "simulation/lineshapes.h"
#include "simulation/profile_kernel.h"
#include "simulation/saturated_lines.h"

namespace velmora::simulation {

/// How lines reach the grid.
enum class ProfileMethod {
    PerLine,    ///< every line's profile evaluated over its window
    Convolved,  ///< lines of the shared profile binned and convolved, the others line by line
    /// As Convolved, the binned lines always summed directly or always by FFT, whatever their
    /// cost (to measure the two).
    ConvolvedDirectly,
    ConvolvedByFft,
    /// As ConvolvedDirectly, each line's sums clipped ring by ring to its window rather than run
    /// over whole vectors (the same bits, more slowly: to compare the two).
    ConvolvedByRings,
};

/// True for the methods that bin the lines of the shared profile.
constexpr bool Bins(ProfileMethod m) { return m != ProfileMethod::PerLine; }

/// Largest error of a binned line, relative to its peak (the remainder of the expansion).
inline constexpr double kBinnedLineTolerance = 1e-4;

/// Lines whose own width (the shared one with their lifetime width) differs from the shared width
/// by at most this fraction are drawn with the shared profile: their peaks err by about as much.
inline constexpr double kSharedWidthTolerance = 2e-4;

/// The wings of lines saturated by the laser end where they fall below this fraction of the
/// strongest line's peak: about where a Lorentzian's 20-FWHM cut-off leaves its own (6E-4).
inline constexpr double kSaturatedWingTolerance = 5e-4;

/// Counts of what was drawn.
struct DrawStats {
    int lines = 0;                ///< lines that reached at least one grid point
    long long profilePoints = 0;  ///< grid points those lines covered together
    int fftLevels = 0;            ///< levels whose binned lines were convolved by FFT
};

/// The work space of one level's lines (line_drawing.cpp).
struct DrawSpace;

/// Draws lines onto the grid of one simulation. Holds the sampled shared profile (and, once
/// needed, its spectrum): make one per simulation and draw every level with it.
class LineDrawer {
public:
    /// squareRoot: the partially saturated LIF regime; rateEquations: lines saturated by the laser
    /// (DrawnLine::saturation). Both draw every line on its own; saturated lines take the fast
    /// drawing of saturated_lines.h unless every line is evaluated point by point (PerLine).
    LineDrawer(const ProfileGrid& grid, bool squareRoot, ProfileMethod method, bool rateEquations = false);

    /// Adds the lines onto out[1..nPoints-1] (out holds the grid points 0..nPoints).
    void Draw(const std::vector<DrawnLine>& lines, float* out, DrawStats& stats);

    /// True when binned lines are convolved (the shared profile could be expanded on this grid).
    bool Convolves() const { return direct_ != nullptr; }

    /// What the binned lines of a shared profile are summed with: its sampled kernel and the
    /// rings and runs of its terms (line_drawing.cpp). They depend on the profile, the grid step
    /// and the window alone, and are kept per thread for the next drawers of the same ones.
    struct DirectSums;

private:
    /// floor: the signal where the wings of a line saturated by the laser end.
    void DrawOwn(const DrawnLine& line, const LineShape& shape, float* out, DrawStats& stats, double floor = 0.0);
    /// Half windows (grid steps) of lines drawn with the shared profile into space.halves: each
    /// line's own, whose cut-off follows its Lorentzian share; NaN for a line of a width of its own.
    void SharedHalfWindows(const std::vector<DrawnLine>& lines, DrawSpace& space);
    void PrepareSpectra();
    int FftLength();

    ProfileGrid grid_;
    bool squareRoot_;
    ProfileMethod method_;
    LineShape shared_;                          ///< profile of a line without a width of its own
    double half_ = 0.0;                         ///< half window of a line without lifetime width, grid steps
    int core_ = 0;                              ///< offsets -core..core lie inside every shared line's window
    std::shared_ptr<const DirectSums> direct_;  ///< none when the profile cannot be expanded
    bool fastSaturated_ = false;                ///< saturated lines drawn by DrawSaturatedLine
    GaussianReach gaussianReach_;               ///< of saturated lines, kept from line to line

    // Convolution by FFT: transform length (once needed) and the spectra of the kernel's terms
    // (core only).
    int fftLength_ = 0;
    std::vector<FftArray<std::complex<double>>> termSpectra_;
    FftArray<double> sums_;  ///< the binned terms, then the convolution
    FftArray<std::complex<double>> spectrum_, product_;
};

}  // namespace velmora::simulation
