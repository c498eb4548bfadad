// Which lines make a peak: the lines of the current simulation near a point of the plot, with
// their band, branch, J, position and share of the intensity there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "state/app_state.h"

namespace velmora::program {

/// One line of the simulation, as the lookup lists it.
struct LookedUpLine {
    int vUp = 0, vLow = 0;
    int branch = 1;             ///< 1..24
    std::string name;           ///< branch name in the N nomenclature (P1, Q12 ...)
    int NLow = 0;               ///< lower rotational row
    double JLow = 0.0;          ///< lower J
    char parityLow = 'e';       ///< e/f of the lower level
    double position = 0.0;      ///< axis position, line shift included
    double area = 0.0;          ///< population-weighted area, in the units of the unscaled total
    double contribution = 0.0;  ///< area × the simulation's profile (peak 1) at the point looked up
    double relative = 0.0;      ///< contribution in % of the largest one listed
};

/// The lines of the last simulation, sorted by position, for lookups at the plot. Build it once
/// per simulation (it lists every line of the range again, without drawing them).
class SimulatedLines {
public:
    SimulatedLines() = default;
    /// The lines of the simulation the state holds, at the conditions its controls show and with
    /// the widths it was drawn with; none without a simulation.
    explicit SimulatedLines(const AppState& app);

    bool Empty() const { return lines_.empty(); }
    std::size_t Size() const { return lines_.size(); }

    /// The lines within halfWidth (axis unit) of x, sorted by their contribution at x (largest
    /// first) with `relative` set.
    std::vector<LookedUpLine> Near(double x, double halfWidth) const;
    /// The lines under a click at x: within the simulation's total FWHM (at least one grid step)
    /// on either side.
    std::vector<LookedUpLine> UnderClick(double x) const;
    /// The line nearest to x; nullopt without lines.
    std::optional<LookedUpLine> Nearest(double x) const;

    /// The `count` lines of largest area between x0 and x1 (either order), largest first, with
    /// `relative` in % of the largest area: the peak labels of a view.
    std::vector<LookedUpLine> Strongest(double x0, double x1, std::size_t count) const;
    /// "(0,0) R1 5.5": the band, branch and lower J, as a mark on the plot names a line.
    static std::string Label(const LookedUpLine& line);

    /// "(0,0) R1 J''=5.5 e  3089.123 Å (Vacuum)  42 %": one line as the lookup shows it
    /// (without the percentage when `withShare` is false).
    std::string Text(const LookedUpLine& line, bool withShare = true) const;

    /// Writes every line as CSV (CR-LF; replaced only when complete): band, branch, lower N, J and
    /// parity, axis position and area. Throws FileError naming the file when it cannot be written.
    void Write(const std::string& path) const;

private:
    std::vector<LookedUpLine> lines_;  ///< by position
    double width_ = 0.0, lorentzShare_ = 0.0, step_ = 0.0;
    std::string unit_;
    double Profile(double dx) const;
};

}  // namespace velmora::program
