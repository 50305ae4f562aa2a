// The crop outline on the screen: a see-through child of the source host panel, above the
// source image, that paints the marching-ants pixels of the current outline. The picture
// itself is never drawn into, and any repaint of the window paints the outline again.
#pragma once

#include "workspace/CropGeometry.h"

#include <QWidget>

#include <vector>

class TCropOverlay : public QWidget {
public:
    // Covers the whole host panel and follows its size.
    explicit TCropOverlay(QWidget* hostPanel);

    // Shows these outline pixels (host panel coordinates) in place of the previous ones.
    void ShowOutline(std::vector<brimlet::TDashPixel> pixels);
    // Removes the outline; the picture shows again where it was.
    void HideOutline();

    const std::vector<brimlet::TDashPixel>& Pixels() const { return pixels_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Repaints the band the outline occupies (and a pixel around it).
    void UpdateBand();

    std::vector<brimlet::TDashPixel> pixels_;
};
