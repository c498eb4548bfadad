#include "database/line_strengths.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "database/entry_tables.h"
#include "database/exact_strengths.h"
#include "database/line_positions.h"
#include "database/terms.h"

namespace velmora::database {

namespace {

double MolConstOr0(const DatabaseState& db, int s, int v, int k) {
    return db.MolConst.Contains(s, v, k) ? db.MolConst(s, v, k) : 0.0;
}

void SetFactor(DatabaseState& db, int b, int N, double value) {
    if (db.LineData.Contains(5, b, N)) db.LineData(5, b, N) = static_cast<float>(value);
}

double Factor(const DatabaseState& db, int b, int N) {
    return db.LineData.Contains(5, b, N) ? db.LineData(5, b, N) : 0.0;
}

// Hönl-London factors of a 2Σ–2Σ band at lower row N (branches 1..12; 0 where forbidden).
void SigmaSigma(int N, double hl[13]) {
    const double J1 = N + 0.5, J2 = N - 0.5;
    const double X1 = 2 * J1 + 1, X2 = 2 * J2 + 1;
    hl[1] = X1 * (2 * J1 - 1) / (4 * J1);
    hl[10] = X1 / (4 * J1 * (J1 + 1));
    hl[5] = X1 * (2 * J1 + 3) / (4 * (J1 + 1));
    if (J2 > 0) {
        hl[2] = X2 * (2 * J2 - 1) / (4 * J2);
        hl[9] = X2 / (4 * J2 * (J2 + 1));
        hl[6] = X2 * (2 * J2 + 3) / (4 * (J2 + 1));
    }
}

// Spin-orbit ratio of the lower 2Π level for the Σ–Π factors. For OH it is taken from the
// computed F2 − F1 splitting at J = X − 1/2, inverting the Hill–Van Vleck splitting
// B sqrt(4X² + Y(Y − 4)) (corrected for D), which follows the effective coupling of the level.
double SigmaPiRatio(const DatabaseState& db, int entry, int N) {
    const int vLow = db.LoadedVLower;
    const double B = MolConstOr0(db, 2, vLow, 1), D = MolConstOr0(db, 2, vLow, 2);
    const double fallback = SpinOrbitRatio(db, 2, vLow);
    if (db.cat.MoleculeCode(entry) != "OH" || B == 0) return fallback;
    const int X = N == 1 ? 2 : N;
    const auto& L = db.LowerTerm;
    if (X < 1 || X > L.Hi(0)) return fallback;
    const double split = (double(L(X, 2, 2)) + L(X, 2, 1) - L(X - 1, 1, 2) - L(X - 1, 1, 1)) / 2;
    const double t = (4 * D * X * X * X + split) / B;
    const double W = 4.0 * X * X - t * t;
    return W <= 4 ? (4 - std::sqrt(16 - 4 * W)) / 2 : fallback;
}

// Hönl-London factors of a 2Σ (upper) – 2Π (lower) band at lower row N, before the division by 8.
void SigmaPi(int N, double Y, double hl[13]) {
    const double J1 = N + 0.5, J2 = N - 0.5;
    const double X1 = 2 * J1 + 1, X2 = 2 * J2 + 1;
    const double a1 = X1 * X1 + Y * (Y - 4), a2 = X2 * X2 + Y * (Y - 4);
    const double r1 = a1 > 0 ? 1 / std::sqrt(a1) : 0.0, r2 = a2 > 0 ? 1 / std::sqrt(a2) : 0.0;
    const double g1 = X1 / (X1 + 1), g2 = X2 / (X2 + 1);
    const double h1 = X1 / (X1 - 1), h2 = X2 / (X2 - 1);
    hl[5] = g1 * (X1 + (X1 * X1 + 2 * (Y - 4)) * r1);
    hl[6] = g2 * (X2 + (X2 * X2 - 2 * Y) * r2);
    hl[12] = g1 * (X1 - (X1 * X1 - 2 * Y) * r1);
    hl[8] = g2 * (X2 - (X2 * X2 + 2 * (Y - 4)) * r2);
    hl[4] = J2 != 0 ? g2 * ((X2 * X2 - 2) + (X2 * X2 * X2 - 8 * J2 - 2 * Y) * r2) / J2 : 0.0;
    hl[10] = g1 * ((X1 * X1 - 2) - (X1 * X1 * X1 - 8 * J1 - 2 * Y) * r1) / J1;
    hl[3] = g1 * ((X1 * X1 - 2) + (X1 * X1 * X1 - 8 * J1 + 2 * (Y - 4)) * r1) / J1;
    hl[9] = J2 != 0 ? g2 * ((X2 * X2 - 2) - (X2 * X2 * X2 - 8 * J2 + 2 * (Y - 4)) * r2) / J2 : 0.0;
    hl[1] = h1 * (X1 + (X1 * X1 - 2 * Y) * r1);
    hl[11] = h1 * (X1 - (X1 * X1 + 2 * (Y - 4)) * r1);
    if (N > 1) {
        hl[7] = h2 * (X2 - (X2 * X2 - 2 * Y) * r2);
        hl[2] = h2 * (X2 + (X2 * X2 + 2 * (Y - 4)) * r2);
    }
}

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

// How the term tables of state s (level v) of the loaded band label their levels: the single
// level at the lowest J of a 2Π state is F1 in the case (a) labelling of the term step (the band
// loader then re-indexes it to row 0); a case (a) lower 2Π state (A''/B'' > 4) has it at F1 row
// 0 too, where the first row of its lines is computed; a 2Δ upper state keeps the lines of F1 at
// row 1 when A'/B'' > 4, those of F2 at row 2 otherwise.
TermLabelling LabellingOf(const DatabaseState& db, int entry, int s, int vUp, int vLow) {
    const int v = s == 1 ? vUp : vLow;
    TermLabelling t;
    t.state.lambda = db.cat.StateLambda(s, entry);
    t.state.A = MolConstOr0(db, s, v, 6);
    t.state.B = MolConstOr0(db, s, v, 1);
    t.state.sigmaMinus = s == 2 && t.state.lambda == 0 && LowerStateIsSigmaMinus(entry);
    if (t.state.lambda == 1 && s == 1)
        t.singleLevelInF1 = PiCaseALabelling(SpinOrbitRatio(db, 1, vUp), db.cat.MoleculeCode(entry));
    else if (t.state.lambda == 1)
        t.singleLevelInF1 = SpinOrbitRatio(db, 2, vLow) > 4.0f;
    else if (t.state.lambda == 2 && s == 1 && MolConstOr0(db, 2, vLow, 1) != 0)
        t.singleLevelInF1 = SpinOrbitRatio(db, 1, vUp, 2, vLow) > 4.0f;
    return t;
}

// Lower row from which the closed-form tables of PiUpperStrengths hold for branch b, for
// Λ' = Λ'' and for Λ' − Λ'' = ±1.
constexpr int kFirstTableRowEqual[13] = {0, 2, 3, 1, 2, 1, 2, 3, 2, 2, 1, 2, 1};
constexpr int kFirstTableRowAdjacent[13] = {0, 0, 4, 0, 3, 0, 2, 2, 2, 2, 2, 3, 0};

// True when the level at row N of component F has J ≥ Λ + 1/2 (a full 2×2 block, or any Σ level).
bool RegularLevel(int lambda, int N, int F) { return TwiceJ(N, F) >= 2 * lambda + 1; }

// The closed forms of the tables hold between levels of full 2×2 blocks and from their first
// rows on; below these rows and for every line of the single lowest-J level of a 2Π or 2Δ
// state (or a row that holds no level) the factors are the exact intermediate-coupling
// strengths, which are 0 where a level of the pair does not exist.
void ExactLowestRows(DatabaseState& db, int rows, int entry, int vUp, int vLow) {
    const TermLabelling up = LabellingOf(db, entry, 1, vUp, vLow);
    const TermLabelling low = LabellingOf(db, entry, 2, vUp, vLow);
    const int* first = up.state.lambda == low.state.lambda ? kFirstTableRowEqual : kFirstTableRowAdjacent;
    for (int N = 0; N <= rows; ++N)
        for (int b = 1; b <= 12; ++b) {
            const BranchShape sh = BranchShapeOf(b);
            if (N >= first[b] && RegularLevel(up.state.lambda, N + sh.deltaN, sh.upperF) &&
                RegularLevel(low.state.lambda, N, sh.lowerF))
                continue;
            SetFactor(db, b, N, ExactHonlLondon(up, low, b, N));
        }
}

}  // namespace

void ComputeLineStrengths(DatabaseState& db, int entry, int N, int set) {
    const int lamUp = db.cat.StateLambda(1, entry);
    const int lamLow = db.cat.StateLambda(2, entry);
    auto& line = db.LineData;
    const int o = 12 * (set - 1);
    if (!line.Contains(5, 12 + o, N)) return;

    double hl[13] = {};
    bool rowZeroChanged = false;
    if (lamUp == 0 && lamLow == 0) {
        SigmaSigma(N, hl);
    } else if (lamUp == 0 && lamLow == 1) {
        const double Y = SigmaPiRatio(db, entry, N);
        SigmaPi(N, Y, hl);
        if (N == 1) {
            // The J'' = 1/2 level of the lower state: its four lines share the sum 2J'' + 1 = 2 (after
            // the division by 8) by the pure-case values.
            if (Y >= 3) {
                for (int b : {5, 12}) SetFactor(db, b + o, 0, 8.0 / 3);
                for (int b : {3, 10}) SetFactor(db, b + o, 0, 16.0 / 3);
            } else {
                hl[6] = hl[8] = 8.0 / 3;
                hl[4] = hl[9] = 16.0 / 3;
            }
            for (int b = 1; b <= 12; ++b) SetFactor(db, b + o, 0, Factor(db, b + o, 0) / 8);
            rowZeroChanged = true;
        }
        for (int b = 1; b <= 12; ++b) hl[b] /= 8;
    } else if (lamUp >= 1) {
        // Factors stored by PiUpperStrengths (first set; the second set repeats them).
        for (int b = 1; b <= 12; ++b) hl[b] = Factor(db, b, N);
    }

    for (int b = 1; b <= 12; ++b) {
        double v = std::max(hl[b], 0.0);  // a Hönl-London factor is never negative
        if (N < 5 && v < 1.0e-5) v = 0;
        line(5, b + o, N) = static_cast<float>(v);
        if (set > 1) line(3, b + o, N) = line(3, b, N);
    }
    Coefficients(db, N, set, lamUp);
    if (rowZeroChanged) Coefficients(db, 0, set, lamUp);
}

void PiUpperStrengths(DatabaseState& db, int rows, int entry, int vUp, int vLow) {
    const int lamUp = db.cat.StateLambda(1, entry);
    const int lamLow = db.cat.StateLambda(2, entry);
    const double yUp = SpinOrbitRatio(db, 1, vUp);
    const double yLow = SpinOrbitRatio(db, 2, vLow);
    rows = std::max(0, std::min(rows, db.LineData.Hi(2)));
    const int top = rows + 2;

    // Mixing coefficients of the two spin components, index i = J + 1/2:
    // u±(i) = sqrt(Λ² Y (Y − 4) + 4 i²) ± Λ (Y − 2), C±(i) = (u±² + 4 (i² − Λ²)) / 2.
    std::vector<double> upP(top + 1), upM(top + 1), cUpP(top + 1), cUpM(top + 1);
    std::vector<double> loP(top + 1), loM(top + 1), cLoP(top + 1), cLoM(top + 1);
    auto fill = [](int lam, double Y, int i, double& uP, double& uM, double& cP, double& cM) {
        const double arg = double(lam) * lam * Y * (Y - 4) + 4.0 * i * i;
        const double root = arg > 0 ? std::sqrt(arg) : arg;
        uP = root + lam * (Y - 2);
        uM = root - lam * (Y - 2);
        cP = (uP * uP + 4.0 * (double(i) * i - double(lam) * lam)) / 2;
        cM = (uM * uM + 4.0 * (double(i) * i - double(lam) * lam)) / 2;
    };
    for (int i = 0; i <= top; ++i) {
        fill(lamUp, yUp, i, upP[i], upM[i], cUpP[i], cUpM[i]);
        fill(lamLow, yLow, i, loP[i], loM[i], cLoP[i], cLoM[i]);
        const double values[8] = {upP[i], upM[i], cUpP[i], cUpM[i], loP[i], loM[i], cLoP[i], cLoM[i]};
        for (int t = 1; t <= 8; ++t)
            if (db.MixingTable.Contains(t, i)) db.MixingTable(t, i) = static_cast<float>(values[t - 1]);
    }

    // numerator / denominator × bracket², 0 where the numerator vanishes (no such line).
    auto term = [](double numerator, double denominator, double bracket) {
        if (numerator == 0 || denominator == 0) return 0.0;
        return numerator / denominator * bracket * bracket;
    };
    auto set = [&](int b, int N, double value) { SetFactor(db, b, N, value); };

    if (lamUp == lamLow) {
        const double L = lamLow;
        for (int N = std::max(0, lamLow - 1); N <= rows; ++N) {
            const double n = N;
            if (N >= 1) {
                set(5, N, term((n - L + 1) * (n + L + 2), 4 * (n + 1.5) * cUpM[N + 2] * cLoM[N + 1],
                               loM[N + 1] * upM[N + 2] + 4 * (n - L + 2) * (n + L + 1)));
                set(1, N, term((n + L + 1) * (n - L), 4 * (n + 0.5) * cUpM[N] * cLoM[N + 1],
                               loM[N + 1] * upM[N] + 4 * (n - L + 1) * (n + L)));
                set(3, N, term(n + 1, (2 * n + 1) * (n + 1.5) * cUpM[N + 1] * cLoM[N + 1],
                               (L + 0.5) * upM[N + 1] * loM[N + 1] + 4 * (n - L + 1) * (L - 0.5) * (n + L + 1)));
                set(10, N, term(n + 1, (2 * n + 1) * (n + 1.5) * cUpP[N + 1] * cLoM[N + 1],
                                (L + 0.5) * upP[N + 1] * loM[N + 1] - 4 * (n - L + 1) * (L - 0.5) * (n + L + 1)));
                set(12, N, term((n - L + 1) * (n + L + 2), 4 * (n + 1.5) * cUpP[N + 2] * cLoM[N + 1],
                                loM[N + 1] * upP[N + 2] - 4 * (n - L + 2) * (n + L + 1)));
            }
            if (N >= 2) {
                set(6, N, term((n + L + 1) * (n - L), 4 * (n + 0.5) * cUpP[N + 1] * cLoP[N],
                               upP[N + 1] * loP[N] + 4 * (n - L + 1) * (n + L)));
                set(4, N, term(n, (2 * n - 1) * (n + 0.5) * cUpP[N] * cLoP[N],
                               (L + 0.5) * upP[N] * loP[N] + 4 * (n - L) * (L - 0.5) * (n + L)));
                set(9, N, term(n, (2 * n - 1) * (n + 0.5) * cUpM[N] * cLoP[N],
                               (L + 0.5) * upM[N] * loP[N] - 4 * (n - L) * (L - 0.5) * (n + L)));
                set(11, N, term((n + L + 1) * (n - L), 4 * (n + 0.5) * cUpP[N] * cLoM[N + 1],
                                loM[N + 1] * upP[N] - 4 * (n - L + 1) * (n + L)));
                set(8, N, term((n + L + 1) * (n - L), 4 * (n + 0.5) * cUpM[N + 1] * cLoP[N],
                               upM[N + 1] * loP[N] - 4 * (n - L + 1) * (n + L)));
                set(7, N, term((n - L - 1) * (n + L), 4 * (n - 0.5) * cUpM[N - 1] * cLoP[N],
                               upM[N - 1] * loP[N] - 4 * (n - L) * (n + L - 1)));
            }
            if (N >= 3)
                set(2, N, term((n - L - 1) * (n + L), 4 * (n - 0.5) * cUpP[N - 1] * cLoP[N],
                               upP[N - 1] * loP[N] + 4 * (n - L) * (n + L - 1)));
        }
    } else if (lamUp - lamLow == 1 || lamUp - lamLow == -1) {
        const double L = lamLow;
        for (int N = std::max(0, lamLow - 1); N <= rows; ++N) {
            const double n = N;
            set(5, N, term((n + L + 2) * (n + L + 3), 8 * (n + 1.5) * cUpM[N + 2] * cLoM[N + 1],
                           loM[N + 1] * upM[N + 2] + 4 * (n - L + 1) * (n + L + 1)));
            set(1, N, term((n - L - 1) * (n - L), 8 * (n + 0.5) * cUpM[N] * cLoM[N + 1],
                           loM[N + 1] * upM[N] + 4 * (n - L + 1) * (n + L + 1)));
            set(3, N, term((n + L + 2) * (n - L) * (n + 1), 4 * (n + 0.5) * (n + 1.5) * cUpM[N + 1] * cLoM[N + 1],
                           loM[N + 1] * upM[N + 1] + 4 * (n - L + 1) * (n + L + 1)));
            set(12, N, term((n + L + 2) * (n + L + 3), 8 * (n + 1.5) * cUpP[N + 2] * cLoM[N + 1],
                            loM[N + 1] * upP[N + 2] - 4 * (n - L + 1) * (n + L + 1)));
            if (N >= 2) {
                set(6, N, term((n + L + 1) * (n + L + 2), 8 * (n + 0.5) * cUpP[N + 1] * cLoP[N],
                               upP[N + 1] * loP[N] + 4 * (n - L) * (n + L)));
                set(9, N, term((n - L - 1) * (n + L + 1) * n, 4 * (n - 0.5) * (n + 0.5) * cUpM[N] * cLoP[N],
                               loP[N] * upM[N] - 4 * (n - L) * (n + L)));
                set(8, N, term((n + L + 1) * (n + L + 2), 8 * (n + 0.5) * cUpM[N + 1] * cLoP[N],
                               upM[N + 1] * loP[N] - 4 * (n - L) * (n + L)));
                set(10, N, term((n - L) * (n + 1) * (n + L + 2), 4 * (n + 0.5) * (n + 1.5) * cUpP[N + 1] * cLoM[N + 1],
                                loM[N + 1] * upP[N + 1] - 4 * (n - L + 1) * (n + L + 1)));
                set(7, N, term((n - L - 2) * (n - L - 1), 8 * (n - 0.5) * cUpM[N - 1] * cLoP[N],
                               upM[N - 1] * loP[N] - 4 * (n - L) * (n + L)));
            }
            if (N >= 3) {
                set(4, N, term((n - L - 1) * (n + L + 1) * n, 4 * (n - 0.5) * (n + 0.5) * cUpP[N] * cLoP[N],
                               loP[N] * upP[N] + 4 * (n - L) * (n + L)));
                set(11, N, term((n - L - 1) * (n - L), 8 * (n + 0.5) * cUpP[N] * cLoM[N + 1],
                                loM[N + 1] * upP[N] - 4 * (n - L + 1) * (n + L + 1)));
            }
            if (N >= 4)
                set(2, N, term((n - L - 2) * (n - L - 1), 8 * (n - 0.5) * cUpP[N - 1] * cLoP[N],
                               upP[N - 1] * loP[N] + 4 * (n - L) * (n + L)));
        }
    } else {
        return;  // |ΔΛ| > 1: no allowed line
    }
    ExactLowestRows(db, rows, entry, vUp, vLow);
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
