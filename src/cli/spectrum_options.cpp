#include "cli/spectrum_options.h"

#include <cmath>
#include <stdexcept>

#include "common/number_format.h"
#include "experiment/corrections.h"
#include "experiment/spectrum_list.h"
#include "experiment/spectrum_units.h"

namespace velmora::cli {

namespace {

/// A correction option checked against the range its text box accepts, then given to the box.
void ApplyLimitedCorrection(AppState& app, const Args& args, const std::string& name, double limit,
                            std::string (*change)(AppState&, std::string_view)) {
    if (!args.Has(name)) return;
    const double v = args.Number(name, 0.0);
    if (std::fabs(v) > limit)
        throw std::invalid_argument("option --" + name + ": " + args.Get(name) + " is outside -" +
                                    Format(limit, "0") + ".." + Format(limit, "0"));
    change(app, args.Get(name));
}

/// The x unit of the spectrum file: 0 automatic, else an axis unit code.
int SpectrumUnits(const Args& args) {
    return ChoiceOption(args, "spectrum-units", {"auto", "vacuum", "air", "cm-1", "nm-vacuum", "nm-air"}, 0);
}

}  // namespace

const std::vector<std::string>& SpectrumOptionNames() {
    static const std::vector<std::string> names = {"spectrum", "spectrum-units", "baseline", "wavelength", "multiply",
                                                   "smooth"};
    return names;
}

void CheckSpectrumOptions(const Args& args) {
    const int smooth = args.Integer("smooth", 0);
    if (smooth < 0 || smooth > 1000) throw std::invalid_argument("option --smooth takes 0..1000 passes");
    if (args.Has("multiply") && !(args.Number("multiply", 1.0) > 0.0))
        throw std::invalid_argument("option --multiply needs a positive factor");
    if (args.Has("spectrum-units")) SpectrumUnits(args);
    for (const char* name : {"spectrum-units", "baseline", "wavelength", "multiply", "smooth"})
        if (args.Has(name) && !args.Has("spectrum"))
            throw std::invalid_argument(std::string("option --") + name + " goes with --spectrum FILE");
}

bool LoadCorrectedSpectrum(AppState& app, const Args& args, std::ostream& err) {
    experiment::LoadSpectrum(app, args.Get("spectrum"), args.Has("spectrum-units") ? SpectrumUnits(args) : 0);
    if (app.exp.ExpCount == 0 || !app.exp.ReadProblem.empty()) {
        if (!app.exp.ReadProblem.empty()) err << app.exp.ReadProblem << "\n";
        return false;
    }
    ApplyLimitedCorrection(app, args, "baseline", 99.0, &experiment::TxtBaseline_Change);
    ApplyLimitedCorrection(app, args, "wavelength", 200.0, &experiment::TxtWavelength_Change);
    if (args.Has("multiply")) experiment::TxtMultiply_Change(app, args.Get("multiply"));
    for (int k = 0, smooth = args.Integer("smooth", 0); k < smooth; ++k) experiment::CmdSmooth_Click(app);
    return true;
}

void PrintComparison(const AppState& app, std::ostream& out) {
    const ExperimentState& exp = app.exp;
    out << exp.LblCorrelation << "\n" << exp.LblDeviation << "\n";
    out << exp.ComparedPoints << " of " << exp.ExpPoints + 1 << " experimental points compared between "
        << Trim(Str(app.sim.Xini)) << " and " << Trim(Str(app.sim.Xend)) << "\n";
    if (exp.ComparedPoints > 0 || !HasExperimentalPoints(exp)) return;
    // No point in the range: most often the x column is in another unit than assumed.
    const auto [low, high] = experiment::SpectrumExtent(exp);
    out << "the spectrum lies at " << Trim(Str(static_cast<float>(low))) << " to " << Trim(Str(static_cast<float>(high)))
        << ": give the unit of its x column with --spectrum-units\n";
}

}  // namespace velmora::cli
