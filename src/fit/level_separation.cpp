#include "fit/level_separation.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace velmora::fit {

double VoigtFwhm(double gauss, double lorentz) {
    return 0.5346 * lorentz + std::sqrt(0.2166 * lorentz * lorentz + gauss * gauss);
}

LevelSeparation SeparateLevels(const std::vector<std::vector<simulation::DrawnLine>>& lines, double lo, double hi,
                               double width) {
    struct Line {
        double x, weight;
        int level;
    };
    std::vector<Line> all;
    for (std::size_t k = 0; k < lines.size(); ++k)
        for (const simulation::DrawnLine& d : lines[k])
            if (d.x >= lo && d.x <= hi && d.weight > 0.0) all.push_back({d.x, d.weight, static_cast<int>(k)});
    std::sort(all.begin(), all.end(), [](const Line& a, const Line& b) { return a.x < b.x; });
    std::vector<double> strongest(lines.size(), 0.0), isolation(lines.size(), -1.0);
    for (const Line& l : all)
        strongest[static_cast<std::size_t>(l.level)] = std::max(strongest[static_cast<std::size_t>(l.level)], l.weight);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Line& l = all[i];
        if (l.weight < 0.1 * strongest[static_cast<std::size_t>(l.level)]) continue;
        // The nearest line of another level strong enough to hide it, on either side (the ends of
        // the range count as far away).
        double nearest = HUGE_VAL;
        for (std::size_t j = i; j-- > 0 && l.x - all[j].x < nearest;)
            if (all[j].level != l.level && all[j].weight >= 0.1 * l.weight) nearest = l.x - all[j].x;
        for (std::size_t j = i + 1; j < all.size() && all[j].x - l.x < nearest; ++j)
            if (all[j].level != l.level && all[j].weight >= 0.1 * l.weight) nearest = all[j].x - l.x;
        double& best = isolation[static_cast<std::size_t>(l.level)];
        best = std::max(best, nearest);
    }
    std::vector<double> present;
    for (double d : isolation)
        if (d >= 0.0) present.push_back(d);
    LevelSeparation s;
    s.levels = static_cast<int>(present.size());
    s.separated = static_cast<int>(std::count_if(present.begin(), present.end(), [&](double d) { return d >= width; }));
    s.needed = 3;
    s.quarter = std::max(3, (s.levels + 3) / 4);
    std::sort(present.begin(), present.end(), std::greater<>());
    auto widthFor = [&](int count) { return s.levels >= count ? present[static_cast<std::size_t>(count - 1)] : 0.0; };
    s.neededWidth = widthFor(s.needed);
    s.quarterWidth = widthFor(s.quarter);
    return s;
}

}  // namespace velmora::fit
