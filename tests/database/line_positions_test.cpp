// Line positions: upper minus lower term of a pair of levels that the e/f rule allows, for every
// branch of hand-made bands whose term values identify each level; and the OH (0,0) band.
#include "database/line_positions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "database/state_descriptions.h"
#include "database/terms.h"
#include "oh_constants.h"
#include "reference_physics.h"

namespace velmora::database {
namespace {

using testing::kBranch;
using testing::TwoJ;

constexpr int kRows = 20;

// Terms whose difference tells every (row, F, block) pair apart; rows without a level
// (F1: N < Λ; F2: N < max(Λ, 1)) stay 0 as ComputeTerms leaves them; a Σ level fills both blocks.
double Upper(int N, int F, int p) { return 30000 + 20.0 * N * (N + 1) + 3.7 * F + 0.37 * p; }
double Lower(int N, int F, int p) { return 10.0 * N * (N + 1) + 0.51 * F + 0.053 * p; }

DatabaseState HandMadeBand(int lamUp, int lamLow, bool upperMinus) {
    DatabaseState db = testing::MakeState(lamUp, lamLow, "XY", 1);
    db.cat.Description.Resize(0, 1);
    db.cat.Description(1) = ImpliedDescription(db.cat, 1);
    db.cat.Description(1).upper.sigmaMinus = upperMinus;
    db.MolConst(2, 0, 1) = db.MolConst(1, 0, 1) = 10.0f;  // A = 0: case (b) labelling
    for (int N = 0; N <= kRows + 4; ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= 2; ++p) {
                const bool up = N >= (F == 1 ? lamUp : std::max(lamUp, 1));
                const bool low = N >= (F == 1 ? lamLow : std::max(lamLow, 1));
                db.UpperTerm(N, F, p) = up ? float(Upper(N, F, lamUp == 0 ? 1 : p)) : 0.0f;
                db.LowerTerm(N, F, p) = low ? float(Lower(N, F, lamLow == 0 ? 1 : p)) : 0.0f;
            }
    return db;
}

// e: block 1 of a Π or Δ state; F1 of a Σ⁺ state (F2 of a Σ⁻ state).
bool IsE(int lambda, bool sigmaMinus, int F, int p) { return lambda == 0 ? (F == 1) != sigmaMinus : p == 1; }

struct Band {
    int lamUp, lamLow;
    bool upperMinus;  // a Σ⁻ upper state
};

TEST(LinePositions, EveryBranchJoinsLevelsThatTheEfRuleAllows) {
    for (const Band& band : {Band{0, 1, false}, Band{0, 1, true}, Band{1, 1, false}, Band{1, 0, false},
                             Band{2, 1, false}, Band{0, 0, false}}) {
        DatabaseState db = HandMadeBand(band.lamUp, band.lamLow, band.upperMinus);
        const int sets = band.lamUp >= 1 && band.lamLow >= 1 ? 2 : 1;
        int lowerBlock[3][13][kRows + 1] = {};
        for (int set = 1; set <= sets; ++set) {
            for (int N = 0; N <= kRows; ++N) ComputeLinePositions(db, 1, N, set);
            for (int b = 1; b <= 12; ++b) {
                const auto& br = kBranch[b];
                const bool sigmaSigma = band.lamUp == 0 && band.lamLow == 0;
                for (int N = std::max(band.lamLow, 4 * (band.lamUp == 2)); N <= kRows; ++N) {
                    const double pos = db.LineData(4, b + 12 * (set - 1), N);
                    const int Nu = N + br.deltaN;
                    const bool exists = Nu >= (br.upperF == 1 ? band.lamUp : std::max(band.lamUp, 1)) &&
                                        N >= (br.lowerF == 1 ? band.lamLow : std::max(band.lamLow, 1));
                    if (!exists || (sigmaSigma && std::abs(br.deltaN) != 1)) {  // ΔN = ±1 only in Σ–Σ
                        EXPECT_EQ(pos, 0.0f) << br.name << "(" << N << ")";
                        continue;
                    }
                    int matches = 0;
                    for (int pu = 1; pu <= 2; ++pu)
                        for (int pl = 1; pl <= 2; ++pl) {
                            const double diff = Upper(Nu, br.upperF, band.lamUp == 0 ? 1 : pu) -
                                                Lower(N, br.lowerF, band.lamLow == 0 ? 1 : pl);
                            if (std::fabs(pos - diff) > 8e-3) continue;  // float storage; blocks differ ≥ 0.053
                            ++matches;
                            const bool eUp = IsE(band.lamUp, band.upperMinus, br.upperF, pu);
                            const bool eLow = IsE(band.lamLow, false, br.lowerF, pl);
                            const bool dJ0 = TwoJ(Nu, br.upperF) == TwoJ(N, br.lowerF);
                            EXPECT_EQ(eUp, dJ0 ? !eLow : eLow)  // ΔJ = ±1: e–e, f–f; ΔJ = 0: e–f
                                << br.name << "(" << N << ") Λ'=" << band.lamUp << " Λ''=" << band.lamLow << " set "
                                << set << ": upper block " << pu << ", lower block " << pl;
                            lowerBlock[set][b][N] = pl;
                        }
                    EXPECT_GE(matches, 1) << br.name << "(" << N << ") at " << pos << " is no difference of levels";
                }
            }
        }
        // With two sets, each lower Λ-doublet level has its line in one set.
        for (int b = 1; b <= 12 && sets == 2; ++b)
            for (int N = 4; N <= kRows; ++N) EXPECT_EQ(lowerBlock[1][b][N] + lowerBlock[2][b][N], 3) << b << " " << N;
    }
}

TEST(LinePositions, OHZeroZeroBandGivesThePublishedLines) {
    // Term values from the published constants, A 2Σ⁺ (Σ convention 1) – X 2Π_i (convention 0);
    // lines of the OH A–X data set (differences of the MoLLIST term values), vacuum cm-1.
    DatabaseState db = testing::MakeState(0, 1, "OH");
    db.MolConst(2, 0, 1) = float(kOHX[0][1]);
    db.MolConst(2, 0, 6) = float(kOHX[0][6]);
    for (size_t k = 0; k < 18; ++k) db.LevelConst[k] = float(Convention0(kOHX[0])[k]);
    ComputeTerms(db, 1, 30, db.LowerTerm, 0);
    for (size_t k = 0; k < 18; ++k) db.LevelConst[k] = float(kOHA[0][k]);
    ComputeTerms(db, 0, 30, db.UpperTerm, 1);
    for (int N = 0; N <= 4; ++N) ComputeLinePositions(db, 1, N, 1);
    struct Line {
        int b;
        double Jlow, nu;
    };
    for (const Line& l : {Line{1, 1.5, 32440.578920}, Line{9, 0.5, 32314.128672}, Line{7, 1.5, 32253.086087},
                          Line{4, 0.5, 32347.982610}, Line{8, 0.5, 32348.321610}, Line{2, 1.5, 32286.521796},
                          Line{9, 1.5, 32286.860796}, Line{4, 1.5, 32354.463887}, Line{8, 1.5, 32355.028427},
                          Line{6, 0.5, 32415.506472}, Line{10, 1.5, 32541.956720}, Line{5, 1.5, 32542.521260},
                          Line{1, 2.5, 32390.890611}}) {
        const int N = int(l.Jlow + (kBranch[l.b].lowerF == 1 ? -0.5 : 0.5));
        EXPECT_NEAR(db.LineData(4, l.b, N), l.nu, 5e-3) << kBranch[l.b].name << "(" << l.Jlow << ")";
    }
}

}  // namespace
}  // namespace velmora::database
