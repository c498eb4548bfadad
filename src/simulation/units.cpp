#include "simulation/units.h"

#include "common/number_format.h"
#include "database/catalogue.h"
#include "database/quenching.h"
#include "simulation/condition_inputs.h"
#include "simulation/condition_limits.h"
#include "simulation/intensities.h"
#include "simulation/lineshapes.h"

namespace velmora::simulation {

namespace {

/// The program's fixed tables, for a state whose catalogue has not been read (they are the same
/// for every catalogue).
const Catalogue& FixedTables() {
    static const Catalogue fixed = [] {
        Catalogue c;
        database::FillFixedTables(c);
        return c;
    }();
    return fixed;
}

}  // namespace

double PressureFactor(const Catalogue& cat, int pressureUnits) {
    const Catalogue& tables = cat.PressureToTorr.Contains(pressureUnits) ? cat : FixedTables();
    return tables.PressureToTorr.Contains(pressureUnits) ? tables.PressureToTorr(pressureUnits) : 1.0;
}

std::string CollisionalFormulaText(const Catalogue& cat, int pressureUnits) {
    const Catalogue& tables = cat.CollisionalFormula.Contains(pressureUnits) ? cat : FixedTables();
    return tables.CollisionalFormula.ValueAt(pressureUnits);
}

void SetUnitCaptions(SimulationState& sim, const Catalogue& cat) {
    const std::string unitName = UnitNameOf(cat, sim.Units);
    sim.FrmRangeCaption = "Range in " + unitName;
    sim.FrameInstrumentalCaption = "Instrumental  " + unitName;
}

std::string ConvertedResolutionText(double resolution) {
    std::string shown = Format(resolution, "##0.0#####");
    if (Val(shown) <= 0.0) shown = Str(static_cast<float>(resolution));  // too fine for the pattern
    return shown;
}

void CmbUnits_Click(AppState& app, int units) {
    SimulationState& sim = app.sim;
    const float oldStart = static_cast<float>(Val(sim.TxtStart));
    const float oldEnd = static_cast<float>(Val(sim.TxtEnd));
    const AxisUnit from = StoredMode<AxisUnit>(sim.Units), to = StoredMode<AxisUnit>(units);
    sim.Units = units;
    SetUnitCaptions(sim, app.db.cat);

    auto text = [](double v) { return Str(static_cast<float>(v)); };
    const double s = oldStart, e = oldEnd;
    using enum AxisUnit;
    // Wavelength and wavenumber run in opposite directions: start and end exchange places then,
    // and a limit of 0 has no reciprocal (its text stays as it was). Air wavelengths are made
    // vacuum ones with n_air of themselves, vacuum ones air with n_air of the vacuum wavelength.
    const bool reciprocal = (from == Wavenumber) != (to == Wavenumber);
    if (from != to) {
        const double fromStart = reciprocal ? e : s, fromEnd = reciprocal ? s : e;
        auto convert = [&](double x) { return ConvertAxisValue(x, static_cast<int>(from), static_cast<int>(to)); };
        if (!(reciprocal && fromStart == 0.0)) sim.TxtStart = text(convert(fromStart));
        if (!(reciprocal && fromEnd == 0.0)) sim.TxtEnd = text(convert(fromEnd));
    }

    // A resolution in Å becomes one in nm or cm-1 (and back) in proportion to the range centres;
    // between vacuum and air wavelengths it stays.
    auto family = [](AxisUnit u) { return u == Wavenumber ? 0.0 : UnitsPerAngstrom(u); };
    if (family(from) != family(to) && oldStart + oldEnd != 0.0f) {
        const double newStart = static_cast<float>(Val(sim.TxtStart));
        const double newEnd = static_cast<float>(Val(sim.TxtEnd));
        const double ratio = (newStart + newEnd) / (s + e);
        const double res = sim.InstrumentalResolution * ratio;
        // The laser's widths follow alike.
        sim.LaserGaussWidth = static_cast<float>(sim.LaserGaussWidth * ratio);
        sim.LaserLorentzWidth = static_cast<float>(sim.LaserLorentzWidth * ratio);
        if (res > 0.0) sim.TxtResolution = TxtResolution_Change(app, ConvertedResolutionText(res));
    }
    ComputeWidths(app);
    ComputeShifts(app);
}

void CmbPressure_Click(AppState& app, int pressureUnits) {
    SimulationState& sim = app.sim;
    DatabaseState& db = app.db;
    sim.PressureUnits = pressureUnits;
    sim.TxtPressure =
        TxtPressure_Change(app, Str(static_cast<float>(sim.Pressure / PressureFactor(db.cat, pressureUnits))));
    sim.TxtQuenching = Str(static_cast<float>(db.Quenching / database::QuenchingFactor(db.cat, db.QuenchingUnits)));
    sim.LblCollisionalShiftTerm = sim.LblBroadening = CollisionalFormulaText(db.cat, pressureUnits);
}

std::string TxtPressure_Change(AppState& app, std::string_view text) {
    SimulationState& sim = app.sim;
    if (Trim(text).empty()) return std::string(text);
    const double factor = PressureFactor(app.db.cat, sim.PressureUnits);
    if (!IsNumeric(text) || !kPressureTorrLimits.Contains(Val(text) * factor)) {
        sim.TxtPressure = Str(static_cast<float>(sim.Pressure / factor));
        return sim.TxtPressure;
    }
    sim.Pressure = static_cast<float>(Val(text) * factor);
    sim.TxtPressure = std::string(text);
    ComputeWidths(app);
    ComputeShifts(app);
    if (app.db.SystemLoaded) ComputeYields(app);
    return sim.TxtPressure;
}

}  // namespace velmora::simulation
