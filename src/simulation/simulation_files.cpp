#include "simulation/simulation_files.h"

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
    const FixedPattern x(XPattern(s.grid.Step()) + "   ");
    const FixedPattern level(", ###.0000 ");
    const FixedPattern total(levels ? ",  ###.0000" : " ,  ###.0000");
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

std::string XPattern(double step) {
    // Rounding to d decimals errs by at most 0.5E-d: within a tenth of the step when
    // 10^-d <= step / 5. Never fewer than 3 decimals.
    int decimals = 3;
    while (decimals < 9 && std::pow(10.0, -decimals) > step / 5.0) ++decimals;
    return FixedPattern::OptionalDecimals(decimals);
}

void WriteSimulationTotal(SimulationState& sim, const std::filesystem::path& path) {
    WriteSimulation(sim, path, false);
}

void WriteSimulationIndependent(SimulationState& sim, const std::filesystem::path& path) {
    WriteSimulation(sim, path, true);
}

}  // namespace velmora::simulation
