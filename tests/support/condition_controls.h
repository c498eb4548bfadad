// The condition controls as a test works them: a text typed into a field's box, a value chosen
// in its list or check box, through the program's control events.
#pragma once

#include <string>
#include <string_view>

#include "program/condition_events.h"

namespace velmora::testing {

/// Types `text` into the box of a condition field and leaves the box; returns the text the box
/// shows then.
inline std::string Type(AppState& app, std::string_view field, std::string_view text) {
    const simulation::ConditionField& f = simulation::Field(field);
    program::ConditionBox_Change(app, f, text);
    return program::ConditionBox_Finish(app, f, text);
}

/// Chooses a stored value in the list (or check box) of a condition field.
inline ViewGroups Choose(AppState& app, std::string_view field, int value) {
    return program::ConditionList_Click(app, simulation::Field(field), value);
}

}  // namespace velmora::testing
