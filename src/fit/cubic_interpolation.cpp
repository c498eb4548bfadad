#include "fit/cubic_interpolation.h"

#include <algorithm>

namespace velmora::fit {

namespace {

/// Positions beyond this many are interpolated one by one: the weights of a million take 72 MB.
constexpr std::size_t kMaxKeptPositions = std::size_t{1} << 20;

/// The weights of the Lagrange cubic through the nodes -1, 0, 1, 2 at t.
CubicWeights::Weights WeightsAt(double t) {
    const double a = t + 1.0, b = t, c = t - 1.0, d = t - 2.0;
    return {{-b * c * d / 6.0, a * c * d / 2.0, a * b * d / 2.0, a * b * c / 6.0},
            {-(c * d + b * d + b * c) / 6.0, (c * d + a * d + a * c) / 2.0, (b * d + a * d + a * b) / 2.0,
             (b * c + a * c + a * b) / 6.0}};
}

/// The cubic through ym, y0, y1, y2 with the weights w; the node in the middle is subtracted.
double Combine(const double* w, double ym, double y0, double y1, double y2) {
    return w[0] * ym + w[1] * y0 - w[2] * y1 + w[3] * y2;
}

/// The node j below position u (n >= 2), or -1 beyond the grid: s = (u - start) / h in 0..n-1.
int NodeOf(double u, double start, double h, int n, double& t) {
    const double s = (u - start) / h;
    if (n < 2 || !(s >= 0.0 && s <= n - 1.0)) return -1;
    const int j = std::min(static_cast<int>(s), n - 2);
    t = s - j;
    return j;
}

/// The values at nodes j-1..j+2, those beyond the array 0.
void NodesAround(const float* y, int n, int j, double& ym, double& y0, double& y1, double& y2) {
    ym = j >= 1 ? static_cast<double>(y[j - 1]) : 0.0;
    y0 = y[j], y1 = y[j + 1];
    y2 = j + 2 < n ? static_cast<double>(y[j + 2]) : 0.0;
}

}  // namespace

Sample Interpolate(const simulation::SpectralGrid& grid, const std::vector<float>& y, double u) {
    const int n = static_cast<int>(y.size());
    const double h = grid.Step();
    double t = 0.0;
    const int j = NodeOf(u, grid.start, h, n, t);
    if (j < 0) return {};
    double ym, y0, y1, y2;
    NodesAround(y.data(), n, j, ym, y0, y1, y2);
    const CubicWeights::Weights w = WeightsAt(t);
    return {Combine(w.value, ym, y0, y1, y2), Combine(w.slope, ym, y0, y1, y2) / h};
}

void CubicWeights::Prepare(const simulation::SpectralGrid& grid, std::size_t points, const std::vector<double>& u) {
    const double h = grid.Step();
    if (prepared_ && start_ == grid.start && step_ == h && points_ == points && u_ == u) return;
    prepared_ = true;
    start_ = grid.start, step_ = h, points_ = points, u_ = u;
    node_.resize(u.size());
    weights_.resize(u.size());
    for (std::size_t i = 0; i < u.size(); ++i) {
        double t = 0.0;
        node_[i] = NodeOf(u[i], start_, h, static_cast<int>(points), t);
        weights_[i] = WeightsAt(node_[i] >= 0 ? t : 0.0);
    }
}

void CubicWeights::At(const simulation::SpectralGrid& grid, const std::vector<float>& y, const std::vector<double>& u,
                      double* value, double* slope) {
    if (u.size() > kMaxKeptPositions) {  // the weights would take more memory than they save time
        for (std::size_t i = 0; i < u.size(); ++i) {
            const Sample s = Interpolate(grid, y, u[i]);
            value[i] = s.value;
            if (slope) slope[i] = s.slope;
        }
        return;
    }
    Prepare(grid, y.size(), u);
    const int n = static_cast<int>(points_);
    const float* v = y.data();
    for (std::size_t i = 0; i < u.size(); ++i) {
        const int j = node_[i];
        if (j < 0) {
            value[i] = 0.0;
            if (slope) slope[i] = 0.0;
            continue;
        }
        double ym, y0, y1, y2;
        NodesAround(v, n, j, ym, y0, y1, y2);
        value[i] = Combine(weights_[i].value, ym, y0, y1, y2);
        if (slope) slope[i] = Combine(weights_[i].slope, ym, y0, y1, y2) / step_;
    }
}

}  // namespace velmora::fit
