// Fits recover what synthetic spectra were made with, each within 2σ: an axis that is shifted,
// stretched and bent; a vibrational temperature apart from the rotational one (the levels weighed
// by the term values of the literature); the laser width of a LIF excitation scan; an absorption
// spectrum's temperature.
#include <gtest/gtest.h>

#include <cmath>

#include "fit/synthetic_spectra.h"

namespace velmora::fit {
namespace {

using testing::FitFixture;
using testing::Truth;

FitFixture& OH() { return testing::OHFixture(); }

/// T_v of OH A v' = 0..4 (data-src/OH_AX/levels_A.csv, MoLLIST term values), cm-1.
const std::vector<double> kOHATerms = {32420.9144, 35409.513002, 38202.578508, 40796.107946, 43181.741913};

struct Case {
    const char* what;
    Truth truth;
    double x0, step;
    int points;
    std::vector<std::string> free;
    std::vector<std::pair<const char*, double>> expected;  ///< name and true value
    std::vector<std::pair<const char*, double>> start;
};

TEST(FitRecovery, AxisTermsVibrationalTemperatureLaserWidthAndAbsorptionAreRecoveredWithin2Sigma) {
    Truth axis;
    axis.noise = 1.0, axis.shift = 0.02, axis.stretch = 1e-4, axis.quadratic = 2e-6;
    Truth vib;
    vib.noise = 0.5, vib.vibrationalTemperature = 5000.0f, vib.vibrationalTerms = kOHATerms;
    Truth lif;
    lif.kind = simulation::SpectrumKind::LifExcitation, lif.noise = 1.0;
    Truth absorption;
    absorption.kind = simulation::SpectrumKind::Absorption, absorption.noise = 1.0, absorption.temperature = 1200.0f;
    const Case cases[] = {
        {"axis",
         axis,
         3060.0,
         0.0467,
         3000,
         {"t", "scale", "baseline", "shift", "stretch", "quadratic", "gauss"},
         {{"shift", 0.02}, {"stretch", 1e-4}, {"quadratic", 2e-6}, {"t", 2000.0}},
         {}},
        {"tvib",
         vib,
         3060.0,
         0.0467,
         3000,
         {"t", "tvib", "scale", "baseline"},
         {{"tvib", 5000.0}, {"t", 2000.0}},
         {{"tvib", 3000.0}}},
        {"laser",
         lif,
         3080.0,
         0.02,
         1000,
         {"t", "scale", "baseline", "laser"},
         {{"laser", 0.1}, {"t", 2000.0}},
         {{"laser", 0.07}}},
        {"absorption", absorption, 3080.0, 0.02, 1000, {"t", "scale", "baseline"}, {{"t", 1200.0}}, {}},
    };
    for (const Case& c : cases) {
        GaussianDeviate noise(31);
        const MeasuredSpectrum m =
            Measure({Signal(OH(), c.truth, c.x0, c.step, c.points)}, c.truth, c.x0, c.step, noise);
        FitRequest r = testing::Request({OH().system}, m, 5 * c.step, 1500.0);
        r.conditions.kind = c.truth.kind;
        r.settings.free = c.free;
        for (const auto& [name, value] : c.start) r.settings.start[name] = value;
        const FitResult fit = FitSpectrum(r);
        for (const auto& [name, value] : c.expected) {
            EXPECT_NEAR(fit.Value(name), value, 2.0 * fit.Uncertainty(name)) << c.what << ": " << name;
            EXPECT_GT(fit.Uncertainty(name), 0.0) << c.what << ": " << name;
        }
    }
}

}  // namespace
}  // namespace velmora::fit
