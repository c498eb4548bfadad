#include "fit/population_source.h"

#include <algorithm>
#include <limits>

#include "simulation/multiplet_model.h"

namespace velmora::fit {

namespace {

/// The catalogue's population model on a work state of its own.
class CatalogueLevels final : public PopulationWork {
public:
    CatalogueLevels(std::shared_ptr<const DatabaseState> db, simulation::SpectrumKind kind) : db_(std::move(db)) {
        populations::DimensionPopulationArrays(pop_, db_->cat);
        populations::SetPopulatedState(pop_, *db_, simulation::StoredValue(kind));
    }

    populations::Populations AllLevels() override {
        populations::Populations all;
        all.state = pop_.PopState;
        for (int v = 0; v <= populations::PopMaxVib(pop_, *db_); ++v)
            all.levels.push_back(v), all.weights.push_back(1.0);
        all.rotational = pop_.PopRot;
        all.rotational.Fill(1.0);
        return all;
    }

    std::vector<double> Vibrational(const std::vector<int>& levels, double vibrationalT, double rotationalT) override {
        populations::VibThermal(pop_, *db_, vibrationalT, rotationalT);
        std::vector<double> w;
        for (int v : levels) w.push_back(pop_.PopVib.ValueAt(v));
        return w;
    }

    populations::Populations Rotational(const std::vector<int>& levels, double rotationalT) override {
        for (int level : levels) populations::RebuildLevelThermal(pop_, *db_, level, rotationalT);
        populations::Populations p;
        p.state = pop_.PopState;
        p.levels = levels;
        p.weights.assign(levels.size(), 1.0);
        p.rotational = pop_.PopRot;
        return p;
    }

    std::vector<populations::RotationalTerm> RotationalTerms(int v) override {
        return populations::RotationalTerms(pop_, *db_, v);
    }

private:
    std::shared_ptr<const DatabaseState> db_;
    PopulationState pop_;
};

class CatalogueSource final : public PopulationSource {
public:
    explicit CatalogueSource(std::shared_ptr<const DatabaseState> db) : db_(std::move(db)) {}
    std::unique_ptr<PopulationWork> Start(simulation::SpectrumKind kind) const override {
        return std::make_unique<CatalogueLevels>(db_, kind);
    }

private:
    std::shared_ptr<const DatabaseState> db_;
};

/// The thermal populations of a band system of any multiplicity, from its own levels: the
/// components and rows of its model (multiplet_model.h).
class MultipletLevels final : public PopulationWork {
public:
    MultipletLevels(std::shared_ptr<const simulation::MultipletBandSystem> system, simulation::SpectrumKind kind)
        : system_(std::move(system)) {
        conditions_.kind = kind;
    }

    populations::Populations AllLevels() override {
        populations::Populations all = At(conditions_.temperature);
        all.weights.assign(all.levels.size(), 1.0);
        all.rotational.Fill(1.0);
        return all;
    }

    std::vector<double> Vibrational(const std::vector<int>& levels, double vibrationalT, double) override {
        // The vibrational weights of the thermal populations at vibrationalT, over `levels`.
        const populations::Populations thermal = At(vibrationalT);
        std::vector<double> w;
        for (int v : levels)
            for (std::size_t k = 0; k < thermal.levels.size(); ++k)
                if (thermal.levels[k] == v) w.push_back(thermal.weights[k]);
        return w;
    }

    populations::Populations Rotational(const std::vector<int>& levels, double rotationalT) override {
        populations::Populations p = At(rotationalT);
        p.levels = levels;
        p.weights.assign(levels.size(), 1.0);
        return p;
    }

    std::vector<populations::RotationalTerm> RotationalTerms(int v) override {
        // The levels as the thermal populations count them: g = g_ns (2J + 1), the energy above
        // the lowest existing level of v; levels of nuclear-spin weight 0 do not exist.
        const bool upper = simulation::PopulatedState(conditions_.kind) == ElectronicState::Upper;
        const database::MultipletSystem& s = system_->system;
        const auto& levels = upper ? s.upper : s.lower;
        const auto at = levels.find(v);
        std::vector<populations::RotationalTerm> terms;
        if (at == levels.end()) return terms;
        const StateDescription& state = upper ? s.description.upper : s.description.lower;
        const std::vector<database::LevelPopulation> thermal =
            database::ThermalPopulations(s.description, state, at->second, conditions_.temperature);
        double zero = std::numeric_limits<double>::infinity();
        for (const database::LevelPopulation& p : thermal)
            if (p.nuclearWeight > 0) zero = std::min(zero, p.level.energy);
        for (const database::LevelPopulation& p : thermal)
            if (p.nuclearWeight > 0)
                terms.push_back({simulation::MultipletComponent(state.twoS, p.level), p.level.N, 0.5 * p.level.twoJ,
                                 p.level.energy - zero, p.nuclearWeight * (p.level.twoJ + 1.0)});
        return terms;
    }

private:
    populations::Populations At(double temperature) const {
        simulation::SimulationConditions c = conditions_;
        c.temperature = temperature;
        return simulation::MultipletPopulations(*system_, c);
    }

    std::shared_ptr<const simulation::MultipletBandSystem> system_;
    simulation::SimulationConditions conditions_;
};

class MultipletSource final : public PopulationSource {
public:
    explicit MultipletSource(std::shared_ptr<const simulation::MultipletBandSystem> system)
        : system_(std::move(system)) {}
    std::unique_ptr<PopulationWork> Start(simulation::SpectrumKind kind) const override {
        return std::make_unique<MultipletLevels>(system_, kind);
    }

private:
    std::shared_ptr<const simulation::MultipletBandSystem> system_;
};

}  // namespace

std::shared_ptr<const PopulationSource> MultipletPopulationSource(
    std::shared_ptr<const simulation::MultipletBandSystem> system) {
    return std::make_shared<MultipletSource>(std::move(system));
}

std::shared_ptr<const PopulationSource> CataloguePopulations(std::shared_ptr<const DatabaseState> db) {
    return std::make_shared<CatalogueSource>(std::move(db));
}

}  // namespace velmora::fit
