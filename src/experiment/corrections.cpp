#include "experiment/corrections.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/number_format.h"
#include "experiment/comparison.h"
#include "experiment/experiment_view.h"
#include "populations/population_model.h"

namespace velmora::experiment {

namespace {

/// A value as a text box shows it after the program rewrote it ("0", "1.5", "-20").
std::string BoxText(float value) { return Trim(Str(value)); }

/// Last index valid in every corrected array.
int LastPoint(const ExperimentState& exp) {
    return std::min({exp.ExpPoints, exp.ExpXRaw.Hi(), exp.ExpYRaw.Hi(), exp.ExpX.Hi(), exp.ExpY.Hi()});
}

ExpFile* CurrentRecord(ExperimentState& exp) {
    if (exp.ExpCount <= 0 || exp.ExpCurrent < 0 || exp.ExpCurrent >= static_cast<int>(exp.ExpFiles.size()))
        return nullptr;
    return &exp.ExpFiles[static_cast<std::size_t>(exp.ExpCurrent)];
}

/// y of point i: the raw y under the baseline and factor in force.
float CorrectedY(const ExperimentState& exp, int i) {
    return static_cast<float>((static_cast<double>(exp.ExpYRaw(i)) - exp.Baseline) * exp.Multiply);
}

/// ExpY from the raw y and the baseline and factor in force (undoes unsaved subtractions).
void RecomputeY(ExperimentState& exp) {
    const int last = LastPoint(exp);
    for (int i = 0; i <= last; ++i) exp.ExpY(i) = CorrectedY(exp, i);
}

}  // namespace

void ApplyCorrections(ExperimentState& exp) {
    const int last = LastPoint(exp);
    for (int i = 0; i <= last; ++i) {
        exp.ExpX(i) = static_cast<float>(static_cast<double>(exp.ExpXRaw(i)) - exp.WavelengthCorrection);
        exp.ExpY(i) = CorrectedY(exp, i);
    }
}

namespace {

/// A correction box with a magnitude limit: a number within it is taken and applied, a number
/// beyond it is refused (the box shows the value in force), other text is ignored. The value
/// in force goes into the current file's record either way; then the plot is redrawn.
std::string LimitedCorrection_Change(ExperimentView app, std::string_view text, double limit, float& value,
                                     float ExpFile::*recordField, std::string& boxText) {
    ExperimentState& exp = app.exp;
    std::string shown(text);
    if (IsNumeric(text)) {
        const double v = Val(text);
        if (std::fabs(v) <= limit) {
            value = static_cast<float>(v);
            if (exp.ExpCount > 0) ApplyCorrections(exp);
        } else {
            shown = BoxText(value);
        }
    }
    if (ExpFile* rec = CurrentRecord(exp)) rec->*recordField = value;
    boxText = shown;
    app.RequestRedraw();
    return shown;
}

}  // namespace

std::string TxtBaseline_Change(ExperimentView app, std::string_view text) {
    return LimitedCorrection_Change(app, text, 99.0, app.exp.Baseline, &ExpFile::Baseline, app.exp.TxtBaseline);
}

std::string TxtWavelength_Change(ExperimentView app, std::string_view text) {
    return LimitedCorrection_Change(app, text, 200.0, app.exp.WavelengthCorrection, &ExpFile::Wavelength,
                                    app.exp.TxtWavelength);
}

std::string TxtMultiply_Change(ExperimentView app, std::string_view text) {
    ExperimentState& exp = app.exp;
    // A factor beyond kMaxMultiply is ignored like a non-number: the spectrum would leave the
    // range where its sums and squares stay finite.
    if (IsNumeric(text) && Val(text) <= kMaxMultiply) {
        const double v = Val(text);
        exp.Multiply = v > 0.0 ? static_cast<float>(v) : 1.0f;
        if (!(exp.Multiply > 0.0f)) exp.Multiply = 1.0f;  // a positive value below float range
        if (exp.ExpCount > 0) {
            if (ExpFile* rec = CurrentRecord(exp)) rec->Multiply = exp.Multiply;
            ApplyCorrections(exp);
        }
    }
    exp.TxtMultiply = std::string(text);
    app.RequestRedraw();
    return exp.TxtMultiply;
}

std::string TxtNoise_Change(ExperimentView app, std::string_view text) {
    if (text.empty()) {
        app.exp.TxtNoise.clear();
        return {};
    }
    std::string shown(text);
    double v = 0.0;
    if (IsNumeric(text)) v = Val(text);
    if (!IsNumeric(text) || v < 0.0 || v >= 100.0) {
        shown = "0";
        v = 0.0;
    }
    app.sim.NoiseLevel = static_cast<float>(v);
    app.exp.TxtNoise = shown;
    app.RequestRedraw();
    return shown;
}

void CmbResiduals_Click(ExperimentView app, std::string_view text) {
    static constexpr std::string_view scales[] = {"1%", "2%", "5%", "10%", "20%", "50%"};
    int scale = 0;
    for (std::string_view s : scales)
        if (text == s) scale = static_cast<int>(Val(s));
    app.exp.ResidualScale = scale;
    app.exp.CmbResiduals = std::string(text);
    app.RequestRedraw();
}

void CmdSmooth_Click(ExperimentView app) {
    ExperimentState& exp = app.exp;
    if (exp.ExpCount <= 0) return;
    const int last = LastPoint(exp);
    if (last >= 2) {
        // Binomial 1-2-1 filter on the unsmoothed neighbours; the end points stay.
        double previous = exp.ExpYRaw(0);
        for (int i = 1; i <= last - 1; ++i) {
            const double here = exp.ExpYRaw(i);
            exp.ExpYRaw(i) = static_cast<float>(0.25 * previous + 0.5 * here + 0.25 * exp.ExpYRaw(i + 1));
            previous = here;
        }
    }
    RecomputeY(exp);
    app.RequestRedraw();
}

void CmdSubtraction_Click(ExperimentView app) {
    ExperimentState& exp = app.exp;
    const simulation::Spectrum& sim = app.sim.result;
    const PopulationState& pop = app.pop;
    if (exp.ExpCount <= 0) return;
    Dialogs& dialogs = *app.dialogs;
    const int levels = static_cast<int>(sim.levels.size());

    Answer general = Answer::No;
    if (levels > 1) {
        general =
            dialogs.AskYesNoCancel("Subtract simulation contribution from all vibrational levels?", kSubtractionTitle);
        if (general == Answer::Cancel) return;
    }
    const bool grid = BuildSimX(exp, sim);
    const int last = LastPoint(exp);

    for (int k = 1; k <= levels; ++k) {
        const int v = sim.levels[static_cast<std::size_t>(k - 1)];
        Answer answer = Answer::Yes;
        if (general != Answer::Yes)
            answer = dialogs.AskYesNoCancel(
                "Subtract simulation contribution from vibrational level v = " + std::to_string(v), kSubtractionTitle);
        if (answer == Answer::Cancel) {
            // Undo every subtraction of this command.
            RecomputeY(exp);
            app.RequestRedraw();
            return;
        }
        if (answer != Answer::Yes) continue;
        // The level's weight is its entry of PopVib (not the renormalised selection).
        if (!grid || !pop.PopVib.Contains(v) || !sim.bands.Contains(k, 0) || !sim.bands.Contains(k, sim.grid.last))
            continue;
        const double weight = pop.PopVib(v);
        auto contribution = [&](int m) { return weight * sim.bands(k, m); };
        for (int i = 0; i <= last; ++i) {
            const float x = exp.ExpX(i);
            if (!(x >= sim.conditions.start && x <= sim.conditions.end)) continue;
            double s = 0.0;
            if (InterpolateOnGrid(exp.SimX, sim.grid.last, x, contribution, s))
                exp.ExpY(i) = static_cast<float>(exp.ExpY(i) - s);
        }
        app.RequestRedraw();
    }
    // The subtracted spectrum becomes the raw spectrum under the corrections in force.
    const double factor = exp.Multiply > 0.0f ? exp.Multiply : 1.0;
    for (int i = 0; i <= last; ++i)
        exp.ExpYRaw(i) = static_cast<float>(static_cast<double>(exp.ExpY(i)) / factor + exp.Baseline);
    app.RequestRedraw();
}

}  // namespace velmora::experiment
