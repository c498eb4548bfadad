// The simulation conditions as velmora-cli options, shared by every command that simulates
// (simulate, and the commands that draw or compare a simulation).
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/condition_options.h"
#include "simulation/conditions.h"
#include "state/app_state.h"

namespace velmora::cli {

/// Makes the conditions the options give (ConditionsFromOptions) the conditions in force, with the
/// options of the populations and the written file (--thermal, --min-population, --noise). Call
/// before the band system is selected.
void SetSimulationOptions(AppState& app, const Args& args, const simulation::SimulationConditions& conditions);

/// A Dialogs that writes every message to a stream (the messages the driver raises).
class StreamDialogs final : public Dialogs {
public:
    explicit StreamDialogs(std::ostream& out) : out_(out) {}
    void ShowMessage(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text, std::string_view title) override;
    std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultText) override;

private:
    std::ostream& out_;
};

/// Outcome of a simulation run from the command line.
struct SimulationRun {
    bool ok = false;  ///< a spectrum was computed
    int points = 0;   ///< grid points (NPoints + 1)
    int linesDrawn = 0;
    double milliseconds = 0;
    /// What the run has to say beside the numbers, for the one-line summary; empty when nothing.
    std::string notice;
};

/// Throws std::invalid_argument "no line of ENTRY in the range ..." when the range boxes hold no
/// line of the selected band system.
void RequireLinesInRange(const AppState& app);

/// Starts the core on the database folder of --data with the first-run settings, makes the
/// conditions of the options (ConditionsFromOptions) those in force, selects the band system of --entry and runs
/// "Calculate simulation" (after checking that the range holds a line, unless --limits takes it from the spectrum
/// later). The app's dialogs must already point where messages should go. Throws std::invalid_argument when the range
/// holds no grid point.
SimulationRun SimulateFromOptions(AppState& app, const Args& args);

}  // namespace velmora::cli
