#include "simulation/saturated_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::simulation {

CoarseWings::CoarseWings(int nPoints)
    : nPoints_(nPoints), nodes_(static_cast<std::size_t>(std::max(nPoints, 0) / kStep + 2), 0.0) {}

void CoarseWings::RemoveLeak(int node, double v, int side, float* out) const {
    // The points node + side r, r = 1..kStep-1, that lie within 1..nPoints-1.
    const int first = std::max(1, side > 0 ? 1 - node : node - (nPoints_ - 1));
    const int last = std::min(kStep - 1, side > 0 ? nPoints_ - 1 - node : node - 1);
    const double slope = v / kStep;
#pragma omp simd
    for (int r = first; r <= last; ++r) {
        float& o = out[node + side * r];
        o = static_cast<float>(o - (v - slope * r));
    }
}

void CoarseWings::AddTo(float* out) {
    for (int n = 0; n * kStep < nPoints_; ++n) {
        const double v = nodes_[static_cast<std::size_t>(n)];
        const double slope = (nodes_[static_cast<std::size_t>(n) + 1] - v) / kStep;
        const int first = std::max(n * kStep, 1), last = std::min(n * kStep + kStep - 1, nPoints_ - 1);
        float* o = out + n * kStep;
#pragma omp simd
        for (int r = first - n * kStep; r <= last - n * kStep; ++r) o[r] = static_cast<float>(o[r] + (v + slope * r));
    }
    std::fill(nodes_.begin(), nodes_.end(), 0.0);
}

namespace {

/// Lorentzian share of the profile drawn for a shape.
double LorentzShare(const LineShape& s) {
    return s.kind == Lineshape::Lorentzian ? 1.0 : s.kind == Lineshape::Gaussian ? 0.0 : s.eta;
}

}  // namespace

double GaussianReach::Of(const LineShape& s) {
    const double eta = LorentzShare(s);
    if (eta >= eta_ && eta <= 1.001 * eta_) return reach_;
    eta_ = eta;
    // The fixed point of u² = κ ln((1 - η) gN (1 + 4u²) / (1e-9 η lN)), approached from above.
    reach_ = std::numeric_limits<double>::infinity();
    if (eta == 0.0) return reach_;
    const double ratio = (1.0 - eta) * s.gN / (1e-9 * eta * s.lN);
    double u = 6.0;
    for (int k = 0; k < 4 && ratio > 0.0; ++k) u = std::sqrt(kGaussExponent * std::max(std::log(ratio * (1.0 + 4.0 * u * u)), 0.0));
    return reach_ = std::min(u, 6.0);
}

void DrawSaturatedLine(const ProfileGrid& grid, const LineShape& s, double reach, double x0,
                       double saturation, double weight, double floor, double strongest, CoarseWings& wings,
                       float* out) {
    const SaturatedSpan span = SaturatedSpanOf(grid, s, x0, saturation, weight, floor);
    if (span.last < span.first) return;
    // Positions in grid steps from point 0; the wing A / (B + b m²) at m steps from the centre.
    const double h = grid.step, ic = (x0 - grid.Xini) / h;
    const double A = weight * span.lorentzWing, B = 1.0 + span.lorentzWing, b = 4.0 * h * h / (s.f * s.f);
    const double core = reach * s.f / h;  // grid steps

    auto wing = [&](int from, int to) {
#pragma omp simd
        for (int i = from; i <= to; ++i) {
            const double m = i - ic;
            out[i] = static_cast<float>(out[i] + A / (B + b * m * m));
        }
    };
    // Near the centre w N / (D + N), N = s (cg e D + cl), D = 1 + b m², e = exp(-a m²): the
    // profile in full with one division. The exponentials advance in L chains side by side,
    // e(m + L) = e(m) R(m), R(m + L) = R(m) exp(-2 L² a), so that the lanes run as vectors; the
    // first 2 L come from three exponentials by products (e(m+1) = e(m) r(m), r(m+1) = r(m) exp(-2a)).
    // The chains are short (the core spans a few FWHM): rounding cannot build up.
    const double eta = LorentzShare(s), a = h * h / (s.f * s.f * kGaussExponent);
    const double cg = saturation * (1.0 - eta) * s.gN, cl = saturation * eta * s.lN;
    auto full = [&](int from, int to) {
        constexpr int L = 8;
        double e[2 * L], R[L];
        const double m0 = from - ic, point = std::exp(-2.0 * a);
        double value = std::exp(-a * m0 * m0), ratio = std::exp(-a * (2.0 * m0 + 1.0));
        for (int k = 0; k < 2 * L; ++k, value *= ratio, ratio *= point) e[k] = value;
        double stride = point;  // exp(-2 L² a) by squaring
        for (int k = 1; k < L * L; k *= 2) stride *= stride;
        for (int k = 0; k < L; ++k) R[k] = e[k] > 0.0 ? e[k + L] / e[k] : 0.0;
        for (int i = from; i <= to; i += L) {
            const int n = std::min(L, to - i + 1);
            const double mi = i - ic;
            float* o = out + i;
#pragma omp simd
            for (int k = 0; k < n; ++k) {
                const double m = mi + k, D = 1.0 + b * m * m, N = cg * e[k] * D + cl;
                o[k] = static_cast<float>(o[k] + weight * N / (D + N));
            }
#pragma omp simd
            for (int k = 0; k < L; ++k) e[k] *= R[k], R[k] *= stride;
        }
    };
    // The points from..to evaluated point by point: the profile in full near the centre.
    auto exact = [&](int from, int to) {
        const int c0 = std::max(from, static_cast<int>(std::ceil(std::max(ic - core, -1e9)))),
                  c1 = std::min(to, static_cast<int>(std::floor(std::min(ic + core, 1e9))));
        if (c1 < c0) return wing(from, to);
        wing(from, c0 - 1);
        full(c0, c1);
        wing(c1 + 1, to);
    };

    // Nodes from the distance where interpolation errs by kCoarseWingTolerance of the strongest
    // peak, and never within the core.
    constexpr int K = CoarseWings::kStep;
    const double H = K;
    const double tolerance = kCoarseWingTolerance * strongest;
    const double start = A > 0.0 && tolerance > 0.0
                             ? std::max(std::sqrt(std::sqrt(0.75 * H * H * A / (b * tolerance))), core + H)
                             : std::numeric_limits<double>::infinity();
    auto value = [&](int i) {
        const double m = i - ic;
        return A / (B + b * m * m);
    };
    int next = span.first;
    auto nodes = [&](double from, double to) {  // the nodes within from..to (grid steps)
        if (!(from <= to)) return;
        const int a = static_cast<int>(std::ceil(from / K)), z = static_cast<int>(std::floor(to / K));
        if (z < a) return;
        exact(next, a * K - 1);
        wings.AddSpan(a, z, value, out);
        next = z * K + 1;
    };
    nodes(span.first, ic - start);
    nodes(std::max(ic + start, static_cast<double>(next)), span.last);
    exact(next, span.last);
}

}  // namespace velmora::simulation
