// The look every window of the program shares: sky-blue background and a small sans font,
// and the flags of the secondary windows (non-modal tool windows above the main window).
#pragma once

#include <QColor>
#include <QWidget>

namespace brimlet {

inline QColor SkyBlue() { return QColor(166, 202, 240); }

// Sky-blue background and the 8-point sans font.
void ApplyWindowLook(QWidget* window);

// A small tool window kept above its parent, with a close box only.
Qt::WindowFlags ToolWindowFlags();

// Fills a widget with a solid colour (panels and the window itself).
void SetBackground(QWidget* widget, const QColor& colour);

}  // namespace brimlet
