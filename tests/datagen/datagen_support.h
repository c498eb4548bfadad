// Shared helpers of the database-builder tests: source folders and the check values that the
// data READMEs quote for their Hamiltonians.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "system_model.h"

namespace velmora::datagen::testing {

inline std::filesystem::path SourceDir() { return std::filesystem::path(VELMORA_SOURCE_DIR) / "data-src"; }
inline std::filesystem::path CommittedData() { return std::filesystem::path(VELMORA_SOURCE_DIR) / "data"; }
inline std::filesystem::path BuiltData() { return std::filesystem::path(VELMORA_DATA_DIR); }

/// The constants of one state of a data folder, as the catalogue would load them.
StateData LoadFolderState(const std::string& folder, const std::string& file, const std::string& symmetry, int vmax,
                          std::vector<int> emptyIsZero = {});

/// A term value quoted in a data README: level (v, J, parity e/f, F) and its energy.
struct CheckValue {
    int v;
    double J;
    char parity;  ///< 'e' or 'f' ('e' for 2Sigma levels)
    int F;
    double energy;
};

/// A state with the check values of its README.
struct CheckedState {
    std::string name;  ///< for messages
    std::string code;  ///< molecule code
    std::string folder, file, symmetry;
    int vmax;
    std::vector<int> emptyIsZero;
    std::vector<CheckValue> values;
};

/// Every state of data-src whose README quotes term values.
const std::vector<CheckedState>& CheckedStates();

}  // namespace velmora::datagen::testing
