// A cache of pre-computed band systems that outlives the process: the database state that the
// pre-computation of a system leaves and the band-system model built from it, stored as one
// binary file per catalogue entry, so that a new process reads them in one go instead of loading
// and computing every band again.
//
// File layout (little-endian on the machines that write it; another byte order fails the check):
//   8 bytes   magic "VELMODEL"
//   u32       format version (kModelCacheFormat)
//   u32       byte-order mark 0x01020304
//   u64       key: hash of the program version and build, the format, the entry, the pre-computation's
//             inputs (pressure, quenching) and the name and bytes of every data file the system
//             reads (the top-level files of the database folder and its molecule's folder)
//   u64       payload length, bytes
//   u64       payload checksum
//   payload   the database fields and the model, field by field
// A file whose magic, version, key, length or checksum does not match, or whose payload does not
// parse to its end, is never used: the system is computed and the file written anew (to a
// temporary file renamed over it, so that processes building at once are safe).
//
// Where: <database folder>/cache/, or, when that cannot be written, $XDG_CACHE_HOME/velmora/models
// (default ~/.cache/velmora/models). VELMORA_MODEL_CACHE=off turns the cache off;
// VELMORA_MODEL_CACHE=DIR keeps the files in DIR.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/services.h"
#include "database/database_state.h"
#include "simulation/band_system_model.h"

namespace velmora::simulation {

/// Version of the file layout; raised whenever a stored field changes.
inline constexpr std::uint32_t kModelCacheFormat = 4;

/// Whether and where cache files are kept.
struct ModelCacheSettings {
    bool enabled = true;
    /// Folders tried in turn; empty: <database folder>/cache, then the user's cache folder.
    std::vector<std::string> folders;
    std::string programVersion;  ///< empty: the version and build (binary size and time) of this program
};

/// The settings of the environment variable VELMORA_MODEL_CACHE ("off" or "0": no cache; a
/// folder: the files go there); without it the default folders.
ModelCacheSettings ModelCacheFromEnvironment();

/// How a pre-computation was obtained.
enum class ModelSource { Computed, Cache };

/// Pre-computes the system db.systemEntry for a pressure (Torr) as SystemPrecompute does and builds its
/// model, or reads both from the cache file when it holds this system from the same data files,
/// program version and inputs. A computed system is stored; a cache that cannot be written is
/// not an error. Throws what SystemPrecompute and BuildBandSystemModel throw; on failure db is
/// left as it was.
std::shared_ptr<const BandSystemModel> PrecomputeSystem(
    DatabaseState& db, float pressureTorr, Shell& shell,
    const ModelCacheSettings& settings = ModelCacheFromEnvironment(), ModelSource* source = nullptr);

/// The cache file the system db.systemEntry is stored in first (the first folder of the settings).
std::string ModelCacheFile(const DatabaseState& db, const ModelCacheSettings& settings);

}  // namespace velmora::simulation
