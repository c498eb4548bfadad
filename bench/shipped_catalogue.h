// The shipped database's catalogue for the benchmark programs, read once per program.
#pragma once

#include <memory>

#include "program/startup.h"

namespace velmora::bench {

inline const DatabaseState& ShippedCatalogue() {
    static std::unique_ptr<AppState> app;
    if (!app) {
        app = std::make_unique<AppState>();
        program::MemoryStore firstRun;
        program::StartUp(*app, firstRun, VELMORA_DATA_DIR);
    }
    return app->db;
}

}  // namespace velmora::bench
