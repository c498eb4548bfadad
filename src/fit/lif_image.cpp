#include "fit/lif_image.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "common/number_format.h"
#include "fit/fit_errors.h"
#include "populations/selected_populations.h"
#include "simulation/simulate.h"
#include "simulation/thermometry.h"

namespace velmora::fit {

namespace {

using simulation::LifRegime;
using simulation::SimulationConditions;

std::string Number(double v) { return Trim(Str(v)); }

/// A natural cubic spline through (u_i, v_i) on equally spaced u.
class Spline {
public:
    Spline(double u0, double h, std::vector<double> v) : u0_(u0), h_(h), v_(std::move(v)), m_(v_.size(), 0.0) {
        // Second derivatives m_i: (m_{i-1} + 4 m_i + m_{i+1}) h/6 = (v_{i+1} − 2 v_i + v_{i-1}) / h.
        const std::size_t n = v_.size();
        std::vector<double> c(n, 0.0), d(n, 0.0);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const double r = (v_[i + 1] - 2.0 * v_[i] + v_[i - 1]) / h_, w = 2.0 * h_ / 3.0 - h_ / 6.0 * c[i - 1];
            c[i] = h_ / 6.0 / w;
            d[i] = (r - h_ / 6.0 * d[i - 1]) / w;
        }
        for (std::size_t i = n - 1; i-- > 1;) m_[i] = d[i] - c[i] * m_[i + 1];
    }

    /// Value and derivative at u (within the table).
    void At(double u, double& value, double& slope) const {
        const double x = (u - u0_) / h_;
        const std::size_t i = static_cast<std::size_t>(std::clamp(x, 0.0, static_cast<double>(v_.size() - 2)));
        const double b = std::clamp(x - static_cast<double>(i), 0.0, 1.0), a = 1.0 - b;
        value = a * v_[i] + b * v_[i + 1] + ((a * a * a - a) * m_[i] + (b * b * b - b) * m_[i + 1]) * h_ * h_ / 6.0;
        slope = (v_[i + 1] - v_[i]) / h_ + ((1.0 - 3.0 * a * a) * m_[i] + (3.0 * b * b - 1.0) * m_[i + 1]) * h_ / 6.0;
    }

private:
    double u0_, h_;
    std::vector<double> v_, m_;
};

/// Most excitation lines of one image.
constexpr std::size_t kMaxLines = 16;

/// The exponent of the sheet energy in the signal of a regime.
double EnergyExponent(LifRegime regime) {
    switch (regime) {
        case LifRegime::Linear:
            return 1.0;
        case LifRegime::PartiallySaturated:
            return 0.5;
        default:
            return 0.0;  // saturated; under the rate equations the energy enters the line signals
    }
}

/// The value at or above a fraction of the finite values (0 for none).
double Percentile(std::vector<float> v, double fraction) {
    std::erase_if(v, [](float x) { return !std::isfinite(x); });
    if (v.empty()) return 0.0;
    const auto at = v.begin() + static_cast<std::ptrdiff_t>(fraction * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), at, v.end());
    return *at;
}

/// The width of the laser's profile: its own widths, else the instrument's.
double LaserWidth(const SimulationConditions& c) {
    const double own = c.laserGaussWidth + c.laserLorentzWidth;
    return own > 0.0 ? own : c.resolution;
}

}  // namespace

std::vector<LifImageLine> LifLineSignals(const FitSystem& system, const SimulationConditions& conditions,
                                         const std::vector<double>& lasers, const std::vector<double>& energies,
                                         const std::vector<double>& T) {
    if (!system.model || !system.database)
        throw FitInputError(system.label + ": LIF images are computed for catalogue entries only");
    std::vector<LifImageLine> lines;
    const double w = LaserWidth(conditions);
    const int kind = simulation::StoredValue(simulation::SpectrumKind::LifExcitation);
    // Thermal populations of the lower state: a multiplet system's from its own levels.
    const auto thermal = [&](double t) {
        return system.multiplet
                   ? simulation::ThermalMultipletPopulations(system.multiplet->system, ElectronicState::Lower, t)
                   : populations::ThermalPopulations(*system.database, kind, t, 1e-5f);
    };
    for (std::size_t k = 0; k < lasers.size(); ++k) {
        LifImageLine line;
        line.laser = lasers[k];
        SimulationConditions c = conditions;
        c.kind = simulation::SpectrumKind::LifExcitation;
        c.start = lasers[k] - 6.0 * w, c.end = lasers[k] + 6.0 * w;
        if (c.lifRegime == LifRegime::RateEquations && !energies.empty()) c.pulseEnergy = energies[k];
        // The strongest line within the laser's profile, as lif-lines lists it.
        const double tMid = T[T.size() / 2];
        double strongest = 0.0;
        SimulationConditions near = c;
        near.start = lasers[k] - w, near.end = lasers[k] + w;
        for (const simulation::ThermometryLine& t : simulation::LineSignalsAt(*system.model, near, thermal, tMid))
            if (t.signal[0] > strongest)
                strongest = t.signal[0], line.position = t.x, line.vUp = t.vUp, line.vLow = t.vLow, line.branch = t.b,
                line.N = t.N;
        if (!(strongest > 0.0))
            throw FitInputError(system.label + ": the laser at " + Number(lasers[k]) +
                                " excites no line (none within " + Number(w) + ", the laser's width)");
        // The excitation spectrum at the laser position, in the units of the line strengths and
        // populations (the total times its peak / 100), at every temperature.
        for (double t : T) {
            c.temperature = t;
            const simulation::Spectrum s = simulation::Simulate(*system.model, c, thermal(t));
            const double u = (lasers[k] - s.grid.start) / s.grid.Step();
            const int i = std::clamp(static_cast<int>(u), 0, std::max(s.grid.last - 1, 0));
            const double a = std::clamp(u - i, 0.0, 1.0);
            const double v = s.grid.last > 0 ? (1.0 - a) * s.total(i) + a * s.total(i + 1) : 0.0;
            line.signal.push_back(v * s.peak / 100.0);
            if (!(line.signal.back() > 0.0))
                throw FitInputError(system.label + ": the laser at " + Number(lasers[k]) + " has no signal at " +
                                    Number(t) + " K");
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

double ImageNoise(const experiment::SpectrumFrame& f) {
    std::vector<double> d;
    d.reserve(f.pixels.size());
    for (int r = 0; r < f.rows; ++r)
        for (int c = 1; c + 1 < f.columns; ++c) {
            const double v = 2.0 * f.At(r, c) - f.At(r, c - 1) - f.At(r, c + 1);
            if (std::isfinite(v)) d.push_back(std::fabs(v));
        }
    if (d.empty()) return 0.0;
    const auto mid = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2);
    std::nth_element(d.begin(), mid, d.end());
    return *mid / (std::sqrt(6.0) * 0.6745);
}

void WriteLifImageCsv(const std::string& path, const LifImageResult& r, const std::vector<float>& values) {
    experiment::SpectrumFrame f = experiment::BlankFrame(r.rows, r.columns);
    f.axis = r.x, f.positions = r.y, f.pixels = values;
    experiment::WriteMatrixCsv(path, f);
}

LifImageResult LifTemperatureImage(const LifImageRequest& q) {
    const std::size_t K = q.lines.size();
    if (K < 2 || K > kMaxLines)
        throw FitInputError("a LIF temperature image needs 2.." + std::to_string(kMaxLines) + " excitation lines");
    if (q.images.size() != K)
        throw FitInputError(std::to_string(q.images.size()) + " images for " + std::to_string(K) +
                            " excitation lines (one image per line)");
    if (!q.backgrounds.empty() && q.backgrounds.size() != 1 && q.backgrounds.size() != K)
        throw FitInputError(std::to_string(q.backgrounds.size()) +
                            " background images: give one for all or one per line");
    if (!q.energies.empty() && q.energies.size() != K)
        throw FitInputError(std::to_string(q.energies.size()) + " sheet energies for " + std::to_string(K) + " images");
    for (double e : q.energies)
        if (!(e > 0.0) || !std::isfinite(e)) throw FitInputError("a sheet energy must be a number above 0");
    if (!q.noise.empty() && q.noise.size() != K)
        throw FitInputError(std::to_string(q.noise.size()) + " noise values for " + std::to_string(K) + " images");
    if (!(q.t1 > 0.0 && q.t2 > q.t1)) throw FitInputError("the temperature range must rise from above 0 K");
    if (q.steps < 4 || q.steps > 10000) throw FitInputError("the curve needs 4..10000 temperatures");
    if (!(q.threshold >= 0.0 && q.threshold < 1.0))
        throw FitInputError("the threshold is a fraction 0..1 of the signal");
    if (!(q.gain >= 0.0)) throw FitInputError("the gain must be 0 or more");
    const experiment::SpectrumFrame& first = q.images.front();
    for (const auto* list : {&q.images, &q.backgrounds})
        for (const experiment::SpectrumFrame& f : *list)
            if (f.rows != first.rows || f.columns != first.columns)
                throw FitInputError(f.source + ": " + std::to_string(f.rows) + " x " + std::to_string(f.columns) +
                                    " pixels, " + first.source + " has " + std::to_string(first.rows) + " x " +
                                    std::to_string(first.columns));
    auto cancelled = [&] { return q.cancel && q.cancel->load(); };

    LifImageResult out;
    out.rows = first.rows, out.columns = first.columns;
    for (int c = 0; c < first.columns; ++c)
        out.x.push_back(
            first.axis.size() == static_cast<std::size_t>(first.columns) ? first.axis[static_cast<std::size_t>(c)] : c);
    out.y = first.positions;
    out.xUnit = first.axis.empty() ? "pixel" : first.axisUnitName;
    out.yUnit = first.positionUnit.empty() ? "pixel" : first.positionUnit;

    // The curve: temperatures uniform in 1/T, and each line's signal per molecule.
    std::vector<double> u(static_cast<std::size_t>(q.steps));
    for (int i = 0; i < q.steps; ++i) {
        u[static_cast<std::size_t>(i)] = 1.0 / q.t2 + (1.0 / q.t1 - 1.0 / q.t2) * i / (q.steps - 1);
        out.temperatures.push_back(1.0 / u[static_cast<std::size_t>(i)]);
    }
    std::reverse(out.temperatures.begin(), out.temperatures.end());             // rising T for the result
    std::vector<double> T(out.temperatures.rbegin(), out.temperatures.rend());  // along u
    const SimulationConditions& c = q.conditions;
    std::vector<LifImageLine> lines = LifLineSignals(q.system, c, q.lines, q.energies, T);
    std::vector<Spline> lnf;
    std::vector<std::vector<double>> table;  // f_k at the nodes, for the start
    for (const LifImageLine& line : lines) {
        std::vector<double> v;
        for (double s : line.signal) v.push_back(std::log(s));
        lnf.emplace_back(u.front(), u[1] - u[0], v);
        table.push_back(line.signal);
    }
    for (LifImageLine& line : lines) std::reverse(line.signal.begin(), line.signal.end());
    out.lines = lines;
    if (q.progress) q.progress(20.0);
    if (cancelled()) throw FitCancelled();

    // The corrected images: background off, divided by the energy's share of the signal.
    const double p = EnergyExponent(c.lifRegime);
    std::vector<experiment::SpectrumFrame> S = q.images;
    std::vector<double> divisor(K, 1.0), threshold(K, 0.0);
    for (std::size_t k = 0; k < K; ++k) {
        if (!q.backgrounds.empty()) {
            const experiment::SpectrumFrame& b = q.backgrounds[q.backgrounds.size() == 1 ? 0 : k];
            for (std::size_t i = 0; i < S[k].pixels.size(); ++i) S[k].pixels[i] -= b.pixels[i];
        }
        const double noise = q.noise.empty() || q.noise[k] <= 0.0 ? ImageNoise(S[k]) : q.noise[k];
        out.noise.push_back(noise);
        if (!q.energies.empty()) divisor[k] = std::pow(q.energies[k], p);
        threshold[k] = q.threshold * Percentile(S[k].pixels, 0.995);
    }
    if (!q.energies.empty() && p == 0.0 && c.lifRegime == LifRegime::Saturated)
        out.notes.push_back("saturated LIF does not depend on the sheet energy: the energies are not applied");

    // Every pixel: start on the tabulated curve, then Gauss–Newton steps in (A, u).
    const std::size_t pixels = first.pixels.size();
    out.temperature.assign(pixels, std::nanf(""));
    out.sigma = out.scale = out.scaleSigma = out.temperature;
    out.mask.assign(pixels, LifPixel::Valid);
    const double uLo = u.front(), uHi = u.back();
    auto solve = [&](std::size_t i) {
        double S_[kMaxLines], W_[kMaxLines], F_[kMaxLines], G_[kMaxLines];  // signal, 1/σ², f_k, d ln f_k / du
        for (std::size_t k = 0; k < K; ++k) {
            const double raw = S[k].pixels[i];
            if (!std::isfinite(raw)) return LifPixel::NotFinite;
            if (raw < threshold[k] || raw <= 0.0) return LifPixel::BelowThreshold;
            const double sigma = std::sqrt(out.noise[k] * out.noise[k] + q.gain * raw) / divisor[k];
            S_[k] = raw / divisor[k];
            W_[k] = sigma > 0.0 ? 1.0 / (sigma * sigma) : 1.0;
        }
        auto evaluate = [&](double at) {
            for (std::size_t k = 0; k < K; ++k) {
                double v, d;
                lnf[k].At(at, v, d);
                F_[k] = std::exp(v), G_[k] = d;
            }
        };
        auto bestScale = [&] {
            double sf = 0.0, ff = 0.0;
            for (std::size_t k = 0; k < K; ++k) sf += W_[k] * S_[k] * F_[k], ff += W_[k] * F_[k] * F_[k];
            return sf / ff;
        };
        // The start: the node of least χ² with the scale solved.
        double at = uLo, best = HUGE_VAL;
        const int stride = q.steps > 40 ? 4 : 1;
        auto scan = [&](int from, int to, int step) {
            for (int n = from; n <= to; n += step) {
                for (std::size_t k = 0; k < K; ++k) F_[k] = table[k][static_cast<std::size_t>(n)];
                const double A = bestScale();
                double chi2 = 0.0;
                for (std::size_t k = 0; k < K; ++k) chi2 += W_[k] * (S_[k] - A * F_[k]) * (S_[k] - A * F_[k]);
                if (chi2 < best) best = chi2, at = u[static_cast<std::size_t>(n)];
            }
        };
        scan(0, q.steps - 1, stride);
        const int node = static_cast<int>(std::lround((at - uLo) / (uHi - uLo) * (q.steps - 1)));
        scan(std::max(node - stride, 0), std::min(node + stride, q.steps - 1), 1);
        // Gauss–Newton in (A, u).
        evaluate(at);
        double A = bestScale(), a11 = 0, a12 = 0, a22 = 0;
        for (int iteration = 0; iteration < 8; ++iteration) {
            double b1 = 0, b2 = 0;
            a11 = a12 = a22 = 0;
            for (std::size_t k = 0; k < K; ++k) {
                const double j1 = F_[k], j2 = A * F_[k] * G_[k], r = S_[k] - A * F_[k];
                a11 += W_[k] * j1 * j1, a12 += W_[k] * j1 * j2, a22 += W_[k] * j2 * j2;
                b1 += W_[k] * j1 * r, b2 += W_[k] * j2 * r;
            }
            const double det = a11 * a22 - a12 * a12;
            if (!(det > 0.0)) break;
            const double dA = (a22 * b1 - a12 * b2) / det, du = (a11 * b2 - a12 * b1) / det;
            A += dA, at += du;
            if (at < uLo - 0.02 * (uHi - uLo) || at > uHi + 0.02 * (uHi - uLo)) return LifPixel::OutsideCurve;
            evaluate(std::clamp(at, uLo, uHi));
            if (std::fabs(du) < 1e-9 * at) break;
        }
        if (at < uLo || at > uHi) return LifPixel::OutsideCurve;
        // Covariance of (A, u) from JᵀWJ at the solution.
        a11 = a12 = a22 = 0;
        for (std::size_t k = 0; k < K; ++k) {
            const double j1 = F_[k], j2 = A * F_[k] * G_[k];
            a11 += W_[k] * j1 * j1, a12 += W_[k] * j1 * j2, a22 += W_[k] * j2 * j2;
        }
        const double det = a11 * a22 - a12 * a12;
        if (!(det > 0.0)) return LifPixel::OutsideCurve;
        const double t = 1.0 / at;
        out.temperature[i] = static_cast<float>(t);
        out.sigma[i] = static_cast<float>(t * t * std::sqrt(a11 / det));  // σ_T = T² σ_u
        out.scale[i] = static_cast<float>(A);
        out.scaleSigma[i] = static_cast<float>(std::sqrt(a22 / det));
        return LifPixel::Valid;
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const int threads = std::max(1, q.jobs > 0 ? q.jobs : static_cast<int>(cores));
    std::atomic<int> nextRow{0}, rowsDone{0};
    std::atomic<bool> stop{false};
    auto work = [&] {
        for (int r; (r = nextRow.fetch_add(1)) < out.rows && !stop;) {
            for (int col = 0; col < out.columns; ++col) {
                const std::size_t i = static_cast<std::size_t>(r) * out.columns + col;
                out.mask[i] = solve(i);
            }
            if (cancelled()) stop = true;
            const int n = ++rowsDone;
            if (q.progress && n % 64 == 0) q.progress(20.0 + 80.0 * n / out.rows);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    if (stop) throw FitCancelled();
    for (std::size_t i = 0; i < pixels; ++i) out.valid += out.mask[i] == LifPixel::Valid;
    if (q.progress) q.progress(100.0);
    return out;
}

}  // namespace velmora::fit
