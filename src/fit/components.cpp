#include "fit/components.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "common/number_format.h"
#include "fit/fit_system.h"
#include "fit/spectrum_model.h"

namespace velmora::fit {

std::string ComponentLabel(const std::string& system, int vUp, int vLow, const std::string& branch) {
    std::string label = system + " (" + std::to_string(vUp) + "-" + std::to_string(vLow) + ")";
    return branch.empty() ? label : label + " " + branch;
}

std::vector<SystemTracer::Component> SystemTracer::ComponentTraces(const SystemValues& v, bool branches,
                                                                   simulation::SpectralGrid& grid) {
    SystemTrace whole;
    Trace(v, whole);  // the area every component is divided by, as the total is
    const Lines& lines = LinesFor(v);
    if (!lines.groups.empty()) {
        // A line list is one band of unnamed branches: its one component is the whole spectrum,
        // its lines drawn in their width groups.
        grid = whole.grid;
        std::vector<Component> out;
        out.push_back({0, 0, 0, {}, whole.total});
        return out;
    }
    simulation::LineDrawer drawer = Drawer(v, lines.list.squareRoot, grid);
    // The lines of each band, and of each branch of it; free populations weigh each level's lines.
    std::map<std::tuple<int, int, int>, std::vector<simulation::DrawnLine>> groups;
    for (std::size_t k = 0; k < lines.list.levels.size(); ++k)
        for (simulation::DrawnLine line : lines.list.levels[k]) {
            if (!v.populations.empty()) line.weight *= v.populations[k];
            groups[{line.vUp, line.vLow, 0}].push_back(line);
            // A line without a branch (a line list's) belongs to its band only.
            if (branches && line.b > 0) groups[{line.vUp, line.vLow, line.b}].push_back(line);
        }
    const Catalogue* cat = system_.database ? &system_.database->cat : nullptr;
    const std::size_t points = static_cast<std::size_t>(grid.Points());
    simulation::DrawStats stats;
    std::vector<Component> out;
    for (const auto& [key, list] : groups) {
        const auto [vUp, vLow, b] = key;
        Component c{vUp, vLow, b, {}, std::vector<float>(points, 0.0f)};
        if (b > 0 && system_.multiplet) {
            c.branchName = simulation::MultipletBranchName(*system_.multiplet, b);
        } else if (b > 0) {
            const int inSet = b > 12 ? b - 12 : b;
            c.branchName =
                cat && cat->BranchName.Contains(0, inSet) ? Trim(cat->BranchName(0, inSet)) : "b" + std::to_string(b);
            if (b > 12) c.branchName += " (second set)";
        }
        drawer.Draw(list, c.y.data(), stats);
        if (whole.area > 0.0)
            for (float& y : c.y) y = static_cast<float>(y / whole.area);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<FitComponent> SpectrumModel::Components(const std::vector<double>& p, const std::vector<double>& x,
                                                    bool branches, const std::vector<std::string>& systemLabels) {
    std::vector<FitComponent> out;
    std::vector<double> u, values(x.size());
    AxisPositions(p, x, u);
    CubicWeights cubic;  // the components of a system share its grid
    for (std::size_t s = 0; s < tracers_.size(); ++s) {
        simulation::SpectralGrid grid;
        const std::vector<SystemTracer::Component> traces =
            tracers_[s].ComponentTraces(ValuesOf(static_cast<int>(s), p), branches, grid);
        const double scale = p[static_cast<std::size_t>(layout_.systems[s].scale)];
        for (const SystemTracer::Component& c : traces) {
            FitComponent f;
            f.system = static_cast<int>(s);
            f.vUp = c.vUp, f.vLow = c.vLow, f.branch = c.branch;
            f.label = ComponentLabel(systemLabels[s], c.vUp, c.vLow, c.branchName);
            f.values.resize(x.size());
            cubic.At(grid, c.y, u, values.data());
            bool reaches = false;  // lines only in the margins beyond the points add nothing to show
            for (std::size_t i = 0; i < x.size(); ++i) {
                f.values[i] = scale * values[i];
                reaches = reaches || f.values[i] != 0.0;
            }
            if (reaches) out.push_back(std::move(f));
        }
    }
    // Bands before branches, in the order of the systems and bands.
    std::stable_partition(out.begin(), out.end(), [](const FitComponent& c) { return c.branch == 0; });
    return out;
}

}  // namespace velmora::fit
