// Printing from the command line: the picture is opened into the document
// and printed without the main window ever being shown.
#pragma once

#ifdef TREVALIN_HAVE_PRINTING

#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>

namespace trevalin {

class MainWindow;
struct CommandLine;

// The printer a command-line print goes to: the default one for an empty name,
// else the one named. Null, with the reason in *error, when there is none.
using PrinterChooser = std::function<std::unique_ptr<QPrinter>(const QString&, QString*)>;
std::unique_ptr<QPrinter> systemPrinter(const QString& name, QString* error);

// Carries out a --print or --print-to line. The exit code: 0 once the
// picture went to the printer, else 1 after the user was told why.
int printFromCommandLine(MainWindow& frame, const CommandLine& line,
                         const PrinterChooser& choose = systemPrinter);

} // namespace trevalin

#endif
