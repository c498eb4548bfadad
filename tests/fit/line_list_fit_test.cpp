// Fits with a line list read from files as the band system: the OH A-X export read back in both
// formats gives the temperature the catalogue system's fit gives on the same spectrum, the
// parameters a line list cannot have are refused, the Boltzmann plot of a hand-made list gives
// back the temperature its spectrum was drawn at, and a list whose lines have pressure widths of
// their own is fitted with those widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/physical_constants.h"
#include "database/line_list_export.h"
#include "database/line_list_files.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_errors.h"
#include "fit/synthetic_spectra.h"
#include "simulation/line_set_simulation.h"
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
    EXPECT_THROW(FitBoltzmannPlot(r, 1), FitInputError);  // a list's levels are one set, v' = 0
}

/// A hand-made ExoMol list of one 1Sigma-1Sigma band of a homonuclear molecule: rigid-rotor
/// levels E(J) = T0 + B J (J + 1) with nuclear-spin weights 6 (even J) and 3 (odd J), P and R
/// lines with A = A0 (nu / nu0)^3 S / (2J' + 1), S = J' for R and J' + 1 for P.
struct RotorList {
    static constexpr double kT0 = 30000.0, kBUp = 1.60, kBLow = 1.63, kA0 = 1.0e6;
    static constexpr int kJMax = 40;
    struct Line {
        int jUp, jLow;
        double nu, A;
    };
    testing::TempDir dir;
    std::vector<Line> lines;
    std::string def;
    static double Upper(int J) { return kT0 + kBUp * J * (J + 1); }
    static double Lower(int J) { return kBLow * J * (J + 1); }
    static double G(int J) { return (J % 2 == 0 ? 6.0 : 3.0) * (2 * J + 1); }
    RotorList() {
        std::string states, trans;
        char row[160];
        // IDs 1..kJMax+2 the lower levels J'' = 0..kJMax+1, then the upper levels J' = 0..kJMax.
        for (int J = 0; J <= kJMax + 1; ++J) {
            std::snprintf(row, sizeof row, "%d %.6f %d %d 0.01 X %d\n", J + 1, Lower(J), static_cast<int>(G(J)), J, J);
            states += row;
        }
        for (int J = 0; J <= kJMax; ++J) {
            std::snprintf(row, sizeof row, "%d %.6f %d %d 0.01 A %d\n", kJMax + 3 + J, Upper(J), static_cast<int>(G(J)),
                          J, J);
            states += row;
            for (const int jLow : {J - 1, J + 1}) {
                if (jLow < 0) continue;
                const double nu = Upper(J) - Lower(jLow), S = jLow < J ? J : J + 1.0;
                lines.push_back({J, jLow, nu, kA0 * std::pow(nu / kT0, 3) * S / (2 * J + 1)});
                std::snprintf(row, sizeof row, "%d %d %.6E %.6f\n", kJMax + 3 + J, jLow + 1, lines.back().A, nu);
                trans += row;
            }
        }
        dir.Write("14N2__ROTOR.def",
                  "EXOMOL.def  # ID\n14N2  # Iso-slug\nROTOR  # Isotopologue dataset name\n"
                  "28.006148 4.6E-26  # Isotopologue mass (Da) and (kg)\n0  # Lifetime availability (1=yes, 0=no)\n"
                  "0  # Lande g-factor availability (1=yes, 0=no)\n1  # Uncertainty availability (1=yes, 0=no)\n"
                  "0.0500  # Default value of Lorentzian half-width for all lines (in cm-1/bar)\n");
        dir.Write("14N2__ROTOR.states", states);
        dir.Write("14N2__ROTOR.trans", trans);
        def = (dir / "14N2__ROTOR.def").string();
    }
};

TEST(LineListFit, TheBoltzmannPlotOfAHandMadeListGivesBackTheTemperatureOfItsSpectrum) {
    const RotorList list;
    const FitSystem system =
        MakeFitSystem(std::make_shared<const database::ImportedLineList>(database::ReadLineList(list.def)));
    // The emission spectrum drawn here: each line a Gaussian of FWHM w in vacuum angstroms with
    // the area A g' exp(-c2 E' / T) of its upper level's thermal population, a baseline, noise.
    constexpr double T = 1500.0, w = 0.1, x0 = 3321.0, step = 0.02;
    constexpr int n = 1800;
    const double c2 = kSecondRadiationConstant, s = w / (2.0 * std::sqrt(2.0 * std::log(2.0)));
    std::vector<double> y(n, 0.0);
    for (const RotorList::Line& l : list.lines) {
        const double x = 1e8 / l.nu, area = l.A * RotorList::G(l.jUp) * std::exp(-c2 * RotorList::Upper(l.jUp) / T);
        for (int i = 0; i < n; ++i)
            y[static_cast<std::size_t>(i)] += area * std::exp(-0.5 * std::pow((x0 + i * step - x) / s, 2));
    }
    const double peak = *std::max_element(y.begin(), y.end());
    for (double& v : y) v *= 200.0 / peak;
    testing::Truth t;
    t.baseline = 2.0, t.noise = 1.0;
    GaussianDeviate noise(23);
    const FitRequest r = testing::Request({system}, testing::Measure({y}, t, x0, step, noise), w, 1000.0);
    const BoltzmannPlot plot = FitBoltzmannPlot(r, 0);
    EXPECT_NEAR(plot.temperature, T, 2.0 * plot.temperatureSigma);
    EXPECT_LT(plot.temperatureSigma, 0.05 * T);
    EXPECT_LT(plot.reducedChiSquare, 2.0);
    // Every upper level with a line on the points, with the list's energy and degeneracy (the
    // 6:3 nuclear-spin weights, without which ln(N/g) would zigzag off the line).
    int used = 0;
    for (const BoltzmannLevel& l : plot.levels) {
        const int J = static_cast<int>(l.J);
        EXPECT_EQ(l.component, 0);
        EXPECT_NEAR(l.energy, RotorList::Upper(J) - RotorList::kT0, 1e-6) << J;
        EXPECT_EQ(l.degeneracy, RotorList::G(J)) << J;
        used += l.used;
    }
    EXPECT_EQ(plot.levels.size(), RotorList::kJMax + 1u);
    EXPECT_GT(used, 25);
}

/// The rigid-rotor band of RotorList as HITRAN records of 14N2, each line with an air width of
/// its own that falls with J'' (0.09 - 0.0015 J'' cm-1/atm, n = 0.75), or with the width fields
/// blank.
std::string RotorRecords(const RotorList& list, bool widths) {
    std::string par;
    char r[200];
    for (const RotorList::Line& l : list.lines) {
        const double gamma = 0.09 - 0.0015 * l.jLow;
        std::snprintf(r, sizeof r, "22%c%12.6f%10.3E%10.3E%5.4f%5.3f%10.4f%4.2f%8.6f", '1', l.nu, 1e-25, l.A, gamma,
                      gamma, RotorList::Lower(l.jLow), 0.75, 0.0);
        std::string s = r;
        s.erase(35, 1);  // F5.4 without its leading 0
        if (!widths) s.replace(35, 10, 10, ' '), s.replace(55, 4, 4, ' ');
        char local[40];
        std::snprintf(local, sizeof local, "    %5.1f      ", static_cast<double>(l.jUp));
        std::string quanta = std::string(30, ' ') + local;
        std::snprintf(local, sizeof local, "    %5.1f      ", static_cast<double>(l.jLow));
        quanta += local;
        std::snprintf(local, sizeof local, "%7.1f%7.1f", RotorList::G(l.jUp), RotorList::G(l.jLow));
        par += s + quanta + "000000" + std::string(12, ' ') + " " + local + "\n";
    }
    return par;
}

TEST(LineListFit, OwnPressureWidthsOfTheLinesGiveBackTheTemperatureTheConditionsWidthBiases) {
    const RotorList rotor;
    auto read = [&](const char* name, bool widths) {
        return std::make_shared<const database::ImportedLineList>(
            database::ReadLineList(rotor.dir.Write(name, RotorRecords(rotor, widths)).string()));
    };
    const auto own = read("own.par", true), none = read("none.par", false);
    ASSERT_EQ(own->lines.size(), rotor.lines.size());
    // Emission at 1500 K and 15 atm in vacuum angstroms: Lorentzian widths of 0.04-0.09 A next
    // to the instrument's Gaussian of 0.1 A. The points are the grid of the simulation.
    constexpr double T = 1500.0, x0 = 3321.0, step = 1.0 / 64.0, gauss = 0.0625;
    constexpr int n = 2400, perWidth = 4;
    simulation::SimulationConditions c;
    c.temperature = T;
    c.resolution = gauss;
    c.pressure = 15.0 * 760.0;
    c.collisionalBroadening = true;
    c.collisionalBroad1 = 2.0 * 0.06, c.collisionalBroad2 = 0.75;  // the lists' mean width, for the blank list
    c.start = x0 - 10.0, c.end = x0 + n * step + 10.0;
    simulation::SpectralGrid grid;
    grid.start = x0 - step;
    grid.gridWidth = static_cast<float>(perWidth * step);
    grid.pointsPerWidth = perWidth;
    grid.last = n + 1;
    const simulation::Spectrum s =
        simulation::SimulateLineSet(*own, c, simulation::ComputeBroadening(c, own->mass), grid);
    ASSERT_GT(simulation::LineSetWidthGroups(*own, c, 0.0, c.start, c.end).size(), 30u);  // widths of their own
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = s.total(i + 1);
    const double peak = *std::max_element(y.begin(), y.end());
    for (double& v : y) v *= 1000.0 / peak;
    testing::Truth t;
    GaussianDeviate noise(5);
    const MeasuredSpectrum m = testing::Measure({y}, t, x0, step, noise);
    auto request = [&](const std::shared_ptr<const database::ImportedLineList>& list, double width) {
        FitRequest r = testing::Request({MakeFitSystem(list)}, m, width, 1000.0);
        r.conditions.pressure = c.pressure;
        r.conditions.collisionalBroadening = true;
        r.conditions.collisionalBroad1 = c.collisionalBroad1, r.conditions.collisionalBroad2 = c.collisionalBroad2;
        r.settings.free = {"t", "scale", "gauss"};
        return r;
    };
    auto fit = [&](const std::shared_ptr<const database::ImportedLineList>& list) {
        return FitSpectrum(request(list, 1.3 * gauss));
    };
    const FitResult withOwn = fit(own);
    EXPECT_NEAR(withOwn.Value("t"), T, 1e-4 * T);
    EXPECT_NEAR(withOwn.Value("gauss"), gauss, 1e-4 * gauss);
    // The Boltzmann plot draws each level's lines with their widths too: at this pressure its
    // levels' lines blend (about 10 K off with one shared width drawn right), but it is far from
    // the 170 K the conditions' width leaves.
    const double plotError = std::abs(FitBoltzmannPlot(request(own, gauss), 0).temperature - T);
    EXPECT_LT(plotError, 0.02 * T);
    EXPECT_LT(plotError, 0.25 * std::abs(FitBoltzmannPlot(request(none, gauss), 0).temperature - T));
    // The same lines all at the conditions' width: the widths' fall with J is read as temperature.
    const FitResult withConditions = fit(none);
    EXPECT_GT(std::abs(withConditions.Value("t") - T), 0.02 * T) << withConditions.Value("t");
    // Components asked for down to branches: a list's lines carry no branch, so its one band is
    // the whole of its part of the model, once (it was drawn twice).
    for (const auto& list : {own, none}) {
        FitRequest r = request(list, 1.3 * gauss);
        r.options.components = ComponentDetail::Branches;
        const FitResult f = FitSpectrum(r);
        ASSERT_FALSE(f.components.empty());
        const std::vector<double>& part = f.parts[0];
        const double top = *std::max_element(part.begin(), part.end());
        for (std::size_t i = 0; i < part.size(); i += 97) {
            double sum = 0.0;
            for (const FitComponent& k : f.components) sum += k.values[i];
            EXPECT_NEAR(sum, part[i], 1e-5 * top) << i;
        }
    }
}

}  // namespace
}  // namespace velmora::fit
