// velmora-cli boltzmann: the Boltzmann plot of the upper rotational levels of one v' from an
// emission spectrum, as CSV and SVG, with the rotational temperature of its straight line.
#include <ostream>
#include <stdexcept>

#include "cli/fit_options.h"
#include "cli/simulate_options.h"
#include "display/fit_plot.h"
#include "fit/batch.h"
#include "fit/boltzmann_plot.h"
#include "fit/fit_report.h"

namespace velmora::cli {

namespace {

int RunBoltzmann(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const Args args(words, kSimulationFlags);
    std::vector<std::string> known = SimulationOptionNames();
    for (const std::string& name : FitOptionNames())
        if (name != "jobs" && name != "residuals") known.push_back(name);
    known.push_back("v");
    RejectUnknownOptions(args, known, " (velmora-cli help lists the options)");
    const std::vector<std::string> files = SpectrumFiles(args);
    if (files.size() != 1) throw std::invalid_argument("option --spectrum: a Boltzmann plot takes one spectrum file");
    const int v = args.Integer("v", 0);
    if (v < 0) throw std::invalid_argument("option --v: a vibrational level is 0 or more");
    fit::FitRequest r = FitRequestFromOptions(args);
    r.spectrum = fit::ReadMeasuredSpectrum(files.front(), fit::FileReading(r));
    if (!r.spectrum.notice.empty()) err << r.spectrum.notice << "\n";
    const fit::BoltzmannPlot plot = fit::FitBoltzmannPlot(r, v);
    int used = 0;
    for (const fit::BoltzmannLevel& l : plot.levels) used += l.used;
    // A line list's upper levels are one set: no v' to name.
    out << files.front() << ": " << plot.system;
    if (!r.systems.front().lineList) out << " v' = " << v;
    out << "\n";
    out << "T = " << fit::ValueWithUncertainty(plot.temperature, plot.temperatureSigma, true) << " K from " << used
        << " of " << plot.levels.size() << (r.systems.front().lineList ? " upper" : " rotational")
        << " levels (reduced chi-square of the line " << std::to_string(plot.reducedChiSquare).substr(0, 5) << ")\n";
    out << "spectrum fit: t = "
        << fit::ValueWithUncertainty(plot.spectrumFit.Value("t"), plot.spectrumFit.Uncertainty("t"), true) << " K\n";
    for (const std::string& w : plot.warnings) out << "warning: " << w << "\n";
    if (args.Has("out")) fit::WriteBoltzmannCsv(args.Get("out"), plot);
    if (args.Has("svg")) display::WriteBoltzmannSvg(args.Get("svg"), plot);
    return 0;
}

const bool registered = RegisterCommand(
    {"boltzmann",
     "boltzmann --entry N --spectrum FILE [--v V] [--out FILE.csv] [--svg FILE.svg] [fit and simulation options]\n"
     "        fits the populations of the upper rotational levels of v' = V (default 0) one by one from an\n"
     "        emission spectrum and the straight line of ln(N/g) against their energy: T ± σ. With\n"
     "        --line-list FILE in place of --entry, every upper level of the list with lines in the range\n"
     "        (its energy and g from the list, its lines from their A values) as v' = 0",
     &RunBoltzmann});

}  // namespace

}  // namespace velmora::cli
