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
};

struct MultipletSystem {
    SystemDescription description;
    std::map<int, StateLevels> upper, lower;             ///< by v
    std::map<std::pair<int, int>, MultipletBand> bands;  ///< by (v', v'')
};

/// Builds the levels and every band of a system whose two vibrational levels both exist; lines
/// with a Hönl-London factor up to `minimum` are left out. Throws std::invalid_argument for a
/// state the engine does not compute.
MultipletSystem BuildMultipletSystem(const MultipletSystemData& data, double minimum = 1e-4);

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
