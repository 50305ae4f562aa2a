#include "workspace/SaveQuestion.h"

#include "workspace/ErrorBox.h"

#include <QMessageBox>

namespace brimlet {

namespace {
SaveQuestionHook& Hook() {
    static SaveQuestionHook hook;
    return hook;
}
}  // namespace

SaveQuestionHook SetSaveQuestionHook(SaveQuestionHook hook) {
    std::swap(Hook(), hook);
    return hook;
}

TSaveAnswer AskSaveBefore(QWidget* parent, const QString& text) {
    if (Hook()) return Hook()(text);
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Save: return TSaveAnswer::kSave;
        case QMessageBox::Discard: return TSaveAnswer::kDiscard;
        default: return TSaveAnswer::kCancel;
    }
}

}  // namespace brimlet
