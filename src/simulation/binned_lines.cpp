#include "simulation/binned_lines.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "common/physical_constants.h"
#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

// The loops are written once and inlined into each build.

/// Nearest integer, halves to the even one, without overflow (positions far beyond the grid).
[[gnu::always_inline]] inline int RoundIndex(double x) {
    return static_cast<int>(std::nearbyint(std::clamp(x, -1e9, 1e9)));
}

/// The half windows of lines on an axis in wavelength (in Å or, with perAngstrom, in nm) or in
/// wavenumber.
template <bool wavelength, bool perAngstrom>
[[gnu::always_inline]] inline void HalfWindowsOn(const DrawnLine* lines, std::size_t count, const SharedWindow& w,
                                                 double* halves) {
    // The line's own width and cut-off as MakeLineShape forms them for a line not widened by 2 %,
    // its lifetime width as LifetimeWidth gives it.
    // Half windows are kept per thread under the constants read here (line_drawing.cpp): a
    // constant read here must be one of them.
    const double lorentz = w.grid.lorentzWidth, gaussSq = w.grid.gaussWidthSq, shared = w.sharedWidth;
    const double total = w.grid.totalWidth, gridWidth = w.grid.gridWidth, perWidth = w.grid.pointsPerWidth;
    const double tolerance = w.tolerance, sharedHalf = w.half;
    const double units = UnitsPerAngstrom(w.grid.unit), nan = std::numeric_limits<double>::quiet_NaN();
#pragma omp simd
    for (std::size_t k = 0; k < count; ++k) {
        const double tau = lines[k].lifetime, x0 = lines[k].x;
        const double natural = 1.0 / (tau * 1E-9 * kTwoPi * kSpeedOfLightCm);
        // In Å the division by 1 unit per Å is left out (it changes no bit).
        const double inAngstrom = natural * 1E-8 * x0 * x0;
        const double axis = wavelength ? (perAngstrom ? inAngstrom / units : inAngstrom) : natural;
        const double gamma = tau > 0.0 ? axis : 0.0;
        const double fL = lorentz + gamma;
        const double f = std::sqrt(fL * fL + 4.0 * gaussSq) / 2.0 + fL / 2.0;
        const double K = 17.0 * (fL / f) + 3.0;
        // Computed for every line, so that the loop runs in vectors.
        const double window = K * total / gridWidth * perWidth;
        const double own = std::fabs(f - shared) > tolerance ? nan : window;
        halves[k] = gamma != 0.0 ? own : sharedHalf;
    }
}

[[gnu::always_inline]] inline void HalfWindowPoints(const DrawnLine* lines, std::size_t count, const SharedWindow& w,
                                                    double* halves) {
    if (!w.grid.predissociation) return std::fill(halves, halves + count, w.half);
    if (!IsWavelength(w.grid.unit)) return HalfWindowsOn<false, false>(lines, count, w, halves);
    if (UnitsPerAngstrom(w.grid.unit) != 1.0) return HalfWindowsOn<true, true>(lines, count, w, halves);
    HalfWindowsOn<true, false>(lines, count, w, halves);
}

[[gnu::always_inline]] inline BinCounts BinPoints(const DrawnLine* lines, const double* halves, std::size_t count,
                                                  const SharedWindow& w, BinnedLine* out) {
    const double xini = w.grid.Xini, scale = w.grid.pointsPerWidth / w.grid.gridWidth;  // grid steps per axis unit
    const int last = w.grid.nPoints, reach = w.reach;
    BinCounts n;
    // A chunk of lines at a time: their points and windows in vectors, then the lines that reach
    // the grid kept in order. A line of a width of its own (NaN half window) is worked out with
    // no window and left out.
    constexpr std::size_t kChunk = 64;
    int js[kChunk], los[kChunk], his[kChunk];
    double ts[kChunk];
    for (std::size_t from = 0; from < count; from += kChunk) {
        const std::size_t m = std::min(kChunk, count - from);
        const DrawnLine* chunk = lines + from;
        const double* chunkHalves = halves + from;
#pragma omp simd
        for (std::size_t q = 0; q < m; ++q) {
            const double half = chunkHalves[q] == chunkHalves[q] ? chunkHalves[q] : 0.0;
            const double ic = (chunk[q].x - xini) * scale;
            const int j = RoundIndex(ic);
            js[q] = j;
            ts[q] = ic - j;
            los[q] = std::max(std::max(RoundIndex(ic - half), 1), j - reach) - j;
            his[q] = std::min(std::min(RoundIndex(ic + half), last - 1), j + reach) - j;
        }
        for (std::size_t q = 0; q < m; ++q) {
            if (std::isnan(chunkHalves[q]) || his[q] < los[q]) continue;
            BinnedLine& b = out[n.lines];
            b.j = js[q], b.lo = los[q], b.hi = his[q];
            b.t = ts[q], b.weight = chunk[q].weight;
            ++n.lines;
            n.profilePoints += his[q] - los[q] + 1;
        }
    }
    return n;
}

/// out[m] += sum_k c[k] T[k][m] for m = from..to, summed from the last term to the first.
template <std::size_t... k>
[[gnu::always_inline]] inline void AddTerms(float* out, int from, int to, const float* const* T, const float* c,
                                            std::index_sequence<k...>) {
#pragma omp simd
    for (int m = from; m <= to; ++m) out[m] += ((c[k] * T[k][m]) + ...);
}

/// As AddTerms over whole vectors of W points: to - from + 1 a multiple of it.
template <int W, std::size_t... k>
[[gnu::always_inline]] inline void AddTermVectors(float* out, int from, int to, const float* const* T, const float* c,
                                                  std::index_sequence<k...>) {
    for (int v = from; v <= to; v += W)
#pragma omp simd
        for (int m = v; m < v + W; ++m) out[m] += ((c[k] * T[k][m]) + ...);
}

/// The point loop of a build: AddTerms for N terms.
struct BaselinePoints {
    template <int N>
    [[gnu::always_inline]] static void Add(float* out, int from, int to, const float* const* T, const float* c) {
        AddTerms(out, from, to, T, c, std::make_index_sequence<N>());
    }
};

/// The loop of whole vectors of W points: AddTermVectors for N terms.
template <int W>
struct VectorPoints {
    template <int N>
    [[gnu::always_inline]] static void Add(float* out, int from, int to, const float* const* T, const float* c) {
        AddTermVectors<W>(out, from, to, T, c, std::make_index_sequence<N>());
    }
};

/// Points::Add for `terms` terms of a line's K (0 adds nothing).
template <typename Points, int K>
[[gnu::always_inline]] inline void AddSome(int terms, float* o, int from, int to, const float* const* T,
                                           const float* c) {
    switch (terms) {
        case 0:
            return;
        case 1:
            return Points::template Add<1>(o, from, to, T, c);
        case 2:
            return Points::template Add<std::min(2, K)>(o, from, to, T, c);
        case 3:
            return Points::template Add<std::min(3, K)>(o, from, to, T, c);
        case 4:
            return Points::template Add<std::min(4, K)>(o, from, to, T, c);
        case 5:
            return Points::template Add<std::min(5, K)>(o, from, to, T, c);
        case 6:
            return Points::template Add<std::min(6, K)>(o, from, to, T, c);
        case 7:
            return Points::template Add<std::min(7, K)>(o, from, to, T, c);
        default:
            return Points::template Add<K>(o, from, to, T, c);
    }
}

/// The terms of a line: weight (-t)^k.
template <int K>
[[gnu::always_inline]] inline void LineTerms(const BinnedLine& b, float* c) {
    double power = b.weight;
    for (int k = 0; k < K; ++k, power *= -b.t) c[k] = static_cast<float>(power);
}

/// Draws one line ring by ring (o at its nearest point); the centre ring has K terms, the outer
/// rings fewer.
template <typename Points, int K>
[[gnu::always_inline]] inline void RingLine(float* o, const BinnedLine& b, const float* c, const float* const* terms,
                                            const TermRing* rings, int ringCount) {
    const int centre = rings[0].outer;
    if (std::max(-centre, b.lo) <= std::min(centre, b.hi))
        Points::template Add<K>(o, std::max(-centre, b.lo), std::min(centre, b.hi), terms, c);
    for (int r = 1; r < ringCount; ++r) {
        auto part = [&](int from, int to) __attribute__((always_inline)) {
            from = std::max(from, b.lo), to = std::min(to, b.hi);
            if (to < from) return;
            AddSome<Points, K>(rings[r].terms, o, from, to, terms, c);
        };
        part(-rings[r].outer, -rings[r].inner - 1);
        part(rings[r].inner + 1, rings[r].outer);
    }
}

/// Draws every line ring by ring (Lines<K> for a kernel of K terms).
template <typename Points>
struct RingPoints {
    template <int K>
    [[gnu::always_inline]] static void Lines(float* out, const BinnedLine* lines, std::size_t count,
                                             const float* const* terms, const TermRing* rings, int ringCount) {
        for (std::size_t l = 0; l < count; ++l) {
            const BinnedLine& b = lines[l];
            float c[K];
            LineTerms<K>(b, c);
            RingLine<Points, K>(out + b.j, b, c, terms, rings, ringCount);
        }
    }
};

/// Draws every line by the runs of a plan, in vectors of W points, or ring by ring where they do
/// not fit it (Lines<K> for a kernel of K terms).
template <typename Points, int W>
struct RunPoints {
    template <int K>
    [[gnu::always_inline]] static void Lines(float* out, const BinnedLine* lines, std::size_t count, const RunPlan& p) {
        for (std::size_t l = 0; l < count; ++l) {
            const BinnedLine& b = lines[l];
            float c[K];
            LineTerms<K>(b, c);
            float* o = out + b.j;
            if (b.j + p.from < p.first || b.j + p.to > p.last || b.lo > -p.inner || b.hi < p.inner) {
                RingLine<Points, K>(o, b, c, p.ringTerms, p.rings, p.ringCount);
                continue;
            }
            for (int r = 0; r < p.runCount; ++r)
                AddSome<VectorPoints<W>, K>(p.runs[r].terms, o, p.runs[r].from, p.runs[r].to, p.runTerms, c);
            if (p.edgeTerms > 0) {
                if (b.lo < -p.inner) AddSome<Points, K>(p.edgeTerms, o, b.lo, -p.inner - 1, p.ringTerms, c);
                if (b.hi > p.inner) AddSome<Points, K>(p.edgeTerms, o, p.inner + 1, b.hi, p.ringTerms, c);
            }
        }
    }
};

/// Loop::Lines<K>(args...) for the kernel's number of terms K, 1..8: each count gets its own
/// instance of the line loop, with the terms of a line held in registers.
template <typename Loop, typename... Args>
[[gnu::always_inline]] inline void ForKernelTerms(int terms, const Args&... args) {
    switch (terms) {
        case 1:
            return Loop::template Lines<1>(args...);
        case 2:
            return Loop::template Lines<2>(args...);
        case 3:
            return Loop::template Lines<3>(args...);
        case 4:
            return Loop::template Lines<4>(args...);
        case 5:
            return Loop::template Lines<5>(args...);
        case 6:
            return Loop::template Lines<6>(args...);
        case 7:
            return Loop::template Lines<7>(args...);
        default:
            return Loop::template Lines<8>(args...);
    }
}

[[gnu::always_inline]] inline void MultiplyAddPoints(double* product, const double* a, const double* b,
                                                     std::size_t count) {
#pragma omp simd
    for (std::size_t q = 0; q < count; ++q) {
        const double ar = a[2 * q], ai = a[2 * q + 1], br = b[2 * q], bi = b[2 * q + 1];
        product[2 * q] += ar * br - ai * bi;
        product[2 * q + 1] += ar * bi + ai * br;
    }
}

void HalfWindowsBaseline(const DrawnLine* lines, std::size_t count, const SharedWindow& w, double* halves) {
    HalfWindowPoints(lines, count, w, halves);
}
BinCounts BinBaseline(const DrawnLine* lines, const double* halves, std::size_t count, const SharedWindow& w,
                      BinnedLine* out) {
    return BinPoints(lines, halves, count, w, out);
}
void AddBaseline(float* out, const BinnedLine* lines, std::size_t count, const float* const* terms,
                 const TermRing* rings, int ringCount) {
    ForKernelTerms<RingPoints<BaselinePoints>>(rings[0].terms, out, lines, count, terms, rings, ringCount);
}
void AddRunsBaseline(float* out, const BinnedLine* lines, std::size_t count, const RunPlan& plan) {
    ForKernelTerms<RunPoints<BaselinePoints, kRunVector>>(plan.rings[0].terms, out, lines, count, plan);
}
void MultiplyAddBaseline(double* product, const double* a, const double* b, std::size_t count) {
    MultiplyAddPoints(product, a, b, count);
}
constexpr BinnedKernels kBaseline{HalfWindowsBaseline, BinBaseline,         AddBaseline,
                                  AddRunsBaseline,     MultiplyAddBaseline, kRunVector};

#ifdef VELMORA_WIDE_BUILDS
// AVX2 without FMA: every product and sum rounded as in the baseline build.

[[gnu::target("avx2")]] void HalfWindowsWide(const DrawnLine* lines, std::size_t count, const SharedWindow& w,
                                             double* halves) {
    HalfWindowPoints(lines, count, w, halves);
}
[[gnu::target("avx2")]] BinCounts BinWide(const DrawnLine* lines, const double* halves, std::size_t count,
                                          const SharedWindow& w, BinnedLine* out) {
    return BinPoints(lines, halves, count, w, out);
}
[[gnu::target("avx2")]] void AddWide(float* out, const BinnedLine* lines, std::size_t count, const float* const* terms,
                                     const TermRing* rings, int ringCount) {
    ForKernelTerms<RingPoints<BaselinePoints>>(rings[0].terms, out, lines, count, terms, rings, ringCount);
}
[[gnu::target("avx2")]] void AddRunsWide(float* out, const BinnedLine* lines, std::size_t count, const RunPlan& plan) {
    ForKernelTerms<RunPoints<BaselinePoints, kRunVector>>(plan.rings[0].terms, out, lines, count, plan);
}
[[gnu::target("avx2")]] void MultiplyAddWide(double* product, const double* a, const double* b, std::size_t count) {
    MultiplyAddPoints(product, a, b, count);
}
constexpr BinnedKernels kWide{HalfWindowsWide, BinWide, AddWide, AddRunsWide, MultiplyAddWide, kRunVector};

// AVX-512 for the sums of the lines, in runs of sixteen points (one vector): on a processor that
// has it, a line's window takes about half the vector instructions.
constexpr int kWidestVector = 2 * kRunVector;
#if defined(__clang__)
#define VELMORA_WIDEST [[gnu::target("avx2,avx512f")]]
#else
#define VELMORA_WIDEST [[gnu::target("avx2,avx512f,prefer-vector-width=512")]]
#endif
VELMORA_WIDEST void AddWidest(float* out, const BinnedLine* lines, std::size_t count, const float* const* terms,
                              const TermRing* rings, int ringCount) {
    ForKernelTerms<RingPoints<BaselinePoints>>(rings[0].terms, out, lines, count, terms, rings, ringCount);
}
VELMORA_WIDEST void AddRunsWidest(float* out, const BinnedLine* lines, std::size_t count, const RunPlan& plan) {
    ForKernelTerms<RunPoints<BaselinePoints, kWidestVector>>(plan.rings[0].terms, out, lines, count, plan);
}
#undef VELMORA_WIDEST
constexpr BinnedKernels kWidest{HalfWindowsWide, BinWide, AddWidest, AddRunsWidest, MultiplyAddWide, kWidestVector};

const BinnedKernels& Choose() { return RunsWidestBuilds() ? kWidest : RunsWideBuilds() ? kWide : kBaseline; }
#else
const BinnedKernels& Choose() { return kBaseline; }
#endif

}  // namespace

const BinnedKernels& BaselineBinnedKernels() { return kBaseline; }

const BinnedKernels& ActiveBinnedKernels() {
    static const BinnedKernels& active = Choose();
    return active;
}

std::vector<const BinnedKernels*> RunnableBinnedKernels() {
    std::vector<const BinnedKernels*> builds{&kBaseline};
#ifdef VELMORA_WIDE_BUILDS
    if (RunsWideBuilds()) builds.push_back(&kWide);
    if (RunsWidestBuilds()) builds.push_back(&kWidest);
#endif
    return builds;
}

}  // namespace velmora::simulation
