// The band loader on hand-made systems: energy zeros, case (a) re-indexing, absolute energies, with
// term values checked against closed forms (Σ case (b) and Hill-Van Vleck 2Π).
#include "database/band_loader.h"

#include <gtest/gtest.h>

#include <cmath>

#include "database/catalogue.h"
#include "database/open_sample.h"
#include "support/sample_database.h"

namespace velmora::database {
namespace {

using testing::Level;
using testing::LevelConstants;
using testing::SampleDatabase;
using testing::SampleEntry;

LevelConstants SigmaLevel(double T, double B, double gamma) {
    LevelConstants c = Level(T, B);
    c[9] = gamma;
    return c;
}

/// 2Σ term values in case (b): F1 = T + B N(N+1) + γN/2, F2 = T + B N(N+1) - γ(N+1)/2.
double SigmaTerm(const LevelConstants& c, int N, int F) {
    const double rot = c[0] + c[1] * N * (N + 1.0);
    return F == 1 ? rot + c[9] * N / 2.0 : rot - c[9] * (N + 1.0) / 2.0;
}

/// 2Π term values of Hill and Van Vleck (no centrifugal or Λ-doubling terms), up to a constant
/// shared by all levels: T + B (J + 1/2)^2 -+ (B/2) sqrt(4 (J + 1/2)^2 + Y (Y - 4)), Y = A/B.
/// At J = 1/2 only the Ω = 1/2 level exists: T - A/2 + 2B.
double PiTerm(const LevelConstants& c, double J, int sign) {
    const double T = c[0], B = c[1], A = c[6], Y = A / B, x = (J + 0.5) * (J + 0.5);
    if (J < 1.0) return T - A / 2.0 + 2.0 * B;
    return T + B * x + sign * (B / 2.0) * std::sqrt(4.0 * x + Y * (Y - 4.0));
}

TEST(BandLoader, SigmaSystemsSitOnTheLowestLevelsOfTheFirstBand) {
    SampleEntry e;
    e.code = "AB", e.nmaxVibUp = 1, e.nmaxVibLow = 1, e.rotRows = {10, 10}, e.origin = 25000.0;
    SampleDatabase data;
    data.Catalogue({e}, 1, 1, 12);
    const std::vector up = {SigmaLevel(1500.0, 1.8, 0.02), SigmaLevel(3450.0, 1.75, 0.018)};
    const std::vector low = {SigmaLevel(1000.0, 2.0, -0.03), SigmaLevel(3050.0, 1.95, -0.028)};
    data.System(1, up, low, [](int, int) { return 1.0; });
    DatabaseState db = OpenSample(data);

    LoadBand(db, 0, 0, 1);
    // The lower zero is F1(N = 0) of v'' = 0; the upper state keeps T' and is raised by the origin.
    EXPECT_FLOAT_EQ(db.EnergyZero[0], 1000.0f);
    EXPECT_NEAR(db.EnergyZero[1], 0.0, 1e-4);
    LoadBand(db, 1, 1, 1);
    for (int N = 0; N <= 10; ++N) {
        EXPECT_NEAR(db.LowerTerm(N, 1, 1), SigmaTerm(low[1], N, 1) - 1000.0, 2e-3) << N;
        EXPECT_NEAR(db.UpperTerm(N, 1, 1), SigmaTerm(up[1], N, 1) + 25000.0, 5e-3) << N;
        if (N >= 1) {
            EXPECT_NEAR(db.LowerTerm(N, 2, 1), SigmaTerm(low[1], N, 2) - 1000.0, 2e-3) << N;
        }
        // A Σ state has the same terms in both parity blocks.
        EXPECT_EQ(db.LowerTerm(N, 1, 2), db.LowerTerm(N, 1, 1));
    }
    // R1(3) and P2(4) of the band (1, 1): upper minus lower term.
    const double r1 = SigmaTerm(up[1], 4, 1) + 25000.0 - (SigmaTerm(low[1], 3, 1) - 1000.0);
    const double p2 = SigmaTerm(up[1], 3, 2) + 25000.0 - (SigmaTerm(low[1], 4, 2) - 1000.0);
    EXPECT_NEAR(db.LineData(4, 5, 3), r1, 5e-3);
    EXPECT_NEAR(db.LineData(4, 2, 4), p2, 5e-3);
}

/// A 2Σ - 2Π system with the given lower constants and molecule code.
DatabaseState PiLowerBand(SampleDatabase& data, const std::string& code, LevelConstants lower) {
    SampleEntry e;
    e.code = code, e.lambdaLow = 1, e.rotRows = {20}, e.origin = 30000.0;
    data.Catalogue({e}, 0, 0, 24);
    data.System(1, {Level(0.0, 1.0)}, {lower}, [](int, int) { return 1.0; });
    DatabaseState db = OpenSample(data);
    LoadBand(db, 0, 0, 1);
    return db;
}

TEST(BandLoader, CaseBPiLowerStateIsZeroedOnItsLowestLevel) {
    // OH-like inverted 2Π (A/B = -7.3): F1 (Π3/2) J = 3/2 at row 1 is the lowest level.
    const LevelConstants oh = Level(0.0, 18.9, -139.0);
    SampleDatabase data;
    const DatabaseState db = PiLowerBand(data, "XH", oh);
    const double zero = PiTerm(oh, 1.5, -1);
    for (int N = 1; N <= 20; ++N)
        for (int p = 1; p <= 2; ++p) {
            EXPECT_NEAR(db.LowerTerm(N, 1, p), PiTerm(oh, N + 0.5, -1) - zero, 0.02) << N;
            EXPECT_NEAR(db.LowerTerm(N, 2, p), PiTerm(oh, N - 0.5, +1) - zero, 0.02) << N;
        }
    EXPECT_FLOAT_EQ(db.LowerTerm(1, 1, 1), 0.0f);
}

TEST(BandLoader, SmallPositiveSpinOrbitRatioZeroesOnTheJOneHalfLevel) {
    // CH-like 2Π with 0 < A/B < 4: the single J = 1/2 level (F2 at row 1) is the lowest.
    const LevelConstants ch = Level(0.0, 14.2, 28.0);
    SampleDatabase data;
    const DatabaseState db = PiLowerBand(data, "XC", ch);
    const double zero = PiTerm(ch, 0.5, +1);
    EXPECT_NEAR(db.LowerTerm(1, 2, 1), 0.0, 1e-3);
    for (int N = 2; N <= 20; ++N) {
        EXPECT_NEAR(db.LowerTerm(N, 2, 1), PiTerm(ch, N - 0.5, +1) - zero, 0.02) << N;
        EXPECT_NEAR(db.LowerTerm(N - 1, 1, 1), PiTerm(ch, N - 0.5, -1) - zero, 0.02) << N;
    }
}

TEST(BandLoader, CaseAPiLowerStateIsReindexedByJ) {
    // NO-like regular 2Π, A/B = 72: rows hold F1 with J = N + 1/2 and F2 with J = N - 1/2.
    const LevelConstants no = Level(0.0, 1.70, 123.0);
    SampleDatabase data;
    const DatabaseState db = PiLowerBand(data, "XO", no);
    const double zero = PiTerm(no, 0.5, -1);  // Π1/2, J = 1/2
    for (int p = 1; p <= 2; ++p) {
        EXPECT_NEAR(db.LowerTerm(0, 1, p), 0.0, 1e-3);
        EXPECT_EQ(db.LowerTerm(1, 2, p), 0.0f);  // no Π3/2 level with J = 1/2
        for (int N = 1; N <= 20; ++N) EXPECT_NEAR(db.LowerTerm(N, 1, p), PiTerm(no, N + 0.5, -1) - zero, 2e-3) << N;
        for (int N = 2; N <= 20; ++N) EXPECT_NEAR(db.LowerTerm(N, 2, p), PiTerm(no, N - 0.5, +1) - zero, 2e-3) << N;
    }
    // Lines start at row 0 of a case (a) lower state: R1(0) from J'' = 1/2 to N' = 1.
    EXPECT_NEAR(db.LineData(4, 5, 0), 30000.0 + 2.0 * 1.0, 2e-3);
}

TEST(BandLoader, ASystemOnTheAbsoluteEnergyScaleKeepsItsTermValues) {
    SampleEntry e;
    e.code = "AB", e.rotRows = {8};
    SampleEntry other = e;
    other.code = "AC";
    SampleDatabase data;
    data.Catalogue({e, other}, 0, 0, 10);
    std::vector<testing::SampleMolecule> molecules(2);
    std::vector<testing::SampleState> states(4);
    std::vector<testing::SampleBandSystem> systems(2);
    for (int i = 0; i < 2; ++i) {
        const std::string code = i == 0 ? "AB" : "AC";
        molecules[i].code = molecules[i].name = systems[i].code = states[2 * i].code = states[2 * i + 1].code = code;
        states[2 * i + 1].label = "X";
    }
    systems[0].energyZero = "absolute";
    data.Descriptions(molecules, states, systems);
    for (int i = 1; i <= 2; ++i) data.System(i, {Level(20.0, 7.0)}, {Level(-50.0, 7.5)}, [](int, int) { return 1.0; });
    DatabaseState db = OpenSample(data);

    LoadBand(db, 0, 0, 1);
    EXPECT_EQ(db.EnergyZero[0], 0.0f);
    EXPECT_EQ(db.EnergyZero[1], 0.0f);
    EXPECT_NEAR(db.LowerTerm(0, 1, 1), -50.0, 1e-4);  // a negative lower term is kept
    EXPECT_NEAR(db.LowerTerm(2, 1, 1), -50.0 + 6 * 7.5, 1e-4);
    EXPECT_NEAR(db.UpperTerm(1, 1, 1), 30000.0 + 20.0 + 2 * 7.0, 1e-3);

    LoadBand(db, 0, 0, 2);  // the same system on the lowest level
    EXPECT_NEAR(db.LowerTerm(0, 1, 1), 0.0, 1e-4);
    EXPECT_NEAR(db.LowerTerm(2, 1, 1), 6 * 7.5, 1e-4);
}

}  // namespace
}  // namespace velmora::database
