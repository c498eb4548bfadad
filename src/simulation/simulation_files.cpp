#include "simulation/simulation_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/errors.h"
#include "common/fixed_pattern.h"
#include "common/text_writer.h"
#include "populations/population_model.h"
#include "simulation/driver.h"

namespace velmora::simulation {

namespace {

/// Bytes gathered before they are handed to the file.
constexpr std::size_t kChunk = 1 << 16;

void WriteSimulation(AppState& app, const std::filesystem::path& path, bool levels) {
    SimulationState& sim = app.sim;
    const PopulationState& pop = app.pop;
    if (!HasSimulation(app) || sim.SimTotal.Hi() < sim.NPoints)
        throw FileError::In(path.string(), "there is no simulated spectrum to save; calculate a simulation first");
    AtomicTextWriter out(path);
    const bool noisy = sim.NoiseLevel >= 0.00001f;
    const bool absolute = sim.SimAbsolute.size() == static_cast<std::size_t>(sim.NPoints) + 1;
    const bool columns = levels && pop.NVibSel > 1;
    const double step = static_cast<double>(sim.GridWidth) / sim.PointsPerWidth;
    const FixedPattern x(XPattern(step, sim.NPoints + 1) + "   ");
    const FixedPattern level(", ###.0000 ");
    const FixedPattern total(levels ? ",  ###.0000" : " ,  ###.0000");
    std::string text;
    text.reserve(kChunk + 256);
    for (int i = 0; i <= sim.NPoints; ++i) {
        x.Append(text, sim.Xini + static_cast<double>(sim.GridWidth) * i / sim.PointsPerWidth);
        if (columns) {
            for (int k = 1; k <= pop.NVibSel; ++k) {
                const int v = populations::SelectedLevel(pop, k);
                level.Append(text, static_cast<double>(pop.PopVibSel(v)) * sim.SimBand(k, i));
            }
        }
        if (absolute) {
            // An absolute absorption unit: cross sections of 1E-18 cm2 need an exponent.
            char value[32];
            std::snprintf(value, sizeof value, "%.6E", sim.SimAbsolute[static_cast<std::size_t>(i)]);
            text += levels ? ",  " : " ,  ";
            text += value;
        } else {
            double y = sim.SimTotal(i);
            if (noisy) y += 0.5 * sim.NoiseLevel * sim.Noise.Next();
            total.Append(text, y);
        }
        text += "\r\n";
        if (text.size() >= kChunk) {
            out.Write(text);
            text.clear();
        }
    }
    out.Write(text);
    out.Commit();
}

}  // namespace

std::string XPattern(double step, int points) {
    // With d decimals the axis rebuilt from two written points, x0 + i (x1 - x0), errs by up to
    // i 10^-d at point i: enough decimals keep that within a thousandth of a step over the whole
    // file. At least 3; at most 12, about what double precision holds at these magnitudes.
    int decimals = 3;
    while (decimals < 12 && std::max(points, 1) * std::pow(10.0, -decimals) > step / 1000.0) ++decimals;
    return FixedPattern::OptionalDecimals(decimals);
}

void WriteSimulationTotal(AppState& app, const std::filesystem::path& path) { WriteSimulation(app, path, false); }

void WriteSimulationIndependent(AppState& app, const std::filesystem::path& path) { WriteSimulation(app, path, true); }

}  // namespace velmora::simulation
