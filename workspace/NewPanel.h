// A panel that lets its owner draw on its own surface: whoever sets a painter callback paints
// over the panel's background after it is drawn (the crop outline over the source picture).
#pragma once

#include <QWidget>

#include <functional>

class QPainter;

class TNewPanel : public QWidget {
    Q_OBJECT
public:
    explicit TNewPanel(QWidget* parent = nullptr);

    // Called at the end of every paint of the panel, clipped to the area being repainted.
    void SetOverlayPainter(std::function<void(QPainter&)> painter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> overlay_;
};
