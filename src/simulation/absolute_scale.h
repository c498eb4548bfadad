// Which simulations a band system without an absolute scale can give. Its band strengths are
// relative (Franck-Condon factors times a unit moment), so every spectrum whose shape depends on
// an absolute rate is refused with the reason, and the relative spectra are drawn as usual.
#pragma once

#include <string>

#include "simulation/band_system_model.h"
#include "simulation/conditions.h"

namespace velmora::simulation {

/// Empty when the conditions can be simulated on the model's scale; else why not: a system
/// without an absolute scale cannot give a time-resolved gate (lifetimes in ns), LIF by rate
/// equations (Einstein coefficients in s-1), yields under quenching (collisions against the
/// radiative rate) or absolute absorption units. Relative emission, absorption and LIF spectra
/// need none of these.
std::string AbsoluteScaleRefusal(const BandSystemModel& model, const SimulationConditions& c);

/// Throws ConditionError with AbsoluteScaleRefusal when it is not empty.
void RequireScaleFor(const BandSystemModel& model, const SimulationConditions& c);

}  // namespace velmora::simulation
