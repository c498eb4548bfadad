#include "simulation/simulation_files.h"

#include <string>

#include "common/errors.h"
#include "common/number_format.h"
#include "common/text_writer.h"
#include "populations/population_model.h"
#include "simulation/driver.h"

namespace velmora::simulation {

namespace {

void WriteSimulation(AppState& app, const std::filesystem::path& path, bool levels) {
    SimulationState& sim = app.sim;
    const PopulationState& pop = app.pop;
    if (!HasSimulation(app) || sim.SimTotal.Hi() < sim.NPoints)
        throw FileError::In(path.string(), "there is no simulated spectrum to save; calculate a simulation first");
    AtomicTextWriter out(path);
    const bool noisy = sim.NoiseLevel >= 0.00001f;
    const bool columns = levels && pop.NVibSel > 1;
    std::string line;
    for (int i = 0; i <= sim.NPoints; ++i) {
        const float x = static_cast<float>(sim.Xini + static_cast<double>(sim.GridWidth) * i / sim.PointsPerWidth);
        line = Format(x, "#####.###   ");
        if (columns) {
            for (int k = 1; k <= pop.NVibSel; ++k) {
                const int v = populations::SelectedLevel(pop, k);
                line += Format(static_cast<double>(pop.PopVibSel(v)) * sim.SimBand(k, i), ", ###.0000 ");
            }
        }
        double total = sim.SimTotal(i);
        if (noisy) total += 0.5 * sim.NoiseLevel * sim.Noise.Next();
        line += Format(total, levels ? ",  ###.0000" : " ,  ###.0000");
        out.WriteLine(line);
    }
    out.Commit();
}

}  // namespace

void WriteSimulationTotal(AppState& app, const std::filesystem::path& path) { WriteSimulation(app, path, false); }

void WriteSimulationIndependent(AppState& app, const std::filesystem::path& path) {
    WriteSimulation(app, path, true);
}

}  // namespace velmora::simulation
