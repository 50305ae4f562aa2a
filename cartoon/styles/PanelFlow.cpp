#include "cartoon/styles/PanelFlow.h"

namespace brimlet {

namespace {
struct ButtonNames {
    PanelButton button;
    std::string_view command, caption;
};
constexpr ButtonNames kNames[] = {
    {PanelButton::Massing, "massing", "Massing"},
    {PanelButton::Brighter, "brighter", "Brighter"},
    {PanelButton::Darker, "darker", "Darker"},
    {PanelButton::PencilSketch, "pencil-sketch", "Pencil Sketch"},
    {PanelButton::PenSketch, "pen-sketch", "Pen Sketch"},
    {PanelButton::PenAndInk, "pen-and-ink", "Pen & Ink"},
    {PanelButton::Shallow, "shallow", "Shallow"},
    {PanelButton::Smooth, "smooth", "Smooth"},
    {PanelButton::ClearSpots, "clear-spots", "Clear Spots"},
};

bool IsSketch(PanelButton b) {
    return b == PanelButton::PencilSketch || b == PanelButton::PenSketch ||
           b == PanelButton::PenAndInk;
}
bool WritesColourLayer(PanelButton b) {
    return b == PanelButton::Massing || b == PanelButton::Brighter || b == PanelButton::Darker;
}
}  // namespace

std::string_view ButtonCommandName(PanelButton button) {
    for (const auto& n : kNames)
        if (n.button == button) return n.command;
    return {};
}

std::string_view ButtonCaption(PanelButton button) {
    for (const auto& n : kNames)
        if (n.button == button) return n.caption;
    return {};
}

std::optional<PanelButton> ButtonFromCommandName(std::string_view name) {
    for (const auto& n : kNames)
        if (n.command == name) return n.button;
    return std::nullopt;
}

void EnableAfterOpen(FollowOnButtons& buttons) {
    buttons.clearSpots = buttons.smooth = buttons.shallow = false;
    buttons.brighter = buttons.darker = true;
}

void EnableAfterMassing(FollowOnButtons& buttons, bool dyeingAndSketch) {
    if (!dyeingAndSketch) buttons.clearSpots = buttons.smooth = false;
    buttons.brighter = buttons.darker = true;
}

void EnableAfterSketch(FollowOnButtons& buttons, bool dyeingAndSketch) {
    if (dyeingAndSketch)
        buttons.shallow = true;
    else
        buttons.brighter = buttons.darker = false;
    buttons.clearSpots = buttons.smooth = true;
}

void EnableAfterDyeingToggle(FollowOnButtons& buttons, bool checked, int resultKind,
                             bool sketchResult) {
    if (checked) {
        buttons.brighter = buttons.darker = true;
        if (sketchResult) buttons.clearSpots = buttons.smooth = buttons.shallow = true;
        return;
    }
    if (resultKind == 1) buttons.clearSpots = buttons.smooth = false;
    if (resultKind == 2) buttons.brighter = buttons.darker = false;
    buttons.shallow = false;
}

bool PanelFlow::IsEnabled(PanelButton button) const {
    switch (button) {
        case PanelButton::Brighter: return buttons_.brighter;
        case PanelButton::Darker: return buttons_.darker;
        case PanelButton::ClearSpots: return buttons_.clearSpots;
        case PanelButton::Smooth: return buttons_.smooth;
        case PanelButton::Shallow: return buttons_.shallow;
        default: return true;
    }
}

void PanelFlow::Press(PanelButton button) {
    resultKind_ = WritesColourLayer(button) ? 1 : 2;
    if (button == PanelButton::Massing) EnableAfterMassing(buttons_, dyeingAndSketch_);
    if (IsSketch(button)) {
        EnableAfterSketch(buttons_, dyeingAndSketch_);
        sketchResult_ = true;
    }
}

void PanelFlow::SetDyeingAndSketch(bool checked) {
    if (checked == dyeingAndSketch_) return;  // like a check box: no change, no click
    dyeingAndSketch_ = checked;
    EnableAfterDyeingToggle(buttons_, checked, resultKind_, sketchResult_);
}

}  // namespace brimlet
