// The command line: reading the arguments, opening a file named there through the open
// command (with its messages), several files, and the folder the dialogs start in.
#include "app/CommandLine.h"
#include "tests/ui/MainWindowFixture.h"
#include "workspace/RecentFolder.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace brimlet;
using Action = CommandLine::Action;

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QCoreApplication::setApplicationName(QStringLiteral("Brimlet"));
        QCoreApplication::setApplicationVersion(QStringLiteral("4.08"));
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
    }

    void readsOptionsAndFiles() {
        const CommandLine version = ReadCommandLine({"brimlet", "--version"});
        QCOMPARE(version.action, Action::Version);
        QCOMPARE(version.text, QStringLiteral("Brimlet 4.08\n"));
        QCOMPARE(ReadCommandLine({"brimlet", "-v"}).action, Action::Version);

        const CommandLine help = ReadCommandLine({"brimlet", "a.jpg", "--help"});
        QCOMPARE(help.action, Action::Help);
        QVERIFY(help.text.contains(QStringLiteral("--version")));
        QVERIFY(help.text.contains(QStringLiteral("[FILE...]")));
        QVERIFY(!help.text.contains(QStringLiteral("--help-all")));

        const CommandLine files = ReadCommandLine({"brimlet", "a.jpg", "-", "b c.gif"});
        QCOMPARE(files.action, Action::Run);
        QCOMPARE(files.files, (QStringList{"a.jpg", "-", "b c.gif"}));
        QCOMPARE(ReadCommandLine({"brimlet", "--", "--version"}).files,
                 QStringList{"--version"});

        const CommandLine wrong = ReadCommandLine({"/usr/bin/brimlet", "--frobnicate"});
        QCOMPARE(wrong.action, Action::Fail);
        QVERIFY(wrong.text.startsWith(QStringLiteral("brimlet: ")));
        QVERIFY(wrong.text.contains(QStringLiteral("frobnicate")));
        QVERIFY(wrong.text.contains(QStringLiteral("--help")));
    }

    void aFileIsOpenedLikeADroppedOne() {
        TestWindows windows;
        MessageRecorder recorder;
        OpenCommandLineFiles(MainForm, {TestData("hopper.bmp")});
        QVERIFY(recorder.shown.empty());
        QCOMPARE(MainForm->Image1->Picture().Width(), 128);
        QVERIFY(MainForm->Image2->Picture() == MainForm->Image1->Picture());
        QVERIFY(MainForm->ColourLayer == MainForm->Image1->Picture());
    }

    void aBadFileGetsTheOpenCommandsMessageAndTheSampleStays() {
        TestWindows windows;
        MessageRecorder recorder;
        const TBitmap32 sample = MainForm->Image1->Picture();
        QDir::setCurrent(dir_.path());
        OpenCommandLineFiles(MainForm, {QStringLiteral("missing.jpg")});
        QCOMPARE(recorder.shown.size(), std::size_t(1));
        QCOMPARE(recorder.shown[0].caption, QStringLiteral("Sorry"));
        QCOMPARE(recorder.shown[0].text,
                 dir_.filePath(QStringLiteral("missing.jpg")) + " is not a valid format");
        QVERIFY(MainForm->Image1->Picture() == sample);

        // A file that fails to decode ends in the general error box, and the program goes on.
        QFile broken(dir_.filePath(QStringLiteral("broken.jpg")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\xFF\xD8 not really a JPEG");
        broken.close();
        recorder.shown.clear();
        OpenCommandLineFiles(MainForm, {broken.fileName()});
        QCOMPARE(recorder.shown.size(), std::size_t(1));
        QCOMPARE(recorder.shown[0].icon, QMessageBox::Critical);
        QVERIFY(MainForm->Image1->Picture() == sample);
    }

    void severalFilesOpenTheFirstAndNameTheOthersOnce() {
        TestWindows windows;
        MessageRecorder recorder;
        OpenCommandLineFiles(MainForm, {TestData("hopper.bmp"), "second.jpg", "third.gif"});
        QCOMPARE(MainForm->Image1->Picture().Width(), 128);
        QCOMPARE(recorder.shown.size(), std::size_t(1));
        QVERIFY(recorder.shown[0].text.contains(QStringLiteral("second.jpg\nthird.gif")));
        QVERIFY(!recorder.shown[0].text.contains(QStringLiteral("hopper")));
    }

    void theDialogsStartInTheFolderLastChosen() {
        QCOMPARE(RecentPictureFolder(), QString());
        const QString pictures = dir_.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkpath(pictures));
        RememberPictureFolder(QDir(pictures).filePath(QStringLiteral("cat.jpg")));
        QCOMPARE(RecentPictureFolder(), pictures);

        // The real open dialog, read and cancelled as soon as it shows.
        QString shownFolder;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shownFolder = dialog->directory().absolutePath();
            dialog->reject();
        });
        QVERIFY(RunOpenPictureDialog(nullptr).isEmpty());
        QCOMPARE(shownFolder, pictures);

        // A folder that has gone is forgotten rather than shown.
        QVERIFY(QDir(pictures).removeRecursively());
        QCOMPARE(RecentPictureFolder(), QString());
    }

    void anUnreadableSettingsFileIsIgnored() {
        const QString file = dir_.filePath(QStringLiteral("config/Brimlet/Brimlet.conf"));
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));  // a folder where the file should be
        QCOMPARE(RecentPictureFolder(), QString());
        RememberPictureFolder(dir_.filePath(QStringLiteral("x.jpg")));  // no crash, no write
        QCOMPARE(RecentPictureFolder(), QString());
        QVERIFY(QDir(file).removeRecursively());
    }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
