// The style buttons of the Make Cartoon panel. Each runs one chain of the style library on
// the picture it starts from, stores the result in its layer of the main window, shows it,
// closes the run with the full-size tool and applies its enabling rule.
#include "filters/PenInk.h"

#include "cartoon/panel/Standard_s.h"
#include "cartoon/styles/LineRefinements.h"
#include "cartoon/styles/Massing.h"
#include "cartoon/styles/Styles.h"
#include "workspace/MainForm_s.h"
#include "workspace/WorkspaceHistory.h"

using brimlet::TBitmap32;

namespace {
// The layers each kind of style replaces.
constexpr unsigned kColourLayers = TWorkspaceHistory::kColour;
constexpr unsigned kMassingLayers = TWorkspaceHistory::kColour | TWorkspaceHistory::kPalette;
constexpr unsigned kLineLayers = TWorkspaceHistory::kLine;
}  // namespace

// ---- The colour layer ------------------------------------------------------------------

void TStandard::SpeedButton9Click() {
    RunStyle("Massing", kMassingLayers, [this] {
        const bool gray = CheckBox2->isChecked();
        SetRegionRowLook(gray);
        const brimlet::MassingSettings settings{TrackBar2->value(), TrackBar9->value(),
                                                TrackBar9->maximum(), TrackBar8->value(), gray};
        brimlet::MassingResult result =
            brimlet::RunMassing(MainForm->Image1->Picture(), settings, progress_);
        MainForm->PaletteBuffer = std::move(result.palette);
        LevelStep = result.levelStep;
        StoreColourResult(std::move(result.colour));
        brimlet::FollowOnButtons buttons = FollowOn();
        brimlet::EnableAfterMassing(buttons, CheckBox1->isChecked());
        SetFollowOn(buttons);
    });
}

void TStandard::SpeedButton2Click() {
    RunStyle("Brighter", kColourLayers, [this] {
        TBitmap32 picture(MainForm->ColourLayer);
        brimlet::Brighter(picture, progress_);
        StoreColourResult(std::move(picture));
    });
}

void TStandard::SpeedButton3Click() {
    RunStyle("Darker", kColourLayers, [this] {
        TBitmap32 picture(MainForm->ColourLayer);
        brimlet::Darker(picture, progress_);
        StoreColourResult(std::move(picture));
    });
}

// ---- Sketches: always from the source picture -----------------------------------------

void TStandard::SpeedButton6Click() {
    RunStyle("Pen Sketch", kLineLayers, [this] {
        StoreLineResult(
            brimlet::RunPenSketch(MainForm->Image1->Picture(), TrackBar4->value(), progress_));
        EnableAfterSketch();
    });
}

void TStandard::SpeedButton1Click() {
    RunStyle("Pencil Sketch", kLineLayers, [this] {
        StoreLineResult(
            brimlet::RunPencilSketch(MainForm->Image1->Picture(), TrackBar1->value(), progress_));
        EnableAfterSketch();
    });
}

void TStandard::SpeedButton4Click() {
    RunStyle("Pen & Ink", kLineLayers, [this] {
        const auto settings = brimlet::PenInkSettings::FromSliders(
            TrackBar3->value(), TrackBar5->value(), TrackBar6->value());
        StoreLineResult(brimlet::RunPenAndInk(MainForm->Image1->Picture(), settings));
        EnableAfterSketch();
    });
}

// ---- Refinements of whatever the line layer holds ---------------------------------------

void TStandard::SpeedButton10Click() {
    RunStyle("Shallow", kLineLayers, [this] {
        TBitmap32 picture(MainForm->LineLayer);
        brimlet::Shallow(picture, progress_);
        StoreLineResult(std::move(picture));
    });
}

void TStandard::SpeedButton8Click() {
    RunStyle("Smooth", kLineLayers, [this] {
        TBitmap32 picture(MainForm->LineLayer);
        brimlet::smooth(picture, progress_);
        StoreLineResult(std::move(picture));
    });
}

void TStandard::SpeedButton7Click() {
    RunStyle("Clear Spots", kLineLayers, [this] {
        TBitmap32 picture(MainForm->LineLayer);
        brimlet::ClearSpots(picture, progress_);
        StoreLineResult(std::move(picture));
    });
}
