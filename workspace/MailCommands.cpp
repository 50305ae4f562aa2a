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
    SendMail(window, description);
}

void OpenHomePage(QWidget* window) {
    Q_UNUSED(window);
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(links::kHomePage)));
}

}  // namespace brimlet
