#include "program/system_range.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "common/numerics.h"
#include "simulation/condition_fields.h"

namespace velmora::program {

namespace {

std::string Number(double value) { return Trim(Str(static_cast<float>(value))); }

int Units(const AppState& app) { return simulation::StoredValue(app.sim.conditions.unit); }

std::string BandName(std::pair<int, int> band) {
    return "(" + std::to_string(band.first) + "," + std::to_string(band.second) + ")";
}

}  // namespace

std::string SystemName(const AppState& app) {
    const Catalogue& cat = app.db.cat;
    return cat.MoleculeName.ValueAt(app.db.systemEntry) + cat.SystemLabel.ValueAt(app.db.systemEntry);
}

std::string RangeText(const AppState& app, double start, double end) {
    return Number(start) + " to " + Number(end) + " " + simulation::AxisUnitName(app.sim.conditions.unit);
}

double BandCentre(const AppState& app, std::pair<int, int> band) {
    const DatabaseState& db = app.db;
    const auto [vu, vl] = band;
    double nu = db.BandSpan.ValueAt(3, vu, vl);
    if (!(nu > 0.0)) nu = db.BandData.ValueAt(4, vu, vl);
    if (!(nu > 0.0)) nu = (static_cast<double>(db.BandSpan.ValueAt(1, vu, vl)) + db.BandSpan.ValueAt(2, vu, vl)) / 2.0;
    return nu > 0.0 ? WavenumberToAxis(nu, Units(app)) : 0.0;
}

bool RangeHoldsLines(const AppState& app, double start, double end) {
    const DatabaseState& db = app.db;
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    const double a = AxisToWavenumber(start, Units(app)), b = AxisToWavenumber(end, Units(app));
    const double low = std::min(a, b), high = std::max(a, b);
    for (int vu = 0; vu <= cat.NMaxVib.ValueAt(systemEntry, 1); ++vu)
        for (int vl = 0; vl <= cat.NMaxVib.ValueAt(systemEntry, 2); ++vl) {
            const double first = db.BandSpan.ValueAt(1, vu, vl), last = db.BandSpan.ValueAt(2, vu, vl);
            if (first > 0.0 && first <= high && last >= low) return true;
        }
    return false;
}

bool RangeHoldsLines(const AppState& app) {
    return RangeHoldsLines(app, app.sim.conditions.start, app.sim.conditions.end);
}

std::pair<int, int> StrongestBand(const AppState& app) {
    const DatabaseState& db = app.db;
    const Catalogue& cat = db.cat;
    const int systemEntry = db.systemEntry;
    const int q = app.sim.conditions.kind == simulation::SpectrumKind::Emission ? 1 : 2;
    const bool upperPopulated = app.pop.PopState == ElectronicState::Upper;
    std::pair<int, int> best{0, 0};
    double strongest = -1.0;
    // Weighted by the populations; without any (none computed yet), by the coefficients alone.
    for (const bool weighted : {true, false}) {
        for (int vu = 0; vu <= cat.NMaxVib.ValueAt(systemEntry, 1); ++vu)
            for (int vl = 0; vl <= cat.NMaxVib.ValueAt(systemEntry, 2); ++vl) {
                if (!(db.BandSpan.ValueAt(1, vu, vl) > 0.0f)) continue;
                double w = db.BandData.ValueAt(q, vu, vl);
                if (weighted) w *= app.pop.PopVib.ValueAt(upperPopulated ? vu : vl);
                if (w > strongest) strongest = w, best = {vu, vl};
            }
        if (strongest > 0.0) break;
    }
    return best;
}

std::string NoLineMessage(const AppState& app) {
    const std::pair<int, int> band = StrongestBand(app);
    return "no line of " + SystemName(app) + " in the range " +
           RangeText(app, app.sim.conditions.start, app.sim.conditions.end) + "; its strongest band, " +
           BandName(band) + ", lies near " + Number(BandCentre(app, band)) + " " +
           simulation::AxisUnitName(app.sim.conditions.unit);
}

bool FollowSystemRange(AppState& app) {
    if (!app.db.SystemLoaded || app.exp.ExpLimits == 1) return false;
    simulation::SimulationConditions& c = app.sim.conditions;
    const double start = c.start, end = c.end;
    if (RangeHoldsLines(app, start, end)) return false;
    const std::pair<int, int> band = StrongestBand(app);
    const double centre = BandCentre(app, band);
    if (!(centre > 0.0)) return false;
    double width = std::fabs(end - start);
    if (!(width > 0.0)) width = 100.0;
    // The new limits rounded to a hundredth of the width's power of ten (100 Å: whole Å).
    const double step = std::pow(10.0, std::floor(std::log10(width)) - 2.0);
    const double newStart = std::round((centre - width / 2.0) / step) * step;
    const double newEnd = std::round((centre + width / 2.0) / step) * step;
    app.dialogs->ShowMessage("The range " + RangeText(app, start, end) + " holds no line of " + SystemName(app) +
                             ".\r\nIt now covers its strongest band, " + BandName(band) + ": " +
                             RangeText(app, newStart, newEnd) + ".");
    c.start = simulation::AsShown(newStart);
    c.end = simulation::AsShown(newEnd);
    return true;
}

}  // namespace velmora::program
