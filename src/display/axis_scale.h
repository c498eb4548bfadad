// The scale of a plot axis: where labelled (major) and unlabelled (minor) ticks go so that every
// view shows enough readable labels, and the text of a label.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora::display {

/// Tick steps of one axis: the major step is 1, 2 or 5 times a power of ten; the minor step
/// divides it into five (1, 5) or four (2) parts.
struct AxisScale {
    double major = 0.0;
    double minor = 0.0;
};

/// The finest 1-2-5 major step whose labels keep `spacing` label sizes apart and that gives at
/// most `maxLabels` labels between `low` and `high`. `labelSize(step)` is the size of one label
/// along the axis, in axis units, when labels are written for that step. A view too narrow for
/// even the coarsest step returns that step; an empty or non-finite view returns {0, 0}.
AxisScale ChooseAxisScale(double low, double high, const std::function<double(double step)>& labelSize, int maxLabels,
                          double spacing = 1.6);

/// Multiples of `step` strictly between low and high, in increasing order (none for a step of 0
/// or more than 100000 of them).
std::vector<double> TicksBetween(double low, double high, double step);

/// Decimals a label needs to tell ticks `step` apart (0 for steps of 1 and more).
int StepDecimals(double step);

/// Label of a wavelength or wavenumber tick: at least one decimal and as many as the step needs
/// (3070.0, 3070.25).
std::string XTickLabel(double value, double step);

/// Label of an intensity tick: as many decimals as the step needs (0, 20, 0.5).
std::string YTickLabel(double value, double step);

}  // namespace velmora::display
