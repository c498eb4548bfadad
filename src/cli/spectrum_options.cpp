#include "cli/spectrum_options.h"

#include <cmath>
#include <stdexcept>

#include "common/number_format.h"
#include "experiment/comparison.h"
#include "experiment/corrections.h"
#include "experiment/response_calibration.h"
#include "experiment/spectrum_formats.h"
#include "experiment/spectrum_list.h"
#include "experiment/spectrum_units.h"
#include "simulation/conditions.h"

namespace velmora::cli {

namespace {

/// A correction option checked against the range its text box accepts, then given to the box.
void ApplyLimitedCorrection(AppState& app, const Args& args, const std::string& name, double limit,
                            std::string (*change)(experiment::ExperimentView, std::string_view)) {
    if (!args.Has(name)) return;
    const double v = args.Number(name, 0.0);
    if (std::fabs(v) > limit)
        throw std::invalid_argument("option --" + name + ": " + args.Get(name) + " is outside -" + Format(limit, "0") +
                                    ".." + Format(limit, "0"));
    change(app, args.Get(name));
}

/// The x unit of the spectrum file: 0 automatic, else an axis unit code.
int SpectrumUnits(const Args& args) {
    return ChoiceOption(args, "spectrum-units", {"auto", "vacuum", "air", "cm-1", "nm-vacuum", "nm-air"}, 0);
}

}  // namespace

const std::vector<std::string>& SpectrumOptionNames() {
    static const std::vector<std::string> names = {"spectrum", "spectrum-units", "column",   "response",
                                                   "baseline", "wavelength",     "multiply", "smooth"};
    return names;
}

void CheckSpectrumOptions(const Args& args) {
    const int smooth = args.Integer("smooth", 0);
    if (smooth < 0 || smooth > 1000) throw std::invalid_argument("option --smooth takes 0..1000 passes");
    // The box takes a factor of 0 or less as 1: on the command line that is an error.
    if (args.Has("multiply") &&
        !(args.Number("multiply", 1.0) > 0.0 && args.Number("multiply", 1.0) <= experiment::kMaxMultiply))
        throw std::invalid_argument("option --multiply: " + args.Get("multiply") + " is outside 0 (excluded).." +
                                    Format(experiment::kMaxMultiply, "0"));
    CheckReadingOptions(args);
    for (const char* name : {"spectrum-units", "column", "response", "baseline", "wavelength", "multiply", "smooth"})
        if (args.Has(name) && !args.Has("spectrum"))
            throw std::invalid_argument(std::string("option --") + name + " goes with --spectrum FILE");
}

void CheckReadingOptions(const Args& args) {
    if (args.Has("spectrum-units")) SpectrumUnits(args);
    for (const char* name : {"column", "sigma-column"})
        if (args.Has(name) && !(args.Integer(name, 0) >= 1 && args.Integer(name, 0) <= experiment::kMaxIntensityColumn))
            throw std::invalid_argument(std::string("option --") + name + " takes 1.." +
                                        std::to_string(experiment::kMaxIntensityColumn));
}

experiment::SpectrumReading SpectrumReadingFromOptions(const Args& args, int axisUnits) {
    CheckReadingOptions(args);
    return {args.Has("spectrum-units") ? SpectrumUnits(args) : experiment::kAutomaticXUnit, axisUnits,
            args.Integer("column", 0), args.Integer("sigma-column", 0)};
}

bool LoadCorrectedSpectrum(AppState& app, const Args& args) {
    if (args.Has("response")) {
        const std::string problem = experiment::LoadResponse(app, args.Get("response"));
        if (!problem.empty()) {
            app.dialogs->ShowMessage(problem);
            return false;
        }
    }
    // The intensity column is a property of the loaded spectrum, as in the program (0: automatic).
    const experiment::SpectrumReading how =
        SpectrumReadingFromOptions(args, simulation::StoredValue(app.sim.conditions.unit));
    experiment::LoadSpectrum(app, args.Get("spectrum"), how.xUnit, how.column);
    if (app.exp.ExpCount == 0 || !app.exp.ReadProblem.empty() || !app.exp.ResponseProblem.empty()) return false;
    ApplyLimitedCorrection(app, args, "baseline", 99.0, &experiment::TxtBaseline_Change);
    ApplyLimitedCorrection(app, args, "wavelength", 200.0, &experiment::TxtWavelength_Change);
    if (args.Has("multiply")) experiment::TxtMultiply_Change(app, args.Get("multiply"));
    for (int k = 0, smooth = args.Integer("smooth", 0); k < smooth; ++k) experiment::CmdSmooth_Click(app);
    return true;
}

bool PrintComparison(const AppState& app, const std::string& command, const std::string& notice, std::ostream& out,
                     std::ostream& err) {
    const ExperimentState& exp = app.exp;
    if (exp.ComparedPoints == 0) {
        // Most often the x column is in another unit than assumed.
        err << "velmora-cli " << command << ": "
            << experiment::NothingComparedReason(exp, app.sim.result, simulation::AxisUnitName(app.sim.conditions.unit))
            << "; give the unit of its x column with --spectrum-units\n";
        return false;
    }
    if (!exp.CompareProblem.empty()) {
        err << "velmora-cli " << command << ": nothing to compare: " << exp.CompareProblem << "\n";
        return false;
    }
    if (!std::isfinite(exp.ChiSquare)) {
        err << "velmora-cli " << command << ": the chi-square exceeds single precision (intensities near 1e38)\n";
        return false;
    }
    out << exp.LblCorrelation << "\n" << exp.LblDeviation << "\n";
    out << exp.ComparedPoints << " of " << exp.ExpPoints + 1 << " experimental points compared between "
        << Trim(Str(static_cast<float>(app.sim.result.conditions.start))) << " and "
        << Trim(Str(static_cast<float>(app.sim.result.conditions.end))) << (notice.empty() ? "" : "; " + notice)
        << "\n";
    return true;
}

}  // namespace velmora::cli
