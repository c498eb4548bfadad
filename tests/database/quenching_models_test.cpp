// Quenching of NO A, OH A and CH A by a gas composition: the worked check values of
// data-src/QUENCHING/README.md, computed there from the published models, reproduced from the
// shipped model file; mixtures as mole-fraction sums; composition texts and their faults.
#include "database/quenching_models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "common/errors.h"
#include "support/temp_dir.h"

namespace velmora::database {
namespace {

const QuenchingModels& Shipped() {
    static const QuenchingModels models =
        ReadQuenchingModels(std::string(VELMORA_DATA_DIR) + "/" + kQuenchingModelsFile);
    return models;
}

constexpr double kAtmosphere = 760.0;  // Torr

/// Relative agreement: the README's values carry five significant digits (and 1e-5 from masses).
void ExpectClose(double actual, double expected, double relative, const std::string& what) {
    EXPECT_NEAR(actual, expected, relative * std::fabs(expected)) << what;
}

TEST(QuenchingModels, ReproduceTheWorkedCheckValuesOfEveryPartner) {
    struct Check {
        const char* molecule;
        double T;
        const char* partner;
        double sigma;  ///< Å² (equivalent k/v for the Arrhenius sets)
        double speed;  ///< mean relative speed, m/s
        double k;      ///< cm3 s-1
        double qPure;  ///< s-1, the whole gas that partner at 1 atm
    };
    const Check checks[] = {
        {"NO", 300, "N2", 0.006553, 662.14, 4.339e-14, 1.0614e6},
        {"NO", 300, "O2", 25.1, 640.46, 1.6075e-10, 3.9326e9},
        {"NO", 300, "H2O", 126.88, 751.17, 9.5311e-10, 2.3316e10},
        {"NO", 300, "CO2", 77.880, 596.67, 4.6468e-10, 1.1368e10},
        {"NO", 300, "CO", 5.9049, 662.16, 3.9099e-11, 9.5649e8},
        {"NO", 2000, "N2", 0.81699, 1709.6, 1.3968e-11, 5.1253e7},
        {"NO", 2000, "O2", 25.1, 1653.6, 4.1507e-10, 1.5231e9},
        {"NO", 2000, "H2O", 28.570, 1939.5, 5.5412e-10, 2.0333e9},
        {"NO", 2000, "CO2", 55.571, 1540.6, 8.5612e-10, 3.1415e9},
        {"NO", 2000, "CO", 10.461, 1709.7, 1.7885e-10, 6.5628e8},
        {"OH", 300, "N2", 3.1985, 774.74, 2.4780e-11, 6.0619e8},
        {"OH", 300, "O2", 17.925, 756.29, 1.3557e-10, 3.3164e9},
        {"OH", 300, "H2O", 84.698, 852.09, 7.2170e-10, 1.7655e10},
        {"OH", 300, "CO2", 55.749, 719.58, 4.0116e-10, 9.8136e9},
        {"OH", 2000, "N2", 0.54747, 2000.4, 1.0951e-11, 4.0186e7},
        {"OH", 2000, "O2", 9.0159, 1952.7, 1.7606e-10, 6.4604e8},
        {"OH", 2000, "H2O", 24.816, 2200.1, 5.4597e-10, 2.0034e9},
        {"OH", 2000, "CO2", 14.023, 1858.0, 2.6054e-10, 9.5604e8},
    };
    for (const Check& c : checks) {
        const StateQuenching models = Shipped().For(c.molecule, "A");
        const PartnerQuenching* m = models.Find(c.partner);
        ASSERT_NE(m, nullptr) << c.molecule << " + " << c.partner;
        const std::string what = std::string(c.molecule) + " + " + c.partner + " at " + std::to_string(c.T);
        const double k = RateCoefficient(*m, c.T, MolarMass(c.molecule));
        ExpectClose(k, c.k, 2e-4, what + ": k");
        // The speed from the masses as the README writes it: sqrt(8 k_B T / (π μ)), μ in kg.
        const double mu = MolarMass(c.molecule) * MolarMass(c.partner) / (MolarMass(c.molecule) + MolarMass(c.partner));
        const double speed = std::sqrt(8.0 * 1.380649e-23 * c.T / (M_PI * mu * 1e-3 / 6.02214076e23));
        ExpectClose(speed, c.speed, 1e-4, what + ": speed");
        if (m->form != QuenchingForm::Arrhenius) ExpectClose(CrossSection(*m, c.T), c.sigma, 2e-4, what + ": sigma");
        ExpectClose(k / (speed * 100.0) * 1e16, c.sigma, 2e-4, what + ": k / v");
        ExpectClose(QuenchingRate(models, ParseComposition(std::string(c.partner) + "=1"), c.T, kAtmosphere).rate,
                    c.qPure, 2e-4, what + ": Q");
    }
    // CH A: the steep FFCM-1 fits of N2 and O2.
    const StateQuenching ch = Shipped().For("CH", "A");
    ExpectClose(RateCoefficient(*ch.Find("N2"), 300, MolarMass("CH")), 2.5203e-13, 2e-4, "CH + N2 at 300 K");
    ExpectClose(RateCoefficient(*ch.Find("N2"), 2000, MolarMass("CH")), 9.2646e-11, 2e-4, "CH + N2 at 2000 K");
    ExpectClose(RateCoefficient(*ch.Find("O2"), 300, MolarMass("CH")), 1.4272e-11, 2e-4, "CH + O2 at 300 K");
    ExpectClose(RateCoefficient(*ch.Find("O2"), 2000, MolarMass("CH")), 7.1222e-11, 2e-4, "CH + O2 at 2000 K");
    // Intermediate NO cross sections at 1000 K.
    const StateQuenching no = Shipped().For("NO", "A");
    for (const auto& [partner, sigma] :
         {std::pair<const char*, double>{"N2", 0.2056}, {"CO2", 58.72}, {"H2O", 32.15}, {"CO", 6.880}})
        ExpectClose(CrossSection(*no.Find(partner), 1000), sigma, 5e-4, std::string("NO + ") + partner + " at 1000 K");
}

TEST(QuenchingModels, AMixtureQuenchesAsTheMoleFractionSumOfItsPartners) {
    struct Mixture {
        const char* gas;
        double T, no, oh, ch;  ///< Q (s-1) at 1 atm
    };
    const Mixture mixtures[] = {
        {"N2=0.79,O2=0.21", 300, 8.2668e8, 1.1753e9, 7.8191e7},
        {"N2=0.79,O2=0.21", 2000, 3.6034e8, 1.6741e8, 3.2345e8},
        {"N2=0.71,H2O=0.19,CO2=0.095,O2=0.005", 300, 5.5304e9, 4.7337e9, 4.1590e8},
        {"N2=0.71,H2O=0.19,CO2=0.095,O2=0.005", 2000, 7.2878e8, 5.0324e8, 3.3747e8},
    };
    for (const Mixture& m : mixtures) {
        const GasComposition gas = ParseComposition(m.gas);
        for (const auto& [molecule, expected] :
             {std::pair<const char*, double>{"NO", m.no}, {"OH", m.oh}, {"CH", m.ch}}) {
            const StateQuenching models = Shipped().For(molecule, "A");
            const double q = QuenchingRate(models, gas, m.T, kAtmosphere).rate;
            ExpectClose(q, expected, 2e-4, std::string(molecule) + " in " + m.gas);
            double sum = 0.0;  // Σ x_i Q_i(pure)
            for (const auto& [partner, x] : gas.partners)
                sum += x * QuenchingRate(models, ParseComposition(partner + "=1"), m.T, kAtmosphere).rate;
            ExpectClose(q, sum, 1e-12, std::string(molecule) + " in " + m.gas + ": sum");
            // Proportional to the pressure at a fixed temperature.
            ExpectClose(QuenchingRate(models, gas, m.T, 76.0).rate, q / 10.0, 1e-12, "a tenth of the pressure");
        }
    }
}

TEST(QuenchingModels, PartnersWithoutModelAndTemperaturesOutsideTheRangeAreReported) {
    const GasComposition gas = ParseComposition("N2=0.9,Kr=0.1");
    CompositionQuenching oh = QuenchingRate(Shipped().For("OH", "A"), gas, 250, kAtmosphere);
    ASSERT_EQ(oh.warnings.size(), 2u);
    EXPECT_EQ(oh.warnings[0], "no quenching model of OH A for Kr: no quenching by them");
    EXPECT_EQ(oh.warnings[1], "250 K is outside the range of the OH A quenching model for N2 (from 290 K)");
    EXPECT_NEAR(oh.rate, 0.9 * QuenchingRate(Shipped().For("OH", "A"), ParseComposition("N2=1"), 250, kAtmosphere).rate,
                1e-6);
    EXPECT_TRUE(QuenchingRate(Shipped().For("OH", "A"), ParseComposition("N2=1"), 1500, kAtmosphere).warnings.empty());
    const CompositionQuenching no =
        QuenchingRate(Shipped().For("NO", "A"), ParseComposition("Ar=0.5,N2=rest"), 300, 1.0);
    ASSERT_EQ(no.warnings.size(), 1u);
    EXPECT_EQ(no.warnings[0], "the NO A quenching model sets Ar to no quenching (not a measured value)");
    // A model whose parameters overflow (0 × T^334) is left out and named; the others still count.
    StateQuenching overflowing = Shipped().For("OH", "A");
    PartnerQuenching& n2 = overflowing.partners.front();
    ASSERT_EQ(n2.partner, "N2");
    n2.form = QuenchingForm::Arrhenius, n2.c = {0.0, 334.03, -381.0}, n2.lowestT = n2.highestT = 0.0;
    const CompositionQuenching air = QuenchingRate(overflowing, ParseComposition("N2=0.79,O2=0.21"), 2000, kAtmosphere);
    EXPECT_EQ(air.warnings,
              std::vector<std::string>{
                  "the OH A quenching model for N2 gives no finite rate at 2000 K: no quenching by them"});
    EXPECT_NEAR(air.rate, 0.21 * QuenchingRate(overflowing, ParseComposition("O2=1"), 2000, kAtmosphere).rate,
                1e-6 * air.rate);
    const CompositionQuenching od = QuenchingRate(Shipped().For("OD", "A"), gas, 300, kAtmosphere);
    EXPECT_EQ(od.rate, 0.0);
    EXPECT_EQ(od.warnings, std::vector<std::string>{"the database has no quenching model for OD A: no quenching"});
}

TEST(GasComposition, FractionsRestAndTheFaultsOfAText) {
    EXPECT_NEAR(MolarMass("N2"), 28.0134, 1e-9);
    EXPECT_NEAR(MolarMass("H2O"), 18.01528, 1e-9);
    EXPECT_NEAR(MolarMass("C3H8"), 3 * 12.0107 + 8 * 1.00794, 1e-9);
    const GasComposition gas = ParseComposition(" H2O=0.19, CO2 = 0.095 ,O2=0.005,N2=rest");
    ASSERT_EQ(gas.partners.size(), 4u);
    EXPECT_EQ(gas.partners[3].first, "N2");
    EXPECT_NEAR(gas.partners[3].second, 0.71, 1e-12);
    EXPECT_EQ(CompositionText(gas), "H2O=0.19,CO2=0.095,O2=0.005,N2=0.71");
    EXPECT_EQ(ParseComposition(CompositionText(gas)), gas);
    EXPECT_TRUE(ParseComposition("  ").Empty());
    auto fault = [](const char* text) {
        try {
            ParseComposition(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("(accepted)");
    };
    EXPECT_EQ(fault("N2=0.7,O2=0.2"),
              "the mole fractions add up to 0.9, not 1 (let one partner take the rest, such as N2=rest)");
    EXPECT_EQ(fault("N2=0.79,O2"), "\"O2\": give a partner and its mole fraction, such as N2=0.79");
    EXPECT_EQ(fault("N2=1.2"), "the mole fraction of N2 must be a number from 0 to 1 (or rest), not \"1.2\"");
    EXPECT_EQ(fault("N2=0.5,N2=0.5"), "partner N2 is given twice");
    EXPECT_EQ(fault("N2=rest,Ar=rest"), "only one partner can take the rest");
    EXPECT_EQ(fault("O2=0.8,H2O=0.5,N2=rest"), "the mole fractions add up to 1.3, above 1: nothing is left for N2");
    EXPECT_EQ(fault("n2=1"),
              "\"n2\" is not a chemical formula of H, D, He, C, N, O, F, Ne, Si, S, Cl, Ar, Kr or Xe (such as N2, H2O, "
              "CO2, Ar)");
}

TEST(QuenchingModels, AnUnknownModelInTheFileIsReportedWithItsLine) {
    velmora::testing::TempDir dir;
    const std::string path = (dir / kQuenchingModelsFile).string();
    std::ofstream(path) << "title\nheadings\n\"NO\", \"A\", \"N2\", \"constant\", 0, 0, 1.5\n"
                           "\"NO\", \"A\", \"O2\", \"cubic\", 0, 0, 1\n";
    try {
        ReadQuenchingModels(path);
        FAIL() << "accepted";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), path + ", line 4: \"cubic\" is not a known quenching model");
    }
}

}  // namespace
}  // namespace velmora::database
