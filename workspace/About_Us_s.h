// The about window: product name, version and publisher. No behaviour beyond showing.
#pragma once

#include <QWidget>

class TAbout_Us : public QWidget {
    Q_OBJECT
public:
    explicit TAbout_Us(QWidget* parent = nullptr);
};

extern TAbout_Us* About_Us;
