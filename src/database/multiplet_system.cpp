#include "database/multiplet_system.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "common/physical_constants.h"

namespace velmora::database {

MultipletSystem BuildMultipletSystem(const MultipletSystemData& data, double minimum) {
    MultipletSystem system;
    system.description = data.description;
    const ElectronicState up = EngineStateOf(data.description.upper), low = EngineStateOf(data.description.lower);
    for (const auto& [v, c] : data.upper) system.upper.emplace(v, StateLevels(up, c, data.twoJMax));
    for (const auto& [v, c] : data.lower) system.lower.emplace(v, StateLevels(low, c, data.twoJMax + 2));
    for (const auto& [band, a] : data.bandA) {
        const auto u = system.upper.find(band.first), l = system.lower.find(band.second);
        if (u == system.upper.end() || l == system.lower.end()) continue;
        system.bands.emplace(band, BuildMultipletBand(system.description, u->second, l->second, a, minimum));
    }
    return system;
}

std::vector<LevelLifetime> RadiativeLifetimes(const MultipletSystem& system) {
    std::vector<LevelLifetime> out;
    for (const auto& [v, levels] : system.upper) {
        // Σ A of each level, keyed by its index in the levels of v.
        std::map<std::tuple<int, int, int>, double> sum;
        for (auto it = system.bands.lower_bound({v, std::numeric_limits<int>::min()});
             it != system.bands.end() && it->first.first == v; ++it)
            for (const MultipletLine& line : it->second.lines)
                sum[{line.upper.twoJ, line.upper.F, static_cast<int>(line.upper.parity)}] += line.einsteinA;
        for (const RotationalLevel& level : levels.Levels()) {
            const auto s = sum.find({level.twoJ, level.F, static_cast<int>(level.parity)});
            if (s == sum.end() || s->second <= 0) continue;
            out.push_back({v, LineLevelOf(level), 1e9 / s->second});
        }
    }
    return out;
}

double RotationalPartitionFunction(const SystemDescription& system, const StateDescription& state,
                                   const StateLevels& levels, double zero, double temperatureK) {
    double q = 0;
    for (const RotationalLevel& level : levels.Levels())
        q += LevelNuclearWeight(system, state, level) * (level.twoJ + 1.0) *
             std::exp(-kSecondRadiationConstant * (level.energy - zero) / temperatureK);
    return q;
}

std::vector<LevelPopulation> ThermalPopulations(const SystemDescription& system, const StateDescription& state,
                                                const StateLevels& levels, double temperatureK) {
    double zero = std::numeric_limits<double>::infinity();
    for (const RotationalLevel& level : levels.Levels())
        if (LevelNuclearWeight(system, state, level) > 0) zero = std::min(zero, level.energy);
    const double q = RotationalPartitionFunction(system, state, levels, zero, temperatureK);
    std::vector<LevelPopulation> out;
    out.reserve(levels.Levels().size());
    for (const RotationalLevel& level : levels.Levels()) {
        const double g = LevelNuclearWeight(system, state, level);
        const double share = q > 0 ? g * (level.twoJ + 1.0) *
                                         std::exp(-kSecondRadiationConstant * (level.energy - zero) / temperatureK) / q
                                   : 0.0;
        out.push_back({LineLevelOf(level), g, share});
    }
    return out;
}

}  // namespace velmora::database
