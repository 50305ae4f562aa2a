// What the program takes on its command line: picture files to open, --help and --version.
// Reading the arguments is apart from acting on them, so that --help and --version can be
// answered before any window (or display connection) exists.
#pragma once

#include <QString>
#include <QStringList>

class TMainForm;

namespace brimlet {

struct CommandLine {
    enum class Action { Run, Help, Version, Fail };
    Action action = Action::Run;
    QStringList files;  // as given, in order
    QString text;       // what to print for Help, Version and Fail
};

// Reads the arguments, the program's own name first. An unknown option fails with a short
// text that points to --help.
CommandLine ReadCommandLine(const QStringList& arguments);

// Opens the first file through the same open command as a dropped file, with its messages;
// any further files are named in one message and left alone.
void OpenCommandLineFiles(TMainForm* form, const QStringList& files);

// "Only the first picture was opened" message naming the files left out.
QString FilesLeftOutText(const QStringList& leftOut);

}  // namespace brimlet
