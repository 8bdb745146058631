// What the program was asked to do on its command line: open a picture, or
// print one without showing the window. The shell's old "/p FILE" and
// "/pt FILE PRINTER [DRIVER PORT]" are read as --print and --print-to.
#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace trevalin {

struct CommandLine {
    enum class Action { Open, Print, PrintTo };
    Action action = Action::Open;
    QString file;    // empty: a new document
    QString printer; // PrintTo only
    bool help = false;
    bool version = false;
    // For the documentation: render, save a picture of the window, quit.
    QString screenshot;
    int screenshotTab = -1;
};

// The arguments (program name first) with "/p" and "/pt" rewritten as options.
QStringList translateShellSwitches(const QStringList& arguments);

// Sets parser up with the program's options and reads arguments into out.
// False, with the reason in *error, for a command line that cannot be carried out.
bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, CommandLine& out,
                      QString* error);

} // namespace trevalin
