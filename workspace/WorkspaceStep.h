// One step of the undo history: the version of the workspace that is not on screen, as
// far as the step changed it. Undo and redo exchange it with the current one.
#pragma once

#include "core/Image32.h"
#include "workspace/CropGeometry.h"
#include "workspace/LayerPatches.h"
#include "workspace/UndoStack.h"

#include <array>

class TMainForm;

// The panel's result state and its follow-on buttons.
struct TPanelState {
    int resultKind = 0;
    int levelStep = 0;
    bool sketchResult = false;
    bool dyeingAndSketch = false;
    // "Brighter", "Darker", "Clear Spots", "Smooth", "Shallow".
    std::array<bool, 5> enabled{};
    bool operator==(const TPanelState&) const = default;
};

enum class TTool { kFullSize, kDyeing, kSpotClear };

struct TCropState {
    brimlet::TCutRect rect;
    bool inside = false, canStart = false, marching = false;
    bool operator==(const TCropState&) const = default;
};

// Everything of the workspace that is not a picture.
struct TSmallState {
    TPanelState panel;
    TTool tool = TTool::kFullSize;
    TCropState crop;
};

TSmallState CaptureSmallState(const TMainForm& form);
// Puts one part back; the panel's box changes without running its click handler.
void ApplyPanelState(TMainForm& form, const TPanelState& state);
void ApplyTool(TMainForm& form, TTool tool);
void ApplyCropState(TMainForm& form, const TCropState& state);

struct TWorkspaceStep : brimlet::TUndoStep {
    // Whole pictures the step replaced (TWorkspaceHistory::Picture bits), kept here.
    unsigned pictures = 0;
    // Layers that equal the source picture of the same version: kept as that fact only.
    unsigned sameAsSource = 0;
    brimlet::TBitmap32 source, shown, colour, line, palette;
    // The kept result image followed the display rule: it is rebuilt instead of kept.
    bool shownByRule = true;

    // The panel, the tool and the crop outline of the kept version, all put back: an undo
    // returns to exactly the state before the step.
    TSmallState small;

    // Hand edits: the tiles a brush stroke touched, the pixels a dyeing click changed.
    brimlet::TTilePatch lineTiles;
    brimlet::TColourMask dye;

    // The kept version had work that was never saved.
    bool unsaved = false;

    std::size_t Bytes() const override;
};
