#include "program/condition_history.h"

namespace velmora::program {

using simulation::SimulationConditions;

namespace {

void Push(std::deque<SimulationConditions>& stack, const SimulationConditions& c) {
    stack.push_back(c);
    if (stack.size() > ConditionHistory::kDepth) stack.pop_front();
}

}  // namespace

void ConditionHistory::Begin(const SimulationConditions& inForce) {
    if (!open_) open_ = inForce;
}

const SimulationConditions& ConditionHistory::Before(const SimulationConditions& inForce) const {
    return open_ ? *open_ : inForce;
}

void ConditionHistory::End(const SimulationConditions& now) {
    if (!open_) return;
    if (!(*open_ == now)) {
        Push(undo_, *open_);
        redo_.clear();
    }
    open_.reset();
}

std::optional<SimulationConditions> ConditionHistory::Undo(const SimulationConditions& now) {
    End(now);
    if (undo_.empty()) return std::nullopt;
    SimulationConditions back = undo_.back();
    undo_.pop_back();
    Push(redo_, now);
    return back;
}

std::optional<SimulationConditions> ConditionHistory::Redo(const SimulationConditions& now) {
    End(now);
    if (redo_.empty()) return std::nullopt;
    SimulationConditions again = redo_.back();
    redo_.pop_back();
    Push(undo_, now);
    return again;
}

}  // namespace velmora::program
