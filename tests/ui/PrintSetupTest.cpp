// The print set-up window driven through its controls as a user drives it: typed keys,
// mouse presses on the step buttons, the fit box and the repeat timer.
#include "printing/Print_Setup_s.h"
#include "workspace/ErrorBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QStackedWidget>
#include <QPrinter>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using brimlet::TBitmap32;

// Hidden by the dialog itself, not just by sitting on a tab page that is not shown.
bool HiddenOnItsPage(const QWidget* widget) {
    for (const QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget()) {
        if (qobject_cast<const QStackedWidget*>(w->parentWidget())) return false;
        if (w->isHidden()) return true;
    }
    return false;
}

class PrintSetupTest : public QObject {
    Q_OBJECT

private:
    TBitmap32 picture_;
    TPrint_Setup* window_ = nullptr;
    QStringList messages_;
    int dialogRuns_ = 0;

    QLineEdit* Edit(int n) {
        return window_->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
    }
    QToolButton* Button(int n) {
        return window_->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(n));
    }
    QCheckBox* FitBox() { return window_->findChild<QCheckBox*>(QStringLiteral("CheckBox1")); }
    QTimer* Timer() { return window_->findChild<QTimer*>(QStringLiteral("Timer1")); }
    QRect PreviewGeometry() {
        return window_->findChild<QWidget*>(QStringLiteral("Image1"))->geometry();
    }

    // Shows the window afresh for a picture of w x h pixels.
    void ShowFor(int w, int h) {
        picture_ = TBitmap32(w, h);
        window_->hide();
        window_->show();
        messages_.clear();
    }
    // The four texts as "T L PW PH".
    QString Texts() {
        return QStringLiteral("%1 %2 %3 %4")
            .arg(Edit(1)->text(), Edit(2)->text(), Edit(3)->text(), Edit(4)->text());
    }
    // The preview rectangle as "top left width height", checked against the widget itself.
    QString Preview() {
        const auto p = window_->PreviewRect();
        const QRect g = PreviewGeometry();
        if (p.width >= 0 && p.height >= 0 && g != QRect(p.left, p.top, p.width, p.height))
            return QStringLiteral("widget differs");
        return QStringLiteral("%1 %2 %3 %4").arg(p.top).arg(p.left).arg(p.width).arg(p.height);
    }
    // Replaces the text by typing it key by key; every key release runs the edit's handler.
    void Type(int edit, const QString& text) {
        Edit(edit)->selectAll();
        QTest::keyClick(Edit(edit), Qt::Key_Backspace);
        QTest::keyClicks(Edit(edit), text);
    }
    void Click(int button) { QTest::mouseClick(Button(button), Qt::LeftButton); }

private slots:
    void init() {
        window_ = new TPrint_Setup;
        window_->SetResultSource([this]() -> const TBitmap32& { return picture_; });
        window_->SetPrintDialogRunner([this](QPrinter&) {
            ++dialogRuns_;
            return false;
        });
        brimlet::SetMessageHook([this](const brimlet::ShownMessage& m) { messages_ << m.text; });
        messages_.clear();
        dialogRuns_ = 0;
    }
    void cleanup() {
        brimlet::SetMessageHook({});
        delete window_;
    }

    void opensCentredFromTheUnroundedSize_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QString>("texts");
        QTest::newRow("sample 362x272") << 362 << 272 << "139 92 25 19";
        QTest::newRow("143.5 rounds to 144") << 144 << 144 << "144 100 10 10";
        QTest::newRow("102.5 rounds to 102") << 72 << 144 << "144 102 5 10";
        QTest::newRow("98.5 rounds to 98") << 1440 << 1440 << "98 55 100 100";
    }
    void opensCentredFromTheUnroundedSize() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QString, texts);
        ShowFor(w, h);
        QCOMPARE(Texts(), texts);
        QCOMPARE(Preview(), texts);
    }

    void showingAgainDiscardsEditsAndFitMode() {
        ShowFor(362, 272);
        Click(5);
        Type(3, QStringLiteral("80"));
        FitBox()->setChecked(true);
        QVERIFY(!Edit(1)->isEnabled());
        window_->hide();
        window_->show();
        QCOMPARE(Texts(), QStringLiteral("139 92 25 19"));
        QCOMPARE(Preview(), QStringLiteral("139 92 25 19"));
        QVERIFY(!FitBox()->isChecked());
        QVERIFY(Edit(1)->isEnabled() && Button(8)->isEnabled());
        // Showing an already visible window changes nothing.
        Click(7);
        window_->show();
        QCOMPARE(Edit(2)->text(), QStringLiteral("93"));
    }

    void stepsMoveAndResizeAroundTheCentre_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("texts");
        QTest::newRow("plus") << 362 << 272 << 3 << "138 91 27 20";
        QTest::newRow("minus") << 362 << 272 << 4 << "140 93 23 17";
        // Round(250 / 100) = 2 and PH = Round(22.5) = 22: both halves go to even.
        QTest::newRow("plus, tall") << 100 << 250 << 3 << "138 101 9 22";
        QTest::newRow("up") << 362 << 272 << 2 << "138 92 25 19";
        QTest::newRow("down") << 362 << 272 << 5 << "140 92 25 19";
        QTest::newRow("left") << 362 << 272 << 6 << "139 91 25 19";
        QTest::newRow("right") << 362 << 272 << 7 << "139 93 25 19";
    }
    void stepsMoveAndResizeAroundTheCentre() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, button);
        QFETCH(QString, texts);
        ShowFor(w, h);
        Click(button);
        QCOMPARE(Texts(), texts);
        QCOMPARE(Preview(), texts);
        QCOMPARE(Timer()->isActive(), false);
    }

    void typingASizeKeepsProportionAndCorner() {
        ShowFor(362, 272);
        Type(3, QStringLiteral("50"));  // 50 * 272 / 362 = 37.57
        QCOMPARE(Texts(), QStringLiteral("139 92 50 38"));
        QCOMPARE(Preview(), QStringLiteral("139 92 50 38"));
        Type(4, QStringLiteral("100"));  // 100 * 362 / 272 = 133.09
        QCOMPARE(Texts(), QStringLiteral("139 92 133 100"));
        QCOMPARE(Preview(), QStringLiteral("139 92 133 100"));
        Type(1, QStringLiteral("-7"));
        Type(2, QStringLiteral("12"));
        QCOMPARE(Preview(), QStringLiteral("-7 12 133 100"));
        QVERIFY(messages_.isEmpty());
    }

    void aLoneMinusAndEmptyTexts() {
        ShowFor(362, 272);
        Type(1, QStringLiteral("-"));
        QCOMPARE(Edit(1)->text(), QStringLiteral("-"));
        QCOMPARE(Preview(), QStringLiteral("0 92 25 19"));
        Type(3, QStringLiteral("-"));
        QCOMPARE(Edit(4)->text(), QStringLiteral("0"));
        QCOMPARE(Preview(), QStringLiteral("0 92 0 0"));
        Type(2, QString());  // emptied: ignored without a word
        QCOMPARE(Preview(), QStringLiteral("0 92 0 0"));
        QVERIFY(messages_.isEmpty());
        Click(1);
        QCOMPARE(messages_, QStringList{QStringLiteral("Please input a valid integer value.")});
        QCOMPARE(dialogRuns_, 0);
    }

    void centreTruncatesTowardZero() {
        ShowFor(362, 272);
        Click(5);
        Click(5);
        Click(8);
        QCOMPARE(Texts(), QStringLiteral("139 92 25 19"));
        Type(4, QStringLiteral("298"));  // width 396.6 -> 397; (210 - 397) div 2 = -93
        Click(8);
        QCOMPARE(Texts(), QStringLiteral("0 -93 397 298"));
        QCOMPARE(window_->PreviewRect().top, 0);
        QCOMPARE(window_->PreviewRect().left, -93);
    }

    void fitPlacesInsideTheMarginsAndRestores_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("tall") << 1000 << 2000 << "5 33 144 287";
        QTest::newRow("wide") << 2000 << 1000 << "98 5 200 100";
        QTest::newRow("exact") << 200 << 287 << "5 5 200 287";
    }
    void fitPlacesInsideTheMarginsAndRestores() {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QString, fitted);
        ShowFor(w, h);
        Click(5);
        const QString texts = Texts();
        FitBox()->click();
        QCOMPARE(Preview(), fitted);
        QCOMPARE(Texts(), texts);
        for (int n : {1, 2, 3, 4}) QVERIFY(!Edit(n)->isEnabled());
        for (int n : {2, 3, 4, 5, 6, 7, 8}) QVERIFY(!Button(n)->isEnabled());
        QVERIFY(Button(1)->isEnabled());
        Click(5);  // disabled: no step
        QCOMPARE(Preview(), fitted);
        FitBox()->click();
        QCOMPARE(Preview(), texts);
        QVERIFY(Edit(4)->isEnabled() && Button(8)->isEnabled());
    }

    // A text that passes the character test but is no number stops its handler at the
    // failing conversion; what came before stays.
    void badNumbersStopHandlersMidway() {
        ShowFor(362, 272);
        Type(2, QStringLiteral("--"));
        QCOMPARE(messages_, QStringList{QStringLiteral("'--' is not a valid integer value.")});
        FitBox()->click();
        FitBox()->click();  // un-fit: top restored, then "--" fails
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(window_->PreviewRect().top, 139);
        QCOMPARE(window_->PreviewRect().left, 5);  // still the fitted left
        QVERIFY(!Edit(1)->isEnabled());

        ShowFor(362, 272);  // showing again returns to free mode
        QVERIFY(Edit(1)->isEnabled() && Button(8)->isEnabled());
        Click(5);
        Click(5);
        Click(5);
        Type(3, QStringLiteral("5-"));  // "5" sets the height to 4, then "5-" fails
        QCOMPARE(messages_, QStringList{QStringLiteral("'5-' is not a valid integer value.")});
        Click(8);  // top from the height (146), then the width fails
        QCOMPARE(window_->PreviewRect().top, 146);
        QCOMPARE(Edit(1)->text(), QStringLiteral("142"));
        QCOMPARE(window_->PreviewRect().left, 92);
        Click(3);  // the first conversion fails: nothing changes
        QCOMPARE(Texts(), QStringLiteral("142 92 5- 4"));
        QCOMPARE(messages_.size(), 3);
    }

    void holdingPlusRepeatsEveryTick() {
        ShowFor(362, 272);
        QVERIFY(Timer()->isActive());  // running with nothing to repeat
        QCOMPARE(Timer()->interval(), 50);
        window_->Timer1Timer();
        QCOMPARE(Texts(), QStringLiteral("139 92 25 19"));

        QTest::mousePress(Button(3), Qt::LeftButton);
        QVERIFY(Timer()->isActive());
        for (int tick = 0; tick < 10; ++tick) window_->Timer1Timer();  // half a second
        QTest::mouseRelease(Button(3), Qt::LeftButton);
        QVERIFY(!Timer()->isActive());
        QCOMPARE(Edit(3)->text(), QStringLiteral("47"));  // 2 mm a tick, plus the click
        QCOMPARE(window_->RepeatAction(), 5);

        // Any button starts the repeat; only the left one clicks.
        QTest::mousePress(Button(6), Qt::RightButton);
        QCOMPARE(window_->RepeatAction(), 3);
        window_->Timer1Timer();
        QTest::mouseRelease(Button(6), Qt::RightButton);
        QVERIFY(!Timer()->isActive());
        QCOMPARE(Edit(2)->text(), QString::number(92 - 11 - 1));
    }

    void aFailingRepeatReportsOnce() {
        ShowFor(362, 272);
        QTest::mousePress(Button(5), Qt::LeftButton);
        Edit(1)->setText(QStringLiteral("5-"));
        QTest::qWait(400);  // the real timer: several ticks' worth
        QCOMPARE(messages_, QStringList{QStringLiteral("'5-' is not a valid integer value.")});
        QVERIFY(!Timer()->isActive());
        QTest::mouseRelease(Button(5), Qt::LeftButton);
    }

    // The real dialog: no page range or selection, printing to a PDF file kept; cancelling
    // prints nothing and says nothing.
    void theDesktopPrintDialogOffersOnlyWhatApplies() {
        ShowFor(362, 272);
        window_->SetPrintDialogRunner({});
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen = !dialog->testOption(QAbstractPrintDialog::PrintPageRange) &&
                   !dialog->testOption(QAbstractPrintDialog::PrintSelection) &&
                   !dialog->testOption(QAbstractPrintDialog::PrintCurrentPage) &&
                   dialog->testOption(QAbstractPrintDialog::PrintToFile);
            // "Pages from", "Current Page" and "Selection" are not offered on any page.
            for (QAbstractButton* choice : dialog->findChildren<QAbstractButton*>()) {
                const QString text = choice->text().remove(u'&');
                if (text.startsWith(QStringLiteral("Pages from")) ||
                    text == QStringLiteral("Current Page") || text == QStringLiteral("Selection"))
                    seen = seen && HiddenOnItsPage(choice);
            }
            dialog->reject();
        });
        Click(1);
        QVERIFY(seen);
        QVERIFY(messages_.isEmpty());
    }

    void windowLooksAsLaidOut() {
        ShowFor(362, 272);
        QCOMPARE(window_->size(), QSize(378, 334));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Print_Setup"));
        QVERIFY(window_->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(window_->findChild<QWidget*>(QStringLiteral("Panel1"))->geometry(),
                 QRect(16, 24, 210, 297));
        // Tab walks the edits, then the box; the buttons take no focus.
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        Edit(1)->setFocus();
        for (QWidget* next : {static_cast<QWidget*>(Edit(2)), static_cast<QWidget*>(Edit(3)),
                              static_cast<QWidget*>(Edit(4)), static_cast<QWidget*>(FitBox())}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        window_->close();
        QVERIFY(window_->isHidden());
    }
};

QTEST_MAIN(PrintSetupTest)
#include "PrintSetupTest.moc"
