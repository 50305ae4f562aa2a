// The program's three pointer shapes, kept in numbered slots like the screen's cursor table:
// 1 "EYEDROP" (dyeing tool, hot spot at the tip), 2 "FULLSIZE" (full-size tool, a four-way
// move arrow), 3 "YUAN" (spot-clearing brush, a circle with an eraser, hot spot at its centre).
#pragma once

#include <QCursor>
#include <QPoint>

namespace brimlet {

enum CursorSlot : int { crEyedrop = 1, crFullSize = 2, crYuan = 3 };

// Fills a slot from the program's own artwork; loading a slot again is harmless.
void LoadCursorSlot(int slot);

// The cursor in a slot; a slot never loaded gives the arrow pointer.
QCursor SlotCursor(int slot);

// The hot spot each shape is drawn for (pixel coordinates in its 32 x 32 picture).
QPoint CursorHotSpot(int slot);

}  // namespace brimlet
