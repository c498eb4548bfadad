#include "database/line_list_export.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "common/physical_constants.h"
#include "database/band_loader.h"
#include "database/line_positions.h"
#include "database/line_rows.h"
#include "database/multiplet_band.h"
#include "database/nuclear_spin.h"
#include "database/state_descriptions.h"
#include "database/system_precompute.h"

namespace velmora::database {

namespace {

/// Identity of a level: state, v, row, spin component and parity block (0 for a Σ state, whose
/// two blocks hold one level).
using LevelKey = std::tuple<int, int, int, int, int>;

/// The nominal case (a) labels of a level: the lower spin-orbit component (F1) has Ω = Λ - 1/2
/// in a regular state (A > 0) and Ω = Λ + 1/2 in an inverted one; a Σ state has Σ = +1/2 for F1.
void NominalCaseALabels(ExportedLevel& level, double spinOrbitA) {
    const bool upperOmega = level.lambda == 0 ? level.F == 1 : (level.F == 1) == (spinOrbitA < 0.0);
    level.sigma = upperOmega ? 0.5 : -0.5;
    level.omega = level.lambda + level.sigma;
}

/// Nuclear-spin degeneracy of a level: that of the nuclei, or for two identical nuclei the
/// weight of the levels symmetric or antisymmetric under their exchange, told from the level's
/// total parity and the g/u symmetry of its state.
int NuclearSpinOfLevel(const ExportedLineList& list, const StateDescription& state, const ExportedLevel& level) {
    if (!list.homonuclearWeights) return list.isotopologue.NuclearSpinDegeneracy();
    const NuclearSpinWeights w = ExchangeWeights(list);
    return static_cast<int>(NuclearSpinWeight(NuclearSpin{true, w.symmetric, w.antisymmetric}, state, level.N,
                                              TwiceJ(level.N, level.F), level.parity == 'e'));
}

/// A line as it is collected: the keys of its levels, its emission (in any unit common to the
/// lines of its upper level) and the line itself.
struct CollectedLine {
    LevelKey up, low;
    double emission = 0.0;
    ExportedLine line;
};

/// Puts the collected levels and lines into the list: energies from the lowest level of the lower
/// state, ids in order of energy, and each line's A its share of its upper level's emission over
/// the level's radiative lifetime, so that the A out of a level sum to 1 / lifetime; a level
/// without a lifetime keeps emission × absoluteFactor. The lines in order of wavenumber.
void FinishLineList(ExportedLineList& list, const std::map<LevelKey, ExportedLevel>& levels,
                    const std::vector<CollectedLine>& lines, double absoluteFactor) {
    std::map<LevelKey, double> levelEmission;
    for (const CollectedLine& p : lines) levelEmission[p.up] += p.emission;
    double zero = 0.0;
    bool first = true;
    for (const auto& [key, l] : levels)
        if (l.state == 2 && (first || l.energy < zero)) zero = l.energy, first = false;
    std::vector<std::pair<LevelKey, ExportedLevel>> sorted(levels.begin(), levels.end());
    for (auto& [key, l] : sorted) l.energy -= zero;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second.energy < b.second.energy; });
    std::map<LevelKey, int> ids;
    list.levels.clear();
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        ExportedLevel& l = sorted[i].second;
        l.id = static_cast<int>(i) + 1;
        ids[sorted[i].first] = l.id;
        list.levels.push_back(l);
    }
    list.lines.clear();
    for (const CollectedLine& p : lines) {
        ExportedLine line = p.line;
        line.upper = ids.at(p.up);
        line.lower = ids.at(p.low);
        const ExportedLevel& up = list.levels[static_cast<std::size_t>(line.upper - 1)];
        line.nu = up.energy - list.levels[static_cast<std::size_t>(line.lower - 1)].energy;
        // The line's share of its level's decay rate 1 / tau; a level the lifetimes do not hold
        // (its lifetime above ten reference lifetimes) keeps the A of the absolute units.
        const double sum = levelEmission.at(p.up);
        line.A = up.lifetime > 0.0 && sum > 0.0 ? p.emission / sum / (up.lifetime * 1e-9) : p.emission * absoluteFactor;
        list.lines.push_back(line);
    }
    std::sort(list.lines.begin(), list.lines.end(), [](const ExportedLine& a, const ExportedLine& b) {
        return std::tie(a.nu, a.upper, a.lower) < std::tie(b.nu, b.upper, b.lower);
    });
}

}  // namespace

NuclearSpinWeights ExchangeWeights(const ExportedLineList& list) {
    if (list.catalogueWeights) return *list.catalogueWeights;
    const Isotopologue& iso = list.isotopologue;
    // Nuclei not identified: the populations' ratio of 2 : 1.
    return iso.identified && iso.Homonuclear() ? IdenticalNucleiWeights(iso.atoms[0].twiceSpin)
                                               : NuclearSpinWeights{2.0, 1.0};
}

double ExportedLineList::PartitionFunction(double T) const {
    double q = 0.0;
    for (const ExportedLevel& l : levels) q += l.G() * std::exp(-kSecondRadiationConstant * l.energy / T);
    return q;
}

double ExportedLineList::Intensity(const ExportedLine& line, double T, double Q) const {
    const ExportedLevel& up = levels[static_cast<std::size_t>(line.upper - 1)];
    const ExportedLevel& low = levels[static_cast<std::size_t>(line.lower - 1)];
    const double c2 = kSecondRadiationConstant;
    return isotopologue.Abundance() * up.G() * line.A / (8.0 * kPi * kSpeedOfLightCm * line.nu * line.nu) *
           std::exp(-c2 * low.energy / T) * (1.0 - std::exp(-c2 * line.nu / T)) / Q;
}

ExportedLineList CollectLineList(DatabaseState& db, int entry, Shell& shell) {
    // Line lists carry each line's Einstein A in s-1 and an intensity in absolute units.
    RequireAbsoluteScale(db.cat, entry, "A line list with Einstein A (s-1) and intensities (cm/molecule)");
    db.systemEntry = entry;
    SystemPrecompute(db, 0.0f, shell);
    const Catalogue& cat = db.cat;
    ExportedLineList list;
    list.molecule = cat.MoleculeName(entry);
    const SystemDescription description = DescriptionOf(cat, entry);
    list.hitranMolecule = description.molecule.hitranMolecule;
    list.hitranIsotopologue = description.molecule.hitranIsotopologue;
    list.system = cat.SystemLabel(entry);
    list.isotopologue = IdentifyIsotopologue(list.molecule, cat.MolecularMass(entry));
    list.homonuclearWeights = description.molecule.nuclearSpin.homonuclear;
    const int lambda[3] = {0, cat.StateLambda(1, entry), cat.StateLambda(2, entry)};
    list.lambdaDoubled = lambda[1] >= 1 || lambda[2] >= 1;
    const int branches = cat.LambdaFactor(entry) > 1.0f ? 24 : 12;

    std::map<LevelKey, ExportedLevel> levels;
    std::vector<CollectedLine> lines;
    auto level = [&](int s, int v, int row, int F, int block, const TermTable& terms) {
        const LevelKey key{s, v, row, F, lambda[s] == 0 ? 0 : block};
        auto [it, added] = levels.try_emplace(key);
        if (added) {
            ExportedLevel& l = it->second;
            l.state = s;
            l.v = v;
            l.N = row;
            l.F = F;
            l.J = TwiceJ(row, F) / 2.0;
            l.lambda = lambda[s];
            l.parity = ParityLabel(db, entry, s, row, F, block);
            l.totalParity = TotalParity(TwiceJ(row, F), l.parity == 'e' ? Parity::e : Parity::f) > 0 ? '+' : '-';
            l.energy = terms(row, F, block);
            l.label = cat.StateLabel(s, entry);
            l.nuclearSpin = NuclearSpinOfLevel(list, description.State(s), l);
            NominalCaseALabels(l, db.MolConst(s, v, 6));
        }
        return key;
    };
    for (int vUp = 0; vUp <= cat.NMaxVib(entry, 1); ++vUp)
        for (int vLow = 0; vLow <= cat.NMaxVib(entry, 2); ++vLow) {
            LoadBand(db, vUp, vLow, entry);
            const auto& L = db.LineData;
            for (int b = 1; b <= branches; ++b)
                for (int N = 0; N <= LastLineRow(db); ++N) {
                    if (!(L(4, b, N) > 0.0f)) continue;  // no line
                    const LineLevels lv = BranchLevels(db, entry, b, N);
                    CollectedLine p;
                    p.up = level(1, vUp, lv.upRow, lv.upF, lv.upBlock, db.UpperTerm);
                    p.low = level(2, vLow, lv.lowRow, lv.lowF, lv.lowBlock, db.LowerTerm);
                    levels[p.up].lifetime = db.UpperLevelData(vUp, UpperComponent(lambda[1], lv), lv.upRow);
                    p.emission = L(1, b, N);
                    p.line.branch = cat.BranchName(0, b > 12 ? b - 12 : b);
                    p.line.vUp = vUp, p.line.vLow = vLow;
                    lines.push_back(p);
                }
        }
    FinishLineList(list, levels, lines, db.LineUnitFactor[0]);
    return list;
}

ExportedLineList CollectMultipletLineList(const MultipletEntry& entry) {
    const MultipletSystem system = BuildMultipletSystem(entry.data);
    const SystemDescription& d = system.description;
    ExportedLineList list;
    list.molecule = entry.name;
    list.system = " " + entry.SystemLabel();
    list.hitranMolecule = d.molecule.hitranMolecule;
    list.hitranIsotopologue = d.molecule.hitranIsotopologue;
    list.isotopologue = IdentifyIsotopologue(entry.name, entry.mass);
    list.homonuclearWeights = d.molecule.nuclearSpin.homonuclear;
    if (list.homonuclearWeights)
        list.catalogueWeights =
            NuclearSpinWeights{d.molecule.nuclearSpin.symmetric, d.molecule.nuclearSpin.antisymmetric};
    // Ω differs between the spin components of every state of a multiplet (and of any Π state).
    list.lambdaDoubled = d.upper.lambda >= 1 || d.lower.lambda >= 1 || d.upper.twoS >= 2 || d.lower.twoS >= 2;

    using LevelId = std::tuple<int, int, int, int>;  // v, 2J, F, parity
    std::map<LevelId, double> lifetimes;             // ns
    for (const LevelLifetime& l : RadiativeLifetimes(system))
        lifetimes[{l.v, l.level.twoJ, l.level.F, l.level.parity == Parity::f ? 1 : 0}] = l.lifetimeNs;

    std::map<LevelKey, ExportedLevel> levels;
    auto level = [&](int s, int v, const LineLevel& at) {
        const int block = at.parity == Parity::f ? 1 : 0;
        const LevelKey key{s, v, at.twoJ, at.F, block};
        auto [it, added] = levels.try_emplace(key);
        if (added) {
            const StateDescription& state = d.State(s);
            const StateLevels& ladder = (s == 1 ? system.upper : system.lower).at(v);
            const RotationalLevel* r = ladder.Find(at.twoJ, at.F, at.parity);
            ExportedLevel& l = it->second;
            l.state = s;
            l.v = v;
            l.N = at.N;
            l.F = at.F;
            l.J = at.twoJ / 2.0;
            l.lambda = state.lambda;
            l.parity = at.parity == Parity::e ? 'e' : 'f';
            l.totalParity = TotalParity(at.twoJ, at.parity) > 0 ? '+' : '-';
            l.energy = at.energy;
            l.label = s == 1 ? entry.upperLabel : entry.lowerLabel;
            // Σ and Ω of the case (a) function that dominates the level's eigenvector.
            if (r != nullptr) {
                const CaseAFunction& f = r->basis[static_cast<std::size_t>(DominantComponent(*r))];
                l.sigma = f.twoSigma / 2.0;
                l.omega = f.twoOmega / 2.0;
                l.nuclearSpin = static_cast<int>(std::lround(LevelNuclearWeight(d, state, *r)));
            }
            if (s == 1) {
                const auto known = lifetimes.find({v, at.twoJ, at.F, block});
                if (known != lifetimes.end()) l.lifetime = known->second;
            }
        }
        return key;
    };
    std::vector<CollectedLine> lines;
    for (const auto& [band, lineSet] : system.bands)
        for (const MultipletLine& line : lineSet.lines) {
            CollectedLine p;
            p.up = level(1, band.first, line.upper);
            p.low = level(2, band.second, line.lower);
            p.emission = line.einsteinA;
            p.line.branch = BranchNameOf(d, line);
            p.line.vUp = band.first, p.line.vLow = band.second;
            lines.push_back(p);
        }
    FinishLineList(list, levels, lines, 1.0);
    return list;
}

}  // namespace velmora::database
