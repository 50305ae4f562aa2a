#include "workspace/WindowLook.h"

#include <QFont>
#include <QPalette>

namespace brimlet {

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void ApplyWindowLook(QWidget* window) {
    SetBackground(window, SkyBlue());
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    window->setFont(font);
}

Qt::WindowFlags ToolWindowFlags() {
    return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
}

}  // namespace brimlet
