// The Make Cartoon panel's buttons as data: which follow-on buttons each press offers, and
// the shared result state the presses leave behind. No pixels and no widgets, so the window,
// the batch program and the tests apply one set of enabling rules.
#pragma once

#include <optional>
#include <string_view>

namespace brimlet {

enum class PanelButton {
    Massing, Brighter, Darker, PencilSketch, PenSketch, PenAndInk, Shallow, Smooth, ClearSpots
};

// The buttons' names on the command line ("pen-sketch") and as the user reads them.
std::string_view ButtonCommandName(PanelButton button);
std::string_view ButtonCaption(PanelButton button);
std::optional<PanelButton> ButtonFromCommandName(std::string_view name);
inline constexpr PanelButton kAllButtons[] = {
    PanelButton::Massing,   PanelButton::Brighter,  PanelButton::Darker,
    PanelButton::PencilSketch, PanelButton::PenSketch, PanelButton::PenAndInk,
    PanelButton::Shallow,   PanelButton::Smooth,    PanelButton::ClearSpots};

// Enabled states of the five buttons that ever change; the others are always enabled.
struct FollowOnButtons {
    bool brighter = true, darker = true, clearSpots = false, smooth = false, shallow = false;
    bool operator==(const FollowOnButtons&) const = default;
};

// Each event's changes to the buttons (the panel's enabling table).
void EnableAfterOpen(FollowOnButtons& buttons);
void EnableAfterMassing(FollowOnButtons& buttons, bool dyeingAndSketch);
void EnableAfterSketch(FollowOnButtons& buttons, bool dyeingAndSketch);
void EnableAfterDyeingToggle(FollowOnButtons& buttons, bool checked, int resultKind,
                             bool sketchResult);

// The state that a sequence of presses walks through: buttons, "Dyeing && Sketch",
// ResultKind (0 nothing made, 1 colour layer written last, 2 line layer) and SketchResult.
class PanelFlow {
public:
    // As right after a picture was opened.
    PanelFlow() = default;

    bool IsEnabled(PanelButton button) const;
    // Applies the press's enabling changes and result state; the caller checks IsEnabled.
    void Press(PanelButton button);
    void SetDyeingAndSketch(bool checked);

    const FollowOnButtons& Buttons() const { return buttons_; }
    bool DyeingAndSketch() const { return dyeingAndSketch_; }
    int ResultKind() const { return resultKind_; }
    bool SketchResult() const { return sketchResult_; }

private:
    FollowOnButtons buttons_;
    bool dyeingAndSketch_ = false;
    int resultKind_ = 0;
    bool sketchResult_ = false;
};

}  // namespace brimlet
