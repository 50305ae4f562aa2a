#include "bench/OffscreenWidgets.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

#include <cstdio>

namespace brimlet::bench {

// Widgets need an application object; without a display the offscreen platform serves.
void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "brimlet_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    // The offscreen platform warns at every window raise; keep the benchmark output clean.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg && type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
}

PaintCounter::PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

// The filter sees the paint event just before the widget paints; the paint is over once
// the event loop has returned from delivering it.
bool PaintCounter::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) ++count_;
    return false;
}

bool WaitForPaints(std::initializer_list<std::pair<const PaintCounter*, int>> after) {
    QElapsedTimer timer;
    timer.start();
    auto done = [&] {
        for (const auto& [counter, count] : after)
            if (counter->Count() <= count) return false;
        return true;
    };
    while (!done()) {
        if (timer.elapsed() > 10000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

}  // namespace brimlet::bench
