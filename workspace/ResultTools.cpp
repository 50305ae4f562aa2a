#include "workspace/ResultTools.h"

#include "cartoon/panel/Standard_s.h"
#include "cartoon/styles/ResultEdits.h"
#include "workspace/ImageControl.h"
#include "workspace/MainForm_s.h"
#include "workspace/ViewForm_s.h"
#include "workspace/WorkspaceHistory.h"

TResultTools::TResultTools(TMainForm* form) : QObject(form), form_(form) {
    setObjectName(QStringLiteral("ResultTools"));
    TImage* image = form->Image2;
    connect(image, &TImage::MouseUp, this, &TResultTools::Image2MouseUp);
    connect(image, &TImage::MouseMove, this, &TResultTools::Image2MouseMove);
    connect(image, &TImage::DblClick, this, &TResultTools::Image2DblClick);
}

bool TResultTools::DyeingAndSketch() const { return Standard && Standard->CheckBox1->isChecked(); }

int TResultTools::ResultKind() const { return Standard ? Standard->ResultKind : 0; }

void TResultTools::Image2MouseUp(Qt::MouseButton button, int x, int y) {
    if (button == Qt::LeftButton && form_->History) form_->History->EndBrushStroke();
    if (!form_->DyeingMode || button != Qt::LeftButton) return;
    if (ResultKind() != 1 && !DyeingAndSketch()) return;
    const TImage* image = form_->Image2;
    int px = 0, py = 0;
    if (!brimlet::ControlToPicture(x, y, image->Picture().Width(), image->Picture().Height(),
                                   image->width(), image->height(), px, py))
        return;
    // The shown result is rebuilt at each dyed pixel during the same pass.
    TImage* shown = form_->Image2;
    bool shownUpdated = false;
    TWorkspaceHistory* history = form_->History;
    if (history) history->BeforeDyeing(px, py);
    const brimlet::Rect changed = brimlet::DyeColourLayerShown(
        form_->ColourLayer, form_->PaletteBuffer, px, py, form_->LineLayer,
        {DyeingAndSketch(), ResultKind()}, shown->MutablePicture(), shownUpdated);
    if (history) history->AfterDyeing();
    if (changed.right <= changed.left) return;
    if (shownUpdated)
        shown->PictureChanged(changed);
    else
        form_->ShowResultByRule();
}

void TResultTools::Image2MouseMove(Qt::MouseButtons buttons, int x, int y) {
    if (!form_->SpotClearMode || !(buttons & Qt::LeftButton)) return;
    if (ResultKind() != 2 && !DyeingAndSketch()) return;
    // Painted straight into the line layer: the disc is the only change, so the layer
    // needs no working copy.
    const brimlet::TBrushDab dab = brimlet::BrushDabAt(x, y, form_->DisplayScale);
    if (form_->History)
        form_->History->BeforeBrushDab(
            {dab.cx - dab.r, dab.cy - dab.r, dab.cx + dab.r + 1, dab.cy + dab.r + 1});
    ShowResult(brimlet::ClearSpot(form_->LineLayer, dab.cx, dab.cy, dab.r));
}

void TResultTools::ShowResult(const brimlet::Rect& changed) {
    if (changed.right <= changed.left || changed.bottom <= changed.top) return;
    TImage* image = form_->Image2;
    const brimlet::TShowRule rule{DyeingAndSketch(), ResultKind()};
    if (brimlet::ComposeShownArea(form_->ColourLayer, form_->LineLayer, rule,
                                  image->MutablePicture(), changed))
        image->PictureChanged(changed);
    else
        form_->ShowResultByRule();  // the shown picture has another size: rebuild it all
}

void TResultTools::Image2DblClick() {
    if (!form_->FullSizeMode) return;
    if (!ViewForm) new TViewForm(form_);
    ViewForm->OpenOn(form_->Image2->Picture());
}
