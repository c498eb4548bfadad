// Undo and redo of condition edits: the conditions in force before each edit, the last
// kDepth of them. An edit is what a user did at once: a box from its first key to leaving it,
// a choice in a list, a check box, a cell of the gas composition, a value applied from the fit.
// The history keeps whole conditions, so that an undo brings back every field the edit
// changed together (a new axis unit converts the range and the widths).
#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "simulation/conditions.h"

namespace velmora::program {

class ConditionHistory {
public:
    /// Edits remembered for undo; older ones are forgotten.
    static constexpr std::size_t kDepth = 50;

    /// An edit begins with `inForce` the conditions before it. While one is open, a second
    /// Begin changes nothing (a box's keys are one edit).
    void Begin(const simulation::SimulationConditions& inForce);
    /// True between Begin and End.
    bool Open() const { return open_.has_value(); }
    /// The conditions before the open edit (the conditions given, when none is open).
    const simulation::SimulationConditions& Before(const simulation::SimulationConditions& inForce) const;
    /// The open edit ends with `now` in force: it is remembered when it changed anything, and
    /// the edits undone before it can no longer be redone.
    void End(const simulation::SimulationConditions& now);

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    /// The conditions before the last edit, `now` kept for a redo; nothing when there is none.
    std::optional<simulation::SimulationConditions> Undo(const simulation::SimulationConditions& now);
    /// The conditions of the last edit undone, `now` kept for an undo; nothing when there is none.
    std::optional<simulation::SimulationConditions> Redo(const simulation::SimulationConditions& now);

private:
    std::optional<simulation::SimulationConditions> open_;
    std::deque<simulation::SimulationConditions> undo_, redo_;
};

}  // namespace velmora::program
