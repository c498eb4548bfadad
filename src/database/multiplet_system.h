// A band system of any multiplicity built from the effective-Hamiltonian levels: the levels of
// every vibrational level of both states (computed once per v), the lines of every band with a
// band coefficient, the radiative lifetimes of the upper levels and thermal populations of the
// rotational levels, each level one of the 2S + 1 spin components F1 .. F(2S+1) in its e or f
// parity block.
#pragma once

#include <map>
#include <utility>
#include <vector>

#include "database/multiplet_band.h"

namespace velmora::database {

/// What a system is built from: its description, the constants of each vibrational level of
/// both states and the band Einstein coefficients (s-1) by (v', v'').
struct MultipletSystemData {
    SystemDescription description;
    std::map<int, StateConstants> upper, lower;
    std::map<std::pair<int, int>, double> bandA;
    int twoJMax = 140;  ///< last upper J (twice); the lower levels go one J further
    /// The weak-line cut-off: in each band, the weakest lines out of every upper level are left
    /// out as long as their Hönl-London factors together stay at or below this share of the
    /// level's sum 2J' + 1, so that no level loses more than this share of its emission into any
    /// band (0 keeps every line). At 1e-3 it leaves out about a third of the N2 C-B lines, nearly
    /// all of them satellites of high J.
    double droppedShare = 1e-3;
};

struct MultipletSystem {
    SystemDescription description;
    std::map<int, StateLevels> upper, lower;             ///< by v
    std::map<std::pair<int, int>, MultipletBand> bands;  ///< by (v', v'')
    /// Σ A (s-1) out of each upper level over every line of every band before the weak-line
    /// cut-off, by v and then UpperLevelSlot: the lifetimes do not depend on the cut-off.
    std::map<int, std::vector<double>> upperEmission;
};

/// The index of a level of a state of spin twoS/2 among the levels of its vibrational level:
/// (J, F, parity) packed as ⌊J⌋ 2(2S + 1) + 2(F − 1) + (0 for e, 1 for f).
inline std::size_t UpperLevelSlot(int twoS, const LineLevel& level) {
    return static_cast<std::size_t>((level.twoJ / 2) * 2 * (twoS + 1) + 2 * (level.F - 1) +
                                    (level.parity == Parity::f ? 1 : 0));
}

/// Builds the levels and every band of a system whose two vibrational levels both exist; lines
/// with a Hönl-London factor up to `minimum` are left out, then the weak lines of
/// data.droppedShare. Throws std::invalid_argument for a state the engine does not compute.
MultipletSystem BuildMultipletSystem(const MultipletSystemData& data, double minimum = 1e-4);

/// Leaves out of a band the weakest lines out of every upper level of a state of spin twoS/2
/// while their factors together stay at or below `share` (2J' + 1); the order of the others is
/// kept.
void DropWeakLines(MultipletBand& band, int twoS, double share);

/// The radiative lifetime of one upper level: 1 / Σ A over its lines in every band of the system.
struct LevelLifetime {
    int v = 0;
    LineLevel level;
    double lifetimeNs = 0;
};

/// The lifetimes of every upper level that radiates, by v, then in the order of its levels.
std::vector<LevelLifetime> RadiativeLifetimes(const MultipletSystem& system);

/// The thermal population of one rotational level.
struct LevelPopulation {
    LineLevel level;
    double nuclearWeight = 1;  ///< g_ns (0: the level does not exist)
    double population = 0;     ///< share of the vibrational level's population
};

/// Boltzmann populations of the levels of one vibrational level of a system's state at
/// temperatureK: g_ns (2J + 1) exp(−(E − E_min)/kT) / Q, E_min the lowest existing level, summing
/// to 1 over the levels computed.
std::vector<LevelPopulation> ThermalPopulations(const SystemDescription& system, const StateDescription& state,
                                                const StateLevels& levels, double temperatureK);

/// The rotational partition function Q = Σ g_ns (2J + 1) exp(−(E − zero)/kT) over the levels
/// computed, with energies measured from `zero` (cm-1).
double RotationalPartitionFunction(const SystemDescription& system, const StateDescription& state,
                                   const StateLevels& levels, double zero, double temperatureK);

}  // namespace velmora::database
