#include "workspace/MailMessage.h"

#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>

namespace brimlet {

QString DescriptionValue(const QStringList& description, const QString& key) {
    for (const QString& line : description) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        if (QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

MailMessage BuildMailMessage(const QStringList& description, bool hasWindow) {
    MailMessage message;
    const QString to = DescriptionValue(description, QStringLiteral("to"));
    if (!to.isEmpty()) {
        MailRecipient recipient;
        recipient.recipientClass = kMailTo;
        recipient.name = to;
        recipient.address = QStringLiteral("SMTP:") + to;
        message.recipients.push_back(recipient);
    }
    // Attachments are numbered without gaps: the first missing number ends the list.
    for (int i = 0;; ++i) {
        const QString path =
            DescriptionValue(description, QStringLiteral("attachment") + QString::number(i));
        if (path.isEmpty()) break;
        MailFile file;
        file.pathName = path;
        file.fileName = path.mid(path.lastIndexOf(u'/') + 1);
        message.files.push_back(file);
    }
    message.subject = DescriptionValue(description, QStringLiteral("subject"));
    message.noteText = DescriptionValue(description, QStringLiteral("body"));
    message.flags = kMailLogonUi | kMailNewSession | (hasWindow ? kMailDialog : 0);
    return message;
}

QStringList XdgEmailArguments(const MailMessage& message) {
    QStringList arguments{QStringLiteral("--utf8")};
    if (!message.subject.isEmpty()) arguments << QStringLiteral("--subject") << message.subject;
    if (!message.noteText.isEmpty()) {
        // xdg-email turns every line feed into CR LF itself; a CR passed along would double.
        QString body = message.noteText;
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        body.replace(u'\r', u'\n');
        arguments << QStringLiteral("--body") << body;
    }
    for (const MailFile& file : message.files)
        arguments << QStringLiteral("--attach") << file.pathName;
    for (const MailRecipient& recipient : message.recipients) {
        QString address = recipient.address;
        if (address.startsWith(QStringLiteral("SMTP:"), Qt::CaseInsensitive)) address.remove(0, 5);
        arguments << QStringLiteral("--to") << address;
    }
    return arguments;
}

int SendMail(QWidget* window, const QStringList& description) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty()) return 1;
    const MailMessage message = BuildMailMessage(description, window != nullptr);

    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop wait;
    QObject::connect(&process, &QProcess::finished, &wait, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &wait, &QEventLoop::quit);
    process.start(program, XdgEmailArguments(message));
    if (!process.waitForStarted()) return 1;
    // The hand-over blocks the command, as the compose dialog would, but windows repaint.
    if (process.state() != QProcess::NotRunning) wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (process.state() != QProcess::NotRunning) process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit) return 1;
    return process.exitCode();
}

}  // namespace brimlet
