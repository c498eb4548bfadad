#include "simulation/screen_conditions.h"

#include "common/number_format.h"
#include "database/quenching.h"
#include "populations/population_model.h"
#include "simulation/condition_inputs.h"
#include "simulation/instrument_function.h"
#include "simulation/units.h"

namespace velmora::simulation {

SimulationConditions ConditionsFromScreen(const AppState& app) {
    const SimulationState& sim = app.sim;
    SimulationConditions c;
    c.kind = StoredMode<SpectrumKind>(sim.Kind);
    c.unit = StoredMode<AxisUnit>(sim.Units);
    c.start = static_cast<float>(Val(sim.TxtStart));
    c.end = static_cast<float>(Val(sim.TxtEnd));
    c.temperature = app.pop.Temperature;
    c.pressure = sim.Pressure;
    c.pressureUnit = StoredMode<PressureUnit>(sim.PressureUnits);
    c.lineshape = StoredMode<Lineshape>(sim.Lineshape);
    c.resolution = sim.InstrumentalResolution;
    c.lorentzPercent = sim.LorentzPercent;
    c.density = StoredMode<PointDensity>(sim.PointDensity);
    c.trapezoidTop = sim.TrapezoidTop;
    c.resolutionSlope = sim.ResolutionSlope;
    c.slit = sim.Slit;
    c.slitScale = sim.SlitScale;
    c.slitUnit = StoredMode<SlitOffsetUnit>(sim.SlitUnits);
    c.absorptionUnit = StoredMode<AbsorptionUnit>(sim.AbsorptionUnits);
    c.columnDensity = sim.ColumnDensity;
    c.numberDensity = sim.NumberDensity;
    c.pathLength = sim.PathLength;
    c.dopplerBroadening = sim.DopplerBroadening == 1;
    c.collisionalBroadening = sim.CollisionalBroadening == 1;
    c.predissociationBroadening = sim.PredissociationBroadening == 1;
    c.collisionalBroad1 = sim.CollisionalBroad1;
    c.collisionalBroad2 = sim.CollisionalBroad2;
    c.collisionalShift = sim.CollShiftOn == 1;
    c.collisionalShiftA = sim.CollisionalShiftA;
    c.collisionalShiftB = sim.CollisionalShiftB;
    c.dopplerShift = sim.DopShiftOn == 1;
    c.dopplerVelocity = sim.DopplerShift;
    c.lifRegime = StoredMode<LifRegime>(sim.LIFRegime);
    c.gate = StoredMode<GateMode>(sim.GateMode);
    c.gateDelay = sim.GateDelay;
    c.gateWidth = sim.GateWidth;
    c.window = StoredMode<WindowMode>(sim.WindowMode);
    c.windowStart = sim.WindowStart;
    c.windowEnd = sim.WindowEnd;
    c.yield = StoredMode<YieldMode>(sim.YieldMode);
    c.quenching = StoredMode<QuenchingSource>(app.db.QuenchingSource);
    c.quenchingRate = app.db.Quenching;
    c.composition = app.db.QuenchingComposition;
    c.laserGaussWidth = sim.LaserGaussWidth;
    c.laserLorentzWidth = sim.LaserLorentzWidth;
    c.pulseEnergy = sim.PulseEnergy;
    c.pulseDuration = sim.PulseDuration;
    c.beamArea = sim.BeamArea;
    c.spectralIrradiance = sim.SpectralIrradiance;
    c.detectionFilter = sim.DetectionFilter;
    c.detectionFilterFile = sim.DetectionFilterFile;
    return c;
}

namespace {

float Single(double v) { return static_cast<float>(v); }

/// The text a box shows for a stored value: the program's single-precision form, or the double
/// form (15 digits) when 7 digits would read back as another single-precision number.
std::string BoxText(float v) {
    std::string text = Str(v);
    if (static_cast<float>(Val(text)) != v) text = Str(static_cast<double>(v));
    return text;
}

}  // namespace

void ShowConditions(AppState& app, const SimulationConditions& c) {
    SimulationState& sim = app.sim;
    DatabaseState& db = app.db;
    const int kind = StoredValue(c.kind);
    // The populated state follows the kind; with a system loaded a new one starts thermal.
    if (!db.SystemLoaded)
        populations::SetPopulatedState(app.pop, db, kind);
    else if (sim.Kind != kind)
        populations::ResetPopulatedState(app.pop, db, kind);
    sim.Kind = kind;
    sim.Units = StoredValue(c.unit);
    sim.TxtStart = BoxText(Single(c.start));
    sim.TxtEnd = BoxText(Single(c.end));
    app.pop.Temperature = Single(c.temperature);
    sim.Pressure = Single(c.pressure);
    sim.PressureUnits = StoredValue(c.pressureUnit);
    sim.TxtPressure = BoxText(Single(c.pressure / PressureFactor(db.cat, sim.PressureUnits)));

    sim.Lineshape = StoredValue(c.lineshape);
    sim.InstrumentalResolution = Single(c.resolution);
    sim.TxtResolution = BoxText(sim.InstrumentalResolution);
    sim.LorentzPercent = Single(c.lorentzPercent);
    sim.PointDensity = StoredValue(c.density);
    sim.TrapezoidTop = Single(c.trapezoidTop);
    sim.TxtTrapezoidTop = BoxText(sim.TrapezoidTop);
    sim.ResolutionSlope = Single(c.resolutionSlope);
    sim.TxtResolutionSlope = BoxText(sim.ResolutionSlope);
    sim.Slit = c.slit;
    sim.SlitUnits = StoredValue(c.slitUnit);
    if (c.slit) sim.SlitFile = c.slit->file;
    sim.SlitScale = Single(c.slitScale);
    sim.TxtSlitScale = BoxText(sim.SlitScale);

    sim.DopplerBroadening = c.dopplerBroadening ? 1 : 0;
    sim.CollisionalBroadening = c.collisionalBroadening ? 1 : 0;
    sim.PredissociationBroadening = c.predissociationBroadening ? 1 : 0;
    sim.CollisionalBroad1 = Single(c.collisionalBroad1);
    sim.CollisionalBroad2 = Single(c.collisionalBroad2);
    sim.CollShiftOn = c.collisionalShift ? 1 : 0;
    sim.CollisionalShiftA = Single(c.collisionalShiftA);
    sim.CollisionalShiftB = Single(c.collisionalShiftB);
    sim.DopShiftOn = c.dopplerShift ? 1 : 0;
    sim.DopplerShift = Single(c.dopplerVelocity);

    sim.LIFRegime = StoredValue(c.lifRegime);
    sim.GateMode = StoredValue(c.gate);
    sim.GateDelay = Single(c.gateDelay);
    sim.GateWidth = Single(c.gateWidth);
    sim.WindowMode = StoredValue(c.window);
    sim.WindowStart = Single(c.windowStart);
    sim.WindowEnd = Single(c.windowEnd);
    sim.TxtStartWindow = BoxText(sim.WindowStart);
    sim.TxtEndWindow = BoxText(sim.WindowEnd);
    sim.YieldMode = StoredValue(c.yield);
    db.QuenchingSource = StoredValue(c.quenching);
    db.Quenching = Single(c.quenchingRate);
    sim.TxtQuenching = BoxText(Single(db.Quenching / database::QuenchingFactor(db.cat, db.QuenchingUnits)));
    db.QuenchingComposition = c.composition;

    sim.LaserGaussWidth = Single(c.laserGaussWidth);
    sim.LaserLorentzWidth = Single(c.laserLorentzWidth);
    sim.PulseEnergy = Single(c.pulseEnergy);
    sim.PulseDuration = Single(c.pulseDuration);
    sim.BeamArea = Single(c.beamArea);
    sim.SpectralIrradiance = Single(c.spectralIrradiance);
    sim.DetectionFilter = c.detectionFilter;
    sim.DetectionFilterFile = c.detectionFilterFile;

    sim.AbsorptionUnits = StoredValue(c.absorptionUnit);
    sim.ColumnDensity = Single(c.columnDensity);
    sim.NumberDensity = Single(c.numberDensity);
    sim.PathLength = Single(c.pathLength);
    sim.TxtColumnDensity = BoxText(sim.ColumnDensity);
    sim.TxtNumberDensity = BoxText(sim.NumberDensity);
    sim.TxtPathLength = BoxText(sim.PathLength);
    RefreshConditionCaptions(app);
}

Broadening ScreenBroadening(const SimulationState& sim) {
    Broadening b;
    b.dopplerWidth = sim.DopplerWidth;
    b.collisionalWidth = sim.CollWidth;
    b.lorentzWidth = sim.LorentzWidth;
    b.gaussWidthSq = sim.GaussWidthSq;
    b.totalWidth = sim.TotalWidth;
    b.lorentzFraction = sim.LorentzFraction;
    b.profile = StoredMode<Lineshape>(sim.ProfileKind);
    b.dopplerShift = sim.DopShift;
    b.collisionalShift = sim.CollShift;
    b.lineShift = sim.LineShift;
    return b;
}

}  // namespace velmora::simulation
