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
    position_ = std::clamp(position, 0, maximum_);
    Show();
}

// Paints only the bar: no events are processed, so no other command can start mid-run.
void PanelProgress::Show() {
    if (!bar_) return;
    bar_->setValue(position_);
    if (!bar_->isVisible()) return;
    constexpr qint64 kFrameMs = 30;
    if (position_ == 0 || !sincePaint_.isValid() || sincePaint_.elapsed() >= kFrameMs) {
        bar_->repaint();
        sincePaint_.start();
    }
}

}  // namespace brimlet
