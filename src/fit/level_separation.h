// Whether an instrument separates the rotational levels of one vibrational level: a Boltzmann
// plot fits every level's population on its own, which the spectrum determines only where the
// level has a line standing clear of the lines of the other levels by about the instrument's
// width. A level's isolation is the largest distance from one of its strong lines (a tenth of
// its strongest or more) to the nearest line of another level that could hide it (a tenth of
// that line or more); the level is separated when its isolation reaches the FWHM.
#pragma once

#include <vector>

#include "simulation/line_list.h"

namespace velmora::fit {

/// FWHM of a Voigt profile from its Gaussian and Lorentzian FWHM (Olivero & Longbothum 1977,
/// within 0.02 %).
double VoigtFwhm(double gauss, double lorentz);

/// The separation of levels (one line list each, at unit population) by an instrument of FWHM
/// `width` over the axis range lo..hi.
struct LevelSeparation {
    int levels = 0;           ///< levels with a line in the range
    int separated = 0;        ///< of them, isolated by the width or more
    int needed = 0;           ///< separated levels a straight line needs: 3
    double neededWidth = 0;   ///< the widest FWHM that separates `needed` levels (0: none does)
    int quarter = 0;          ///< a quarter of the levels (at least 3): fewer separated is warned about
    double quarterWidth = 0;  ///< the widest FWHM that separates `quarter` levels
};

LevelSeparation SeparateLevels(const std::vector<std::vector<simulation::DrawnLine>>& lines, double lo, double hi,
                               double width);

}  // namespace velmora::fit
