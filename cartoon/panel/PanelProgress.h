// The style routines' progress shown on the panel's bar: range 0 to 800, held at 800, and
// repainted at once as it moves, since a style run does not return to the event loop.
// Repaints, and the bar's value with them, are spaced a few frames apart: a 3000-row picture
// would otherwise spend longer painting the bar than running its routine.
#pragma once

#include "core/Progress.h"

#include <QElapsedTimer>

class QProgressBar;

namespace brimlet {

class PanelProgress final : public Progress {
public:
    void Attach(QProgressBar* bar) { bar_ = bar; }
    void Advance(int rows = 1) override;
    void SetPosition(int position) override;
    int Position() const { return position_; }

private:
    void Show(bool now = false);

    QProgressBar* bar_ = nullptr;
    int position_ = 0;
    int maximum_ = 800;
    QElapsedTimer sincePaint_;
};

}  // namespace brimlet
