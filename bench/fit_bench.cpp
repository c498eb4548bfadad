// Speed of spectrum fits on the shipped database:
//
//   OH A-X emission, 3000 points 3060-3200 Å, 1 % noise, free T, scale, baseline, shift and
//   Gaussian width, start 1000 K (truth 2000 K, 0.233 Å);
//   the same with two systems: CN B-X and N2+ B-X, 3000 points 3850-3920 Å, each with its own
//   temperature and scale;
//   a batch of 200 OH spectra files on 1 and 2 threads (spectra per second);
//   the OH fit's local fit alone against the same with the diagnostics and the correlated-
//   residual uncertainties (no pre-scan, so one local fit each), and with its bands as components;
//   a block bootstrap of the OH fit, 200 resamples on 2 threads;
//   the species search over the whole catalogue for a 200-point window of the OH fit.
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
#include "fit/bootstrap.h"
#include "fit/fit_spectrum.h"
#include "fit/identify.h"
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

/// 200 OH spectra files fitted on state.range(0) threads, each from the result of the file before
/// it when state.range(1) is 1 (the batch's default), else from the request; reports spectra per second.
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
    // Each fit on one thread, as the command line's --jobs gives it: the rate is per core. The
    // command line's batch writes no components of the model.
    fit::FitRequest r = Request({OH()}, fit::MeasuredSpectrum());
    r.options.threads = 1;
    r.options.components = fit::ComponentDetail::Systems;
    std::size_t fitted = 0;
    for (auto _ : state) {
        const std::vector<fit::BatchRow> rows =
            fit::FitBatch(r, files, {static_cast<int>(state.range(0)), state.range(1) != 0});
        fitted = 0;
        for (const fit::BatchRow& row : rows) fitted += row.outcome == fit::BatchOutcome::Fitted;
    }
    if (fitted != files.size()) state.SkipWithError("a spectrum of the batch was not fitted");
    state.counters["spectra_per_second"] =
        benchmark::Counter(static_cast<double>(files.size()), benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove_all(folder);
}

/// The OH request without the pre-scan (one local fit from 1000 K), components as asked.
fit::FitRequest LocalOH(fit::ComponentDetail components) {
    fit::FitRequest r = Request({OH()}, OHSpectrum(1));
    r.options.scanPoints = 0;
    r.options.components = components;
    return r;
}

void BM_Fit_OH_LocalFitOnly(benchmark::State& state) {
    const fit::FitRequest r = LocalOH(fit::ComponentDetail::Systems);
    for (auto _ : state) benchmark::DoNotOptimize(fit::FitFromStart(r).chiSquare);
}

void BM_Fit_OH_WithDiagnostics(benchmark::State& state) { TimeFits(state, LocalOH(fit::ComponentDetail::Systems)); }

void BM_Fit_OH_WithBandComponents(benchmark::State& state) { TimeFits(state, LocalOH(fit::ComponentDetail::Bands)); }

/// 200 block-bootstrap resamples of the OH fit fitted again on 2 threads (the fit itself once,
/// outside the timing).
void BM_Bootstrap_OH_200Resamples_2Threads(benchmark::State& state) {
    fit::FitRequest r = Request({OH()}, OHSpectrum(1));
    r.options.components = fit::ComponentDetail::Systems;
    const fit::FitResult fitted = fit::FitSpectrum(r);
    r.options.bootstrap = 200;
    r.options.threads = 2;
    for (auto _ : state) {
        fit::FitResult result = fitted;
        fit::BootstrapUncertainties(r, result);
        benchmark::DoNotOptimize(result.uncertaintyDetail.front().bootstrap);
        state.counters["converged"] = result.bootstrap.converged;
    }
}

/// Every other band system of the catalogue tried on the residual of an OH fit over 200 points
/// (3080-3090 Å), on 2 threads (the fit once, outside the timing).
void BM_Identify_Catalogue_200Points(benchmark::State& state) {
    fit::MeasuredSpectrum m = OHSpectrum(3);
    fit::MeasuredSpectrum window;
    window.source = m.source;
    for (std::size_t i = 0; i < m.x.size(); ++i)
        if (m.x[i] >= 3080.0 && window.x.size() < 200) window.x.push_back(m.x[i]), window.y.push_back(m.y[i]);
    fit::FitRequest r = Request({OH()}, window);
    r.options.threads = 2;
    const fit::FitResult fitted = fit::FitSpectrum(r);
    std::size_t candidates = 0;
    for (auto _ : state) candidates = fit::IdentifySpecies(r, fitted, Database()).candidates.size();
    state.counters["candidates"] = static_cast<double>(candidates);
}

}  // namespace

BENCHMARK(BM_Fit_OH_3000Points)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fit_OH_LocalFitOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fit_OH_WithDiagnostics)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fit_OH_WithBandComponents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bootstrap_OH_200Resamples_2Threads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Identify_Catalogue_200Points)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Fit_CN_N2plus_TwoSystems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitBatch_200Files)
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
