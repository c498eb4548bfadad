#include "database/terms.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace velmora::database {

// Term values of doublet states.
//
// Column k of the level constants (cm-1):
//   0 T   1 B   2 D   3 H   4 L   5 M   6 A   7 A_D   8 A_H
//   9 γ  10 γ_D  11 γ_H  12 p  13 p_D  14 p_H  15 q  16 q_D  17 q_H   (p, q: Λ-doubling)
//
// Rows of a term table are labelled by the Hund's case (b) quantum number N: component F1 has
// J = N + 1/2, F2 has J = N − 1/2. Parity block p = 1 is the e component, p = 2 the f component
// (σ = −1 and +1 in the Λ-doubling terms below).
//
// Conventions of the constants (the data files are written for them):
//   Σ convention 1: the standard N² Hamiltonian of a 2Σ state,
//       E = T + B x − D x² + H x³ + L x⁴ + M x⁵ + (γ + γ_D x + γ_H x²) N·S,  x = N(N + 1),
//       N·S = N/2 (F1), −(N + 1)/2 (F2). Use it for constants fitted with the standard Hamiltonian.
//   Σ convention 0: the two levels of equal J are computed and sorted by energy (the lower is F1,
//       the labels follow the energy order). It subtracts L x⁴, and the γ_D and γ_H terms of the
//       F2 level enter with a + sign; this is the convention's own definition, kept as it is.
//   Π conventions 0 and 2: the N² effective Hamiltonian in the case (a) parity basis
//       (|Ω = Λ + 1/2>, |Ω = Λ − 1/2>), with B N², −D N⁴, +H N⁶, spin-orbit A Lz Sz, spin-rotation
//       γ N·S, centrifugal terms as anticommutators ((γ_D/2){N², N·S}, (p_D/2){N², P}, ...).
//       It subtracts L N⁸: constants of the standard Hamiltonian (+L N⁸) enter with L negated.
//       Its A_H term (A_H z² and −A_H (z + 2)²) is its own definition.
//       Λ-doubling p P + q Q with P = σ diag(0, j/2), Q = σ [[0, −j s/2], [−j s/2, j]], j = J + 1/2:
//       the f level of J = 1/2 lies (p + 2q) above the e level.
//   Π conventions 1 and 3: the same in powers of R² = N² − 1 (B R², −D R⁴, +H R⁶, +L R⁸), with
//       spin-rotation G(J) (N·S − Lz Sz) and Λ-doubling as functions of J(J + 1) (G, P, Q below),
//       the 2Π conversion term h = pA/(8B) in H22 and their own A_H term. Without Λ-doubling it
//       equals convention 0 with T' = T − B − D − H + L, B' = B + 2D + 3H − 4L, D' = D + 3H − 6L,
//       H' = H − 4L, column L' = −L and A' = A − γ. Convention 3 takes the Λ-doubling terms of
//       conventions 0 and 2; convention 1 has its own, P(J) (P − N·S/2) + Q(J) (Q + N²/2).
//   Δ: one form (H11 the Ω = 5/2 row, H22 the Ω = 3/2 row, N² form).
//   A Σ state fills parity block 1 and copies it into block 2: its level has one parity, and a
//   branch may address either block.
//
// Level assignment of a Π state: with Y = A/B ≤ 4 (and not "NO" or "CF") the lower eigenvalue of
// each (J, parity) block is F1 at row J − 1/2 and the upper is F2 at row J + 1/2; otherwise
// (case (a) labelling) the lower is stored as F1 at row J + 1/2 and the upper as F2 at row
// J − 1/2, which the band loader re-indexes. At the lowest J of a Π (J = 1/2) or Δ (J = 3/2)
// state only the Ω = Λ − 1/2 row exists and that level is H22 itself, whatever the ratio A/B:
// the slot that carries it (F2 at row J + 1/2 in case (b) labelling, F1 at row J + 1/2 in case
// (a) labelling) gets H22; the F1 slot of case (b) labelling keeps the lower diagonal element,
// which is that same level once A/B > 2 (the level continues the lower ladder there).

namespace {

struct Block {
    double h11;
    double h22;
    double h12;
};

// Eigenvalues of a symmetric 2×2 block: {lower, upper}.
std::pair<double, double> Eigenvalues(const Block& m) {
    const double mean = 0.5 * (m.h11 + m.h22);
    const double half = 0.5 * (m.h11 - m.h22);
    const double root = std::sqrt(half * half + m.h12 * m.h12);
    return {mean - root, mean + root};
}

bool InRange(const TermTable& t, int N) { return !t.Empty() && N >= t.Lo(0) && N <= t.Hi(0); }

void Store(TermTable& t, int N, int F, int p, double value) {
    if (InRange(t, N)) t(N, F, p) = value;
}

void SigmaTerms(const std::array<double, 18>& c, int rows, TermTable& target, int convention) {
    const double T = c[0], B = c[1], D = c[2], H = c[3], L = c[4], M = c[5];
    const double g = c[9], gD = c[10], gH = c[11];
    if (convention != 0 && convention != 1) return;
    for (int N = 0; N <= rows + 2; ++N) {
        if (convention == 1) {
            const double x = double(N) * (N + 1);
            const double f0 = T + B * x - D * x * x + H * x * x * x + L * x * x * x * x + M * std::pow(x, 5);
            const double gamma = g + gD * x + gH * x * x;
            Store(target, N, 1, 1, f0 + gamma * N / 2.0);
            if (N >= 1) Store(target, N, 2, 1, f0 - gamma * (N + 1) / 2.0);
        } else {
            const double a = N + 1.0, b = N, cc = N + 2.0;
            const double u = a * b, w = a * cc;
            const double e1 = T + B * u - D * u * u + H * u * u * u - L * std::pow(u, 4) + M * std::pow(u, 5) +
                              g * b / 2 + gD * a * b * b / 2 + gH * a * a * b * b * b / 2;
            const double e2 = T + B * w - D * w * w + H * w * w * w - L * std::pow(w, 4) + M * std::pow(w, 5) -
                              g * cc / 2 + gD * a * cc * cc / 2 + gH * a * a * cc * cc * cc / 2;
            Store(target, N, 1, 1, (e1 + e2) / 2 - std::fabs(e1 - e2) / 2);
            Store(target, N + 1, 2, 1, (e1 + e2) / 2 + std::fabs(e1 - e2) / 2);
        }
    }
    // A Σ state has one level per (N, F); both parity blocks carry it, so that every branch finds
    // its lower or upper level whichever block it addresses.
    for (int N = 0; N <= rows + 3; ++N)
        for (int F = 1; F <= 2; ++F)
            if (InRange(target, N)) target(N, F, 2) = target(N, F, 1);
}

// Λ-doubling of conventions 0, 2 and 3: p P + (p_D/2){N², P} + (p_H/2){N⁴, P} + q Q + (q_D/2){N², Q}
// + (q_H/2){N⁴, Q} in the case (a) parity basis, σ = −1 (e) or +1 (f).
void AddLambdaDoubling(Block& m, const std::array<double, 18>& c, double z, double s, double j, double sigma) {
    const double p = c[12], pD = c[13], pH = c[14], q = c[15], qD = c[16], qH = c[17];
    const double j3 = j * j * j;
    m.h11 += sigma * (qD / 2 * j * z + qH * j3 * z);
    m.h22 += sigma * (p / 2 * j + pD / 2 * j * (z + 2) + pH / 2 * j3 * (z + 4) + q * j + qD / 2 * j * (3 * z + 4) +
                      2 * qH * j3 * (z + 2));
    m.h12 -= sigma *
             (pD / 4 * s * j + pH / 2 * s * j3 + q / 2 * s * j + qD / 2 * s * j * (z + 2) + qH / 2 * s * j3 * (z + 4));
}

// The parity-independent 2×2 block of a Π state at J, for conventions 0/2 and 1/3.
Block PiBlock(const std::array<double, 18>& c, int convention, double J, double z, double s) {
    const double T = c[0], B = c[1], D = c[2], H = c[3], L = c[4];
    const double A = c[6], AD = c[7], AH = c[8];
    const double g = c[9], gD = c[10], gH = c[11];
    Block m{};
    if (convention == 0 || convention == 2) {
        m.h11 = T + A / 2 + AD / 2 * z + AH * z * z + B * z - D * z * (z + 1) + H * z * (z + 1) * (z + 2) -
                L * z * (z + 1) * (z + 1) * (z + 4) - gD / 2 * z - gH * z * (z + 1);
        m.h22 = T - A / 2 - AD / 2 * (z + 2) - AH * (z + 2) * (z + 2) + B * (z + 2) - D * (z + 1) * (z + 4) +
                H * (z + 1) * (z * z + 8 * z + 8) - L * (z + 1) * (z + 1) * (z * z + 12 * z + 16) - g -
                gD / 2 * (3 * z + 4) - 2 * gH * (z + 1) * (z + 2);
        m.h12 = s * (-B + AH + 2 * D * (z + 1) - H * (z + 1) * (3 * z + 4) + 4 * L * (z + 1) * (z + 1) * (z + 2) +
                     g / 2 + gD / 2 * (z + 2) + gH / 2 * (z * z + 5 * z + 4));
    } else {
        const double jj = J * (J + 1);
        const double G = g + gD * jj + gH * jj * jj;
        const double h = B != 0 ? c[12] * A / (8 * B) : 0.0;
        const double zm = z - 1, zp = z + 1;
        m.h11 = T + A / 2 + AD / 2 * zm + AH / 4 * (3 * zm * zm + z) + B * zm - D * (zm * zm + z) +
                H * (zm * zm * zm + z * (3 * z - 1)) + L * (std::pow(zm, 4) + z * (6 * z * z - 3 * z + 2)) - G / 2;
        m.h22 = T - A / 2 - AD / 2 * zp - AH / 4 * (3 * zp * zp + z) + B * zp - D * (zp * zp + z) +
                H * (zp * zp * zp + z * (3 * z + 1)) + L * (std::pow(zp, 4) + z * (6 * z * z + 5 * z + 2)) + h - G / 2;
        m.h12 = s * (AH / 2 - B + 2 * D * z - H * (3 * z * z + z + 1) - 4 * L * z * (z * z + z + 1) + G / 2);
    }
    return m;
}

// Λ-doubling of convention 1, with P(J), Q(J) the J(J + 1) expansions of p and q.
void AddConvention1Doubling(Block& m, const std::array<double, 18>& c, double J, double z, double s, double j,
                            int block) {
    const double jj = J * (J + 1);
    const double P = c[12] + c[13] * jj + c[14] * jj * jj;
    const double Q = c[15] + c[16] * jj + c[17] * jj * jj;
    m.h11 += Q * z / 2;
    if (block == 1) {
        m.h22 += P * (1 - j) / 2 + Q * (z + 2 - 2 * j) / 2;
        m.h12 += -P * s / 4 + Q * (j - 1) * s / 2;
    } else {
        m.h22 += P * (1 + j) / 2 + Q * (z + 2 + 2 * j) / 2;
        m.h12 += -P * s / 4 - Q * (j + 1) * s / 2;
    }
}

// The Δ block at J = N + 1/2 in parity block p (σ = −1 e, +1 f).
Block DeltaBlock(const std::array<double, 18>& c, double J, int p) {
    const double T = c[0], B = c[1], D = c[2], H = c[3], A = c[6];
    const double g = c[9], gD = c[10], pL = c[12], qL = c[15];
    const double j = J + 0.5;
    const double w = j * j;
    const double h11 = T + A + g / 2 + gD + B * (w - 2) - D * w * (w - 3) + H * w * (w * w - 3 * w - 2);
    const double h22 =
        T - A - 3 * g / 2 - gD * (2 * w + 1) + B * (w + 2) - D * w * (w + 5) + H * w * (w * w + 9 * w + 2);
    const double root = w >= 4 ? std::sqrt(w - 4) : 0.0;
    const double h12 = -root * (B - g / 2 - gD / 2 * (w + 1) - 2 * D * w + H * w * (3 * w + 1));
    const double sigma = p == 1 ? -1.0 : 1.0;
    return {h11, h22 + sigma * (4 * qL + pL) / 2 * j * (w - 1), h12 - sigma * root * qL / 2 * j * (w - 1)};
}

// The Π block at J in parity block p, with its Λ-doubling.
Block PiParityBlock(const std::array<double, 18>& c, int convention, double J, int p) {
    const double z = (J - 0.5) * (J + 1.5);
    const double s = std::sqrt(std::fabs(z));
    const double j = J + 0.5;
    Block m = PiBlock(c, convention, J, z, s);
    if (convention == 1)
        AddConvention1Doubling(m, c, J, z, s, j, p);
    else
        AddLambdaDoubling(m, c, z, s, j, p == 1 ? -1.0 : 1.0);
    return m;
}

void PiTerms(const std::array<double, 18>& c, int rows, TermTable& target, int convention, std::string_view molecule) {
    if (convention < 0 || convention > 3) return;
    const bool caseA = PiCaseALabelling(c[6] / c[1], molecule);
    for (int N = 0; N <= rows + 2; ++N) {
        for (int p = 1; p <= 2; ++p) {
            const Block m = PiParityBlock(c, convention, N + 0.5, p);
            auto [lower, upper] = Eigenvalues(m);
            if (N == 0) {
                // J = 1/2: only the Ω = 1/2 row is a level (H11 belongs to none). The slot of the
                // labelling that holds it gets H22 itself.
                if (caseA)
                    lower = m.h22;
                else
                    upper = m.h22;
            }
            if (!caseA) {
                Store(target, N, 1, p, lower);
                Store(target, N + 1, 2, p, upper);
            } else {
                Store(target, N + 1, 1, p, lower);
                if (N >= 1) Store(target, N, 2, p, upper);
            }
        }
    }
}

void DeltaTerms(const std::array<double, 18>& c, int rows, TermTable& target) {
    for (int N = 1; N <= rows + 2; ++N) {
        for (int p = 1; p <= 2; ++p) {
            const Block m = DeltaBlock(c, N + 0.5, p);
            auto [lower, upper] = Eigenvalues(m);
            if (N == 1) upper = m.h22;  // J = 3/2: only the Ω = 3/2 row is a level
            Store(target, N, 1, p, lower);
            Store(target, N + 1, 2, p, upper);
        }
    }
}

std::string_view LoadedMolecule(const DatabaseState& db) {
    const auto& codes = db.cat.MoleculeCode;
    for (int entry : {db.LoadedEntry, db.irad})
        if (!codes.Empty() && entry >= codes.Lo() && entry <= codes.Hi()) return codes(entry);
    return {};
}

}  // namespace

float SpinOrbitRatio(const DatabaseState& db, int s, int v, int sB, int vB) {
    const auto& m = db.MolConst;
    if (m.Empty() || !m.Contains(s, v, 6) || !m.Contains(sB, vB, 1)) return 0.0f;
    return static_cast<float>(m(s, v, 6) / m(sB, vB, 1));
}

HamiltonianBlock DoubletHamiltonian(const std::array<double, 18>& c, int lambda, int convention, int twoJ, int p) {
    const Block m = lambda == 2 ? DeltaBlock(c, twoJ / 2.0, p) : PiParityBlock(c, convention, twoJ / 2.0, p);
    return {m.h11, m.h12, m.h22};
}

bool PiCaseALabelling(float ratio, std::string_view molecule) {
    return !(ratio <= 4.0f) || molecule == "NO" || molecule == "CF";
}

void ComputeTerms(DatabaseState& db, int lambda, int rows, TermTable& target, int convention) {
    ComputeTerms(db, lambda, rows, target, convention, LoadedMolecule(db));
}

void ComputeTerms(DatabaseState& db, int lambda, int rows, TermTable& target, int convention,
                  std::string_view molecule) {
    if (target.Empty()) return;
    rows = std::min(rows, target.Hi(0) - 3);
    for (int N = target.Lo(0); N <= rows + 3; ++N)
        for (int F = 1; F <= 2; ++F)
            for (int p = 1; p <= 2; ++p) target(N, F, p) = 0.0f;
    const auto& c = db.LevelConst;
    switch (lambda) {
        case 0:
            SigmaTerms(c, rows, target, convention);
            break;
        case 1:
            PiTerms(c, rows, target, convention, molecule);
            break;
        case 2:
            DeltaTerms(c, rows, target);
            break;
        default:
            break;
    }
}

}  // namespace velmora::database
