#include "cartoon/styles/PanelSession.h"

#include "cartoon/panel/PanelControls.h"
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"
#include "filters/PenInk.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace brimlet {

namespace {
int StartOf(std::string_view slider) {
    for (const auto& row : panel::kSliders)
        if (slider == row.slider) return row.start;
    throw std::logic_error("no slider " + std::string(slider));
}
int MaximumOf(std::string_view slider) {
    for (const auto& row : panel::kSliders)
        if (slider == row.slider) return row.maximum;
    throw std::logic_error("no slider " + std::string(slider));
}
}  // namespace

PanelSliders PanelSliders::StartPositions() {
    return {StartOf("TrackBar2"), StartOf("TrackBar9"), MaximumOf("TrackBar9"),
            StartOf("TrackBar8"), true,
            StartOf("TrackBar1"), StartOf("TrackBar4"),
            StartOf("TrackBar3"), StartOf("TrackBar5"), StartOf("TrackBar6")};
}

PanelSession::PanelSession(TBitmap32 source)
    : source_(std::move(source)), colour_(source_), line_(source_), palette_(source_) {}

void PanelSession::SetDyeingAndSketch(bool checked) { flow_.SetDyeingAndSketch(checked); }

void PanelSession::Press(PanelButton button, const PanelSliders& s, Progress& progress) {
    if (!flow_.IsEnabled(button))
        throw std::logic_error("\"" + std::string(ButtonCaption(button)) +
                               "\" is not offered at this point");
    struct ZeroAtEnd {  // every run leaves the bar at 0, as the panel's frame does
        Progress& p;
        ~ZeroAtEnd() { p.SetPosition(0); }
    } zero{progress};
    switch (button) {
        case PanelButton::Massing: {
            MassingResult r = RunMassing(
                source_, MassingSettings{s.scalar, s.region, s.regionMax, s.sleek, s.gray},
                progress);
            palette_ = std::move(r.palette);
            levelStep_ = r.levelStep;
            colour_ = std::move(r.colour);
            break;
        }
        case PanelButton::Brighter: Brighter(colour_, progress); break;
        case PanelButton::Darker: Darker(colour_, progress); break;
        case PanelButton::PenSketch: line_ = RunPenSketch(source_, s.penPressure, progress); break;
        case PanelButton::PencilSketch:
            line_ = RunPencilSketch(source_, s.pencilPressure, progress);
            break;
        case PanelButton::PenAndInk:
            line_ = RunPenAndInk(source_,
                                 PenInkSettings::FromSliders(s.inkWidth, s.inkLower, s.inkUpper));
            break;
        case PanelButton::Shallow: Shallow(line_, progress); break;
        case PanelButton::Smooth: smooth(line_, progress); break;
        case PanelButton::ClearSpots: ClearSpots(line_, progress); break;
    }
    flow_.Press(button);
}

TBitmap32 PanelSession::Shown() const {
    if (flow_.DyeingAndSketch()) {
        TBitmap32 composite;
        ComposeDyeingAndSketch(colour_, line_, composite);
        return composite;
    }
    return flow_.ResultKind() == 1 ? colour_ : line_;
}

}  // namespace brimlet
