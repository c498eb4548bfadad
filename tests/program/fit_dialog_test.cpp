// The Fit dialog's rules: its settings between runs, the request it makes from the screen and
// the loaded spectrum, its failures, and Apply on the program's state.
#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>

#include "common/numerics.h"
#include "experiment/spectrum_list.h"
#include "fit/fit_errors.h"
#include "program/fit_dialog.h"
#include "simulation/shipped_system.h"
#include "support/temp_dir.h"

namespace velmora::program {
namespace {

TEST(FitDialog, RemembersItsSettingsMakesTheRequestFromTheLoadedSpectrumAndApplyReSimulates) {
    testing::ShippedSystem oh("OH", "(A-X)");
    AppState& app = oh.app;
    FitDialogState d = NewFitDialog(app);
    ASSERT_EQ(d.rows.size(), 11u);
    d.rows[0].value = "1500", d.rows[0].min = "300", d.rows[0].max = "5000";
    d.rows[6].free = true;  // shift
    d.exclusions = "3090:3091";
    d.weighting = 2;
    MemoryStore store;
    SaveFitDialog(d, store);
    FitDialogState back = NewFitDialog(app);
    LoadFitDialog(back, store);
    EXPECT_EQ(back.rows[0].value, "1500");
    EXPECT_EQ(back.rows[0].max, "5000");
    EXPECT_TRUE(back.rows[6].free);
    EXPECT_EQ(back.exclusions, "3090:3091");
    EXPECT_EQ(back.weighting, 2);

    EXPECT_THROW(FitRequestFromDialog(app, d), fit::FitInputError);  // no spectrum loaded yet

    // A thermal spectrum at 2000 K, 0.2 Å, with noise, loaded as the user loads one.
    const simulation::SimulationConditions c = [] {
        simulation::SimulationConditions k;
        k.start = 3080.0, k.end = 3100.0, k.temperature = 2000.0, k.resolution = 0.2;
        return k;
    }();
    const simulation::Spectrum s = simulation::Simulate(*oh.model, c, oh.Thermal(c.kind, 2000.0f));
    testing::TempDir dir;
    {
        std::ofstream out(dir / "oh.txt");
        GaussianDeviate noise(3);
        out << std::setprecision(9);
        for (int i = 0; i <= s.grid.last; ++i) out << s.grid.X(i) << " " << s.total(i) + 0.5 * noise.Next() << "\n";
    }
    experiment::LoadSpectrum(app, (dir / "oh.txt").string());
    d.rows[0].value = "1500";
    d.weighting = 0;
    d.rows[9].value = "0.15";
    d.rows[9].free = true;
    fit::FitRequest r = FitRequestFromDialog(app, d);
    EXPECT_EQ(r.systems.size(), 1u);
    EXPECT_EQ(r.excluded.size(), 1u);
    EXPECT_EQ(r.settings.start.at("t"), 1500.0);
    const fit::FitResult result = fit::FitSpectrum(r);
    EXPECT_NEAR(result.Value("t"), 2000.0, 3.0 * result.Uncertainty("t"));
    const auto table = FitResultTable(result, simulation::AxisUnit::AngstromVacuum);
    EXPECT_EQ(table.front()[0], "t");
    EXPECT_NE(table.front()[1].find("±"), std::string::npos);

    ApplyFitResult(app, result);
    EXPECT_NEAR(app.pop.Temperature, result.Value("t"), 0.5);
    EXPECT_NEAR(app.sim.InstrumentalResolution, result.Value("gauss"), 1e-4);
    EXPECT_EQ(app.plot.HideResiduals, 0);

    d.rows[0].value = "hot";
    try {
        FitRequestFromDialog(app, d);
        ADD_FAILURE() << "a value that is not a number was taken";
    } catch (const fit::FitInputError& e) {
        EXPECT_NE(std::string(e.what()).find("t value"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace velmora::program
