#include "fit/population_source.h"

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
        all.rotational.Fill(1.0f);
        return all;
    }

    std::vector<double> Vibrational(const std::vector<int>& levels, double vibrationalT, double rotationalT) override {
        populations::VibThermal(pop_, *db_, static_cast<float>(vibrationalT), static_cast<float>(rotationalT));
        std::vector<double> w;
        for (int v : levels) w.push_back(pop_.PopVib.ValueAt(v));
        return w;
    }

    populations::Populations Rotational(const std::vector<int>& levels, double rotationalT) override {
        for (int level : levels) populations::RebuildLevelThermal(pop_, *db_, level, static_cast<float>(rotationalT));
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

}  // namespace

std::shared_ptr<const PopulationSource> CataloguePopulations(std::shared_ptr<const DatabaseState> db) {
    return std::make_shared<CatalogueSource>(std::move(db));
}

}  // namespace velmora::fit
