// The lines of triplet bands from the effective-Hamiltonian levels against the curated folders:
// the band heads of their tables (air wavelengths by Ciddor's formula, computed here), the
// nuclear-spin weights of each level as the N2 README tabulates them, the 6 : 3 alternation of
// 14N2 lines, the sum rules of the Einstein coefficients of 3Π–3Π bands and the missing
// antisymmetric levels of 12C2.
#include "database/multiplet_band.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "curated_tables.h"

namespace velmora::database {
namespace {

// 14N2 C 3Πu – B 3Πg (I = 1: 6 and 3) and 12C2 d 3Πg – a 3Πu (I = 0: antisymmetric levels absent).
const SystemDescription kN2 = testing::TripletSystem(1, 1, Inversion::Ungerade, 6, 3);
const SystemDescription kC2 = testing::TripletSystem(1, 1, Inversion::Gerade, 1, 0);

// Air wavelength (nm) of a vacuum wavenumber (cm-1), Ciddor's standard air.
double AirNm(double nu) {
    const double s2 = std::pow(nu / 1e4, 2);
    const double n = 1 + 0.05792105 / (238.0185 - s2) + 0.00167917 / (57.362 - s2);
    return 1e7 / nu / n;
}

double BandA(const std::string& folder, int vUp, int vLow) {
    for (const auto& row : testing::CsvRows(folder, "transitions.csv"))
        if (row.at("kind") == "A_band" && std::stoi(row.at("v_up")) == vUp && std::stoi(row.at("v_low")) == vLow)
            return std::stod(row.at("value"));
    return 0;
}

// One head of a README table: band, branch name, J'', lower parity, ν and λ air.
struct TableHead {
    int vUp = 0, vLow = 0;
    std::string branch;
    int J = 0;
    char parity = 'e';
    double nu = 0, nm = 0;
};

std::vector<TableHead> HeadTable(const std::string& folder) {
    std::ifstream in = testing::OpenSource(folder, "README.md");
    std::vector<TableHead> heads;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| (", 0) != 0) continue;
        for (std::size_t at; (at = line.find("**")) != std::string::npos;) line.erase(at, 2);
        const std::vector<std::string> f = testing::Fields(line.substr(2), '|');
        TableHead band;
        if (std::sscanf(f[0].c_str(), "(%d,%d)", &band.vUp, &band.vLow) != 2) continue;
        for (const std::string& item : testing::Fields(f[2], ';')) {
            TableHead h = band;
            char name[8] = {};
            double nu = 0, nm = 0;
            if (std::sscanf(item.c_str(), "%7[A-Z0-9](%d%c) %lf %*s %lf", name, &h.J, &h.parity, &nu, &nm) != 5)
                continue;
            h.branch = name, h.nu = nu, h.nm = nm;
            heads.push_back(h);
        }
    }
    return heads;
}

TEST(MultipletBand, BandHeadsOfTheTripletFoldersWithinTwoHundredthsOfANanometre) {
    struct Folder {
        const char* name;
        const char *upper, *lower;
        const SystemDescription* system;
    };
    int checked = 0;
    for (const Folder& folder : {Folder{"N2_CB", "levels_C.csv", "levels_B.csv", &kN2},
                                 Folder{"C2_DA", "levels_d.csv", "levels_a.csv", &kC2}}) {
        std::map<std::pair<int, int>, std::vector<BandHead>> computed;
        for (const TableHead& h : HeadTable(folder.name)) {
            const std::string where = std::string(folder.name) + " (" + std::to_string(h.vUp) + "," +
                                      std::to_string(h.vLow) + ") " + h.branch;
            auto& heads = computed[{h.vUp, h.vLow}];
            if (heads.empty()) {
                const MultipletBand band =
                    BuildMultipletBand(*folder.system, testing::CuratedLevel(folder.name, folder.upper, h.vUp),
                                       testing::CuratedLevel(folder.name, folder.lower, h.vLow), 1.0, 2 * 71);
                heads = BandHeads(*folder.system, band);
            }
            const BandHead* match = nullptr;
            for (const BandHead& head : heads)
                if (BranchName(head.branch) == h.branch &&
                    head.lowerParity == (h.parity == 'e' ? Parity::e : Parity::f) &&
                    (!match || std::abs(head.nu - h.nu) < std::abs(match->nu - h.nu)))
                    match = &head;
            ASSERT_NE(match, nullptr) << where;
            EXPECT_NEAR(AirNm(match->nu), h.nm, 0.02) << where;
            EXPECT_NEAR(match->nu, h.nu, 0.05) << where;
            EXPECT_EQ(match->twoJLower, 2 * h.J) << where;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 60);
}

TEST(MultipletBand, Nitrogen14LinesCarryTheWeightsOfTheirLevelsAndAlternateSixToThree) {
    // The N2 README's table of g_ns: C 3Πu e even J 3, e odd 6, f even 6, f odd 3; B 3Πg the
    // reverse. A line joins two levels of the same weight, and along a branch the weights of
    // successive lines alternate, so the thermal intensities alternate about their neighbours'
    // mean by 6 : 3.
    auto weightC = [](const LineLevel& l) { return ((l.twoJ / 2) % 2 == 0) == (l.parity == Parity::e) ? 3.0 : 6.0; };
    auto weightB = [](const LineLevel& l) { return ((l.twoJ / 2) % 2 == 0) == (l.parity == Parity::e) ? 6.0 : 3.0; };
    const MultipletBand band =
        BuildMultipletBand(kN2, testing::CuratedLevel("N2_CB", "levels_C.csv", 0),
                           testing::CuratedLevel("N2_CB", "levels_B.csv", 0), BandA("N2_CB", 0, 0), 2 * 40);
    ASSERT_FALSE(band.lines.empty());
    std::map<std::string, std::map<int, double>> branchIntensity;  // branch + lower parity, J''
    const double zero = testing::CuratedLevel("N2_CB", "levels_C.csv", 0).T;
    for (const MultipletLine& line : band.lines) {
        EXPECT_EQ(line.nuclearWeight, weightC(line.upper));
        EXPECT_EQ(line.nuclearWeight, weightB(line.lower));
        if (line.honlLondon > 0.05 * (line.upper.twoJ + 1))
            branchIntensity[BranchNameOf(kN2, line) + (line.lower.parity == Parity::e ? "e" : "f")]
                           [line.lower.twoJ / 2] = ThermalEmission(line, zero, 300.0);
    }
    int alternations = 0;
    for (const auto& [branch, lines] : branchIntensity)
        for (int J = 8; J <= 20; ++J) {
            if (!lines.count(J - 1) || !lines.count(J) || !lines.count(J + 1)) continue;
            const double ratio = lines.at(J) / std::sqrt(lines.at(J - 1) * lines.at(J + 1));
            const double expected =
                weightB({2 * J, 1, 0, branch.back() == 'e' ? Parity::e : Parity::f, 0}) == 6 ? 2 : 0.5;
            EXPECT_NEAR(ratio / expected, 1.0, 0.05) << branch << " J'' " << J;
            ++alternations;
        }
    EXPECT_GT(alternations, 100);
}

TEST(MultipletBand, EinsteinCoefficientsOfEveryLevelSumToTheBands) {
    // 3Π–3Π: the lines out of every upper level give A(band) in all, and the Hönl-London factors
    // into every lower level sum to 2J'' + 1 (g' = g''), for the real constants of N2 C–B (0,2)
    // (regular states) and of C2 d–a (0,0) (inverted states, every existing level).
    struct Case {
        const SystemDescription* system;
        const char *folder, *upper, *lower;
        int vLow;
    };
    for (const Case& c : {Case{&kN2, "N2_CB", "levels_C.csv", "levels_B.csv", 2},
                          Case{&kC2, "C2_DA", "levels_d.csv", "levels_a.csv", 0}}) {
        const double bandA = BandA(c.folder, 0, c.vLow);
        ASSERT_GT(bandA, 0) << c.folder;
        const int twoJMax = 2 * 30;
        const MultipletBand band = BuildMultipletBand(*c.system, testing::CuratedLevel(c.folder, c.upper, 0),
                                                      testing::CuratedLevel(c.folder, c.lower, c.vLow), bandA, twoJMax);
        std::map<std::tuple<int, int, int>, double> outOf, into;
        for (const MultipletLine& l : band.lines) {
            outOf[{l.upper.twoJ, l.upper.F, int(l.upper.parity)}] += l.einsteinA;
            into[{l.lower.twoJ, l.lower.F, int(l.lower.parity)}] += l.honlLondon;
        }
        // N2: all 3 (2J + 1) − ... levels of J ≥ 2 radiate; C2: only the symmetric half.
        int upperLevels = 0;
        for (const auto& [level, a] : outOf) {
            EXPECT_NEAR(a / bandA, 1.0, 1e-9)
                << c.folder << " J' " << std::get<0>(level) / 2 << " F" << std::get<1>(level);
            ++upperLevels;
        }
        for (const auto& [level, s] : into) {
            if (std::get<0>(level) >= twoJMax) continue;
            EXPECT_NEAR(s, std::get<0>(level) + 1.0, 1e-9 * (std::get<0>(level) + 1))
                << c.folder << " J'' " << std::get<0>(level) / 2;
        }
        // 3Π levels of J = 0 .. 30: 2 at J = 0, 4 at J = 1, 6 above.
        const int all = 2 + 4 + 6 * 29;
        EXPECT_EQ(upperLevels, c.system == &kN2 ? all : all / 2) << c.folder;
    }
}

}  // namespace
}  // namespace velmora::database
