// The question before opening, dropping or leaving throws away a result that was never
// saved: asked only when something would be lost; Save saves first, Cancel keeps all.
#include "tests/ui/WorkspaceSnapshot.h"

#include "workspace/SaveQuestion.h"

#include <QFileInfo>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class SaveQuestionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;
    std::unique_ptr<MessageRecorder> messages;
    QStringList asked;
    brimlet::TSaveAnswer answer = brimlet::TSaveAnswer::kCancel;

    void Drop(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(MainForm, &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(MainForm, &drop);
    }

    void Open(const QString& path) {
        ChooseOpenFile(path);
        MainForm->SpeedButton1Click();
    }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        messages = std::make_unique<MessageRecorder>();
        asked.clear();
        answer = brimlet::TSaveAnswer::kCancel;
        brimlet::SetSaveQuestionHook([this](const QString& text) {
            asked << text;
            return answer;
        });
    }
    void cleanup() {
        brimlet::SetSaveQuestionHook({});
        brimlet::SetSaveDialogHook({});
        messages.reset();
        windows.reset();
    }

    void nothingToLoseNothingAsked() {
        // At start, after opening a picture, and after a cancelled open dialog.
        Open(TestData("hopper.bmp"));
        Open(QString());
        MainForm->Exit1->trigger();
        QVERIFY(asked.isEmpty());
        QVERIFY(!MainForm->isVisible());
    }

    void cancelKeepsEverythingAsItWas() {
        Standard->SpeedButton9->click();
        const WorkspaceSnapshot made = WorkspaceSnapshot::Take();
        const std::size_t depth = MainForm->History->Stack().UndoCount();
        Open(TestData("hopper.bmp"));
        Drop(TestData("hopper.bmp"));
        MainForm->Exit1->trigger();
        QVERIFY(!MainForm->close());  // the close box
        QCOMPARE(asked, QStringList({"Save the cartoon before opening another picture?",
                                     "Save the cartoon before opening another picture?",
                                     "Save the cartoon before leaving?",
                                     "Save the cartoon before leaving?"}));
        QVERIFY(MainForm->isVisible());
        COMPARE_SNAPSHOTS(WorkspaceSnapshot::Take(), made);
        QCOMPARE(MainForm->History->Stack().UndoCount(), depth);
    }

    void discardGoesOnWithoutSaving() {
        Standard->SpeedButton6->click();
        answer = brimlet::TSaveAnswer::kDiscard;
        Drop(TestData("hopper.bmp"));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(MainForm->Image1->Picture().Width(), 128);
        // The dropped picture holds nothing to lose; undoing the drop brings the sketch back,
        // unsaved again.
        MainForm->Exit1->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY(!MainForm->isVisible());
    }

    void undoingBackToUnsavedWorkAsksAgain() {
        Standard->SpeedButton6->click();
        answer = brimlet::TSaveAnswer::kDiscard;
        Open(TestData("hopper.bmp"));
        QCOMPARE(asked.size(), 1);
        MainForm->Undo1->trigger();  // the sketch is back
        QCOMPARE(Standard->ResultKind, 2);
        answer = brimlet::TSaveAnswer::kCancel;
        QVERIFY(!MainForm->close());
        QCOMPARE(asked.size(), 2);
    }

    void saveRunsTheSaveCommandFirst() {
        Standard->SpeedButton9->click();
        QTemporaryDir dir;
        const QString target = dir.filePath("cartoon.jpg");
        ChooseSaveFile(target, 1);
        answer = brimlet::TSaveAnswer::kSave;
        QVERIFY(MainForm->close());
        QVERIFY(QFileInfo(target).size() > 0);
        QCOMPARE(asked.size(), 1);
    }

    void saveThatIsCancelledKeepsTheWindow() {
        Standard->SpeedButton9->click();
        QTemporaryDir dir;
        const QString target = dir.filePath("cartoon.bmp");
        answer = brimlet::TSaveAnswer::kSave;
        // The save dialog cancelled.
        ChooseSaveFile(QString(), 1);
        QVERIFY(!MainForm->close());
        // The overwrite question answered No.
        QFile(target).open(QIODevice::WriteOnly);
        ChooseSaveFile(target, 2);
        messages->answer = false;
        Open(TestData("hopper.bmp"));
        QCOMPARE(MainForm->Image1->Picture().Width(), 362);
        QCOMPARE(QFileInfo(target).size(), 0);
        QCOMPARE(messages->questions.size(), 1);
        QVERIFY(MainForm->isVisible());
    }

    void savedResultIsNotAskedAboutUntilItChangesAgain() {
        Standard->SpeedButton9->click();
        QTemporaryDir dir;
        ChooseSaveFile(dir.filePath("cartoon.bmp"), 2);
        MainForm->SpeedButton2Click();
        Open(QString());  // a cancelled dialog: no question, and the layers start afresh
        MainForm->Undo1->trigger();
        Open(TestData("hopper.bmp"));
        QVERIFY(asked.isEmpty());
        MainForm->Undo1->trigger();  // back at the saved Massing result
        Standard->SpeedButton2->click();  // Brighter: changed since saved
        QVERIFY(!MainForm->close());
        QCOMPARE(asked, QStringList({"Save the cartoon before leaving?"}));
        // Undone back to the saved state: nothing to lose.
        MainForm->Undo1->trigger();
        QVERIFY(MainForm->close());
        QCOMPARE(asked.size(), 1);
    }

    void dyeingBrushAndCutCountAsChanges() {
        Standard->CheckBox1->setChecked(true);
        Standard->SpeedButton9->click();
        QTemporaryDir dir;
        ChooseSaveFile(dir.filePath("cartoon.bmp"), 2);
        for (int kind = 0; kind < 3; ++kind) {
            MainForm->SpeedButton2Click();
            if (kind == 0) steps::Dye(QPoint(40, 40));
            if (kind == 1) steps::Brush({QPoint(40, 40)});
            if (kind == 2) steps::Cut(QPoint(10, 10), QPoint(100, 100));
            QVERIFY(!MainForm->close());
            QCOMPARE(asked.size(), kind + 1);
        }
    }
};

QTEST_MAIN(SaveQuestionTest)
#include "SaveQuestionTest.moc"
