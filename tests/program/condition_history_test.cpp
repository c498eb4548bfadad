// Undo and redo of condition edits: what one edit is, the depth of the history, and the
// recomputation of what depends on the fields an undo brings back.
#include "program/condition_history.h"

#include <gtest/gtest.h>

#include "program/condition_events.h"
#include "program/main_window.h"
#include "support/condition_controls.h"

namespace velmora::program {
namespace {

using simulation::Field;
using simulation::SimulationConditions;

/// One box edit as the window makes it: the keys of `text`, then the box left.
void EditBox(AppState& app, ConditionHistory& h, const char* field, std::string_view text) {
    for (std::size_t n = 1; n <= text.size(); ++n) {
        if (IsIncompleteNumber(text.substr(0, n))) continue;
        h.Begin(app.sim.conditions);
        ConditionBox_Change(app, Field(field), text.substr(0, n), h.Before(app.sim.conditions));
    }
    ConditionBox_Finish(app, Field(field), text);
    h.End(app.sim.conditions);
}

void Undo(AppState& app, ConditionHistory& h) {
    if (const auto c = h.Undo(app.sim.conditions)) RestoreConditions(app, *c);
}

void Redo(AppState& app, ConditionHistory& h) {
    if (const auto c = h.Redo(app.sim.conditions)) RestoreConditions(app, *c);
}

TEST(ConditionHistory, UndoesWholeEditsAndRecomputesWhatFollows) {
    AppState app;
    ConditionHistory h;
    EXPECT_FALSE(h.CanUndo());

    // Four keys, one edit; the populations follow the temperature.
    EditBox(app, h, "temperature", "2700");
    EXPECT_EQ(app.sim.conditions.temperature, 2700.0);
    EXPECT_FLOAT_EQ(app.pop.Temperature, 2700.0f);
    // A refused edit and an edit that ends where it began are no edits.
    EditBox(app, h, "temperature", "1e9");
    EditBox(app, h, "temperature", "2700");
    // The resolution, then the axis unit, which converts the range and the resolution with it.
    EditBox(app, h, "resolution", "0.5");
    EXPECT_FLOAT_EQ(app.sim.widths.totalWidth, 0.5f);
    h.Begin(app.sim.conditions);
    testing::Choose(app, "units", 4);
    h.End(app.sim.conditions);
    const SimulationConditions inNm = app.sim.conditions;
    EXPECT_NEAR(inNm.start, 305.0, 1e-9);

    Undo(app, h);
    EXPECT_EQ(app.sim.conditions.unit, simulation::AxisUnit::AngstromVacuum);
    EXPECT_EQ(app.sim.conditions.start, 3050.0);
    EXPECT_EQ(app.sim.conditions.resolution, 0.5);
    Undo(app, h);
    EXPECT_FLOAT_EQ(app.sim.widths.totalWidth, 1.0f);  // the widths follow the resolution back
    Undo(app, h);
    EXPECT_EQ(app.sim.conditions.temperature, 300.0);
    EXPECT_FLOAT_EQ(app.pop.Temperature, 300.0f);
    EXPECT_TRUE(app.sim.conditions == SimulationConditions{});
    EXPECT_FALSE(h.CanUndo());
    for (int i = 0; i < 3; ++i) Redo(app, h);
    EXPECT_TRUE(app.sim.conditions == inNm);
    EXPECT_FALSE(h.CanRedo());

    // A new edit after an undo: what was undone can no longer be redone.
    Undo(app, h);
    EditBox(app, h, "resolution", "0.25");
    EXPECT_FALSE(h.CanRedo());
    EXPECT_TRUE(h.CanUndo());
}

TEST(ConditionHistory, KeepsTheLastFiftyEdits) {
    AppState app;
    ConditionHistory h;
    for (int t = 1; t <= 60; ++t) EditBox(app, h, "temperature", std::to_string(1000 + t));
    int undone = 0;
    while (h.CanUndo()) Undo(app, h), ++undone;
    EXPECT_EQ(undone, static_cast<int>(ConditionHistory::kDepth));
    EXPECT_EQ(app.sim.conditions.temperature, 1010.0);  // before edit 11, the oldest kept
    while (h.CanRedo()) Redo(app, h);
    EXPECT_EQ(app.sim.conditions.temperature, 1060.0);
}

}  // namespace
}  // namespace velmora::program
