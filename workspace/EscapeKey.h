// Esc closes a secondary window as its close box would (the window is hidden, not destroyed).
#pragma once

class QWidget;

namespace brimlet {

// Gives the window an Esc shortcut that closes it while it (or one of its controls) has
// the keyboard focus.
void CloseOnEscape(QWidget* window);

}  // namespace brimlet
