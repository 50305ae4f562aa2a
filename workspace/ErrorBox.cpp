#include "workspace/ErrorBox.h"

#include <new>
#include <stdexcept>

namespace brimlet {

namespace {
MessageHook& messageHook() {
    static MessageHook hook;
    return hook;
}
QuestionHook& questionHook() {
    static QuestionHook hook;
    return hook;
}
}  // namespace

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
    return message;
}

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text) {
    if (messageHook()) {
        messageHook()(ShownMessage{icon, caption, text});
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

MessageHook SetMessageHook(MessageHook hook) {
    std::swap(messageHook(), hook);
    return hook;
}

QuestionHook SetQuestionHook(QuestionHook hook) {
    std::swap(questionHook(), hook);
    return hook;
}

bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) {
    if (questionHook()) return questionHook()(caption, text);
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void ShowErrorBox(QWidget* parent, const QString& message) {
    ShowMessage(parent, QMessageBox::Critical, QString::fromUtf8(kApplicationTitle),
                ErrorBoxText(message));
}

void ShowCurrentException(QWidget* parent) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        ShowErrorBox(parent, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        ShowErrorBox(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(parent, QStringLiteral("Unknown error"));
    }
}

BrimletApplication::BrimletApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool BrimletApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException(activeWindow());
        return true;
    }
}

}  // namespace brimlet
