// velmora-cli export: the ExoMol and HITRAN files read back by readers written here from the
// formats' own rules (the ExoMol definition file names the columns of the states file; HITRAN
// fields sit at fixed columns), cross-checked against each other, against `lines`, `lifetimes`
// and spectra of `simulate`, and absolute absorption.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

#include "cli/cli_fixture.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

constexpr double kC2 = 1.438776877;       // hc/k, cm K
constexpr double kLight = 2.99792458e10;  // cm/s

std::vector<std::string> Lines(const std::filesystem::path& p) {
    std::istringstream in(testing::ReadFile(p));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> f;
    for (std::string w; in >> w;) f.push_back(w);
    return f;
}

/// An ExoMol definition file: (value, keyword) per line, the keyword after "#".
struct Definition {
    std::vector<std::pair<std::string, std::string>> items;
    explicit Definition(const std::filesystem::path& p) {
        for (const std::string& line : Lines(p)) {
            const std::size_t hash = line.find('#');
            EXPECT_NE(hash, std::string::npos) << line;
            items.emplace_back(Trim(line.substr(0, hash)), Trim(line.substr(hash + 1)));
        }
    }
    /// The value of the first item whose keyword begins with `keyword`.
    std::string Value(const std::string& keyword) const {
        for (const auto& [value, key] : items)
            if (key.rfind(keyword, 0) == 0) return value;
        ADD_FAILURE() << "no \"" << keyword << "\" in the definition";
        return "";
    }
    std::vector<std::string> All(const std::string& keyword) const {
        std::vector<std::string> v;
        for (const auto& [value, key] : items)
            if (key == keyword) v.push_back(value);
        return v;
    }
};

/// One level of a .states file: the mandatory columns and the quantum labels the definition
/// names, by label.
struct State {
    int id = 0, g = 0;
    double E = 0, J = 0, unc = 0;
    std::map<std::string, std::string> q;
};
struct Transition {
    int up = 0, low = 0;
    double A = 0, nu = 0;
};

/// The three files of a list, read by the columns the definition gives: id, E, g, J, then unc
/// when "Uncertainty availability" is 1, then one column per quantum label.
struct ExoMolFiles {
    Definition def;
    std::map<int, State> states;
    std::vector<Transition> trans;
    std::vector<std::pair<double, double>> pf;
    explicit ExoMolFiles(const std::string& prefix) : def(prefix + ".def") {
        const bool unc = def.Value("Uncertainty availability") == "1";
        const std::vector<std::string> labels = def.All("Quantum label");
        for (const std::string& line : Lines(prefix + ".states")) {
            const auto f = Fields(line);
            EXPECT_EQ(f.size(), 4 + (unc ? 1 : 0) + labels.size()) << line;
            if (f.size() != 4 + (unc ? 1 : 0) + labels.size()) return;
            State s;
            s.id = std::stoi(f[0]), s.E = std::stod(f[1]), s.g = std::stoi(f[2]), s.J = std::stod(f[3]);
            if (unc) s.unc = std::stod(f[4]);
            for (std::size_t k = 0; k < labels.size(); ++k) s.q[labels[k]] = f[4 + (unc ? 1 : 0) + k];
            states[s.id] = s;
        }
        for (const std::string& line : Lines(prefix + ".trans")) {
            const auto f = Fields(line);
            EXPECT_EQ(f.size(), 4u) << line;
            trans.push_back({std::stoi(f[0]), std::stoi(f[1]), std::stod(f[2]), std::stod(f[3])});
        }
        for (const std::string& line : Lines(prefix + ".pf")) {
            const auto f = Fields(line);
            EXPECT_EQ(f.size(), 2u) << line;
            pf.emplace_back(std::stod(f[0]), std::stod(f[1]));
        }
    }
    double Q(double T) const {
        double q = 0;
        for (const auto& [id, s] : states) q += s.g * std::exp(-kC2 * s.E / T);
        return q;
    }
};

/// The shipped database and the entry of a molecule and system ("OH", "(A-X)").
std::pair<std::string, int> Shipped(const std::string& molecule, const std::string& system) {
    const std::string data = VELMORA_DATA_DIR;
    for (const std::string& row : RunCli({"systems", "--data", data}).lines) {
        const auto f = testing::CommaFields(row);
        if (f.size() > 2 && f[1] == molecule && f[2] == system) return {data, std::stoi(f[0])};
    }
    ADD_FAILURE() << molecule << " " << system << " is not shipped";
    return {data, 0};
}

Result Export(const std::string& data, int entry, const std::string& format, const std::string& prefix,
              std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"export", "--entry", std::to_string(entry), "--data", data, "--format", format,
                                     "--out",  prefix};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunCli(args);
}

TEST(CliExport, ExoMolFilesFollowTheirDefinition) {
    // Every keyword of the definition file, in the order of the format (ExoMol database papers,
    // 2016 with the uncertainty flag of 2020), here for a diatomic molecule with no broadening,
    // cross-section or k-coefficient files and one transition file.
    const std::vector<std::string> head = {"ID",
                                           "IsoFormula",
                                           "Iso-slug",
                                           "Isotopologue dataset name",
                                           "Version number with format YYYYMMDD",
                                           "Inchi key of molecule",
                                           "Number of atoms",
                                           "Isotope number 1",
                                           "Element symbol 1",
                                           "Isotope number 2",
                                           "Element symbol 2",
                                           "Isotopologue mass (Da) and (kg)",
                                           "Symmetry group",
                                           "Number of irreducible representations"};
    const std::vector<std::string> middle = {"Maximum temperature of linelist",
                                             "No. of pressure broadeners available",
                                             "Dipole availability (1=yes, 0=no)",
                                             "No. of cross section files available",
                                             "No. of k-coefficient files available",
                                             "Lifetime availability (1=yes, 0=no)",
                                             "Lande g-factor availability (1=yes, 0=no)",
                                             "Uncertainty availability (1=yes, 0=no)",
                                             "No. of states in .states file",
                                             "No. of quanta cases",
                                             "Quantum case label",
                                             "No. of quanta defined"};
    const std::vector<std::string> tail = {"Total number of transitions",
                                           "No. of transition files",
                                           "Maximum wavenumber (in cm-1)",
                                           "Higher energy with complete set of transitions (in cm-1)",
                                           "Maximum temperature of partition function",
                                           "Step size of temperature",
                                           "Default value of Lorentzian half-width for all lines (in cm-1/bar)",
                                           "Default value of temperature exponent for all lines"};
    // OH: heteronuclear, g_ns = 2 (1H spin 1/2, 16O spin 0); N2+: 14N nuclei of spin 1, levels
    // symmetric under their exchange (+ in the g state X, - in the u state B) 6, others 3.
    const struct {
        const char *molecule, *system, *slug;
        int irreps;
        double mass;
    } cases[] = {{"OH", "(A-X)", "16O-1H", 2, 17.00274}, {"N2+", "(B-X)", "14N2_p", 4, 28.00560}};
    testing::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.molecule);
        const auto [data, entry] = Shipped(c.molecule, c.system);
        const std::string prefix = (dir / c.slug).string() + "__test";
        const Result r = Export(data, entry, "exomol", prefix, {"--uncertainty", "0.05"});
        ASSERT_EQ(r.code, 0) << r.err;
        const ExoMolFiles files(prefix);
        const Definition& def = files.def;

        std::vector<std::string> keys = head;
        for (int i = 0; i < c.irreps; ++i)
            for (const char* k :
                 {"Irreducible representation ID", "Irreducible representation label", "Nuclear spin degeneracy"})
                keys.push_back(k);
        keys.insert(keys.end(), middle.begin(), middle.end());
        for (std::size_t i = 0; i < def.All("Quantum label").size(); ++i)
            for (const char* k : {"Quantum label", "Format quantum label", "Description quantum label"})
                keys.push_back(k);
        keys.insert(keys.end(), tail.begin(), tail.end());
        ASSERT_EQ(def.items.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) EXPECT_EQ(def.items[i].second, keys[i]) << "item " << i + 1;

        EXPECT_EQ(def.Value("ID"), "EXOMOL.def");
        EXPECT_EQ(def.Value("Iso-slug"), c.slug);
        EXPECT_EQ(def.Value("Isotopologue dataset name"), "test");
        EXPECT_TRUE(std::regex_match(def.Value("Version number"), std::regex("20[0-9]{6}")));
        const auto mass = Fields(def.Value("Isotopologue mass"));
        ASSERT_EQ(mass.size(), 2u);
        EXPECT_NEAR(std::stod(mass[0]), c.mass, 1e-5);
        EXPECT_NEAR(std::stod(mass[1]), c.mass * 1.66053906660e-27, 1e-31);
        EXPECT_EQ(std::stoi(def.Value("No. of quanta defined")), static_cast<int>(def.All("Quantum label").size()));
        EXPECT_EQ(std::stoul(def.Value("No. of states")), files.states.size());
        EXPECT_EQ(std::stoul(def.Value("Total number of transitions")), files.trans.size());
        EXPECT_EQ(def.Value("Maximum temperature of partition function"), "5000");
        EXPECT_EQ(def.Value("Step size of temperature"), "1");
        std::map<std::string, int> gns;  // per irreducible representation
        const auto labels = def.All("Irreducible representation label"), weights = def.All("Nuclear spin degeneracy");
        for (std::size_t i = 0; i < labels.size(); ++i) gns[labels[i]] = std::stoi(weights[i]);
        if (c.irreps == 2) {
            EXPECT_EQ(gns, (std::map<std::string, int>{{"Sigma+", 2}, {"Sigma-", 2}}));
        }
        if (c.irreps == 4) {
            EXPECT_EQ(gns,
                      (std::map<std::string, int>{{"Sigma+g", 6}, {"Sigma-g", 3}, {"Sigma+u", 3}, {"Sigma-u", 6}}));
        }

        // States: ids 1..n in order of energy from 0; g = g_ns (2J + 1) with the weight of the
        // level's symmetry; total parity (-1)^(J - 1/2) for e levels, the opposite for f.
        int id = 0;
        double last = 0;
        const std::string lower = files.states.at(1).q.at("State");
        for (const auto& [i, s] : files.states) {
            EXPECT_EQ(i, ++id);
            EXPECT_GE(s.E, last);
            last = s.E;
            EXPECT_EQ(s.unc, 0.05);
            const bool evenJ = static_cast<int>(std::lround(s.J - 0.5)) % 2 == 0;
            const std::string ef = s.q.at("e/f"), pm = s.q.at("+/-");
            EXPECT_EQ(pm, evenJ == (ef == "e") ? "+" : "-") << s.id;
            const bool g = s.q.at("State") == lower;  // the lower state is the g state
            const std::string irrep = c.irreps == 2 ? "Sigma" + pm : "Sigma" + pm + (g ? "g" : "u");
            EXPECT_EQ(s.g, gns[irrep] * static_cast<int>(2 * s.J + 1)) << s.id;
        }
        EXPECT_EQ(files.states.at(1).E, 0.0);

        // Transitions in order of wavenumber, each the difference of its energies (6 decimals).
        double maxNu = 0;
        for (std::size_t k = 0; k < files.trans.size(); ++k) {
            const Transition& t = files.trans[k];
            ASSERT_TRUE(files.states.count(t.up) && files.states.count(t.low));
            EXPECT_NEAR(t.nu, files.states.at(t.up).E - files.states.at(t.low).E, 1.5e-6);
            if (k > 0) {
                EXPECT_GE(t.nu, files.trans[k - 1].nu);
            }
            maxNu = std::max(maxNu, t.nu);
        }
        EXPECT_NEAR(std::stod(def.Value("Maximum wavenumber")), maxNu, 1e-6);

        // Partition function: 1..5000 K in steps of 1 K, the sum over the states.
        ASSERT_EQ(files.pf.size(), 5000u);
        for (std::size_t k = 0; k < files.pf.size(); ++k) ASSERT_EQ(files.pf[k].first, k + 1.0);
        for (const int T : {1, 10, 296, 1000, 3000, 5000})
            EXPECT_NEAR(files.pf[T - 1].second, files.Q(T), 1e-4 + 1e-8 * files.Q(T)) << T << " K";
    }
}

// The lines of every shipped system against `lines` and `lifetimes`: tests/database.
TEST(CliExport, ExoMolLinesRecomputeTheAbsorptionOfSimulate) {
    SimDatabase db;
    const std::string prefix = (db.data.Dir() / "ab").string();
    const Result r = Export(db.data.Folder(), 1, "exomol", prefix);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Warning: the isotopologue of AB is not identified"), std::string::npos) << r.err;
    const ExoMolFiles files(prefix);
    ASSERT_GT(files.trans.size(), 100u);

    // Absorption from v'' = 0 at 1000 K: each line absorbs g' A exp(-c2 E''/T) / nu^2 (HITRAN's
    // intensity without the negligible stimulated emission), a Gaussian of FWHM 2 cm-1.
    const auto mod = db.data.Dir() / "ab.mod";
    const Result sim =
        RunCli(db.Args({"--out", mod.string(), "--kind", "absorption", "--units", "cm-1", "--start", "29700", "--end",
                        "30300", "--resolution", "2", "--temperature", "1000", "--min-population", "0.1"}));
    ASSERT_EQ(sim.code, 0) << sim.err;
    std::vector<std::pair<double, double>> simulated;
    for (const std::string& line : Lines(mod)) simulated.emplace_back(Val(line), Val(line.substr(line.find(',') + 1)));
    std::vector<double> recomputed(simulated.size(), 0.0);
    for (const Transition& t : files.trans) {
        const State &up = files.states.at(t.up), &low = files.states.at(t.low);
        if (low.q.at("v") != "0") continue;
        const double I = up.g * t.A * std::exp(-kC2 * low.E / 1000.0) / (t.nu * t.nu);
        for (std::size_t i = 0; i < simulated.size(); ++i) {
            const double d = (simulated[i].first - t.nu) / 2.0;
            if (std::fabs(d) <= 3.0) recomputed[i] += I * std::exp(-4.0 * std::log(2.0) * d * d);
        }
    }
    const double peak = *std::max_element(recomputed.begin(), recomputed.end());
    for (std::size_t i = 0; i < simulated.size(); ++i)
        EXPECT_NEAR(simulated[i].second, 100.0 * recomputed[i] / peak, 0.5) << simulated[i].first;

    // Refused: a format not offered, an uncertainty not above 0.
    for (const auto& [option, value] : {std::pair{"--format", "csv"}, std::pair{"--uncertainty", "-1"}}) {
        std::vector<std::string> args = {"export", "--entry", "1", "--data", db.data.Folder(), "--out", prefix};
        if (std::string(option) != "--format") args.insert(args.end(), {"--format", "exomol"});
        args.insert(args.end(), {option, value});
        const Result refused = RunCli(args);
        EXPECT_EQ(refused.code, 1) << option;
        EXPECT_NE(refused.err.find(option), std::string::npos) << refused.err;
    }
}

/// The fields of a HITRAN 160-character record (HITRAN 2004 format), by column.
struct HitranRecord {
    int molecule = 0, isotopologue = 0;
    double nu = 0, S = 0, A = 0, gammaAir = 0, gammaSelf = 0, lowerE = 0, nAir = 0, delta = 0, gUp = 0, gLow = 0;
    std::string globalUp, globalLow, localUp, localLow, errors, references, flag, sField;
    explicit HitranRecord(const std::string& r) {
        auto at = [&r](std::size_t first, std::size_t width) { return r.substr(first - 1, width); };
        molecule = std::stoi(at(1, 2)), isotopologue = std::stoi(at(3, 1));
        nu = std::stod(at(4, 12)), sField = at(16, 10), S = std::stod(sField), A = std::stod(at(26, 10));
        gammaAir = std::stod(at(36, 5)), gammaSelf = std::stod(at(41, 5)), lowerE = std::stod(at(46, 10));
        nAir = std::stod(at(56, 4)), delta = std::stod(at(60, 8));
        globalUp = at(68, 15), globalLow = at(83, 15), localUp = at(98, 15), localLow = at(113, 15);
        errors = at(128, 6), references = at(134, 12), flag = at(146, 1);
        gUp = std::stod(at(147, 7)), gLow = std::stod(at(154, 7));
    }
};

TEST(CliExport, HitranRecordsByTheBook) {
    // OH A-X (HITRAN molecule 13, isotopologue 1, abundance 0.997473): class 3 global quanta
    // (7X, A1 state, A3 Ω, 2X, I2 v) with Ω of the nominal case (a) components; the Σ-Σ test
    // system: class 2 (12X, A1, I2).
    testing::TempDir dir;
    SimDatabase ab;
    const auto [data, oh] = Shipped("OH", "(A-X)");
    const struct {
        std::string data;
        int entry;
        int molecule, isotopologue;
        double abundance;
        bool omega;
    } cases[] = {{data, oh, 13, 1, 0.997473, true}, {ab.data.Folder(), 1, 0, 0, 1.0, false}};
    const std::regex e103(" [0-9]\\.[0-9]{3}E[-+][0-9]{2}");
    const std::regex classThree("       [A-Z][135]/2  [ 0-9][0-9]");
    const std::regex classTwo("            [A-Z][ 0-9][0-9]");
    const std::regex lowerLocal("  [OPQRS][OPQRS][ 0-9]{2}[0-9]\\.5[ef]     ");
    const std::regex upperLocal("    [ 0-9]{2}[0-9]\\.5[ef]     ");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const std::string prefix = (dir / ("l" + std::to_string(c.entry))).string();
        ASSERT_EQ(Export(c.data, c.entry, "exomol", prefix).code, 0);
        const Result r = Export(c.data, c.entry, "hitran", prefix);
        ASSERT_EQ(r.code, 0) << r.err;
        const ExoMolFiles files(prefix);
        const double Q = files.pf[295].second;  // 296 K
        // The same lines, in the same order of wavenumber.
        const auto records = Lines(prefix + ".par");
        ASSERT_EQ(records.size(), files.trans.size());
        int floored = 0;
        for (std::size_t k = 0; k < records.size(); ++k) {
            ASSERT_EQ(records[k].size(), 160u) << records[k];
            const HitranRecord h(records[k]);
            const Transition& t = files.trans[k];
            const State &up = files.states.at(t.up), &low = files.states.at(t.low);
            EXPECT_EQ(h.molecule, c.molecule);
            EXPECT_EQ(h.isotopologue, c.isotopologue);
            EXPECT_NEAR(h.nu, t.nu, 1e-6);
            if (k > 0) {
                EXPECT_GE(h.nu, HitranRecord(records[k - 1]).nu);
            }
            // Intensity at 296 K with the abundance: S = a g' A / (8 pi c nu^2) exp(-c2 E''/T)
            // (1 - exp(-c2 nu/T)) / Q(T), E10.3 always; below 1E-99 the field holds 0.
            EXPECT_TRUE(std::regex_match(h.sField, e103)) << h.sField;
            const double S = c.abundance * up.g * t.A / (8 * M_PI * kLight * t.nu * t.nu) *
                             std::exp(-kC2 * low.E / 296.0) * (1.0 - std::exp(-kC2 * t.nu / 296.0)) / Q;
            if (S < 0.99e-99) {
                EXPECT_EQ(h.S, 0.0);
                ++floored;
            } else if (S > 1.01e-99) {
                EXPECT_NEAR(h.S, S, 1.2e-3 * S) << records[k];
            }
            EXPECT_NEAR(h.A, t.A, 5e-4 * t.A);
            EXPECT_NEAR(h.lowerE, low.E, 5.1e-5);  // F10.4 of the 6 decimals of the states
            EXPECT_EQ(h.gUp, up.g);
            EXPECT_EQ(h.gLow, low.g);
            // Default broadening, flagged as default values (code 1); the shift 0 unreported.
            EXPECT_EQ(h.gammaAir, 0.05);
            EXPECT_EQ(h.gammaSelf, 0.05);
            EXPECT_EQ(h.nAir, 0.75);
            EXPECT_EQ(h.delta, 0.0);
            EXPECT_EQ(h.errors, "201110");  // wavenumber 0.01-0.1 cm-1, S unreported, defaults
            EXPECT_EQ(h.references, " 0 0 0 0 0 0");
            EXPECT_EQ(h.flag, " ");
            // Quanta: state, Ω and v; branch (ΔN, ΔJ letters), J and e/f.
            const std::regex& global = c.omega ? classThree : classTwo;
            EXPECT_TRUE(std::regex_match(h.globalUp, global)) << "[" << h.globalUp << "]";
            EXPECT_TRUE(std::regex_match(h.globalLow, global)) << "[" << h.globalLow << "]";
            EXPECT_EQ(std::stoi(h.globalUp.substr(13)), std::stoi(up.q.at("v")));
            EXPECT_EQ(std::stoi(h.globalLow.substr(13)), std::stoi(low.q.at("v")));
            if (c.omega) {
                EXPECT_EQ(std::stod(h.globalLow.substr(8, 1)) / 2, std::fabs(std::stod(low.q.at("Omega"))));
                EXPECT_EQ(h.globalUp.substr(8, 3), "1/2");  // the A 2Σ state
            }
            EXPECT_TRUE(std::regex_match(h.localLow, lowerLocal)) << "[" << h.localLow << "]";
            EXPECT_TRUE(std::regex_match(h.localUp, upperLocal)) << "[" << h.localUp << "]";
            EXPECT_EQ(std::stod(h.localLow.substr(4, 5)), low.J);
            EXPECT_EQ(std::stod(h.localUp.substr(4, 5)), up.J);
            EXPECT_EQ(h.localLow.substr(9, 1), low.q.at("e/f"));
            EXPECT_EQ(h.localUp.substr(9, 1), up.q.at("e/f"));
            const int dJ = static_cast<int>(std::lround(up.J - low.J));
            const int dN = std::stoi(up.q.at("N")) - std::stoi(low.q.at("N"));
            EXPECT_EQ(h.localLow.substr(2, 2), (std::string{"OPQRS"[dN + 2], "OPQRS"[dJ + 2]}));
        }
        if (c.omega) {
            EXPECT_GT(floored, 1000);  // OH: lines from X levels above about 33 000 cm-1
        }
    }
}

/// Pearson correlation of two spectra of the same grid.
double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const double n = static_cast<double>(a.size());
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sa += a[i], sb += b[i], saa += a[i] * a[i], sbb += b[i] * b[i], sab += a[i] * b[i];
    return (sab - sa * sb / n) / std::sqrt((saa - sa * sa / n) * (sbb - sb * sb / n));
}

std::vector<double> Intensities(const std::filesystem::path& mod) {
    std::vector<double> y;
    for (const std::string& line : Lines(mod)) y.push_back(Val(line.substr(line.find(',') + 1)));
    return y;
}

// The triplet systems: every upper level's A values against `lifetimes`, the lines of each band
// against `lines`, g = g_ns (2J + 1) with the nuclear-spin weights of the folder READMEs (14N2: 6
// on the levels symmetric under exchange, 3 on the others; 12C2: only symmetric levels), Ω in the
// states and the HITRAN records, and the spectrum of the list read back against `simulate`.
TEST(CliExport, TripletListsKeepTheLinesLifetimesAndSpinWeightsOfTheirSystem) {
    const struct {
        const char *molecule, *system, *slug;
        int symmetric, antisymmetric;
        std::string start, end;  // an emission window, nm (air)
        int hitran;              // HITRAN's molecule number (0: not in HITRAN)
    } cases[] = {{"N2", "(C-B)", "14N2", 6, 3, "335", "338", 22},
                 {"N2", "(B-A)", "14N2", 6, 3, "1040", "1052", 22},  // (0,0) among (4,5), (5,6) ...
                 {"C2", "(d-a)", "12C2", 1, 0, "505", "517", 0}};
    // g/u of the states (symmetric levels: total parity + in g states, - in u states).
    const std::map<std::string, bool> gerade = {{"C", false}, {"B", true}, {"A", false}, {"d", true}, {"a", false}};
    testing::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.molecule) + " " + c.system);
        const auto [data, entry] = Shipped(c.molecule, c.system);
        const std::string prefix = (dir / c.slug).string() + "__" + std::to_string(entry);
        Result r = Export(data, entry, "exomol", prefix);
        ASSERT_EQ(r.code, 0) << r.err;
        const ExoMolFiles files(prefix);
        ASSERT_GT(files.trans.size(), 1000u);
        std::map<std::string, int> gns;
        const auto labels = files.def.All("Irreducible representation label");
        const auto weights = files.def.All("Nuclear spin degeneracy");
        for (std::size_t i = 0; i < labels.size(); ++i) gns[labels[i]] = std::stoi(weights[i]);
        EXPECT_EQ(gns, (std::map<std::string, int>{{"Sigma+g", c.symmetric},
                                                   {"Sigma-g", c.antisymmetric},
                                                   {"Sigma+u", c.antisymmetric},
                                                   {"Sigma-u", c.symmetric}}));
        EXPECT_EQ(files.def.All("Quantum label").back(), "F1/F2/F3");

        const std::string upper = files.states.at(files.trans.front().up).q.at("State");
        for (const auto& [id, s] : files.states) {
            const bool symmetric = (s.q.at("+/-") == "+") == gerade.at(s.q.at("State"));
            EXPECT_EQ(s.g, (symmetric ? c.symmetric : c.antisymmetric) * static_cast<int>(2 * s.J + 1)) << id;
            const std::string F = s.q.at("F1/F2/F3");
            EXPECT_TRUE(F == "F1" || F == "F2" || F == "F3") << F;
            // Integer J; Ω of the dominant case (a) function: 0..2 for the 3Π states, 0 or 1 for A 3Σ.
            EXPECT_EQ(s.J, std::round(s.J)) << id;
            const double omega = std::stod(s.q.at("Omega"));
            EXPECT_TRUE(omega == 0 || omega == 1 || (omega == 2 && s.q.at("Lambda") == "1")) << id;
            EXPECT_LE(omega, s.J) << id;
        }

        // Σ A out of every upper level = 1 / lifetime, for every level `lifetimes` lists (component
        // F for e levels, F + 3 for f levels), to the five digits of the A in the .trans file.
        std::map<std::string, double> sumA;
        std::map<std::pair<std::string, std::string>, std::size_t> perBand;
        for (const Transition& t : files.trans) {
            const State &up = files.states.at(t.up), &low = files.states.at(t.low);
            ASSERT_EQ(up.q.at("State"), upper);
            const int component = std::stoi(up.q.at("F1/F2/F3").substr(1)) + (up.q.at("e/f") == "f" ? 3 : 0);
            sumA[up.q.at("v") + "," + std::to_string(component) + "," + up.q.at("N")] += t.A;
            ++perBand[{up.q.at("v"), low.q.at("v")}];
        }
        r = RunCli({"lifetimes", "--data", data, "--entry", std::to_string(entry)});
        ASSERT_EQ(r.code, 0) << r.err;
        ASSERT_EQ(r.lines.size() - 1, sumA.size());
        for (std::size_t i = 1; i < r.lines.size(); ++i) {
            const auto f = testing::CommaFields(r.lines[i]);
            const std::string key = f[0] + "," + f[1] + "," + f[2];
            ASSERT_TRUE(sumA.count(key)) << r.lines[i];
            EXPECT_NEAR(sumA[key] * Val(f[3]) * 1e-9, 1.0, 5e-5) << r.lines[i];
        }
        // The bands of v' = 0 and 1: as many lines as `lines` lists.
        for (const auto& [band, count] : perBand) {
            if (std::stoi(band.first) > 1) continue;
            r = RunCli(
                {"lines", "--data", data, "--entry", std::to_string(entry), "--band", band.first + "," + band.second});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(r.lines.size() - 1, count) << band.first << "," << band.second;
        }

        // Read back as a line list: the spectrum of the system, point by point.
        std::vector<std::vector<double>> spectra;
        for (const std::vector<std::string>& source : {std::vector<std::string>{"--entry", std::to_string(entry)},
                                                       std::vector<std::string>{"--line-list", prefix + ".def"}}) {
            std::vector<std::string> args = {
                "simulate", "--data",       data,      "--out",         (dir / "s.mod").string(),
                "--units",  "nm-air",       "--start", c.start,         "--end",
                c.end,      "--resolution", "0.05",    "--temperature", "2500"};
            args.insert(args.end(), source.begin(), source.end());
            r = RunCli(args);
            ASSERT_EQ(r.code, 0) << r.err;
            spectra.push_back(Intensities(dir / "s.mod"));
        }
        ASSERT_EQ(spectra[0].size(), spectra[1].size());
        EXPECT_GE(Correlation(spectra[0], spectra[1]), 0.99999);

        // HITRAN records in the layout of class 3, whose global quanta carry Ω: Ω, v, J and e/f of
        // both levels.
        r = Export(data, entry, "hitran", prefix);
        ASSERT_EQ(r.code, 0) << r.err;
        const auto records = Lines(prefix + ".par");
        ASSERT_EQ(records.size(), files.trans.size());
        for (std::size_t k = 0; k < records.size(); k += 97) {
            const HitranRecord h(records[k]);
            EXPECT_EQ(h.molecule, c.hitran);
            EXPECT_EQ(h.isotopologue, c.hitran ? 1 : 0);
            const State &up = files.states.at(files.trans[k].up), &low = files.states.at(files.trans[k].low);
            for (const auto& [global, local, s] :
                 {std::tuple{h.globalUp, h.localUp, up}, std::tuple{h.globalLow, h.localLow, low}}) {
                EXPECT_EQ(Trim(global.substr(0, 8)), s.q.at("State"));
                EXPECT_EQ(std::stod(global.substr(8, 3)), std::stod(s.q.at("Omega")));
                EXPECT_EQ(std::stoi(global.substr(13)), std::stoi(s.q.at("v")));
                EXPECT_EQ(std::stod(local.substr(4, 5)), s.J);
                EXPECT_EQ(local.substr(9, 1), s.q.at("e/f"));
            }
        }
    }
}

TEST(CliAbsorbance, BeerLambertOfTheCrossSectionForAColumnDensity) {
    SimDatabase db;
    const auto sigma = db.data.Dir() / "sigma.mod", absorbance = db.data.Dir() / "a.mod";
    const std::vector<std::string> common = {"--units", "cm-1",         "--start", "29700",         "--end",
                                             "30300",   "--resolution", "1",       "--temperature", "500"};
    auto run = [&](const std::filesystem::path& out, std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"--out", out.string()});
        return RunCli(db.Args(args));
    };
    Result r = run(sigma, {"--kind", "absorption", "--absorption-units", "cross-section"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = run(absorbance, {"--absorbance", "--number-density", "1e15", "--path-length", "20"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::pair<double, double>> s, a;
    for (const std::string& line : Lines(sigma)) s.emplace_back(Val(line), Val(line.substr(line.find(',') + 1)));
    for (const std::string& line : Lines(absorbance)) a.emplace_back(Val(line), Val(line.substr(line.find(',') + 1)));
    ASSERT_EQ(s.size(), a.size());
    double largest = 0.0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_NEAR(a[i].second, s[i].second * 2e16 / std::log(10.0), 1e-5 * a[i].second + 1e-30);
        largest = std::max(largest, s[i].second);
    }
    EXPECT_GT(largest, 1e-22);  // electronic bands: 1E-20..1E-16 cm2 at their peaks
    EXPECT_LT(largest, 1e-14);
    r = run(absorbance, {"--absorbance"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("need a column density"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace velmora::cli
