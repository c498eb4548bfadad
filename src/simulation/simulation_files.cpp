#include "simulation/simulation_files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/errors.h"
#include "common/fixed_pattern.h"
#include "common/text_writer.h"
#include "simulation/condition_view.h"

namespace velmora::simulation {

namespace {

/// Bytes gathered before they are handed to the file.
constexpr std::size_t kChunk = 1 << 16;

void WriteSimulation(SimulationState& sim, const std::filesystem::path& path, bool levels) {
    const Spectrum& s = sim.result;
    const int last = s.grid.last;
    if (!HasSimulation(sim) || s.total.Hi() < last)
        throw FileError::In(path.string(), "there is no simulated spectrum to save; calculate a simulation first");
    AtomicTextWriter out(path);
    const bool noisy = sim.NoiseLevel >= 0.00001f;
    const bool absolute = sim.SimAbsolute.size() == static_cast<std::size_t>(last) + 1;
    const int levelCount = static_cast<int>(s.levels.size());
    const bool columns = levels && levelCount > 1;
    const FixedPattern x(XPattern(s.grid.Step(), s.grid.Points()) + "   ");
    // Intensities with their leading zero ("0.0000", not ".0000"), which every reader takes.
    const FixedPattern level(", ##0.0000 ");
    const FixedPattern total(levels ? ",  ##0.0000" : " ,  ##0.0000");
    std::string text;
    text.reserve(kChunk + 256);
    for (int i = 0; i <= last; ++i) {
        x.Append(text, s.grid.X(i));
        if (columns)
            for (int k = 1; k <= levelCount; ++k)
                level.Append(text, s.weights[static_cast<std::size_t>(k - 1)] * s.bands(k, i));
        if (absolute) {
            // An absolute absorption unit: cross sections of 1E-18 cm2 need an exponent.
            char value[32];
            std::snprintf(value, sizeof value, "%.6E", sim.SimAbsolute[static_cast<std::size_t>(i)]);
            text += levels ? ",  " : " ,  ";
            text += value;
        } else {
            double y = s.total(i);
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

void WriteSimulationTotal(SimulationState& sim, const std::filesystem::path& path) {
    WriteSimulation(sim, path, false);
}

void WriteSimulationIndependent(SimulationState& sim, const std::filesystem::path& path) {
    WriteSimulation(sim, path, true);
}

}  // namespace velmora::simulation
