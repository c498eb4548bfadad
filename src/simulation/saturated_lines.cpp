#include "simulation/saturated_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace velmora::simulation {

namespace {

/// Weights of the interpolating cubic at r = 0..kStep-1 grid steps past a node, t = r / H: the
/// node's value counts 1 - t and the next node's t; their second derivatives
/// -H² t (1 - t) (2 - t) / 6 and -H² t (1 - t) (1 + t) / 6.
struct CubicWeights {
    static constexpr int K = CoarseWings::kStep;
    double near[K], far[K], curveNear[K], curveFar[K];
    constexpr CubicWeights() : near(), far(), curveNear(), curveFar() {
        for (int r = 0; r < K; ++r) {
            const double t = static_cast<double>(r) / K, H2 = static_cast<double>(K) * K;
            near[r] = 1.0 - t, far[r] = t;
            curveNear[r] = -H2 * t * (1.0 - t) * (2.0 - t) / 6.0;
            curveFar[r] = -H2 * t * (1.0 - t) * (1.0 + t) / 6.0;
        }
    }
};
constexpr CubicWeights kCubic;
// The coarse mesh is interpolated onto the fine nodes with the same table: t = r / kCoarse.
static_assert(CoarseWings::kCoarse == CoarseWings::kStep);

}  // namespace

CoarseWings::CoarseWings(int nPoints) : nPoints_(nPoints) {
    const std::size_t fine = static_cast<std::size_t>(std::max(nPoints, 0) / kStep + 2);
    const std::size_t coarse = fine / kCoarse + 2;
    fine_.value.assign(fine, 0.0), fine_.curvature.assign(fine, 0.0);
    coarse_.value.assign(coarse, 0.0), coarse_.curvature.assign(coarse, 0.0);
}

void CoarseWings::Nodes::AddWing(int a, int b, int step, const Wing& wing) {
    double* v = value.data();
    double* c = curvature.data();
#pragma omp simd
    for (int n = a; n <= b; ++n) {
        const std::pair<double, double> at = wing.At(n * step);
        v[n] += at.first, c[n] += at.second;
    }
}

void CoarseWings::AddSpan(int a, int b, const Wing& wing, float* out) {
    fine_.AddWing(a, b, kStep, wing);
    RemoveLeak(a * kStep, wing.At(a * kStep), -1, out);
    RemoveLeak(b * kStep, wing.At(b * kStep), +1, out);
}

void CoarseWings::AddCoarseSpan(int a, int b, const Wing& wing, float* out) {
    constexpr int H = kStep * kCoarse;
    coarse_.AddWing(a, b, H, wing);
    RemoveCoarseLeak(a * H, wing.At(a * H), -1, out);
    RemoveCoarseLeak(b * H, wing.At(b * H), +1, out);
}

void CoarseWings::RemoveLeak(int node, std::pair<double, double> wing, int side, float* out) const {
    // The points node + side r, r = 1..kStep-1, within 1..nPoints-1: the node's share of the
    // interpolation is the same seen from either side.
    const double v = wing.first, c = wing.second;
    const int first = std::max(1, side > 0 ? 1 - node : node - (nPoints_ - 1));
    const int last = std::min(kStep - 1, side > 0 ? nPoints_ - 1 - node : node - 1);
#pragma omp simd
    for (int r = first; r <= last; ++r) {
        float& o = out[node + side * r];
        o = static_cast<float>(o - (v * kCubic.near[r] + c * kCubic.curveNear[r]));
    }
}

void CoarseWings::RemoveCoarseLeak(int node, std::pair<double, double> wing, int side, float* out) {
    // On the fine nodes kCoarse - 1 either side the coarse cubic has the value and (linear)
    // second derivative of the node's share; the node itself then leaks as a fine node.
    const double v = wing.first, c = wing.second;
    constexpr double scale = static_cast<double>(kCoarse) * kCoarse;  // (H_coarse / H_fine)²
    const int n = node / kStep, size = static_cast<int>(fine_.value.size());
    for (int r = 1; r < kCoarse; ++r) {
        const int k = n + side * r;
        if (k >= 0 && k < size) fine_.Add(k, -(v * kCubic.near[r] + c * scale * kCubic.curveNear[r]), -c * kCubic.near[r]);
    }
    RemoveLeak(node, wing, side, out);
}

void CoarseWings::AddTo(float* out) {
    // The coarse mesh onto the fine nodes: the cubic's value and second derivative.
    constexpr double scale = static_cast<double>(kCoarse) * kCoarse;
    const std::size_t fine = fine_.value.size();
    for (std::size_t n = 0; n + 1 < coarse_.value.size(); ++n) {
        const double v0 = coarse_.value[n], v1 = coarse_.value[n + 1];
        const double c0 = coarse_.curvature[n], c1 = coarse_.curvature[n + 1];
        if (v0 == 0.0 && v1 == 0.0 && c0 == 0.0 && c1 == 0.0) continue;
        for (int r = 0; r < kCoarse && n * kCoarse + static_cast<std::size_t>(r) < fine; ++r)
            fine_.Add(static_cast<int>(n * kCoarse) + r,
                      v0 * kCubic.near[r] + v1 * kCubic.far[r] + scale * (c0 * kCubic.curveNear[r] + c1 * kCubic.curveFar[r]),
                      c0 * kCubic.near[r] + c1 * kCubic.far[r]);
    }
    // The fine mesh onto the grid.
    for (int n = 0; n * kStep < nPoints_; ++n) {
        const std::size_t k = static_cast<std::size_t>(n);
        const double v0 = fine_.value[k], v1 = fine_.value[k + 1], c0 = fine_.curvature[k], c1 = fine_.curvature[k + 1];
        const int first = std::max(n * kStep, 1) - n * kStep;
        const int last = std::min(n * kStep + kStep - 1, nPoints_ - 1) - n * kStep;
        float* o = out + n * kStep;
#pragma omp simd
        for (int r = first; r <= last; ++r)
            o[r] = static_cast<float>(o[r] + (v0 * kCubic.near[r] + v1 * kCubic.far[r] + c0 * kCubic.curveNear[r] +
                                              c1 * kCubic.curveFar[r]));
    }
    for (Nodes* mesh : {&fine_, &coarse_}) {
        std::fill(mesh->value.begin(), mesh->value.end(), 0.0);
        std::fill(mesh->curvature.begin(), mesh->curvature.end(), 0.0);
    }
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

    // The wing in single precision, as the grid stores it (a relative error of 1e-7): four
    // points a vector. m is formed in double, so the distance keeps its digits far from point 0.
    const float Af = static_cast<float>(A), Bf = static_cast<float>(B), bf = static_cast<float>(b);
    auto wing = [&](int from, int to) {
#pragma omp simd
        for (int i = from; i <= to; ++i) {
            const float m = static_cast<float>(i - ic);
            out[i] += Af / (Bf + bf * m * m);
        }
    };
    // Near the centre w N / (D + N), N = s (cg e D + cl), D = 1 + b m², e = exp(-a m²): the
    // profile in full with one division. The exponentials advance in L chains side by side,
    // e(m + L) = e(m) R(m), R(m + L) = R(m) exp(-2 L² a), so that the lanes run as vectors; the
    // first L of each come from one exponential by products (e(m+1) = e(m) r(m), r(m+1) =
    // r(m) exp(-2a)). The chains are short (the core spans a few FWHM): rounding cannot build up.
    const double eta = LorentzShare(s), a = h * h / (s.f * s.f * kGaussExponent);
    const double cg = saturation * (1.0 - eta) * s.gN, cl = saturation * eta * s.lN;
    auto full = [&](int from, int to) {
        constexpr int L = 8;
        double e[L], R[L];
        const double m0 = from - ic, point = std::exp(-2.0 * a);
        double lane = point, stride = point;  // exp(-2 L a) and exp(-2 L² a) by squaring
        for (int k = 1; k < L; k *= 2) lane *= lane;
        for (int k = 1; k < L * L; k *= 2) stride *= stride;
        // e(m0 + k) and R(m0 + k) = exp(-a L (2 (m0 + k) + L)), two chains of products.
        double value = std::exp(-a * m0 * m0), ratio = std::exp(-a * (2.0 * m0 + 1.0));
        double step = std::exp(-a * L * (2.0 * m0 + L));
        for (int k = 0; k < L; ++k, value *= ratio, ratio *= point, step *= lane) e[k] = value, R[k] = step;
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

    // Each mesh from the distance where its interpolation errs by kCoarseWingTolerance of the
    // strongest peak, (5/384) H⁴ 120 A / (b d⁶), and never within the core.
    constexpr int K = CoarseWings::kStep, KC = CoarseWings::kStep * CoarseWings::kCoarse;
    const double tolerance = kCoarseWingTolerance * strongest;
    // The distance grows as H^(2/3): one root serves both meshes.
    const double root = A > 0.0 && tolerance > 0.0 ? std::cbrt(std::sqrt(1.5625 * A / (b * tolerance)))
                                                   : std::numeric_limits<double>::infinity();
    const double start = std::max(root * std::cbrt(static_cast<double>(K) * K), core + K);
    const double farStart = std::max(root * std::cbrt(static_cast<double>(KC) * KC), start + KC);
    const CoarseWings::Wing value{A, B, b, ic};
    // The nodes of a mesh (step grid points) within from..to, the points before them exact; each
    // span ends at its nodes, so the few points between spans are evaluated exactly too.
    int next = span.first;
    auto nodes = [&](int step, double from, double to) {
        if (!(from <= to)) return;
        const int a = static_cast<int>(std::ceil(from / step)), z = static_cast<int>(std::floor(to / step));
        if (z < a) return;
        exact(next, a * step - 1);
        if (step == K)
            wings.AddSpan(a, z, value, out);
        else
            wings.AddCoarseSpan(a, z, value, out);
        next = z * step + 1;
    };
    // Left: the fine mesh out to the coarse one, the coarse mesh, the fine mesh in to the core.
    const int leftFirst = static_cast<int>(std::ceil(span.first / static_cast<double>(KC)));
    if (std::floor((ic - farStart) / KC) >= leftFirst) {
        nodes(K, span.first, leftFirst * KC - K);
        nodes(KC, leftFirst * KC, ic - farStart);
    }
    nodes(K, next, ic - start);
    // Right: the same outwards.
    const double rightFrom = std::max(ic + start, static_cast<double>(next));
    // (In double until it is known to lie within the span: without a wing the start is infinite.)
    const double rightNode = std::ceil(std::max(ic + farStart, rightFrom) / KC);
    if (std::floor(span.last / static_cast<double>(KC)) >= rightNode) {
        const int rightFirst = static_cast<int>(rightNode);
        nodes(K, rightFrom, rightFirst * KC - K);
        nodes(KC, rightFirst * KC, span.last);
        nodes(K, next, span.last);
    } else {
        nodes(K, rightFrom, span.last);
    }
    exact(next, span.last);
}

}  // namespace velmora::simulation
