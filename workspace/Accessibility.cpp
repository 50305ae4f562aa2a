#include "workspace/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QRadioButton>
#include <QVariant>
#include <QWidget>

namespace brimlet {
namespace {

constexpr char kWindowRole[] = "brimletAccessibleRole";
constexpr char kClicking[] = "brimletClickingAction";

// A caption as read aloud: a single "&" marks a mnemonic and is dropped, "&&" is one "&".
QString WithoutMnemonic(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            out += u'&';
            ++i;
        }
    }
    return out;
}

QAccessible::Role ButtonRole(const QAbstractButton* button) {
    if (qobject_cast<const QCheckBox*>(button)) return QAccessible::CheckBox;
    if (qobject_cast<const QRadioButton*>(button)) return QAccessible::RadioButton;
    return QAccessible::Button;
}

class ClickingButton final : public QAccessibleWidget {
public:
    explicit ClickingButton(QAbstractButton* button)
        : QAccessibleWidget(button, ButtonRole(button)) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const QAbstractButton* b = button();
        s.checkable = b->isCheckable();
        s.checked = b->isChecked();
        s.pressed = b->isDown();
        if (const auto* box = qobject_cast<const QCheckBox*>(b))
            s.checkStateMixed = box->checkState() == Qt::PartiallyChecked;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            if (!widget()->accessibleName().isEmpty()) return widget()->accessibleName();
            const QString caption = WithoutMnemonic(button()->text());
            return caption.isEmpty() ? widget()->toolTip() : caption;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled())
            names << (button()->isCheckable() ? toggleAction() : pressAction());
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            if (widget()->isEnabled()) button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == toggleAction() || action == pressAction()) return {};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Decides once per object, at its most derived class; everything else is the toolkit's.
QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (!object || !object->isWidgetType() ||
        key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    const QVariant role = widget->property(kWindowRole);
    if (role.isValid()) return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    if (widget->property(kClicking).toBool())
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return new ClickingButton(button);
    return nullptr;
}

void InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

// The toolkit makes and keeps a widget's interface as soon as the widget reports a change
// (a name given, a state set), often before the property below is set; that one is dropped
// so the next request goes through the factory.
void Forget(QObject* object) {
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

}  // namespace

void ExposeAsWindow(QWidget* window, QAccessible::Role role) {
    InstallFactory();
    window->setProperty(kWindowRole, int(role));
    Forget(window);
}

void ClickOnAccessibleAction(QAbstractButton* button) {
    InstallFactory();
    button->setProperty(kClicking, true);
    Forget(button);
}

}  // namespace brimlet
