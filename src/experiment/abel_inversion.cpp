#include "experiment/abel_inversion.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/number_format.h"

namespace velmora::experiment {

namespace {

/// The chord matrix of rings of unit width (upper triangular, row-major).
std::vector<double> ChordMatrix(int n) {
    std::vector<double> A(static_cast<std::size_t>(n) * n, 0.0);
    for (int i = 0; i < n; ++i) {
        const double y2 = static_cast<double>(i) * i;
        for (int k = i; k < n; ++k) {
            const double outer = (k + 0.5) * (k + 0.5), inner = k == i ? y2 : (k - 0.5) * (k - 0.5);
            A[static_cast<std::size_t>(i) * n + k] =
                2.0 * (std::sqrt(outer - y2) - std::sqrt(std::max(inner - y2, 0.0)));
        }
    }
    return A;
}

/// Solves the upper-triangular U x = b in place.
void BackSubstitute(const std::vector<double>& U, int n, double* b, std::size_t stride) {
    for (int i = n - 1; i >= 0; --i) {
        double s = b[static_cast<std::size_t>(i) * stride];
        for (int k = i + 1; k < n; ++k)
            s -= U[static_cast<std::size_t>(i) * n + k] * b[static_cast<std::size_t>(k) * stride];
        b[static_cast<std::size_t>(i) * stride] = s / U[static_cast<std::size_t>(i) * n + i];
    }
}

/// The Cholesky factor G (lower, G Gᵀ = S) of a symmetric positive definite matrix, in place.
void Cholesky(std::vector<double>& S, int n) {
    for (int j = 0; j < n; ++j) {
        double d = S[static_cast<std::size_t>(j) * n + j];
        for (int k = 0; k < j; ++k)
            d -= S[static_cast<std::size_t>(j) * n + k] * S[static_cast<std::size_t>(j) * n + k];
        if (!(d > 0.0)) throw std::invalid_argument("the regularised Abel system is not positive definite");
        d = std::sqrt(d);
        S[static_cast<std::size_t>(j) * n + j] = d;
        for (int i = j + 1; i < n; ++i) {
            double s = S[static_cast<std::size_t>(i) * n + j];
            for (int k = 0; k < j; ++k)
                s -= S[static_cast<std::size_t>(i) * n + k] * S[static_cast<std::size_t>(j) * n + k];
            S[static_cast<std::size_t>(i) * n + j] = s / d;
        }
    }
}

/// The lateral profile of a frame at fractional row u (linear between rows; NaN outside).
double ProfileAt(const std::vector<double>& profile, double u) {
    const int n = static_cast<int>(profile.size());
    if (!(u >= -1e-9 && u <= n - 1 + 1e-9)) return std::nan("");
    const int j = std::clamp(static_cast<int>(std::floor(u)), 0, n - 2);
    const double t = std::clamp(u - j, 0.0, 1.0);
    return (1.0 - t) * profile[static_cast<std::size_t>(j)] + t * profile[static_cast<std::size_t>(j) + 1];
}

/// The mean squared difference between the profile at u + k and u − k (k = 1, 2, ...).
double Asymmetry(const std::vector<double>& profile, double u) {
    double sum = 0.0;
    int count = 0;
    for (int k = 1;; ++k) {
        const double a = ProfileAt(profile, u + k), b = ProfileAt(profile, u - k);
        if (std::isnan(a) || std::isnan(b)) break;
        sum += (a - b) * (a - b), ++count;
    }
    return count > 0 ? sum / count : HUGE_VAL;
}

/// The spacing of the rows' positions; throws unless they are equally spaced.
double RowStep(const SpectrumFrame& f) {
    if (f.rows < 3) throw std::invalid_argument(f.source + ": an Abel inversion needs 3 or more rows");
    if (f.rows > kMaxAbelRows)
        throw std::invalid_argument(f.source + ": " + std::to_string(f.rows) +
                                    " rows; an Abel inversion takes at most " + std::to_string(kMaxAbelRows) +
                                    " (bin the rows)");
    const double step = (f.positions.back() - f.positions.front()) / (f.rows - 1);
    for (int j = 1; j < f.rows; ++j) {
        const double d = f.positions[static_cast<std::size_t>(j)] - f.positions[static_cast<std::size_t>(j) - 1];
        if (!(std::fabs(d - step) <= 1e-4 * std::fabs(step)) || step == 0.0)
            throw std::invalid_argument(f.source + ": the rows of a side-on frame must be equally spaced (row " +
                                        std::to_string(j + 1) + " lies " + Trim(Str(d)) + " from the one before, not " +
                                        Trim(Str(step)) + ")");
    }
    return step;
}

/// Adds weight w of the frame at fractional row u to row `ring` of the resampling matrix.
void AddSample(std::vector<double>& R, int rows, int ring, double u, double w) {
    const int j = std::clamp(static_cast<int>(std::floor(u + 1e-9)), 0, rows - 1);
    const double t = std::clamp(u - j, 0.0, 1.0);
    R[static_cast<std::size_t>(ring) * rows + j] += w * (1.0 - t);
    if (t > 0.0 && j + 1 < rows) R[static_cast<std::size_t>(ring) * rows + j + 1] += w * t;
}

}  // namespace

std::vector<double> OnionPeelingOperator(int n, double lambda) {
    const std::vector<double> A = ChordMatrix(n);
    std::vector<double> K(static_cast<std::size_t>(n) * n, 0.0);
    if (lambda == 0.0) {
        // K = A⁻¹, column by column.
        for (int j = 0; j < n; ++j) K[static_cast<std::size_t>(j) * n + j] = 1.0;
        for (int j = 0; j < n; ++j) BackSubstitute(A, n, &K[static_cast<std::size_t>(j)], static_cast<std::size_t>(n));
        return K;
    }
    // K = (AᵀA + λ² LᵀL)⁻¹ Aᵀ with L the first differences of neighbouring rings.
    std::vector<double> S(static_cast<std::size_t>(n) * n, 0.0);
    for (int a = 0; a < n; ++a)
        for (int b = a; b < n; ++b) {
            double s = 0.0;
            for (int i = 0; i <= std::min(a, b); ++i)
                s += A[static_cast<std::size_t>(i) * n + a] * A[static_cast<std::size_t>(i) * n + b];
            S[static_cast<std::size_t>(a) * n + b] = S[static_cast<std::size_t>(b) * n + a] = s;
        }
    const double l2 = lambda * lambda;
    for (int i = 0; i + 1 < n; ++i) {
        S[static_cast<std::size_t>(i) * n + i] += l2;
        S[static_cast<std::size_t>(i + 1) * n + i + 1] += l2;
        S[static_cast<std::size_t>(i) * n + i + 1] -= l2;
        S[static_cast<std::size_t>(i + 1) * n + i] -= l2;
    }
    Cholesky(S, n);
    // Solve G Gᵀ K = Aᵀ, one column of Aᵀ at a time.
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        for (int a = 0; a < n; ++a) x[static_cast<std::size_t>(a)] = A[static_cast<std::size_t>(j) * n + a];
        for (int a = 0; a < n; ++a) {
            double s = x[static_cast<std::size_t>(a)];
            for (int k = 0; k < a; ++k) s -= S[static_cast<std::size_t>(a) * n + k] * x[static_cast<std::size_t>(k)];
            x[static_cast<std::size_t>(a)] = s / S[static_cast<std::size_t>(a) * n + a];
        }
        for (int a = n - 1; a >= 0; --a) {
            double s = x[static_cast<std::size_t>(a)];
            for (int k = a + 1; k < n; ++k)
                s -= S[static_cast<std::size_t>(k) * n + a] * x[static_cast<std::size_t>(k)];
            x[static_cast<std::size_t>(a)] = s / S[static_cast<std::size_t>(a) * n + a];
        }
        for (int a = 0; a < n; ++a) K[static_cast<std::size_t>(a) * n + j] = x[static_cast<std::size_t>(a)];
    }
    return K;
}

double FindAbelCentre(const SpectrumFrame& f) {
    const double step = RowStep(f);
    std::vector<double> profile(static_cast<std::size_t>(f.rows), 0.0);
    for (int r = 0; r < f.rows; ++r)
        for (int c = 0; c < f.columns; ++c)
            if (std::isfinite(f.At(r, c))) profile[static_cast<std::size_t>(r)] += f.At(r, c);
    const double last = f.rows - 1.0, h = 0.1;
    double best = 0.5 * last, bestValue = HUGE_VAL;
    for (double u = 0.25 * last; u <= 0.75 * last + 1e-9; u += h)
        if (const double a = Asymmetry(profile, u); a < bestValue) bestValue = a, best = u;
    // The vertex of the parabola through the best point and its neighbours.
    const double a = Asymmetry(profile, best - h), b = bestValue, c = Asymmetry(profile, best + h);
    const double curvature = a - 2.0 * b + c;
    if (curvature > 0.0 && std::isfinite(a) && std::isfinite(c))
        best += std::clamp(0.5 * h * (a - c) / curvature, -h, h);
    return f.positions.front() + best * step;
}

AbelFrame AbelInvert(const SpectrumFrame& f, const std::vector<double>& rowSigma, const AbelOptions& o) {
    const double step = RowStep(f), width = std::fabs(step);
    if (!(o.regularisation >= 0.0) || !std::isfinite(o.regularisation))
        throw std::invalid_argument("the regularisation must be a number of 0 or more");
    AbelFrame out;
    out.centreFound = o.findCentre;
    out.centre = o.findCentre ? FindAbelCentre(f) : o.centre;
    out.ringWidth = width;
    const double low = std::min(f.positions.front(), f.positions.back()),
                 high = std::max(f.positions.front(), f.positions.back());
    if (!(out.centre >= low && out.centre <= high))
        throw std::invalid_argument("the centre " + Trim(Str(out.centre)) + " lies outside the rows' positions " +
                                    Trim(Str(low)) + ".." + Trim(Str(high)));
    // Fractional row of a position, and the rings each half reaches.
    auto row = [&](double y) { return (y - f.positions.front()) / step; };
    const int lowerRings = static_cast<int>(std::floor((out.centre - low) / width + 1e-9)) + 1;
    const int upperRings = static_cast<int>(std::floor((high - out.centre) / width + 1e-9)) + 1;
    struct Half {
        int side, rings;
    };
    std::vector<Half> halves;
    switch (o.halves) {
        case AbelHalves::Average:
            halves.push_back({0, std::min(lowerRings, upperRings)});
            break;
        case AbelHalves::Lower:
            halves.push_back({-1, lowerRings});
            break;
        case AbelHalves::Upper:
            halves.push_back({1, upperRings});
            break;
        case AbelHalves::Both:
            halves = {{-1, lowerRings}, {1, upperRings}};
            break;
    }
    int total = 0;
    for (const Half& h : halves) {
        if (h.rings < 2)
            throw std::invalid_argument("the centre " + Trim(Str(out.centre)) + " leaves fewer than 2 rows on the " +
                                        (h.side < 0   ? "lower side"
                                         : h.side > 0 ? "upper side"
                                                      : "shorter side"));
        total += h.rings;
    }

    // M = K R / Δ per half: resampling at centre ± kΔ, then the onion-peeling inverse.
    const int rows = f.rows;
    out.M.assign(static_cast<std::size_t>(total) * rows, 0.0);
    int first = 0;
    for (const Half& h : halves) {
        std::vector<double> R(static_cast<std::size_t>(h.rings) * rows, 0.0);
        for (int k = 0; k < h.rings; ++k) {
            if (h.side <= 0) AddSample(R, rows, k, row(out.centre - k * width), h.side == 0 ? 0.5 : 1.0);
            if (h.side >= 0) AddSample(R, rows, k, row(out.centre + k * width), h.side == 0 ? 0.5 : 1.0);
        }
        const std::vector<double> K = OnionPeelingOperator(h.rings, o.regularisation);
        for (int k = 0; k < h.rings; ++k) {
            double* m = &out.M[static_cast<std::size_t>(first + k) * rows];
            for (int i = 0; i < h.rings; ++i) {
                const double kki = K[static_cast<std::size_t>(k) * h.rings + i] / width;
                if (kki == 0.0) continue;
                for (int j = 0; j < rows; ++j) m[j] += kki * R[static_cast<std::size_t>(i) * rows + j];
            }
            out.half.push_back(h.side);
        }
        first += h.rings;
    }

    // The emissivity ε = M P at every column, and its uncertainty from the lateral rows' noise.
    SpectrumFrame& e = out.emissivity;
    e = BlankFrame(total, f.columns);
    e.source = f.source;
    e.axis = f.axis, e.axisUnit = f.axisUnit, e.axisUnitName = f.axisUnitName;
    e.positionUnit = f.positionUnit;
    std::vector<double> acc(static_cast<std::size_t>(f.columns));
    for (int k = 0, ring = 0; k < total; ++k, ++ring) {
        if (k > 0 && out.half[static_cast<std::size_t>(k)] != out.half[static_cast<std::size_t>(k) - 1]) ring = 0;
        e.positions[static_cast<std::size_t>(k)] = ring * width;
        std::fill(acc.begin(), acc.end(), 0.0);
        const double* m = &out.M[static_cast<std::size_t>(k) * rows];
        double variance = 0.0;
        for (int j = 0; j < rows; ++j) {
            if (m[j] == 0.0) continue;
            const float* p = &f.pixels[static_cast<std::size_t>(j) * f.columns];
            for (int c = 0; c < f.columns; ++c) acc[static_cast<std::size_t>(c)] += m[j] * p[c];
            if (!rowSigma.empty())
                variance += m[j] * m[j] * rowSigma[static_cast<std::size_t>(j)] * rowSigma[static_cast<std::size_t>(j)];
        }
        for (int c = 0; c < f.columns; ++c) e.At(k, c) = static_cast<float>(acc[static_cast<std::size_t>(c)]);
        out.sigma.push_back(rowSigma.empty() ? 0.0 : std::sqrt(variance));
    }
    const char* halvesText = o.halves == AbelHalves::Average ? "halves averaged"
                             : o.halves == AbelHalves::Both  ? "halves kept apart"
                             : o.halves == AbelHalves::Lower ? "lower half"
                                                             : "upper half";
    e.detail = f.detail + "; Abel-inverted about " + Trim(Str(out.centre)) + (o.findCentre ? " (found)" : " (given)") +
               ", " + std::to_string(total) + " rings of " + Trim(Str(width)) + ", " + halvesText +
               ", regularisation " + Trim(Str(o.regularisation));
    return out;
}

}  // namespace velmora::experiment
