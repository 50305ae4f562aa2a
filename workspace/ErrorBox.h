// The program's message boxes: the general error box that ends a failed command, and the
// plain one-button messages. All of them go through one replaceable hook so window tests can
// read what the user would have been told instead of blocking on a dialog.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace brimlet {

// The application's title, caption of the general error box.
inline const char* const kApplicationTitle = "Brimlet v4.08";

// The error text as shown: a full stop is added when the last character's code is above
// that of the full stop (so "Disk full" gets one, "Done." and "(3)" do not).
QString ErrorBoxText(const QString& message);

struct ShownMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

// Shows a message box with one OK button (or hands it to the hook when one is set).
void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text);

// Replaces the real dialogs; pass an empty function to restore them. Returns the old hook.
using MessageHook = std::function<void(const ShownMessage&)>;
MessageHook SetMessageHook(MessageHook hook);

// Yes/No question; the hook mechanism for it is separate because it returns an answer.
using QuestionHook = std::function<bool(const QString& caption, const QString& text)>;
QuestionHook SetQuestionHook(QuestionHook hook);
bool AskYesNo(QWidget* parent, const QString& caption, const QString& text);

// The general error box: error icon, the application's title, ErrorBoxText(message).
void ShowErrorBox(QWidget* parent, const QString& message);

// Reports whatever exception is in flight; call only inside a catch block.
void ShowCurrentException(QWidget* parent);

// Runs one command; an exception that escapes it ends that command only and is shown in
// the general error box. Every event handler of the windows runs through this.
template <class F>
void Guarded(QWidget* parent, F&& command) {
    try {
        std::forward<F>(command)();
    } catch (...) {
        ShowCurrentException(parent);
    }
}

// Wraps a handler for connecting to a signal: the handler runs guarded.
template <class F>
auto GuardedSlot(QWidget* parent, F command) {
    return [parent, command]() { Guarded(parent, command); };
}

// Safety net for exceptions thrown from event handlers that are not wrapped.
class BrimletApplication : public QApplication {
public:
    BrimletApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace brimlet
