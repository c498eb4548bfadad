// Spectra of a triplet band system simulated from the engine's model: N2 C 3Πu – B 3Πg at
// 3000 K. The emission of the v' = 0 bands integrates to their band coefficients, the absorption
// out of B v'' = 0 to A(band)/ν0² (the lines of every lower level sum to 2J'' + 1 with g' = g''),
// and the strongest point of the spectrum is the (0,0) head of the folder's table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "../database/curated_tables.h"
#include "common/physical_constants.h"
#include "simulation/line_list.h"
#include "simulation/multiplet_model.h"
#include "simulation/simulate.h"

namespace velmora::simulation {
namespace {

double Integral(const Spectrum& s, double from, double to) {
    double sum = 0;
    for (int i = 0; i <= s.grid.last; ++i)
        if (from <= s.grid.X(i) && s.grid.X(i) <= to) sum += s.total(i);
    return sum;
}

TEST(MultipletSimulation, N2SecondPositiveBandsCarryTheirBandCoefficients) {
    const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), "N2_CB",
                                             "levels_C.csv", "levels_B.csv", 2 * 70);
    const database::MultipletSystem system = database::BuildMultipletSystem(data);
    const BandSystemModel model = BuildMultipletModel(system, 28.006148);
    EXPECT_LE(model.branches, kMaxBranches);

    SimulationConditions c;
    c.unit = AxisUnit::NanometreAir, c.start = 300, c.end = 420, c.resolution = 0.1, c.temperature = 3000;
    // Emission of v' = 0 alone: each band's lines (heads at 337.1, 357.7, 380.5, 405.9 nm, degraded
    // to the violet over less than 15 nm) hold A(0, v'').
    c.kind = SpectrumKind::Emission;
    populations::Populations up = ThermalMultipletPopulations(system, ElectronicState::Upper, 3000);
    up.levels = {0}, up.weights = {1.0};
    const Spectrum emission = Simulate(model, c, up);
    ASSERT_GT(emission.peak, 0.0f);
    const double heads[] = {337.144, 357.698, 380.501, 405.937};
    const double e00 = Integral(emission, heads[0] - 15, heads[0] + 1);
    for (int vLow = 1; vLow <= 3; ++vLow)
        EXPECT_NEAR(Integral(emission, heads[vLow] - 15, heads[vLow] + 1) / e00,
                    data.bandA.at({0, vLow}) / data.bandA.at({0, 0}), 0.01)
            << "(0," << vLow << ")";
    // The strongest point: the (0,0) heads (P3, P2, P1 within 0.05 nm) under a 0.1 nm instrument.
    int top = 0;
    for (int i = 0; i <= emission.grid.last; ++i)
        if (emission.total(i) > emission.total(top)) top = i;
    EXPECT_NEAR(emission.grid.X(top), 337.12, 0.08);

    // Absorption out of B v'' = 0 into C v' = 0 and 1: A(band)/ν0² per band (origins of the
    // folder's table: 29670.94 and 31665.39 cm-1; heads 337.14 and 315.92 nm).
    c.kind = SpectrumKind::Absorption;
    populations::Populations low = ThermalMultipletPopulations(system, ElectronicState::Lower, 3000);
    low.levels = {0}, low.weights = {1.0};
    const Spectrum absorption = Simulate(model, c, low);
    ASSERT_GT(absorption.peak, 0.0f);
    const double ratio =
        Integral(absorption, 315.917 - 15, 315.917 + 1) / Integral(absorption, 337.144 - 15, 337.144 + 1);
    EXPECT_NEAR(
        ratio / (data.bandA.at({1, 0}) / std::pow(31665.39, 2) / (data.bandA.at({0, 0}) / std::pow(29670.94, 2))), 1.0,
        0.02);
}

TEST(MultipletSimulation, TheWeakLineCutOffLosesLessThanItsShareOfTheSpectrum) {
    // Every level loses at most droppedShare of its emission into each band, so the spectrum of
    // any population loses at most that share of its intensity; lifetimes keep every line.
    auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), "N2_CB", "levels_C.csv",
                                       "levels_B.csv", 2 * 70);
    data.droppedShare = 0;
    const database::MultipletSystem full = database::BuildMultipletSystem(data);
    data.droppedShare = 1e-3;
    const database::MultipletSystem reduced = database::BuildMultipletSystem(data);
    const BandSystemModel fullModel = BuildMultipletModel(full, 28.006148),
                          reducedModel = BuildMultipletModel(reduced, 28.006148);
    EXPECT_LT(reducedModel.LineCount(), 0.8 * fullModel.LineCount());
    const auto tauFull = database::RadiativeLifetimes(full), tauReduced = database::RadiativeLifetimes(reduced);
    ASSERT_EQ(tauFull.size(), tauReduced.size());
    for (std::size_t i = 0; i < tauFull.size(); ++i) EXPECT_EQ(tauFull[i].lifetimeNs, tauReduced[i].lifetimeNs);

    SimulationConditions c;
    c.unit = AxisUnit::NanometreAir, c.start = 300, c.end = 420, c.resolution = 0.1, c.temperature = 3000;
    c.kind = SpectrumKind::Emission;
    const populations::Populations up = ThermalMultipletPopulations(full, ElectronicState::Upper, 3000);
    const Spectrum a = Simulate(fullModel, c, up), b = Simulate(reducedModel, c, up);
    ASSERT_EQ(a.grid.last, b.grid.last);
    // The totals before their scaling to a peak of 100.
    double sumA = 0, sumB = 0, largest = 0;
    for (int i = 0; i <= a.grid.last; ++i) {
        const double x = a.total(i) * a.peak / 100, y = b.total(i) * b.peak / 100;
        sumA += x, sumB += y;
        largest = std::max(largest, std::fabs(x - y));
    }
    EXPECT_GE(sumA - sumB, 0.0);
    EXPECT_LE((sumA - sumB) / sumA, data.droppedShare);
    EXPECT_LE(largest / a.peak, data.droppedShare);

    // The positions in air, in vectors, are the scalar conversion's bit for bit.
    const ModelBand& band = fullModel.Band(0, 0);
    std::vector<double> x(band.lines.size());
    ActivePositionKernels().positions(band.lines.data(), band.lines.size(), AxisUnit::NanometreAir, 0.25, x.data());
    for (std::size_t i = 0; i < x.size(); ++i)
        ASSERT_EQ(x[i], AxisPosition(band.lines[i].nu, AxisUnit::NanometreAir) + 0.25) << i;
}

TEST(MultipletSimulation, LifExcitationAndFourWaveMixingFollowTheAbsorptionStrengthsOfTheLines) {
    // The lines of the N2 C-B (0,0) band out of B v'' = 0 at 1500 K, each compared with the
    // database line at its position: linear LIF excitation (total integration, yield 1) goes as
    // S N'', four-wave mixing as S^4 N''^2, with S = A (2J' + 1) / ((2J'' + 1) ν^3) from the
    // line's Einstein A and N'' = g_ns (2J'' + 1) exp(-c2 E''/T) computed here.
    const auto data = testing::CuratedSystem(testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3), "N2_CB",
                                             "levels_C.csv", "levels_B.csv", 2 * 40);
    const database::MultipletSystem system = database::BuildMultipletSystem(data);
    const BandSystemModel model = BuildMultipletModel(system, 28.006148);
    const double T = 1500;
    populations::Populations low = ThermalMultipletPopulations(system, ElectronicState::Lower, T);
    low.levels = {0}, low.weights = {1.0};
    std::map<float, const database::MultipletLine*> byPosition;
    std::set<float> shared;
    for (const database::MultipletLine& l : system.bands.at({0, 0}).lines)
        if (!byPosition.emplace(static_cast<float>(l.nu), &l).second) shared.insert(static_cast<float>(l.nu));
    SimulationConditions c;
    c.unit = AxisUnit::Wavenumber, c.start = 29400, c.end = 29700, c.temperature = T;
    for (SpectrumKind kind : {SpectrumKind::LifExcitation, SpectrumKind::FourWaveMixing}) {
        c.kind = kind;
        const LineList list = BuildLineList(model, c, low, 0.0, c.start, c.end);
        ASSERT_EQ(list.levels.size(), 1u);
        const int power = kind == SpectrumKind::LifExcitation ? 1 : 2;
        double ratio = 0;
        int compared = 0;
        for (const DrawnLine& d : list.levels[0]) {
            const float x = static_cast<float>(d.x);
            const auto it = byPosition.find(x);
            if (d.vUp != 0 || d.vLow != 0 || it == byPosition.end() || shared.count(x)) continue;
            const database::MultipletLine& l = *it->second;
            const double S = l.einsteinA * (l.upper.twoJ + 1.0) / ((l.lower.twoJ + 1.0) * std::pow(l.nu, 3));
            const double N =
                l.nuclearWeight * (l.lower.twoJ + 1.0) * std::exp(-kSecondRadiationConstant * l.lower.energy / T);
            const double expected = power == 1 ? S * N : std::pow(S, 4) * N * N;
            if (ratio == 0) ratio = d.weight / expected;
            EXPECT_NEAR(d.weight / expected / ratio, 1.0, 1e-4) << d.x;
            ++compared;
        }
        EXPECT_GT(compared, 200);
    }
}

}  // namespace
}  // namespace velmora::simulation
