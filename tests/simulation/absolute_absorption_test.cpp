// Absorption in absolute units: one line's integrated cross section against the textbook value
// computed from its Einstein A, degeneracies and wavenumber, on wavenumber and wavelength axes.
#include "simulation/absolute_absorption.h"

#include <gtest/gtest.h>

#include <cmath>

#include "database/line_positions.h"
#include "program/simulation_run.h"
#include "support/condition_controls.h"
#include "synthetic_system.h"

namespace velmora::simulation {
namespace {

TEST(AbsoluteAbsorption, OneLineIntegratesToItsLineStrength) {
    const double A = 2.0e6, nu = 32200.0, T = 300.0, fraction = 0.01, F0 = 3.0e7;
    const database::BranchShape shape = database::BranchShapeOf(1);
    const int N = 3;
    const double gLow = database::TwiceJ(N, shape.lowerF) + 1.0,
                 gUp = database::TwiceJ(N + shape.deltaN, shape.upperF) + 1.0;
    // S = g_u A / (8 pi c nu^2 g_l) x fraction x (1 - exp(-c2 nu / T)), c in cm/s: cm per molecule.
    const double S =
        gUp * A / (8.0 * M_PI * 2.99792458e10 * nu * nu * gLow) * fraction * (1.0 - std::exp(-1.438776877 * nu / T));

    for (int units : {3, 1}) {
        AppState app;
        testing::SyntheticSystem sys(app);
        testing::Choose(app, "kind", 2);
        app.sim.conditions.unit = StoredMode<simulation::AxisUnit>(units);
        app.sim.conditions.start = Val(units == 3 ? " 32100" : " 3100");
        app.sim.conditions.end = Val(units == 3 ? " 32300" : " 3112");
        app.sim.conditions.resolution = units == 3 ? 1.0f : 0.1f;
        app.sim.conditions.predissociationBroadening = false;
        app.pop.Temperature = static_cast<float>(T);
        sys.SetPopulations({1.0f}, static_cast<float>(fraction));
        // The database's absorption coefficient of a line is A g_u / (g_l nu^3) in units of F0.
        sys.AddLine({0, 0, 1, N, nu, 1.0f, static_cast<float>(A * gUp / (gLow * nu * nu * nu) / F0)});
        app.db.LineUnitFactor[0] = F0;
        testing::Choose(app, "absorption-units", 1);
        program::CalculateSimulation(app, sys.Loader());
        ASSERT_EQ(app.sim.SimAbsolute.size(), static_cast<std::size_t>(app.sim.result.grid.last) + 1);
        const double step = static_cast<double>(app.sim.result.grid.gridWidth) / app.sim.result.grid.pointsPerWidth;
        double integral = 0.0, peak = 0.0;
        for (int i = 0; i <= app.sim.result.grid.last; ++i) {
            const double x = app.sim.result.grid.start + step * i;
            const double dNu = units == 3 ? step : step * 1e8 / (x * x);  // d(nu) of a point
            integral += app.sim.SimAbsolute[static_cast<std::size_t>(i)] * dNu;
            peak = std::max(peak, app.sim.SimAbsolute[static_cast<std::size_t>(i)]);
        }
        EXPECT_NEAR(integral, S, 1e-3 * S) << "units " << units;
        if (units == 3) {
            EXPECT_NEAR(peak, S * 0.93944 / 1.0, 5e-3 * S);  // Gaussian of FWHM 1 cm-1: peak 2 sqrt(ln 2 / pi) / f
        }
    }

    // Beer-Lambert for a column: absorbance tau / ln 10, transmittance exp(-tau).
    SimulationConditions c;
    c.absorptionUnit = AbsorptionUnit::Transmittance;
    c.numberDensity = 1e14;
    c.pathLength = 10.0;
    EXPECT_NEAR(AbsorptionInUnit({1e-15}, c)[0], std::exp(-1.0), 1e-12);
    c.absorptionUnit = AbsorptionUnit::Absorbance;
    c.columnDensity = 2e15;
    EXPECT_NEAR(AbsorptionInUnit({1e-15}, c)[0], 2.0 / std::log(10.0), 1e-12);
    c.columnDensity = c.numberDensity = 0.0;
    EXPECT_THROW(AbsorptionInUnit({1e-15}, c), ConditionError);
}

}  // namespace
}  // namespace velmora::simulation
