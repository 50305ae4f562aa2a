// The hand edits of the result picture: dyeing the colour layer with a colour of the
// palette, and rubbing out line-layer specks with a round white brush; plus rebuilding
// only the edited part of the shown result. Standard library only.
#pragma once

#include "core/Image32.h"

namespace brimlet {

// Maps a point of the result image control to its picture: Round(X * W / CW) and
// Round(Y * H / CH) with integer products and extended-precision division.
// False when the control has no area.
bool ControlToPicture(int X, int Y, int pictureWidth, int pictureHeight, int controlWidth,
                      int controlHeight, int& x, int& y);

// Every pixel of the colour layer whose R, G and B equal those of the layer at (x, y)
// takes the R, G and B of the palette at (x, y); alpha bytes stay. Both colours are read
// as a canvas reads them, so a point outside a picture reads as white.
// Returns the bounding rectangle of the pixels that changed (empty when none did).
Rect DyeColourLayer(TBitmap32& colour, const TBitmap32& palette, int x, int y);

// Brush of the spot-clearing tool at a control point: centre Round(X * s), Round(Y * s)
// and radius Round(10 * s), s being picture pixels per screen pixel.
struct TBrushDab {
    int cx = 0, cy = 0, r = 0;
};
TBrushDab BrushDabAt(int X, int Y, double displayScale);

// Paints the disc white with alpha 0 (paper): for every column c in cx - r .. cx + r the
// rows cy - h .. cy + h with h = Round(sqrt(r^2 - (cx - c)^2)); outside pixels skipped.
// Returns the part of the picture the disc covers (empty when it misses the picture).
Rect ClearSpot(TBitmap32& line, int cx, int cy, int r);

// Which picture the result image shows: the colour layer with the line layer drawn over
// it when "Dyeing && Sketch" is checked, otherwise the colour layer when the colour layer
// was written last (kind 1), else the line layer.
struct TShowRule {
    bool dyeingAndSketch = false;
    int resultKind = 0;
};

// The whole shown picture built by the rule.
TBitmap32 ComposeShown(const TBitmap32& colour, const TBitmap32& line, TShowRule rule);

// Rebuilds only `area` of a shown picture that already follows the rule elsewhere.
// Returns false, changing nothing, when the pictures' sizes do not allow that (the caller
// then rebuilds the whole picture).
bool ComposeShownArea(const TBitmap32& colour, const TBitmap32& line, TShowRule rule,
                      TBitmap32& shown, const Rect& area);

// Dyeing followed by the redisplay, in one pass: dyes the colour layer exactly as
// DyeColourLayer does and rebuilds each changed pixel of a shown picture that already
// follows the rule. Returns the changed rectangle; shownUpdated is false when the shown
// picture's size does not allow that (it is then left alone and must be rebuilt whole).
Rect DyeColourLayerShown(TBitmap32& colour, const TBitmap32& palette, int x, int y,
                         const TBitmap32& line, TShowRule rule, TBitmap32& shown,
                         bool& shownUpdated);

namespace reference {
void DyeColourLayer(TBitmap32& colour, const TBitmap32& palette, int x, int y);
void ClearSpot(TBitmap32& line, int cx, int cy, int r);
TBitmap32 ComposeShown(const TBitmap32& colour, const TBitmap32& line, TShowRule rule);
}  // namespace reference

}  // namespace brimlet
