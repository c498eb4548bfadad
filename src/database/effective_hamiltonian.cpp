#include "database/effective_hamiltonian.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace velmora::database {

namespace {

// sqrt(j(j + 1) − m(m + 1)) and sqrt(j(j + 1) − m(m − 1)), arguments doubled: the ladder
// coefficients of m → m + 1 and m → m − 1.
double Up(int twoJ, int twoM) { return 0.5 * std::sqrt(std::max(0, twoJ * (twoJ + 2) - twoM * (twoM + 2))); }
double Down(int twoJ, int twoM) { return 0.5 * std::sqrt(std::max(0, twoJ * (twoJ + 2) - twoM * (twoM - 2))); }

// A signed case (a) function |Λ Σ Ω> of one J (Σ and Ω doubled).
struct Signed {
    int lambda = 0, twoSigma = 0, twoOmega = 0;
    Signed Reflected() const { return {-lambda, -twoSigma, -twoOmega}; }
};

// <a|N²|b>: N² = J² + S² − 2 J·S, J·S = JzSz + (J+S− + J−S+)/2, the molecule-fixed J− raising Ω.
double N2Element(const Signed& a, const Signed& b, int twoS, int twoJ) {
    if (a.lambda != b.lambda) return 0;
    if (a.twoSigma == b.twoSigma) return (twoJ * (twoJ + 2) + twoS * (twoS + 2) - 2 * a.twoOmega * a.twoSigma) / 4.0;
    if (std::abs(a.twoSigma - b.twoSigma) != 2) return 0;
    const Signed& low = a.twoSigma < b.twoSigma ? a : b;
    return -Up(twoJ, low.twoOmega) * Up(twoS, low.twoSigma);
}

// The Λ-doubling operators, which join Λ = +1 and −1: their e^(−2iφ) parts take Λ = +1 to −1
// (element +1) and, with N+ = J+ − S+ (J+ lowering Ω), are O ⊃ S+²/2, P ⊃ −(J+S+ − S+²)/2 and
// Q ⊃ (J+² − 2 J+S+ + S+²)/2; the e^(+2iφ) parts are their Hermitian conjugates.
enum class Doubling { O, P, Q };

double DoublingElement(Doubling op, const Signed& a, const Signed& b, int twoS, int twoJ) {
    if (a.lambda * b.lambda != -1) return 0;
    const Signed& plus = a.lambda == 1 ? a : b;
    const int raised = (a.lambda == 1 ? b : a).twoSigma - plus.twoSigma;                  // twice the change of Σ
    if (raised == 4) return 0.5 * Up(twoS, plus.twoSigma) * Up(twoS, plus.twoSigma + 2);  // S+², Ω kept
    if (raised == 2 && op != Doubling::O) {                                               // J+S+: Σ + 1, Ω − 1
        const double js = Down(twoJ, plus.twoOmega) * Up(twoS, plus.twoSigma);
        return op == Doubling::P ? -0.5 * js : -js;
    }
    if (raised == 0 && op == Doubling::Q) return 0.5 * Down(twoJ, plus.twoOmega) * Down(twoJ, plus.twoOmega - 2);
    return 0;
}

// ρ of the e functions: (−1)^(⌊S⌋ + s).
int EvenCombination(const ElectronicState& st) {
    const int s = st.lambda == 0 && st.sigmaMinus ? 1 : 0;
    return (st.twoS / 2 + s) % 2 == 0 ? 1 : -1;
}

// The functions (|a> + ρ|ā>)/√2 of one (J, parity) block, a of Λ ≥ 0 (Σ > 0 when Λ = 0), Σ from +S
// down, |Ω| ≤ J, and |Σ = 0> of a Σ state of integer S alone (ρ = +1 only).
struct BlockBasis {
    int size = 0;
    int rho = 1;
    std::array<CaseAFunction, kMaxBlock> function{};
    std::array<Signed, kMaxBlock> member{};
    std::array<bool, kMaxBlock> single{};  ///< |Σ = 0> of a Σ state
};

BlockBasis BuildBlockBasis(int lambda, int twoS, int twoJ, int rho) {
    BlockBasis out;
    out.rho = rho;
    for (int ts = twoS; ts >= (lambda == 0 ? 0 : -twoS); ts -= 2) {
        const int to = 2 * lambda + ts;
        const bool single = lambda == 0 && ts == 0;
        if (std::abs(to) > twoJ || (single && rho != 1)) continue;
        out.member[out.size] = {lambda, ts, to};
        out.single[out.size] = single;
        out.function[out.size++] = {ts, to};
    }
    return out;
}

template <int M>
using Mat = Eigen::Matrix<double, M, M>;

// <u|X|v> of two block functions. With the reflection symmetry <ā|X|b̄> = <a|X|b>,
// <ā|X|b> = <a|X|b̄> it is <a|X|b> + ρ <a|X|b̄> for two pairs, √2 <a|X|b> for a pair and |Σ = 0>
// (which is in ρ = +1 only), <a|X|b> for |Σ = 0> with itself.
template <int M, typename Element>
Mat<M> Project(const BlockBasis& basis, Element x) {
    Mat<M> out;
    for (int r = 0; r < M; ++r)
        for (int c = 0; c <= r; ++c) {
            const Signed &a = basis.member[r], &b = basis.member[c];
            double v = x(a, b);
            if (!basis.single[r] && !basis.single[c])
                v += basis.rho * x(a, b.Reflected());
            else if (basis.single[r] != basis.single[c])
                v *= std::sqrt(2.0);
            out(r, c) = out(c, r) = v;
        }
    return out;
}

template <int M>
Mat<M> Anti(const Mat<M>& x, const Mat<M>& y) {
    return x * y + y * x;
}

// Value of x + x_D J(J + 1) + x_H [J(J + 1)]².
double InJ(double x, double xD, double xH, double jj) { return x + xD * jj + xH * jj * jj; }

// The Hamiltonian of one block without T; terms whose constants are zero are left out.
template <int M>
Mat<M> BlockHamiltonian(const ElectronicState& st, const StateConstants& c, const BlockBasis& basis, int twoJ) {
    const HamiltonianForm& form = st.form;
    const int twoS = st.twoS, rho = basis.rho;
    const Mat<M> I = Mat<M>::Identity();
    const Mat<M> N2 = Project<M>(basis, [&](const Signed& a, const Signed& b) { return N2Element(a, b, twoS, twoJ); });
    Mat<M> LzSz = Mat<M>::Zero(), SS = Mat<M>::Zero();
    const double jj = twoJ * (twoJ + 2) / 4.0, s2 = twoS * (twoS + 2) / 4.0;
    for (int r = 0; r < M; ++r) {
        const double sigma = basis.function[r].twoSigma / 2.0;
        LzSz(r, r) = st.lambda * sigma;
        SS(r, r) = 2.0 / 3.0 * (3.0 * sigma * sigma - s2);  // (2/3)(3Sz² − S²)
    }
    const Mat<M> NS = 0.5 * ((jj - s2) * I - N2);
    const Mat<M> X2 = form.rotationInR2 ? Mat<M>(N2 - double(st.lambda * st.lambda) * I) : N2;
    const Mat<M> X4 = X2 * X2;
    const Mat<M> N4 = form.rotationInR2 ? Mat<M>(N2 * N2) : X4;

    Mat<M> H = c.B * X2 - c.D * X4 + c.A * LzSz + c.spinSpin * SS;
    if (c.H != 0 || c.L != 0 || c.M != 0) {
        const Mat<M> X6 = X4 * X2, X8 = X4 * X4;
        H += c.H * X6 + c.L * X8 + c.M * (X8 * X2);
    }
    if (c.A_D != 0) H += (c.A_D / 2) * Anti<M>(X2, LzSz);
    if (c.A_H != 0) H += (c.A_H / 2) * Anti<M>(X4, LzSz) + (form.spinOrbitHExtra * c.A_H) * (X2 * LzSz * X2);
    if (c.spinSpin_D != 0) H += (c.spinSpin_D / 2) * Anti<M>(N2, SS);
    if (form.spinRotationInJ) {
        H += InJ(c.gamma, c.gamma_D, c.gamma_H, jj) * (NS - LzSz);
    } else {
        // 2Σ of the sorted convention: the distortion of the N = J + 1/2 level (ρ = −1) reversed.
        const double sign = form.sigmaF2DistortionReversed && st.lambda == 0 && twoS == 1 && rho == -1 ? -1.0 : 1.0;
        H += c.gamma * NS;
        if (c.gamma_D != 0) H += (sign * c.gamma_D / 2) * Anti<M>(N2, NS);
        if (c.gamma_H != 0) H += (sign * c.gamma_H / 2) * Anti<M>(N4, NS);
    }
    if (st.lambda == 1) {
        // x X + (x_D/2){N², X} + (x_H/2){N⁴, X} for X = O, P, Q, or x(J) (X + shift).
        auto doubling = [&](Doubling op, double x, double xD, double xH, const Mat<M>& shift) {
            if (x == 0 && xD == 0 && xH == 0) return;
            const Mat<M> X = Project<M>(
                basis, [&](const Signed& a, const Signed& b) { return DoublingElement(op, a, b, twoS, twoJ); });
            if (form.lambdaDoublingInJ) {
                H += InJ(x, xD, xH, jj) * (X + shift);
                return;
            }
            H += x * X;
            if (xD != 0) H += (xD / 2) * Anti<M>(N2, X);
            if (xH != 0) H += (xH / 2) * Anti<M>(N4, X);
        };
        const Mat<M> zero = Mat<M>::Zero();
        doubling(Doubling::O, c.o, c.o_D, c.o_H, zero);
        doubling(Doubling::P, c.p, c.p_D, c.p_H, form.lambdaDoublingInJ ? Mat<M>(-0.5 * NS) : zero);
        doubling(Doubling::Q, c.q, c.q_D, c.q_H, form.lambdaDoublingInJ ? Mat<M>(0.5 * N2) : zero);
        if (form.piOmegaHalfShift && twoS == 1 && c.B != 0)
            for (int r = 0; r < M; ++r)
                if (std::abs(basis.function[r].twoOmega) == 1) H(r, r) += c.p * c.A / (8 * c.B);
    }
    if (form.deltaDoubling && st.lambda == 2 && twoS == 1) {
        const double sigma = rho == EvenCombination(st) ? -1.0 : 1.0;  // −1 e, +1 f
        const double j = (twoJ + 1) / 2.0, w = j * j;
        H(M - 1, M - 1) += sigma * (4 * c.q + c.p) / 2 * j * (w - 1);  // the Ω = 3/2 function is the last
        if (M == 2) {
            const double off = -sigma * std::sqrt(std::max(w - 4, 0.0)) * c.q / 2 * j * (w - 1);
            H(0, M - 1) += off;
            H(M - 1, 0) += off;
        }
    }
    return H;
}

// Eigenvalues (ascending) and normalised eigenvectors (largest component positive) of a block.
template <int M>
void Solve(const ElectronicState& st, const StateConstants& c, const BlockBasis& basis, int twoJ,
           std::array<double, kMaxBlock>& values, std::array<std::array<double, kMaxBlock>, kMaxBlock>& vectors) {
    const Mat<M> H = BlockHamiltonian<M>(st, c, basis, twoJ);
    Mat<M> v;
    if constexpr (M == 1) {
        values[0] = H(0, 0);
        v(0, 0) = 1.0;
    } else {
        Eigen::SelfAdjointEigenSolver<Mat<M>> solver;
        if constexpr (M == 2)
            solver.computeDirect(H);
        else
            solver.compute(H);
        for (int k = 0; k < M; ++k) values[k] = solver.eigenvalues()(k);
        v = solver.eigenvectors();
    }
    for (int k = 0; k < M; ++k) {
        const double sign = v.col(k).maxCoeff() >= -v.col(k).minCoeff() ? 1.0 : -1.0;
        for (int r = 0; r < M; ++r) vectors[k][r] = sign * v(r, k);
    }
}

// The case (b) N of a (J, parity) block, ascending: |J − S| .. J + S, N ≥ Λ, and for Σ states
// those whose parity (−1)^(N + s) is the block's.
int BlockN(const ElectronicState& st, int twoJ, Parity parity, std::array<int, kMaxBlock>& N) {
    const int s = st.lambda == 0 && st.sigmaMinus ? 1 : 0;
    int count = 0;
    for (int twoN = std::abs(twoJ - st.twoS); twoN <= twoJ + st.twoS; twoN += 2) {
        const int n = twoN / 2;
        if (n < st.lambda) continue;
        if (st.lambda == 0 && ((n + s) % 2 == 0 ? 1 : -1) != TotalParity(twoJ, parity)) continue;
        if (count < kMaxBlock) N[count] = n;
        ++count;
    }
    return count;
}

void SetLabel(const ElectronicState& st, RotationalLevel& level, int N) {
    level.N = N;
    level.F = (2 * N - level.twoJ + st.twoS) / 2 + 1;
}

}  // namespace

int TotalParity(int twoJ, Parity parity) {
    const int sign = (twoJ / 2) % 2 == 0 ? 1 : -1;  // (−1)^J, or (−1)^(J − 1/2) for half-integer J
    return parity == Parity::e ? sign : -sign;
}

int DominantComponent(const RotationalLevel& level) {
    int best = 0;
    for (int i = 1; i < level.size; ++i)
        if (std::fabs(level.vector[i]) > std::fabs(level.vector[best])) best = i;
    return best;
}

JLevels LevelsOfJ(const ElectronicState& st, const StateConstants& c, int twoJ) {
    if (st.lambda < 0 || st.lambda > 2 || st.twoS < 0 || st.twoS > 3)
        throw std::invalid_argument("no effective Hamiltonian for Λ = " + std::to_string(st.lambda) +
                                    ", 2S = " + std::to_string(st.twoS) + " (Λ 0..2, 2S 0..3)");
    JLevels out;
    if (twoJ < 0 || (twoJ - st.twoS) % 2 != 0) return out;
    const int rhoE = EvenCombination(st);
    for (const Parity parity : {Parity::e, Parity::f}) {
        const int rho = parity == Parity::e ? rhoE : -rhoE;
        const BlockBasis basis = BuildBlockBasis(st.lambda, st.twoS, twoJ, rho);
        std::array<double, kMaxBlock> values{};
        std::array<std::array<double, kMaxBlock>, kMaxBlock> vectors{};
        switch (basis.size) {
            case 0:
                continue;
            case 1:
                Solve<1>(st, c, basis, twoJ, values, vectors);
                break;
            case 2:
                Solve<2>(st, c, basis, twoJ, values, vectors);
                break;
            case 3:
                Solve<3>(st, c, basis, twoJ, values, vectors);
                break;
            default:
                Solve<4>(st, c, basis, twoJ, values, vectors);
                break;
        }
        std::array<int, kMaxBlock> blockN{};
        const bool byN = BlockN(st, twoJ, parity, blockN) == basis.size;
        for (int k = 0; k < basis.size; ++k) {
            RotationalLevel& level = out.level[out.count++];
            level.twoJ = twoJ;
            level.parity = parity;
            level.energy = c.T + values[k];
            level.combination = rho;
            level.size = basis.size;
            level.basis = basis.function;
            level.vector = vectors[k];
            SetLabel(st, level, st.labelling == LevelLabelling::caseA || !byN ? (twoJ - st.twoS) / 2 + k : blockN[k]);
        }
    }
    if (st.labelling == LevelLabelling::byEnergyPerJ) {
        // Both blocks' levels of J, lowest first, take the case (b) labels in order of N.
        std::array<int, 2 * kMaxBlock> order{}, labels{};
        for (int i = 0; i < out.count; ++i) {
            // Insertion of level i into the energy order and of its N into the ascending labels.
            const double e = out.level[i].energy;
            const int n = out.level[i].N;
            int k = i, l = i;
            for (; k > 0 && out.level[order[k - 1]].energy > e; --k) order[k] = order[k - 1];
            order[k] = i;
            for (; l > 0 && labels[l - 1] > n; --l) labels[l] = labels[l - 1];
            labels[l] = n;
        }
        for (int i = 0; i < out.count; ++i) SetLabel(st, out.level[order[i]], labels[i]);
    }
    return out;
}

StateLevels::StateLevels(const ElectronicState& state, const StateConstants& constants, int twoJMax)
    : state_(state), twoJMin_(state.twoS % 2) {
    for (int twoJ = twoJMin_; twoJ <= twoJMax; twoJ += 2) {
        first_.push_back(static_cast<int>(levels_.size()));
        const JLevels j = LevelsOfJ(state, constants, twoJ);
        levels_.insert(levels_.end(), j.level.begin(), j.level.begin() + j.count);
    }
    first_.push_back(static_cast<int>(levels_.size()));
}

std::pair<const RotationalLevel*, int> StateLevels::OfJ(int twoJ) const {
    const int k = (twoJ - twoJMin_) / 2;
    if (twoJ < twoJMin_ || (twoJ - twoJMin_) % 2 != 0 || k + 1 >= static_cast<int>(first_.size())) return {nullptr, 0};
    const int begin = first_[k], end = first_[k + 1];
    return {levels_.data() + begin, end - begin};
}

const RotationalLevel* StateLevels::Find(int twoJ, int F, Parity parity) const {
    const auto [first, count] = OfJ(twoJ);
    for (int i = 0; i < count; ++i)
        if (first[i].F == F && first[i].parity == parity) return first + i;
    return nullptr;
}

}  // namespace velmora::database
