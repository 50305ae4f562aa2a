// The main window's Edit menu (undo and redo through the workspace's history) and the
// question before a command discards a result that was never saved.
#include "workspace/MainForm_s.h"

#include "workspace/SaveQuestion.h"
#include "workspace/WorkspaceHistory.h"

#include <QAction>

void TMainForm::UpdateEditMenu() {
    if (!History) return;
    for (auto [action, text, enabled] :
         {std::tuple{Undo1, History->UndoText(), History->CanUndo()},
          std::tuple{Redo1, History->RedoText(), History->CanRedo()}}) {
        action->setText(text);
        action->setToolTip(QString(text).replace("&&", "&"));
        action->setEnabled(enabled);
    }
}

void TMainForm::Undo1Click() {
    if (History) History->Undo();
}

void TMainForm::Redo1Click() {
    if (History) History->Redo();
}

bool TMainForm::MayDiscardResult(const QString& before) {
    if (!History || !History->Unsaved()) return true;
    switch (brimlet::AskSaveBefore(this, QStringLiteral("Save the cartoon before %1?").arg(before))) {
        case brimlet::TSaveAnswer::kDiscard: return true;
        case brimlet::TSaveAnswer::kCancel: return false;
        case brimlet::TSaveAnswer::kSave: break;
    }
    // A cancelled save dialog or overwrite question keeps everything, like Cancel.
    return SaveResult();
}
