#include "workspace/About_Us_s.h"

#include "workspace/Accessibility.h"
#include "workspace/EscapeKey.h"
#include "workspace/WindowLook.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAbout_Us* About_Us = nullptr;

TAbout_Us::TAbout_Us(QWidget* parent) : QWidget(parent, brimlet::ToolWindowFlags()) {
    brimlet::ExposeAsWindow(this, QAccessible::Dialog);
    setObjectName(QStringLiteral("About_Us"));
    setWindowTitle(QStringLiteral("About_Us"));
    brimlet::ApplyWindowLook(this);

    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("Brimlet"), this);
    name->setObjectName(QStringLiteral("Label1"));
    QFont big = name->font();
    big.setPointSize(14);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version 4.08"), this);
    version->setObjectName(QStringLiteral("Label2"));
    auto* about = new QLabel(
        QStringLiteral("Turns your photographs into cartoons and sketches.\n"
                       "Published by the Brimlet team."),
        this);
    about->setObjectName(QStringLiteral("Label3"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setAccessibleName(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QWidget::hide);
    for (QLabel* label : {name, version, about}) label->setAccessibleName(label->text());
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(about);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setFixedSize(320, 160);
    brimlet::CloseOnEscape(this);
}
