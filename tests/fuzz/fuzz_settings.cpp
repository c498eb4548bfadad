// Fuzz target: the settings reader. The input is a settings file of "Section/Key=value" lines;
// whatever it holds, the restored conditions lie within what their controls accept, and saving
// and restoring them again changes nothing.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_files.h"
#include "program/settings.h"
#include "simulation/condition_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    using fuzz::Check;
    program::MemoryStore store;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t slash = line.find('/'), equals = line.find('=');
        if (slash == std::string_view::npos || equals == std::string_view::npos || equals < slash) continue;
        store.Set(std::string(line.substr(0, slash)), std::string(line.substr(slash + 1, equals - slash - 1)),
                  std::string(line.substr(equals + 1)));
    }
    AppState app;
    program::LoadSettings(app, store);
    const SimulationState& sim = app.sim;
    Check(simulation::kResolutionLimits.Contains(sim.conditions.resolution));
    const simulation::Limits range = simulation::RangeLimits(simulation::StoredValue(sim.conditions.unit));
    Check(range.Contains(sim.conditions.start) && range.Contains(sim.conditions.end) &&
          sim.conditions.start < sim.conditions.end);
    Check(simulation::kPressureTorrLimits.Contains(sim.conditions.pressure));
    Check(simulation::kTemperatureLimits.Contains(app.pop.Temperature));
    const int kind = simulation::StoredValue(sim.conditions.kind), unit = simulation::StoredValue(sim.conditions.unit),
              density = simulation::StoredValue(sim.conditions.density);
    Check(kind >= 1 && kind <= 4 && unit >= 1 && unit <= 5 && density >= 0 && density <= 3);

    program::MemoryStore saved, again;
    program::SaveSettings(app, saved);
    AppState back;
    program::LoadSettings(back, saved);
    program::SaveSettings(back, again);
    Check(saved.writes.size() == again.writes.size());
    for (std::size_t i = 0; i < saved.writes.size(); ++i) Check(saved.writes[i].value == again.writes[i].value);
    return 0;
}
