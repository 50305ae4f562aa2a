// "Tell a friend" and "Online" when the desktop's helpers are missing or fail: the general
// error box names what could not be started and the package that provides it. MAILER and
// PATH stand in for the user's desktop.
#include "tests/ui/MainWindowFixture.h"
#include "workspace/MailCommands.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace brimlet;

class ExternalProgramsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QByteArray savedPath_;
    std::unique_ptr<TestWindows> windows_;

    QString Script(const QString& name, const QByteArray& body) {
        const QString folder = dir_.filePath(QStringLiteral("bin"));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString Recorded() const {
        QFile file(dir_.filePath(QStringLiteral("record.txt")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Clicks a toolbar button and returns the error boxes it raised.
    std::vector<ShownMessage> Click(const char* button) {
        MessageRecorder recorder;
        MainForm->findChild<QToolButton*>(QString::fromLatin1(button))->click();
        return recorder.shown;
    }
    static void ExpectErrorBox(const std::vector<ShownMessage>& shown, const char* what,
                               const char* package) {
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].caption, QString::fromUtf8(kApplicationTitle));
        QVERIFY2(shown[0].text.contains(QLatin1String(what)), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(QLatin1String(package)), qPrintable(shown[0].text));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        savedPath_ = qgetenv("PATH");
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toUtf8());
        qunsetenv("BROWSER");
        qunsetenv("DEFAULT_BROWSER");
        windows_ = std::make_unique<TestWindows>();
    }
    void cleanup() { qputenv("PATH", savedPath_); }
    void cleanupTestCase() {
        windows_.reset();
        QFile::remove(QDir(QCoreApplication::applicationDirPath()).filePath("mywork.jpg"));
    }

    void aMissingXdgEmailIsReportedAndTheAttachmentStays() {
        qputenv("PATH", dir_.filePath(QStringLiteral("empty")).toUtf8());
        ExpectErrorBox(Click("SpeedButton5"), "xdg-email", "xdg-utils");
        QVERIFY(QFile::exists(
            QDir(QCoreApplication::applicationDirPath()).filePath("mywork.jpg")));
    }

    void aMailProgramThatFailsIsReported() {
        const QString mailer = Script(QStringLiteral("failing-mailer"), "exit 3\n");
        qputenv("MAILER", mailer.toUtf8());
        const auto shown = Click("SpeedButton5");
        qunsetenv("MAILER");
        ExpectErrorBox(shown, "mail program", "xdg-utils");
    }

    void aWorkingMailProgramRaisesNoBox() {
        const QString mailer = Script(
            QStringLiteral("mailer"),
            "printf '%s' \"$1\" > \"" + dir_.filePath(QStringLiteral("record.txt")).toUtf8() +
                "\"\n");
        qputenv("MAILER", mailer.toUtf8());
        const auto shown = Click("SpeedButton5");
        qunsetenv("MAILER");
        QVERIFY(shown.empty());
        QVERIFY(Recorded().startsWith(QStringLiteral("mailto:")));
    }

    // Runs before any browser has been found: the toolkit remembers the first one it finds.
    void noBrowserIsReported() {
        qputenv("PATH", dir_.filePath(QStringLiteral("empty")).toUtf8());
        ExpectErrorBox(Click("SpeedButton6"), "web browser", "xdg-utils");
        QVERIFY(BrowserFailureText(QStringLiteral("https://x/")).contains("https://x/"));
    }
};

QTEST_MAIN(ExternalProgramsTest)
#include "ExternalProgramsTest.moc"
