// Rotationless Franck-Condon factors q(v', v'') = |<v'|v''>|^2 of two electronic states: RKR
// potentials from their equilibrium vibrational constants, Numerov functions on one grid.
#pragma once

#include <string>
#include <vector>

#include "vibration.h"

namespace velmora::datagen {

/// The equilibrium constants of a state that fix its potential (cm-1):
/// G(v) = we (v + 1/2) - wexe (v + 1/2)^2 + weye (v + 1/2)^3, B(v) = Be - alpha_e (v + 1/2).
struct VibrationalConstants {
    std::string name;  ///< the state, for messages
    double we = 0, wexe = 0, weye = 0, Be = 0, alphaE = 0;
};

/// q(v', v'') for v' < nUp, v'' < nLow of two potentials (cm-1) given on one grid, for reduced
/// mass mu (u); rows v', columns v''.
std::vector<std::vector<double>> FranckCondonFactors(const std::vector<double>& upper, const std::vector<double>& lower,
                                                     const RadialGrid& grid, double mu, int nUp, int nLow);

/// q(v', v'') from first-order RKR potentials of the two states' constants, each taken up to
/// about a level above the last one asked for (and below the top of its G(v)). Throws
/// std::runtime_error naming the state whose constants give no potential.
std::vector<std::vector<double>> EquilibriumFranckCondon(const VibrationalConstants& upper,
                                                         const VibrationalConstants& lower, double mu, int nUp,
                                                         int nLow);

}  // namespace velmora::datagen
