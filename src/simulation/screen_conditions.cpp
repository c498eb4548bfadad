#include "simulation/screen_conditions.h"

#include "common/number_format.h"

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
    return c;
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
