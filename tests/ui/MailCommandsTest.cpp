// "Tell a friend" and SendMail through the real xdg-email. MAILER points at a small
// recording script, so what the mail program would receive is the mailto: address it writes.
#include "core/codecs/PictureFiles.h"
#include "workspace/MailCommands.h"
#include "workspace/MailMessage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <QtTest>

#include <cstdlib>

using namespace brimlet;

namespace {

// The mailto: address split into its fields, each percent-decoded; repeated keys keep order.
QList<QPair<QString, QString>> MailtoFields(const QByteArray& mailto) {
    QList<QPair<QString, QString>> fields;
    const qsizetype query = mailto.indexOf('?');
    if (!mailto.startsWith("mailto:") || query < 0) return fields;
    for (const QByteArray& part : mailto.mid(query + 1).split('&')) {
        const qsizetype equals = part.indexOf('=');
        fields.append({QString::fromUtf8(part.left(equals)),
                       QUrl::fromPercentEncoding(part.mid(equals + 1))});
    }
    return fields;
}

QStringList Values(const QList<QPair<QString, QString>>& fields, const QString& key) {
    QStringList values;
    for (const auto& field : fields)
        if (field.first == key) values << field.second;
    return values;
}

}  // namespace

class MailCommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QByteArray savedPath_;

    QString Record() const { return dir_.filePath(QStringLiteral("handed-over.txt")); }
    QString ProgramCopy() const {
        return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mywork.jpg"));
    }
    QByteArray Recorded() const {
        QFile file(Record());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString File(const QString& name) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x");
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString script = dir_.filePath(QStringLiteral("record-mail.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "#!/bin/sh\nprintf '%s' \"$1\" > \"$BRIMLET_MAIL_RECORD\"\n"
            "exit \"${BRIMLET_MAIL_EXIT:-0}\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("MAILER", script.toUtf8());
        qputenv("BRIMLET_MAIL_RECORD", Record().toUtf8());
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toUtf8());
        savedPath_ = qgetenv("PATH");
    }
    void init() {
        QFile::remove(Record());
        qunsetenv("BRIMLET_MAIL_EXIT");
    }
    void cleanupTestCase() {
        QFile::remove(ProgramCopy());
        QDir(ProgramCopy()).removeRecursively();
    }

    void tellAFriendAttachesTheResultWithTheFixedTexts() {
        TBitmap32 result(37, 23);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) result.SetPixelColor(x, y, x * 6, y * 10, 128);
        QWidget window;
        TellAFriend(result, &window);

        const auto fields = MailtoFields(Recorded());
        QCOMPARE(Values(fields, QStringLiteral("subject")),
                 QStringList{QStringLiteral("Send my great work to you , wonderful cartoon!")});
        QCOMPARE(Values(fields, QStringLiteral("body")),
                 QStringList{QStringLiteral(
                     "Hello!\r\n\r\nAttachment is my great work. It is made by Brimlet.\r\n"
                     "This is a good software. The download link is folows:\r\n"
                     "https://brimlet.example/download/brimlet-setup\r\n\r\n"
                     "Please try it. It would give you happiness!\r\nGood luck!")});
        QCOMPARE(Values(fields, QStringLiteral("attach")),
                 QStringList{QFileInfo(ProgramCopy()).canonicalFilePath()});
        QVERIFY(Values(fields, QStringLiteral("to")).isEmpty());

        const auto decoded = LoadPicture(ProgramCopy().toStdString());
        QVERIFY(decoded && decoded->Width() == 37 && decoded->Height() == 23);
        long error = 0;
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const std::uint32_t a = result.PixelColor(x, y), b = decoded->PixelColor(x, y);
                for (int shift : {0, 8, 16})
                    error += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
            }
        QVERIFY2(error / (37 * 23 * 3) < 6, qPrintable(QString::number(error)));
    }

    void anUnwritablePictureStopsBeforeAnyMail() {
        QFile::remove(ProgramCopy());
        QVERIFY(QDir().mkpath(ProgramCopy()));  // a folder where the file should go
        QVERIFY_THROWS_EXCEPTION(PictureError, TellAFriend(TBitmap32(4, 4), nullptr));
        QVERIFY(!QFile::exists(Record()));
        QVERIFY(QDir(ProgramCopy()).removeRecursively());
    }

    void sendMailStopsAtTheFirstGapAndNamesOneRecipient() {
        const QString first = File(QStringLiteral("first.jpg")),
                      third = File(QStringLiteral("third.jpg"));
        const QStringList description{QStringLiteral("to=friend@example.org"),
                                      QStringLiteral("attachment0=") + first,
                                      QStringLiteral("attachment2=") + third};
        QCOMPARE(SendMail(nullptr, description), 0);
        const auto fields = MailtoFields(Recorded());
        QCOMPARE(Values(fields, QStringLiteral("attach")),
                 QStringList{QFileInfo(first).canonicalFilePath()});
        QCOMPARE(Values(fields, QStringLiteral("to")),
                 QStringList{QStringLiteral("friend@example.org")});
        QVERIFY(Values(fields, QStringLiteral("subject")).isEmpty());

        const MailMessage message = BuildMailMessage(description, true);
        QCOMPARE(message.flags, 11ul);
        QCOMPARE(BuildMailMessage(description, false).flags, 3ul);
        QCOMPARE(message.recipients.size(), std::size_t(1));
        QCOMPARE(message.recipients[0].recipientClass, 1ul);
        QCOMPARE(message.recipients[0].name, QStringLiteral("friend@example.org"));
        QCOMPARE(message.recipients[0].address, QStringLiteral("SMTP:friend@example.org"));
        QCOMPARE(message.files.size(), std::size_t(1));
        QCOMPARE(message.files[0].fileName, QStringLiteral("first.jpg"));
        QCOMPARE(message.files[0].position, -1l);
        QVERIFY(BuildMailMessage({QStringLiteral("to=")}, true).recipients.empty());
    }

    void theMailProgramsAnswerIsTheResult() {
        qputenv("BRIMLET_MAIL_EXIT", "3");
        QVERIFY(SendMail(nullptr, {QStringLiteral("subject=Hi")}) != 0);
        QVERIFY(QFile::exists(Record()));

        QFile::remove(Record());
        qputenv("PATH", dir_.filePath(QStringLiteral("no-programs")).toUtf8());
        const int missing = SendMail(nullptr, {QStringLiteral("subject=Hi")});
        qputenv("PATH", savedPath_);
        QCOMPARE(missing, 1);
        QVERIFY(!QFile::exists(Record()));
    }

    void aReadOnlyProgramFolderFallsBackToTheDataFolder() {
        QCOMPARE(AttachmentFolder(dir_.path()), dir_.path());
        const QString fallback = AttachmentFolder(dir_.filePath(QStringLiteral("missing/program")));
        QVERIFY(fallback.startsWith(dir_.filePath(QStringLiteral("data"))));
        QVERIFY(QFileInfo(fallback).isDir());
    }
};

QTEST_MAIN(MailCommandsTest)
#include "MailCommandsTest.moc"
