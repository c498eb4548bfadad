#include "simulation/multiplet_simulation.h"

namespace velmora::simulation {

std::shared_ptr<const MultipletBandSystem> BuildMultipletBandSystem(const database::MultipletEntry& entry,
                                                                    int catalogueEntry) {
    auto s = std::make_shared<MultipletBandSystem>();
    s->entry = catalogueEntry;
    s->catalogue = entry;
    s->system = database::BuildMultipletSystem(entry.data);
    s->model = BuildMultipletModel(s->system, entry.mass);
    s->model.entry = catalogueEntry;
    s->model.noAbsoluteScale = entry.NoAbsoluteScale();
    return s;
}

populations::Populations MultipletPopulations(const MultipletBandSystem& system, const SimulationConditions& c) {
    return ThermalMultipletPopulations(system.system, PopulatedState(c.kind), c.temperature);
}

populations::Populations WithVibrationalPopulations(const MultipletBandSystem& system, populations::Populations base,
                                                    const std::map<int, double>& vibrational) {
    const auto& levels = base.state == ElectronicState::Upper ? system.system.upper : system.system.lower;
    const int vMax = levels.empty() ? -1 : levels.rbegin()->first;
    populations::ChooseVibrationalLevels(
        base, vibrational, [&levels](int v) { return levels.count(v) > 0; }, vMax);
    return base;
}

std::string MultipletBranchName(const MultipletBandSystem& system, int b) {
    const SystemDescription& d = system.system.description;
    const BranchTable& t = system.model.emissionBranches;
    const int nUp = d.upper.Multiplicity(), nLow = d.lower.Multiplicity();
    const int fUp = (t.upper[b] - 1) % nUp + 1, fLow = (t.lower[b] - 1) % nLow + 1;
    std::string name = database::BranchName(database::BranchFromDeltaN(t.deltaN[b], fUp, fLow),
                                            database::BranchNotation::deltaN, d.upper.twoS == 0 && d.lower.twoS == 0);
    if (d.lower.ParityBlocks() == 2) name += t.lower[b] > nLow ? " f" : " e";
    return name;
}

Spectrum SimulateMultiplet(const MultipletBandSystem& system, const SimulationConditions& c, const Broadening& widths,
                           const SpectralGrid& grid, const SimulationOptions& options) {
    return Simulate(system.model, c, MultipletPopulations(system, c), widths, grid, options);
}

}  // namespace velmora::simulation
