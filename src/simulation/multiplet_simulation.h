// A band system of any multiplicity selected from the catalogue (database/multiplet_catalogue.h):
// its levels, lines and simulation model built once by the effective-Hamiltonian engine, and the
// simulation of it with the grid, widths, profiles and instrument of every other system.
//
// Populations: every vibrational level of the populated state (the upper one for emission, the
// lower one for absorption and LIF excitation) at its Boltzmann weight, the rotational levels of
// the six (triplet) components at the temperature of the conditions (multiplet_model.h).
#pragma once

#include <map>
#include <memory>

#include "database/multiplet_catalogue.h"
#include "simulation/multiplet_model.h"
#include "simulation/simulate.h"

namespace velmora::simulation {

struct MultipletBandSystem {
    int entry = 0;  ///< its catalogue entry number
    database::MultipletEntry catalogue;
    database::MultipletSystem system;
    BandSystemModel model;

    /// "N2 C-B": molecule and system as titles show them.
    std::string Title() const { return catalogue.name + " " + catalogue.SystemLabel(); }
};

/// Builds the system and model of a catalogue entry numbered `catalogueEntry`. Throws
/// std::invalid_argument for a state the engine does not compute.
std::shared_ptr<const MultipletBandSystem> BuildMultipletBandSystem(const database::MultipletEntry& entry,
                                                                    int catalogueEntry);

/// Thermal populations of the state the conditions' kind populates, at their temperature.
populations::Populations MultipletPopulations(const MultipletBandSystem& system, const SimulationConditions& c);

/// `base` with chosen vibrational populations of its state (v -> relative population,
/// renormalised to a sum of 1; a level given 0 or not given is not simulated), each level
/// keeping its rotational distribution. Throws std::invalid_argument for a level the state does
/// not have, a population that is negative or not finite, or when none is above 0.
populations::Populations WithVibrationalPopulations(const MultipletBandSystem& system, populations::Populations base,
                                                    const std::map<int, double>& vibrational);

/// The name of branch b of the model (ΔN form, branch_names.h), with the e/f parity of its lower
/// levels where the state is a Λ doublet ("P1 e").
std::string MultipletBranchName(const MultipletBandSystem& system, int b);

/// The spectrum of the system under the conditions, on the grid and with the widths given.
Spectrum SimulateMultiplet(const MultipletBandSystem& system, const SimulationConditions& c, const Broadening& widths,
                           const SpectralGrid& grid, const SimulationOptions& options = {});

}  // namespace velmora::simulation
