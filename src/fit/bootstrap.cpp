#include "fit/bootstrap.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

#include "fit/fit_errors.h"
#include "fit/parallel.h"
#include "fit/robust_fit.h"

namespace velmora::fit {

namespace {

/// SplitMix64 (Steele, Lea & Flood 2014): a small generator whose streams of different seeds are
/// independent enough for drawing block starts.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

}  // namespace

int BootstrapBlockLength(int n, double correlationLength) {
    const int shortest = static_cast<int>(std::ceil(std::cbrt(static_cast<double>(n))));
    const int wanted = std::max(shortest, static_cast<int>(std::ceil(2.0 * correlationLength)));
    return std::clamp(wanted, 1, std::max(1, n / 4));
}

std::vector<double> ResampleBlocks(const std::vector<double>& e, int block, std::uint64_t seed, int resample) {
    const std::size_t n = e.size();
    std::vector<double> out;
    out.reserve(n);
    if (n == 0) return out;
    // The stream of this resample: the seed's, moved on by the resample number.
    SplitMix64 seeding(seed);
    SplitMix64 draw(seeding.Next() ^ (0xD1B54A32D192ED03ull * (static_cast<std::uint64_t>(resample) + 1)));
    while (out.size() < n) {
        const std::size_t start = static_cast<std::size_t>(draw.Next() % n);
        for (int j = 0; j < block && out.size() < n; ++j) out.push_back(e[(start + static_cast<std::size_t>(j)) % n]);
    }
    return out;
}

void BootstrapUncertainties(const FitRequest& request, FitResult& result) {
    const FitOptions& o = request.options;
    const std::vector<double> sigma = PointSigmas(request, result);
    std::vector<std::size_t> fitted;
    std::vector<double> e;
    for (std::size_t i = 0; i < result.x.size(); ++i)
        if (result.fitted[i]) fitted.push_back(i), e.push_back(result.residual[i] / sigma[i]);
    const int block = BootstrapBlockLength(static_cast<int>(e.size()), result.diagnostics.correlationLength);

    // Every resample starts where the result ended, on the same points with the same weights.
    FitRequest base = RefitRequest(request, result);
    base.spectrum.x = result.x;
    base.spectrum.y = result.y;
    if (base.weighting == Weighting::FileColumn) base.spectrum.sigma = sigma;
    base.options.cancel = o.cancel;
    const int resamples = o.bootstrap;
    std::vector<std::optional<std::vector<double>>> values(static_cast<std::size_t>(resamples));
    std::atomic<int> done{0};
    ParallelFor(static_cast<std::size_t>(resamples), o.threads, [&](std::size_t b) {
        if (o.cancel && o.cancel->load()) throw FitCancelled();
        FitRequest r = base;
        const std::vector<double> drawn = ResampleBlocks(e, block, o.seed, static_cast<int>(b));
        for (std::size_t k = 0; k < fitted.size(); ++k) {
            const std::size_t i = fitted[k];
            r.spectrum.y[i] = result.model[i] + sigma[i] * drawn[k];
        }
        try {
            const FitResult fit = FitFromStart(r);
            std::vector<double> v;
            for (const Parameter& q : fit.parameters) v.push_back(q.value);
            values[b] = std::move(v);
        } catch (const FitConvergenceError&) {
        }
        if (o.progress) o.progress(50.0 + 50.0 * ++done / resamples);
    });

    // The spread of each free parameter over the converged resamples, in resample order.
    int converged = 0;
    for (const auto& v : values) converged += v.has_value();
    result.bootstrap = {resamples, converged, block, o.seed};
    for (int k : result.freeParameters) {
        const std::size_t j = static_cast<std::size_t>(k);
        double mean = 0.0, m2 = 0.0;
        int count = 0;
        for (const auto& v : values) {
            if (!v) continue;
            // Welford's running variance.
            const double d = (*v)[j] - mean;
            mean += d / ++count;
            m2 += d * ((*v)[j] - mean);
        }
        if (count > 1) result.uncertaintyDetail[j].bootstrap = std::sqrt(m2 / (count - 1));
    }
    if (converged < resamples)
        result.warnings.push_back(std::to_string(resamples - converged) + " of " + std::to_string(resamples) +
                                  " bootstrap resamples did not converge; the bootstrap uncertainties rest on the " +
                                  std::to_string(converged) + " others");
}

}  // namespace velmora::fit
