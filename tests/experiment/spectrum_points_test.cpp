// The spectrum reader as fits and scripts use it (double precision, the uncertainties of a
// column named for them): the columns it takes, what it refuses, and the uncertainties of the
// spectrum shown, which follow its intensities through scaling, response and corrections.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "experiment/corrections.h"
#include "experiment/response_calibration.h"
#include "experiment/shown_uncertainties.h"
#include "experiment/spectrum_formats.h"
#include "experiment/spectrum_list.h"
#include "experiment_fixtures.h"
#include "support/temp_dir.h"

namespace velmora::experiment {
namespace {

TEST(ReadSpectrumPoints, TakesTheUncertaintiesOnlyFromTheColumnNamedAndPassesOverThem) {
    const testing::TempDir dir;
    struct Case {
        std::string_view name, text;
        int column, sigmaColumn;
        std::vector<double> y, sigma;
    } cases[] = {
        // Plain columns: the intensity is the first after x that is not σ, and x is never sought
        // in the column of σ, although here it falls steadily where x and y step by one.
        {"named.txt", "3080 1 0.5\n3081 2 0.25\n", 0, 3, {1, 2}, {0.5, 0.25}},
        {"first.txt", "3080 0.5 1\n3081 0.25 2\n", 0, 2, {1, 2}, {0.5, 0.25}},
        // A table with a header: the last column or the one chosen, never σ.
        {"sigma.csv", "nm,raw,calibrated,sigma\n308,1,5,3\n308.1,2,6,4\n", 0, 4, {5, 6}, {3, 4}},
        {"chosen.csv", "nm,raw,calibrated,sigma\n308,1,5,3\n308.1,2,6,4\n", 2, 4, {1, 2}, {3, 4}},
    };
    for (const Case& c : cases) {
        const SpectrumRead r = ReadSpectrumPoints(dir.Write(c.name, c.text).string(), {0, 1, c.column, c.sigmaColumn});
        EXPECT_EQ(r.points.y, c.y) << c.name;
        EXPECT_EQ(r.points.sigma, c.sigma) << c.name;
    }
}

TEST(ReadSpectrumPoints, RefusesWhatItCannotReadNamingTheFileAndTheProblem) {
    const testing::TempDir dir;
    const std::string jcamp =
        "##TITLE=t\r\n##JCAMP-DX=5.01\r\n##XUNITS=1/CM\r\n##XYPOINTS=(XY..XY)\r\n1,1 2,2\r\n##END=";
    for (const char* pipe : {"pipe.dat", "pipe.spe"}) ASSERT_EQ(mkfifo((dir / pipe).c_str(), 0600), 0);
    struct Case {
        std::string name, text;  // no text: not written
        int sigmaColumn;
        std::string message;
    } cases[] = {
        {"pipe.dat", "", 0, "pipe.dat: is not a regular file (a named pipe)"},
        {"pipe.spe", "", 0, "pipe.spe: is not a regular file (a named pipe)"},
        {"missing.spe", "", 0, "missing.spe: file not found"},
        {"s.jdx", jcamp, 3, "(read as JCAMP-DX): uncertainties from column 3 were asked for, but JCAMP-DX holds"},
        {"cam.asc", "3080\t1\t2\n3081\t3\t4\n", 3, "(read as Andor ASCII): uncertainties from column 3"},
        {"two.txt", "3080 1\n3081 2\n", 3,
         "two.txt (read as columns of numbers), line 1: uncertainties in column 3 "
         "chosen, the file has 2 columns"},
        {"alone.txt", "3080 1\n3081 2\n", 2,
         "no column is left for the intensity (x in column 1, the uncertainties "
         "in column 2)"},
    };
    for (const Case& c : cases) {
        const std::string path = c.text.empty() ? (dir / c.name).string() : dir.Write(c.name, c.text).string();
        try {
            ReadSpectrumPoints(path, {0, 1, 0, c.sigmaColumn});
            ADD_FAILURE() << "read: " << c.name;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(path, 0), 0u) << e.what();
        }
    }
}

TEST(ShownUncertainties, FollowTheIntensitiesThroughScalingResponseAndFactor) {
    // The third column repeats the intensity: its uncertainties, scaled as the intensities
    // were, must be the intensities shown before the baseline comes off.
    testing::AppFixture f;
    const testing::TempDir dir;
    const std::string spectrum = dir.Write("s.dat", "3000 10 10\n3010 20 20\n3020 40 40\n3030 30 30\n").string();
    ASSERT_EQ(LoadResponse(f.app, dir.Write("r.txt", "2990 0.5\n3040 2\n").string()), "");
    LoadSpectrum(f.app, spectrum);
    TxtMultiply_Change(f.app, "2.5");
    TxtBaseline_Change(f.app, "4");
    const ExperimentState& exp = f.app.exp;
    const std::vector<double> sigma = ShownUncertainties(exp, simulation::StoredValue(f.app.sim.conditions.unit), 3);
    ASSERT_EQ(sigma.size(), 4u);
    for (int i = 0; i <= exp.ExpPoints; ++i)
        EXPECT_NEAR(sigma[static_cast<std::size_t>(i)], exp.ExpY(i) + 4.0 * 2.5, 1e-4) << i;
    // A file changed since it was loaded no longer holds the points shown.
    std::ofstream(spectrum) << "3000 10 10\n3010 20 20\n";
    EXPECT_THROW(ShownUncertainties(exp, simulation::StoredValue(f.app.sim.conditions.unit), 3), FileError);
}

}  // namespace
}  // namespace velmora::experiment
