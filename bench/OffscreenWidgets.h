// What the benchmarks that drive real widgets share: an application object on the offscreen
// platform (when there is no display), and a wait for a widget's next paint.
#pragma once

#include <QObject>

class QWidget;

namespace brimlet::bench {

// Creates the application once; the offscreen platform's warnings are silenced.
void EnsureApplication();

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget);
    int Count() const { return count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int count_ = 0;
};

// Runs the event loop until every counter has seen a paint after the given counts, as the
// user sees the result only once its pane has been repainted. False after 10 seconds.
bool WaitForPaints(std::initializer_list<std::pair<const PaintCounter*, int>> after);

}  // namespace brimlet::bench
