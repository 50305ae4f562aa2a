#include "workspace/WorkspaceStep.h"

#include "cartoon/panel/Standard_s.h"
#include "workspace/CropSelection.h"
#include "workspace/MainForm_s.h"

#include <QSignalBlocker>
#include <QTimer>

namespace {
std::array<QPushButton*, 5> FollowOnButtons() {
    return {Standard->SpeedButton2, Standard->SpeedButton3, Standard->SpeedButton7,
            Standard->SpeedButton8, Standard->SpeedButton10};
}
}  // namespace

TSmallState CaptureSmallState(const TMainForm& form) {
    TSmallState s;
    if (Standard) {
        s.panel.resultKind = Standard->ResultKind;
        s.panel.levelStep = Standard->LevelStep;
        s.panel.sketchResult = Standard->SketchResult;
        s.panel.dyeingAndSketch = Standard->CheckBox1->isChecked();
        const auto buttons = FollowOnButtons();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            s.panel.enabled[i] = buttons[i]->isEnabledTo(Standard);
    }
    s.tool = form.DyeingMode      ? TTool::kDyeing
             : form.SpotClearMode ? TTool::kSpotClear
                                  : TTool::kFullSize;
    if (const TCropSelection* crop = form.CropSelection)
        s.crop = {crop->CutRect, crop->InsideCutRect, crop->CanStartRect, form.Timer1->isActive()};
    return s;
}

void ApplyPanelState(TMainForm&, const TPanelState& state) {
    if (!Standard) return;
    Standard->ResultKind = state.resultKind;
    Standard->LevelStep = state.levelStep;
    Standard->SketchResult = state.sketchResult;
    {
        // The box is put back as it was, not clicked: its handler would change the tool.
        const QSignalBlocker block(Standard->CheckBox1);
        Standard->CheckBox1->setChecked(state.dyeingAndSketch);
    }
    const auto buttons = FollowOnButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setEnabled(state.enabled[i]);
}

void ApplyTool(TMainForm& form, TTool tool) {
    switch (tool) {
        case TTool::kDyeing: form.SpeedButton4Click(); break;
        case TTool::kSpotClear: form.SpeedButton8Click(); break;
        case TTool::kFullSize: form.SelectFullSizeTool(); break;
    }
}

void ApplyCropState(TMainForm& form, const TCropState& state) {
    TCropSelection* crop = form.CropSelection;
    if (!crop) return;
    crop->RemoveTheRect1();
    crop->CutRect = state.rect;
    crop->InsideCutRect = state.inside;
    crop->CanStartRect = state.canStart;
    form.Image1->setToolTip(QString::fromLatin1(state.inside ? TCropSelection::kCutHint
                                                             : TCropSelection::kDrawHint));
    form.Image1->setCursor(state.inside ? Qt::SizeAllCursor : Qt::CrossCursor);
    if (state.marching) {
        form.Timer1->start();
        crop->DrawTheRect1();
    } else {
        form.Timer1->stop();
    }
}

std::size_t TWorkspaceStep::Bytes() const {
    std::size_t total = sizeof(*this) + lineTiles.Bytes() + dye.Bytes();
    for (const brimlet::TBitmap32* p : {&source, &shown, &colour, &line, &palette})
        total += p->ByteCount();
    return total;
}
