#include "simulation/line_drawing.h"

#include <algorithm>
#include <cmath>

#include "common/numerics.h"

namespace velmora::simulation {

namespace {

/// Converts to int without overflow (positions far beyond the grid).
int RoundIndex(double x) { return RoundHalfEven(std::clamp(x, -1e9, 1e9)); }

/// A binned line: its nearest grid point j, the points it covers as offsets lo..hi from j (within
/// the grid's inner points), and its terms c_k = weight (-t)^k.
struct BinnedLine {
    int j = 0, lo = 0, hi = -1;
    double c[ProfileKernel::kMaxTerms] = {};
};

/// Estimated costs (in multiply-adds) of drawing n binned lines of a kernel directly and of one
/// convolution by FFT of length L: (terms + 1) transforms of about 2.5 L log2 L operations each.
bool FftIsCheaper(std::size_t lines, int terms, int reach, int length) {
    const double direct = static_cast<double>(lines) * terms * (2.0 * reach + 1.0);
    const double fft = (terms + 1.0) * 2.5 * length * std::log2(static_cast<double>(length)) + 4.0 * terms * length;
    return fft < direct;
}

}  // namespace

LineDrawer::LineDrawer(const ProfileGrid& grid, bool squareRoot, ProfileMethod method)
    : grid_(grid), squareRoot_(squareRoot) {
    shared_ = MakeLineShape(grid_, grid_.Xini, 0.0);
    half_ = shared_.halfWindow * grid_.pointsPerWidth;
    // A window spans offsets round(t - half)..round(t + half) from a line's nearest point, |t| <=
    // 1/2: never beyond floor(half) + 1, always at least the core within floor(half) - 1.
    // The lines that share the profile have windows within one point of this one (their cut-off
    // grows with a Lorentzian share that differs by less than kSharedWidthTolerance).
    const int whole = static_cast<int>(std::min(std::floor(half_), 1e6));
    core_ = std::max(whole - 2, -1);
    if (method == ProfileMethod::Convolved && !squareRoot_ && grid_.nPoints >= 2)
        kernel_ = ProfileKernel::Sample(shared_, grid_.step, whole + 2, kBinnedLineTolerance);
}

std::optional<double> LineDrawer::SharedHalfWindow(const DrawnLine& line) const {
    if (!grid_.predissociation) return half_;
    const double gamma = LifetimeWidth(grid_, line.x, line.lifetime);
    if (gamma == 0.0) return half_;
    const LineShape own = MakeLineShape(grid_, line.x, line.lifetime);
    if (std::fabs(own.f - shared_.f) > kSharedWidthTolerance * shared_.f) return std::nullopt;
    return own.halfWindow * grid_.pointsPerWidth;
}

void LineDrawer::DrawOwn(const DrawnLine& line, float* out, DrawStats& stats) const {
    const LineShape shape = MakeLineShape(grid_, line.x, line.lifetime);
    if (shape.last < shape.first) return;
    if (squareRoot_)
        AccumulateSqrtProfile(grid_, shape, line.x, line.strength, line.weight, out);
    else
        AccumulateProfile(grid_, shape, line.x, line.weight, out);
    ++stats.lines;
    stats.profilePoints += shape.last - shape.first + 1;
}

void LineDrawer::PrepareSpectra() {
    if (!termSpectra_.empty()) return;
    const ProfileKernel& kernel = *kernel_;
    fftLength_ = RealFft::FastLength(grid_.nPoints + 2 * core_ + 1);
    const RealFft& fft = RealFft::OfLength(fftLength_);
    FftArray<double> term = AllocateReal(static_cast<std::size_t>(fftLength_));
    for (int k = 0; k < kernel.Terms(); ++k) {
        // The core offsets -core..core, wrapped around: the convolution is circular.
        std::fill(term.get(), term.get() + fftLength_, 0.0);
        for (int m = -core_; m <= core_; ++m) term[static_cast<std::size_t>((m + fftLength_) % fftLength_)] = kernel.Term(k)[m + kernel.Reach()];
        termSpectra_.push_back(AllocateComplex(static_cast<std::size_t>(fft.SpectrumLength())));
        fft.Forward(term.get(), termSpectra_.back().get());
    }
}

void LineDrawer::Draw(const std::vector<DrawnLine>& lines, float* out, DrawStats& stats) {
    if (!kernel_) {
        for (const DrawnLine& line : lines) DrawOwn(line, out, stats);
        return;
    }
    const ProfileKernel& kernel = *kernel_;
    const int terms = kernel.Terms(), reach = kernel.Reach(), last = grid_.nPoints;
    const double scale = grid_.pointsPerWidth / grid_.gridWidth;  // grid steps per axis unit

    // Bin the lines of the shared profile; draw the others on their own.
    std::vector<BinnedLine> binned;
    binned.reserve(lines.size());
    for (const DrawnLine& line : lines) {
        const std::optional<double> half = SharedHalfWindow(line);
        if (!half) {
            DrawOwn(line, out, stats);
            continue;
        }
        const double ic = (line.x - grid_.Xini) * scale;
        BinnedLine b;
        b.j = RoundIndex(ic);
        const double t = ic - b.j;
        b.lo = std::max({RoundIndex(ic - *half), 1, b.j - reach}) - b.j;
        b.hi = std::min({RoundIndex(ic + *half), last - 1, b.j + reach}) - b.j;
        if (b.hi < b.lo) continue;
        double power = line.weight;
        for (int k = 0; k < terms; ++k, power *= -t) b.c[k] = power;
        ++stats.lines;
        stats.profilePoints += b.hi - b.lo + 1;
        binned.push_back(b);
    }
    if (binned.empty()) return;

    const int length = RealFft::FastLength(last + 2 * core_ + 1);
    if (core_ < 1 || !FftIsCheaper(binned.size(), terms, reach, length)) {
        // Directly: each line adds its terms over its window.
        for (const BinnedLine& b : binned) {
            float* o = out + b.j;
            for (int k = 0; k < terms; ++k) {
                const float ck = static_cast<float>(b.c[k]);
                const float* T = kernel.Term(k) + reach;
#pragma omp simd
                for (int m = b.lo; m <= b.hi; ++m) o[m] += ck * T[m];
            }
        }
        return;
    }

    // By FFT: the terms of every line summed at its nearest point, convolved with the core of the
    // kernel; the points beyond the core, where windows differ from line to line, directly.
    PrepareSpectra();
    const RealFft& fft = RealFft::OfLength(fftLength_);
    const std::size_t L = static_cast<std::size_t>(fftLength_);
    const std::size_t H = static_cast<std::size_t>(fft.SpectrumLength());
    FftArray<double> sums = AllocateReal(L * static_cast<std::size_t>(terms));
    for (const BinnedLine& b : binned) {
        if (b.j <= last + core_)
            for (int k = 0; k < terms; ++k) sums[static_cast<std::size_t>(k) * L + static_cast<std::size_t>(b.j)] += b.c[k];
        auto edge = [&](int from, int to) {
            for (int m = from; m <= to; ++m) {
                double value = 0.0;
                for (int k = 0; k < terms; ++k) value += b.c[k] * kernel.Term(k)[m + reach];
                out[b.j + m] = static_cast<float>(out[b.j + m] + value);
            }
        };
        edge(b.lo, std::min(b.hi, -core_ - 1));
        edge(std::max(b.lo, core_ + 1), b.hi);
    }
    FftArray<std::complex<double>> product = AllocateComplex(H);
    FftArray<std::complex<double>> spectrum = AllocateComplex(H);
    for (int k = 0; k < terms; ++k) {
        fft.Forward(sums.get() + static_cast<std::size_t>(k) * L, spectrum.get());
        const std::complex<double>* T = termSpectra_[static_cast<std::size_t>(k)].get();
        for (std::size_t q = 0; q < H; ++q) product[q] += spectrum[q] * T[q];
    }
    FftArray<double> result = AllocateReal(L);
    fft.Backward(product.get(), result.get());
    const double norm = 1.0 / static_cast<double>(L);
    for (int i = 1; i < last; ++i) out[i] = static_cast<float>(out[i] + result[static_cast<std::size_t>(i)] * norm);
}

}  // namespace velmora::simulation
