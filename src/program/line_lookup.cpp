#include "program/line_lookup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/number_format.h"
#include "common/text_writer.h"
#include "database/line_positions.h"
#include "database/line_rows.h"
#include "populations/selected_populations.h"
#include "simulation/condition_view.h"
#include "simulation/line_list.h"

namespace velmora::program {

SimulatedLines::SimulatedLines(const AppState& app) {
    const SimulationState& sim = app.sim;
    if (!simulation::HasSimulation(sim) || !sim.Model || app.pop.NVibSel < 1) return;
    // The model and populations here are those of the doublet system; a multiplet system
    // simulated in its place has lines of its own, which this list does not name.
    if (sim.Multiplet) return;
    // The lines of the last run: its conditions (range in increasing order) and its widths.
    const simulation::SimulationConditions& c = sim.result.conditions;
    const simulation::Broadening& widths = sim.result.widths;
    const populations::Populations pop = populations::SelectedPopulations(app.pop);
    simulation::LineList list;
    try {
        list = simulation::BuildLineList(*sim.Model, c, pop, widths.lineShift, c.start, c.end);
    } catch (const std::exception&) {
        return;  // conditions changed since the run into ones that do not simulate: nothing to list
    }
    const Catalogue& cat = app.db.cat;
    const int entry = app.db.systemEntry;
    for (std::size_t k = 0; k < list.levels.size() && k < pop.weights.size(); ++k)
        for (const simulation::DrawnLine& d : list.levels[k]) {
            LookedUpLine l;
            l.vUp = d.vUp, l.vLow = d.vLow, l.branch = d.b, l.NLow = d.N;
            const int inSet = d.b > 12 ? d.b - 12 : d.b;
            l.name = cat.BranchName.ValueAt(0, inSet);
            l.JLow = database::TwiceJ(d.N, database::BranchShapeOf(d.b).lowerF) / 2.0;
            const database::LineLevels lv = database::BranchLevels(app.db, entry, d.b, d.N);
            l.parityLow = database::ParityLabel(app.db, entry, 2, lv.lowRow, lv.lowF, lv.lowBlock);
            l.position = d.x;
            l.area = d.weight * pop.weights[k];
            lines_.push_back(std::move(l));
        }
    std::sort(lines_.begin(), lines_.end(),
              [](const LookedUpLine& a, const LookedUpLine& b) { return a.position < b.position; });
    const float gridWidth = sim.result.grid.gridWidth;
    width_ = widths.totalWidth > 0.0f ? widths.totalWidth : gridWidth;
    lorentzShare_ = std::clamp(static_cast<double>(widths.lorentzFraction), 0.0, 1.0);
    step_ = gridWidth;
    unit_ = simulation::AxisUnitName(c.unit);
}

double SimulatedLines::Profile(double dx) const {
    if (!(width_ > 0.0)) return dx == 0.0 ? 1.0 : 0.0;
    // Pseudo-Voigt of peak 1: the Gaussian and Lorentzian of FWHM width_ mixed by the
    // Lorentzian share.
    const double u = 2.0 * dx / width_;
    return (1.0 - lorentzShare_) * std::exp(-std::log(2.0) * u * u) + lorentzShare_ / (1.0 + u * u);
}

std::vector<LookedUpLine> SimulatedLines::Near(double x, double halfWidth) const {
    const auto first = std::lower_bound(lines_.begin(), lines_.end(), x - halfWidth,
                                        [](const LookedUpLine& l, double v) { return l.position < v; });
    std::vector<LookedUpLine> found;
    for (auto it = first; it != lines_.end() && it->position <= x + halfWidth; ++it) {
        LookedUpLine l = *it;
        l.contribution = l.area * Profile(l.position - x);
        found.push_back(std::move(l));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const LookedUpLine& a, const LookedUpLine& b) { return a.contribution > b.contribution; });
    const double largest = found.empty() ? 0.0 : found.front().contribution;
    for (LookedUpLine& l : found) l.relative = largest > 0.0 ? 100.0 * l.contribution / largest : 0.0;
    return found;
}

std::vector<LookedUpLine> SimulatedLines::UnderClick(double x) const { return Near(x, std::max(width_, step_)); }

std::optional<LookedUpLine> SimulatedLines::Nearest(double x) const {
    if (lines_.empty()) return std::nullopt;
    const auto after = std::lower_bound(lines_.begin(), lines_.end(), x,
                                        [](const LookedUpLine& l, double v) { return l.position < v; });
    auto best = after == lines_.end() ? std::prev(after) : after;
    if (after != lines_.begin() && std::fabs(std::prev(after)->position - x) <= std::fabs(best->position - x))
        best = std::prev(after);
    LookedUpLine l = *best;
    l.contribution = l.area * Profile(l.position - x);
    l.relative = 100.0;
    return l;
}

std::vector<LookedUpLine> SimulatedLines::Strongest(double x0, double x1, std::size_t count) const {
    if (x1 < x0) std::swap(x0, x1);
    const auto first = std::lower_bound(lines_.begin(), lines_.end(), x0,
                                        [](const LookedUpLine& l, double v) { return l.position < v; });
    std::vector<LookedUpLine> found;
    for (auto it = first; it != lines_.end() && it->position <= x1; ++it) found.push_back(*it);
    const auto byArea = [](const LookedUpLine& a, const LookedUpLine& b) { return a.area > b.area; };
    const std::size_t n = std::min(count, found.size());
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(n), found.end(), byArea);
    found.resize(n);
    for (LookedUpLine& l : found) {
        l.contribution = l.area;
        l.relative = found.front().area > 0.0 ? 100.0 * l.area / found.front().area : 0.0;
    }
    return found;
}

std::string SimulatedLines::Label(const LookedUpLine& l) {
    return "(" + std::to_string(l.vUp) + "," + std::to_string(l.vLow) + ") " + l.name + " " + Trim(Str(l.JLow));
}

std::string SimulatedLines::Text(const LookedUpLine& l, bool withShare) const {
    std::string text = "(" + std::to_string(l.vUp) + "," + std::to_string(l.vLow) + ") " + l.name +
                       " N''=" + std::to_string(l.NLow) + " J''=" + Trim(Str(l.JLow)) + " " + l.parityLow + "  " +
                       Trim(Format(l.position, "0.000")) + " " + unit_;
    if (withShare) text += "  " + Trim(Format(l.relative, "0")) + " %";
    return text;
}

void SimulatedLines::Write(const std::string& path) const {
    AtomicTextWriter out(path);
    out.WriteLine("v_up,v_low,branch,N_low,J_low,parity_low,position (" + unit_ + "),area");
    char number[64];
    for (const LookedUpLine& l : lines_) {
        std::snprintf(number, sizeof number, "%.6f,%.6g", l.position, l.area);
        out.WriteLine(std::to_string(l.vUp) + "," + std::to_string(l.vLow) + "," + l.name + "," +
                      std::to_string(l.NLow) + "," + Trim(Str(l.JLow)) + "," + l.parityLow + "," + number);
    }
    out.Commit();
}

}  // namespace velmora::program
