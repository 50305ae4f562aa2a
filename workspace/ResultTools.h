// What the mouse does on the result image: the eyedropper dyes the colour layer on release,
// the round brush rubs out line-layer specks while the left button is held, and a
// double-click opens the full-size viewer. After an edit only the edited part of the shown
// result is rebuilt, by the same rule the Make Cartoon panel shows its results with.
// Each dyeing click and each brush stroke (press to release) is one step of the history.
#pragma once

#include "core/Image32.h"

#include <QObject>

class TMainForm;

class TResultTools : public QObject {
    Q_OBJECT
public:
    // Connects to the form's Image2.
    explicit TResultTools(TMainForm* form);

    // Events of Image2 (Image2 coordinates).
    void Image2MouseUp(Qt::MouseButton button, int x, int y);
    void Image2MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image2DblClick();

    // Rebuilds the shown result where the layers changed.
    void ShowResult(const brimlet::Rect& changed);

private:
    bool DyeingAndSketch() const;
    int ResultKind() const;

    TMainForm* form_;
};
