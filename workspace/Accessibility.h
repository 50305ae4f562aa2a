// What screen readers and desktop robots see of the program's windows beyond the toolkit's
// defaults: the secondary windows announced as windows, and check-type buttons whose
// accessible toggle does exactly what a click does (the toolkit's own toggle flips the state
// without a click, so the command behind the button would not run).
#pragma once

#include <QAccessible>

class QAbstractButton;
class QWidget;

namespace brimlet {

// Exposes a top-level widget with the given role (QAccessible::Window for a frame,
// QAccessible::Dialog for a dialog) instead of the toolkit's plain client area.
void ExposeAsWindow(QWidget* window, QAccessible::Role role);

// The button's accessible toggle and press actions run click(), with its signals and
// handlers, as a mouse click would.
void ClickOnAccessibleAction(QAbstractButton* button);

}  // namespace brimlet
