// The simulation model and the thermal populations of a band system of any multiplicity, from
// the effective-Hamiltonian system of the database (multiplet_system.h).
//
// Population components. A level of a state of spin S is component c = F (e levels) or
// F + 2S + 1 (f levels), F = 1 .. 2S + 1: for a triplet 1 F1 e, 2 F2 e, 3 F3 e, 4 F1 f, 5 F2 f,
// 6 F3 f; its row is its case (b) N. A branch of the model is one (ΔN, upper component, lower
// component) of the system's lines, numbered in the order the bands first give them. The
// emission coefficient of a line is its Einstein A (s-1), the absorption coefficient
// A (2J' + 1) / ((2J'' + 1) ν³), so that both unit factors are 1.
#pragma once

#include "database/multiplet_system.h"
#include "populations/selected_populations.h"
#include "simulation/band_system_model.h"

namespace velmora::simulation {

/// The component index of a level of a state of spin twoS/2 (see the header comment).
int MultipletComponent(int twoS, const database::LineLevel& level);

/// The model of a multiplet system of a molecule of the given mass (u). Every upper level has
/// the radiative lifetime of its lines and yield 1 (no level files, no quenching). Throws
/// std::invalid_argument when the lines form more than kMaxBranches branches or a state has
/// more than kMaxComponents components.
BandSystemModel BuildMultipletModel(const database::MultipletSystem& system, double molecularMass);

/// Thermal populations of the state a kind of spectrum reads: every vibrational level of the
/// state at its Boltzmann weight exp(−ΔG/kT) (ΔG above the lowest v, from its lowest level),
/// the rotational levels as ThermalPopulations gives them.
populations::Populations ThermalMultipletPopulations(const database::MultipletSystem& system, ElectronicState state,
                                                     double temperatureK);

}  // namespace velmora::simulation
