// Laser-induced fluorescence as experimenters model it, on NO A-X of the shipped database and on
// synthetic lines: the saturated two-level limit, the rate equations, the overlap of the laser
// with each absorption line and the detection filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "shipped_system.h"

namespace velmora::simulation {
namespace {

using testing::ShippedSystem;

/// The model line of band (0, 0) in branch b at lower row N.
const ModelLine& LineOf(const BandSystemModel& m, int b, int N) {
    for (const ModelLine& line : m.Band(0, 0).lines)
        if (line.b == b && line.N == N) return line;
    throw std::runtime_error("no line in branch " + std::to_string(b) + " at row " + std::to_string(N));
}

/// The weight BuildLineList gives a line, found in a window of 0.002 cm-1 around it.
double WeightOf(const BandSystemModel& m, const SimulationConditions& c, const populations::Populations& pop,
                const ModelLine& line) {
    const LineList list = BuildLineList(m, c, pop, 0.0, line.nu - 0.001, line.nu + 0.001);
    double w = 0.0;
    for (const DrawnLine& d : list.levels[0]) w += d.weight;
    return w;
}

TEST(SaturatedLif, UpperLevelHoldsItsDegeneracyShareOfTheLowerPopulation) {
    // NO A-X R2(1.5) and O12(1.5) start from lower levels F2, J'' = 1.5 (row 2, the two Λ-doublet
    // components) and reach J' = 2.5 and 0.5: two-level saturation leaves 6/(6 + 4) = 0.60 and
    // 2/(2 + 4) = 0.33 of the lower population in the upper level.
    ShippedSystem no("NO", "(A-X)");
    const populations::Populations pop = no.Thermal(SpectrumKind::LifExcitation, 300.0f);
    SimulationConditions c;
    c.kind = SpectrumKind::LifExcitation;
    c.unit = AxisUnit::Wavenumber;
    c.lifRegime = LifRegime::Saturated;
    const ModelLine& r2 = LineOf(*no.model, 6, 2);
    const ModelLine& o12 = LineOf(*no.model, 7, 2);
    const BranchTable& t = no.model->Branches(ElectronicState::Lower);
    const double lowerR2 = pop.rotational(0, t.lower[6], 2), lowerO12 = pop.rotational(0, t.lower[7], 2);
    ASSERT_GT(lowerR2 * lowerO12, 0.0);
    EXPECT_NEAR(WeightOf(*no.model, c, pop, r2) / lowerR2, 0.6, 1e-6);
    EXPECT_NEAR(WeightOf(*no.model, c, pop, o12) / lowerO12, 1.0 / 3.0, 1e-6);
}

}  // namespace
}  // namespace velmora::simulation
