// The one owner of the undo history of the workspace. Steps are recorded by the commands
// that change the result (style runs, dyeing clicks, brush strokes, cuts, opening a
// picture); Undo and Redo exchange the state a step keeps with the workspace's current one.
//
// What a step keeps is as small as its command allows: a style run the layers it replaced,
// a brush stroke the tiles it touched, a dyeing click a bit mask of the pixels it changed.
// The result image is rebuilt by the display rule instead of kept, unless it did not follow
// the rule (after a cancelled open or a cut with "Dyeing && Sketch" checked).
//
// It also remembers whether the result has changed since it was last saved.
#pragma once

#include "core/Image32.h"
#include "workspace/UndoStack.h"

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class TMainForm;
struct TWorkspaceStep;

class TWorkspaceHistory : public QObject {
    Q_OBJECT
public:
    // The whole pictures a step may replace.
    enum Picture : unsigned {
        kSource = 1,   // Image1's picture
        kShown = 2,    // Image2's picture
        kColour = 4,
        kLine = 8,
        kPalette = 16,
        kAllPictures = 31,
    };
    // What a step does to the question "save before discarding?".
    enum class Result { kChanged, kKept };

    explicit TWorkspaceHistory(TMainForm* form, std::size_t budgetBytes = brimlet::DefaultHistoryBudget());
    ~TWorkspaceHistory() override;

    // A step that replaces whole pictures: Begin before anything changes, End afterwards
    // (also when the command failed half way, so what it changed can be taken back);
    // Cancel when the command changed nothing after all.
    void BeginStep(const char* name, unsigned pictures, Result result);
    void EndStep() noexcept;
    void CancelStep() noexcept;

    // Begin and End around one block; End also when the block throws.
    class Scope {
    public:
        Scope(TWorkspaceHistory* history, const char* name, unsigned pictures, Result result)
            : history_(history) {
            if (history_) history_->BeginStep(name, pictures, result);
        }
        ~Scope() {
            if (history_) history_->EndStep();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        TWorkspaceHistory* history_;
    };

    // A brush stroke: each dab reports its area before it paints; the stroke ends at the
    // button's release (or when anything else is recorded or undone first).
    void BeforeBrushDab(const brimlet::Rect& area);
    void EndBrushStroke() noexcept;

    // A dyeing click at picture point (x, y): Before just before the colour layer is dyed,
    // After once it is.
    void BeforeDyeing(int x, int y);
    void AfterDyeing() noexcept;

    void Undo();
    void Redo();
    bool CanUndo() const;
    bool CanRedo() const;
    // "Undo Pen Sketch", "Redo Cut"; plain "Undo" and "Redo" when there is nothing.
    QString UndoText() const;
    QString RedoText() const;

    // Whether the result holds work that was never saved.
    bool Unsaved() const { return unsaved_; }
    void MarkSaved() { unsaved_ = false; }

    const brimlet::TUndoStack& Stack() const { return stack_; }

signals:
    // The menu texts or their enabling may have changed.
    void Changed();

private:
    // Ends whatever was being recorded and starts a step with the small state as it is now.
    std::unique_ptr<TWorkspaceStep> NewStep();
    void Record(std::unique_ptr<TWorkspaceStep> step, bool changesResult) noexcept;
    void Exchange(TWorkspaceStep& step);
    enum class Direction { kBack, kForward };
    // Undo and Redo: one step each way, the same exchange.
    void Travel(Direction direction);

    TMainForm* form_;
    brimlet::TUndoStack stack_;
    std::unique_ptr<TWorkspaceStep> open_;  // the step being recorded
    Result openResult_ = Result::kKept;
    enum class Open { kNone, kWhole, kStroke, kStrokeLost, kDyeing } openKind_ = Open::kNone;
    std::string openName_;
    int dyeX_ = 0, dyeY_ = 0;
    bool unsaved_ = false;
};
