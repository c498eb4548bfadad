#include "database/multiplet_system.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

#include "common/physical_constants.h"

namespace velmora::database {

void DropWeakLines(MultipletBand& band, int twoS, double share) {
    if (share <= 0 || band.lines.empty()) return;
    std::vector<MultipletLine>& lines = band.lines;
    auto byJ = [](const MultipletLine& a, const MultipletLine& b) { return a.upper.twoJ < b.upper.twoJ; };
    if (!std::is_sorted(lines.begin(), lines.end(), byJ)) std::stable_sort(lines.begin(), lines.end(), byJ);
    std::vector<char> drop(lines.size(), 0);
    struct Entry {
        std::size_t slot, index;
        double honlLondon;
    };
    std::vector<Entry> block;
    for (std::size_t first = 0; first < lines.size();) {
        // The lines of one J', by upper level and then weakest first.
        std::size_t last = first;
        block.clear();
        for (; last < lines.size() && lines[last].upper.twoJ == lines[first].upper.twoJ; ++last)
            block.push_back({UpperLevelSlot(twoS, lines[last].upper), last, lines[last].honlLondon});
        std::sort(block.begin(), block.end(), [](const Entry& a, const Entry& b) {
            return a.slot != b.slot ? a.slot < b.slot : a.honlLondon < b.honlLondon;
        });
        const double budget = share * (lines[first].upper.twoJ + 1.0);
        double dropped = 0;
        std::size_t level = static_cast<std::size_t>(-1);
        bool full = false;
        for (const Entry& e : block) {
            if (e.slot != level) level = e.slot, dropped = 0, full = false;
            if (full || dropped + e.honlLondon > budget) {
                full = true;
                continue;
            }
            dropped += e.honlLondon;
            drop[e.index] = 1;
        }
        first = last;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!drop[i]) lines[kept++] = lines[i];
    lines.resize(kept);
}

MultipletSystem BuildMultipletSystem(const MultipletSystemData& data, double minimum) {
    MultipletSystem system;
    system.description = data.description;
    const ElectronicState up = EngineStateOf(data.description.upper), low = EngineStateOf(data.description.lower);
    for (const auto& [v, c] : data.upper) system.upper.emplace(v, StateLevels(up, c, data.twoJMax));
    for (const auto& [v, c] : data.lower) system.lower.emplace(v, StateLevels(low, c, data.twoJMax + 2));
    // The projections of each vibrational level's levels, formed once for all its bands.
    std::map<int, LevelProjections> upperProjections, lowerProjections;
    for (const auto& [v, levels] : system.upper)
        upperProjections.emplace(v, UpperProjections(system.description, levels));
    for (const auto& [v, levels] : system.lower) lowerProjections.emplace(v, LevelProjections(levels));
    const SlotDipoles dipoles(up, low, data.twoJMax);
    const int twoS = data.description.upper.twoS;
    for (const auto& [band, a] : data.bandA) {
        const auto u = system.upper.find(band.first), l = system.lower.find(band.second);
        if (u == system.upper.end() || l == system.lower.end()) continue;
        MultipletBand lines = BuildMultipletBand(system.description, u->second, upperProjections.at(band.first),
                                                 l->second, lowerProjections.at(band.second), dipoles, a, minimum);
        std::vector<double>& emission = system.upperEmission[band.first];
        for (const MultipletLine& line : lines.lines) {
            const std::size_t slot = UpperLevelSlot(twoS, line.upper);
            if (slot >= emission.size()) emission.resize(slot + 1, 0.0);
            emission[slot] += line.einsteinA;
        }
        DropWeakLines(lines, twoS, data.droppedShare);
        system.bands.emplace(band, std::move(lines));
    }
    return system;
}

std::vector<LevelLifetime> RadiativeLifetimes(const MultipletSystem& system) {
    std::vector<LevelLifetime> out;
    const int twoS = system.description.upper.twoS;
    for (const auto& [v, levels] : system.upper) {
        const auto known = system.upperEmission.find(v);
        std::vector<double> sum;
        if (known != system.upperEmission.end()) {
            sum = known->second;
        } else {
            // A system put together by hand: Σ A over the lines it holds.
            for (auto it = system.bands.lower_bound({v, std::numeric_limits<int>::min()});
                 it != system.bands.end() && it->first.first == v; ++it)
                for (const MultipletLine& line : it->second.lines) {
                    const std::size_t slot = UpperLevelSlot(twoS, line.upper);
                    if (slot >= sum.size()) sum.resize(slot + 1, 0.0);
                    sum[slot] += line.einsteinA;
                }
        }
        for (const RotationalLevel& level : levels.Levels()) {
            const std::size_t slot = UpperLevelSlot(twoS, LineLevelOf(level));
            if (slot >= sum.size() || sum[slot] <= 0) continue;
            out.push_back({v, LineLevelOf(level), 1e9 / sum[slot]});
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
