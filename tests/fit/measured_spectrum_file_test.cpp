// Measured spectra read for a fit by the program's spectrum reader: one synthetic OH spectrum
// written in every axis unit and layout gives the same fitted temperature (the reading is
// exact), and a column of uncertainties counts only when it is named, and then as 1/σ² weights.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "common/numerics.h"
#include "fit/synthetic_spectra.h"
#include "support/temp_dir.h"

namespace velmora::fit {
namespace {

using experiment::SpectrumReading;
constexpr int kAuto = 0, kVacuum = 1, kAir = 2, kWavenumber = 3, kNmVacuum = 4, kNmAir = 5;

/// OH A-X at 2000 K over 3080-3100 Å, 400 points spaced evenly in air wavelength. Their vacuum
/// wavelengths come from the program's own conversion, so that every unit holds the same points;
/// the intensity is the simulation plus a baseline of 5 and noise whose σ grows from 0.3 to 3.
struct Points {
    std::vector<double> air, vacuum, y, sigma;
};

const Points& Synthetic() {
    static const Points p = [] {
        static testing::FitFixture oh("OH", "(A-X)");
        constexpr int n = 400;
        Points s;
        for (int i = 0; i < n; ++i) {
            s.air.push_back(3080.0 + 0.05 * i);
            s.vacuum.push_back(ConvertAxisValue(s.air.back(), kAir, kVacuum));
        }
        const double step = (s.vacuum.back() - s.vacuum.front()) / (n - 1);
        const std::vector<double> signal = testing::Signal(oh, testing::Truth{}, s.vacuum.front(), step, n);
        GaussianDeviate noise(23);
        for (int i = 0; i < n; ++i) {
            s.sigma.push_back(0.3 + 2.7 * i / (n - 1));
            s.y.push_back(signal[static_cast<std::size_t>(i)] + 5.0 + s.sigma.back() * noise.Next());
        }
        return s;
    }();
    return p;
}

/// A file's text: the header, then per point x (of the point's air and vacuum wavelengths), y and
/// (with a factor above 0) σ times the factor, every digit of each, and the footer.
std::string Text(const char* header, const std::function<double(double, double)>& x, const char* sep,
                 double sigmaFactor = 0.0, const char* footer = "") {
    const Points& p = Synthetic();
    std::string text = header;
    char b[96];
    for (std::size_t i = 0; i < p.y.size(); ++i) {
        std::snprintf(b, sizeof b, "%.17g%s%.17g", x(p.air[i], p.vacuum[i]), sep, p.y[i]);
        text += b;
        if (sigmaFactor > 0.0) std::snprintf(b, sizeof b, "%s%.17g", sep, sigmaFactor * p.sigma[i]), text += b;
        text += "\r\n";
    }
    return text + footer;
}

double Vacuum(double, double v) { return v; }
double NmAir(double a, double) { return a / 10.0; }

/// A spectrometer's CSV: x in nm (air), intensity and σ (times a factor).
std::string Csv(double sigmaFactor) {
    return Text("Wavelength (nm air),Intensity,Uncertainty\r\n", NmAir, ",", sigmaFactor);
}

FitResult FitFile(const std::filesystem::path& file, SpectrumReading how, Weighting weighting = Weighting::Uniform) {
    static testing::FitFixture oh("OH", "(A-X)");
    FitRequest r = testing::Request({oh.system}, ReadMeasuredSpectrum(file.string(), how), 0.25, 1500.0);
    r.weighting = weighting;
    return FitSpectrum(r);
}

TEST(MeasuredSpectrumFile, EveryUnitAndLayoutGivesTheSameTemperature) {
    const Points& p = Synthetic();
    testing::TempDir dir;
    std::string comma = Text("", Vacuum, "\t");
    for (char& c : comma) c = c == '.' ? ',' : c;
    const auto nmVacuum = [](double, double v) { return v / 10.0; };
    const struct {
        const char* name;
        std::string text;
        SpectrumReading how;  // x unit and intensity column, on a vacuum Å axis
    } layouts[] = {
        {"vacuum.txt", Text("", Vacuum, " "), {kAuto, kVacuum, 0, 0}},
        {"air.txt",
         Text(
             "", [](double a, double) { return a; }, " "),
         {kAir, kVacuum, 0, 0}},
        {"nm-air.txt", Text("", NmAir, " "), {kNmAir, kVacuum, 0, 0}},
        {"nm-vacuum.txt", Text("", nmVacuum, " "), {kNmVacuum, kVacuum, 0, 0}},
        {"nm-auto.txt", Text("", nmVacuum, " "), {kAuto, kVacuum, 0, 0}},
        {"wavenumber.txt",
         Text(
             "", [](double, double v) { return 1e8 / v; }, " "),
         {kWavenumber, kVacuum, 0, 0}},
        {"comma.txt", comma, {kAuto, kVacuum, 0, 0}},
        {"spectrum.jdx",
         Text("##TITLE=OH\r\n##JCAMP-DX=5.01\r\n##XUNITS=NANOMETERS\r\n##XYPOINTS=(XY..XY)\r\n", nmVacuum, ",", 0.0,
              "##END=\r\n"),
         {kAuto, kVacuum, 0, 0}},
        {"spectrum.csv", Csv(1.0), {kNmAir, kVacuum, 2, 0}},
    };
    double reference = 0.0;
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.name);
        const auto file = dir.Write(l.name, l.text);
        // The points come back as the vacuum wavelengths they were written from.
        const MeasuredSpectrum m = ReadMeasuredSpectrum(file.string(), l.how);
        ASSERT_EQ(m.x.size(), p.vacuum.size());
        for (std::size_t i = 0; i < m.x.size(); ++i) ASSERT_NEAR(m.x[i], p.vacuum[i], 1e-9) << "point " << i;
        EXPECT_EQ(m.y, p.y);
        EXPECT_TRUE(m.sigma.empty());
        const FitResult r = FitFile(file, l.how);
        if (reference == 0.0) {
            reference = r.Value("t");
            EXPECT_NEAR(reference, 2000.0, 3.0 * r.Uncertainty("t"));
        }
        EXPECT_NEAR(r.Value("t"), reference, 1e-6 * reference);
    }
    // Fitted on other axes with the same instrument width in each unit (0.025 nm, and 0.25 Å of
    // vacuum as Å of air): the positions the fit compares are the vacuum Å ones divided by 10, or
    // by n_air, and the same lines fall on them. The lines are drawn on each axis's own grid,
    // whose points sit elsewhere on the profiles, so the temperatures agree to the accuracy of
    // the drawn profiles (a few 1E-6 here) rather than to the reading's.
    static testing::FitFixture oh("OH", "(A-X)");
    const struct {
        const char* file;
        SpectrumReading how;
        simulation::AxisUnit unit;
        double width;
    } axes[] = {
        {"vacuum.txt", {kAuto, kNmVacuum, 0, 0}, simulation::AxisUnit::NanometreVacuum, 0.025},
        {"nm-vacuum.txt", {kNmVacuum, kNmVacuum, 0, 0}, simulation::AxisUnit::NanometreVacuum, 0.025},
        {"air.txt", {kAir, kAir, 0, 0}, simulation::AxisUnit::AngstromAir, 0.25 / AirIndex(3090.0)},
        {"nm-air.txt", {kNmAir, kNmAir, 0, 0}, simulation::AxisUnit::NanometreAir, 0.025 / AirIndex(3090.0)},
    };
    for (const auto& a : axes) {
        SCOPED_TRACE(std::string("on its own axis: ") + a.file);
        FitRequest r =
            testing::Request({oh.system}, ReadMeasuredSpectrum((dir / a.file).string(), a.how), a.width, 1500.0);
        r.conditions.unit = a.unit;
        EXPECT_NEAR(FitSpectrum(r).Value("t"), reference, 1e-5 * reference);
    }
}

TEST(MeasuredSpectrumFile, AColumnOfUncertaintiesIsUsedOnlyWhenNamedAndThenAsInverseSquareWeights) {
    const Points& p = Synthetic();
    testing::TempDir dir;
    const auto once = dir.Write("sigma.csv", Csv(1.0)), twice = dir.Write("sigma2.csv", Csv(2.0));
    const MeasuredSpectrum named = ReadMeasuredSpectrum(once.string(), {kNmAir, kVacuum, 0, 3});
    EXPECT_EQ(named.y, p.y);  // the intensity passes over the column of σ
    EXPECT_EQ(named.sigma, p.sigma);

    const FitResult uniform = FitFile(once, {kNmAir, kVacuum, 2, 0});
    const FitResult weighted = FitFile(once, {kNmAir, kVacuum, 0, 3}, Weighting::FileColumn);
    const FitResult doubled = FitFile(twice, {kNmAir, kVacuum, 0, 3}, Weighting::FileColumn);
    // Equal weights see the mean variance of the noise; 1/σ² weights make every residual one σ
    // (400 points: the reduced chi-square within 3 of its 0.07 standard deviation of 1).
    double variance = 0.0;
    for (double s : p.sigma) variance += s * s / static_cast<double>(p.sigma.size());
    EXPECT_NEAR(uniform.reducedChiSquare, variance, 0.25 * variance);
    EXPECT_NEAR(weighted.reducedChiSquare, 1.0, 0.2);
    // The weighted mean is the better estimate, and still the truth within 3σ.
    EXPECT_LT(weighted.Uncertainty("t"), 0.9 * uniform.Uncertainty("t"));
    EXPECT_NEAR(weighted.Value("t"), 2000.0, 3.0 * weighted.Uncertainty("t"));
    // Only the ratios of the weights matter: σ doubled leaves the fit and its uncertainties and
    // divides the chi-square by 4.
    EXPECT_NEAR(doubled.Value("t"), weighted.Value("t"), 1e-6 * weighted.Value("t"));
    EXPECT_NEAR(doubled.Uncertainty("t"), weighted.Uncertainty("t"), 1e-4 * weighted.Uncertainty("t"));
    EXPECT_NEAR(doubled.chiSquare, weighted.chiSquare / 4.0, 1e-6 * weighted.chiSquare);
}

}  // namespace
}  // namespace velmora::fit
