// The three ways a fit ends without a result, as distinct types: the caller tells the user what
// to change (the input), that the data do not settle the model (no convergence), or nothing
// (the user stopped it).
#pragma once

#include <stdexcept>

namespace velmora::fit {

/// Input a fit cannot work with: an unreadable or unusable spectrum (not finite, flat, outside
/// the simulated range, fewer points than free parameters), an unknown parameter, bounds that
/// hold no value. The message names the file, line or parameter and the problem.
class FitInputError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

/// The solver did not reach a minimum within its iteration limit, or failed numerically. The
/// message says why; no parameter values are reported.
class FitConvergenceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The fit was stopped by its caller (the Cancel button).
class FitCancelled : public std::runtime_error {
public:
    FitCancelled() : std::runtime_error("the fit was cancelled") {}
};

}  // namespace velmora::fit
