// brimlet-batch: the Make Cartoon panel's buttons pressed for a whole folder of photos.
#include "app/batch/BatchOptions.h"
#include "app/batch/BatchRunner.h"

#include <QGuiApplication>

#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace brimlet::batch;
    const ParseResult parsed = ParseBatchOptions(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.action) {
        case ParseResult::Action::Help: std::cout << BatchHelpText(); return 0;
        case ParseResult::Action::Version: std::cout << "brimlet-batch (Brimlet 4.08)\n"; return 0;
        case ParseResult::Action::Error:
            std::cerr << "brimlet-batch: " << parsed.error << "\nTry 'brimlet-batch --help'.\n";
            return 2;
        case ParseResult::Action::Run: break;
    }
    // Metafile text is drawn with Qt's fonts, which need a GUI application object; a batch
    // program never needs a display, so it asks for none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own remarks (a missing runtime folder, font notes) are no news to a batch user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << "brimlet-batch: " << text.toStdString() << '\n';
    });
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    try {
        const BatchReport report = RunBatch(parsed.options, std::cerr, isatty(STDERR_FILENO) == 1);
        return report.failed == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "brimlet-batch: " << e.what() << '\n';
        return 2;
    }
}
