// Measured spectra read for a fit by the program's spectrum reader: one synthetic OH spectrum
// written in every axis unit and layout gives the same fitted temperature (the reading is
// exact), and a column of uncertainties counts only when it is named, and then as 1/σ² weights.
#include <gtest/gtest.h>

#include <cmath>
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
constexpr double kTemperature = 2000.0;

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
        testing::Truth t;
        t.temperature = static_cast<float>(kTemperature);
        const double step = (s.vacuum.back() - s.vacuum.front()) / (n - 1);
        const std::vector<double> signal = testing::Signal(oh, t, s.vacuum.front(), step, n);
        GaussianDeviate noise(23);
        for (int i = 0; i < n; ++i) {
            s.sigma.push_back(0.3 + 2.7 * i / (n - 1));
            s.y.push_back(signal[static_cast<std::size_t>(i)] + 5.0 + s.sigma.back() * noise.Next());
        }
        return s;
    }();
    return p;
}

/// Every digit of a double.
std::string Digits(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.17g", v);
    return b;
}

/// Lines "x<sep>y[<sep>σ]" with x = f(point).
std::string Lines(const std::function<double(std::size_t)>& x, const std::string& sep, bool sigma = false,
                  double sigmaFactor = 1.0) {
    const Points& p = Synthetic();
    std::string text;
    for (std::size_t i = 0; i < p.y.size(); ++i)
        text += Digits(x(i)) + sep + Digits(p.y[i]) + (sigma ? sep + Digits(sigmaFactor * p.sigma[i]) : "") + "\r\n";
    return text;
}

/// The CSV of a spectrometer: x in nm (air), intensity and its σ (times a factor).
std::string Csv(double sigmaFactor) {
    return "Wavelength (nm air),Intensity,Uncertainty\r\n" +
           Lines([](std::size_t i) { return Synthetic().air[i] / 10.0; }, ",", true, sigmaFactor);
}

FitResult FitFile(const std::filesystem::path& file, SpectrumReading how, Weighting weighting = Weighting::Uniform) {
    static testing::FitFixture oh("OH", "(A-X)");
    how.axisUnits = kVacuum;
    FitRequest r = testing::Request({oh.system}, ReadMeasuredSpectrum(file.string(), how), 0.25, 1500.0);
    r.weighting = weighting;
    return FitSpectrum(r);
}

TEST(MeasuredSpectrumFile, EveryUnitAndLayoutGivesTheSameTemperature) {
    const Points& p = Synthetic();
    testing::TempDir dir;
    auto vacuum = [&](std::size_t i) { return p.vacuum[i]; };
    auto air = [&](std::size_t i) { return p.air[i]; };
    std::string comma = Lines(vacuum, "\t");
    for (char& c : comma)
        if (c == '.') c = ',';
    std::string jcamp = "##TITLE=OH A-X\r\n##JCAMP-DX=5.01\r\n##XUNITS=NANOMETERS\r\n##YUNITS=COUNTS\r\n##XFACTOR=1\r\n"
                        "##YFACTOR=1\r\n##NPOINTS=" +
                        std::to_string(p.y.size()) + "\r\n##XYPOINTS=(XY..XY)\r\n";
    for (std::size_t i = 0; i < p.y.size(); ++i) jcamp += Digits(p.vacuum[i] / 10.0) + "," + Digits(p.y[i]) + "\r\n";
    jcamp += "##END=\r\n";
    struct Layout {
        const char* name;
        std::string text;
        SpectrumReading how;  // x unit and intensity column
    } layouts[] = {
        {"vacuum.txt", Lines(vacuum, " "), {kAuto, 0, 0, 0}},
        {"air.txt", Lines(air, " "), {kAir, 0, 0, 0}},
        {"nm-air.txt", Lines([&](std::size_t i) { return p.air[i] / 10.0; }, " "), {kNmAir, 0, 0, 0}},
        {"nm-vacuum.txt", Lines([&](std::size_t i) { return p.vacuum[i] / 10.0; }, " "), {kNmVacuum, 0, 0, 0}},
        {"nm-auto.txt", Lines([&](std::size_t i) { return p.vacuum[i] / 10.0; }, " "), {kAuto, 0, 0, 0}},
        {"wavenumber.txt", Lines([&](std::size_t i) { return 1e8 / p.vacuum[i]; }, " "), {kWavenumber, 0, 0, 0}},
        {"comma.txt", comma, {kAuto, 0, 0, 0}},
        {"spectrum.jdx", jcamp, {kAuto, 0, 0, 0}},
        {"spectrum.csv", Csv(1.0), {kNmAir, 0, 2, 0}},
    };
    double reference = 0.0;
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        const auto file = dir.Write(l.name, l.text);
        // The points come back as the vacuum wavelengths they were written from.
        SpectrumReading how = l.how;
        how.axisUnits = kVacuum;
        const MeasuredSpectrum m = ReadMeasuredSpectrum(file.string(), how);
        ASSERT_EQ(m.x.size(), p.vacuum.size());
        for (std::size_t i = 0; i < m.x.size(); ++i) ASSERT_NEAR(m.x[i], p.vacuum[i], 1e-9) << "point " << i;
        EXPECT_EQ(m.y, p.y);
        EXPECT_TRUE(m.sigma.empty());

        const FitResult r = FitFile(file, l.how);
        const double t = r.Value("t");
        if (reference == 0.0) {
            reference = t;
            EXPECT_NEAR(t, kTemperature, 3.0 * r.Uncertainty("t"));
        }
        EXPECT_NEAR(t, reference, 1e-6 * reference);
    }
}

TEST(MeasuredSpectrumFile, AColumnOfUncertaintiesIsUsedOnlyWhenNamedAndThenAsInverseSquareWeights) {
    const Points& p = Synthetic();
    testing::TempDir dir;
    const auto once = dir.Write("sigma.csv", Csv(1.0)), twice = dir.Write("sigma2.csv", Csv(2.0));
    const auto plain = dir.Write("plain.txt", Lines([&](std::size_t i) { return p.vacuum[i]; }, " ", true));

    // Unnamed, the third column is neither the intensity of plain columns nor σ; named, σ, and
    // the intensity passes over it.
    SpectrumReading how{kAuto, kVacuum, 0, 0};
    EXPECT_EQ(ReadMeasuredSpectrum(plain.string(), how).y, p.y);
    EXPECT_TRUE(ReadMeasuredSpectrum(plain.string(), how).sigma.empty());
    how = {kNmAir, kVacuum, 0, 3};
    const MeasuredSpectrum named = ReadMeasuredSpectrum(once.string(), how);
    EXPECT_EQ(named.y, p.y);
    EXPECT_EQ(named.sigma, p.sigma);

    const FitResult uniform = FitFile(once, {kNmAir, 0, 2, 0});
    const FitResult weighted = FitFile(once, {kNmAir, 0, 0, 3}, Weighting::FileColumn);
    const FitResult doubled = FitFile(twice, {kNmAir, 0, 0, 3}, Weighting::FileColumn);
    // Equal weights see the mean variance of the noise; 1/σ² weights make every residual one σ
    // (400 points: the reduced chi-square within 3 of its 0.07 standard deviation of 1).
    double variance = 0.0;
    for (double s : p.sigma) variance += s * s / static_cast<double>(p.sigma.size());
    EXPECT_NEAR(uniform.reducedChiSquare, variance, 0.25 * variance);
    EXPECT_NEAR(weighted.reducedChiSquare, 1.0, 0.2);
    EXPECT_EQ(weighted.weighting, Weighting::FileColumn);
    // The weighted mean is the better estimate, and still the truth within 3σ.
    EXPECT_LT(weighted.Uncertainty("t"), 0.9 * uniform.Uncertainty("t"));
    EXPECT_NEAR(weighted.Value("t"), kTemperature, 3.0 * weighted.Uncertainty("t"));
    // Only the ratios of the weights matter: σ doubled leaves the fit and its uncertainties and
    // divides the chi-square by 4.
    EXPECT_NEAR(doubled.Value("t"), weighted.Value("t"), 1e-6 * weighted.Value("t"));
    EXPECT_NEAR(doubled.Uncertainty("t"), weighted.Uncertainty("t"), 1e-4 * weighted.Uncertainty("t"));
    EXPECT_NEAR(doubled.chiSquare, weighted.chiSquare / 4.0, 1e-6 * weighted.chiSquare);
}

}  // namespace
}  // namespace velmora::fit
