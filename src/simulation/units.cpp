#include "simulation/units.h"

#include "common/number_format.h"
#include "simulation/condition_inputs.h"
#include "simulation/condition_limits.h"
#include "database/catalogue.h"
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

namespace {

/// Air wavelength of a vacuum wavelength, and back (n evaluated at the given wavelength).
double ToAir(double vacuum) { return vacuum / AirIndex(static_cast<float>(vacuum)); }
double ToVacuum(double air) { return air * AirIndex(static_cast<float>(air)); }

}  // namespace

void SetUnitCaptions(SimulationState& sim, const Catalogue& cat) {
    const std::string unitName = UnitNameOf(cat, sim.Units);
    sim.FrmRangeCaption = "Range in " + unitName;
    sim.FrameInstrumentalCaption = "Instrumental  " + unitName;
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
    if (from == AngstromVacuum && to == AngstromAir) {
        sim.TxtStart = text(ToAir(s));
        sim.TxtEnd = text(ToAir(e));
    } else if (from == AngstromAir && to == AngstromVacuum) {
        sim.TxtStart = text(ToVacuum(s));
        sim.TxtEnd = text(ToVacuum(e));
    } else if ((from == AngstromVacuum && to == Wavenumber) || (from == Wavenumber && to == AngstromVacuum)) {
        // Wavelength and wavenumber run in opposite directions: start and end exchange places.
        if (e != 0.0) sim.TxtStart = text(1E8 / e);
        if (s != 0.0) sim.TxtEnd = text(1E8 / s);
    } else if (from == AngstromAir && to == Wavenumber) {
        if (e != 0.0) sim.TxtStart = text(1E8 / ToVacuum(e));
        if (s != 0.0) sim.TxtEnd = text(1E8 / ToVacuum(s));
    } else if (from == Wavenumber && to == AngstromAir) {
        if (e != 0.0) sim.TxtStart = text(ToAir(1E8 / e));
        if (s != 0.0) sim.TxtEnd = text(ToAir(1E8 / s));
    }

    // A resolution in Å becomes one in cm-1 (and back) in proportion to the range centres.
    if (from != to && (from == Wavenumber || to == Wavenumber) && oldStart + oldEnd != 0.0f) {
        const double newStart = static_cast<float>(Val(sim.TxtStart));
        const double newEnd = static_cast<float>(Val(sim.TxtEnd));
        const double res = sim.InstrumentalResolution / ((s + e) / 2.0) * (newStart + newEnd) / 2.0;
        if (res > 0.0) {
            std::string shown = Format(res, "##0.0#####");
            if (Val(shown) <= 0.0) shown = Str(static_cast<float>(res));  // too fine for the pattern
            sim.TxtResolution = TxtResolution_Change(app, shown);
        }
    }
    ComputeWidths(app);
    ComputeShifts(app);
}

void CmbPressure_Click(AppState& app, int pressureUnits) {
    SimulationState& sim = app.sim;
    DatabaseState& db = app.db;
    sim.PressureUnits = pressureUnits;
    sim.TxtPressure = TxtPressure_Change(app, Str(static_cast<float>(sim.Pressure / PressureFactor(db.cat, pressureUnits))));
    const double qFactor = db.cat.QuenchingUnitFactor.Contains(db.QuenchingUnits) && db.cat.QuenchingUnitFactor(db.QuenchingUnits) != 0.0
                               ? db.cat.QuenchingUnitFactor(db.QuenchingUnits)
                               : 1.0;
    sim.TxtQuenching = Str(static_cast<float>(db.Quenching / qFactor));
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
