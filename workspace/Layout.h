// Widget-free geometry of the main window: fitting a picture into a pane, the display
// scale and the status bar's middle panel. Kept apart from the widgets so it can be
// checked with tables of cases.
#pragma once

namespace brimlet {

struct PlacedRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PlacedRect&) const = default;
};

// Places a picture of width x height inside a pane of paneWidth x paneHeight: it fills
// the pane's height (or width, when the pane is relatively narrower) minus 4 pixels,
// keeps its proportions and is centred on the other side with the same 4-pixel allowance.
PlacedRect FitPicture(int width, int height, int paneWidth, int paneHeight);

// Picture pixels per screen pixel: picture width over control width (0 for an empty control).
double DisplayScaleFor(int pictureWidth, int controlWidth);

// The status bar's middle panel follows the source pane's width after a divider move.
inline int StatusMiddleWidth(int sourcePaneWidth) { return sourcePaneWidth - 87; }

}  // namespace brimlet
