// RKR potentials, Numerov levels and overlaps against closed forms (Morse levels, the Poisson
// Franck-Condon distribution of displaced harmonic oscillators).
#include "vibration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "franck_condon.h"

namespace velmora::datagen {
namespace {

constexpr double kMu = 0.948;  // u, an OH-like hydride

struct Morse {
    double we = 3700, wexe = 85, re = 0.97;
    double D() const { return we * we / (4 * wexe); }
    double a() const { return we * std::sqrt(kMu / (4 * kRotationConstant * D())); }
    double operator()(double r) const {
        const double x = 1 - std::exp(-a() * (r - re));
        return D() * x * x;
    }
    double G(double h) const { return we * h - wexe * h * h; }
};

RadialGrid Grid(double r0, double r1, int n) { return {r0, (r1 - r0) / (n - 1), n}; }

std::vector<double> OnGrid(const RadialGrid& g, const std::function<double(double)>& f) {
    std::vector<double> v(static_cast<std::size_t>(g.n));
    for (int i = 0; i < g.n; ++i) v[static_cast<std::size_t>(i)] = f(g.R(i));
    return v;
}

TEST(Numerov, MorseLevelsMatchTheClosedForm) {
    const Morse m;
    const RadialGrid g = Grid(0.4, 3.0, 6000);
    const auto V = OnGrid(g, m);
    for (int v = 0; v <= 8; ++v) EXPECT_NEAR(SolveRadial(V, g, kMu, v).energy, m.G(v + 0.5), 0.01) << v;
}

TEST(Numerov, EigenfunctionsAreNormalisedAndOrthogonal) {
    const Morse m;
    const RadialGrid g = Grid(0.4, 3.0, 6000);
    const auto V = OnGrid(g, m);
    const auto a = SolveRadial(V, g, kMu, 2), b = SolveRadial(V, g, kMu, 5);
    EXPECT_NEAR(Overlap(a.psi, a.psi, g), 1.0, 1e-12);
    EXPECT_NEAR(Overlap(a.psi, b.psi, g), 0.0, 1e-6);
}

TEST(Rkr, RebuildsAMorsePotentialFromItsLevelsAndRotationalConstants) {
    const Morse m;
    const RadialGrid g = Grid(0.4, 3.5, 8000);
    const auto Vm = OnGrid(g, m);
    // B_v of the Morse levels (expectation of C/(mu r^2)), smoothed by a polynomial in v + 1/2.
    std::vector<double> h, B, w(static_cast<std::size_t>(g.n));
    for (int i = 0; i < g.n; ++i) w[static_cast<std::size_t>(i)] = kRotationConstant / (kMu * g.R(i) * g.R(i));
    for (int v = 0; v <= 12; ++v) {
        const auto s = SolveRadial(Vm, g, kMu, v);
        h.push_back(v + 0.5);
        B.push_back(Overlap(s.psi, s.psi, g, w));
    }
    const Polynomial Bp = FitPolynomial(h, B, 4);
    const RkrPotential rkr([&](double x) { return m.G(x); }, [&](double x) { return Bp(x); }, kMu, 10.0, "Morse");
    EXPECT_NEAR(rkr.Re(), m.re, 2e-4);
    for (double r : {0.8, 0.9, 1.1, 1.3, 1.5}) EXPECT_NEAR(rkr(r), m(r), 1.0 + 2e-4 * m(r)) << r;
    const auto V = OnGrid(g, [&](double r) { return rkr(r); });
    for (int v = 0; v <= 6; ++v) EXPECT_NEAR(SolveRadial(V, g, kMu, v).energy, m.G(v + 0.5), 0.5) << v;
}

TEST(Rkr, RejectsVibrationalEnergiesThatTurnOver) {
    // G(h) = 2000 h - 400 h^2 has its maximum at h = 2.5 (v = 2): no potential up to v = 4.
    EXPECT_THROW(RkrPotential([](double x) { return 2000 * x - 400 * x * x; }, [](double x) { return 2.0 - 0.01 * x; },
                              7.0, 4.0, "test"),
                 std::runtime_error);
}

TEST(FranckCondon, DisplacedHarmonicOscillatorsFollowThePoissonLaw) {
    // V = k (r - re)^2: width sigma^2 = sqrt(C / (mu k)); displacement d gives the Huang-Rhys
    // factor S = d^2 / (2 sigma^2) and |<0|n>|^2 = exp(-S) S^n / n!.
    const double k = 50000.0, d = 0.05, re = 1.2;
    const RadialGrid g = Grid(0.7, 1.8, 6000);
    const auto Vl = OnGrid(g, [&](double r) { return k * (r - re) * (r - re); });
    const auto Vu = OnGrid(g, [&](double r) { return k * (r - re - d) * (r - re - d); });
    const double sigma2 = std::sqrt(kRotationConstant / (kMu * k));
    const double S = d * d / (2 * sigma2);
    const auto up = SolveRadial(Vu, g, kMu, 0);
    double factorial = 1.0, sum = 0.0;
    for (int n = 0; n <= 6; ++n) {
        if (n) factorial *= n;
        const double o = Overlap(up.psi, SolveRadial(Vl, g, kMu, n).psi, g);
        sum += o * o;
        EXPECT_NEAR(o * o, std::exp(-S) * std::pow(S, n) / factorial, 1e-5) << n;
    }
    EXPECT_NEAR(sum, 1.0, 1e-4);
}

TEST(FranckCondon, FactorsFromEquilibriumConstantsObeyTheSumRuleAndTheHarmonicLimit) {
    // Σ_v'' q(v', v'') = 1 over a complete lower set (NH A and X of Huber-Herzberg, X to v'' = 9),
    // and two harmonic states of equal we and Be (no anharmonicity, no vibration-rotation term)
    // have the same potential: q = δ(v', v'').
    const VibrationalConstants nhA{"A", 3231.2, 98.6, 0, 16.6745, 0.7454}, nhX{"X", 3282.27, 78.35, 0, 16.6993, 0.6490};
    const auto q = EquilibriumFranckCondon(nhA, nhX, 0.940160, 3, 10);
    for (std::size_t a = 0; a < q.size(); ++a) {
        double sum = 0;
        for (double f : q[a]) sum += f;
        EXPECT_NEAR(sum, 1.0, 1e-4) << "v' = " << a;
    }
    const VibrationalConstants h{"H", 2000, 0, 0, 10, 0};
    const auto same = EquilibriumFranckCondon(h, h, 1.0, 3, 3);
    for (std::size_t a = 0; a < 3; ++a)
        for (std::size_t b = 0; b < 3; ++b) EXPECT_NEAR(same[a][b], a == b ? 1.0 : 0.0, 1e-6) << a << "," << b;
    // Constants that turn over before the levels asked for give no potential.
    EXPECT_THROW(EquilibriumFranckCondon({"Y", 1000, 100, 0, 1, 0}, h, 1.0, 6, 3), std::runtime_error);
}

TEST(Polynomial, LeastSquaresRecoversAnExactCubic) {
    const Polynomial p{{1.5, -2.0, 0.25, 0.01}};
    std::vector<double> x, y;
    for (int i = 0; i < 9; ++i) {
        x.push_back(i + 0.5);
        y.push_back(p(i + 0.5));
    }
    const Polynomial f = FitPolynomial(x, y, 3);
    for (std::size_t m = 0; m < 4; ++m) EXPECT_NEAR(f.c[m], p.c[m], 1e-9);
    EXPECT_NEAR(f.Derivative(2.0), -2.0 + 0.5 * 2.0 + 0.03 * 4.0, 1e-9);
}

}  // namespace
}  // namespace velmora::datagen
