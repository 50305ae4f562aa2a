// Cutting a rectangle out of the source picture: the user drags a rectangle on Image1 with
// the left button, its outline marches like ants, and a double-click inside it makes the
// cut the new source picture, result picture and content of the three layers.
//
// Qt cannot confine the pointer to a screen rectangle, so during the drag Image1 grabs the
// mouse and the pointer (and the moving corner) are held inside Image1.
#pragma once

#include "workspace/CropGeometry.h"

#include <QObject>
#include <QRect>

#include <cstdint>

class QShortcut;
class TCropOverlay;
class TImage;
class TMainForm;

class TCropSelection : public QObject {
    Q_OBJECT
public:
    // Connects to the form's Image1 and Timer1 and puts the outline layer over Image1.
    explicit TCropSelection(TMainForm* form);

    // Crop state, in SourceHostPanel coordinates.
    brimlet::TCutRect CutRect;
    bool InsideCutRect = false;
    bool CanStartRect = false;
    std::uint8_t DashPhase = 0;
    std::uint8_t DashMask = 0;

    TCropOverlay* Overlay;

    // Events of Image1 (Image1 coordinates) and of the form's timer.
    void Image1MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image1MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void Timer1Timer();
    // Esc during a drag: the rectangle and its outline go back to what they were before the
    // press, and the rest of the drag is ignored until the pointer hovers again.
    void CancelDrag();

    void DrawTheRect1();
    void RemoveTheRect1();
    void ClipCursorToImage(TImage* image);
    void ReleaseCursorClip();

    static constexpr const char* kDrawHint = "Please draw a rectangle to cut.";
    static constexpr const char* kCutHint = "Please Double-Click to cut out the picture.";

private:
    TMainForm* form_;
    TImage* clipImage_ = nullptr;  // the control the pointer is held in, while dragging
    QShortcut* escape_;            // Esc, live only while dragging
    bool dragging_ = false;
    brimlet::TCutRect cutBeforePress_;
    bool outlineBeforePress_ = false;  // the marching outline was on before the press
};
