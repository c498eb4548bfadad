#include "simulation/multiplet_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

#include "common/physical_constants.h"

namespace velmora::simulation {

int MultipletComponent(int twoS, const database::LineLevel& level) {
    return level.F + (level.parity == database::Parity::f ? twoS + 1 : 0);
}

namespace {

int LastRow(const database::StateLevels& levels) {
    int last = 0;
    for (const database::RotationalLevel& l : levels.Levels()) last = std::max(last, l.N);
    return last;
}

int LastKey(const std::map<int, database::StateLevels>& levels) { return levels.empty() ? 0 : levels.rbegin()->first; }

}  // namespace

BandSystemModel BuildMultipletModel(const database::MultipletSystem& system, double molecularMass) {
    const SystemDescription& d = system.description;
    const int componentsUp = 2 * d.upper.Multiplicity(), componentsLow = 2 * d.lower.Multiplicity();
    if (std::max(componentsUp, componentsLow) > kMaxComponents)
        throw std::invalid_argument(
            "a state of multiplicity above 3 has more population components than a model holds");
    BandSystemModel m;
    m.molecularMass = molecularMass;
    m.lineUnitFactor = m.einsteinAFactor = 1.0;
    m.vUpMax = LastKey(system.upper);
    m.vLowMax = LastKey(system.lower);
    m.upperLambda = d.upper.lambda;
    m.upperComponents = componentsUp;
    m.levelFiles = false;
    // The bands of these systems reach the visible and the near infrared, where a band spans far
    // more than 350 Å about its origin (N2 B-A near 1 µm: 350 Å is about 300 cm-1): a band is
    // drawn whenever one of its lines reaches the range.
    m.bandsByLines = true;
    int lastRow = 0;
    m.lastUpperRow.Resize(0, m.vUpMax);
    for (const auto& [v, levels] : system.upper) lastRow = std::max(lastRow, m.lastUpperRow(v) = LastRow(levels));
    for (const auto& [v, levels] : system.lower) lastRow = std::max(lastRow, LastRow(levels));

    // Radiative lifetimes of the upper levels, yield 1.
    m.computedLifetime.Resize(0, m.vUpMax, 1, componentsUp, 0, lastRow);
    for (const database::LevelLifetime& l : database::RadiativeLifetimes(system))
        m.computedLifetime(l.v, MultipletComponent(d.upper.twoS, l.level), l.level.N) =
            static_cast<float>(l.lifetimeNs);
    m.lifetime = m.effectiveLifetime = m.computedLifetime;
    m.quenchRate.Resize(0, m.vUpMax, 1, componentsUp, 0, lastRow);
    m.baseYield.Resize(0, m.vUpMax, 1, componentsUp, 0, lastRow);
    m.baseYield.Fill(1.0f);

    // The branches as the lines give them, the same table for either populated state: the
    // branch of each (ΔN, upper component, lower component), |ΔN| ≤ 2S + 1 ≤ 4.
    constexpr int kComponents = kMaxComponents + 1;
    auto shapeIndex = [&](int deltaN, int cu, int cl) {
        if (deltaN < -4 || deltaN > 4)
            throw std::invalid_argument("a line changes N by more than the spin of its states allows");
        return static_cast<std::size_t>(((deltaN + 4) * kComponents + cu) * kComponents + cl);
    };
    std::vector<int> branchOf(static_cast<std::size_t>(9 * kComponents * kComponents), 0);
    int branchCount = 0;
    std::vector<ModelLine> unsorted;
    std::vector<std::size_t> start;
    m.bands.Resize(0, m.vUpMax, 0, m.vLowMax);
    for (const auto& [key, band] : system.bands) {
        ModelBand& out = m.bands(key.first, key.second);
        out.emission = band.bandA;
        unsorted.clear();
        unsorted.reserve(band.lines.size());
        double strongest = -1;
        for (const database::MultipletLine& line : band.lines) {
            const int cu = MultipletComponent(d.upper.twoS, line.upper),
                      cl = MultipletComponent(d.lower.twoS, line.lower);
            const int deltaN = line.upper.N - line.lower.N;
            int& b = branchOf[shapeIndex(deltaN, cu, cl)];
            if (b == 0) {
                if (branchCount == kMaxBranches)
                    throw std::invalid_argument("the lines of the system form more branches than a model holds");
                b = ++branchCount;
                for (BranchTable* t : {&m.emissionBranches, &m.lowerBranches})
                    t->deltaN[b] = deltaN, t->upper[b] = cu, t->lower[b] = cl;
            }
            ModelLine l;
            l.nu = static_cast<float>(line.nu);
            l.emission = static_cast<float>(line.einsteinA);
            l.absorption = static_cast<float>(line.einsteinA * (line.upper.twoJ + 1.0) /
                                              ((line.lower.twoJ + 1.0) * line.nu * line.nu * line.nu));
            l.N = static_cast<std::int16_t>(line.lower.N);
            l.b = static_cast<std::int16_t>(b);
            unsorted.push_back(l);
            // The band's position: its strongest line (the window and range tests need one).
            if (line.honlLondon > strongest) strongest = line.honlLondon, out.origin = line.nu;
        }
        // By lower row, then branch: a counting sort over the keys N (kMaxBranches + 1) + b.
        const std::size_t keys = static_cast<std::size_t>(lastRow + 1) * (kMaxBranches + 1);
        start.assign(keys + 1, 0);
        auto keyOf = [](const ModelLine& l) { return static_cast<std::size_t>(l.N) * (kMaxBranches + 1) + l.b; };
        for (const ModelLine& l : unsorted) ++start[keyOf(l) + 1];
        for (std::size_t k = 1; k <= keys; ++k) start[k] += start[k - 1];
        out.lines.resize(unsorted.size());
        for (const ModelLine& l : unsorted) out.lines[start[keyOf(l)]++] = l;
    }
    m.branches = std::max(1, branchCount);
    return m;
}

populations::Populations ThermalMultipletPopulations(const database::MultipletSystem& system, ElectronicState state,
                                                     double temperatureK) {
    const bool upper = state == ElectronicState::Upper;
    const StateDescription& description = upper ? system.description.upper : system.description.lower;
    const std::map<int, database::StateLevels>& levels = upper ? system.upper : system.lower;
    populations::Populations pop;
    pop.state = state;
    if (levels.empty()) return pop;
    int lastRow = 0;
    for (const auto& entry : levels) lastRow = std::max(lastRow, LastRow(entry.second));
    pop.rotational.Resize(0, levels.rbegin()->first, 1, 2 * description.Multiplicity(), 0, lastRow);
    double lowest = std::numeric_limits<double>::infinity();
    std::map<int, double> vibrational;
    for (const auto& [v, l] : levels) {
        double bottom = std::numeric_limits<double>::infinity();
        for (const database::LevelPopulation& p :
             database::ThermalPopulations(system.description, description, l, temperatureK)) {
            pop.rotational(v, MultipletComponent(description.twoS, p.level), p.level.N) +=
                static_cast<float>(p.population);
            if (p.nuclearWeight > 0) bottom = std::min(bottom, p.level.energy);
        }
        vibrational[v] = bottom;
        lowest = std::min(lowest, bottom);
    }
    double total = 0;
    for (auto& [v, e] : vibrational) total += e = std::exp(-kSecondRadiationConstant * (e - lowest) / temperatureK);
    for (const auto& [v, w] : vibrational) {
        pop.levels.push_back(v);
        pop.weights.push_back(w / total);
    }
    return pop;
}

}  // namespace velmora::simulation
