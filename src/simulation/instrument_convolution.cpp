#include "simulation/instrument_convolution.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "simulation/fft.h"
#include "simulation/instrument_function.h"
#include "simulation/lineshapes.h"

namespace velmora::simulation {

namespace {

/// Grid points an instrument function may reach on each side of a line.
constexpr int kMaxInstrumentReach = 1000000;

/// Direct sums up to this many kernel points; longer kernels of a constant width go by FFT.
constexpr int kDirectKernel = 64;

/// Lines of a level whose shared molecular profile is narrower than two steps: a line whose
/// lifetime widens it to two steps is drawn with its own profile into `work` (to be convolved);
/// any other adds the instrument function of its position, averaged over each grid cell at the
/// line's exact offset, directly onto `sum` (the points of the range).
template <typename ScaleAt>
void DrawNarrowLines(const ProfileGrid& g, const std::vector<DrawnLine>& lines, const InstrumentFunction& instrument,
                     ScaleAt scaleAt, const SpectralGrid& range, float* work, std::vector<double>& sum,
                     DrawStats& stats) {
    const double h = range.Step();
    for (const DrawnLine& line : lines) {
        const double gamma = g.predissociation ? LifetimeWidth(g, line.x, line.lifetime) : 0.0;
        if (VoigtWidth(g.lorentzWidth + gamma, g.gaussWidthSq) >= 2.0 * h) {
            const LineShape shape = MakeLineShape(g, line.x, line.lifetime);
            if (shape.last < shape.first) continue;
            AccumulateProfile(g, shape, line.x, line.weight, work);
            ++stats.lines;
            stats.profilePoints += shape.last - shape.first + 1;
            continue;
        }
        const double s = scaleAt(line.x), reach = instrument.Extent() * s + h;
        const double ic = (line.x - range.start) / h;
        const int first = std::max(0, static_cast<int>(std::floor(ic - reach / h)));
        const int last = std::min(range.last, static_cast<int>(std::ceil(ic + reach / h)));
        if (last < first) continue;
        double below = instrument.Cumulative((range.X(first) - line.x - h / 2.0) / s);
        for (int i = first; i <= last; ++i) {
            const double above = instrument.Cumulative((range.X(i) - line.x + h / 2.0) / s);
            sum[static_cast<std::size_t>(i)] += line.weight * (above - below) / h;
            below = above;
        }
        ++stats.lines;
        stats.profilePoints += last - first + 1;
    }
}

/// sum[i] += sum_m kernel[m + R] work[i + margin - m], i = 0..last: a constant instrument width.
void ConvolveConstant(const std::vector<float>& work, const std::vector<double>& kernel, int margin,
                      std::vector<double>& out, int last) {
    const int R = static_cast<int>(kernel.size() / 2);
    if (static_cast<int>(kernel.size()) <= kDirectKernel) {
        for (int i = 0; i <= last; ++i) {
            double sum = 0.0;
            for (int m = -R; m <= R; ++m)
                sum += kernel[static_cast<std::size_t>(m + R)] * work[static_cast<std::size_t>(i + margin - m)];
            out[static_cast<std::size_t>(i)] += sum;
        }
        return;
    }
    // Linear convolution by FFT: conv[n] = sum_j kernel[j] work[n - j]; out[i] = conv[i + margin + R].
    const int n = static_cast<int>(work.size());
    const RealFft& fft = RealFft::OfLength(RealFft::FastLength(n + 2 * R + 1));
    const std::size_t L = static_cast<std::size_t>(fft.Length()), H = static_cast<std::size_t>(fft.SpectrumLength());
    FftArray<double> a = AllocateReal(L), b = AllocateReal(L);
    std::copy(work.begin(), work.end(), a.get());
    std::copy(kernel.begin(), kernel.end(), b.get());
    FftArray<std::complex<double>> fa = AllocateComplex(H), fb = AllocateComplex(H);
    fft.Forward(a.get(), fa.get());
    fft.Forward(b.get(), fb.get());
    for (std::size_t q = 0; q < H; ++q) fa[q] *= fb[q];
    fft.Backward(fa.get(), a.get());
    for (int i = 0; i <= last; ++i)
        out[static_cast<std::size_t>(i)] += a[static_cast<std::size_t>(i + margin + R)] / static_cast<double>(L);
}

}  // namespace

void DrawThroughInstrument(const BandSystemModel& model, const SimulationConditions& c,
                           const populations::Populations& populations, const Broadening& widths,
                           const SpectralGrid& grid, ProfileMethod method, const Progress& progress,
                           Array2<float>& bands, DrawStats& stats) {
    const LineSource source = [&](double start, double end) {
        return BuildLineList(model, c, populations, widths.lineShift, start, end, progress);
    };
    DrawThroughInstrument(source, c, widths, grid, method, bands, stats);
}

void DrawThroughInstrument(const LineSource& source, const SimulationConditions& c, const Broadening& widths,
                           const SpectralGrid& grid, ProfileMethod method, Array2<float>& bands, DrawStats& stats) {
    const double nuC = RangeCentreWavenumber(c);
    const InstrumentFunction instrument = InstrumentFor(c, nuC);
    const double baseScale = c.lineshape == Lineshape::Measured ? c.slitScale : 1.0;
    const double step = grid.Step();
    const double first = grid.X(0), last = grid.X(grid.last);

    // Width at x as a multiple of the width at the range centre.
    const double w0 = InstrumentWidth(c, nuC), centre = (first + last) / 2.0;
    auto scaleAt = [&](double x) {
        return baseScale * (1.0 + c.resolutionSlope * (std::clamp(x, first, last) - centre) / w0);
    };
    const double smallest = std::min(scaleAt(first), scaleAt(last)) / baseScale;
    if (!(smallest > 0.0))
        throw ConditionError(
            "the instrumental width would fall to 0 within the range: the change across it is too large");
    const double largest = std::max(scaleAt(first), scaleAt(last));
    const double points = instrument.Extent() * largest / step;
    if (!(points <= kMaxInstrumentReach))
        throw ConditionError("the instrument function reaches over more than " + std::to_string(kMaxInstrumentReach) +
                             " grid points on each side: its offsets are too wide for this range and resolution");
    const int reach = static_cast<int>(std::ceil(points)) + 1;
    const int margin = reach + 2;

    // The grid widened by the margin on both sides: point i of the range is point i + margin.
    SpectralGrid wide = grid;
    wide.start = grid.X(-margin);
    wide.last = grid.last + 2 * margin;
    const LineList lines = source(wide.X(0), wide.X(wide.last));

    const Broadening molecular = MolecularBroadening(widths);
    const ProfileGrid g = MakeProfileGrid(wide, molecular, c.predissociationBroadening, c.unit);
    std::optional<LineDrawer> drawer;
    if (molecular.totalWidth >= 2.0 * step) drawer.emplace(g, false, method);

    const std::vector<double> constantKernel =
        c.resolutionSlope == 0.0 ? instrument.CellAverages(step, baseScale, reach) : std::vector<double>();
    std::vector<float> work(static_cast<std::size_t>(wide.last) + 1);
    std::vector<double> sum, kernel;
    for (std::size_t k = 0; k < lines.levels.size(); ++k) {
        std::fill(work.begin(), work.end(), 0.0f);
        sum.assign(static_cast<std::size_t>(grid.last) + 1, 0.0);
        if (drawer)
            drawer->Draw(lines.levels[k], work.data(), stats);
        else
            DrawNarrowLines(g, lines.levels[k], instrument, scaleAt, grid, work.data(), sum, stats);
        if (!constantKernel.empty()) {
            ConvolveConstant(work, constantKernel, margin, sum, grid.last);
        } else {
            // Each point spread with the function of its own width, resampled as the width moves.
            double kernelScale = 0.0;
            for (int j = 0; j <= wide.last; ++j) {
                const double v = work[static_cast<std::size_t>(j)];
                if (v == 0.0) continue;
                const double s = scaleAt(wide.X(j));
                if (std::fabs(s - kernelScale) > kDispersionTolerance * s) {
                    kernel = instrument.CellAverages(step, s, reach);
                    kernelScale = s;
                }
                const int lo = std::max(-reach, -(j - margin)), hi = std::min(reach, grid.last - (j - margin));
                for (int m = lo; m <= hi; ++m)
                    sum[static_cast<std::size_t>(j - margin + m)] += v * kernel[static_cast<std::size_t>(m + reach)];
            }
        }
        float* out = &bands(static_cast<int>(k) + 1, 0);
        for (int i = 0; i <= grid.last; ++i) out[i] = static_cast<float>(sum[static_cast<std::size_t>(i)]);
    }
}

}  // namespace velmora::simulation
