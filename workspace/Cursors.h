// The program's three pointer shapes, kept in numbered slots like the screen's cursor table:
// 1 "EYEDROP" (dyeing tool, hot spot at the tip), 2 "FULLSIZE" (full-size tool, a four-way
// move arrow), 3 "YUAN" (spot-clearing brush, a circle with an eraser, hot spot at its centre).
#pragma once

#include <QCursor>
#include <QPixmap>
#include <QPoint>

namespace brimlet {

enum CursorSlot : int { crEyedrop = 1, crFullSize = 2, crYuan = 3 };

// Fills a slot from the program's own artwork, drawn at twice the size when a screen has a
// device pixel ratio above 1; loading a slot again is harmless.
void LoadCursorSlot(int slot);

// The artwork resolution for a device pixel ratio: 1 or 2 device pixels per logical pixel.
int CursorArtworkRatio(qreal devicePixelRatio);

// A slot's artwork: 32 x 32 logical pixels at the given ratio (null for an unknown slot).
QPixmap CursorArtwork(int slot, int ratio);

// The cursor in a slot; a slot never loaded gives the arrow pointer.
QCursor SlotCursor(int slot);

// The hot spot each shape is drawn for (pixel coordinates in its 32 x 32 picture).
QPoint CursorHotSpot(int slot);

}  // namespace brimlet
