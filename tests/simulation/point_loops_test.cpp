// Every point loop built twice (baseline and, where the processor has it, AVX2) against a
// scalar reference written out here, on spans that are not multiples of the vector widths.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "simulation/binned_lines.h"
#include "simulation/conditions.h"
#include "simulation/line_list.h"
#include "simulation/saturated_lines.h"
#include "simulation/spectrum_arrays.h"
#include "simulation/spectrum_total.h"

namespace velmora::simulation {
namespace {

/// A loop in one build (wide or baseline) over `count` points, its results as doubles.
using Loop = std::function<std::vector<double>(bool wide, int count)>;

struct LoopCase {
    std::string name;
    Loop run;
    std::function<std::vector<double>(int count)> reference;
    double tolerance;  ///< relative to the largest reference value
    bool sameBits;     ///< the two builds agree bit for bit
};

std::vector<double> Doubles(const std::vector<float>& v) { return {v.begin(), v.end()}; }

/// A grid of 4 points per FWHM 1 (axis units) with a Gaussian and Lorentzian part and lifetime
/// widths, in Å.
ProfileGrid TestGrid(int points) {
    ProfileGrid g;
    g.Xini = 3000.0, g.gridWidth = 1.0, g.pointsPerWidth = 4, g.step = 0.25, g.nPoints = points - 1;
    g.lorentzWidth = 0.3, g.gaussWidthSq = 0.5;
    g.totalWidth = std::sqrt(0.09 + 2.0) / 2.0 + 0.15;
    g.lorentzFraction = 0.3 / g.totalWidth;
    g.profileKind = Lineshape::Voigt;
    g.predissociation = true;
    return g;
}

/// Lines spread over the grid, some short-lived (their own width), some without lifetime.
std::vector<DrawnLine> TestLines(const ProfileGrid& g, int count) {
    std::mt19937 random(static_cast<unsigned>(count));
    std::uniform_real_distribution<double> where(g.Xini, g.Xini + g.nPoints * g.step), life(0.0, 1.0);
    std::vector<DrawnLine> lines(static_cast<std::size_t>(count));
    for (DrawnLine& l : lines) {
        l.x = where(random), l.weight = 1.0 + life(random);
        const double u = life(random);
        l.lifetime = static_cast<float>(u < 0.2 ? 0.0 : u < 0.4 ? 1e-3 * u : 700.0 * u);
    }
    return lines;
}

SharedWindow TestWindow(const ProfileGrid& g) {
    SharedWindow w;
    w.grid = g;
    const LineShape shared = MakeLineShape(g, g.Xini, 0.0);
    w.sharedWidth = shared.f;
    w.tolerance = 2e-4 * shared.f;
    w.half = shared.halfWindow * g.pointsPerWidth;
    w.reach = 20;
    return w;
}

/// Three rings of 3, 2 and 1 terms of kernel values t_k(m) = (k + 1) / (1 + m²), offsets ±20.
struct TestKernel {
    std::vector<float> values = std::vector<float>(3 * 41);
    std::vector<const float*> origins;
    std::vector<TermRing> rings{{3, -1, 4}, {2, 4, 11}, {1, 11, 20}};
    TestKernel() {
        for (int k = 0; k < 3; ++k)
            for (int m = -20; m <= 20; ++m)
                values[static_cast<std::size_t>(k * 41 + m + 20)] = static_cast<float>((k + 1.0) / (1.0 + m * m));
        for (int k = 0; k < 3; ++k) origins.push_back(&values[static_cast<std::size_t>(k * 41 + 20)]);
    }
};

/// count binned lines on a grid of count + 40 points, windows of odd lengths.
std::vector<BinnedLine> TestBinned(int count) {
    std::vector<BinnedLine> lines;
    for (int l = 0; l < 3; ++l)
        lines.push_back({20 + (7 * l) % std::max(count, 1), -(count % 9) - l, count % 13 + l, 0.37 - 0.3 * l, 1.5 + l});
    return lines;
}

std::vector<LoopCase> Cases() {
    std::vector<LoopCase> cases;
    auto builds = [](bool wide, const auto& active, const auto& baseline) -> const auto& {
        return wide ? active : baseline;
    };

    cases.push_back({"half windows",
                     [=](bool wide, int count) {
                         const ProfileGrid g = TestGrid(200);
                         const std::vector<DrawnLine> lines = TestLines(g, count);
                         std::vector<double> halves(lines.size());
                         builds(wide, ActiveBinnedKernels(), BaselineBinnedKernels())
                             .halfWindows(lines.data(), lines.size(), TestWindow(g), halves.data());
                         return halves;
                     },
                     [](int count) {
                         // A line's own window as MakeLineShape draws it, NaN when its width is
                         // its own.
                         const ProfileGrid g = TestGrid(200);
                         const SharedWindow w = TestWindow(g);
                         std::vector<double> halves;
                         for (const DrawnLine& l : TestLines(g, count)) {
                             const LineShape own = MakeLineShape(g, l.x, l.lifetime);
                             halves.push_back(!(l.lifetime > 0.0f) ? w.half
                                              : std::fabs(own.f - w.sharedWidth) > w.tolerance
                                                  ? std::nan("")
                                                  : own.halfWindow * g.pointsPerWidth);
                         }
                         return halves;
                     },
                     0.0, true});

    cases.push_back({"binning",
                     [=](bool wide, int count) {
                         const ProfileGrid g = TestGrid(200);
                         const std::vector<DrawnLine> lines = TestLines(g, count);
                         const SharedWindow w = TestWindow(g);
                         // Every fifth line has a width of its own (no half window) and is left out.
                         std::vector<double> halves(lines.size(), 9.3), out;
                         for (std::size_t k = 3; k < halves.size(); k += 5) halves[k] = std::nan("");
                         std::vector<BinnedLine> binned(lines.size());
                         const BinCounts n = builds(wide, ActiveBinnedKernels(), BaselineBinnedKernels())
                                                 .bin(lines.data(), halves.data(), lines.size(), w, binned.data());
                         for (std::size_t k = 0; k < n.lines; ++k)
                             out.insert(out.end(), {double(binned[k].j), double(binned[k].lo), double(binned[k].hi),
                                                    binned[k].t, binned[k].weight});
                         return out;
                     },
                     [](int count) {
                         // Nearest point, halves to the even one; the window round(ic ± 9.3)
                         // within 1..198 and ±20 points.
                         const ProfileGrid g = TestGrid(200);
                         std::vector<double> out;
                         const std::vector<DrawnLine> lines = TestLines(g, count);
                         for (std::size_t k = 0; k < lines.size(); ++k) {
                             if (k % 5 == 3) continue;
                             const DrawnLine& l = lines[k];
                             const double ic = (l.x - g.Xini) * 4.0;
                             const int j = static_cast<int>(std::nearbyint(ic));
                             const int lo = std::max({static_cast<int>(std::nearbyint(ic - 9.3)), 1, j - 20}) - j;
                             const int hi = std::min({static_cast<int>(std::nearbyint(ic + 9.3)), 198, j + 20}) - j;
                             if (hi >= lo) out.insert(out.end(), {double(j), double(lo), double(hi), ic - j, l.weight});
                         }
                         return out;
                     },
                     0.0, true});

    cases.push_back({"binned sums",
                     [=](bool wide, int count) {
                         const TestKernel kernel;
                         const std::vector<BinnedLine> lines = TestBinned(count);
                         std::vector<float> out(static_cast<std::size_t>(count) + 60, 0.5f);
                         builds(wide, ActiveBinnedKernels(), BaselineBinnedKernels())
                             .add(out.data(), lines.data(), lines.size(), kernel.origins.data(), kernel.rings.data(),
                                  3);
                         return Doubles(out);
                     },
                     [](int count) {
                         // Σ weight (-t)^k t_k(m) over the terms of m's ring.
                         const TestKernel kernel;
                         std::vector<double> out(static_cast<std::size_t>(count) + 60, 0.5);
                         for (const BinnedLine& b : TestBinned(count))
                             for (int m = b.lo; m <= b.hi; ++m) {
                                 const int terms = std::abs(m) <= 4 ? 3 : std::abs(m) <= 11 ? 2 : std::abs(m) <= 20;
                                 for (int k = 0; k < terms; ++k)
                                     out[static_cast<std::size_t>(b.j + m)] +=
                                         b.weight * std::pow(-b.t, k) * (k + 1.0) / (1.0 + m * m);
                             }
                         return out;
                     },
                     1e-6, true});

    cases.push_back({"spectrum products",
                     [=](bool wide, int count) {
                         std::vector<double> a(2 * static_cast<std::size_t>(count)), b(a), product(a.size(), 0.25);
                         for (std::size_t i = 0; i < a.size(); ++i) a[i] = std::sin(0.3 * i), b[i] = std::cos(0.7 * i);
                         builds(wide, ActiveBinnedKernels(), BaselineBinnedKernels())
                             .multiplyAdd(product.data(), a.data(), b.data(), static_cast<std::size_t>(count));
                         return product;
                     },
                     [](int count) {
                         std::vector<double> out;
                         for (int q = 0; q < count; ++q) {
                             const std::complex<double> p =
                                 0.25 + std::complex<double>(0.0, 0.25) +
                                 std::complex<double>(std::sin(0.6 * q), std::sin(0.6 * q + 0.3)) *
                                     std::complex<double>(std::cos(1.4 * q), std::cos(1.4 * q + 0.7));
                             out.insert(out.end(), {p.real(), p.imag()});
                         }
                         return out;
                     },
                     1e-13, true});

    auto levels = [](int count) {
        std::vector<std::vector<float>> v(3, std::vector<float>(static_cast<std::size_t>(count)));
        for (std::size_t k = 0; k < 3; ++k)
            for (int i = 0; i < count; ++i)
                v[k][static_cast<std::size_t>(i)] = static_cast<float>(1.0 + std::sin(i + k));
        return v;
    };
    cases.push_back({"total and peak",
                     [=](bool wide, int count) {
                         const auto v = levels(count);
                         const float* rows[] = {v[0].data(), v[1].data(), v[2].data()};
                         const double weights[] = {0.2, 0.5, 0.3};
                         std::vector<float> total(static_cast<std::size_t>(count));
                         const float peak = builds(wide, ActiveTotalKernels(), BaselineTotalKernels())
                                                .sum(total.data(), rows, weights, 3, total.size());
                         std::vector<double> out = Doubles(total);
                         out.push_back(peak);
                         return out;
                     },
                     [=](int count) {
                         const auto v = levels(count);
                         std::vector<double> out;
                         double peak = 0.0;
                         for (int i = 0; i < count; ++i) {
                             const std::size_t s = static_cast<std::size_t>(i);
                             out.push_back(0.2 * v[0][s] + 0.5 * v[1][s] + 0.3 * v[2][s]);
                             peak = std::max(peak, out.back());
                         }
                         out.push_back(peak);
                         return out;
                     },
                     2e-7, true});

    cases.push_back({"scaling",
                     [=](bool wide, int count) {
                         // In double precision, then in single precision.
                         const TotalKernels& k = builds(wide, ActiveTotalKernels(), BaselineTotalKernels());
                         std::vector<float> v = levels(count)[1], w = v;
                         const bool finite = k.scale(v.data(), v.size(), 37.5);
                         k.scaleSingle(w.data(), w.size(), 37.5f);
                         std::vector<double> out = Doubles(v), single = Doubles(w);
                         out.push_back(finite);
                         out.insert(out.end(), single.begin(), single.end());
                         return out;
                     },
                     [=](int count) {
                         std::vector<double> out;
                         const auto v = levels(count);
                         for (float x : v[1]) out.push_back(37.5 * x);
                         out.push_back(1.0);
                         for (float x : v[1]) out.push_back(37.5 * x);
                         return out;
                     },
                     1e-7, true});

    // The arrays handed to Python: the grid's own positions and the points widened (times a
    // level's population), both exactly.
    cases.push_back({"grid positions and widened points",
                     [=](bool wide, int count) {
                         const ArrayKernels& k = builds(wide, ActiveArrayKernels(), BaselineArrayKernels());
                         const std::vector<float> v = levels(count)[2];
                         std::vector<double> out(3 * static_cast<std::size_t>(count));
                         k.positions(out.data(), count, 2799.9998779296875, 0.0042f, 7);
                         k.widen(out.data() + count, v.data(), v.size(), 1.0);
                         k.widen(out.data() + 2 * count, v.data(), v.size(), 0.3);
                         return out;
                     },
                     [=](int count) {
                         SpectralGrid grid;
                         grid.start = 2799.9998779296875, grid.gridWidth = 0.0042f, grid.pointsPerWidth = 7;
                         std::vector<double> out;
                         for (int i = 0; i < count; ++i) out.push_back(grid.X(i));
                         const std::vector<float> v = levels(count)[2];
                         for (float x : v) out.push_back(x);
                         for (float x : v) out.push_back(0.3 * x);
                         return out;
                     },
                     0.0, true});

    // Air: the vacuum wavelength over the index of standard air (Edlén 1966), σ in µm-1, to the
    // single precision in which the program holds the index.
    auto air = [](double vacuumAngstrom) {
        const double s2 = 1e8 / (vacuumAngstrom * vacuumAngstrom);
        return vacuumAngstrom / (1.0 + 1e-8 * (8342.13 + 2406030.0 / (130.0 - s2) + 15997.0 / (38.9 - s2)));
    };
    for (AxisUnit unit : {AxisUnit::AngstromVacuum, AxisUnit::NanometreVacuum, AxisUnit::Wavenumber,
                          AxisUnit::AngstromAir, AxisUnit::NanometreAir}) {
        auto lines = [](int count) {
            std::vector<ModelLine> l(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) l[static_cast<std::size_t>(i)].nu = static_cast<float>(32000.0 + 17.3 * i);
            return l;
        };
        cases.push_back({"line positions in unit " + std::to_string(StoredValue(unit)),
                         [=](bool wide, int count) {
                             const std::vector<ModelLine> l = lines(count);
                             std::vector<double> x(l.size());
                             builds(wide, ActivePositionKernels(), BaselinePositionKernels())
                                 .positions(l.data(), l.size(), unit, 0.125, x.data());
                             return x;
                         },
                         [=](int count) {
                             std::vector<double> x;
                             for (const ModelLine& l : lines(count)) {
                                 const double nu = l.nu;
                                 x.push_back((unit == AxisUnit::Wavenumber        ? nu
                                              : unit == AxisUnit::NanometreVacuum ? 1E7 / nu
                                              : unit == AxisUnit::AngstromAir     ? air(1E8 / nu)
                                              : unit == AxisUnit::NanometreAir    ? air(1E8 / nu) / 10
                                                                                  : 1E8 / nu) +
                                             0.125);
                             }
                             return x;
                         },
                         IsAir(unit) ? 1e-7 : 1e-15, true});
    }

    // Lines saturated by the laser: the power-broadened wing A / (B + b m²) and the full saturated
    // profile w N / (D + N), N = cg exp(-a m²) D + cl, D = 1 + b m², from m0 = count / 3 - 30.3.
    auto wingOrCore = [](bool core) {
        return [core](bool wide, int count) {
            const SaturatedKernels& k = wide ? ActiveSaturatedKernels() : BaselineSaturatedKernels();
            std::vector<float> out(static_cast<std::size_t>(count), 1.0f);
            const double m0 = count / 3.0 - 30.3;
            const int first = static_cast<int>(std::floor(m0));
            if (core)
                k.core(out.data(), count, m0, 0.06, 0.08, 300.0, 90.0, 2.5);
            else
                k.wing(out.data(), count, first, static_cast<float>(first - m0), 4000.0f, 1500.0f, 0.08f);
            return Doubles(out);
        };
    };
    auto saturated = [](bool core) {
        return [core](int count) {
            std::vector<double> out;
            for (int i = 0; i < count; ++i) {
                const double m = count / 3.0 - 30.3 + i, D = 1.0 + 0.08 * m * m;
                const double N = 300.0 * std::exp(-0.06 * m * m) * D + 90.0;
                out.push_back(1.0 + (core ? 2.5 * N / (D + N) : 4000.0 / (1500.0 + 0.08 * m * m)));
            }
            return out;
        };
    };
    cases.push_back({"saturated wing", wingOrCore(false), saturated(false), 1e-6, false});
    cases.push_back({"saturated core", wingOrCore(true), saturated(true), 1e-6, false});
    return cases;
}

TEST(PointLoops, BothBuildsGiveTheScalarReferenceOnSpansOfAnyLength) {
    for (const LoopCase& c : Cases()) {
        for (int count : {1, 3, 7, 13, 29, 61, 131}) {
            SCOPED_TRACE(c.name + ", " + std::to_string(count) + " points");
            const std::vector<double> reference = c.reference(count);
            const std::vector<double> baseline = c.run(false, count), active = c.run(true, count);
            ASSERT_EQ(baseline.size(), reference.size());
            ASSERT_EQ(active.size(), reference.size());
            double largest = 0.0;
            for (double r : reference) largest = std::max(largest, std::isnan(r) ? 0.0 : std::fabs(r));
            for (std::size_t i = 0; i < reference.size(); ++i) {
                if (std::isnan(reference[i])) {
                    EXPECT_TRUE(std::isnan(baseline[i]) && std::isnan(active[i])) << i;
                    continue;
                }
                EXPECT_NEAR(baseline[i], reference[i], c.tolerance * largest) << i;
                if (c.sameBits)
                    EXPECT_EQ(active[i], baseline[i]) << i;
                else
                    EXPECT_NEAR(active[i], reference[i], c.tolerance * largest) << i;
            }
        }
    }
}

// The active build forms the grid positions without dividing (a reciprocal and two exact
// corrections): over many widths, starts and every point density, each position must still be
// SpectralGrid::X to the bit, up to ten million points.
TEST(PointLoops, GridPositionsWithoutDivisionKeepTheBitsOfTheGrid) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0), where(-3000.0, 60000.0);
    std::uniform_int_distribution<int> exponent(-16, 6);
    std::vector<double> x;
    long long wrong = 0;
    for (PointDensity density :
         {PointDensity::Low, PointDensity::Standard, PointDensity::High, PointDensity::VeryHigh}) {
        for (int trial = 0; trial < 200; ++trial) {
            SpectralGrid grid;
            grid.start = static_cast<float>(where(random));
            grid.gridWidth = static_cast<float>(std::ldexp(mantissa(random), exponent(random)));
            grid.pointsPerWidth = PointsPerWidth(density);
            // Short spans and the tops of long ones, where the products carry the most bits.
            const int count = trial % 50 == 0 ? 10'000'000 : 2000 + trial;
            x.resize(static_cast<std::size_t>(count));
            ActiveArrayKernels().positions(x.data(), count, grid.start, grid.gridWidth, grid.pointsPerWidth);
            const int head = std::min(count, 5000);
            for (int i = 0; i < head; ++i) wrong += x[static_cast<std::size_t>(i)] != grid.X(i);
            for (int i = std::max(head, count - 5000); i < count; ++i)
                wrong += x[static_cast<std::size_t>(i)] != grid.X(i);
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Terms that are zero where their ring leaves them out let rings be drawn merged into fewer,
// wider loops: the sums must be the fine rings' ones, bit for bit, in both builds.
TEST(PointLoops, RingsMergedOverZeroTermsGiveTheSameBits) {
    const std::vector<TermRing> fine{{3, -1, 4}, {2, 4, 11}, {1, 11, 20}};
    TestKernel padded;
    for (int k = 0; k < 3; ++k)
        for (int m = -20; m <= 20; ++m)
            if (k >= (std::abs(m) <= 4 ? 3 : std::abs(m) <= 11 ? 2 : 1))
                padded.values[static_cast<std::size_t>(k * 41 + m + 20)] = 0.0f;
    for (const bool wide : {false, true})
        for (const std::vector<TermRing>& merged :
             {std::vector<TermRing>{{3, -1, 11}, {1, 11, 20}}, std::vector<TermRing>{{3, -1, 20}},
              std::vector<TermRing>{{3, -1, 4}, {2, 4, 20}}})
            for (int count : {1, 3, 7, 13, 29, 61}) {
                const BinnedKernels& build = wide ? ActiveBinnedKernels() : BaselineBinnedKernels();
                const std::vector<BinnedLine> lines = TestBinned(count);
                std::vector<float> a(static_cast<std::size_t>(count) + 60, 0.5f), b(a);
                build.add(a.data(), lines.data(), lines.size(), padded.origins.data(), fine.data(), 3);
                build.add(b.data(), lines.data(), lines.size(), padded.origins.data(), merged.data(),
                          static_cast<int>(merged.size()));
                EXPECT_EQ(a, b) << "wide " << wide << ", " << merged.size() << " rings, " << count << " points";
            }
}

// Every build this processor runs (baseline, AVX2, AVX-512) draws binned lines by whole-vector
// runs laid in its own vectors with the bits of the baseline's ring-by-ring sums: lines inside the
// grid by the runs and their window ends, lines near the grid's ends ring by ring.
TEST(PointLoops, EveryBuildDrawsRunsWithTheBitsOfTheRings) {
    const std::vector<TermRing> rings{{3, -1, 4}, {2, 4, 11}, {1, 11, 20}};
    TestKernel padded;  // each term zero where its ring leaves it out
    for (int k = 0; k < 3; ++k)
        for (int m = -20; m <= 20; ++m)
            if (k >= (std::abs(m) <= 4 ? 3 : std::abs(m) <= 11 ? 2 : 1))
                padded.values[static_cast<std::size_t>(k * 41 + m + 20)] = 0.0f;
    constexpr int inner = 12, points = 200;
    for (const BinnedKernels* build : RunnableBinnedKernels()) {
        const int w = build->runVector;
        SCOPED_TRACE(::testing::Message() << "vectors of " << w << " points");
        // One run of 3 terms over whole vectors from -inner - 3 past inner; the table holds the
        // terms within |m| <= inner, zero beyond.
        const int from = -inner - 3, to = from + w * ((2 * inner + 3 + w) / w) - 1;
        std::vector<float> table(3 * static_cast<std::size_t>(to - from + 1), 0.0f);
        std::vector<const float*> origins;
        for (int k = 0; k < 3; ++k) {
            float* row = &table[static_cast<std::size_t>(k * (to - from + 1))];
            for (int m = -inner; m <= inner; ++m) row[m - from] = padded.origins[static_cast<std::size_t>(k)][m];
            origins.push_back(row - from);
        }
        const TermRun run{3, from, to};
        RunPlan plan;
        plan.runs = &run, plan.runCount = 1, plan.from = from, plan.to = to, plan.inner = inner;
        plan.edgeTerms = 1, plan.runTerms = origins.data(), plan.ringTerms = padded.origins.data();
        plan.rings = rings.data(), plan.ringCount = 3, plan.first = 1, plan.last = points - 2;
        // Lines every 1.7 points, windows of 13 to 20 points each side, some too narrow for the runs.
        std::vector<BinnedLine> lines;
        for (int l = 0; l < 110; ++l) {
            const int j = 2 + (17 * l) / 10, half = 13 + l % 8 - (l % 11 == 0 ? 3 : 0);
            lines.push_back({j, std::max(-half, 1 - j), std::min(half, points - 2 - j), 0.45 - 0.009 * l, 1.0 + l % 5});
        }
        std::vector<float> byRuns(points, 0.25f), byRings(byRuns);
        build->addRuns(byRuns.data(), lines.data(), lines.size(), plan);
        BaselineBinnedKernels().add(byRings.data(), lines.data(), lines.size(), padded.origins.data(), rings.data(), 3);
        EXPECT_EQ(byRuns, byRings);
        std::vector<float> ringsOfBuild(points, 0.25f);
        build->add(ringsOfBuild.data(), lines.data(), lines.size(), padded.origins.data(), rings.data(), 3);
        EXPECT_EQ(ringsOfBuild, byRings);
    }
}

}  // namespace
}  // namespace velmora::simulation
