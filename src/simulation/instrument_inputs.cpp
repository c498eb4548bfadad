#include "simulation/instrument_inputs.h"

#include <exception>
#include <limits>

#include "common/number_format.h"
#include "simulation/condition_inputs.h"
#include "simulation/lineshapes.h"
#include "simulation/slit_file.h"

namespace velmora::simulation {

namespace {

constexpr double kUnbounded = std::numeric_limits<float>::max();

/// The caption beside the measured function's file: its name and FWHM in the axis unit.
void UpdateSlitCaption(AppState& app) {
    SimulationState& sim = app.sim;
    if (sim.SlitFile.empty()) {
        sim.LblSlitCaption = "No instrument function file";
        return;
    }
    if (!sim.Slit) {
        sim.LblSlitCaption = "Not read: " + sim.SlitFile;
        return;
    }
    SimulationConditions c;
    c.unit = StoredMode<AxisUnit>(sim.Units);
    c.start = Val(sim.TxtStart);
    c.end = Val(sim.TxtEnd);
    c.lineshape = Lineshape::Measured;
    c.slit = sim.Slit;
    c.slitScale = sim.SlitScale;
    sim.LblSlitCaption = "FWHM = " + Format(InstrumentWidth(c, RangeCentreWavenumber(c)), "##0.0####") + " " +
                         UnitNameOf(app.db.cat, sim.Units);
}

std::string EditInstrumentNumber(AppState& app, std::string_view text, float& stored, double lo, double hi) {
    bool accepted = false;
    std::string shown = EditNumber(text, stored, lo, hi, &accepted);
    if (accepted) {
        ComputeWidths(app);
        UpdateSlitCaption(app);
    }
    return shown;
}

}  // namespace

std::string TxtTrapezoidTop_Change(AppState& app, std::string_view text) {
    return app.sim.TxtTrapezoidTop = EditInstrumentNumber(app, text, app.sim.TrapezoidTop, 0.0, kUnbounded);
}

std::string TxtResolutionSlope_Change(AppState& app, std::string_view text) {
    return app.sim.TxtResolutionSlope =
               EditInstrumentNumber(app, text, app.sim.ResolutionSlope, -kUnbounded, kUnbounded);
}

std::string TxtSlitScale_Change(AppState& app, std::string_view text) {
    return app.sim.TxtSlitScale = EditInstrumentNumber(app, text, app.sim.SlitScale, 1e-6, kUnbounded);
}

void CmbSlitUnits_Click(AppState& app, int index) {
    app.sim.SlitUnits = index;
    if (!app.sim.SlitFile.empty()) LoadSlitFile(app, app.sim.SlitFile);
}

void OfferInstrumentControls(SimulationState& sim) {
    const Lineshape shape = StoredMode<Lineshape>(sim.Lineshape);
    sim.TrapezoidTopEnabled = shape == Lineshape::Trapezoid;
    sim.SlitControlsEnabled = shape == Lineshape::Measured;
    sim.ResolutionSlopeEnabled = IsConvolvedInstrument(shape);
}

std::string LoadSlitFile(AppState& app, const std::string& path) {
    SimulationState& sim = app.sim;
    sim.SlitFile = path;
    std::string message;
    try {
        sim.Slit = std::make_shared<const MeasuredSlit>(ReadSlitFile(path, StoredMode<SlitOffsetUnit>(sim.SlitUnits)));
    } catch (const std::exception& e) {
        sim.Slit.reset();
        message = e.what();
    }
    ComputeWidths(app);
    UpdateSlitCaption(app);
    return message;
}

}  // namespace velmora::simulation
