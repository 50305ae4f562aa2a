// The program as a screen reader sees it: every window of the program walked through the
// accessibility tree. Each window has a window role, each control a user can operate has a
// name, and each button's or check box's accessible action does what a click does.
#include "printing/Print_Setup_s.h"
#include "workspace/Workspace.h"
#include "tests/ui/MainWindowFixture.h"
#include "workspace/ViewForm_s.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPrinter>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

// The roles of the controls a user operates.
bool Interactive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Slider:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::MenuItem:
    case QAccessible::ScrollBar:
        return true;
    default:
        return false;
    }
}

void Walk(QAccessibleInterface* iface, const std::function<void(QAccessibleInterface*)>& visit) {
    visit(iface);
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i)) Walk(child, visit);
}

// A name for failure messages: the object name of the widget behind the interface.
QByteArray Describe(QAccessibleInterface* iface) {
    QObject* o = iface->object();
    return (o ? o->objectName().toUtf8() : QByteArray("?")) + " (role " +
           QByteArray::number(int(iface->role())) + ")";
}

QAccessibleActionInterface* Actions(QObject* object) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->actionInterface() : nullptr;
}

// The accessible action a screen reader offers first: press for buttons, toggle for boxes.
QString DefaultAction(QAccessibleActionInterface* actions) {
    for (const QString& name : actions->actionNames())
        if (name == QAccessibleActionInterface::pressAction() ||
            name == QAccessibleActionInterface::toggleAction())
            return name;
    return {};
}

void RunDefaultAction(QObject* control) {
    QAccessibleActionInterface* actions = Actions(control);
    QVERIFY2(actions, qPrintable(control->objectName()));
    const QString action = DefaultAction(actions);
    QVERIFY2(!action.isEmpty(), qPrintable(control->objectName()));
    actions->doAction(action);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
    TestWindows* windows_ = nullptr;
    MessageRecorder* messages_ = nullptr;
    int printDialogs_ = 0;

    QList<QWidget*> AllWindows() const {
        return {MainForm, Standard, Print_Setup, About_Us, ViewForm};
    }

private slots:
    void init() {
        windows_ = new TestWindows;
        messages_ = new MessageRecorder;
        ViewForm = new TViewForm(MainForm);
        Print_Setup = new TPrint_Setup(MainForm);
        Print_Setup->SetResultSource(
            []() -> const brimlet::TBitmap32& { return MainForm->Image2->Picture(); });
        printDialogs_ = 0;
        Print_Setup->SetPrintDialogRunner([this](QPrinter&) {
            ++printDialogs_;
            return false;
        });
        ChooseOpenFile(QString());  // every open dialog is cancelled
        ChooseSaveFile(QString(), 0);
        // Larger than the screen, so the viewer shows its scroll bars.
        ViewForm->OpenOn(brimlet::TBitmap32(2000, 1500));
        for (QWidget* w : AllWindows()) w->show();
    }
    void cleanup() {
        brimlet::SetOpenDialogHook({});
        brimlet::SetSaveDialogHook({});
        delete messages_;
        delete windows_;
        ViewForm = nullptr;
        Print_Setup = nullptr;
    }

    void everyWindowHasAWindowRoleAndEveryControlAName() {
        for (QWidget* window : AllWindows()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
            QVERIFY(iface);
            QVERIFY2(iface->role() == QAccessible::Window || iface->role() == QAccessible::Dialog,
                     Describe(iface));
            QCOMPARE(iface->text(QAccessible::Name), window->windowTitle());
            int controls = 0;
            Walk(iface, [&](QAccessibleInterface* node) {
                if (!Interactive(node->role()) || node->state().invisible) return;
                ++controls;
                QVERIFY2(!node->text(QAccessible::Name).trimmed().isEmpty(), Describe(node));
            });
            QVERIFY2(controls > 0, qPrintable(window->objectName()));
        }
        // The roles the windows are announced with, as a screen reader tells them apart.
        QCOMPARE(QAccessible::queryAccessibleInterface(Standard)->role(), QAccessible::Window);
        QCOMPARE(QAccessible::queryAccessibleInterface(Print_Setup)->role(), QAccessible::Dialog);
        QCOMPARE(QAccessible::queryAccessibleInterface(About_Us)->role(), QAccessible::Dialog);
    }

    void printSetUpControlsAreNamedAfterTheirHintsAndLabels() {
        const std::pair<const char*, const char*> names[] = {
            {"Edit1", "Top Space (mm)"},         {"Edit2", "Left Space (mm)"},
            {"Edit3", "Picture width (mm)"},     {"Edit4", "Picture height (mm)"},
            {"SpeedButton2", "Move up"},         {"SpeedButton5", "Move down"},
            {"SpeedButton8", "Centre on the page"}, {"SpeedButton6", "Move left"},
            {"SpeedButton7", "Move right"},      {"SpeedButton3", "Enlarge"},
            {"SpeedButton4", "Shrink"},          {"SpeedButton1", "Print"},
            {"CheckBox1", "Fit the page"}};
        for (auto [object, name] : names) {
            QWidget* w = Print_Setup->findChild<QWidget*>(QString::fromLatin1(object));
            QVERIFY2(w, object);
            QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name),
                     QString::fromLatin1(name));
        }
    }

    // Walks every window and runs each enabled button's and box's accessible action: the
    // click signal that the command hangs on must come, once, as from a mouse click.
    void everyDefaultActionClicks() {
        // Mail and the home page reach outside the program; they are pressed elsewhere.
        const QList<QWidget*> outside = {MainForm->SpeedButton5, MainForm->SpeedButton6};
        int pressed = 0;
        for (QWidget* window : AllWindows()) {
            window->show();
            QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
            for (QAbstractButton* button : buttons) {
                if (button->window() != window || outside.contains(button) ||
                    !button->isVisibleTo(window))
                    continue;
                if (!button->isEnabled()) {
                    // A disabled control offers no action, so nothing can run by mistake.
                    QVERIFY(DefaultAction(Actions(button)).isEmpty());
                    continue;
                }
                QSignalSpy clicks(button, &QAbstractButton::clicked);
                RunDefaultAction(button);
                const QByteArray name = window->objectName().toUtf8() + "." +
                                        button->objectName().toUtf8();
                QTRY_VERIFY2_WITH_TIMEOUT(clicks.count() > 0, name, 2000);
                QTest::qWait(150);  // an animated press is over before the next one starts
                QVERIFY2(clicks.count() == 1, name);
                ++pressed;
            }
        }
        QVERIFY(pressed >= 20);
        QCOMPARE(printDialogs_, 1);  // the print set-up's Print button ran its handler
        QVERIFY(messages_->shown.empty());
    }

    // The tool buttons' action selects the tool, its hint and its pointer, as a click does.
    void toolButtonsActionSelectsTheTool() {
        RunDefaultAction(MainForm->SpeedButton4);
        QVERIFY(MainForm->DyeingMode && !MainForm->SpotClearMode && !MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Pick up color for Dyeing"));
        QVERIFY(MainForm->SpeedButton4->isChecked());
        RunDefaultAction(MainForm->SpeedButton8);
        QVERIFY(!MainForm->DyeingMode && MainForm->SpotClearMode && !MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Clear spots for Sketch"));
        // Pressing the chosen tool again keeps it, as clicking a pressed button does.
        RunDefaultAction(MainForm->SpeedButton8);
        QVERIFY(MainForm->SpeedButton8->isChecked() && MainForm->SpotClearMode);
        RunDefaultAction(MainForm->SpeedButton9);
        QVERIFY(!MainForm->DyeingMode && !MainForm->SpotClearMode && MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->toolTip(), QString("Double click to view fullsize"));
        QVERIFY(QAccessible::queryAccessibleInterface(MainForm->SpeedButton9)->state().checked);
    }

    // "Gray" through its accessible toggle reruns Massing both ways and sets the Region row.
    void grayActionRerunsMassing() {
        MainForm->SpeedButton8Click();
        Standard->SpeedButton6Click();  // a sketch first, so the rerun has something to replace
        QCOMPARE(Standard->ResultKind, 2);
        RunDefaultAction(Standard->CheckBox2);
        QVERIFY(!Standard->CheckBox2->isChecked());
        QCOMPARE(Standard->ResultKind, 1);
        QVERIFY(!Standard->TrackBar9->isEnabled());
        QVERIFY(Standard->SpeedButton2->isEnabled());  // Brighter offered after Massing
        QVERIFY(MainForm->FullSizeMode);
        QCOMPARE(MainForm->Image2->Picture(), MainForm->ColourLayer);
        RunDefaultAction(Standard->CheckBox2);
        QVERIFY(Standard->CheckBox2->isChecked());
        QVERIFY(Standard->TrackBar9->isEnabled());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
