// The question before a command throws away a result that was never saved:
// "Save the cartoon before ...?" with Save, Discard and Cancel. Window tests replace the
// dialog through the hook, as they do for the other message boxes.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace brimlet {

enum class TSaveAnswer { kSave, kDiscard, kCancel };

TSaveAnswer AskSaveBefore(QWidget* parent, const QString& text);

using SaveQuestionHook = std::function<TSaveAnswer(const QString& text)>;
// Replaces the dialog; an empty function restores it. Returns the old hook.
SaveQuestionHook SetSaveQuestionHook(SaveQuestionHook hook);

}  // namespace brimlet
