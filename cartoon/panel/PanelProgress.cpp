#include "cartoon/panel/PanelProgress.h"

#include <QProgressBar>

#include <algorithm>

namespace brimlet {

void PanelProgress::Advance(int rows) {
    const int next = static_cast<int>(std::min<long long>(maximum_, 0LL + position_ + rows));
    if (next == position_) return;
    position_ = next;
    Show();
}

void PanelProgress::SetPosition(int position) {
    // The last rows counted reach the bar before it moves on, so it does not skip its peak.
    if (bar_ && bar_->value() != position_) bar_->setValue(position_);
    position_ = std::clamp(position, 0, maximum_);
    Show(true);
}

// Paints only the bar: no events are processed, so no other command can start mid-run.
// The bar takes its new value only when it is painted, a few frames apart: every value
// change is also an event to a connected screen reader, and one per row of a large picture
// floods it for no visible gain.
void PanelProgress::Show(bool now) {
    if (!bar_) return;
    constexpr qint64 kFrameMs = 30;
    if (!now && position_ != 0 && sincePaint_.isValid() && sincePaint_.elapsed() < kFrameMs)
        return;
    bar_->setValue(position_);
    if (bar_->isVisible()) bar_->repaint();
    sincePaint_.start();
}

}  // namespace brimlet
