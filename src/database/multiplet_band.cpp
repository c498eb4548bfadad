#include "database/multiplet_band.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "common/physical_constants.h"
#include "database/honl_london.h"

namespace velmora::database {

ElectronicState EngineStateOf(const StateDescription& state) {
    ElectronicState st;
    st.lambda = state.lambda;
    st.twoS = state.twoS;
    st.sigmaMinus = state.IsSigmaMinus();
    st.labelling = state.labelling.value_or(LevelLabelling::caseB);
    return st;
}

NuclearSpinWeights NuclearSpinWeightsOf(const NuclearSpin& spin) {
    if (!spin.homonuclear) return {};
    return {spin.symmetric, spin.antisymmetric};
}

LineLevel LineLevelOf(const RotationalLevel& level) {
    return {level.twoJ, level.F, level.N, level.parity, level.energy};
}

double LevelNuclearWeight(const SystemDescription& system, const StateDescription& state,
                          const RotationalLevel& level) {
    if (!system.molecule.nuclearSpin.homonuclear) return 1.0;
    return NuclearSpinWeight(NuclearSpinWeightsOf(system.molecule.nuclearSpin), state.inversion == Inversion::Gerade,
                             level.twoJ, level.parity);
}

MultipletBand BuildMultipletBand(const SystemDescription& system, const StateConstants& upper,
                                 const StateConstants& lower, double bandA, int twoJMax, double minimum) {
    const StateLevels up(EngineStateOf(system.upper), upper, twoJMax);
    const StateLevels low(EngineStateOf(system.lower), lower, twoJMax + 2);
    return BuildMultipletBand(system, up, low, bandA, minimum);
}

LevelProjections UpperProjections(const SystemDescription& system, const StateLevels& upper) {
    LevelProjections p(upper);
    for (std::size_t i = 0; i < upper.Levels().size(); ++i)
        p.wanted[i] = LevelNuclearWeight(system, system.upper, upper.Levels()[i]) != 0.0 ? 1 : 0;
    return p;
}

MultipletBand BuildMultipletBand(const SystemDescription& system, const StateLevels& up, const StateLevels& low,
                                 double bandA, double minimum) {
    const int twoJMax = up.Levels().empty() ? 0 : up.Levels().back().twoJ;
    return BuildMultipletBand(system, up, UpperProjections(system, up), low, LevelProjections(low),
                              SlotDipoles(up.State(), low.State(), twoJMax), bandA, minimum);
}

MultipletBand BuildMultipletBand(const SystemDescription& system, const StateLevels& up,
                                 const LevelProjections& upperProjections, const StateLevels& low,
                                 const LevelProjections& lowerProjections, const SlotDipoles& dipoles, double bandA,
                                 double minimum) {
    MultipletBand band;
    band.bandA = bandA;
    const std::vector<BandLine> lines = BandLines(up, upperProjections, low, lowerProjections, dipoles, minimum);
    band.lines.reserve(lines.size());
    for (const BandLine& l : lines) {
        const double weight = LevelNuclearWeight(system, system.upper, *l.upper);
        if (weight == 0.0) continue;
        MultipletLine line;
        line.upper = LineLevelOf(*l.upper);
        line.lower = LineLevelOf(*l.lower);
        line.branch = BranchOf(*l.upper, *l.lower);
        line.nu = l.upper->energy - l.lower->energy;
        line.honlLondon = l.honlLondon;
        line.einsteinA = bandA * l.honlLondon / (l.upper->twoJ + 1.0);
        line.nuclearWeight = weight;
        band.lines.push_back(line);
    }
    return band;
}

std::string BranchNameOf(const SystemDescription& system, const MultipletLine& line) {
    return BranchName(line.branch, BranchNotation::deltaN, system.upper.twoS == 0 && system.lower.twoS == 0);
}

std::vector<BandHead> BandHeads(const SystemDescription& system, const MultipletBand& band, double minimumShare) {
    // The lines of each branch and lower parity, by J''.
    using Key = std::tuple<int, int, int, int>;  // ΔN, F', F'', lower parity
    std::map<Key, std::map<int, const MultipletLine*>> branches;
    const int twoJMinUp = system.upper.twoS + 2 * system.upper.lambda;
    const int twoJMinLow = system.lower.twoS + 2 * system.lower.lambda;
    for (const MultipletLine& line : band.lines) {
        if (line.honlLondon < minimumShare * (line.upper.twoJ + 1)) continue;
        if (line.upper.twoJ < twoJMinUp || line.lower.twoJ < twoJMinLow) continue;
        const Key key{line.branch.deltaN, line.branch.upperF, line.branch.lowerF, static_cast<int>(line.lower.parity)};
        branches[key][line.lower.twoJ] = &line;
    }
    std::vector<BandHead> heads;
    for (const auto& branch : branches) {
        const std::map<int, const MultipletLine*>& lines = branch.second;
        for (auto it = std::next(lines.begin()); it != lines.end() && std::next(it) != lines.end(); ++it) {
            const auto before = std::prev(it), after = std::next(it);
            // Neighbours at most two J'' away (12C2 has every other level of a parity block): a
            // longer gap in a branch is not a turning point.
            if (before->first < it->first - 4 || after->first > it->first + 4) continue;
            const double nu = it->second->nu;
            const bool minimum = nu < before->second->nu && nu <= after->second->nu;
            const bool maximum = nu > before->second->nu && nu >= after->second->nu;
            if (!minimum && !maximum) continue;
            heads.push_back({it->second->branch, it->second->lower.parity, it->first, nu});
        }
    }
    std::sort(heads.begin(), heads.end(), [](const BandHead& a, const BandHead& b) { return a.nu < b.nu; });
    return heads;
}

double ThermalEmission(const MultipletLine& line, double upperZero, double temperatureK) {
    return line.nuclearWeight * (line.upper.twoJ + 1.0) *
           std::exp(-kSecondRadiationConstant * (line.upper.energy - upperZero) / temperatureK) * line.einsteinA;
}

}  // namespace velmora::database
