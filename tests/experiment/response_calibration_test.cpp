// Intensity calibration: a spectrum divided by a spectral response interpolated linearly, and
// the responses and spectra that cannot be divided.
#include "experiment/response_calibration.h"

#include <gtest/gtest.h>

#include <fstream>

#include "experiment/spectrum_list.h"
#include "experiment_fixtures.h"
#include "support/file_error.h"
#include "support/temp_dir.h"

namespace velmora::experiment {
namespace {

TEST(ResponseCalibration, DividesByTheInterpolatedResponseAndRescalesTo100) {
    testing::AppFixture f;
    testing::TempDir dir;
    const std::string spectrum = (dir.path() / "s.dat").string(), response = (dir.path() / "r.txt").string();
    std::ofstream(spectrum) << "3000 10\n3010 20\n3020 40\n";
    // In nm (below 1000, taken as nm as in spectrum files), with a header line.
    std::ofstream(response) << "wavelength (nm), efficiency\n299.0, 0.5\n302.0, 2.0\n";
    ASSERT_EQ(LoadResponse(f.app, response), "");
    LoadSpectrum(f.app, spectrum);
    // Response at 3000, 3010, 3020 Å: 1.0, 1.5, 2.0 (linear between 2990 and 3020 Å), so
    // y / response = 10, 13.33, 20, scaled to 50, 66.67, 100.
    ASSERT_EQ(f.app.exp.ExpPoints, 2);
    EXPECT_NEAR(f.app.exp.ExpYRaw(0), 50.0f, 1e-4);
    EXPECT_NEAR(f.app.exp.ExpYRaw(1), 200.0f / 3.0f, 1e-4);
    EXPECT_NEAR(f.app.exp.ExpYRaw(2), 100.0f, 1e-4);
    EXPECT_TRUE(f.dialogs.messages.empty());

    // A spectrum beyond the response, or a response of 0 inside it, is named and left as read.
    std::ofstream(response) << "2990 1\n3015 1\n";
    ASSERT_EQ(LoadResponse(f.app, response), "");
    ASSERT_FALSE(f.dialogs.messages.empty());
    EXPECT_NE(
        f.dialogs.messages.back().find("r.txt: the response covers 2990..3015 Å, not the spectrum's point at 3020 Å"),
        std::string::npos)
        << f.dialogs.messages.back();
    EXPECT_NEAR(f.app.exp.ExpYRaw(2), 100.0f, 1e-4);
    EXPECT_NEAR(f.app.exp.ExpYRaw(0), 25.0f, 1e-4);
    std::ofstream(response) << "2990 1\n3010 0\n3030 1\n";
    LoadResponse(f.app, response);
    EXPECT_NE(f.dialogs.messages.back().find("r.txt: the response is 0 or below at 3010 Å"), std::string::npos);

    // Files that are no response at all.
    std::ofstream(response) << "3000 1\n2990 1\n";
    EXPECT_NE(testing::FileErrorMessage([&] {
                  ReadResponseFile(response);
              }).find("r.txt, line 2: the wavelengths must increase"),
              std::string::npos);
    std::ofstream(response) << "3000 1\n";
    EXPECT_NE(LoadResponse(f.app, response).find("r.txt: a spectral response needs at least two points"),
              std::string::npos);
    EXPECT_FALSE(f.app.exp.Response);
    EXPECT_EQ(LoadResponse(f.app, ""), "");
}

}  // namespace
}  // namespace velmora::experiment
