// The Fit dialog's rules: its settings between runs, the request it makes from the screen and
// the loaded spectrum (of the selected system or of an opened line list), its failures, and
// Apply on the program's state.
#include "program/fit_dialog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iomanip>

#include "common/numerics.h"
#include "common/services.h"
#include "database/line_list_export.h"
#include "database/line_list_files.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/spectrum_list.h"
#include "fit/batch.h"
#include "fit/fit_errors.h"
#include "populations/populations_window.h"
#include "program/line_list_system.h"
#include "program/main_window.h"
#include "program/multiplet_band_system.h"
#include "simulation/condition_view.h"
#include "simulation/line_set_simulation.h"
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
    const auto table = FitResultTable(result);
    EXPECT_EQ(table.front()[0], "t");
    EXPECT_NE(table.front()[1].find("±"), std::string::npos);
    // The scale's unit holds y, and the table says what y is.
    EXPECT_EQ(table.back()[0], "y");
    EXPECT_EQ(table.back()[1], "intensity unit of the measured spectrum");

    ApplyFitResult(app, result);
    EXPECT_NEAR(app.pop.Temperature, result.Value("t"), 0.5);
    EXPECT_NEAR(app.sim.conditions.resolution, result.Value("gauss"), 1e-4);
    EXPECT_EQ(app.plot.HideResiduals, 0);

    d.rows[0].value = "hot";
    try {
        FitRequestFromDialog(app, d);
        ADD_FAILURE() << "a value that is not a number was taken";
    } catch (const fit::FitInputError& e) {
        EXPECT_NE(std::string(e.what()).find("t value"), std::string::npos) << e.what();
    }
}

TEST(FitDialog, WeightsFromAColumnGiveTheFitOfTheCommandLineOnTheSameFile) {
    testing::ShippedSystem oh("OH", "(A-X)");
    AppState& app = oh.app;
    // x, y and σ per line, the noise of each point drawn with its σ (0.2 to 2 of a peak of 100).
    // The x lie 1/64 Å apart, which single precision holds exactly, as the program holds them.
    simulation::SimulationConditions c;
    c.start = 3080.0, c.end = 3100.0, c.temperature = 2000.0, c.resolution = 0.2;
    const simulation::Spectrum s = simulation::Simulate(*oh.model, c, oh.Thermal(c.kind, 2000.0f));
    testing::TempDir dir;
    const std::string path = (dir / "oh.txt").string();
    {
        std::ofstream out(path);
        GaussianDeviate noise(8);
        out << std::setprecision(12);
        constexpr int n = 1200;
        for (int i = 0, k = 0; i < n; ++i) {
            const double x = 3081.0 + i / 64.0, sigma = 0.2 + 1.8 * i / n;
            while (s.grid.X(k + 1) < x) ++k;
            const double f = (x - s.grid.X(k)) / (s.grid.X(k + 1) - s.grid.X(k));
            out << x << " " << (1 - f) * s.total(k) + f * s.total(k + 1) + sigma * noise.Next() << " " << sigma << "\n";
        }
    }
    experiment::LoadSpectrum(app, path);
    FitDialogState d = NewFitDialog(app);
    d.rows[9].value = "0.2";  // the instrument's width
    d.weighting = static_cast<int>(fit::Weighting::FileColumn);
    try {
        FitRequestFromDialog(app, d);
        ADD_FAILURE() << "weights from a column without a column";
    } catch (const fit::FitInputError& e) {
        EXPECT_NE(std::string(e.what()).find("choose the column"), std::string::npos) << e.what();
    }
    d.sigmaColumn = 4;
    EXPECT_THROW(FitRequestFromDialog(app, d), fit::FitInputError);  // the file has 3 columns
    d.sigmaColumn = 3;
    MemoryStore store;
    SaveFitDialog(d, store);
    FitDialogState back = NewFitDialog(app);
    LoadFitDialog(back, store);
    EXPECT_EQ(back.sigmaColumn, 3);

    // The command line reads the file itself (fit --spectrum oh.txt --sigma-column 3) with the
    // same conditions; the dialog fits the spectrum shown, y scaled to a peak of 100 in single
    // precision, σ with them: the two agree to the rounding of single precision.
    const fit::FitRequest dialog = FitRequestFromDialog(app, d);
    fit::FitRequest line = dialog;
    line.reading.sigmaColumn = 3;
    line.spectrum = fit::ReadMeasuredSpectrum(path, fit::FileReading(line));
    const fit::FitResult a = fit::FitSpectrum(dialog), b = fit::FitSpectrum(line);
    EXPECT_NEAR(a.reducedChiSquare, 1.0, 0.2);
    for (const char* name : {"t", "baseline"}) {
        SCOPED_TRACE(name);
        const double scale =
            name[0] == 't' ? 1.0 : 100.0 / *std::max_element(line.spectrum.y.begin(), line.spectrum.y.end());
        EXPECT_NEAR(a.Value(name), b.Value(name) * scale, 1e-4 * b.Uncertainty(name) * scale);
        EXPECT_NEAR(a.Uncertainty(name), b.Uncertainty(name) * scale, 1e-4 * b.Uncertainty(name) * scale);
    }
    EXPECT_NEAR(a.chiSquare, b.chiSquare, 1e-6 * b.chiSquare);

    // The corrections move the points shown; σ follow the intensities, so the temperature stays.
    experiment::TxtMultiply_Change(app, "2.5");
    experiment::TxtBaseline_Change(app, "3");
    const fit::FitResult corrected = fit::FitSpectrum(FitRequestFromDialog(app, d));
    EXPECT_NEAR(corrected.Value("t"), a.Value("t"), 1e-4 * a.Uncertainty("t"));
    EXPECT_NEAR(corrected.chiSquare, a.chiSquare, 1e-6 * a.chiSquare);
}

/// Relative population of vibrational level v to level 0 of the populated state at a vibrational
/// and a rotational temperature, from first principles: exp(−(G_v − G_0)/kT_vib) times the ratio
/// of the rotational partition functions Σ g exp(−E/kT_rot) over each level's rotational terms.
double BoltzmannRatio(const AppState& app, int v, double tvib, double trot) {
    const int s = StateIndex(app.pop.PopState);
    auto q = [&](int level) {
        double sum = 0.0;
        for (const populations::RotationalTerm& term : populations::RotationalTerms(app.pop, app.db, level))
            sum += term.degeneracy * std::exp(-term.energy / (kBoltzmannWavenumber * trot));
        return sum;
    };
    const double dG = app.db.MolConst(s, v, 0) - app.db.MolConst(s, 0, 0);
    return std::exp(-dG / (kBoltzmannWavenumber * tvib)) * q(v) / q(0);
}

/// Largest difference, in % of the simulation's peak, between the program's simulation at the
/// corrected spectrum's fitted points and the fit's model carried to the corrected spectrum:
/// y_new − K·(y − model), K the factor Apply set ("Multiply by" new over old).
double OverlayError(AppState& app, const fit::FitResult& r, double K) {
    EXPECT_TRUE(experiment::BuildSimX(app.exp, app.sim.result));
    double worst = 0.0, s = 0.0;
    for (int i = 0; i <= app.exp.ExpPoints; ++i)
        if (r.fitted[static_cast<std::size_t>(i)] &&
            experiment::SimulationAt(app.exp, app.sim.result, app.exp.ExpX(i), s))
            worst = std::max(worst, std::fabs(s - (app.exp.ExpY(i) - K * r.residual[static_cast<std::size_t>(i)])));
    return worst;
}

TEST(FitDialog, TheSystemOnTheScreenIsFittedAnOpenedLineListOrASystemOfAnyMultiplicity) {
    testing::ShippedSystem oh("OH", "(A-X)");
    AppState& app = oh.app;
    testing::TempDir dir;
    {
        DatabaseState db = app.db;
        Shell quiet;
        database::WriteExoMol(database::CollectLineList(db, db.systemEntry, quiet), (dir / "16O-1H__OH").string());
    }
    OpenLineList(app, (dir / "16O-1H__OH.def").string());
    // The list's own emission at 2000 K, 0.2 A, with noise, loaded as the user loads a spectrum.
    simulation::SimulationConditions c;
    c.start = 3080.0, c.end = 3100.0, c.temperature = 2000.0, c.resolution = 0.2;
    const simulation::Spectrum s = simulation::SimulateLineSet(*app.sim.LineList, c);
    {
        std::ofstream out(dir / "list.txt");
        GaussianDeviate noise(7);
        out << std::setprecision(9);
        for (int i = 0; i <= s.grid.last; ++i) out << s.grid.X(i) << " " << s.total(i) + 0.5 * noise.Next() << "\n";
    }
    experiment::LoadSpectrum(app, (dir / "list.txt").string());
    FitDialogState d = NewFitDialog(app);
    d.rows[0].value = "1500";
    d.rows[9].value = "0.15", d.rows[9].free = true;
    const fit::FitRequest r = FitRequestFromDialog(app, d);
    ASSERT_EQ(r.systems.size(), 1u);
    EXPECT_TRUE(r.systems[0].lineList);  // the list the screen simulates, not the catalogue's OH
    const fit::FitResult result = fit::FitSpectrum(r);
    EXPECT_NEAR(result.Value("t"), 2000.0, 3.0 * result.Uncertainty("t"));
    ApplyFitResult(app, result);
    EXPECT_NEAR(app.sim.conditions.temperature, result.Value("t"), 0.5);
    ASSERT_TRUE(app.sim.LineList);
    EXPECT_TRUE(simulation::HasSimulation(app.sim));
    EXPECT_NE(app.sim.result.system.find("16O-1H__OH"), std::string::npos);
    // A system of any multiplicity in its place: fitted with the populations of its own levels.
    CloseLineList(app);
    SelectMultipletSystem(app, app.db.cat.CatalogueCount + 1);
    const fit::FitRequest n2 = FitSettingsFromDialog(app, d);
    EXPECT_EQ(n2.systems[0].label, "N2 (C-B)");
    EXPECT_TRUE(n2.systems[0].multiplet);
}

TEST(FitDialog, ApplySetsEveryFittedQuantityAndTheNewSimulationLiesOnTheFitsModel) {
    testing::ShippedSystem oh("OH", "(A-X)");
    AppState& app = oh.app;
    populations::PreparePopulationsWindow(app);
    // OH A-X (0,0) and (1,1) at 2000 K, 0.25 Å, on a baseline of 4, the axis read 0.03 Å long.
    simulation::SimulationConditions c;
    c.start = 3060.0, c.end = 3160.0, c.temperature = 2000.0, c.resolution = 0.25;
    const simulation::Spectrum s = simulation::Simulate(*oh.model, c, oh.Thermal(c.kind, 2000.0f));
    testing::TempDir dir;
    {
        std::ofstream out(dir / "oh.txt");
        GaussianDeviate noise(5);
        out << std::setprecision(9);
        for (int i = 0; i <= s.grid.last; i += 2)
            out << s.grid.X(i) + 0.03 << " " << s.total(i) + 4.0 + 0.3 * noise.Next() << "\n";
    }
    experiment::LoadSpectrum(app, (dir / "oh.txt").string());
    const Array1<float> rawX = app.exp.ExpXRaw, rawY = app.exp.ExpYRaw;
    app.sim.conditions.start = 3061, app.sim.conditions.end = 3159;
    testing::Choose(app, "density", 3);

    // A vibrational temperature of its own; free level populations; one temperature with a
    // Voigt instrument, from populations edited by hand (not thermalised).
    for (const auto& [free, thermalBefore] :
         {std::pair{std::vector<std::string>{"t", "tvib", "scale", "baseline", "shift", "gauss"}, 1},
          std::pair{std::vector<std::string>{"t", "pop", "scale", "baseline"}, 1},
          std::pair{std::vector<std::string>{"t", "scale", "baseline", "shift", "gauss", "lorentz"}, 0}}) {
        SCOPED_TRACE(free[1]);
        FitDialogState d = NewFitDialog(app);
        for (FitDialogRow& row : d.rows) row.free = std::find(free.begin(), free.end(), row.name) != free.end();
        program::ChkThermal_Click(app, thermalBefore);
        const fit::FitResult r = fit::FitSpectrum(FitRequestFromDialog(app, d));
        const double multiply = app.exp.Multiply, correction = app.exp.WavelengthCorrection;
        // Everything is held; only populations made thermal again are said.
        const std::vector<std::string> notes = ApplyFitResult(app, r);
        EXPECT_EQ(notes.size(), thermalBefore ? 0u : 1u);

        // Rotational populations thermal at t, vibrational ones as the fit drew them.
        const double t = r.Value("t"), ratio = app.pop.PopVib(1) / app.pop.PopVib(0);
        EXPECT_EQ(app.sim.conditions.temperature, t);  // in double precision
        for (int v : {0, 1}) EXPECT_NEAR(app.pop.TRot(v), t, 1e-4 * t);
        const bool pops = r.Find("pop(v=1)"), oneTemperature = !pops && !r.Find("tvib");
        EXPECT_NEAR(ratio,
                    pops ? r.Value("pop(v=1)") / r.Value("pop(v=0)")
                         : BoltzmannRatio(app, 1, oneTemperature ? t : r.Value("tvib"), t),
                    1e-4 * ratio);
        EXPECT_EQ(app.pop.ThermalFlag, oneTemperature ? 1 : 0);
        EXPECT_TRUE(!pops || app.popwin.VibrationalMode == DistributionMode::NonThermal);
        EXPECT_TRUE(!oneTemperature || app.sim.conditions.lineshape == simulation::Lineshape::Voigt);
        EXPECT_EQ(app.sim.conditions.resolution, r.Value("gauss") + r.Value("lorentz"));
        EXPECT_NEAR(app.exp.WavelengthCorrection, correction + r.Value("shift"), 1e-5);
        // The strongest check: the program's new simulation is the fit's model on the spectrum
        // as newly corrected, to well below the noise (0.3 of a peak near 100). What remains is
        // the single-precision x of the spectrum shown, rounded once as read and once more with
        // the corrected wavelength (2.4E-4 Å apart at 3100 Å): up to 3.6E-4 Å on line flanks of
        // slope up to 570 per Å (peak 100, FWHM 0.25 Å) is 0.2.
        EXPECT_LT(OverlayError(app, r, app.exp.Multiply / multiply), 0.2);
        EXPECT_EQ(app.plot.HideResiduals, 0);
    }
    // Apply changes conditions and corrections, never the loaded spectrum.
    for (int i = 0; i <= app.exp.ExpPoints; ++i)
        ASSERT_TRUE(app.exp.ExpXRaw(i) == rawX(i) && app.exp.ExpYRaw(i) == rawY(i));

    // What the program cannot hold is said: a second band system, a baseline slope, an axis
    // stretch, a baseline beyond the correction's ±99.
    fit::FitResult two;
    two.systems = {"OH (A-X)", "CN (B-X)"};
    using K = fit::ParameterKind;
    for (auto [kind, system, name, value] : {std::tuple{K::RotationalTemperature, 0, "t:1", 1800.0},
                                             {K::RotationalTemperature, 1, "t:2", 4000.0},
                                             {K::Scale, 1, "scale:2", 3.0},
                                             {K::BaselineOffset, 0, "baseline", 500.0},
                                             {K::BaselineSlope, 0, "slope", 0.01},
                                             {K::Stretch, 0, "stretch", 1e-4}})
        two.parameters.push_back({{kind, system, -1}, name, value, 0.0, 0.0, true});
    std::string notes;
    for (const std::string& n : ApplyFitResult(app, two)) notes += n + "\n";
    EXPECT_NEAR(app.pop.Temperature, 1800.0, 1e-3);
    for (const char* said : {"t:2 = 4000 K", "scale:2 = 3", "slope", "stretch", "baseline = 500"})
        EXPECT_NE(notes.find(said), std::string::npos) << said << " in\n" << notes;

    // On a wavenumber axis the spectrum is fitted in cm-1 as the program shows it.
    testing::Choose(app, "units", simulation::StoredValue(simulation::AxisUnit::Wavenumber));
    EXPECT_FLOAT_EQ(static_cast<float>(FitRequestFromDialog(app, NewFitDialog(app)).spectrum.x.front()),
                    app.exp.ExpX(0));
    EXPECT_GT(app.exp.ExpX(0), 31000.0f);
}

}  // namespace
}  // namespace velmora::program
