#include "workspace/WorkspaceHistory.h"

#include "cartoon/panel/Standard_s.h"
#include "workspace/MainForm_s.h"
#include "workspace/ResultTools.h"
#include "workspace/WorkspaceStep.h"

#include <algorithm>
#include <new>

using brimlet::TBitmap32;

namespace {

using Picture = TWorkspaceHistory::Picture;

// The layers in a fixed order, with their picture bits.
struct LayerSlot {
    Picture bit;
    TBitmap32 TMainForm::*layer;
    TBitmap32 TWorkspaceStep::*kept;
};
constexpr LayerSlot kLayers[] = {
    {TWorkspaceHistory::kColour, &TMainForm::ColourLayer, &TWorkspaceStep::colour},
    {TWorkspaceHistory::kLine, &TMainForm::LineLayer, &TWorkspaceStep::line},
    {TWorkspaceHistory::kPalette, &TMainForm::PaletteBuffer, &TWorkspaceStep::palette},
};

brimlet::Rect Union(const brimlet::Rect& a, const brimlet::Rect& b) {
    if (a.right <= a.left) return b;
    if (b.right <= b.left) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

// The current result image is kept as a copy only when the rule could not rebuild it.
void KeepShown(TMainForm& form, TWorkspaceStep& step) {
    step.pictures |= TWorkspaceHistory::kShown;
    step.shownByRule = form.ResultShownByRule;
    if (!step.shownByRule) step.shown = form.Image2->Picture();
}

}  // namespace

TWorkspaceHistory::TWorkspaceHistory(TMainForm* form, std::size_t budgetBytes)
    : QObject(form), form_(form), stack_(budgetBytes) {
    setObjectName(QStringLiteral("History"));
}

TWorkspaceHistory::~TWorkspaceHistory() = default;

// ---- Recording -------------------------------------------------------------------------

std::unique_ptr<TWorkspaceStep> TWorkspaceHistory::NewStep() {
    EndBrushStroke();
    open_.reset();
    openKind_ = Open::kNone;
    auto step = std::make_unique<TWorkspaceStep>();
    step->small = CaptureSmallState(*form_);
    return step;
}

void TWorkspaceHistory::BeginStep(const char* name, unsigned pictures, Result result) {
    try {
        auto step = NewStep();
        const TBitmap32& source = form_->Image1->Picture();
        if (pictures & kSource) {
            step->pictures |= kSource;
            step->source = source;
        }
        for (const LayerSlot& slot : kLayers) {
            if (!(pictures & slot.bit)) continue;
            step->pictures |= slot.bit;
            if (form_->*slot.layer == source)
                step->sameAsSource |= slot.bit;
            else
                (*step).*slot.kept = form_->*slot.layer;
        }
        if (pictures & kShown) KeepShown(*form_, *step);
        open_ = std::move(step);
        openName_ = name;
        openResult_ = result;
        openKind_ = Open::kWhole;
    } catch (const std::bad_alloc&) {
        // No room to keep the old pictures: the command still runs, without its undo, and
        // the older steps, which could no longer be reached in order, go too.
        stack_.Clear();
        emit Changed();
    }
}

void TWorkspaceHistory::EndStep() noexcept {
    if (openKind_ != Open::kWhole || !open_) return CancelStep();
    Record(std::move(open_), openResult_ == Result::kChanged);
}

void TWorkspaceHistory::CancelStep() noexcept {
    open_.reset();
    openKind_ = Open::kNone;
}

void TWorkspaceHistory::BeforeBrushDab(const brimlet::Rect& area) {
    if (openKind_ == Open::kStrokeLost) return;
    try {
        if (openKind_ != Open::kStroke) {
            EndBrushStroke();
            open_ = std::make_unique<TWorkspaceStep>();
            open_->small = CaptureSmallState(*form_);
            if (!form_->ResultShownByRule) KeepShown(*form_, *open_);
            openName_ = "Brush Stroke";
            openKind_ = Open::kStroke;
        }
        open_->lineTiles.Preserve(form_->LineLayer, area);
    } catch (const std::bad_alloc&) {
        open_.reset();
        openKind_ = Open::kStrokeLost;
        stack_.Clear();
        emit Changed();
    }
}

void TWorkspaceHistory::EndBrushStroke() noexcept {
    if (openKind_ == Open::kStrokeLost) openKind_ = Open::kNone;
    if (openKind_ != Open::kStroke) return;
    openKind_ = Open::kNone;
    if (!open_ || open_->lineTiles.Empty()) {
        open_.reset();
        return;
    }
    Record(std::move(open_), true);
}

void TWorkspaceHistory::BeforeDyeing(int x, int y) {
    try {
        auto step = NewStep();
        step->dye = brimlet::TColourMask::Of(form_->ColourLayer, form_->ColourLayer.PixelColor(x, y));
        if (!form_->ResultShownByRule) KeepShown(*form_, *step);
        open_ = std::move(step);
        openName_ = "Dyeing";
        openKind_ = Open::kDyeing;
        dyeX_ = x;
        dyeY_ = y;
    } catch (const std::bad_alloc&) {
        stack_.Clear();
        emit Changed();
    }
}

void TWorkspaceHistory::AfterDyeing() noexcept {
    if (openKind_ != Open::kDyeing || !open_) return CancelStep();
    openKind_ = Open::kNone;
    const std::uint32_t before = form_->ColourLayer.PixelColor(dyeX_, dyeY_);
    const std::uint32_t after = form_->PaletteBuffer.PixelColor(dyeX_, dyeY_);
    // Only a click that changed a pixel is a step.
    if (open_->dye.Empty() || open_->dye.Colour() == after || before != after) {
        open_.reset();
        return;
    }
    open_->dye.Repainted(after);
    Record(std::move(open_), true);
}

void TWorkspaceHistory::Record(std::unique_ptr<TWorkspaceStep> step, bool changesResult) noexcept {
    step->unsaved = unsaved_;
    if (changesResult) unsaved_ = true;
    try {
        stack_.Push(openName_, std::move(step));
    } catch (const std::bad_alloc&) {
        stack_.Clear();
    }
    emit Changed();
}

// ---- Undo and redo ---------------------------------------------------------------------

// Puts the step's version in place and keeps the current one in the step instead.
void TWorkspaceHistory::Exchange(TWorkspaceStep& step) {
    TMainForm& form = *form_;
    const TSmallState now = CaptureSmallState(form);

    // Whole pictures: the current ones are moved into the step, the kept ones out of it.
    TBitmap32 source;
    if (step.pictures & kSource) source = std::move(form.Image1->MutablePicture());
    const TBitmap32& currentSource = (step.pictures & kSource) ? source : form.Image1->Picture();
    unsigned same = 0;
    TBitmap32 layers[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const LayerSlot& slot = kLayers[i];
        if (!(step.pictures & slot.bit)) continue;
        if (form.*slot.layer == currentSource)
            same |= slot.bit;
        else
            layers[i] = std::move(form.*slot.layer);
    }
    if (step.pictures & kSource) form.Image1->SetPicture(std::move(step.source));
    for (std::size_t i = 0; i < 3; ++i) {
        const LayerSlot& slot = kLayers[i];
        if (!(step.pictures & slot.bit)) continue;
        if (step.sameAsSource & slot.bit)
            (form.*slot.layer).Assign(form.Image1->Picture());
        else
            form.*slot.layer = std::move(step.*slot.kept);
        step.*slot.kept = std::move(layers[i]);
    }
    if (step.pictures & kSource) step.source = std::move(source);
    step.sameAsSource = same;

    // Hand edits.
    brimlet::Rect edited;
    if (!step.lineTiles.Empty()) edited = Union(edited, step.lineTiles.Swap(form.LineLayer));
    if (!step.dye.Empty()) edited = Union(edited, step.dye.Swap(form.ColourLayer));

    // The panel, the tool and the crop outline.
    ApplyPanelState(form, step.small.panel);
    ApplyTool(form, step.small.tool);
    ApplyCropState(form, step.small.crop);
    step.small = now;

    // The result image last: the rule reads the layers and the panel put back above.
    if (step.pictures & kShown) {
        const bool nowByRule = form.ResultShownByRule;
        TBitmap32 shown;
        if (!nowByRule) shown = std::move(form.Image2->MutablePicture());
        if (step.shownByRule) {
            form.ShowResultByRule();
        } else {
            form.Image2->SetPicture(std::move(step.shown));
            form.ResultShownByRule = false;
        }
        step.shown = std::move(shown);
        step.shownByRule = nowByRule;
    } else if (edited.right > edited.left) {
        form.ResultTools->ShowResult(edited);
    }
    if (step.pictures & (kSource | kShown)) form.Relayout();
    std::swap(step.unsaved, unsaved_);
}

void TWorkspaceHistory::Undo() { Travel(Direction::kBack); }
void TWorkspaceHistory::Redo() { Travel(Direction::kForward); }

void TWorkspaceHistory::Travel(Direction direction) {
    if (Standard && Standard->Running()) return;
    EndBrushStroke();
    const bool back = direction == Direction::kBack;
    auto* step = static_cast<TWorkspaceStep*>(back ? stack_.UndoStep() : stack_.RedoStep());
    if (!step || open_) return;
    try {
        Exchange(*step);
    } catch (...) {
        // Half exchanged: the other steps no longer fit the workspace.
        stack_.Clear();
        emit Changed();
        throw;
    }
    if (back)
        stack_.Undone();
    else
        stack_.Redone();
    emit Changed();
}

bool TWorkspaceHistory::CanUndo() const { return stack_.CanUndo(); }
bool TWorkspaceHistory::CanRedo() const { return stack_.CanRedo(); }

namespace {
// A menu text reads "&" as a mnemonic marker: "Pen & Ink" is written doubled.
QString MenuText(const char* verb, const std::string& name) {
    if (name.empty()) return QString::fromLatin1(verb);
    return QString::fromLatin1(verb) + u' ' + QString::fromStdString(name).replace("&", "&&");
}
}  // namespace

QString TWorkspaceHistory::UndoText() const { return MenuText("Undo", stack_.UndoName()); }
QString TWorkspaceHistory::RedoText() const { return MenuText("Redo", stack_.RedoName()); }
