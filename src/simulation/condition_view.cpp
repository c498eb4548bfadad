#include "simulation/condition_view.h"

#include <exception>

#include "common/number_format.h"
#include "database/gas_composition.h"
#include "simulation/instrument_function.h"
#include "simulation/slit_file.h"

namespace velmora::simulation {

OfferedControls Offered(const SimulationConditions& c) {
    OfferedControls o;
    o.lorentzian = c.lineshape == Lineshape::Voigt;
    o.trapezoidTop = c.lineshape == Lineshape::Trapezoid;
    o.slit = c.lineshape == Lineshape::Measured;
    o.resolutionSlope = IsConvolvedInstrument(c.lineshape);
    o.absorption = c.kind == SpectrumKind::Absorption;
    o.lif = c.kind == SpectrumKind::LifExcitation;
    o.gateTimes = o.lif && c.gate == GateMode::TimeResolved;
    o.windowLimits = o.lif && c.window == WindowMode::Window;
    o.yields = c.kind == SpectrumKind::Emission || c.kind == SpectrumKind::LifExcitation;
    o.quenchingRate = o.yields && c.quenching == QuenchingSource::SingleValue;
    o.composition = o.yields && c.quenching == QuenchingSource::GasComposition;
    return o;
}

std::string PressureFormula(PressureUnit unit) {
    static const char* const formula[] = {"*(P/760)*(300/T)^", "*P*(300/T)^",          "*(P/1013.25)*(300/T)^",
                                          "*(P)*(300/T)^",     "*(P/101323)*(300/T)^", "*(P/101.32)*(300/T)^"};
    const int u = StoredValue(unit);
    return u >= 0 && u <= 5 ? formula[u] : "";
}

namespace {

/// The caption beside the measured function's file: its name and FWHM in the axis unit.
std::string SlitCaption(const SimulationState& sim) {
    if (sim.SlitFile.empty()) return "No instrument function file";
    if (!sim.conditions.slit) return "Not read: " + sim.SlitFile;
    SimulationConditions c = sim.conditions;
    c.lineshape = Lineshape::Measured;
    return "FWHM = " + Format(InstrumentWidth(c, RangeCentreWavenumber(c)), "##0.0####") + " " + AxisUnitName(c.unit);
}

}  // namespace

void UpdateConditionView(SimulationState& sim, double molecularMass) {
    const SimulationConditions& c = sim.conditions;
    ConditionCaptions& t = sim.captions;
    const std::string unit = AxisUnitName(c.unit);
    sim.widths = ComputeBroadening(c, molecularMass, sim.widths);
    const Broadening& b = sim.widths;
    t.ChkDoppler = "Doppler broadening = " + Format(b.dopplerWidth, "##0.0####");
    t.LblCollision = " = " + Format(b.collisionalWidth, "##0.0####");
    t.FrmBroadening = "Total resolution (instrumental + broadening) = " + Format(b.totalWidth, "##0.0###") + " " + unit;
    t.LblDopplerShift = "km/s = " + Format(b.dopplerShift, "##0.0####");
    t.LblCollisionalShift = " = " + Format(b.collisionalShift, "##0.0####");
    t.FrameShift = "Wavelength/Frequency shift = " + Format(b.lineShift, "##0.0###") + " " + unit;
    t.FrmRange = "Range in " + unit;
    t.FrameInstrumental = "Instrumental  " + unit;
    t.LblPressureTerm = PressureFormula(c.pressureUnit);
    t.LblSlit = SlitCaption(sim);
}

void FillCompositionTable(SimulationState& sim) {
    auto& rows = sim.GrdComposition;
    const auto& partners = sim.conditions.composition.partners;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r] = {};
        if (r < partners.size()) rows[r] = {partners[r].first, database::FractionText(partners[r].second)};
    }
}

std::string LoadSlitFile(SimulationState& sim, const std::string& path, double molecularMass) {
    sim.SlitFile = path;
    std::string message;
    try {
        sim.conditions.slit = std::make_shared<const MeasuredSlit>(ReadSlitFile(path, sim.conditions.slitUnit));
    } catch (const std::exception& e) {
        sim.conditions.slit.reset();
        message = e.what();
    }
    UpdateConditionView(sim, molecularMass);
    return message;
}

}  // namespace velmora::simulation
