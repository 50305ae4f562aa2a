// The Edit menu: its place, texts that name the step, enabling, the shortcuts, and that
// saving leaves the history alone.
#include "tests/ui/WorkspaceSnapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QTemporaryDir>

#include <memory>

class EditMenuTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;
    std::unique_ptr<MessageRecorder> messages;

    QString UndoText() const { return MainForm->Undo1->text(); }
    QString RedoText() const { return MainForm->Redo1->text(); }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        messages = std::make_unique<MessageRecorder>();
    }
    void cleanup() {
        messages.reset();
        windows.reset();
    }

    void menuSitsBetweenFileAndMakeWithItsShortcuts() {
        QStringList menus;
        for (QAction* a : MainForm->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus.mid(0, 3), QStringList({"File", "Edit", "Make"}));
        QCOMPARE(MainForm->Undo1->shortcut(), QKeySequence("Ctrl+Z"));
        QCOMPARE(MainForm->Redo1->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        // Nothing done yet: both plain and disabled.
        QCOMPARE(UndoText(), QString("Undo"));
        QCOMPARE(RedoText(), QString("Redo"));
        QVERIFY(!MainForm->Undo1->isEnabled() && !MainForm->Redo1->isEnabled());
        QVERIFY(!MainForm->Undo1->toolTip().isEmpty());
    }

    void textsNameTheStepAndFollowEachUndoAndRedo() {
        Standard->SpeedButton9->click();
        QCOMPARE(UndoText(), QString("Undo Massing"));
        QVERIFY(MainForm->Undo1->isEnabled() && !MainForm->Redo1->isEnabled());
        Standard->SpeedButton4->click();
        // One ampersand shown, written doubled for the menu.
        QCOMPARE(UndoText(), QString("Undo Pen && Ink"));
        QCOMPARE(MainForm->Undo1->toolTip(), QString("Undo Pen & Ink"));
        Standard->CheckBox1->setChecked(true);  // not a step
        QCOMPARE(UndoText(), QString("Undo Pen && Ink"));
        steps::Dye(QPoint(40, 40));
        QCOMPARE(UndoText(), QString("Undo Dyeing"));
        steps::Brush({QPoint(30, 30), QPoint(60, 60)});
        QCOMPARE(UndoText(), QString("Undo Brush Stroke"));
        steps::Cut(QPoint(20, 20), QPoint(200, 150));
        QCOMPARE(UndoText(), QString("Undo Cut"));
        MainForm->Undo1->trigger();
        QCOMPARE(UndoText(), QString("Undo Brush Stroke"));
        QCOMPARE(RedoText(), QString("Redo Cut"));
        QVERIFY(MainForm->Redo1->isEnabled());
        for (int i = 0; i < 4; ++i) MainForm->Undo1->trigger();
        QCOMPARE(UndoText(), QString("Undo"));
        QVERIFY(!MainForm->Undo1->isEnabled());
        QCOMPARE(RedoText(), QString("Redo Massing"));
    }

    void keysUndoAndRedo() {
        const brimlet::TBitmap32 photo = MainForm->Image2->Picture();
        Standard->SpeedButton6->click();  // Pen Sketch
        const brimlet::TBitmap32 sketch = MainForm->Image2->Picture();
        QVERIFY(!(sketch == photo));
        QTest::keyClick(MainForm, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(MainForm->Image2->Picture() == photo);
        QTest::keyClick(MainForm, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(MainForm->Image2->Picture() == sketch);
        QTest::keyClick(MainForm, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(MainForm, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(MainForm->Image2->Picture() == sketch);
        // Also while the panel has the focus.
        Standard->show();
        Standard->activateWindow();
        QTest::keyClick(Standard, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(MainForm->Image2->Picture() == photo);
    }

    void savingPrintingAndMailingLeaveTheHistoryAlone() {
        Standard->SpeedButton9->click();
        QTemporaryDir dir;
        ChooseSaveFile(dir.filePath("result.bmp"), 2);
        MainForm->SpeedButton2Click();
        QVERIFY(QFileInfo::exists(dir.filePath("result.bmp")));
        QCOMPARE(MainForm->History->Stack().UndoCount(), std::size_t(1));
        QCOMPARE(UndoText(), QString("Undo Massing"));
        QVERIFY(!MainForm->Redo1->isEnabled());
    }

    // Clicks that change nothing are no steps: dyeing where the palette has the same colour,
    // tools that their guards refuse.
    void clicksThatChangeNothingAreNoSteps() {
        // Right after start the palette is the photo itself: dyeing is allowed with the box
        // and gives every pixel its own colour back.
        Standard->CheckBox1->setChecked(true);
        steps::Dye(QPoint(50, 50));
        QVERIFY(!MainForm->Undo1->isEnabled());
        Standard->CheckBox1->setChecked(false);
        steps::Brush({QPoint(50, 50)});  // ResultKind 0 without the box: refused
        QVERIFY(!MainForm->Undo1->isEnabled());
    }
};

QTEST_MAIN(EditMenuTest)
#include "EditMenuTest.moc"
