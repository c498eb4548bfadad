// Fits with a line list read from files as the band system: the OH A-X export read back in both
// formats gives the temperature the catalogue system's fit gives on the same spectrum, and the
// parameters a line list cannot have are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "database/line_list_export.h"
#include "database/line_list_files.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

/// The OH A-X export written in both formats and read back as fitted systems.
struct ReadOh {
    testing::TempDir dir;
    FitSystem exomol, hitran;
    ReadOh() {
        DatabaseState db = testing::OHFixture().shipped.app.db;
        Shell quiet;
        const database::ExportedLineList exported = database::CollectLineList(db, db.systemEntry, quiet);
        database::WriteExoMol(exported, (dir / "16O-1H__OH").string());
        database::WriteHitran(exported, (dir / "oh").string());
        auto read = [](const std::filesystem::path& p) {
            return MakeFitSystem(
                std::make_shared<const database::ImportedLineList>(database::ReadLineList(p.string())));
        };
        exomol = read(dir / "16O-1H__OH.def");
        hitran = read(dir / "oh.par");
    }
};

ReadOh& Oh() {
    static ReadOh oh;
    return oh;
}

TEST(LineListFit, TheReadOhExportFitsTheCatalogueFitsTemperatureScaleAndWidth) {
    testing::FitFixture& cat = testing::OHFixture();
    constexpr double x0 = 3060.0, step = 140.0 / 2999.0;
    for (float T : {1200.0f, 2500.0f}) {
        testing::Truth t;
        t.temperature = T;
        t.baseline = 2.0, t.shift = 0.02, t.noise = 1.0;
        GaussianDeviate noise(17);
        const MeasuredSpectrum m = testing::Measure({testing::Signal(cat, t, x0, step, 3000)}, t, x0, step, noise);
        const char* free[] = {"t", "scale", "baseline", "shift", "gauss"};
        auto fit = [&](const FitSystem& s) {
            FitRequest r = testing::Request({s}, m, 5 * step * 1.3, 0.6 * T);
            r.settings.free.assign(std::begin(free), std::end(free));
            return FitSpectrum(r);
        };
        const FitResult reference = fit(cat.system);
        ASSERT_NEAR(reference.Value("t"), T, 2.0 * reference.Uncertainty("t"));
        for (const FitSystem* s : {&Oh().exomol, &Oh().hitran}) {
            SCOPED_TRACE(s->label + " at " + std::to_string(T));
            const FitResult r = fit(*s);
            // The same spectrum and the same lines: closer to the catalogue fit than its own sigma.
            for (const char* name : free)
                EXPECT_NEAR(r.Value(name), reference.Value(name), 0.3 * reference.Uncertainty(name)) << name;
            EXPECT_NEAR(r.Uncertainty("t"), reference.Uncertainty("t"), 0.1 * reference.Uncertainty("t"));
            EXPECT_NEAR(r.reducedChiSquare, reference.reducedChiSquare, 0.01);
        }
    }
}

TEST(LineListFit, ParametersOfVibrationalLevelsAndTheBoltzmannPlotAreRefused) {
    testing::FitFixture& cat = testing::OHFixture();
    testing::Truth t;
    GaussianDeviate noise(3);
    const MeasuredSpectrum m = testing::Measure({testing::Signal(cat, t, 3060.0, 0.05, 2000)}, t, 3060.0, 0.05, noise);
    for (const char* extra : {"tvib", "pop"}) {
        FitRequest r = testing::Request({Oh().exomol}, m, 0.25, 1500.0);
        r.settings.free = {"t", "scale", extra};
        try {
            FitSpectrum(r);
            ADD_FAILURE() << extra << " accepted";
        } catch (const FitInputError& e) {
            EXPECT_NE(std::string(e.what()).find("one temperature for every level"), std::string::npos) << e.what();
        }
    }
    const FitRequest r = testing::Request({Oh().hitran}, m, 0.25, 1500.0);
    EXPECT_THROW(FitBoltzmannPlot(r, 0), FitInputError);
}

}  // namespace
}  // namespace velmora::fit
