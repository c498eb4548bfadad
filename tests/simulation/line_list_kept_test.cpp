// What a simulation keeps with a line list between simulations (the levels' lifetimes, the
// upper levels, the partition sums, each level's Boltzmann factor within one simulation) gives
// what the direct sums over the lines give, follows the list when its data changes, and is
// safe to share between threads; the fast transform lengths its width groups ask for are those
// a search from n finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#include "common/physical_constants.h"
#include "database/line_list_import.h"
#include "simulation/fft.h"
#include "simulation/line_set_simulation.h"

namespace velmora::simulation {
namespace {

using database::ImportedLineList;
using database::ListedLine;

/// Two lower levels (0 and 150 cm-1) and two upper levels, four lines; the last line's E'' + nu
/// misses its upper level's energy in the last bit, as a record's rounded wavenumber may.
ImportedLineList SmallList() {
    ImportedLineList list;
    list.molecule = "OH";
    list.mass = 17.0;
    list.levels = {
        {0.0, 2.0f, 0.5f, "a"}, {150.0, 4.0f, 1.5f, "b"}, {20000.0, 2.0f, 0.5f, "c"}, {20100.0, 4.0f, 1.5f, "d"}};
    auto line = [](double nu, double lowerEnergy, double A, std::uint32_t upper, std::uint32_t lower) {
        ListedLine l;
        l.nu = nu, l.lowerEnergy = lowerEnergy, l.A = A, l.upper = upper, l.lower = lower;
        l.gUpper = upper == 2 ? 2.0f : 4.0f, l.gLower = lower == 0 ? 2.0f : 4.0f;
        return l;
    };
    list.lines = {line(19850.0, 150.0, 2e6, 2, 1), line(19950.0, 150.0, 3e6, 3, 1), line(20000.0, 0.0, 1e6, 2, 0),
                  line(std::nextafter(20100.0, 3e4), 0.0, 5e5, 3, 0)};
    list.allLevels = {{0.0, 2.0f}, {150.0, 4.0f}, {400.0, 6.0f}};
    return list;
}

SimulationConditions Conditions(SpectrumKind kind, double T) {
    SimulationConditions c;
    c.kind = kind;
    c.unit = AxisUnit::Wavenumber;
    c.start = 19800.0, c.end = 20200.0;
    c.temperature = T;
    c.resolution = 0.5;
    return c;
}

/// The weight of each line from the closed forms, written out per line.
std::vector<double> DirectWeights(const ImportedLineList& list, SpectrumKind kind, double T) {
    const double c2T = kSecondRadiationConstant / T;
    double lowest = std::numeric_limits<double>::infinity(), Qu = 0.0, Q = 0.0;
    for (const ListedLine& l : list.lines) lowest = std::min(lowest, list.levels[l.upper].energy);
    for (std::uint32_t i : {2u, 3u}) Qu += list.levels[i].g * std::exp(-c2T * (list.levels[i].energy - lowest));
    for (const auto& [E, g] : list.allLevels) Q += g * std::exp(-kSecondRadiationConstant * E / T);
    std::vector<double> w;
    for (const ListedLine& l : list.lines)
        w.push_back(kind == SpectrumKind::Emission
                        ? l.A * l.gUpper * std::exp(-c2T * (l.lowerEnergy + l.nu - lowest)) / Qu
                        : l.gUpper * l.A / (l.nu * l.nu) * std::exp(-c2T * l.lowerEnergy) / Q);
    return w;
}

std::vector<double> Weights(const ImportedLineList& list, SpectrumKind kind, double T) {
    std::vector<double> w;
    const LineList lines = LineSetLines(list, Conditions(kind, T), 0.0, 19800.0, 20200.0);
    for (const DrawnLine& d : lines.levels[0]) w.push_back(d.weight);
    return w;
}

TEST(LineListKept, TheKeptSumsAndWeightsAreTheDirectOnesAndFollowTheListsChanges) {
    ImportedLineList list = SmallList();
    auto expectDirect = [&](const char* what) {
        SCOPED_TRACE(what);
        const auto sums = database::KeptLevelSums(list);
        EXPECT_EQ(sums->lifetimes, database::LevelLifetimes(list));
        double lowest = std::numeric_limits<double>::infinity();
        for (const ListedLine& l : list.lines) lowest = std::min(lowest, list.levels[l.upper].energy);
        EXPECT_EQ(sums->lowestUpper, lowest);
        EXPECT_EQ(LowestUpperEnergy(list), lowest);
        for (double T : {296.0, 2000.0, 296.0}) {
            EXPECT_EQ(database::KeptPartitionFunction(list, T), list.PartitionFunction(T));
            // To the bit: a level's exp is shared only by the lines of its very energy.
            for (SpectrumKind kind : {SpectrumKind::Emission, SpectrumKind::Absorption})
                EXPECT_EQ(Weights(list, kind, T), DirectWeights(list, kind, T));
        }
    };
    expectDirect("as built");
    list.lines[1].A *= 2.0;  // in place
    expectDirect("an A changed");
    list.lines[0].upper = 3, list.lines[0].gUpper = 4.0f;
    expectDirect("an upper level changed");
    list.levels[2].energy = 19990.0, list.lines[2].nu = 19990.0;
    expectDirect("an upper level moved");
    list.allLevels.emplace_back(600.0, 8.0f);
    expectDirect("a level added to the partition sum");
    ImportedLineList copy = list;
    copy.lines.pop_back();
    EXPECT_EQ(database::KeptLevelSums(copy)->lifetimes, database::LevelLifetimes(copy));
    list = copy;  // assigned over its kept values
    expectDirect("assigned");
    list.lines = SmallList().lines, list.levels = SmallList().levels;  // rebuilt
    expectDirect("rebuilt");
}

TEST(LineListKept, ThreadsSharingAListDrawWhatOneThreadDraws) {
    const ImportedLineList list = SmallList();
    SimulationConditions c = Conditions(SpectrumKind::Absorption, 1500.0);
    const Spectrum alone = SimulateLineSet(ImportedLineList(list), c);  // a copy: nothing kept yet
    std::vector<Spectrum> spectra(4);
    {
        std::vector<std::thread> threads;
        for (std::size_t k = 0; k < spectra.size(); ++k)
            threads.emplace_back([&, k] {
                SimulationConditions ck = c;
                ck.temperature = k % 2 ? 1500.0 : 900.0;  // two temperatures at once
                for (int i = 0; i < 20; ++i) spectra[k] = SimulateLineSet(list, ck);
            });
        for (std::thread& t : threads) t.join();
    }
    c.temperature = 900.0;
    const Spectrum cold = SimulateLineSet(ImportedLineList(list), c);
    for (std::size_t k = 0; k < spectra.size(); ++k) {
        const Spectrum& expected = k % 2 ? alone : cold;
        ASSERT_EQ(spectra[k].grid.last, expected.grid.last);
        for (int i = 0; i <= expected.grid.last; ++i)
            ASSERT_EQ(spectra[k].total(i), expected.total(i)) << k << " " << i;
    }
}

TEST(LineListKept, TheWidthGroupsHoldTheLinesOfTheirWidthsInOrderOfWidthThenOfTheList) {
    ImportedLineList list = SmallList();
    // Two lines of one width, one within the tolerance of it, one of its own; the narrowest last.
    const float gamma[] = {0.05f, 0.05f, 0.05f * (1.0f + 4e-7f), 0.03f};
    for (std::size_t i = 0; i < list.lines.size(); ++i) list.lines[i].gammaAir = gamma[i], list.lines[i].nAir = 0.7f;
    SimulationConditions c = Conditions(SpectrumKind::Absorption, 1000.0);
    c.collisionalBroadening = true, c.pressure = 760.0;
    const std::vector<DrawnLine> all = LineSetLines(list, c, 0.0, c.start, c.end).levels[0];
    ASSERT_EQ(all.size(), list.lines.size());
    std::vector<double> w;
    for (const ListedLine& l : list.lines) w.push_back(OwnCollisionalWidth(list, l, c, SelfPressure(list, c)));
    const std::vector<std::vector<std::size_t>> expected = {{3}, {0, 1, 2}};
    const std::vector<WidthGroup> groups = LineSetWidthGroups(list, c, 0.0, c.start, c.end);
    ASSERT_EQ(groups.size(), expected.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        EXPECT_EQ(groups[g].narrowest, w[expected[g].front()]);
        ASSERT_EQ(groups[g].lines.size(), expected[g].size());
        for (std::size_t k = 0; k < expected[g].size(); ++k) {
            EXPECT_EQ(groups[g].lines[k].x, all[expected[g][k]].x);
            EXPECT_EQ(groups[g].lines[k].weight, all[expected[g][k]].weight);
        }
    }
    EXPECT_EQ(groups[1].collisionalWidth, 0.5 * (w[0] + w[2]));
}

TEST(LineListKept, FastLengthsAreTheFirstLengthsWithoutPrimeFactorsAboveSeven) {
    auto smooth = [](long long m) {
        for (int p : {2, 3, 5, 7})
            while (m % p == 0) m /= p;
        return m == 1;
    };
    for (long long n : {-5LL, 0LL, 1LL, 2LL, 11LL, 97LL, 1000LL, 20011LL, 1234567LL, 2000000000LL}) {
        long long m = std::max(n, 1LL);
        while (!smooth(m)) ++m;
        EXPECT_EQ(RealFft::FastLength(static_cast<int>(n)), m) << n;
    }
    for (int n = 1; n <= 3000; ++n) {
        int m = n;
        while (!smooth(m)) ++m;
        ASSERT_EQ(RealFft::FastLength(n), m) << n;
    }
}

}  // namespace
}  // namespace velmora::simulation
