// The main window driven as a user would: the road from opening a photograph to saving the
// cartoon, the open command's messages and re-initialisation, the overwrite question, the
// result-tool buttons, the menu and the general error box.
#include "cartoon/styles/Styles.h"
#include "tests/ui/MainWindowFixture.h"
#include "workspace/Cursors.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using brimlet::TBitmap32;

namespace {

TBitmap32 Load(const QString& path) {
    auto picture = brimlet::LoadPicture(QFile::encodeName(path).toStdString());
    return picture ? std::move(*picture) : TBitmap32();
}

bool SameColours(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelColor(x, y) != b.PixelColor(x, y)) return false;
    return true;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The three layers are copies of the source picture and the tools are back at full size.
void ExpectReinitialised() {
    const TBitmap32& source = MainForm->Image1->Picture();
    QVERIFY(MainForm->ColourLayer == source);
    QVERIFY(MainForm->LineLayer == source);
    QVERIFY(MainForm->PaletteBuffer == source);
    QCOMPARE(Standard->ResultKind, 0);
    QVERIFY(!Standard->SketchResult);
    QVERIFY(!Standard->CheckBox1->isChecked());
    QVERIFY(Standard->SpeedButton2->isEnabled());
    QVERIFY(Standard->SpeedButton3->isEnabled());
    QVERIFY(!Standard->SpeedButton7->isEnabled());
    QVERIFY(!Standard->SpeedButton8->isEnabled());
    QVERIFY(!Standard->SpeedButton10->isEnabled());
    QVERIFY(MainForm->FullSizeMode && !MainForm->DyeingMode && !MainForm->SpotClearMode);
    QVERIFY(MainForm->SpeedButton9->isChecked());
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    TestWindows* windows_ = nullptr;
    MessageRecorder* messages_ = nullptr;
    QTemporaryDir* dir_ = nullptr;

    QString Temp(const char* name) { return dir_->filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        windows_ = new TestWindows;
        messages_ = new MessageRecorder;
        dir_ = new QTemporaryDir;
    }
    void cleanup() {
        brimlet::SetOpenDialogHook({});
        brimlet::SetSaveDialogHook({});
        delete dir_;
        delete messages_;
        delete windows_;
    }

    void startState() {
        QCOMPARE(MainForm->Image1->Picture().Width(), 362);
        QCOMPARE(MainForm->Image1->Picture().Height(), 272);
        QVERIFY(MainForm->Image2->Picture() == MainForm->Image1->Picture());
        QVERIFY(MainForm->ColourLayer == MainForm->Image1->Picture());
        QVERIFY(MainForm->FullSizeMode && !MainForm->DyeingMode && !MainForm->SpotClearMode);
        QCOMPARE(MainForm->Image1->toolTip(), QString("Please draw a rectangle to cut."));
        QCOMPARE(MainForm->Image2->toolTip(), QString("Double click to view fullsize"));
        QCOMPARE(MainForm->Image2->cursor().hotSpot(), QPoint(0, 0));
        QVERIFY(!MainForm->Timer1->isActive());
        QCOMPARE(MainForm->Timer1->interval(), 100);
        QStringList menus;
        for (QAction* a : MainForm->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, QStringList({"File", "Edit", "Make", "Tool", "Help"}));
        QCOMPARE(MainForm->Open1->shortcut(), QKeySequence("Ctrl+O"));
        QCOMPARE(MainForm->Save1->shortcut(), QKeySequence("Ctrl+S"));
        QCOMPARE(MainForm->Print1->shortcut(), QKeySequence("Ctrl+P"));
        QCOMPARE(MainForm->Exit1->shortcut(), QKeySequence("Ctrl+Q"));
        for (QToolButton* b : MainForm->findChildren<QToolButton*>())
            QCOMPARE(b->accessibleName(), b->toolTip());
        QCOMPARE(MainForm->SpeedButton4->toolTip(), QString("Pick up color for Dyeing"));
        // Screen readers and test robots find every control by name.
        for (QWidget* window : {static_cast<QWidget*>(MainForm), static_cast<QWidget*>(Standard),
                                static_cast<QWidget*>(About_Us)}) {
            for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
                if (!b->objectName().startsWith("qt_"))  // the toolkit's own, e.g. menu overflow
                    QVERIFY2(!b->accessibleName().isEmpty(), qPrintable(b->objectName()));
            for (QAbstractSlider* s : window->findChildren<QAbstractSlider*>())
                QVERIFY2(!s->accessibleName().isEmpty(), qPrintable(s->objectName()));
        }
    }

    // From a photograph to a saved cartoon in each format, through the real buttons.
    void typicalRun() {
        const QString photo = TestData("sunrise.jpg");
        ChooseOpenFile(photo);
        MainForm->SpeedButton1->click();
        QVERIFY(messages_->shown.empty());
        const TBitmap32 expected = Load(photo);
        QVERIFY(MainForm->Image1->Picture() == expected);
        QVERIFY(MainForm->Image2->Picture() == expected);
        ExpectReinitialised();
        QCOMPARE(MainForm->DisplayScale,
                 double(expected.Width()) / MainForm->Image2->width());

        MainForm->Standard1->trigger();
        QVERIFY(Standard->isVisible());
        Standard->SpeedButton9->click();
        QCOMPARE(Standard->ResultKind, 1);
        Standard->SpeedButton6->click();
        QCOMPARE(Standard->ResultKind, 2);
        Standard->CheckBox1->click();
        TBitmap32 composite;
        brimlet::ComposeDyeingAndSketch(MainForm->ColourLayer, MainForm->LineLayer, composite);
        const TBitmap32 result = MainForm->Image2->Picture();
        QVERIFY(result == composite);

        // Filter 1 forces ".jpg" even on a name that says bmp.
        ChooseSaveFile(Temp("result.bmp"), 1);
        MainForm->SpeedButton2->click();
        QVERIFY(QFile::exists(Temp("result.jpg")));
        QVERIFY(!QFile::exists(Temp("result.bmp")));
        const TBitmap32 jpeg = Load(Temp("result.jpg"));
        QCOMPARE(jpeg.Width(), result.Width());
        QCOMPARE(jpeg.Height(), result.Height());

        ChooseSaveFile(Temp("a.b.c"), 2);
        MainForm->Save1->trigger();
        QVERIFY(SameColours(Load(Temp("a.b.bmp")), result));

        ChooseSaveFile(Temp("pic"), 3);
        MainForm->SpeedButton2->click();
        QVERIFY(QFile::exists(Temp("pic.wmf")));
        QVERIFY(SameColours(Load(Temp("pic.wmf")), result));
        QVERIFY(messages_->shown.empty());
        QVERIFY(messages_->questions.empty());
    }

    void saveAsksBeforeReplacingTheFileReallyWritten() {
        // The user picks "shot.bmp", which exists; the file written is shot.jpg, which does not.
        WriteFile(Temp("shot.bmp"), "keep me");
        ChooseSaveFile(Temp("shot.bmp"), 1);
        MainForm->SpeedButton2Click();
        QVERIFY(messages_->questions.empty());
        QCOMPARE(ReadFile(Temp("shot.bmp")), QByteArray("keep me"));
        QVERIFY(QFile::exists(Temp("shot.jpg")));

        // Now shot.jpg exists: asked about shot.jpg; "No" keeps it as it was.
        WriteFile(Temp("shot.jpg"), "old");
        messages_->answer = false;
        MainForm->SpeedButton2Click();
        QCOMPARE(messages_->questions.size(), std::size_t(1));
        QVERIFY(messages_->questions[0].contains(Temp("shot.jpg")));
        QCOMPARE(ReadFile(Temp("shot.jpg")), QByteArray("old"));

        messages_->answer = true;
        MainForm->SpeedButton2Click();
        QCOMPARE(Load(Temp("shot.jpg")).Width(), MainForm->Image2->Picture().Width());

        // Cancel and an unknown filter entry write nothing.
        ChooseSaveFile(QString(), 0);
        MainForm->SpeedButton2Click();
        ChooseSaveFile(Temp("other.jpg"), 4);
        MainForm->SpeedButton2Click();
        QVERIFY(!QFile::exists(Temp("other.jpg")));
    }

    void writeFailureReachesTheErrorBox() {
        ChooseSaveFile(Temp("missing-folder/x"), 2);
        MainForm->SpeedButton2->click();
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        const brimlet::ShownMessage& m = messages_->shown[0];
        QCOMPARE(m.icon, QMessageBox::Critical);
        QCOMPARE(m.caption, QString("Brimlet v4.08"));
        QVERIFY(!m.text.isEmpty());
        QCOMPARE(m.text, brimlet::ErrorBoxText(m.text.chopped(m.text.endsWith('.') ? 1 : 0)));
        QVERIFY(!QFile::exists(Temp("missing-folder")));
        // The program carries on.
        ChooseSaveFile(Temp("after"), 2);
        MainForm->SpeedButton2->click();
        QVERIFY(QFile::exists(Temp("after.bmp")));
    }

    void openFailures_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("png is not read") << "chelsea.png";
        QTest::newRow("missing file") << "no-such-file.jpg";
        QTest::newRow("jpe key") << "photo.jpe";
    }
    void openFailures() {
        QFETCH(QString, name);
        QString path = TestData(name.toLatin1().constData());
        if (name == "photo.jpe") {
            path = Temp("photo.jpe");
            QFile::copy(TestData("sunrise.jpg"), path);
        }
        const TBitmap32 before = MainForm->Image1->Picture();
        Standard->SpeedButton9->click();  // a cartoon, to see the re-initialisation
        const TBitmap32 cartoon = MainForm->Image2->Picture();
        ChooseOpenFile(path);
        MainForm->SpeedButton1->click();
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(messages_->shown[0].caption, QString("Sorry"));
        QCOMPARE(messages_->shown[0].text, path + " is not a valid format");
        QVERIFY(MainForm->Image1->Picture() == before);
        QVERIFY(MainForm->Image2->Picture() == cartoon);  // box unchecked: the result stays
        ExpectReinitialised();
    }

    void brokenIconIsReportedTwice() {
        const QString path = Temp("broken.ico");
        WriteFile(path, QByteArray("\0\0\1\0\1\0", 6) + QByteArray(40, 'x'));
        ChooseOpenFile(path);
        MainForm->SpeedButton1->click();
        QCOMPARE(messages_->shown.size(), std::size_t(2));
        const QString prefix = "Input picture" + path + "Error.";
        QCOMPARE(messages_->shown[0].caption, QString("Exit"));
        QVERIFY(messages_->shown[0].text.startsWith(prefix));
        QVERIFY(messages_->shown[0].text.size() > prefix.size());  // the decoder's own text
        QCOMPARE(messages_->shown[1].caption, QString("Sorry"));
        QCOMPARE(messages_->shown[1].text, path + " is not a valid format");
    }

    void undecodableFileEndsTheCommand() {
        Standard->SpeedButton9->click();
        const TBitmap32 colour = MainForm->ColourLayer;
        const QString path = Temp("broken.jpg");
        WriteFile(path, QByteArray("\xFF\xD8\xFF\xE0 this is not a photograph", 30));
        ChooseOpenFile(path);
        MainForm->SpeedButton1->click();
        QCOMPARE(messages_->shown.size(), std::size_t(1));
        QCOMPARE(messages_->shown[0].icon, QMessageBox::Critical);
        QCOMPARE(messages_->shown[0].caption, QString("Brimlet v4.08"));
        // Nothing was re-initialised: the command ended at the decoding error.
        QCOMPARE(Standard->ResultKind, 1);
        QVERIFY(MainForm->ColourLayer == colour);
    }

    void keysAreUpperCased() {
        const QString path = Temp("Logo.Bmp");
        QVERIFY(QFile::copy(TestData("rgb24.bmp"), path));
        ChooseOpenFile(path);
        MainForm->SpeedButton1Click();
        QVERIFY(messages_->shown.empty());
        QCOMPARE(MainForm->Image1->Picture().Width(), 127);
        const QString jpeg = Temp("myjpeg");
        QVERIFY(QFile::copy(TestData("sunrise.jpg"), jpeg));
        ChooseOpenFile(jpeg);
        MainForm->SpeedButton1Click();
        QVERIFY(messages_->shown.empty());
        QCOMPARE(MainForm->Image1->Picture().Width(), 300);
    }

    void cancelledOpenStillReinitialises() {
        const TBitmap32 source = MainForm->Image1->Picture();
        Standard->SpeedButton9->click();
        Standard->SpeedButton6->click();
        MainForm->SpeedButton8Click();
        const TBitmap32 sketch = MainForm->Image2->Picture();
        ChooseOpenFile(QString());
        MainForm->SpeedButton1->click();
        QVERIFY(messages_->shown.empty());
        QVERIFY(MainForm->Image1->Picture() == source);
        QVERIFY(MainForm->Image2->Picture() == sketch);
        ExpectReinitialised();

        // With "Dyeing && Sketch" checked the cancel also shows the source picture again.
        Standard->SpeedButton9->click();
        Standard->CheckBox1->setChecked(true);
        QVERIFY(!(MainForm->Image2->Picture() == source));
        MainForm->SpeedButton1->click();
        QVERIFY(MainForm->Image2->Picture() == source);
        ExpectReinitialised();
    }

    void droppedFileOpens() {
        Standard->SpeedButton9->click();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(TestData("hopper.bmp"))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(MainForm, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(MainForm, &drop);
        QVERIFY(MainForm->Image1->Picture() == Load(TestData("hopper.bmp")));
        ExpectReinitialised();
    }

    void resultToolButtons() {
        MainForm->SpeedButton4->click();
        QVERIFY(MainForm->DyeingMode && !MainForm->SpotClearMode && !MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Pick up color for Dyeing"));
        QCOMPARE(MainForm->Image2->cursor().hotSpot(), QPoint(1, 30));
        QVERIFY(!MainForm->SpeedButton9->isChecked());

        MainForm->SpeedButton8->click();
        QVERIFY(!MainForm->DyeingMode && MainForm->SpotClearMode && !MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Clear spots for Sketch"));
        QCOMPARE(MainForm->Image2->cursor().hotSpot(), QPoint(15, 15));
        QVERIFY(!MainForm->SpeedButton4->isChecked());
        QCOMPARE(MainForm->Image2->cursor().pixmap().size(), QSize(32, 32));

        MainForm->SpeedButton9->click();
        QVERIFY(!MainForm->DyeingMode && !MainForm->SpotClearMode && MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Double click to view fullsize"));
        QVERIFY(!MainForm->SpeedButton8->isChecked());
    }

    void secondaryWindowsAreNonModalTools() {
        MainForm->About1->trigger();
        QVERIFY(About_Us->isVisible());
        QCOMPARE(About_Us->windowTitle(), QString("About_Us"));
        QVERIFY(!About_Us->isModal());
        QVERIFY(About_Us->windowFlags() & Qt::Tool);
        About_Us->close();
        QVERIFY(!About_Us->isVisible());
        QVERIFY(About_Us);  // hidden, not destroyed
        MainForm->SpeedButton7->click();
        QVERIFY(Standard->isVisible());
        QVERIFY(Standard->windowFlags() & Qt::Tool);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
