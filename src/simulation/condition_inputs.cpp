#include "simulation/condition_inputs.h"

#include "common/number_format.h"
#include "database/quenching.h"
#include "populations/population_model.h"
#include "simulation/absorption_inputs.h"
#include "simulation/condition_limits.h"
#include "simulation/conditions.h"
#include "simulation/detection_filter.h"
#include "simulation/instrument_inputs.h"
#include "simulation/intensities.h"
#include "simulation/lineshapes.h"
#include "simulation/units.h"

namespace velmora::simulation {

namespace {

void WidthsAndShifts(AppState& app) {
    ComputeWidths(app);
    ComputeShifts(app);
}

/// Which controls the kind of spectrum offers: LIF conditions for LIF excitation, yields and
/// quenching for the kinds whose signal is fluorescence (emission and LIF).
void OfferKindControls(SimulationState& sim) {
    const SpectrumKind kind = StoredMode<SpectrumKind>(sim.Kind);
    sim.LIFControlsEnabled = kind == SpectrumKind::LifExcitation;
    sim.YieldControlsEnabled = kind == SpectrumKind::Emission || kind == SpectrumKind::LifExcitation;
}

}  // namespace

int NumericBox_KeyPress(int keyAscii) { return keyAscii == 13 ? 0 : keyAscii; }

std::string EditNumber(std::string_view text, float& stored, double lo, double hi, bool* accepted) {
    if (accepted) *accepted = false;
    if (Trim(text).empty()) return std::string(text);
    if (!IsNumeric(text)) return Str(stored);
    const double v = Val(text);
    if (v < lo || v > hi) return Str(stored);
    stored = static_cast<float>(v);
    if (accepted) *accepted = true;
    return std::string(text);
}

namespace {

/// A numeric box whose accepted value changes widths or shifts.
std::string EditAndRecompute(AppState& app, std::string_view text, float& stored, double lo, double hi,
                             void (*recompute)(AppState&)) {
    bool accepted = false;
    std::string shown = EditNumber(text, stored, lo, hi, &accepted);
    if (accepted) recompute(app);
    return shown;
}

}  // namespace

void ChkDoppler_Click(AppState& app, int value) {
    app.sim.DopplerBroadening = value;
    ComputeWidths(app);
}

void ChkCollisional_Click(AppState& app, int value) {
    app.sim.CollisionalBroadening = value;
    ComputeWidths(app);
}

void ChkPredissociation_Click(AppState& app, int value) { app.sim.PredissociationBroadening = value; }

void ChkDopplerShift_Click(AppState& app, int value) {
    app.sim.DopShiftOn = value;
    ComputeShifts(app);
}

void ChkCollisionalShift_Click(AppState& app, int value) {
    app.sim.CollShiftOn = value;
    ComputeShifts(app);
}

void ChkThermal_Click(AppState& app, int value) { app.pop.ThermalFlag = value; }

void CmbKind_Click(AppState& app, int kind) {
    app.sim.Kind = kind;
    OfferKindControls(app.sim);
    // An excitation scan with a laser of its own widths draws its lines with them.
    if (app.sim.LaserGaussWidth > 0.0f || app.sim.LaserLorentzWidth > 0.0f) ComputeWidths(app);
    OfferAbsorptionControls(app.sim);
    // The populated state changes with the kind; its populations start thermal again.
    if (app.db.SystemLoaded)
        populations::ResetPopulatedState(app.pop, app.db, kind);
    else
        populations::SetPopulatedState(app.pop, app.db, kind);
    app.ui->RedrawHistograms();
}

void CmbLineshape_Click(AppState& app, int lineshape) {
    app.sim.Lineshape = lineshape;
    app.sim.TxtLorentzianEnabled = StoredMode<Lineshape>(lineshape) == Lineshape::Voigt;
    OfferInstrumentControls(app.sim);
    ComputeWidths(app);
}

void CmbPointDensity_Click(AppState& app, int index) {
    app.sim.PointDensity = index;
    app.sim.PointsPerWidth = PointsPerWidthFor(index);
}

void CmbLIFregime_Click(AppState& app, int index) { app.sim.LIFRegime = index; }

void CmbFluorescenceYield_Click(AppState& app, int index) { app.sim.YieldMode = index; }

void CmbGate_Click(AppState& app, int index) {
    app.sim.GateMode = index;
    app.sim.GateTimesEnabled = StoredMode<GateMode>(index) == GateMode::TimeResolved;
}

void CmbSpectralWindow_Click(AppState& app, int index) {
    app.sim.WindowMode = index;
    app.sim.WindowLimitsEnabled = StoredMode<WindowMode>(index) == WindowMode::Window;
}

std::string TxtTemperature_Change(AppState& app, std::string_view text) {
    bool accepted = false;
    std::string shown = EditNumber(text, app.pop.Temperature, kTemperatureLimits.lo, kTemperatureLimits.hi, &accepted);
    if (!accepted) return shown;
    WidthsAndShifts(app);
    // Quenching by a gas composition follows the gas temperature.
    if (app.db.SystemLoaded && app.db.QuenchingSource == StoredValue(QuenchingSource::GasComposition))
        ComputeYields(app);
    if (app.pop.ThermalFlag == 1 && app.db.SystemLoaded) {
        populations::FollowMainTemperature(app.pop, app.db);
        app.ui->RedrawHistograms();
    }
    return shown;
}

std::string TxtResolution_Change(AppState& app, std::string_view text) {
    SimulationState& sim = app.sim;
    if (Trim(text).empty()) return std::string(text);
    // A resolution of 0 would give lines of no width: 0 stores 1.0 and the text stays as typed.
    if (IsNumeric(text) && Val(text) == 0.0) {
        sim.InstrumentalResolution = 1.0f;
        sim.TxtResolution = std::string(text);
    } else if (IsNumeric(text) && kResolutionLimits.Contains(Val(text))) {
        sim.InstrumentalResolution = static_cast<float>(Val(text));
        sim.TxtResolution = std::string(text);
    } else {
        sim.TxtResolution = Str(sim.InstrumentalResolution);
    }
    ComputeWidths(app);
    return sim.TxtResolution;
}

std::string TxtLorentzian_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.LorentzPercent, kLorentzianLimits.lo, kLorentzianLimits.hi,
                            ComputeWidths);
}

std::string TxtCollB1_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.CollisionalBroad1, kCollisionalCoefficientLimits.lo,
                            kCollisionalCoefficientLimits.hi, ComputeWidths);
}

std::string TxtCollB2_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.CollisionalBroad2, kTemperatureExponentLimits.lo,
                            kTemperatureExponentLimits.hi, ComputeWidths);
}

std::string TxTShiftA_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.CollisionalShiftA, kCollisionalCoefficientLimits.lo,
                            kCollisionalCoefficientLimits.hi, ComputeShifts);
}

std::string TxtShiftB_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.CollisionalShiftB, kTemperatureExponentLimits.lo,
                            kTemperatureExponentLimits.hi, ComputeShifts);
}

std::string TxtDopplerShift_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.DopplerShift, kVelocityLimits.lo, kVelocityLimits.hi, ComputeShifts);
}

std::string TxtDelay_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.GateDelay, kGateLimits.lo, kGateLimits.hi);
}

std::string TxtGate_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.GateWidth, kGateLimits.lo, kGateLimits.hi);
}

std::string TxtStartWindow_Change(AppState& app, std::string_view text) {
    app.sim.TxtStartWindow = EditNumber(text, app.sim.WindowStart, kWindowLimits.lo, kWindowLimits.hi);
    return app.sim.TxtStartWindow;
}

std::string TxtEndWindow_Change(AppState& app, std::string_view text) {
    app.sim.TxtEndWindow = EditNumber(text, app.sim.WindowEnd, kWindowLimits.lo, kWindowLimits.hi);
    return app.sim.TxtEndWindow;
}

std::string TxtQuenching_Change(AppState& app, std::string_view text) {
    if (Trim(text).empty()) return std::string(text);
    app.sim.TxtQuenching = database::SetQuenchingValue(app.db, text, app.sim.Pressure, *app.ui);
    if (app.db.SystemLoaded) ComputeYields(app);
    return app.sim.TxtQuenching;
}

void CmbQuenching_Click(AppState& app, int index) {
    database::SetQuenchingSource(app.db, index, app.sim.Pressure, *app.ui);
    if (app.db.SystemLoaded) ComputeYields(app);
}

void RefreshConditionCaptions(AppState& app) {
    SimulationState& sim = app.sim;
    SetUnitCaptions(sim, app.db.cat);
    sim.LblCollisionalShiftTerm = sim.LblBroadening = CollisionalFormulaText(app.db.cat, sim.PressureUnits);
    sim.TxtLorentzianEnabled = StoredMode<Lineshape>(sim.Lineshape) == Lineshape::Voigt;
    OfferInstrumentControls(sim);
    OfferAbsorptionControls(sim);
    sim.GateTimesEnabled = StoredMode<GateMode>(sim.GateMode) == GateMode::TimeResolved;
    sim.WindowLimitsEnabled = StoredMode<WindowMode>(sim.WindowMode) == WindowMode::Window;
    sim.PointsPerWidth = PointsPerWidthFor(sim.PointDensity);
    OfferKindControls(sim);
    WidthsAndShifts(app);
    FillCompositionTable(app);
}

std::string TxtLaserGauss_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.LaserGaussWidth, 0.0, kResolutionLimits.hi, ComputeWidths);
}

std::string TxtLaserLorentz_Change(AppState& app, std::string_view text) {
    return EditAndRecompute(app, text, app.sim.LaserLorentzWidth, 0.0, kResolutionLimits.hi, ComputeWidths);
}

std::string TxtPulseEnergy_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.PulseEnergy, 0.0, 1e15);
}

std::string TxtPulseDuration_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.PulseDuration, 1e-6, 1e15);
}

std::string TxtBeamArea_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.BeamArea, 1e-12, 1e15);
}

std::string TxtSpectralIrradiance_Change(AppState& app, std::string_view text) {
    return EditNumber(text, app.sim.SpectralIrradiance, 0.0, 1e15);
}

void SetDetectionFilter(AppState& app, const std::string& path) {
    if (path.empty()) {
        app.sim.DetectionFilterFile.clear();
        app.sim.DetectionFilter.clear();
        return;
    }
    try {
        app.sim.DetectionFilter = ReadDetectionFilter(path);
        app.sim.DetectionFilterFile = path;
    } catch (const std::exception& e) {
        app.dialogs->ShowMessage(e.what());
    }
}

void FillCompositionTable(AppState& app) {
    auto& rows = app.sim.GrdComposition;
    const auto& partners = app.db.QuenchingComposition.partners;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r] = {};
        if (r < partners.size()) rows[r] = {partners[r].first, database::FractionText(partners[r].second)};
    }
}

}  // namespace velmora::simulation
