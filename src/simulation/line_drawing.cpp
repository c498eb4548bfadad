#include "simulation/line_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <type_traits>
#include <utility>

#include "common/numerics.h"
#include "simulation/line_memo.h"
#include "simulation/thread_kept.h"
#include "simulation/wide_builds.h"

namespace velmora::simulation {

namespace {

/// True when the binned lines of a level cost less by FFT than summed directly. The costs, in
/// nanoseconds as measured on a 2.6 GHz x86-64 core (OH, CN, NO and N2 levels of 400 to 14,000
/// lines on grids of 1000 to 64,000 points, Gaussian, Voigt and Lorentzian kernels), binning left
/// out since both need it:
///   directly: 5 per line (its window's ends, one by one) and 0.055 per multiply-add of its
///     terms over its window, twice that in the baseline build (four points a vector where the
///     wide build has eight);
///   by FFT: for each of terms + 1 transforms of length L, 0.18 L log2 L (with the zeroing and the
///     products of the spectra), up to half as much again on lengths beyond the caches and five
///     times as much on odd lengths (no real-input halving of the transform); per line 3 for
///     its sums and 0.4 per term and point of its window beyond the common core.
/// A direct multiply-add is a lane of a vector instruction, a transform's point several scalar
/// operations: the direct sums win until lines are several times denser than grid points.
bool FftIsCheaper(std::size_t lines, int terms, double multiplyAdds, int edgePoints, int length) {
    const double n = static_cast<double>(lines), L = static_cast<double>(length);
    const double direct = n * (5.0 + (RunsWideBuilds() ? 0.055 : 0.11) * multiplyAdds);
    const double odd = length % 2 != 0 ? 5.0 : 1.0;
    const double transform = 0.18 * odd * (1.0 + L / 130000.0) * L * std::log2(L);
    const double fft = (terms + 1.0) * transform + n * (3.0 + 0.4 * terms * edgePoints);
    return fft < direct;
}

/// Lines binned and drawn at a time when they are drawn directly: their binned form (32 bytes a
/// line) stays in the first-level cache.
constexpr std::size_t kBinnedBlock = 512;

/// What a ring's loop costs a line beyond its multiply-adds, in multiply-adds: the call, the
/// clipping to the window and the points short of a whole vector, one by one (measured on an
/// x86-64 core, AVX2: about 8 ns a ring side against 0.09 ns a multiply-add).
constexpr double kRingSideCost = 90.0;

/// The rings, from the centre out, merged into the groups that cost a line least over a window
/// of `window` points each side: a group takes the terms of its innermost ring.
std::vector<TermRing> MergedRings(const std::vector<TermRing>& rings, int window) {
    const std::size_t n = rings.size();
    auto cost = [&](std::size_t first, std::size_t last) {  // rings first..last as one
        const int inner = rings[first].inner, outer = std::min(rings[last].outer, window);
        const int points = first == 0 ? 2 * std::max(outer, 0) + 1 : 2 * std::max(0, outer - inner);
        return (first == 0 ? 1.0 : 2.0) * kRingSideCost + static_cast<double>(rings[first].terms) * points;
    };
    // best[e]: the least cost of rings 0..e-1; from[e]: the first ring of the last group.
    std::vector<double> best(n + 1, 0.0);
    std::vector<std::size_t> from(n + 1, 0);
    for (std::size_t e = 1; e <= n; ++e) {
        best[e] = std::numeric_limits<double>::infinity();
        for (std::size_t f = 0; f < e; ++f)
            if (const double c = best[f] + cost(f, e - 1); c < best[e]) best[e] = c, from[e] = f;
    }
    std::vector<TermRing> merged;
    for (std::size_t e = n; e > 0; e = from[e])
        merged.insert(merged.begin(), {rings[from[e]].terms, rings[from[e]].inner, rings[e - 1].outer});
    return merged;
}

}  // namespace

struct DrawSpace {
    std::vector<LineShape> shapes;         ///< the shapes of the lines drawn on their own
    std::vector<double> halves;            ///< the half windows of the lines
    std::unique_ptr<BinnedLine[]> binned;  ///< the lines of the shared profile
    std::size_t binnedCapacity = 0;

    std::size_t Bytes() const {
        return shapes.capacity() * sizeof(LineShape) + halves.capacity() * sizeof(double) +
               binnedCapacity * sizeof(BinnedLine);
    }
};

struct LineDrawer::DirectSums {
    ProfileKernel kernel;
    std::vector<TermRing> rings;   ///< the loops over the kernel's terms, from the centre out
    std::vector<float> ringTerms;  ///< [k][m + reach]: T_k(m) where m's ring has term k, else 0
    std::array<const float*, ProfileKernel::kMaxTerms> termOrigins{};  ///< T_k(0) of ringTerms
    std::vector<TermRun> runs;  ///< the direct sums in whole vectors (binned_lines.h)
    /// [k][m - runs' first offset]: ringTerms within the runs' inner, from the first cache-line
    /// boundary of the storage on.
    std::vector<float> runTerms;
    std::array<const float*, ProfileKernel::kMaxTerms> runOrigins{};  ///< T_k(0) of runTerms
    /// The runs over these tables, but for the grid points a line may write; no runs when its
    /// inner is negative.
    RunPlan plan;
    double multiplyAdds = 0.0;  ///< of the direct sums of one line over its window
    int edgePoints = 0;         ///< points of a window beyond the core, drawn directly in an FFT

    /// The sums of a kernel for lines of windows of at most whole + 1 points each side, all of
    /// them covering the core -core..core. The tables are read through the origins: the object
    /// stays where it is built.
    DirectSums(ProfileKernel sampled, int whole, int core);
    DirectSums(const DirectSums&) = delete;
    DirectSums& operator=(const DirectSums&) = delete;

private:
    /// Lays the direct sums out in runs of whole vectors; need[m]: the terms offset m needs.
    void PlanRuns(const std::vector<int>& need, int core);
};

namespace {

/// The direct sums of a shared profile on a grid, from those of the last profiles drawn on this
/// thread when one has the same shape, step and window (a line list drawn in groups of its lines'
/// own widths draws one profile per group, simulation after simulation): the same tables, bit
/// for bit, without sampling the kernel and planning its runs again. Nothing when the profile
/// cannot be expanded on the grid.
std::shared_ptr<const LineDrawer::DirectSums> DirectSumsOf(const LineShape& shape, double step, int whole, int core) {
    struct Kept {
        double f, eta, gN, lN, step;
        Lineshape kind;
        int whole, core;
        std::shared_ptr<const LineDrawer::DirectSums> sums;
    };
    constexpr std::size_t kKept = 64;
    thread_local std::vector<Kept> kept;
    thread_local std::size_t next = 0;  // the oldest entry once all are in use
    for (const Kept& k : kept)
        if (k.f == shape.f && k.eta == shape.eta && k.gN == shape.gN && k.lN == shape.lN && k.step == step &&
            k.kind == shape.kind && k.whole == whole && k.core == core)
            return k.sums;
    std::optional<ProfileKernel> kernel = ProfileKernel::Sample(shape, step, whole + 2, kBinnedLineTolerance);
    if (!kernel) return nullptr;
    auto sums = std::make_shared<const LineDrawer::DirectSums>(std::move(*kernel), whole, core);
    Kept made{shape.f, shape.eta, shape.gN, shape.lN, step, shape.kind, whole, core, std::move(sums)};
    if (kept.size() < kKept) return kept.push_back(std::move(made)), kept.back().sums;
    Kept& slot = kept[next];
    next = (next + 1) % kKept;
    return (slot = std::move(made)).sums;
}

}  // namespace

LineDrawer::LineDrawer(const ProfileGrid& grid, bool squareRoot, ProfileMethod method, bool rateEquations)
    : grid_(grid), squareRoot_(squareRoot), method_(method) {
    shared_ = MakeLineShape(grid_, grid_.Xini, 0.0);
    half_ = shared_.halfWindow * grid_.pointsPerWidth;
    // A window spans offsets round(t - half)..round(t + half) from a line's nearest point, |t| <=
    // 1/2: never beyond floor(half) + 1, always at least the core within floor(half) - 1.
    // The lines that share the profile have windows within one point of this one (their cut-off
    // grows with a Lorentzian share that differs by less than kSharedWidthTolerance).
    const int whole = static_cast<int>(std::min(std::floor(half_), 1e6));
    core_ = std::max(whole - 2, -1);
    fastSaturated_ = Bins(method) && rateEquations;
    if (Bins(method) && !squareRoot_ && !rateEquations && grid_.nPoints >= 2)
        direct_ = DirectSumsOf(shared_, grid_.step, whole, core_);
}

LineDrawer::DirectSums::DirectSums(ProfileKernel sampled, int whole, int core) : kernel(std::move(sampled)) {
    // Each line adds its terms over its window, n terms where n of them matter. The offsets
    // split into rings of equal term counts, from the centre out; a ring narrower than a few
    // vectors joins the one inside it (more terms than needed cost less than a call).
    const int terms = kernel.Terms();
    const int reach = kernel.Reach();
    rings = {{terms, -1, kernel.TermReach(terms - 1)}};
    for (int n = terms - 1; n >= 1; --n) {
        const int outer = kernel.TermReach(n - 1);
        if (outer - rings.back().outer < 8)
            rings.back().outer = outer;
        else
            rings.push_back({n, rings.back().outer, outer});
    }
    // The work of a line: its rings' terms over its window (at most whole + 1 points each side).
    const int window = whole + 1;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const int outer = std::min(rings[r].outer, window);
        const int points = r == 0 ? 2 * outer + 1 : 2 * std::max(0, outer - rings[r].inner);
        multiplyAdds += static_cast<double>(rings[r].terms) * points;
    }
    edgePoints = 2 * std::max(0, window - std::max(core, 0));
    // The terms as the rings use them: zero where a ring leaves a term out and beyond the last
    // ring. Rings may then be merged into fewer, wider ones that add exact zeros for the
    // terms left out: every point's sum stays the one of its own ring, bit for bit.
    const std::size_t width = 2 * static_cast<std::size_t>(reach) + 1;
    std::vector<int> need(static_cast<std::size_t>(reach) + 1, 0);
    ringTerms.assign(static_cast<std::size_t>(terms) * width, 0.0f);
    for (const TermRing& ring : rings)
        for (int m = ring.inner + 1; m <= std::min(ring.outer, reach); ++m) {
            need[static_cast<std::size_t>(std::max(m, 0))] = ring.terms;
            for (int k = 0; k < ring.terms; ++k)
                for (const int offset : {-m, m})
                    ringTerms[static_cast<std::size_t>(k) * width + static_cast<std::size_t>(offset + reach)] =
                        kernel.Term(k)[offset + reach];
        }
    for (int k = 0; k < terms; ++k)
        termOrigins[static_cast<std::size_t>(k)] = &ringTerms[static_cast<std::size_t>(k) * width] + reach;
    rings = MergedRings(rings, window);
    PlanRuns(need, core);
}

void LineDrawer::DirectSums::PlanRuns(const std::vector<int>& need, int core) {
    // The runs cover -inner..inner, the offsets inside every shared line's window where a term is
    // not zero, in vectors of `vector` points (those of the build that draws them). Of the
    // `vector` ways to lay the vectors over them, each grouped into runs at the least cost, the
    // cheapest is taken: a vector costs its terms' multiply-adds, a run about kRunCost more (its
    // loop and the choice of its term count).
    const int vector = ActiveBinnedKernels().runVector;
    constexpr double kRunCost = 32.0;
    int extent = -1;
    for (std::size_t m = 0; m < need.size(); ++m)
        if (need[m] > 0) extent = static_cast<int>(m);
    const int inner = std::min(core, extent);
    if (inner < 0) return;
    plan.edgeTerms = 0;
    for (std::size_t m = static_cast<std::size_t>(inner) + 1; m < need.size(); ++m)
        plan.edgeTerms = std::max(plan.edgeTerms, need[m]);
    auto chunkTerms = [&](int from) {
        int n = 0;
        for (int m = std::max(from, -inner); m <= std::min(from + vector - 1, inner); ++m)
            n = std::max(n, need[static_cast<std::size_t>(std::abs(m))]);
        return n;
    };
    // Vectors from `start` grouped into runs of the terms of their most needing vector: the least
    // cost over the groupings, as in MergedRings.
    auto layout = [&](int start, std::vector<TermRun>& laid) {
        const std::size_t n = static_cast<std::size_t>((inner - start + vector) / vector);
        std::vector<int> terms(n);
        for (std::size_t q = 0; q < n; ++q) terms[q] = chunkTerms(start + static_cast<int>(q) * vector);
        std::vector<double> best(n + 1, 0.0);
        std::vector<std::size_t> from(n + 1, 0);
        for (std::size_t e = 1; e <= n; ++e) {
            best[e] = std::numeric_limits<double>::infinity();
            int most = 0;
            for (std::size_t f = e; f-- > 0;) {
                most = std::max(most, terms[f]);
                const double c = best[f] + vector * static_cast<double>(most * (e - f)) + (most > 0 ? kRunCost : 0.0);
                if (c < best[e]) best[e] = c, from[e] = f;
            }
        }
        laid.clear();
        for (std::size_t e = n; e > 0; e = from[e]) {
            const int most = *std::max_element(terms.begin() + static_cast<std::ptrdiff_t>(from[e]),
                                               terms.begin() + static_cast<std::ptrdiff_t>(e));
            laid.insert(laid.begin(),
                        {most, start + static_cast<int>(from[e]) * vector, start + static_cast<int>(e) * vector - 1});
        }
        return best[n];
    };
    double bestCost = std::numeric_limits<double>::infinity();
    std::vector<TermRun> laid;
    for (int start = -inner - vector + 1; start <= -inner; ++start)
        if (const double cost = layout(start, laid); cost < bestCost) {
            bestCost = cost, runs = laid;
            plan.from = start, plan.to = laid.back().to;
        }
    std::erase_if(runs, [](const TermRun& r) { return r.terms == 0; });
    // The rings' terms within -inner..inner, zero beyond.
    const int terms = kernel.Terms();
    const std::size_t width = static_cast<std::size_t>(plan.to - plan.from + 1);
    // Each row starts on a cache line (the width is a whole number of vectors, of 8 or 16
    // floats): a vector of the runs is then read in one access rather than split across two
    // lines, which costs the wide sums about a fifth of their time.
    constexpr std::size_t kLineFloats = 64 / sizeof(float);
    runTerms.assign(static_cast<std::size_t>(terms) * width + kLineFloats - 1, 0.0f);
    const auto address = reinterpret_cast<std::uintptr_t>(runTerms.data());
    const std::size_t lineStart = (kLineFloats - address / sizeof(float) % kLineFloats) % kLineFloats;
    for (int k = 0; k < terms; ++k) {
        float* row = &runTerms[lineStart + static_cast<std::size_t>(k) * width];
        for (int m = -inner; m <= inner; ++m)
            row[static_cast<std::size_t>(m - plan.from)] = termOrigins[static_cast<std::size_t>(k)][m];
        runOrigins[static_cast<std::size_t>(k)] = row - plan.from;
    }
    plan.runs = runs.data();
    plan.runCount = static_cast<int>(runs.size());
    plan.inner = inner;
    plan.runTerms = runOrigins.data();
    plan.ringTerms = termOrigins.data();
    plan.rings = rings.data();
    plan.ringCount = static_cast<int>(rings.size());
}

int LineDrawer::FftLength() {
    // A circular convolution of this length leaves points 1..nPoints-1 free of wrapped terms.
    if (fftLength_ == 0) fftLength_ = RealFft::FastLength(grid_.nPoints + 2 * std::max(core_, 0) + 1);
    return fftLength_;
}

namespace {

/// What the half windows of lines depend on besides each line's position and lifetime.
struct WindowConstants {
    std::uint64_t lorentz, gaussSq, shared, total, gridWidth, tolerance, half;
    int perWidth;
    AxisUnit unit;
    bool operator==(const WindowConstants&) const = default;
};
WindowConstants ConstantsOf(const SharedWindow& w) {
    return {BitsOf(w.grid.lorentzWidth),
            BitsOf(w.grid.gaussWidthSq),
            BitsOf(w.sharedWidth),
            BitsOf(w.grid.totalWidth),
            BitsOf(w.grid.gridWidth),
            BitsOf(w.tolerance),
            BitsOf(w.half),
            w.grid.pointsPerWidth,
            w.grid.unit};
}
/// A line's position and lifetime.
struct WindowInputs {
    std::uint64_t x;
    std::uint32_t lifetime;
};
std::uint64_t DifferingBits(const WindowInputs& a, const WindowInputs& b) {
    return (a.x ^ b.x) | (a.lifetime ^ b.lifetime);
}
using HalfWindowMemo = LineMemo<WindowConstants, WindowInputs, double, 32>;

}  // namespace

void LineDrawer::SharedHalfWindows(const std::vector<DrawnLine>& lines, DrawSpace& space) {
    SharedWindow w;
    w.grid = grid_;
    w.sharedWidth = shared_.f;
    w.tolerance = kSharedWidthTolerance * shared_.f;
    w.half = half_;
    w.reach = direct_ ? direct_->kernel.Reach() : 0;
    std::vector<double>& halves = space.halves;
    halves.resize(lines.size());
    const BinnedKernels& kernels = ActiveBinnedKernels();
    // Without lifetime widths every line has the shared half window; with them each line's costs
    // divisions and a root, and the half windows of lines drawn before are used again (the
    // constants and every line's position and lifetime the same, bit for bit).
    if (!w.grid.predissociation || lines.empty())
        return kernels.halfWindows(lines.data(), lines.size(), w, halves.data());
    const DrawnLine* drawn = lines.data();
    double* out = halves.data();
    HalfWindowMemo& memo = ThreadMemo<HalfWindowMemo>();
    const WindowConstants constants = ConstantsOf(w);
    auto inputs = [drawn](std::size_t k) { return WindowInputs{BitsOf(drawn[k].x), BitsOf(drawn[k].lifetime)}; };
    if (memo.Find(constants, lines.size(), inputs, [out](std::size_t k, double kept) { out[k] = kept; })) return;
    kernels.halfWindows(drawn, lines.size(), w, out);
    memo.Keep(constants, lines.size(), inputs, out);
}

void LineDrawer::DrawOwn(const DrawnLine& line, const LineShape& shape, float* out, DrawStats& stats, double floor) {
    if (shape.last < shape.first) return;
    if (line.saturation > 0.0f && fastSaturated_)
        DrawSaturatedLine(grid_, shape, gaussianReach_.Of(shape), line.x, line.saturation, line.weight, floor, out);
    else if (line.saturation > 0.0f)
        AccumulateSaturatedProfile(grid_, shape, line.x, line.saturation, line.weight, floor, out);
    else if (squareRoot_)
        AccumulateSqrtProfile(grid_, shape, line.x, line.strength, line.weight, out);
    else
        AccumulateProfile(grid_, shape, line.x, line.weight, out);
    ++stats.lines;
    stats.profilePoints += shape.last - shape.first + 1;
}

void LineDrawer::PrepareSpectra() {
    if (!termSpectra_.empty()) return;
    const ProfileKernel& kernel = direct_->kernel;
    const int length = FftLength();
    const RealFft& fft = RealFft::OfLength(length);
    FftArray<double> term = AllocateReal(static_cast<std::size_t>(length));
    for (int k = 0; k < kernel.Terms(); ++k) {
        // The core offsets -core..core, wrapped around: the convolution is circular.
        std::fill(term.get(), term.get() + length, 0.0);
        for (int m = -core_; m <= core_; ++m)
            term[static_cast<std::size_t>((m + length) % length)] = kernel.Term(k)[m + kernel.Reach()];
        termSpectra_.push_back(AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength())));
        fft.Forward(term.get(), termSpectra_.back().get());
    }
    // Work space of the convolutions, kept for every level.
    sums_ = AllocateReal(static_cast<std::size_t>(length) * static_cast<std::size_t>(kernel.Terms()));
    spectrum_ = AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength()));
    product_ = AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength()));
}

void LineDrawer::Draw(const std::vector<DrawnLine>& lines, float* out, DrawStats& stats) {
    ThreadKept<DrawSpace> kept;  // a drawing repeated on a thread allocates nothing
    DrawSpace& space = *kept;
    if (!direct_) {
        // Saturated wings are drawn down to kSaturatedWingTolerance of the strongest peak.
        std::vector<LineShape>& shapes = space.shapes;
        shapes.clear();
        shapes.reserve(lines.size());
        double strongest = 0.0;
        for (const DrawnLine& line : lines) {
            shapes.push_back(MakeLineShape(grid_, line.x, line.lifetime));
            if (line.saturation > 0.0f)
                strongest = std::max(strongest, SaturatedPeak(shapes.back(), line.saturation, line.weight));
        }
        for (std::size_t k = 0; k < lines.size(); ++k)
            DrawOwn(lines[k], shapes[k], out, stats, kSaturatedWingTolerance * strongest);
        return;
    }
    const DirectSums& d = *direct_;
    const ProfileKernel& kernel = d.kernel;
    const int terms = kernel.Terms(), reach = kernel.Reach(), last = grid_.nPoints;

    // The lines of a width of their own first, then the others binned.
    SharedHalfWindows(lines, space);
    // The lines the shared profile may draw (at most these are binned), counted in vectors: most
    // levels have no line of a width of its own.
    const double* halves = space.halves.data();
    const std::size_t n = lines.size();
    std::size_t shared = 0;
#pragma omp simd reduction(+ : shared)
    for (std::size_t k = 0; k < n; ++k) shared += halves[k] == halves[k] ? 1 : 0;
    if (shared < n)
        for (std::size_t k = 0; k < n; ++k)
            if (std::isnan(halves[k]))
                DrawOwn(lines[k], MakeLineShape(grid_, lines[k].x, lines[k].lifetime), out, stats);
    SharedWindow w;
    w.grid = grid_;
    w.reach = reach;
    const BinnedKernels& kernels = ActiveBinnedKernels();
    RunPlan plan = d.plan;
    plan.first = 1, plan.last = last - 1;
    const bool byRings = d.plan.inner < 0 || method_ == ProfileMethod::ConvolvedByRings;
    auto drawDirectly = [&](const BinnedLine* binned, std::size_t count) {
        if (byRings)
            kernels.add(out, binned, count, d.termOrigins.data(), d.rings.data(), static_cast<int>(d.rings.size()));
        else
            kernels.addRuns(out, binned, count, plan);
    };
    // Whether `count` binned lines are drawn by FFT. The FFT pays only above a number of lines;
    // when even all the shared lines are too few, the lines are binned and drawn a block at a
    // time, so that a block's lines are still in the cache when they are drawn. The lines are
    // added in the same order either way.
    auto byFft = [&](std::size_t count) {
        return core_ >= 1 && (method_ == ProfileMethod::ConvolvedByFft ||
                              (method_ == ProfileMethod::Convolved &&
                               FftIsCheaper(count, terms, d.multiplyAdds, d.edgePoints, FftLength())));
    };
    const bool direct = !byFft(shared);
    const std::size_t capacity = direct ? std::min(lines.size(), kBinnedBlock) : lines.size();
    if (space.binnedCapacity < capacity) {
        space.binned.reset(new BinnedLine[capacity]);
        space.binnedCapacity = capacity;
    }
    if (direct) {
        for (std::size_t from = 0; from < lines.size(); from += kBinnedBlock) {
            const std::size_t n = std::min(kBinnedBlock, lines.size() - from);
            const BinCounts counts =
                kernels.bin(lines.data() + from, space.halves.data() + from, n, w, space.binned.get());
            stats.lines += static_cast<int>(counts.lines);
            stats.profilePoints += counts.profilePoints;
            if (counts.lines > 0) drawDirectly(space.binned.get(), counts.lines);
        }
        return;
    }
    const BinCounts counts = kernels.bin(lines.data(), space.halves.data(), lines.size(), w, space.binned.get());
    stats.lines += static_cast<int>(counts.lines);
    stats.profilePoints += counts.profilePoints;
    const std::size_t count = counts.lines;
    if (count == 0) return;

    if (!byFft(count)) return drawDirectly(space.binned.get(), count);

    // By FFT: the terms of every line summed at its nearest point, convolved with the core of the
    // kernel; the points beyond the core, where windows differ from line to line, directly. The
    // sums of point j stand at index j + core, so lines up to `core` points outside the grid
    // reach it too.
    ++stats.fftLevels;
    PrepareSpectra();
    const RealFft& fft = RealFft::OfLength(FftLength());
    const std::size_t L = static_cast<std::size_t>(FftLength());
    const std::size_t H = static_cast<std::size_t>(fft.SpectrumLength());
    double* sums = sums_.get();
    std::fill(sums, sums + L * static_cast<std::size_t>(terms), 0.0);
    for (std::size_t l = 0; l < count; ++l) {
        const BinnedLine& b = space.binned[l];
        // The terms of the line: weight (-t)^k.
        double c[ProfileKernel::kMaxTerms];
        double power = b.weight;
        for (int k = 0; k < terms; ++k, power *= -b.t) c[k] = power;
        if (b.j >= -core_ && b.j <= last + core_)
            for (int k = 0; k < terms; ++k)
                sums[static_cast<std::size_t>(k) * L + static_cast<std::size_t>(b.j + core_)] += c[k];
        auto edge = [&](int from, int to) {
            for (int m = from; m <= to; ++m) {
                double value = 0.0;
                for (int k = 0; k < terms; ++k) value += c[k] * kernel.Term(k)[m + reach];
                out[b.j + m] = static_cast<float>(out[b.j + m] + value);
            }
        };
        edge(b.lo, std::min(b.hi, -core_ - 1));
        edge(std::max(b.lo, core_ + 1), b.hi);
    }
    std::complex<double>* product = product_.get();
    std::complex<double>* spectrum = spectrum_.get();
    std::fill(product, product + H, std::complex<double>());
    for (int k = 0; k < terms; ++k) {
        fft.Forward(sums + static_cast<std::size_t>(k) * L, spectrum);
        kernels.multiplyAdd(reinterpret_cast<double*>(product), reinterpret_cast<const double*>(spectrum),
                            reinterpret_cast<const double*>(termSpectra_[static_cast<std::size_t>(k)].get()), H);
    }
    double* result = sums;  // the sums are transformed: their space takes the result
    fft.Backward(product, result);
    const double norm = 1.0 / static_cast<double>(L);
    for (int i = 1; i < last; ++i) out[i] = static_cast<float>(out[i] + result[i + core_] * norm);
}

}  // namespace velmora::simulation
