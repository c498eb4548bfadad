#include "reference_physics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velmora::testing {

Matrix operator+(const Matrix& x, const Matrix& y) {
    Matrix r(x.n);
    for (size_t i = 0; i < r.a.size(); ++i) r.a[i] = x.a[i] + y.a[i];
    return r;
}

Matrix operator*(const Matrix& x, const Matrix& y) {
    Matrix r(x.n);
    for (int i = 0; i < x.n; ++i)
        for (int j = 0; j < x.n; ++j)
            for (int k = 0; k < x.n; ++k) r(i, j) += x(i, k) * y(k, j);
    return r;
}

Matrix operator*(double s, const Matrix& x) {
    Matrix r(x.n);
    for (size_t i = 0; i < r.a.size(); ++i) r.a[i] = s * x.a[i];
    return r;
}

Matrix AntiCommutator(const Matrix& x, const Matrix& y) { return x * y + y * x; }

EigenSystem Diagonalise(Matrix m) {
    const int n = m.n;
    Matrix v(n);
    for (int i = 0; i < n; ++i) v(i, i) = 1;
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) off += m(p, q) * m(p, q);
        if (off < 1e-30) break;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) {
                if (m(p, q) == 0) continue;
                const double theta = (m(q, q) - m(p, p)) / (2 * m(p, q));
                const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < n; ++k) {  // columns p, q
                    const double mkp = m(k, p), mkq = m(k, q);
                    m(k, p) = c * mkp - s * mkq;
                    m(k, q) = s * mkp + c * mkq;
                }
                for (int k = 0; k < n; ++k) {  // rows p, q
                    const double mpk = m(p, k), mqk = m(q, k);
                    m(p, k) = c * mpk - s * mqk;
                    m(q, k) = s * mpk + c * mqk;
                }
                for (int k = 0; k < n; ++k) {
                    const double vkp = v(k, p), vkq = v(k, q);
                    v(k, p) = c * vkp - s * vkq;
                    v(k, q) = s * vkp + c * vkq;
                }
            }
    }
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](int i, int j) { return m(i, i) < m(j, j); });
    EigenSystem e{std::vector<double>(n), Matrix(n)};
    for (int c = 0; c < n; ++c) {
        e.values[c] = m(order[c], order[c]);
        for (int k = 0; k < n; ++k) e.vectors(k, c) = v(k, order[c]);
    }
    return e;
}

namespace {

Matrix PiN2Hamiltonian(const PiConstants& c, double J, int eps) {
    const double x = J + 0.5, z = x * x - 1, s = std::sqrt(std::max(z, 0.0));
    Matrix one(2), n2(2), lzsz(2), P(2), Q(2);
    one(0, 0) = one(1, 1) = 1;
    n2(0, 0) = z;
    n2(0, 1) = n2(1, 0) = -s;
    n2(1, 1) = z + 2;
    lzsz(0, 0) = 0.5;
    lzsz(1, 1) = -0.5;
    const Matrix ns = 0.5 * (z * one + (-1.0) * n2);
    P(1, 1) = eps * x / 2;
    Q(0, 1) = Q(1, 0) = -eps * x / 2 * s;
    Q(1, 1) = eps * x;
    const Matrix n4 = n2 * n2, n6 = n4 * n2, n8 = n4 * n4;
    return c.T * one + c.A * lzsz + (c.AD / 2) * AntiCommutator(n2, lzsz) + c.B * n2 + (-c.D) * n4 + c.H * n6 + c.L * n8 + c.gamma * ns +
           (c.gammaD / 2) * AntiCommutator(n2, ns) + (c.gammaH / 2) * AntiCommutator(n4, ns) + c.p * P +
           (c.pD / 2) * AntiCommutator(n2, P) + (c.pH / 2) * AntiCommutator(n4, P) + c.q * Q +
           (c.qD / 2) * AntiCommutator(n2, Q) + (c.qH / 2) * AntiCommutator(n4, Q);
}

double Factorial(int n) {
    static std::vector<double> table = [] {
        std::vector<double> t(171, 1.0);
        for (int i = 1; i <= 170; ++i) t[i] = t[i - 1] * i;
        return t;
    }();
    return n < 0 ? 0.0 : table[size_t(n)];
}

struct BasisState {
    int twoLambda, twoSigma, twoOmega;  // signed, twice their values
};

std::vector<BasisState> Basis(const DoubletState& s, int twoJ) {
    std::vector<BasisState> b;
    const int L2 = 2 * s.lambda;
    if (s.lambda == 0) {
        b = {{0, 1, 1}, {0, -1, -1}};
    } else {
        b = {{L2, 1, L2 + 1}, {L2, -1, L2 - 1}, {-L2, -1, -L2 - 1}, {-L2, 1, -L2 + 1}};
    }
    b.erase(std::remove_if(b.begin(), b.end(), [&](const BasisState& x) { return std::abs(x.twoOmega) > twoJ; }),
            b.end());
    return b;
}

// (−1)^((J − 1/2)) for J given doubled.
int ParitySign(int twoJ) { return ((twoJ - 1) / 2) % 2 == 0 ? 1 : -1; }

Matrix ParityMatrix(const DoubletState& s, const std::vector<BasisState>& b, int twoJ) {
    const int n = int(b.size());
    Matrix P(n);
    const int phase = ParitySign(twoJ) * (s.sigmaMinus ? -1 : 1);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (b[j].twoLambda == -b[i].twoLambda && b[j].twoSigma == -b[i].twoSigma && b[j].twoOmega == -b[i].twoOmega)
                P(j, i) = phase;
    return P;
}

}  // namespace

std::array<double, 2> PiN2Levels(const PiConstants& c, double J, int epsilon) {
    const EigenSystem e = Diagonalise(PiN2Hamiltonian(c, J, epsilon));
    return {e.values[0], e.values[1]};
}

double PiN2LowestLevel(const PiConstants& c, int epsilon) { return PiN2Hamiltonian(c, 0.5, epsilon)(1, 1); }

double Wigner3j(int tj1, int tj2, int tj3, int tm1, int tm2, int tm3) {
    if (tm1 + tm2 + tm3 != 0) return 0;
    if (std::abs(tm1) > tj1 || std::abs(tm2) > tj2 || std::abs(tm3) > tj3) return 0;
    if (tj3 < std::abs(tj1 - tj2) || tj3 > tj1 + tj2) return 0;
    if ((tj1 + tj2 + tj3) % 2 != 0 || (tj1 + tm1) % 2 != 0 || (tj2 + tm2) % 2 != 0 || (tj3 + tm3) % 2 != 0) return 0;
    const int a = (tj1 + tj2 - tj3) / 2, b = (tj1 - tj2 + tj3) / 2, c = (-tj1 + tj2 + tj3) / 2;
    const double triangle = Factorial(a) * Factorial(b) * Factorial(c) / Factorial((tj1 + tj2 + tj3) / 2 + 1);
    const double norm = Factorial((tj1 + tm1) / 2) * Factorial((tj1 - tm1) / 2) * Factorial((tj2 + tm2) / 2) *
                        Factorial((tj2 - tm2) / 2) * Factorial((tj3 + tm3) / 2) * Factorial((tj3 - tm3) / 2);
    const int k1 = (tj3 - tj2 + tm1) / 2, k2 = (tj3 - tj1 - tm2) / 2;
    const int k3 = a, k4 = (tj1 - tm1) / 2, k5 = (tj2 + tm2) / 2;
    double sum = 0;
    for (int k = std::max({0, -k1, -k2}); k <= std::min({k3, k4, k5}); ++k)
        sum += (k % 2 == 0 ? 1 : -1) /
               (Factorial(k) * Factorial(k3 - k) * Factorial(k4 - k) * Factorial(k5 - k) * Factorial(k1 + k) *
                Factorial(k2 + k));
    const int phase2 = tj1 - tj2 - tm3;  // (−1)^(j1 − j2 − m3)
    const int sign = (phase2 / 2) % 2 == 0 ? 1 : -1;
    return sign * std::sqrt(triangle * norm) * sum;
}

std::vector<Level> LevelsAt(const DoubletState& s, int twoJ) {
    const std::vector<BasisState> b = Basis(s, twoJ);
    const int n = int(b.size());
    const double J = twoJ / 2.0, JJ = J * (J + 1);
    Matrix H(n);
    for (int i = 0; i < n; ++i) {
        const double om = b[i].twoOmega / 2.0, sg = b[i].twoSigma / 2.0;
        H(i, i) = s.B * (JJ - om * om + 0.75 - sg * sg) + s.A * (b[i].twoLambda / 2.0) * sg;
        for (int j = 0; j < n; ++j) {
            if (i == j || b[j].twoLambda != b[i].twoLambda || std::abs(b[j].twoSigma - b[i].twoSigma) != 2) continue;
            const double om2 = b[j].twoOmega / 2.0, sg2 = b[j].twoSigma / 2.0;
            H(i, j) = -s.B * std::sqrt(JJ - om * om2) * std::sqrt(0.75 - sg * sg2);
        }
    }
    const Matrix P = ParityMatrix(s, b, twoJ);
    std::vector<Level> levels;
    for (int parity : {1, -1}) {
        // Parity-adapted functions (|i> + π P|i>)/√2 from the basis states of positive Λ (or Σ).
        std::vector<std::vector<double>> f;
        for (int i = 0; i < n; ++i) {
            if (b[i].twoLambda < 0 || (b[i].twoLambda == 0 && b[i].twoSigma < 0)) continue;
            std::vector<double> v(size_t(n), 0.0);
            v[size_t(i)] += 1;
            for (int j = 0; j < n; ++j) v[size_t(j)] += parity * P(j, i);
            double norm = 0;
            for (double x : v) norm += x * x;
            if (norm < 1e-12) continue;
            for (double& x : v) x /= std::sqrt(norm);
            f.push_back(v);
        }
        const int m = int(f.size());
        if (m == 0) continue;
        Matrix block(m);
        for (int p = 0; p < m; ++p)
            for (int q = 0; q < m; ++q)
                for (int i = 0; i < n; ++i)
                    for (int j = 0; j < n; ++j) block(p, q) += f[size_t(p)][size_t(i)] * H(i, j) * f[size_t(q)][size_t(j)];
        const EigenSystem e = Diagonalise(block);
        const bool eLabel = parity == ParitySign(twoJ);
        for (int k = 0; k < m; ++k) {
            Level l;
            l.energy = e.values[size_t(k)];
            l.e = eLabel;
            if (s.lambda == 0)
                l.F = (eLabel != s.sigmaMinus) ? 1 : 2;  // Σ⁺: F1 (N = J − 1/2) is e
            else
                l.F = m == 1 ? 2 : k + 1;
            l.vec.assign(size_t(n), 0.0);
            for (int p = 0; p < m; ++p)
                for (int i = 0; i < n; ++i) l.vec[size_t(i)] += e.vectors(p, k) * f[size_t(p)][size_t(i)];
            levels.push_back(l);
        }
    }
    return levels;
}

double LineStrength(const DoubletState& up, int twoJUp, int FUp, bool eUp, const DoubletState& low, int twoJLow,
                    int FLow, bool eLow) {
    if (std::abs(twoJUp - twoJLow) > 2 || twoJUp < 1 || twoJLow < 1) return 0;
    const std::vector<BasisState> bu = Basis(up, twoJUp), bl = Basis(low, twoJLow);
    const std::vector<Level> lu = LevelsAt(up, twoJUp), ll = LevelsAt(low, twoJLow);
    const Level* u = nullptr;
    const Level* l = nullptr;
    for (const Level& x : lu)
        if (x.F == FUp && x.e == eUp) u = &x;
    for (const Level& x : ll)
        if (x.F == FLow && x.e == eLow) l = &x;
    if (!u || !l) return 0;
    // μ+: the transition moment between the components of positive Λ (unit electronic moment).
    const int nu = int(bu.size()), nl = int(bl.size());
    std::vector<double> mPlus(size_t(nu * nl), 0.0);
    const double reduced = std::sqrt(double(twoJUp + 1) * (twoJLow + 1));
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) {
            if (bu[i].twoLambda < 0 || bl[j].twoLambda < 0 || bu[i].twoSigma != bl[j].twoSigma) continue;
            const int tq = bu[i].twoOmega - bl[j].twoOmega;
            if (std::abs(tq) > 2) continue;
            const int phase = ((twoJUp - bu[i].twoOmega) / 2) % 2 == 0 ? 1 : -1;
            mPlus[size_t(i * nl + j)] =
                phase * reduced * Wigner3j(twoJUp, 2, twoJLow, -bu[i].twoOmega, tq, bl[j].twoOmega);
        }
    // μ = μ+ − P' μ+ P'': the moment of the negative-Λ components follows from reflection
    // symmetry, so that μ changes the total parity (a Σ–Σ moment already does).
    std::vector<double> mu = mPlus;
    if (up.lambda != 0 || low.lambda != 0) {
        const Matrix Pu = ParityMatrix(up, bu, twoJUp), Pl = ParityMatrix(low, bl, twoJLow);
        for (int i = 0; i < nu; ++i)
            for (int j = 0; j < nl; ++j) {
                double v = 0;
                for (int k = 0; k < nu; ++k)
                    for (int m = 0; m < nl; ++m) v += Pu(i, k) * mPlus[size_t(k * nl + m)] * Pl(m, j);
                mu[size_t(i * nl + j)] -= v;
            }
    }
    double amp = 0;
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nl; ++j) amp += u->vec[size_t(i)] * mu[size_t(i * nl + j)] * l->vec[size_t(j)];
    return amp * amp;
}

DatabaseState MakeState(int lambdaUp, int lambdaLow, const std::string& molecule, int entry, int maxN, int maxV) {
    DatabaseState db;
    Catalogue& cat = db.cat;
    cat.CatalogueCount = entry;
    cat.MaxVUpper = cat.MaxVLower = maxV;
    cat.MaxN = maxN;
    cat.MoleculeCode.Resize(1, entry);
    cat.StateLambda.Resize(1, 2, 0, entry);
    cat.LambdaFactor.Resize(1, entry);
    for (int i = 1; i <= entry; ++i) {
        cat.MoleculeCode(i) = molecule;
        cat.StateLambda(1, i) = lambdaUp;
        cat.StateLambda(2, i) = lambdaLow;
        cat.LambdaFactor(i) = lambdaUp >= 1 && lambdaLow >= 1 ? 2.0f : 1.0f;
    }
    db.irad = entry;
    db.MolConst.Resize(1, 2, 0, maxV, 0, 20);
    db.SpcConvention.Resize(1, 2, 1, entry);
    db.LowerTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.UpperTerm.Resize(0, maxN + 4, 1, 2, 1, 2);
    db.LineData.Resize(1, 5, 0, 24, 0, maxN + 3);
    db.MixingTable.Resize(1, 8, 0, maxN + 3);
    db.LoadedVUpper = 0;
    db.LoadedVLower = 0;
    db.LoadedEntry = entry;
    return db;
}

void SetConstants(DatabaseState& db, int s, int v, const std::array<double, 18>& c) {
    for (int k = 0; k < 18; ++k) db.MolConst(s, v, k) = static_cast<float>(c[size_t(k)]);
}

}  // namespace velmora::testing
