#include "workspace/MailCommands.h"

#include "core/codecs/PictureFiles.h"
#include "workspace/Links.h"
#include "workspace/MailMessage.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <stdexcept>

namespace brimlet {

QString AttachmentFolder(const QString& programFolder) {
    const QFileInfo info(programFolder);
    if (info.isDir() && info.isWritable()) return programFolder;
    // An installed program's folder is read-only, so the file goes to the user's data folder.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString TellAFriendBody() {
    const QStringList lines{
        QStringLiteral("Hello!"),
        QString(),
        QStringLiteral("Attachment is my great work. It is made by Brimlet."),
        QStringLiteral("This is a good software. The download link is folows:"),
        QString::fromLatin1(links::kDownload),
        QString(),
        QStringLiteral("Please try it. It would give you happiness!"),
        QStringLiteral("Good luck!"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void TellAFriend(const TBitmap32& result, QWidget* window) {
    const QString path = QDir(AttachmentFolder(QCoreApplication::applicationDirPath()))
                             .filePath(QStringLiteral("mywork"));
    const std::string written =
        SaveJpeg(result, QFile::encodeName(path + QStringLiteral(".jpg")).toStdString());
    const QStringList description{
        QStringLiteral("subject=Send my great work to you , wonderful cartoon!"),
        QStringLiteral("body=") + TellAFriendBody(),
        QStringLiteral("attachment0=") + QFile::decodeName(QByteArray::fromStdString(written)),
    };
    const int status = SendMail(window, description);
    if (status != 0) {
        const bool found =
            !QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty();
        throw std::runtime_error(MailFailureText(found, status).toStdString());
    }
}

QString MailFailureText(bool xdgEmailFound, int status) {
    if (!xdgEmailFound)
        return QStringLiteral(
            "The mail program could not be started: xdg-email is missing. "
            "Install the package xdg-utils");
    return QStringLiteral(
               "The mail program could not be started: xdg-email ended with status %1. "
               "Install a mail program (for example the package thunderbird) and make it "
               "the desktop's default; xdg-email comes with the package xdg-utils")
        .arg(status);
}

QString BrowserFailureText(const QString& address) {
    return QStringLiteral(
               "The web browser could not be started to show %1. Install the package "
               "xdg-utils and a web browser (for example the package firefox-esr)")
        .arg(address);
}

void OpenHomePage(QWidget* window) {
    Q_UNUSED(window);
    const QString address = QString::fromLatin1(links::kHomePage);
    if (!QDesktopServices::openUrl(QUrl(address)))
        throw std::runtime_error(BrowserFailureText(address).toStdString());
}

}  // namespace brimlet
