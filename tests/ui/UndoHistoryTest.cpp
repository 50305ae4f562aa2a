// Random sequences of the user's steps on a real photograph, undone all the way and redone
// all the way back: every state on the road must come back byte for byte and field by field.
#include "tests/ui/WorkspaceSnapshot.h"

#include "workspace/SaveQuestion.h"

#include <memory>
#include <random>

class UndoHistoryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;
    std::unique_ptr<MessageRecorder> messages;

    QPoint RandomPoint(std::mt19937& rng, const QWidget* w) {
        return QPoint(int(rng() % std::max(1, w->width())), int(rng() % std::max(1, w->height())));
    }

    // One random action; returns whether it was meant to be a step (a click that changes
    // nothing, or a cut too small to make, is not one). `before` is taken just before the
    // step proper, after any tool choice or outline it needs.
    bool RandomAction(std::mt19937& rng, WorkspaceSnapshot& before) {
        QPushButton* styles[] = {Standard->SpeedButton9, Standard->SpeedButton2, Standard->SpeedButton3,
                                 Standard->SpeedButton6, Standard->SpeedButton1, Standard->SpeedButton4,
                                 Standard->SpeedButton10, Standard->SpeedButton8, Standard->SpeedButton7};
        switch (rng() % 8) {
            case 0: case 1: case 2: {
                QPushButton* b = styles[rng() % std::size(styles)];
                if (!b->isEnabled()) return false;
                before = WorkspaceSnapshot::Take();
                b->click();
                return true;
            }
            case 3: case 4: {
                MainForm->SpeedButton4Click();
                before = WorkspaceSnapshot::Take();
                steps::Dye(RandomPoint(rng, MainForm->Image2));
                return true;
            }
            case 5: {
                MainForm->SpeedButton8Click();
                before = WorkspaceSnapshot::Take();
                QList<QPoint> path;
                for (int i = 0, n = 1 + int(rng() % 6); i < n; ++i)
                    path << RandomPoint(rng, MainForm->Image2);
                steps::Brush(path);
                return true;
            }
            case 6: {
                const QWidget* image = MainForm->Image1;
                const QPoint a = RandomPoint(rng, image), b = RandomPoint(rng, image);
                if (std::abs(a.x() - b.x()) < 8 || std::abs(a.y() - b.y()) < 8) return false;
                steps::DrawCutRect(a, b);
                before = WorkspaceSnapshot::Take();
                MainForm->CropSelection->Image1DblClick();
                return true;
            }
            default: {
                // A real open, or a cancelled dialog, which re-initialises the layers.
                before = WorkspaceSnapshot::Take();
                ChooseOpenFile(rng() % 2 ? TestData("sample-362x272.jpg") : QString());
                MainForm->SpeedButton1Click();
                return true;
            }
        }
    }

private slots:
    void init() {
        windows = std::make_unique<TestWindows>();
        messages = std::make_unique<MessageRecorder>();
        brimlet::SetSaveQuestionHook([](const QString&) { return brimlet::TSaveAnswer::kDiscard; });
        // A real photograph, smaller than the sample, keeps the runs quick.
        ChooseOpenFile(TestData("hopper.bmp"));
        MainForm->SpeedButton1Click();
        QVERIFY(MainForm->Image1->Picture().Width() < 362);
    }
    void cleanup() {
        brimlet::SetSaveQuestionHook({});
        messages.reset();
        windows.reset();
    }

    void randomStepsUndoneAndRedoneField_data() {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<bool>("dyeingAndSketch");
        for (unsigned seed : {1u, 2u, 3u})
            for (bool box : {false, true})
                QTest::addRow("seed %u, box %d", seed, int(box)) << seed << box;
    }
    void randomStepsUndoneAndRedoneField() {
        QFETCH(unsigned, seed);
        QFETCH(bool, dyeingAndSketch);
        Standard->CheckBox1->setChecked(dyeingAndSketch);
        std::mt19937 rng(seed);
        std::vector<WorkspaceSnapshot> before;
        QStringList names;
        const std::size_t startDepth = MainForm->History->Stack().UndoCount();
        for (int i = 0; i < 24; ++i) {
            WorkspaceSnapshot state;
            const std::size_t depth = MainForm->History->Stack().UndoCount();
            if (!RandomAction(rng, state)) continue;
            if (MainForm->History->Stack().UndoCount() == depth) {
                // Not recorded: then it changed nothing at all.
                COMPARE_SNAPSHOTS(WorkspaceSnapshot::Take(), state);
                continue;
            }
            QCOMPARE(MainForm->History->Stack().UndoCount(), depth + 1);
            before.push_back(std::move(state));
            names << MainForm->Undo1->text();
        }
        QVERIFY(before.size() >= 10);
        const WorkspaceSnapshot last = WorkspaceSnapshot::Take();

        // Undo all the way: each state equals the one recorded before its step.
        for (std::size_t i = before.size(); i-- > 0;) {
            QCOMPARE(MainForm->Undo1->text(), names[qsizetype(i)]);
            MainForm->Undo1->trigger();
            COMPARE_SNAPSHOTS(WorkspaceSnapshot::Take(), before[i]);
        }
        QCOMPARE(MainForm->History->Stack().UndoCount(), startDepth);
        // Redo all the way: back through the same states to the last one.
        for (std::size_t i = 0; i < before.size(); ++i) {
            MainForm->Redo1->trigger();
            COMPARE_SNAPSHOTS(WorkspaceSnapshot::Take(), i + 1 < before.size() ? before[i + 1] : last);
        }
        QVERIFY(!MainForm->Redo1->isEnabled());
    }

    // A new step after an undo drops what could have been redone.
    void aNewStepDropsTheRedoBranch() {
        Standard->SpeedButton9->click();
        Standard->SpeedButton6->click();
        MainForm->Undo1->trigger();
        QCOMPARE(MainForm->Redo1->text(), QString("Redo Pen Sketch"));
        Standard->SpeedButton1->click();
        QVERIFY(!MainForm->Redo1->isEnabled());
        QCOMPARE(MainForm->Undo1->text(), QString("Undo Pencil Sketch"));
        MainForm->Undo1->trigger();
        QCOMPARE(Standard->ResultKind, 1);  // back at the Massing result
        QVERIFY(MainForm->Image2->Picture() == MainForm->ColourLayer);
    }

    // A cancelled open dialog throws the layers away; the history brings them back.
    void aCancelledOpenIsUndoable() {
        Standard->SpeedButton9->click();
        const WorkspaceSnapshot made = WorkspaceSnapshot::Take();
        ChooseOpenFile(QString());
        MainForm->SpeedButton1Click();
        QVERIFY(MainForm->ColourLayer == MainForm->Image1->Picture());
        QCOMPARE(Standard->ResultKind, 0);
        QCOMPARE(MainForm->Undo1->text(), QString("Undo Open"));
        MainForm->Undo1->trigger();
        COMPARE_SNAPSHOTS(WorkspaceSnapshot::Take(), made);
    }
};

QTEST_MAIN(UndoHistoryTest)
#include "UndoHistoryTest.moc"
