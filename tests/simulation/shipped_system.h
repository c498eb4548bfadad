// A band system of the shipped database, selected as the program selects it, with thermal
// populations for the typed simulation.
#pragma once

#include <stdexcept>
#include <string>

#include "common/number_format.h"
#include "populations/population_model.h"
#include "program/band_system.h"
#include "program/simulation_run.h"
#include "program/startup.h"
#include "simulation/simulate.h"
#include "support/condition_controls.h"

namespace velmora::testing {

struct ShippedSystem {
    AppState app;
    std::shared_ptr<const simulation::BandSystemModel> model;

    /// The entry of a molecule and system label, e.g. ("OH", "(A-X)").
    ShippedSystem(const std::string& molecule, const std::string& system) {
        program::MemoryStore firstRun;
        program::StartUp(app, firstRun, std::string(VELMORA_DATA_DIR) + "/");
        const Catalogue& cat = app.db.cat;
        int entry = 0;
        for (int i = 1; i <= cat.CatalogueCount && entry == 0; ++i)
            if (cat.MoleculeName(i) == molecule && Trim(cat.SystemLabel(i)) == system) entry = i;
        if (entry == 0) throw std::runtime_error(molecule + " " + system + " is not in the shipped catalogue");
        program::SelectBandSystem(app, entry);
        model = program::CurrentModel(app.sim, app.db);
    }

    /// Thermal populations at T of the state a kind of spectrum reads.
    populations::Populations Thermal(simulation::SpectrumKind kind, float T) {
        testing::Choose(app, "kind", simulation::StoredValue(kind));
        testing::Type(app, "temperature", Str(T));
        populations::PreparePopulations(app.pop, app.db);
        return populations::SelectedPopulations(app.pop);
    }
};

}  // namespace velmora::testing
