// Instrument functions that are convolved with the line profiles on the grid: a triangle, a
// trapezoid and a measured function. Each is held as a piecewise-linear response, zero outside
// its nodes, of unit area and with its centroid at 0, so that convolving it moves no line and
// keeps every integrated intensity.
#pragma once

#include <string>
#include <vector>

#include "simulation/conditions.h"

namespace velmora::simulation {

/// A measured instrument function as read from its file: offsets from the line centre in the
/// file's unit (increasing) and the relative response at each.
struct MeasuredSlit {
    std::string file;
    SlitOffsetUnit unit = SlitOffsetUnit::Axis;
    std::vector<double> offset, response;
};

/// A piecewise-linear response of unit area centred on its centroid.
class InstrumentFunction {
public:
    /// From nodes with non-decreasing x (two equal x make a step) and responses of 0 or more enclosing a positive area:
    /// the response is divided by its area and x shifted so that the centroid lies at 0.
    InstrumentFunction(std::vector<double> x, std::vector<double> y);

    /// Trapezoid of full width at half maximum `fwhm` with a flat top `top` wide (0 <= top <=
    /// fwhm): its base is 2 fwhm - top wide; top 0 gives a triangle, top = fwhm a box. The
    /// image of an entrance slit of width a on an exit slit (or pixel) of width b <= a is the
    /// trapezoid of FWHM a and top a - b.
    static InstrumentFunction Trapezoid(double fwhm, double top);

    /// Full width at half of the largest response.
    double Fwhm() const;
    /// Largest distance of a node from 0: the function is zero beyond it.
    double Extent() const;
    /// Integral of the function from its first node to x.
    double Cumulative(double x) const;
    /// The function widened `scale` times (height divided by scale), averaged over grid cells
    /// of width `step` centred at offsets -reach..reach (index m + reach); the values sum to 1
    /// when the cells cover the function.
    std::vector<double> CellAverages(double step, double scale, int reach) const;

    const std::vector<double>& X() const { return x_; }
    const std::vector<double>& Y() const { return y_; }

private:
    std::vector<double> x_, y_;
    std::vector<double> area_;  ///< integral from x_[0] to x_[k]
};

/// Instrumental FWHM at the range centre (wavenumber nuC, cm-1): the resolution for a
/// triangle or trapezoid, the measured function's FWHM in axis units times its scale. For an
/// analytic lineshape, or a measured function not read, the resolution.
double InstrumentWidth(const SimulationConditions& c, double nuC);

/// The convolved instrument function of the conditions in axis units at the range centre. A
/// measured function given in nm is converted there: x 10 for Å, and to cm-1 by
/// d(nu) = -d(lambda) nu^2 / 1E7 (which also mirrors it). Throws ConditionError when the
/// conditions ask for a measured function that has not been read.
InstrumentFunction InstrumentFor(const SimulationConditions& c, double nuC);

}  // namespace velmora::simulation
