// Speed of spectrum fits on the shipped database:
//
//   OH A-X emission, 3000 points 3060-3200 Å, 1 % noise, free T, scale, baseline, shift and
//   Gaussian width, start 1000 K (truth 2000 K, 0.233 Å);
//   the same with two systems: CN B-X and N2+ B-X, 3000 points 3850-3920 Å, each with its own
//   temperature and scale;
//   a batch of 200 OH spectra files on 1 and 2 threads (spectra per second).
//
// The spectra are drawn by the fit's own model at the truth, with Gaussian noise of a fixed seed.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/numerics.h"
#include "common/text_writer.h"
#include "fit/batch.h"
#include "fit/fit_spectrum.h"
#include "fit/spectrum_model.h"
#include "program/startup.h"
#include "shipped_catalogue.h"

namespace {

using namespace velmora;

const DatabaseState& Database() { return bench::ShippedCatalogue(); }

fit::FitSystem System(const std::string& molecule, const std::string& label) {
    const Catalogue& cat = Database().cat;
    for (int i = 1; i <= cat.CatalogueCount; ++i)
        if (cat.MoleculeName(i) == molecule && Trim(cat.SystemLabel(i)) == label)
            return fit::LoadFitSystem(Database(), i, simulation::SimulationConditions());
    throw std::runtime_error(molecule + " " + label + " is not in the shipped catalogue");
}

/// A spectrum of the systems at their temperatures and integrated intensities, 3000 points from
/// x0 to x1, Gaussian instrument of FWHM gauss, shifted, on a baseline, with noise of σ.
fit::MeasuredSpectrum Synthetic(const std::vector<fit::FitSystem>& systems, const std::vector<double>& T,
                                const std::vector<double>& area, double x0, double x1, double gauss, double sigma,
                                std::uint32_t seed) {
    const int n = 3000;
    fit::MeasuredSpectrum m;
    m.source = "synthetic";
    for (int i = 0; i < n; ++i) m.x.push_back(x0 + (x1 - x0) * i / (n - 1));
    m.y.assign(n, 5.0);
    simulation::SimulationConditions c;
    for (std::size_t s = 0; s < systems.size(); ++s) {
        fit::SystemTracer tracer(systems[s], c, x0 - 5, x1 + 5, x0, x1, fit::IntensityConvention::PhotonCounts, false,
                                 14);
        fit::SystemValues v;
        v.rotationalT = v.vibrationalT = T[s], v.gauss = gauss;
        const fit::SystemTrace t = tracer.Trace(v);
        for (int i = 0; i < n; ++i) m.y[i] += area[s] * fit::Interpolate(t.grid, t.total, m.x[i] - 0.02).value;
    }
    GaussianDeviate noise(seed);
    for (double& y : m.y) y += sigma * noise.Next();
    return m;
}

fit::FitRequest Request(const std::vector<fit::FitSystem>& systems, fit::MeasuredSpectrum m) {
    fit::FitRequest r;
    r.systems = systems;
    r.spectrum = std::move(m);
    r.conditions.temperature = 1000.0;
    r.conditions.resolution = 0.15;
    r.settings.free = {"t", "scale", "baseline", "shift", "gauss"};
    return r;
}

const fit::FitSystem& OH() {
    static const fit::FitSystem s = System("OH", "(A-X)");
    return s;
}

/// An OH spectrum peaking near 100, noise 1 % of the peak.
fit::MeasuredSpectrum OHSpectrum(std::uint32_t seed) {
    return Synthetic({OH()}, {2000.0}, {1500.0}, 3060.0, 3200.0, 0.233, 1.0, seed);
}

/// Fits the request once per iteration, each time with the spectra drawn by earlier fits of the
/// systems forgotten; reports the evaluations, iterations and the first temperature.
void TimeFits(benchmark::State& state, const fit::FitRequest& r) {
    fit::FitResult result;
    for (auto _ : state) {
        fit::FitRequest fresh = r;
        for (fit::FitSystem& s : fresh.systems) s.traces = std::make_shared<fit::TraceCache>();
        result = fit::FitSpectrum(fresh);
        benchmark::DoNotOptimize(result.chiSquare);
    }
    state.counters["evaluations"] = result.evaluations;
    state.counters["iterations"] = result.iterations;
    state.counters["T"] = result.parameters.front().value;
}

void BM_Fit_OH_3000Points(benchmark::State& state) { TimeFits(state, Request({OH()}, OHSpectrum(1))); }

void BM_Fit_CN_N2plus_TwoSystems(benchmark::State& state) {
    static const fit::FitSystem cn = System("CN", "(B-X)"), n2 = System("N2+", "(B-X)");
    TimeFits(state,
             Request({cn, n2}, Synthetic({cn, n2}, {5000.0, 3000.0}, {1000.0, 600.0}, 3850.0, 3920.0, 0.1, 1.0, 2)));
}

/// 200 OH spectra files fitted on state.range(0) threads; reports spectra per second.
void BM_FitBatch_200Files(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmora_fit_bench";
    std::filesystem::create_directories(folder);
    std::vector<std::string> files;
    for (int k = 0; k < 200; ++k) {
        const fit::MeasuredSpectrum m = OHSpectrum(100 + k);
        const std::string path = (folder / ("oh" + std::to_string(k) + ".txt")).string();
        AtomicTextWriter out(path);
        for (std::size_t i = 0; i < m.x.size(); ++i)
            out.WriteLine(Format(m.x[i], "0.0####") + " " + Format(m.y[i], "0.0###"));
        out.Commit();
        files.push_back(path);
    }
    const fit::FitRequest r = Request({OH()}, fit::MeasuredSpectrum());
    std::size_t fitted = 0;
    for (auto _ : state) {
        const std::vector<fit::BatchRow> rows = fit::FitBatch(r, files, static_cast<int>(state.range(0)));
        fitted = 0;
        for (const fit::BatchRow& row : rows) fitted += row.outcome == fit::BatchOutcome::Fitted;
    }
    if (fitted != files.size()) state.SkipWithError("a spectrum of the batch was not fitted");
    state.counters["spectra_per_second"] =
        benchmark::Counter(static_cast<double>(files.size()), benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_Fit_OH_3000Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fit_CN_N2plus_TwoSystems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitBatch_200Files)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
