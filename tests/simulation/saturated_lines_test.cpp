#include "simulation/saturated_lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora::simulation {
namespace {

TEST(SaturatedKernels, BothBuildsGiveTheClosedFormsOfTheWingAndTheFullProfile) {
    // A power-broadened wing A / (B + b m²) and the full saturated profile w N / (D + N),
    // N = cg exp(-a m²) D + cl, D = 1 + b m², from an exponential at every point: the vector
    // build (where this processor has one) and the baseline build agree with them to single
    // precision, for spans that start left of, on and right of the centre and lengths that are
    // not multiples of the vector width.
    struct Span {
        int count;
        double m0;
    };
    for (const SaturatedKernels* kernels : {&BaselineSaturatedKernels(), &ActiveSaturatedKernels()}) {
        for (const Span span : {Span{61, -30.3}, Span{13, 0.0}, Span{37, 4.7}, Span{3, -1.25}}) {
            SCOPED_TRACE(std::to_string(span.count) + " from " + std::to_string(span.m0));
            const double a = 0.06, b = 0.08, cg = 300.0, cl = 90.0, w = 2.5;
            const float A = 4000.0f, B = 1500.0f, bf = 0.08f;
            // The wing from an integer offset and the centre's fraction: m0 = first - t.
            const int first = static_cast<int>(std::floor(span.m0));
            const float t = static_cast<float>(first - span.m0);
            std::vector<float> wing(static_cast<std::size_t>(span.count), 1.0f), core(wing);
            kernels->wing(wing.data(), span.count, first, t, A, B, bf);
            kernels->core(core.data(), span.count, span.m0, a, b, cg, cl, w);
            for (int k = 0; k < span.count; ++k) {
                const double m = span.m0 + k, D = 1.0 + b * m * m, N = cg * std::exp(-a * m * m) * D + cl;
                const double wingValue = A / (B + b * m * m), coreValue = w * N / (D + N);
                EXPECT_NEAR(wing[static_cast<std::size_t>(k)], 1.0 + wingValue, 1e-6 * (1.0 + wingValue)) << k;
                EXPECT_NEAR(core[static_cast<std::size_t>(k)], 1.0 + coreValue, 1e-6 * (1.0 + coreValue)) << k;
            }
        }
    }
}

}  // namespace
}  // namespace velmora::simulation
