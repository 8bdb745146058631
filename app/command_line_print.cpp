#include "app/command_line_print.h"

#ifdef TREVALIN_HAVE_PRINTING

#include <QCoreApplication>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_messages.h"

namespace trevalin {

std::unique_ptr<QPrinter> systemPrinter(const QString& name, QString* error) {
    const QPrinterInfo info =
        name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull()) {
        // Without this check Qt would quietly print into a PDF file nobody asked for.
        if (error)
            *error =
                name.isEmpty()
                    ? QCoreApplication::translate("CommandLine", "No default printer is set up.")
                    : QCoreApplication::translate("CommandLine", "There is no printer named %1.")
                          .arg(name);
        return nullptr;
    }
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

int printFromCommandLine(MainWindow& frame, const CommandLine& line, const PrinterChooser& choose) {
    // The file first: a missing file is the likelier mistake, and is named.
    if (!frame.openDocumentFile(line.file)) return 1;
    QString error;
    const std::unique_ptr<QPrinter> printer =
        choose(line.action == CommandLine::Action::PrintTo ? line.printer : QString(), &error);
    if (!printer) {
        showWarning(nullptr, error);
        return 1;
    }
    printer->setDocName(line.file);
    if (!frame.printImage(printer.get())) {
        showWarning(nullptr,
                    QCoreApplication::translate("CommandLine", "Could not print %1 on %2.")
                        .arg(line.file, printer->printerName().isEmpty() ? printer->outputFileName()
                                                                         : printer->printerName()));
        return 1;
    }
    return 0;
}

} // namespace trevalin

#endif
