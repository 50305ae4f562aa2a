// Brimlet's entry: answers --help and --version without a window; otherwise creates the
// program's windows, opens a picture named on the command line and runs the event loop
// until the main window closes.
#include "app/CommandLine.h"
#include "app/ProgramWindows.h"
#include "core/Image32.h"
#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QSize>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

QStringList RawArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The icon built into the program, for an install prefix the icon theme does not search.
QIcon BuiltInIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/app-icon/%1.png").arg(size), QSize(size, size));
    return icon;
}

int Print(std::FILE* stream, const QString& text, int exitCode) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("Brimlet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRIMLET_VERSION));

    // --help and --version need no display: answer them before the toolkit connects to one.
    // Toolkit options such as -platform are not known yet, so other mistakes wait.
    {
        const brimlet::CommandLine early = brimlet::ReadCommandLine(RawArguments(argc, argv));
        if (early.action == brimlet::CommandLine::Action::Help ||
            early.action == brimlet::CommandLine::Action::Version) {
            QCoreApplication core(argc, argv);  // names the program in the usage line
            return Print(stdout, brimlet::ReadCommandLine(core.arguments()).text, 0);
        }
    }

    brimlet::BrimletApplication app(argc, argv);
    // The application's arguments no longer hold the toolkit's own options.
    const brimlet::CommandLine request = brimlet::ReadCommandLine(app.arguments());
    if (request.action == brimlet::CommandLine::Action::Fail)
        return Print(stderr, request.text, 1);
    QGuiApplication::setDesktopFileName(QStringLiteral(BRIMLET_APP_ID));
    QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(BRIMLET_APP_ID), BuiltInIcon()));

    brimlet::CreateProgramWindows();
    // Pictures freed by the last style runs are kept for the next run; once nothing has
    // asked for them for a while they go back to the system.
    QTimer keptPictures;
    keptPictures.callOnTimeout([] { brimlet::detail::ReleaseKeptPixelBytesIdleFor(std::chrono::seconds(10)); });
    keptPictures.start(5000);
    if (!request.files.isEmpty()) {
        // Once the window is up, so that a message about the file sits over it.
        QTimer::singleShot(0, MainForm,
                           [files = request.files] { brimlet::OpenCommandLineFiles(MainForm, files); });
    }
    const int result = app.exec();
    brimlet::DestroyProgramWindows();
    return result;
}
