// Where the populations of a fitted band system come from. A fit varies a rotational and a
// vibrational temperature (or free level populations) and asks for the populations of the
// populated state's levels at them; the lines of the system's model are then built with those
// populations. The catalogue's population model (populations/population_model.h) is one
// source; a system whose levels come from elsewhere (a multiplet system, for instance) gives
// its own.
#pragma once

#include <memory>
#include <vector>

#include "database/database_state.h"
#include "populations/population_model.h"
#include "populations/selected_populations.h"
#include "simulation/conditions.h"
#include "simulation/multiplet_simulation.h"

namespace velmora::fit {

/// The population work of one fit (one SystemTracer): it may keep state between calls and is
/// used from one thread only. Component indices and rows are those of the system's model.
class PopulationWork {
public:
    virtual ~PopulationWork() = default;
    /// Every vibrational level of the populated state at unit weight, with every rotational
    /// population 1 and `rotational` shaped as the model reads it (to find the levels that
    /// have lines in a range).
    virtual populations::Populations AllLevels() = 0;
    /// Relative Boltzmann populations of `levels` at vibrationalT, each level's rotational
    /// partition function taken at rotationalT (the Boltzmann distribution when both are equal).
    virtual std::vector<double> Vibrational(const std::vector<int>& levels, double vibrationalT,
                                            double rotationalT) = 0;
    /// `levels` at weight 1 each, every level's rotational distribution thermal at rotationalT
    /// and normalised to 1 over the level.
    virtual populations::Populations Rotational(const std::vector<int>& levels, double rotationalT) = 0;
    /// Every rotational level of vibrational level v with the energy and degeneracy its thermal
    /// populations use (for a Boltzmann plot).
    virtual std::vector<populations::RotationalTerm> RotationalTerms(int v) = 0;
};

/// A source of populations, shared read-only by every fit of a system.
class PopulationSource {
public:
    virtual ~PopulationSource() = default;
    /// The work of one fit of a spectrum of this kind (emission populates the upper state,
    /// the other kinds the lower state).
    virtual std::unique_ptr<PopulationWork> Start(simulation::SpectrumKind kind) const = 0;
};

/// The populations of a catalogue entry pre-computed in `db` (db.systemEntry), as the simulation of
/// the entry computes them.
std::shared_ptr<const PopulationSource> CataloguePopulations(std::shared_ptr<const DatabaseState> db);

/// The thermal populations of a band system of any multiplicity from its own levels; its
/// rotational terms are the levels of the 2S + 1 components in both parities (multiplet_model.h),
/// g = g_ns (2J + 1) with the catalogue's nuclear-spin weights, the levels of weight 0 left out.
std::shared_ptr<const PopulationSource> MultipletPopulationSource(
    std::shared_ptr<const simulation::MultipletBandSystem> system);

}  // namespace velmora::fit
