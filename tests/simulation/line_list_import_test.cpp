// Line lists read from files as a band system: the OH A-X export read back in both formats
// simulates the spectrum of the catalogue system; one hand-made line integrates to its closed-form
// intensity; damaged files are refused with the file and line named; lines of their own widths
// are drawn as each alone with its exact width draws.
#include "database/line_list_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "common/physical_constants.h"
#include "database/line_list_export.h"
#include "database/line_list_files.h"
#include "program/line_list_system.h"
#include "shipped_system.h"
#include "simulation/absolute_absorption.h"
#include "simulation/condition_view.h"
#include "simulation/line_drawing.h"
#include "simulation/line_set_simulation.h"
#include "support/file_error.h"
#include "support/temp_dir.h"

namespace velmora::simulation {
namespace {

using database::ImportedLineList;
using database::ReadLineList;

double Correlation(const Array1<float>& a, const Array1<float>& b) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const int n = a.Hi(0) + 1;
    for (int i = 0; i < n; ++i) {
        sa += a(i), sb += b(i), saa += a(i) * double(a(i)), sbb += b(i) * double(b(i)), sab += a(i) * double(b(i));
    }
    return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

/// The OH A-X system of the catalogue and its export written in both formats.
struct ExportedOh {
    testing::ShippedSystem oh{"OH", "(A-X)"};
    testing::TempDir dir;
    database::ExportedLineList exported;
    std::string exomol, hitran;

    ExportedOh() {
        DatabaseState db = oh.app.db;
        Shell quiet;
        exported = database::CollectLineList(db, db.systemEntry, quiet);
        database::WriteExoMol(exported, (dir / "16O-1H__VELMORA").string());
        database::WriteHitran(exported, (dir / "oh").string());
        exomol = (dir / "16O-1H__VELMORA.def").string();
        hitran = (dir / "oh.par").string();
    }
};

ExportedOh& Oh() {
    static ExportedOh oh;
    return oh;
}

TEST(LineListImport, TheOhExportReadBackSimulatesTheCatalogueSpectrumAtEveryTemperature) {
    ExportedOh& oh = Oh();
    const ImportedLineList exomol = ReadLineList(oh.exomol), hitran = ReadLineList(oh.hitran);
    ASSERT_EQ(exomol.lines.size(), oh.exported.lines.size());
    ASSERT_EQ(hitran.lines.size(), oh.exported.lines.size());
    EXPECT_NEAR(exomol.mass, 17.00274, 1e-4);
    EXPECT_NEAR(hitran.mass, exomol.mass, 1e-6);  // the .def holds 6 decimals
    // The .pf table and the sum over the levels agree (the .pf holds the same levels).
    ImportedLineList noTable = exomol;
    noTable.partitionTable.clear();
    for (double T : {296.0, 1500.5, 3000.0})
        EXPECT_NEAR(exomol.PartitionFunction(T), noTable.PartitionFunction(T), 1e-4 * noTable.PartitionFunction(T));

    struct Case {
        SpectrumKind kind;
        double start, end;  // Å
    };
    for (const Case k : {Case{SpectrumKind::Absorption, 3060, 3120}, Case{SpectrumKind::Emission, 3060, 3200},
                         Case{SpectrumKind::LifExcitation, 2810, 2850}})
        for (float T : {296.0f, 1500.0f, 3000.0f}) {
            SCOPED_TRACE(std::to_string(StoredValue(k.kind)) + " at " + std::to_string(T) + " K");
            const populations::Populations pop = oh.oh.Thermal(k.kind, T);
            SimulationConditions c = oh.oh.app.sim.conditions;
            c.start = k.start, c.end = k.end;
            c.yield = YieldMode::Excluded;  // the files hold no predissociation or quenching
            c.window = WindowMode::Full;
            const Spectrum direct = Simulate(*oh.oh.model, c, pop);
            for (const ImportedLineList* list : {&exomol, &hitran}) {
                SCOPED_TRACE(list->format);
                const Spectrum read = SimulateLineSet(*list, c, direct.widths, direct.grid);
                ASSERT_EQ(read.grid.last, direct.grid.last);
                EXPECT_GE(Correlation(read.total, direct.total), 0.99999);
                // The list draws the lines of levels below the minimum population too.
                EXPECT_GE(read.linesDrawn, direct.linesDrawn);
            }
        }
}

TEST(LineListImport, LifetimesFromTheReadAValuesAreThoseOfTheExport) {
    ExportedOh& oh = Oh();
    const ImportedLineList list = ReadLineList(oh.exomol);
    const std::vector<double> tau = database::LevelLifetimes(list);
    std::multimap<double, std::pair<float, double>> exported;  // energy -> g, 1 / sum A in ns
    std::map<int, double> decay;
    for (const database::ExportedLine& t : oh.exported.lines) decay[t.upper] += t.A;
    for (const auto& [id, sum] : decay) {
        const database::ExportedLevel& l = oh.exported.levels[static_cast<std::size_t>(id - 1)];
        if (sum > 0.0) exported.emplace(l.energy, std::pair<float, double>(static_cast<float>(l.G()), 1e9 / sum));
    }
    int compared = 0;
    for (std::size_t i = 0; i < list.levels.size(); ++i) {
        if (tau[i] == 0.0) continue;
        // The energy as written, to 6 decimals, and the degeneracy.
        auto it = exported.lower_bound(list.levels[i].energy - 1e-6);
        while (it != exported.end() && it->second.first != list.levels[i].g) ++it;
        ASSERT_TRUE(it != exported.end() && it->first < list.levels[i].energy + 1e-6) << list.levels[i].label;
        // A is written with five significant digits.
        EXPECT_NEAR(tau[i], it->second.second, 1e-4 * it->second.second) << list.levels[i].label;
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(exported.size()));
}

/// One line 0 -> 1 at nu (cm-1) with A (s-1), lower level g 2 at 0 cm-1, an excited lower level
/// of g 4 at 200 cm-1, upper level g 6: as an ExoMol set and as a HITRAN record.
constexpr double kNu = 20000.0, kA = 1.0e6, kE1 = 200.0;

std::string HitranRecord(double nu, double A, double lowerEnergy, int molecule = 13, char iso = '1') {
    char r[200];
    std::snprintf(r, sizeof r, "%2d%c%12.6f%10.3E%10.3E%5.4f%5.3f%10.4f%4.2f%8.6f", molecule, iso, nu, 1e-20, A, 0.05,
                  0.06, lowerEnergy, 0.75, 0.001);
    std::string s = r;
    s.erase(35, 1);  // F5.4 ".0500"
    s += std::string(60, ' ') + "000000" + std::string(12, ' ') + " " + "    6.0" + "    2.0";
    return s;
}

/// Collisionally broadened conditions in cm-1 at 1000 K and 760 Torr.
SimulationConditions CollisionalConditions(SpectrumKind kind, double start, double end, double resolution) {
    SimulationConditions c;
    c.kind = kind;
    c.unit = AxisUnit::Wavenumber;
    c.start = start, c.end = end;
    c.temperature = 1000.0, c.pressure = 760.0;
    c.resolution = resolution;
    c.collisionalBroadening = true;
    return c;
}

/// A record with its air width (columns 36-40, ".0502") and, when given, its self width (41-45).
std::string WithWidths(std::string r, double gammaAir, double gammaSelf = -1.0) {
    char g[16];
    std::snprintf(g, sizeof g, "%5.4f", gammaAir);
    r.replace(35, 5, g + 1);
    if (gammaSelf >= 0.0) {
        std::snprintf(g, sizeof g, "%5.3f", gammaSelf);
        r.replace(40, 5, g);
    }
    return r;
}

struct HandMade {
    testing::TempDir dir;
    std::string def, par;
    HandMade() {
        dir.Write("X__TWO.def",
                  "EXOMOL.def  # ID\n16O-1H  # Iso-slug\nTWO  # Isotopologue dataset name\n"
                  "17.002740 2.8E-26  # Isotopologue mass (Da) and (kg)\n0  # Lifetime availability (1=yes, 0=no)\n"
                  "0  # Lande g-factor availability (1=yes, 0=no)\n1  # Uncertainty availability (1=yes, 0=no)\n"
                  "0.0500  # Default value of Lorentzian half-width for all lines (in cm-1/bar)\n");
        dir.Write("X__TWO.states",
                  "1 0.000000 2 0.5 0.01 X 0\n2 200.000000 4 1.5 0.01 X 1\n3 20000.0 6 2.5 0.01 A 0\n");
        dir.Write("X__TWO.trans", "3 1 1.0000E+06 20000.000000\n");
        def = (dir / "X__TWO.def").string();
        par = dir.Write("two.par", HitranRecord(kNu, kA, 0.0) + "\n").string();
    }
};

TEST(LineListImport, OneLineIntegratesToTheIntensityOfItsLevels) {
    HandMade files;
    const ImportedLineList exomol = ReadLineList(files.def);
    ASSERT_EQ(exomol.lines.size(), 1u);
    EXPECT_EQ(exomol.levels[exomol.lines[0].upper].label, "A 0");
    EXPECT_NEAR(exomol.lines[0].gammaAir, 0.05 * 1.01325, 1e-6);
    const ImportedLineList hitran = ReadLineList(files.par);
    ASSERT_EQ(hitran.lines.size(), 1u);
    EXPECT_FLOAT_EQ(hitran.lines[0].gammaAir, 0.05f);
    EXPECT_FLOAT_EQ(hitran.lines[0].deltaAir, 0.001f);
    EXPECT_EQ(database::LevelLifetimes(exomol)[exomol.lines[0].upper], 1e3);  // 1 / 1E6 s-1 in ns

    const double c2 = kSecondRadiationConstant;
    for (double T : {296.0, 2000.0}) {
        SimulationConditions c;
        c.kind = SpectrumKind::Absorption;
        c.unit = AxisUnit::Wavenumber;
        c.start = kNu - 5.0, c.end = kNu + 5.0;
        c.temperature = T;
        c.absorptionUnit = AbsorptionUnit::CrossSection;
        const Spectrum s = SimulateLineSet(exomol, c);
        const std::vector<double> sigma = CrossSection(s, 1.0, c);
        double area = 0.0;
        for (double v : sigma) area += v * s.grid.Step();
        // S = g' A / (8 pi c nu^2) exp(-c2 E'' / T) (1 - exp(-c2 nu / T)) / Q, Q over the three levels.
        const double Q = 2.0 + 4.0 * std::exp(-c2 * kE1 / T) + 6.0 * std::exp(-c2 * kNu / T);
        const double S = 6.0 * kA / (8.0 * kPi * kSpeedOfLightCm * kNu * kNu) * (1.0 - std::exp(-c2 * kNu / T)) / Q;
        EXPECT_NEAR(area, S, 2e-3 * S) << T << " K";
    }
}

TEST(LineListImport, AHitranLineTakesItsOwnPressureWidthAndShift) {
    // The record: gamma_air 0.05, gamma_self 0.06 cm-1/atm (HWHM at 296 K), n_air 0.75, delta_air
    // +0.001 cm-1/atm; the gas 20 % OH. The conditions' own width B1 is far larger and must not
    // be used.
    HandMade files;
    const ImportedLineList hitran = ReadLineList(files.par);
    const double c2 = kSecondRadiationConstant;
    struct Case {
        double T, torr;
        bool doppler;
    };
    for (const Case& k : {Case{296.0, 760.0, false}, Case{296.0, 760.0, true}, Case{1500.0, 3000.0, false},
                          Case{1500.0, 3000.0, true}}) {
        SimulationConditions c;
        c.kind = SpectrumKind::Absorption;
        c.unit = AxisUnit::Wavenumber;
        c.start = kNu - 5.0, c.end = kNu + 5.0;
        c.temperature = k.T, c.pressure = k.torr;
        c.resolution = 1e-4;
        c.density = PointDensity::VeryHigh;
        c.dopplerBroadening = k.doppler;
        c.collisionalBroadening = c.collisionalShift = true;
        c.collisionalBroad1 = 5.0, c.collisionalShiftA = 3.0;
        c.composition = {{{"N2", 0.8}, {"OH", 0.2}}};
        c.absorptionUnit = AbsorptionUnit::CrossSection;
        const Spectrum s = SimulateLineSet(hitran, c);
        const std::vector<double> sigma = CrossSection(s, 1.0, c);

        const double atm = k.torr / 760.0;
        const double fL = 2.0 * std::pow(296.0 / k.T, 0.75) * (0.05 * 0.8 + 0.06 * 0.2) * atm;
        const double mass = 17.00274 * 1.66053906660e-27, kB = 1.380649e-23, cLight = 2.99792458e8;
        const double fG = k.doppler ? kNu * std::sqrt(8.0 * kB * k.T * std::log(2.0) / (mass * cLight * cLight)) : 0.0;
        // Q = 2: the record's lower level is the only level a HITRAN file names.
        const double S = 6.0 * kA / (8.0 * kPi * kSpeedOfLightCm * kNu * kNu) * (1.0 - std::exp(-c2 * kNu / k.T)) / 2.0;
        // Peak of a unit-area Voigt: exp(y^2) erfc(y) / (sigma sqrt(2 pi)), y = gamma / (sigma sqrt 2);
        // a Lorentzian 2 / (pi fL). FWHM within 2E-4 (Olivero and Longbothum).
        double peak = 2.0 / (kPi * fL), fwhm = fL;
        if (k.doppler) {
            const double sg = fG / (2.0 * std::sqrt(2.0 * std::log(2.0))), y = fL / 2.0 / (sg * std::sqrt(2.0));
            peak = std::exp(y * y) * std::erfc(y) / (sg * std::sqrt(2.0 * kPi));
            fwhm = 0.5346 * fL + std::sqrt(0.2166 * fL * fL + fG * fG);
        }
        const std::size_t top = static_cast<std::size_t>(std::max_element(sigma.begin(), sigma.end()) - sigma.begin());
        ASSERT_GT(top, 0u);
        ASSERT_LT(top + 1, sigma.size());
        // The vertex of the parabola through the three points about the maximum.
        const double a = sigma[top - 1], b = sigma[top], d = sigma[top + 1], h = s.grid.Step();
        const double offset = 0.5 * (a - d) / (a - 2.0 * b + d);
        const double centre = s.grid.X(static_cast<int>(top)) + offset * h, height = b - 0.25 * (a - d) * offset;
        auto crossing = [&](int dir) {  // where the profile falls to half its height, linear between points
            std::size_t i = top;
            while (sigma[i] > height / 2.0) i += dir;
            const double f = (sigma[i] - height / 2.0) / (sigma[i] - sigma[i - dir]);
            return s.grid.X(static_cast<int>(i)) - dir * f * h;
        };
        const std::string what =
            std::to_string(k.T) + " K, " + std::to_string(k.torr) + " Torr, Doppler " + std::to_string(k.doppler);
        EXPECT_NEAR(centre, kNu + 0.001 * atm, 1e-3 * fwhm) << what;
        EXPECT_NEAR(height, S * peak, 1.5e-3 * S * peak) << what;
        EXPECT_NEAR(crossing(1) - crossing(-1), fwhm, 1.5e-3 * fwhm) << what;
        if (!k.doppler) {
            // A Lorentzian cut off 20 FWHM from its centre keeps (2 / pi) atan(40) of its area.
            double area = 0.0;
            for (double v : sigma) area += v * h;
            EXPECT_NEAR(area, S * 2.0 / kPi * std::atan(40.0), 5e-4 * S) << what;
        }
    }
}

TEST(LineListImport, OnlyTheLinesInTheWindowAreKept) {
    testing::TempDir dir;
    std::string text;
    for (int i = 0; i < 50; ++i) text += HitranRecord(1000.0 + i, 10.0, 100.0 + i) + "\r\n";
    const std::string par = dir.Write("many.par", text).string();
    const ImportedLineList all = ReadLineList(par), some = ReadLineList(par, {1010.0, 1019.5});
    EXPECT_EQ(all.lines.size(), 50u);
    EXPECT_EQ(some.lines.size(), 10u);
    EXPECT_EQ(some.transitionsRead, 50);
    EXPECT_EQ(some.allLevels.size(), 50u);  // the partition function keeps every lower level
    EXPECT_DOUBLE_EQ(some.lines.front().nu, 1010.0);
}

TEST(LineListImport, DamagedFilesAreRefusedWithFileAndLineNamed) {
    struct Case {
        const char* what;
        const char* file;     // written over the hand-made set's file
        const char* content;  // "" removes it
        const char* message;  // expected in the refusal
    };
    const std::string good = HitranRecord(kNu, kA, 0.0);
    const Case cases[] = {
        {"truncated transition", "X__TWO.trans", "3 1 1.0E+06 20000.0\n3 2\n",
         "X__TWO.trans, line 2: the record ends before its Einstein A"},
        {"wrong field", "X__TWO.trans", "3 1 fast 20000.0\n", "X__TWO.trans, line 1: Einstein A \"fast\" is not"},
        {"unknown level", "X__TWO.trans", "9 1 1.0E+06\n", "line 1: state id 9 is not in the .states file"},
        {"NaN energy", "X__TWO.states", "1 0.0 2 0.5 0.01 X\n2 nan 4 1.5 0.01 X\n",
         "X__TWO.states, line 2: energy \"nan\" is not a finite number"},
        {"doubled level", "X__TWO.states", "1 0.0 2 0.5 0.01 X\n1 3.0 4 1.5 0.01 X\n",
         "line 2: state id 1 is listed twice"},
        {"missing states", "X__TWO.states", "", "X__TWO.states: is missing"},
        {"missing mass", "X__TWO.def", "EXOMOL.def  # ID\n", "has no \"Isotopologue mass"},
        {"truncated record", "two.par", "", "two.par, line 2: the record holds 100 characters"},
        {"NaN A", "two.par", "", "two.par, line 1: Einstein A \"NaN\" is not a finite number"},
        {"two isotopologues", "two.par", "", "two.par, line 2: molecule 13 isotopologue 2 follows"},
        {"unknown molecule", "two.par", "", "HITRAN molecule 2 isotopologue 1 is not a diatomic molecule"},
        {"unknown broadening code", "16O-1H__H2.broad", "a0 0.07 0.5 0.5\nm0 0.07 0.5 1\n",
         "16O-1H__H2.broad, line 2: broadening code \"m0\" is not one the program reads"},
        {"a1 without J'", "16O-1H__H2.broad", "a1 0.07 0.5 2\n",
         "16O-1H__H2.broad, line 1: the record ends before its J'"},
        {"negative width", "16O-1H__He.broad", "a0 -0.07 0.5 1\n", "16O-1H__He.broad, line 1: half-width below 0"},
        {"J not a half-integer", "16O-1H__He.broad", "a0 0.07 0.5 1.3\n", "J'' \"1.3\" is not a whole or half-integer"},
        {"exponent not a number", "X__TWO__air.broad", "\na0 0.07 x 1\n",
         "X__TWO__air.broad, line 2: temperature exponent \"x\" is not a finite number"},
        {"J'' twice", "16O-1H__air.broad", "a0 0.07 0.5 1\na0 0.06 0.5 1\n", "line 2: J'' is listed twice"},
        {"empty broadening file", "16O-1H__air.broad", "\n", "16O-1H__air.broad: holds no broadening record"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        HandMade files;
        std::string content = k.content;
        const std::string what = k.what;
        if (what == "truncated record") content = good + "\n" + good.substr(0, 100) + "\n";
        if (what == "NaN A") content = good.substr(0, 25) + "       NaN" + good.substr(35) + "\n";
        if (what == "two isotopologues") content = good + "\n" + HitranRecord(kNu, kA, 0.0, 13, '2') + "\n";
        if (what == "unknown molecule") content = HitranRecord(kNu, kA, 0.0, 2) + "\n";
        if (content.empty())
            std::filesystem::remove(files.dir / k.file);
        else
            files.dir.Write(k.file, content);
        const std::string path = std::string(k.file) == "two.par" ? files.par : files.def;
        const std::string message = testing::FileErrorMessage([&] { ReadLineList(path); });
        EXPECT_NE(message.find(k.message), std::string::npos) << message;
    }
}

TEST(LineListImport, ExoMolBroadeningFilesWidenEachLineByThePartnersOfTheGasAndItsJ) {
    // Lower levels J'' = 0.5 .. 3.5 (ids 1-4), upper levels J' = 0.5 .. 4.5 (ids 5-9); the lines
    // (J', J'') = (1.5, 0.5), (2.5, 1.5), (0.5, 1.5), (3.5, 2.5). Default width 0.05 cm-1/bar,
    // exponent 0.6; H2 by J'' (0.5, 1.5) and for the pair (1.5, 2.5); He at J'' = 0.5 only; air.
    testing::TempDir dir;
    dir.Write(
        "16O-1H__BR.def",
        "EXOMOL.def  # ID\n16O-1H  # Iso-slug\nBR  # Isotopologue dataset name\n"
        "17.002740 2.8E-26  # Isotopologue mass (Da) and (kg)\n0  # Lifetime availability (1=yes, 0=no)\n"
        "0  # Lande g-factor availability (1=yes, 0=no)\n0  # Uncertainty availability (1=yes, 0=no)\n"
        "0.0500  # Default value of Lorentzian half-width for all lines (in cm-1/bar)\n"
        "0.600  # Default value of temperature exponent for all lines\n"
        "1  # No. of pressure broadeners available\n"
        "H2  # Label for a particular broadener\nH2_by_J.broad  # Filename of particular broadener\n"
        "1.5  # Maximum J for which pressure broadening parameters provided\n"
        "0.0400  # Value of Lorentzian half-width for J\" > Jmax\n"
        "0.350  # Value of temperature exponent for lines with J\" > Jmax\n"
        "2  # Number of defined quantum number sets\n"
        "a0  # A code that defines this set of quantum numbers\n2  # No. of lines in the broad that contain this code\n"
        "1  # No. of quantum numbers defined\nJ\"  # Defined quantum number\n"
        "a1  # A code that defines this set of quantum numbers\n1  # No. of lines in the broad that contain this code\n"
        "2  # No. of quantum numbers defined\nJ'  # Defined quantum number\nJ\"  # Defined quantum number\n");
    std::string states;
    for (int k = 0; k < 4; ++k)
        states += std::to_string(k + 1) + " " + std::to_string(10.0 * k * k) + " 2 " + std::to_string(k + 0.5) + " X\n";
    for (int k = 0; k < 5; ++k)
        states += std::to_string(k + 5) + " " + std::to_string(30000.0 + 9.0 * k * k) + " 2 " +
                  std::to_string(k + 0.5) + " A\n";
    dir.Write("16O-1H__BR.states", states);
    dir.Write("16O-1H__BR.trans", "6 1 1.0E+06\n7 2 1.0E+06\n5 2 1.0E+06\n8 3 1.0E+06\n");
    // The .def names the H2 file and gives its a1 records as J' J''.
    dir.Write("H2_by_J.broad", "a0 0.0700 0.500 0.5\na0   0.0650  0.480   1.5\na1 0.0500 0.400 2.5 1.5\n");
    dir.Write("16O-1H__He.broad", "a0 0.0300 0.300 0.5\n");
    dir.Write("16O-1H__BR__air.broad", "a0 0.0600 0.700 0.5\n");
    const ImportedLineList list = ReadLineList((dir / "16O-1H__BR.def").string());
    ASSERT_EQ(list.broadeners.size(), 3u);
    ASSERT_EQ(list.lines.size(), 4u);

    struct Width {
        double gamma, n;  // cm-1/bar HWHM at 296 K
    };
    const Width def{0.05, 0.6}, h2Low{0.07, 0.5}, h2High{0.065, 0.48}, h2Pair{0.05, 0.4}, he{0.03, 0.3}, air{0.06, 0.7},
        h2AboveJmax{0.04, 0.35};
    struct Expected {
        float jUp, jLow;
        Width h2, he, air;  // the records each line takes: its own, that of the highest J'', or
                            // above the .def's Jmax its values
    };
    const Expected lines[] = {{1.5f, 0.5f, h2Low, he, air},
                              {2.5f, 1.5f, h2Pair, he, air},
                              {0.5f, 1.5f, h2High, he, air},
                              {3.5f, 2.5f, h2AboveJmax, he, air}};
    struct Gas {
        database::GasComposition gas;
        double h2, he, air;  // fractions that take each file; the rest takes the default
    };
    const Gas gases[] = {{{{{"H2", 0.7}, {"He", 0.2}, {"CO", 0.1}}}, 0.7, 0.2, 0.0},
                         {{{{"N2", 0.75}, {"O2", 0.2}, {"H2", 0.05}}}, 0.05, 0.0, 0.95},
                         {{}, 0.0, 0.0, 0.0}};
    for (const Gas& g : gases)
        for (double T : {296.0, 1800.0}) {
            SimulationConditions c;
            c.kind = SpectrumKind::Absorption;
            c.unit = AxisUnit::Wavenumber;
            c.start = 29000.0, c.end = 31000.0;
            c.temperature = T, c.pressure = 2.0 * 760.0;
            c.collisionalBroadening = true;
            c.composition = g.gas;
            std::vector<double> expected;
            for (const Expected& e : lines) {
                auto term = [&](const Width& w, double x) { return x * w.gamma * std::pow(296.0 / T, w.n); };
                const double rest = 1.0 - g.h2 - g.he - g.air;
                // HWHM per bar as per atm, times 2 p for the FWHM.
                const double fwhm =
                    2.0 * 2.0 * 1.01325 * (term(e.h2, g.h2) + term(e.he, g.he) + term(e.air, g.air) + term(def, rest));
                expected.push_back(fwhm);
                const auto line = std::find_if(list.lines.begin(), list.lines.end(), [&](const auto& l) {
                    return list.levels[l.upper].J == e.jUp && list.levels[l.lower].J == e.jLow;
                });
                ASSERT_NE(line, list.lines.end());
                EXPECT_NEAR(OwnCollisionalWidth(list, *line, c, 0.0), fwhm, 1e-6 * fwhm)
                    << e.jUp << " " << e.jLow << " at " << T << " K";
            }
            // The simulation draws each line with its width: one group per distinct width.
            std::sort(expected.begin(), expected.end());
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [](double a, double b) { return std::abs(a - b) < 1e-9 * b; }),
                           expected.end());
            const std::vector<WidthGroup> groups = LineSetWidthGroups(list, c, 0.0, c.start, c.end);
            ASSERT_EQ(groups.size(), expected.size());
            for (std::size_t k = 0; k < groups.size(); ++k)
                EXPECT_NEAR(groups[k].collisionalWidth, expected[k], 1e-6 * expected[k]);
        }
}

TEST(LineListImport, LinesOfTheirOwnWidthsDrawAsEachLineWithItsExactWidth) {
    // HITRAN lines 0.3 cm-1 apart with (gamma_air, gamma_self) of five kinds: three whose widths
    // agree at a self fraction of 1/6 (0.0002 more air width for 0.001 less self width) to the
    // rounding of their float fields, and two of their own.
    const double pairs[5][2] = {{0.0500, 0.060}, {0.0502, 0.059}, {0.0504, 0.058}, {0.0700, 0.060}, {0.0300, 0.060}};
    std::string text;
    for (int k = 0; k < 40; ++k) {
        text += WithWidths(HitranRecord(1000.0 + 0.3 * k, 10.0 + k, 50.0 * k), pairs[k % 5][0], pairs[k % 5][1]) + "\n";
    }
    testing::TempDir dir;
    const ImportedLineList list = ReadLineList(dir.Write("own.par", text).string());
    ASSERT_EQ(list.lines.size(), 40u);
    SimulationConditions c = CollisionalConditions(SpectrumKind::Emission, 999.0, 1013.0, 0.02);
    c.composition = database::GasComposition{{{"OH", 1.0 / 6.0}, {"N2", 5.0 / 6.0}}};
    const Spectrum s = SimulateLineSet(list, c);
    ASSERT_EQ(LineSetWidthGroups(list, c, s.widths.lineShift, c.start, c.end).size(), 3u);

    // Each line alone, drawn with the FWHM its own fields give.
    const LineList lines = LineSetLines(list, c, s.widths.lineShift, c.start, c.end);
    ASSERT_EQ(lines.levels[0].size(), list.lines.size());
    std::vector<float> exact(static_cast<std::size_t>(s.grid.last) + 1, 0.0f);
    DrawStats stats;
    for (std::size_t k = 0; k < list.lines.size(); ++k) {
        const double fwhm = 2.0 * std::pow(296.0 / c.temperature, 0.75) *
                            (list.lines[k].gammaAir * 5.0 / 6.0 + list.lines[k].gammaSelf / 6.0);
        LineDrawer drawer(MakeProfileGrid(s.grid, GroupBroadening(c, list.mass, fwhm, s.widths), false, c.unit), false,
                          SimulationOptions().profiles);
        drawer.Draw({lines.levels[0][k]}, exact.data(), stats);
    }
    // The spectrum is scaled to 100 at its peak: both compared at unit peak.
    const float peak = *std::max_element(exact.begin(), exact.end());
    float drawnPeak = 0.0f;
    for (int i = 1; i < s.grid.last; ++i) drawnPeak = std::max(drawnPeak, s.bands(1, i));
    ASSERT_GT(peak, 0.0f);
    double worst = 0.0;
    for (int i = 1; i < s.grid.last; ++i)
        worst =
            std::max(worst, std::abs(double(s.bands(1, i)) / drawnPeak - exact[static_cast<std::size_t>(i)] / peak));
    EXPECT_LT(worst, 1e-6);
}

TEST(LineListImport, PlannedTogetherTheGroupsAndTheGridWidthAreThoseOfTheirOwnPasses) {
    // HITRAN lines of air widths 0.03..0.07, the narrowest (0.01) on a line of A = 0, drawn by
    // none but planned on, and one narrower still beyond the range, planned on through the
    // instrument only; in cm-1, and in nm (air) with the lines' own shifts, where the drawing
    // places the lines from the range at the precision of the grid.
    std::string text;
    auto add = [&](double nu, double A, double gammaAir) {
        text += WithWidths(HitranRecord(nu, A, 30.0), gammaAir) + "\n";
    };
    for (int k = 0; k < 30; ++k) add(1000.0 + 0.3 * k, k == 7 ? 0.0 : 10.0 + k, k == 7 ? 0.01 : 0.03 + 0.01 * (k % 5));
    add(1015.0, 10.0, 0.005);
    testing::TempDir dir;
    const ImportedLineList list = ReadLineList(dir.Write("planned.par", text).string());
    ASSERT_EQ(list.lines.size(), 31u);
    SimulationConditions base = CollisionalConditions(SpectrumKind::Absorption, 999.0, 1010.0, 0.002);
    SimulationConditions triangle = base, nm = base, narrow = base, off = base;
    triangle.lineshape = Lineshape::Triangle;
    nm.unit = AxisUnit::NanometreAir, nm.start = 9880.1, nm.end = 10010.3, nm.resolution = 0.02;
    nm.collisionalShift = nm.dopplerShift = true;
    // The conditions' own collisional width, which no line takes, wider: the lines' decide the grid.
    narrow.resolution = 1e-3, narrow.collisionalBroad1 = 0.5;
    off.collisionalBroadening = false;
    for (const SimulationConditions* at : {&base, &triangle, &nm, &narrow, &off}) {
        const SimulationConditions& c = *at;
        SCOPED_TRACE(::testing::Message() << "unit " << StoredValue(c.unit) << " lineshape " << StoredValue(c.lineshape)
                                          << " resolution " << c.resolution);
        const Broadening widths = ComputeBroadening(c, list.mass);
        const LineSetPlan plan = PlanLineSet(list, c, widths);
        EXPECT_EQ(plan.gridWidth, LineSetGridWidth(list, c, widths));
        // The groups the drawing forms itself, over its range at the grid's precision.
        SimulationConditions drawn = c;
        drawn.start = static_cast<float>(c.start), drawn.end = static_cast<float>(c.end);
        const double inf = std::numeric_limits<double>::infinity();
        const bool whole = c.lineshape == Lineshape::Triangle;
        const std::vector<WidthGroup> groups =
            LineSetWidthGroups(list, drawn, widths.lineShift, whole ? -inf : drawn.start, whole ? inf : drawn.end);
        ASSERT_EQ(plan.groups.size(), groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const double a = plan.groups[g].narrowest, b = groups[g].narrowest;
            EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << g;
            ASSERT_EQ(plan.groups[g].lines.size(), groups[g].lines.size()) << g;
            for (std::size_t k = 0; k < groups[g].lines.size(); ++k) {
                EXPECT_EQ(plan.groups[g].lines[k].x, groups[g].lines[k].x);
                EXPECT_EQ(plan.groups[g].lines[k].weight, groups[g].lines[k].weight);
            }
        }
        if (at == &narrow) {
            // The line of A = 0 is the narrowest the grid is planned on: narrower than any drawn.
            float drawnNarrowest = widths.totalWidth;
            for (const WidthGroup& g : groups)
                drawnNarrowest =
                    std::min(drawnNarrowest, GroupBroadening(c, list.mass, g.collisionalWidth, widths).totalWidth);
            EXPECT_LT(plan.gridWidth, drawnNarrowest);
        }
    }
}

TEST(LineListImport, TheProgramSimulatesAnOpenedListInPlaceOfItsSystem) {
    ExportedOh& oh = Oh();
    AppState& app = oh.oh.app;
    program::OpenLineList(app, oh.hitran, {30000.0, 34000.0});
    app.sim.conditions.kind = SpectrumKind::Absorption;
    app.sim.conditions.start = 3060, app.sim.conditions.end = 3120;
    program::CalculateSimulation(app);
    EXPECT_TRUE(HasSimulation(app.sim));
    EXPECT_GT(app.sim.result.linesDrawn, 100);
    EXPECT_NE(app.sim.result.system.find("HITRAN molecule 13 isotopologue 1"), std::string::npos);
    // Four-wave mixing is not drawn from a list: the program says so and keeps no result.
    app.sim.conditions.kind = SpectrumKind::FourWaveMixing;
    program::CalculateSimulation(app);
    EXPECT_FALSE(HasSimulation(app.sim));
    // A file that cannot be read leaves the list open; choosing a catalogue system closes it.
    program::MnuOpenLineList_Click(app, oh.exomol + ".missing.par");
    EXPECT_TRUE(app.sim.LineList);
    program::SelectBandSystem(app, app.db.systemEntry);
    EXPECT_FALSE(app.sim.LineList);
    program::MnuOpenLineList_Click(app, oh.exomol);
    ASSERT_TRUE(app.sim.LineList);
    EXPECT_EQ(app.sim.LineList->format, "ExoMol");
    program::CloseLineList(app);
    EXPECT_FALSE(app.sim.LineList);
    app.sim.conditions.kind = SpectrumKind::Emission;
}

}  // namespace
}  // namespace velmora::simulation
