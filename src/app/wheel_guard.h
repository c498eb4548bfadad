// The lists and spin boxes of a scrolling page take the mouse wheel only when they have the
// focus: a wheel turned to scroll the page passes over them to the page, and changes no value.
#pragma once

class QWidget;

namespace velmora::app {

/// Guards every list and spin box below `root` (a click or Tab gives them the focus, the wheel
/// does not).
void GuardWheel(QWidget* root);

}  // namespace velmora::app
