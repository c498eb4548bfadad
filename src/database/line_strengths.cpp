#include "database/line_strengths.h"

#include <algorithm>
#include <vector>

#include "database/entry_tables.h"
#include "database/exact_strengths.h"
#include "database/line_positions.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

// The level of one electronic state that a band uses, as its term table labels it.
struct BandState {
    DoubletState state;
    std::array<double, 18> constants{};
    int convention = 0;
    // The single level at the lowest J (Λ − 1/2) of a Λ ≥ 1 state: F1 at row Λ − 1 (case (a)
    // labelling) or F2 at row Λ.
    bool singleLevelInF1 = false;
};

// How the term tables of state s (level v) of the loaded band label their levels: a 2Π upper
// state in the case (a) labelling of the term step keeps its J = 1/2 level in F1 (the band loader
// re-indexes it to row 0); a case (a) lower 2Π state (A''/B'' > 4) has it at F1 row 0 too, where
// the first row of its lines is computed; a 2Δ upper state keeps its J = 3/2 level in F1 row 1
// when A'/B'' > 4, in F2 row 2 otherwise.
BandState BandStateOf(const DatabaseState& db, int entry, int s) {
    const int vUp = db.LoadedVUpper, vLow = db.LoadedVLower, v = s == 1 ? vUp : vLow;
    BandState b;
    b.state.lambda = db.cat.StateLambda(s, entry);
    b.state.sigmaMinus =
        b.state.lambda == 0 && (s == 1 ? UpperStateIsSigmaMinus(entry) : LowerStateIsSigmaMinus(entry));
    for (int k = 0; k < 18; ++k) b.constants[static_cast<std::size_t>(k)] = db.MolConst.ValueAt(s, v, k);
    b.convention = db.SpcConvention.ValueAt(s, entry);
    if (b.state.lambda == 1 && s == 1)
        b.singleLevelInF1 = PiCaseALabelling(SpinOrbitRatio(db, 1, vUp), db.cat.MoleculeCode(entry));
    else if (b.state.lambda == 1)
        b.singleLevelInF1 = SpinOrbitRatio(db, 2, vLow) > 4.0f;
    else if (b.state.lambda == 2 && s == 1 && db.MolConst.ValueAt(2, vLow, 1) != 0)
        b.singleLevelInF1 = SpinOrbitRatio(db, 1, vUp, 2, vLow) > 4.0f;
    return b;
}

// The level at row N, component F, parity block p of a term table: F1 is the lower eigenvector
// of the (J = N + 1/2, p) block of the state's Hamiltonian, F2 the upper one of J = N − 1/2. A Σ
// level has its own e/f label whatever the block. False when the slot holds no level.
bool LevelAt(const BandState& b, int N, int F, int p, DoubletLevel& level) {
    level.twoJ = TwiceJ(N, F);
    const int lambda = b.state.lambda;
    if (lambda == 0) {
        level.e = (F == 1) != b.state.sigmaMinus;
        level.omega = {1.0, 0.0};
        return level.twoJ >= 1;
    }
    level.e = p == 1;
    const int lowest = 2 * lambda - 1;  // twice the lowest J: only |Ω = Λ − 1/2> exists there
    if (level.twoJ < lowest) return false;
    if (level.twoJ == lowest) {
        level.omega = {0.0, 1.0};
        return (F == 1) == b.singleLevelInF1;
    }
    const HamiltonianBlock h = DoubletHamiltonian(b.constants, lambda, b.convention, level.twoJ, p);
    level.omega = BlockEigenvectors(h.h11, h.h12, h.h22)[F == 1 ? 0 : 1];
    return true;
}

// The levels of one state of the loaded band, each diagonalised once (every level takes part in
// up to six lines of a set).
class LevelCache {
public:
    LevelCache(const BandState& state, int lastRow) : state_(state), rows_(lastRow + 1) {
        slots_.resize(static_cast<std::size_t>(4 * rows_));
    }
    const BandState& State() const { return state_; }
    // The level at row N, component F, block p; nullptr when there is none.
    const DoubletLevel* At(int N, int F, int p) {
        if (N < 0 || N >= rows_) return nullptr;
        Slot& slot = slots_[static_cast<std::size_t>(4 * N + 2 * (F - 1) + (state_.state.lambda == 0 ? 0 : p - 1))];
        if (!slot.known) {
            slot.exists = LevelAt(state_, N, F, p, slot.level);
            slot.known = true;
        }
        return slot.exists ? &slot.level : nullptr;
    }

private:
    struct Slot {
        DoubletLevel level;
        bool known = false, exists = false;
    };
    BandState state_;
    int rows_;
    std::vector<Slot> slots_;
};

// Emission and absorption coefficients of the branches of one set at row N.
void Coefficients(DatabaseState& db, int N, int set, int lamUp) {
    auto& line = db.LineData;
    const int o = 12 * (set - 1);
    for (int b = 1; b <= 12; ++b) {
        if (!line.Contains(1, b + o, N)) continue;
        double emission = 0, absorption = 0;
        if (BranchRowExists(b, N, lamUp)) {
            const BranchShape sh = BranchShapeOf(b);
            const double twoJLow = TwiceJ(N, sh.lowerF);
            const double twoJUp = TwiceJ(N + sh.deltaN, sh.upperF);
            const double strength = double(line(3, b + o, N)) * line(5, b + o, N);
            const double nu = line(4, b + o, N);
            if (twoJLow + 1 > 0) absorption = db.AbsorptionLineScale * strength / (twoJLow + 1);
            if (twoJUp + 1 > 0 && nu != 0) emission = db.EmissionLineScale * strength * nu * nu * nu / (twoJUp + 1);
        }
        line(1, b + o, N) = static_cast<float>(emission);
        line(2, b + o, N) = static_cast<float>(absorption);
    }
}

}  // namespace

void ComputeLineStrengths(DatabaseState& db, int entry, int firstRow, int lastRow) {
    auto& line = db.LineData;
    lastRow = std::min(lastRow, line.Hi(2));
    const int sets = db.cat.LambdaFactor(entry) > 1.0f ? 2 : 1;
    LevelCache up(BandStateOf(db, entry, 1), lastRow + 3), low(BandStateOf(db, entry, 2), lastRow + 1);
    const DoubletState &upState = up.State().state, &lowState = low.State().state;
    // The lines of every upper level sum to 2J' + 1, so that their emission coefficients add up
    // to the band's: a Σ upper level reaches both Λ-doublet components of a Π or Δ lower level
    // and its strengths are halved. Those of a lower level then sum to (2J'' + 1) g'/g''
    // (g = 2 − δ(0, Λ)), the ratio of the band's absorption and emission coefficients.
    const double scale = upState.lambda == 0 && lowState.lambda != 0 ? 0.5 : 1.0;
    for (int N = std::max(firstRow, 0); N <= lastRow; ++N)
        for (int set = 1; set <= sets; ++set) {
            const int o = 12 * (set - 1);
            for (int b = 1; b <= 12; ++b) {
                const LineLevels lv = BranchLevels(db, entry, b + o, N);
                const DoubletLevel* u = up.At(lv.upRow, lv.upF, lv.upBlock);
                const DoubletLevel* l = u ? low.At(N, lv.lowF, lv.lowBlock) : nullptr;
                line(5, b + o, N) = l ? static_cast<float>(scale * LineStrength(upState, *u, lowState, *l)) : 0.0f;
                if (set > 1) line(3, b + o, N) = line(3, b, N);
            }
            Coefficients(db, N, set, upState.lambda);
        }
}

void CopyCaseAFirstRowProbabilities(DatabaseState& db, int entry, int vLow) {
    const int lamUp = db.cat.StateLambda(1, entry);
    const int lamLow = db.cat.StateLambda(2, entry);
    if (lamLow != 1 || !(SpinOrbitRatio(db, 2, vLow) > 4.0f)) return;
    auto& line = db.LineData;
    auto copy = [&](int b, int to, int from) {
        if (line.Contains(3, b, to) && line.Contains(3, b, from)) line(3, b, to) = line(3, b, from);
    };
    if (lamUp < 2) {
        for (int b : {3, 5, 10}) copy(b, 0, 1);
    } else {
        copy(1, 2, 3);
    }
    copy(12, 0, 1);
}

}  // namespace velmora::database
