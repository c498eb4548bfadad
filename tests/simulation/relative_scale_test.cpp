// A band system without an absolute scale (CF A-X: constants and computed Franck-Condon factors,
// no lifetime): its lines against the folder's constants evaluated here, its relative band
// strengths against the folder's factors, its relative spectra, and the refusal of everything
// that needs the missing lifetime.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "database/line_rows.h"
#include "database/state_descriptions.h"
#include "simulation/absolute_absorption.h"
#include "simulation/absolute_scale.h"
#include "simulation/shipped_system.h"
#include "support/file_error.h"
#include "table/table_model.h"

namespace velmora::simulation {
namespace {

using ::testing::HasSubstr;
using testing::ShippedSystem;

constexpr const char* kMissingLifetime = "the radiative lifetime of A v' = 0 is not known";

/// The rows of a CSV table of data-src/CF_AX by header name (the quoted source column, which
/// may hold commas, comes last and is not read).
std::vector<std::map<std::string, std::string>> ReadCsv(const std::string& file) {
    std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/data-src/CF_AX/" + file);
    std::vector<std::map<std::string, std::string>> rows;
    std::string line, cell;
    std::vector<std::string> names;
    std::getline(in, line);
    for (std::stringstream header(line); std::getline(header, cell, ',');) names.push_back(cell);
    while (std::getline(in, line)) {
        std::stringstream s(line);
        std::map<std::string, std::string> row;
        for (const std::string& name : names)
            if (std::getline(s, cell, ',')) row[name] = cell;
        rows.push_back(row);
    }
    return rows;
}

/// Term values of the folder's constants, built here: A 2Sigma+ with gamma = 0 (both spin
/// components at F(N)), X 2Pi in the case (a) basis with the N^2 Hamiltonian (A, B, D; p, q and
/// gamma unknown, taken as 0), F1 the lower eigenvalue.
struct FolderTerms {
    std::vector<std::map<std::string, std::string>> upper = ReadCsv("levels_A.csv"), lower = ReadCsv("levels_X.csv");
    double Upper(int v, int N) const {
        const auto& r = upper.at(static_cast<std::size_t>(v));
        const double x = N * (N + 1.0);
        return std::stod(r.at("T_v")) + std::stod(r.at("B")) * x - std::stod(r.at("D")) * x * x;
    }
    double Lower(int v, double J, int F) const {
        const auto& r = lower.at(static_cast<std::size_t>(v));
        const double T = std::stod(r.at("T_v")), A = std::stod(r.at("A")), B = std::stod(r.at("B"));
        const double D = std::stod(r.at("D"));
        const double x2 = (J + 0.5) * (J + 0.5);
        // N^2 = (J - S)^2 in the basis |Omega = 1/2>, |Omega = 3/2> (x = J + 1/2): diagonal
        // J(J+1) + 3/4 - 2 Omega Sigma = x^2 + 1, x^2 - 1; off-diagonal -sqrt(x^2 - 1) (zero at
        // J = 1/2, where only Omega = 1/2 exists).
        const double n11 = x2 + 1.0, n22 = x2 - 1.0, n12 = -std::sqrt(std::max(0.0, x2 - 1.0));
        const double m11 = n11 * n11 + n12 * n12, m22 = n22 * n22 + n12 * n12, m12 = n12 * (n11 + n22);
        const double h11 = T - A / 2.0 + B * n11 - D * m11, h22 = T + A / 2.0 + B * n22 - D * m22;
        const double h12 = B * n12 - D * m12;
        if (J < 1.0) return h11;
        const double mean = (h11 + h22) / 2.0, half = std::sqrt((h11 - h22) * (h11 - h22) / 4.0 + h12 * h12);
        return F == 1 ? mean - half : mean + half;
    }
    /// A line from its case (a) name (letter: J' - J''; digits: upper F, lower F) and J''.
    double Line(int vUp, int vLow, const std::string& nameA, double JLow) const {
        const double J = JLow + (nameA[0] == 'P' ? -1 : nameA[0] == 'Q' ? 0 : nameA[0] == 'R' ? 1 : 99);
        const int Fu = nameA[1] - '0', Fl = nameA.size() > 2 ? nameA[2] - '0' : Fu;
        const int N = static_cast<int>(std::lround(Fu == 1 ? J - 0.5 : J + 0.5));
        return Upper(vUp, N) - Lower(vLow, JLow, Fl);
    }
};

struct CfSystem : ShippedSystem {
    CfSystem() : ShippedSystem("CF", "(A-X)") {}
    SimulationConditions Conditions(SpectrumKind kind) {
        SimulationConditions c = app.sim.conditions;
        c.kind = kind;
        c.unit = AxisUnit::Wavenumber;
        c.start = 42700.0, c.end = 43100.0;
        c.temperature = 2000.0;
        c.quenching = QuenchingSource::None;
        c.gate = GateMode::TotalIntegration;
        c.lifRegime = LifRegime::Linear;
        c.absorptionUnit = AbsorptionUnit::Relative;
        return c;
    }
};

TEST(RelativeScale, LinesAndHeadsFollowTheFolderConstants) {
    CfSystem cf;
    const FolderTerms terms;
    ASSERT_TRUE(ReadCsv("lines_reference.csv").empty()) << "measured CF lines appeared: compare with them";
    for (const auto& [vUp, vLow] : {std::pair{0, 0}, std::pair{0, 2}, std::pair{1, 0}, std::pair{2, 5}}) {
        const std::vector<database::LineRow> rows = database::BandLineRows(cf.app.db, vUp, vLow);
        ASSERT_GT(rows.size(), 400u);
        std::map<std::string, std::pair<double, double>> heads;  // branch: lowest position, ours and theirs
        double worst = 0.0;
        for (const database::LineRow& r : rows) {
            const double expected = terms.Line(vUp, vLow, r.nameA, r.JLow);
            worst = std::max(worst, std::fabs(r.position - expected));
            EXPECT_NEAR(r.position, expected, 0.01) << vUp << "," << vLow << " " << r.nameA << "(" << r.JLow << ")";
            const auto it = heads.try_emplace(r.nameA, r.position, expected).first;
            it->second = {std::min<double>(it->second.first, r.position), std::min(it->second.second, expected)};
        }
        // The P heads (B' > B'': the bands are shaded to the violet, their heads in P).
        for (const char* p : {"P1", "P2"}) EXPECT_NEAR(heads.at(p).first, heads.at(p).second, 0.01) << p;
        EXPECT_LT(worst, 0.01);
    }
    // The terms built here against the two levels the folder README states: X v = 0, J = 1/2 at
    // -35.784 cm-1 and F2 (J = 3/2) 78.688 cm-1 above it.
    EXPECT_NEAR(terms.Lower(0, 0.5, 1), -35.784, 1e-3);
    EXPECT_NEAR(terms.Lower(0, 1.5, 2) - terms.Lower(0, 0.5, 1), 78.688, 1e-3);
}

TEST(RelativeScale, BandStrengthsAreTheFolderFranckCondonFactors) {
    CfSystem cf;
    const DatabaseState& db = cf.app.db;
    int compared = 0;
    for (const auto& row : ReadCsv("transitions.csv")) {
        const int vUp = std::stoi(row.at("v_up")), vLow = std::stoi(row.at("v_low"));
        if (vLow > db.cat.NMaxVib(db.systemEntry, 2)) continue;
        EXPECT_NEAR(db.BandData(3, vUp, vLow), std::stod(row.at("value")), 1e-6) << vUp << "," << vLow;
        ++compared;
    }
    EXPECT_EQ(compared, 26);
    // The table shows them as relative values; every quantity in absolute units says why not.
    AppState& app = cf.app;
    for (int q = 1; q <= 6; ++q) {
        app.table.tableKind = q == 6 ? 2 : 1;
        app.table.icoef = q;
        ASSERT_TRUE(table::BuildDatabaseTable(app));
        const bool absolute = q == 1 || q == 2 || q == 6;
        EXPECT_EQ(app.table.TableData.Empty(), absolute) << q;
        if (absolute) {
            EXPECT_THAT(app.table.Grid.Cells.at(1).at(0), HasSubstr(kMissingLifetime)) << q;
            EXPECT_THAT(velmora::testing::FileErrorMessage(
                            [&] { table::SaveDatabaseTable(app, std::string(VELMORA_DATA_DIR) + "/../cf.csv"); }),
                        HasSubstr(kMissingLifetime));
        }
    }
    app.table.tableKind = 1, app.table.icoef = 3;
    ASSERT_TRUE(table::BuildDatabaseTable(app));
    EXPECT_EQ(table::DisplayedUnit(app.db, app.table), "relative (unit moment)");
    EXPECT_NEAR(app.table.TableData(1, 1), 0.0998, 1e-6);  // (0, 0)
}

TEST(RelativeScale, RelativeSpectraDrawAndAbsoluteOnesAreRefused) {
    CfSystem cf;
    const FolderTerms terms;
    struct Case {
        const char* what;
        SpectrumKind kind;
        std::function<void(SimulationConditions&)> set;
        const char* refusal;  ///< nullptr: drawn
    };
    const auto none = [](SimulationConditions&) {};
    const Case cases[] = {
        {"emission", SpectrumKind::Emission, none, nullptr},
        {"absorption, relative", SpectrumKind::Absorption, none, nullptr},
        {"LIF excitation", SpectrumKind::LifExcitation, none, nullptr},
        {"LIF, saturated", SpectrumKind::LifExcitation, [](auto& c) { c.lifRegime = LifRegime::Saturated; }, nullptr},
        {"LIF, quenching not in the yield", SpectrumKind::LifExcitation,
         [](auto& c) { c.quenching = QuenchingSource::SingleValue, c.yield = YieldMode::ExcludeQuenching; }, nullptr},
        {"four-wave mixing", SpectrumKind::FourWaveMixing, none, nullptr},
        {"gated LIF", SpectrumKind::LifExcitation, [](auto& c) { c.gate = GateMode::TimeResolved; }, "Gated detection"},
        {"rate equations", SpectrumKind::LifExcitation, [](auto& c) { c.lifRegime = LifRegime::RateEquations; },
         "LIF by rate equations"},
        {"LIF, quenched yield", SpectrumKind::LifExcitation,
         [](auto& c) { c.quenching = QuenchingSource::SingleValue, c.quenchingRate = 10.0; }, "with quenching"},
        {"emission, quenched by a gas", SpectrumKind::Emission,
         [](auto& c) { c.quenching = QuenchingSource::GasComposition; }, "with quenching"},
        {"cross section", SpectrumKind::Absorption, [](auto& c) { c.absorptionUnit = AbsorptionUnit::CrossSection; },
         "Absorption as cross section"},
        {"absorbance", SpectrumKind::Absorption,
         [](auto& c) { c.absorptionUnit = AbsorptionUnit::Absorbance, c.columnDensity = 1e12; }, "as absorbance"},
        {"transmittance", SpectrumKind::Absorption,
         [](auto& c) { c.absorptionUnit = AbsorptionUnit::Transmittance, c.columnDensity = 1e12; }, "as transmittance"},
    };
    // The P heads of the (0,0) band of the lines computed here (the lowest line of each branch),
    // seen in the emission at 2000 K at 1 cm-1 resolution.
    std::map<std::string, double> heads;
    for (const database::LineRow& r : database::BandLineRows(cf.app.db, 0, 0)) {
        const double nu = terms.Line(0, 0, r.nameA, r.JLow);
        const auto it = heads.try_emplace(r.nameA, nu).first;
        it->second = std::min(it->second, nu);
    }
    for (const Case& k : cases) {
        const populations::Populations pop = cf.Thermal(k.kind, 2000.0f);
        SimulationConditions c = cf.Conditions(k.kind);
        c.lineshape = Lineshape::Gaussian, c.resolution = 1.0;
        k.set(c);
        if (k.refusal) {
            try {
                Simulate(*cf.model, c, pop);
                ADD_FAILURE() << k.what << ": drawn";
            } catch (const ConditionError& e) {
                EXPECT_THAT(e.what(), HasSubstr(k.refusal)) << k.what;
                EXPECT_THAT(e.what(), HasSubstr(kMissingLifetime)) << k.what;
            }
            continue;
        }
        EXPECT_EQ(AbsoluteScaleRefusal(*cf.model, c), "") << k.what;
        const Spectrum s = Simulate(*cf.model, c, pop);
        ASSERT_GT(s.linesDrawn, 100u) << k.what;
        ASSERT_GT(s.peak, 0.0f) << k.what;
        if (k.kind == SpectrumKind::Emission) {
            // Shaded to the violet: dark below each P head, bright at it.
            auto at = [&](double x) {
                return s.total(
                    std::clamp(static_cast<int>(std::lround((x - s.grid.start) / s.grid.Step())), 0, s.grid.last));
            };
            for (const char* p : {"P1", "P2"}) {
                const double head = heads.at(p);
                float top = 0.0f;
                for (double x = head - 1.0; x <= head + 1.0; x += 0.1) top = std::max(top, at(x));
                EXPECT_GT(top, 10.0f) << p;  // of the peak 100
                EXPECT_LT(at(head - 3.0), 0.15f * top) << p;
            }
        }
        if (k.kind == SpectrumKind::Absorption) {
            EXPECT_THAT([&] { CrossSection(s, *cf.model, c); },
                        ::testing::ThrowsMessage<ConditionError>(HasSubstr(kMissingLifetime)));
        }
    }
}

TEST(RelativeScale, EveryShippedSystemWithALifetimeKeepsItsScale) {
    CfSystem cf;
    const Catalogue& cat = cf.app.db.cat;
    int relative = 0;
    for (int i = 1; i <= cat.CatalogueCount; ++i) {
        const bool none = !database::NoAbsoluteScale(cat, i).empty();
        EXPECT_EQ(none, cat.ReferenceLifetime(i) == 0.0) << i;
        relative += none;
    }
    EXPECT_EQ(relative, 1);
    EXPECT_THAT([&] { database::LevelLifetimeRows(cf.app.db); },
                ::testing::ThrowsMessage<std::invalid_argument>(HasSubstr(kMissingLifetime)));
}

}  // namespace
}  // namespace velmora::simulation
