#include "app/CommandLine.h"

#include "workspace/ErrorBox.h"
#include "workspace/MainForm_s.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace brimlet {

CommandLine ReadCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns a photograph into a cartoon-like drawing."));
    // Its own help option: the toolkit's also adds --help-all, which only process() answers.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("files"),
        QStringLiteral("Picture to open (JPEG, GIF, BMP, ICO, WMF or EMF); "
                       "only the first of several is opened."),
        QStringLiteral("[FILE...]"));

    CommandLine result;
    const bool parsed = parser.parse(arguments);
    // Asking for help or the version wins over a mistake elsewhere on the line.
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = parser.helpText();
    } else if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QCoreApplication::applicationName() + u' ' +
                      QCoreApplication::applicationVersion() + u'\n';
    } else if (!parsed) {
        result.action = CommandLine::Action::Fail;
        const QString program =
            arguments.isEmpty() ? QStringLiteral("brimlet") : QFileInfo(arguments[0]).fileName();
        result.text = program + QStringLiteral(": ") + parser.errorText() +
                      QStringLiteral("\nTry '") + program + QStringLiteral(" --help'.\n");
    } else {
        result.files = parser.positionalArguments();
    }
    return result;
}

QString FilesLeftOutText(const QStringList& leftOut) {
    return QStringLiteral("Brimlet opens one picture at a time; these were not opened:\n") +
           leftOut.join(u'\n');
}

void OpenCommandLineFiles(TMainForm* form, const QStringList& files) {
    if (files.isEmpty()) return;
    // The messages of a failed open name the full path, as after the open dialog.
    const QString first = QFileInfo(files.first()).absoluteFilePath();
    Guarded(form, [form, &first] { form->OpenDroppedFile(first); });
    if (files.size() > 1)
        ShowMessage(form, QMessageBox::NoIcon, QStringLiteral("Open"),
                    FilesLeftOutText(files.mid(1)));
}

}  // namespace brimlet
