// velmora-cli export and absolute absorption on the hand-made Σ-Σ system "AB": the files read
// back, cross-checked against each other and against spectra of `simulate`.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "cli/cli_fixture.h"
#include "common/number_format.h"

namespace velmora::cli {
namespace {

constexpr double kC2 = 1.438776877;       // hc/k, cm K
constexpr double kLight = 2.99792458e10;  // cm/s

struct Level {
    double E, J;
    int g, v;
    char parity;
    std::string state;
};
struct Transition {
    int up, low;
    double A, nu;
};

std::vector<std::string> Lines(const std::filesystem::path& p) {
    std::istringstream in(testing::ReadFile(p));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// The x and y columns of a .mod file.
std::vector<std::pair<double, double>> ModColumns(const std::filesystem::path& p) {
    std::vector<std::pair<double, double>> xy;
    for (const std::string& line : Lines(p)) xy.emplace_back(Val(line), Val(line.substr(line.find(',') + 1)));
    return xy;
}

TEST(CliExport, ExoMolFilesRecomputeTheEmissionSpectrumOfSimulate) {
    SimDatabase db;
    const std::string prefix = (db.data.Dir() / "ab").string();
    Result r = RunCli({"export", "--entry", "1", "--data", db.data.Folder(), "--format", "exomol", "--out", prefix});
    ASSERT_EQ(r.code, 0) << r.err;

    std::map<int, Level> levels;
    for (const std::string& line : Lines(prefix + ".states")) {
        std::istringstream f(line);
        int id, lambda;
        Level l;
        double sigma, omega;
        f >> id >> l.E >> l.g >> l.J >> l.parity >> l.v >> lambda >> sigma >> omega >> l.state;
        ASSERT_FALSE(f.fail()) << line;
        EXPECT_EQ(l.g, static_cast<int>(2 * l.J + 1.5));
        EXPECT_EQ(lambda, 0);
        EXPECT_EQ(omega, sigma);  // Σ states: Ω = Σ
        levels[id] = l;
    }
    std::vector<Transition> lines;
    for (const std::string& line : Lines(prefix + ".trans")) {
        std::istringstream f(line);
        Transition t;
        f >> t.up >> t.low >> t.A >> t.nu;
        ASSERT_FALSE(f.fail()) << line;
        lines.push_back(t);
    }
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(levels.begin()->second.E, 0.0);  // energies from the lowest level
    EXPECT_NE(testing::ReadFile(prefix + ".def").find("# Partition function of the listed levels at 296 K"),
              std::string::npos);

    // The lines leaving each upper level sum to 1 / lifetime; the lowest one lives 250 ns.
    std::map<int, double> decay;
    for (const Transition& t : lines) {
        decay[t.up] += t.A;
        // Positions are term differences (no low-row correction in a Σ-Σ system of this size).
        EXPECT_NEAR(t.nu, levels[t.up].E - levels[t.low].E, 2e-3) << t.up << " " << t.low;
    }
    int lowestUpper = 0;
    for (const auto& [id, l] : levels)
        if (l.state == "A" && (lowestUpper == 0 || l.E < levels[lowestUpper].E)) lowestUpper = id;
    EXPECT_NEAR(1e9 / decay[lowestUpper], 250.0, 0.25);

    // Emission of v' = 0 at 1000 K: each line adds g' exp(-c2 E'/T) A, a Gaussian of FWHM 2 cm-1.
    const auto mod = db.data.Dir() / "ab.mod";
    r = RunCli(db.Args({"--out", mod.string(), "--units", "cm-1", "--start", "29700", "--end", "30300", "--resolution",
                        "2", "--temperature", "1000", "--min-population", "0.1", "--predissociation", "off", "--yield",
                        "excluded"}));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto simulated = ModColumns(mod);
    std::vector<double> recomputed(simulated.size(), 0.0);
    const double f = 2.0;
    for (const Transition& t : lines) {
        const Level& up = levels[t.up];
        if (up.v != 0) continue;
        const double I = up.g * std::exp(-kC2 * up.E / 1000.0) * t.A;
        for (std::size_t i = 0; i < simulated.size(); ++i) {
            const double d = (simulated[i].first - t.nu) / f;
            if (std::fabs(d) <= 3.0) recomputed[i] += I * std::exp(-4.0 * std::log(2.0) * d * d);
        }
    }
    const double peak = *std::max_element(recomputed.begin(), recomputed.end());
    for (std::size_t i = 0; i < simulated.size(); ++i)
        EXPECT_NEAR(simulated[i].second, 100.0 * recomputed[i] / peak, 0.5) << simulated[i].first;
}

TEST(CliExport, HitranRecordsCarryTheExoMolLinesAndTheirIntensityAt296K) {
    SimDatabase db;
    const std::string prefix = (db.data.Dir() / "ab").string();
    for (const char* format : {"exomol", "hitran"})
        ASSERT_EQ(
            RunCli({"export", "--entry", "1", "--data", db.data.Folder(), "--format", format, "--out", prefix}).code,
            0);
    std::map<int, Level> levels;
    for (const std::string& line : Lines(prefix + ".states")) {
        std::istringstream f(line);
        int id;
        Level l;
        f >> id >> l.E >> l.g;
        levels[id] = l;
    }
    double Q = 0.0;
    for (const auto& [id, l] : levels) Q += l.g * std::exp(-kC2 * l.E / 296.0);
    std::vector<Transition> lines;
    for (const std::string& line : Lines(prefix + ".trans")) {
        std::istringstream f(line);
        Transition t;
        f >> t.up >> t.low >> t.A >> t.nu;
        lines.push_back(t);
    }
    const auto records = Lines(prefix + ".par");
    ASSERT_EQ(records.size(), lines.size());
    // HITRAN: S = g' A / (8 pi c nu^2) exp(-c2 E''/T) (1 - exp(-c2 nu/T)) / Q(T) at T = 296 K.
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string& r = records[k];
        ASSERT_EQ(r.size(), 160u) << r;
        const Transition& t = lines[k];
        const Level &up = levels[t.up], &low = levels[t.low];
        const double nu = std::stod(r.substr(3, 12)), S = std::stod(r.substr(15, 10)), A = std::stod(r.substr(25, 10));
        const double lowerE = std::stod(r.substr(45, 10));
        EXPECT_NEAR(nu, t.nu, 1e-6);
        EXPECT_NEAR(A, t.A, 1e-3 * t.A);
        EXPECT_NEAR(lowerE, low.E, 1e-4);
        const double expected = up.g * t.A / (8 * M_PI * kLight * nu * nu) * std::exp(-kC2 * low.E / 296.0) *
                                (1.0 - std::exp(-kC2 * nu / 296.0)) / Q;
        EXPECT_NEAR(S, expected, 1e-3 * expected) << r;
        EXPECT_EQ(std::stod(r.substr(146, 7)), up.g);
        EXPECT_EQ(std::stod(r.substr(153, 7)), low.g);
    }
    EXPECT_NE(RunCli({"export", "--entry", "1", "--data", db.data.Folder(), "--format", "csv", "--out", prefix}).code,
              0);
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
    const auto s = ModColumns(sigma), a = ModColumns(absorbance);
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
