#include "simulation/line_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <type_traits>
#include <utility>

#include "common/numerics.h"

namespace velmora::simulation {

namespace {

/// Converts to int without overflow (positions far beyond the grid).
int RoundIndex(double x) { return RoundHalfEven(std::clamp(x, -1e9, 1e9)); }

/// A binned line: its nearest grid point j, its offset t from it in grid steps (|t| <= 1/2), the
/// points it covers as offsets lo..hi from j (within the grid's inner points) and its area.
struct BinnedLine {
    int j = 0, lo = 0, hi = -1;
    double t = 0.0, weight = 0.0;
};

/// out[i] += sum_k c[k] T[k][i - first] for i = first..last, the sum over the terms written out
/// so that the points are processed in vectors.
template <std::size_t... k>
void AddTerms(float* out, int first, int last, const float* const* terms, const float* coefficients,
              std::index_sequence<k...>) {
    const std::array<const float*, sizeof...(k)> T{terms[k]...};
    const std::array<float, sizeof...(k)> c{coefficients[k]...};
#pragma omp simd
    for (int i = first; i <= last; ++i) out[i] += ((c[k] * T[k][i - first]) + ...);
}

template <std::size_t K>
void AddTerms(float* out, int first, int last, const float* const* terms, const float* coefficients) {
    AddTerms(out, first, last, terms, coefficients, std::make_index_sequence<K>());
}

using AddTermsFunction = void (*)(float*, int, int, const float* const*, const float*);

AddTermsFunction AddTermsFor(int terms) {
    static constexpr AddTermsFunction functions[] = {AddTerms<1>, AddTerms<2>, AddTerms<3>, AddTerms<4>,
                                                     AddTerms<5>, AddTerms<6>, AddTerms<7>, AddTerms<8>};
    static_assert(std::size(functions) == ProfileKernel::kMaxTerms);
    return functions[terms - 1];
}

/// Estimated costs, in multiply-adds of the direct sum, of drawing n binned lines with a kernel
/// directly and of one convolution by FFT of length L: terms + 1 real transforms of about
/// 1.5 L log2 L each (as measured against the direct sum), and the products of the spectra.
bool FftIsCheaper(std::size_t lines, int terms, int reach, int length) {
    const double direct = static_cast<double>(lines) * terms * (2.0 * reach + 1.0);
    const double fft = (terms + 1.0) * 1.5 * length * std::log2(static_cast<double>(length)) + 2.0 * terms * length;
    return fft < direct;
}

}  // namespace

LineDrawer::LineDrawer(const ProfileGrid& grid, bool squareRoot, ProfileMethod method, bool rateEquations)
    : grid_(grid), squareRoot_(squareRoot) {
    shared_ = MakeLineShape(grid_, grid_.Xini, 0.0);
    half_ = shared_.halfWindow * grid_.pointsPerWidth;
    // A window spans offsets round(t - half)..round(t + half) from a line's nearest point, |t| <=
    // 1/2: never beyond floor(half) + 1, always at least the core within floor(half) - 1.
    // The lines that share the profile have windows within one point of this one (their cut-off
    // grows with a Lorentzian share that differs by less than kSharedWidthTolerance).
    const int whole = static_cast<int>(std::min(std::floor(half_), 1e6));
    core_ = std::max(whole - 2, -1);
    fastSaturated_ = method == ProfileMethod::Convolved && rateEquations;
    if (method == ProfileMethod::Convolved && !squareRoot_ && !rateEquations && grid_.nPoints >= 2)
        kernel_ = ProfileKernel::Sample(shared_, grid_.step, whole + 2, kBinnedLineTolerance);
    // A circular convolution of this length leaves points 1..nPoints-1 free of wrapped terms.
    fftLength_ = RealFft::FastLength(grid_.nPoints + 2 * std::max(core_, 0) + 1);
}

void LineDrawer::SharedHalfWindows(const std::vector<DrawnLine>& lines) {
    const std::size_t n = lines.size();
    if (!grid_.predissociation) return halves_.assign(n, half_);
    halves_.resize(n);
    // The line's own width and cut-off as MakeLineShape forms them for a line not widened by 2 %.
    const ProfileGrid grid = grid_;  // held apart from the halves written
    const double tolerance = kSharedWidthTolerance * shared_.f;
    const DrawnLine* line = lines.data();
    double* halves = halves_.data();
    const double shared = half_, nan = std::numeric_limits<double>::quiet_NaN();
    const double lorentz = grid.lorentzWidth, gaussSq = grid.gaussWidthSq, sharedWidth = shared_.f;
    const double total = grid.totalWidth, gridWidth = grid.gridWidth, perWidth = grid.pointsPerWidth;
    for (std::size_t k = 0; k < n; ++k) {
        const double gamma = LifetimeWidth(grid, line[k].x, line[k].lifetime);
        const double fL = lorentz + gamma;
        const double f = VoigtWidth(fL, gaussSq);
        const double K = 17.0 * (fL / f) + 3.0;
        const double own = std::fabs(f - sharedWidth) > tolerance ? nan : K * total / gridWidth * perWidth;
        halves[k] = gamma != 0.0 ? own : shared;
    }
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
    const ProfileKernel& kernel = *kernel_;
    const RealFft& fft = RealFft::OfLength(fftLength_);
    FftArray<double> term = AllocateReal(static_cast<std::size_t>(fftLength_));
    for (int k = 0; k < kernel.Terms(); ++k) {
        // The core offsets -core..core, wrapped around: the convolution is circular.
        std::fill(term.get(), term.get() + fftLength_, 0.0);
        for (int m = -core_; m <= core_; ++m)
            term[static_cast<std::size_t>((m + fftLength_) % fftLength_)] = kernel.Term(k)[m + kernel.Reach()];
        termSpectra_.push_back(AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength())));
        fft.Forward(term.get(), termSpectra_.back().get());
    }
    // Work space of the convolutions, kept for every level.
    sums_ = AllocateReal(static_cast<std::size_t>(fftLength_) * static_cast<std::size_t>(kernel.Terms()));
    spectrum_ = AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength()));
    product_ = AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength()));
}

void LineDrawer::Draw(const std::vector<DrawnLine>& lines, float* out, DrawStats& stats) {
    if (!kernel_) {
        // Saturated wings are drawn down to kSaturatedWingTolerance of the strongest peak.
        shapes_.clear();
        shapes_.reserve(lines.size());
        double strongest = 0.0;
        for (const DrawnLine& line : lines) {
            shapes_.push_back(MakeLineShape(grid_, line.x, line.lifetime));
            if (line.saturation > 0.0f)
                strongest = std::max(strongest, SaturatedPeak(shapes_.back(), line.saturation, line.weight));
        }
        for (std::size_t k = 0; k < lines.size(); ++k)
            DrawOwn(lines[k], shapes_[k], out, stats, kSaturatedWingTolerance * strongest);
        return;
    }
    const ProfileKernel& kernel = *kernel_;
    const int terms = kernel.Terms(), reach = kernel.Reach(), last = grid_.nPoints;
    const double scale = grid_.pointsPerWidth / grid_.gridWidth;  // grid steps per axis unit

    // Bin the lines of the shared profile; draw the others on their own.
    std::vector<BinnedLine> binned;
    binned.reserve(lines.size());
    SharedHalfWindows(lines);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const DrawnLine& line = lines[k];
        const double half = halves_[k];
        if (std::isnan(half)) {
            DrawOwn(line, MakeLineShape(grid_, line.x, line.lifetime), out, stats);
            continue;
        }
        const double ic = (line.x - grid_.Xini) * scale;
        BinnedLine b;
        b.j = RoundIndex(ic);
        b.t = ic - b.j;
        b.weight = line.weight;
        b.lo = std::max({RoundIndex(ic - half), 1, b.j - reach}) - b.j;
        b.hi = std::min({RoundIndex(ic + half), last - 1, b.j + reach}) - b.j;
        if (b.hi < b.lo) continue;
        ++stats.lines;
        stats.profilePoints += b.hi - b.lo + 1;
        binned.push_back(b);
    }
    if (binned.empty()) return;

    // The terms of a line: weight (-t)^k.
    auto coefficients = [terms](const BinnedLine& b, auto* c) {
        double power = b.weight;
        for (int k = 0; k < terms; ++k, power *= -b.t) c[k] = static_cast<std::remove_pointer_t<decltype(c)>>(power);
    };
    if (core_ < 1 || !FftIsCheaper(binned.size(), terms, reach, fftLength_)) {
        // Directly: each line adds its terms over its window, n terms where n of them matter. The
        // offsets split into rings of equal term counts, from the centre out; a ring narrower than
        // a few vectors joins the one inside it (more terms than needed cost less than a call).
        struct Ring {
            int terms, inner, outer;  ///< offsets inner < |m| <= outer (the centre: inner = -1)
        };
        std::vector<Ring> rings{{terms, -1, kernel.TermReach(terms - 1)}};
        for (int n = terms - 1; n >= 1; --n) {
            const int outer = kernel.TermReach(n - 1);
            if (outer - rings.back().outer < 8)
                rings.back().outer = outer;
            else
                rings.push_back({n, rings.back().outer, outer});
        }
        for (const BinnedLine& b : binned) {
            float c[ProfileKernel::kMaxTerms];
            coefficients(b, c);
            auto add = [&](int n, int from, int to) {
                from = std::max(from, b.lo), to = std::min(to, b.hi);
                if (to < from) return;
                const float* T[ProfileKernel::kMaxTerms];
                for (int k = 0; k < n; ++k) T[k] = kernel.Term(k) + reach + from;
                AddTermsFor(n)(out, b.j + from, b.j + to, T, c);
            };
            add(rings.front().terms, -rings.front().outer, rings.front().outer);
            for (std::size_t r = 1; r < rings.size(); ++r) {
                add(rings[r].terms, -rings[r].outer, -rings[r].inner - 1);
                add(rings[r].terms, rings[r].inner + 1, rings[r].outer);
            }
        }
        return;
    }

    // By FFT: the terms of every line summed at its nearest point, convolved with the core of the
    // kernel; the points beyond the core, where windows differ from line to line, directly. The
    // sums of point j stand at index j + core, so lines up to `core` points outside the grid
    // reach it too.
    ++stats.fftLevels;
    PrepareSpectra();
    const RealFft& fft = RealFft::OfLength(fftLength_);
    const std::size_t L = static_cast<std::size_t>(fftLength_);
    const std::size_t H = static_cast<std::size_t>(fft.SpectrumLength());
    double* sums = sums_.get();
    std::fill(sums, sums + L * static_cast<std::size_t>(terms), 0.0);
    for (const BinnedLine& b : binned) {
        double c[ProfileKernel::kMaxTerms];
        coefficients(b, c);
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
        const std::complex<double>* T = termSpectra_[static_cast<std::size_t>(k)].get();
        for (std::size_t q = 0; q < H; ++q) product[q] += spectrum[q] * T[q];
    }
    double* result = sums;  // the sums are transformed: their space takes the result
    fft.Backward(product, result);
    const double norm = 1.0 / static_cast<double>(L);
    for (int i = 1; i < last; ++i) out[i] = static_cast<float>(out[i] + result[i + core_] * norm);
}

}  // namespace velmora::simulation
