// A widget-free Make Cartoon panel over one picture: the three layers, the result state and
// the button presses, each running the same style chain as the panel's handler. What Shown()
// returns is what the window's result image shows after the same presses.
#pragma once

#include "cartoon/styles/PanelFlow.h"
#include "core/Image32.h"
#include "core/Progress.h"

namespace brimlet {

// Slider positions and the "Gray" box, as the panel's controls hold them.
struct PanelSliders {
    int scalar, region, regionMax, sleek;
    bool gray;
    int pencilPressure, penPressure;
    int inkWidth, inkLower, inkUpper;  // the three "Pen && Ink density:" sliders

    // The positions the panel starts with.
    static PanelSliders StartPositions();
};

class PanelSession {
public:
    // As right after the picture was opened: every layer a copy of it, nothing made yet.
    explicit PanelSession(TBitmap32 source);

    // Ticks or clears "Dyeing && Sketch" (its enabling changes included).
    void SetDyeingAndSketch(bool checked);
    // Runs the button's style and applies its enabling changes. A press the panel would not
    // offer at this point throws std::logic_error and changes nothing.
    void Press(PanelButton button, const PanelSliders& sliders, Progress& progress);

    // The result picture by the panel's rule: the composite with "Dyeing && Sketch" ticked,
    // otherwise the layer written last (the line layer when nothing was made).
    TBitmap32 Shown() const;

    const PanelFlow& Flow() const { return flow_; }
    const TBitmap32& Source() const { return source_; }
    const TBitmap32& ColourLayer() const { return colour_; }
    const TBitmap32& LineLayer() const { return line_; }
    const TBitmap32& PaletteBuffer() const { return palette_; }
    int LevelStep() const { return levelStep_; }

private:
    TBitmap32 source_, colour_, line_, palette_;
    PanelFlow flow_;
    int levelStep_ = 0;
};

}  // namespace brimlet
