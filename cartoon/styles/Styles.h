// The style chains of the Make Cartoon panel, free of any window: each takes the picture it
// starts from and the slider values, and returns the finished picture(s). The panel stores
// them into its layers and shows them; these functions touch no shared state.
//
// Each chain writes one new picture per result, copying its input at most once and then
// working in place (plus what the chained filters use for themselves).
#pragma once

#include "core/Image32.h"
#include "core/Progress.h"

namespace brimlet {

struct PenInkSettings;  // filters/PenInk.h

// Slider positions of the Massing row ("Scalar:", "Region:" and its maximum, "Sleek:") and
// the "Gray" box.
struct MassingSettings {
    int scalar = 5, region = 20, regionMax = 40, sleek = 5;
    bool gray = true;
};

struct MassingResult {
    TBitmap32 palette;  // the blurred source: for the palette layer
    TBitmap32 colour;   // the quantised picture: for the colour layer
    int levelStep = 0;  // the band width the run used
};

// Sets the progress to 100, blurs a copy of the source with radius = sigma = sleek, and
// quantises a copy of the blur with crayonpic (band width and offset from the sliders).
MassingResult RunMassing(const TBitmap32& source, const MassingSettings& settings, Progress& progress);

// laplaciangause, then twovaluetopen at the pen pressure: black ink where the red byte of the
// edge picture is at most the pressure, white paper elsewhere.
TBitmap32 RunPenSketch(const TBitmap32& source, int penPressure, Progress& progress);

// picsobel, then every pixel to its gray value g (B = G = R = g, A = 255 - g), then
// convertimg1 at the pencil pressure.
TBitmap32 RunPencilSketch(const TBitmap32& source, int pencilPressure, Progress& progress);

// PenInkBmp of the source, drawn straight into the new picture.
TBitmap32 RunPenAndInk(const TBitmap32& source, const PenInkSettings& settings);

// What "Dyeing && Sketch" shows: target := colour, then line.DrawOver(0, 0, target). Only the
// overlap of the two is blended; the target's alpha becomes 255 everywhere. Rows are copied
// and blended in one threaded pass; the target's memory is reused when its byte count fits.
void ComposeDyeingAndSketch(const TBitmap32& colour, const TBitmap32& line, TBitmap32& target);

}  // namespace brimlet
