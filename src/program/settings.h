// The user's settings between runs: every key, its default, its conversion and the write order,
// through a key-value store that the desktop shell backs with the platform's settings.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "state/app_state.h"

namespace velmora::program {

/// Per-user settings addressed by section ("Main", "Simulation", "Files") and key; text values.
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;
    /// The stored text, or nullopt when the key has never been written.
    virtual std::optional<std::string> Get(const std::string& section, const std::string& key) const = 0;
    virtual void Set(const std::string& section, const std::string& key, const std::string& value) = 0;
};

/// A store in memory that also records the order of the writes.
class MemoryStore final : public KeyValueStore {
public:
    struct Write {
        std::string section, key, value;
    };
    std::vector<Write> writes;  ///< every Set, in order

    std::optional<std::string> Get(const std::string& section, const std::string& key) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

/// Reads every setting into the state. A missing or empty value takes its default; text that
/// is not a number reads as 0 (its leading numeric part); numbers are rounded to whole numbers
/// for integer settings. A list index outside its list takes the default.
void LoadSettings(AppState& app, const KeyValueStore& store);

/// Writes every setting from the state, numbers in their default text form (" 1").
void SaveSettings(const AppState& app, KeyValueStore& store);

/// The message shown at close when the settings cannot be written to their file.
std::string SettingsNotSavedMessage(const std::string& file);

}  // namespace velmora::program
