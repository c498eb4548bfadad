#include "vibration.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace velmora::datagen {

double Polynomial::operator()(double x) const {
    double s = 0.0;
    for (std::size_t m = c.size(); m-- > 0;) s = s * x + c[m];
    return s;
}

double Polynomial::Derivative(double x) const {
    double s = 0.0;
    for (std::size_t m = c.size(); m-- > 1;) s = s * x + static_cast<double>(m) * c[m];
    return s;
}

Polynomial FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, int degree) {
    const int n = degree + 1;
    // Normal equations in a scaled variable for conditioning, then rescaled coefficients.
    double scale = 0.0;
    for (double xi : x) scale = std::max(scale, std::fabs(xi));
    if (scale == 0.0) scale = 1.0;
    std::vector<double> a(static_cast<std::size_t>(n * n), 0.0), b(static_cast<std::size_t>(n), 0.0);
    for (std::size_t k = 0; k < x.size(); ++k) {
        const double t = x[k] / scale;
        std::vector<double> p(static_cast<std::size_t>(n));
        p[0] = 1.0;
        for (int m = 1; m < n; ++m) p[static_cast<std::size_t>(m)] = p[static_cast<std::size_t>(m - 1)] * t;
        for (int i = 0; i < n; ++i) {
            b[static_cast<std::size_t>(i)] += p[static_cast<std::size_t>(i)] * y[k];
            for (int j = 0; j < n; ++j)
                a[static_cast<std::size_t>(i * n + j)] +=
                    p[static_cast<std::size_t>(i)] * p[static_cast<std::size_t>(j)];
        }
    }
    // Gaussian elimination with partial pivoting.
    for (int col = 0; col < n; ++col) {
        int piv = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[static_cast<std::size_t>(r * n + col)]) >
                std::fabs(a[static_cast<std::size_t>(piv * n + col)]))
                piv = r;
        for (int j = 0; j < n; ++j)
            std::swap(a[static_cast<std::size_t>(col * n + j)], a[static_cast<std::size_t>(piv * n + j)]);
        std::swap(b[static_cast<std::size_t>(col)], b[static_cast<std::size_t>(piv)]);
        const double d = a[static_cast<std::size_t>(col * n + col)];
        if (d == 0.0) throw std::runtime_error("polynomial fit is singular");
        for (int r = col + 1; r < n; ++r) {
            const double f = a[static_cast<std::size_t>(r * n + col)] / d;
            for (int j = col; j < n; ++j)
                a[static_cast<std::size_t>(r * n + j)] -= f * a[static_cast<std::size_t>(col * n + j)];
            b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(col)];
        }
    }
    std::vector<double> coef(static_cast<std::size_t>(n));
    for (int i = n - 1; i >= 0; --i) {
        double s = b[static_cast<std::size_t>(i)];
        for (int j = i + 1; j < n; ++j) s -= a[static_cast<std::size_t>(i * n + j)] * coef[static_cast<std::size_t>(j)];
        coef[static_cast<std::size_t>(i)] = s / a[static_cast<std::size_t>(i * n + i)];
    }
    Polynomial p;
    p.c.resize(static_cast<std::size_t>(n));
    double f = 1.0;
    for (int m = 0; m < n; ++m) {
        p.c[static_cast<std::size_t>(m)] = coef[static_cast<std::size_t>(m)] / f;
        f *= scale;
    }
    return p;
}

namespace {

/// Gauss-Legendre nodes and weights on [0, 1].
void GaussLegendre(int n, std::vector<double>& nodes, std::vector<double>& weights) {
    nodes.assign(static_cast<std::size_t>(n), 0.0);
    weights.assign(static_cast<std::size_t>(n), 0.0);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < n; ++i) {
        double x = std::cos(pi * (i + 0.75) / (n + 0.5));
        double dp = 0.0;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1.0, p1 = x;
            for (int k = 2; k <= n; ++k) {
                const double p2 = ((2.0 * k - 1.0) * x * p1 - (k - 1.0) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (x * p1 - p0) / (x * x - 1.0);
            const double dx = p1 / dp;
            x -= dx;
            if (std::fabs(dx) < 1e-15) break;
        }
        nodes[static_cast<std::size_t>(i)] = 0.5 * (1.0 - x);
        weights[static_cast<std::size_t>(i)] = 1.0 / ((1.0 - x * x) * dp * dp);
    }
}

/// Fritsch-Carlson slopes of a monotone cubic through (x, y).
std::vector<double> MonotoneSlopes(const std::vector<double>& x, const std::vector<double>& y) {
    const std::size_t n = x.size();
    std::vector<double> d(n - 1), m(n);
    for (std::size_t i = 0; i + 1 < n; ++i) d[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (d[i - 1] * d[i] <= 0.0) {
            m[i] = 0.0;
        } else {
            const double w1 = 2.0 * (x[i + 1] - x[i]) + (x[i] - x[i - 1]);
            const double w2 = (x[i + 1] - x[i]) + 2.0 * (x[i] - x[i - 1]);
            m[i] = (w1 + w2) / (w1 / d[i - 1] + w2 / d[i]);
        }
    }
    return m;
}

}  // namespace

RkrPotential::RkrPotential(const std::function<double(double)>& G, const std::function<double(double)>& B, double mu,
                           double vTop, const std::string& stateName) {
    const double C = kRotationConstant;
    std::vector<double> gx, gw;
    GaussLegendre(48, gx, gw);
    const double hTop = vTop + 0.5;
    re_ = std::sqrt(C / (mu * B(0.0)));
    std::vector<double> inner, outer, energy;
    const int K = 80;
    for (int k = 1; k <= K; ++k) {
        const double t = static_cast<double>(k) / K;
        const double h = hTop * t * t;  // dense near the minimum
        const double Gh = G(h);
        if (!(Gh > 0.0) || Gh <= G(h * (1.0 - 1e-6)))
            throw std::runtime_error("the vibrational energies of state " + stateName + " do not increase up to v = " +
                                     std::to_string(vTop) + " (RKR potential impossible)");
        const double S = std::sqrt(h);
        double f = 0.0, g = 0.0;
        for (std::size_t i = 0; i < gx.size(); ++i) {
            const double s = S * gx[i];
            const double diff = Gh - G(h - s * s);
            if (!(diff > 0.0))
                throw std::runtime_error("the vibrational energies of state " + stateName +
                                         " are not increasing (RKR potential impossible)");
            const double w = 2.0 * s * S * gw[i] / std::sqrt(diff);  // dv = 2 s ds
            f += w;
            g += w * B(h - s * s);
        }
        f *= std::sqrt(C / mu);
        g *= std::sqrt(mu / C);
        const double root = std::sqrt(f / g + f * f);
        inner.push_back(root - f);
        outer.push_back(root + f);
        energy.push_back(Gh);
    }
    // Points of y = sign(r - re) sqrt(U), ordered by r.
    for (std::size_t k = inner.size(); k-- > 0;) {
        r_.push_back(inner[k]);
        y_.push_back(-std::sqrt(energy[k]));
    }
    r_.push_back(re_);
    y_.push_back(0.0);
    for (std::size_t k = 0; k < outer.size(); ++k) {
        r_.push_back(outer[k]);
        y_.push_back(std::sqrt(energy[k]));
    }
    for (std::size_t i = 0; i + 1 < r_.size(); ++i)
        if (!(r_[i + 1] > r_[i]))
            throw std::runtime_error("the RKR turning points of state " + stateName +
                                     " are not ordered (inconsistent G(v) and B(v))");
    slope_ = MonotoneSlopes(r_, y_);
    rInner_ = r_.front();
    rOuter_ = r_.back();
    const double u0 = y_[0] * y_[0], u1 = y_[1] * y_[1];
    innerBeta_ = std::log(u0 / u1) / (r_[1] - r_[0]);
}

double RkrPotential::operator()(double r) const {
    const std::size_t n = r_.size();
    if (r <= r_[0]) {
        const double u0 = y_[0] * y_[0];
        return u0 * std::exp(innerBeta_ * (r_[0] - r));
    }
    if (r >= r_[n - 1]) {
        const double y = y_[n - 1] + slope_[n - 1] * (r - r_[n - 1]);
        return y * y;
    }
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(r_.begin(), r_.end(), r) - r_.begin()) - 1;
    const double h = r_[i + 1] - r_[i], t = (r - r_[i]) / h;
    const double h00 = (1 + 2 * t) * (1 - t) * (1 - t), h10 = t * (1 - t) * (1 - t);
    const double h01 = t * t * (3 - 2 * t), h11 = t * t * (t - 1);
    const double y = h00 * y_[i] + h10 * h * slope_[i] + h01 * y_[i + 1] + h11 * h * slope_[i + 1];
    return y * y;
}

namespace {

/// Number of sign changes of the outward Numerov solution at energy E.
int CountNodes(const std::vector<double>& V, const RadialGrid& g, double mu, double E) {
    const double c = g.h * g.h / 12.0, k = mu / kRotationConstant;
    double p0 = 0.0, p1 = 1e-30;
    double f0 = k * (V[0] - E), f1 = k * (V[1] - E);
    int nodes = 0;
    for (int i = 1; i + 1 < g.n; ++i) {
        const double f2 = k * (V[static_cast<std::size_t>(i + 1)] - E);
        const double p2 = (2.0 * (1.0 + 5.0 * c * f1) * p1 - (1.0 - c * f0) * p0) / (1.0 - c * f2);
        if ((p2 < 0.0 && p1 > 0.0) || (p2 > 0.0 && p1 < 0.0)) ++nodes;
        p0 = p1;
        p1 = p2;
        f0 = f1;
        f1 = f2;
        if (std::fabs(p1) > 1e200) {
            p0 *= 1e-200;
            p1 *= 1e-200;
        }
    }
    return nodes;
}

}  // namespace

Eigenstate SolveRadial(const std::vector<double>& V, const RadialGrid& g, double mu, int v) {
    double lo = *std::min_element(V.begin(), V.end());
    double step = 10.0;
    double hi = lo + step;
    int guard = 0;
    while (CountNodes(V, g, mu, hi) <= v) {
        lo = hi;
        step *= 2.0;
        hi = lo + step;
        if (++guard > 60) throw std::runtime_error("no bound state found for v = " + std::to_string(v));
    }
    for (int it = 0; it < 200 && hi - lo > 1e-10 * std::max(1.0, std::fabs(hi)); ++it) {
        const double mid = 0.5 * (lo + hi);
        if (CountNodes(V, g, mu, mid) <= v)
            lo = mid;
        else
            hi = mid;
    }
    Eigenstate st;
    st.energy = 0.5 * (lo + hi);
    const double E = st.energy;
    const double c = g.h * g.h / 12.0, k = mu / kRotationConstant;
    const auto f = [&](int i) { return k * (V[static_cast<std::size_t>(i)] - E); };
    // Matching point: the outer classical turning point.
    int m = g.n - 3;
    while (m > 2 && V[static_cast<std::size_t>(m)] > E) --m;
    std::vector<double> psi(static_cast<std::size_t>(g.n), 0.0);
    psi[1] = 1e-30;
    for (int i = 1; i < m + 1; ++i) {
        psi[static_cast<std::size_t>(i + 1)] = (2.0 * (1.0 + 5.0 * c * f(i)) * psi[static_cast<std::size_t>(i)] -
                                                (1.0 - c * f(i - 1)) * psi[static_cast<std::size_t>(i - 1)]) /
                                               (1.0 - c * f(i + 1));
        if (std::fabs(psi[static_cast<std::size_t>(i + 1)]) > 1e150)
            for (int j = 0; j <= i + 1; ++j) psi[static_cast<std::size_t>(j)] *= 1e-150;
    }
    const double atMatch = psi[static_cast<std::size_t>(m)];
    std::vector<double> in(static_cast<std::size_t>(g.n), 0.0);
    in[static_cast<std::size_t>(g.n - 2)] = 1e-30;
    for (int i = g.n - 2; i > m; --i) {
        in[static_cast<std::size_t>(i - 1)] = (2.0 * (1.0 + 5.0 * c * f(i)) * in[static_cast<std::size_t>(i)] -
                                               (1.0 - c * f(i + 1)) * in[static_cast<std::size_t>(i + 1)]) /
                                              (1.0 - c * f(i - 1));
        if (std::fabs(in[static_cast<std::size_t>(i - 1)]) > 1e150)
            for (int j = i - 1; j < g.n; ++j) in[static_cast<std::size_t>(j)] *= 1e-150;
    }
    const double scale = atMatch / in[static_cast<std::size_t>(m)];
    for (int i = m + 1; i < g.n; ++i) psi[static_cast<std::size_t>(i)] = in[static_cast<std::size_t>(i)] * scale;
    double norm = 0.0;
    for (double p : psi) norm += p * p;
    norm = std::sqrt(norm * g.h);
    // Sign convention: the innermost lobe is positive.
    double first = 0.0;
    for (double p : psi)
        if (std::fabs(p) > 1e-3 * norm) {
            first = p;
            break;
        }
    if (first < 0.0) norm = -norm;
    for (double& p : psi) p /= norm;
    st.psi = std::move(psi);
    return st;
}

double Overlap(const std::vector<double>& a, const std::vector<double>& b, const RadialGrid& g,
               const std::vector<double>& weight) {
    double s = 0.0;
    if (weight.empty())
        for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    else
        for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i] * weight[i];
    return s * g.h;
}

}  // namespace velmora::datagen
