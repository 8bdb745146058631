#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace trevalin {

namespace {

bool isSwitch(const QString& arg, const char* name) {
    return arg.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList translateShellSwitches(const QStringList& arguments) {
    QStringList out;
    const qsizetype count = arguments.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString& arg = arguments[i];
        if (i > 0 && isSwitch(arg, "/p")) {
            out << QStringLiteral("--print");
        } else if (i > 0 && isSwitch(arg, "/pt")) {
            out << QStringLiteral("--print-to");
            if (i + 2 >= count) continue; // the parser names what is missing
            // "/pt FILE PRINTER [DRIVER PORT]": the driver and port named the
            // printer's connection on the old platform; the name is enough here.
            out << arguments[i + 2] << arguments[i + 1];
            i += i + 4 < count ? 4 : 2;
        } else {
            out << arg;
        }
    }
    return out;
}

bool parseCommandLine(QCommandLineParser& parser, const QStringList& arguments, CommandLine& out,
                      QString* error) {
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Makes pictures and movies from formulas."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QCoreApplication::translate("CommandLine", "A picture to open."),
                                 QStringLiteral("[file]"));
    const QCommandLineOption print(
        QStringLiteral("print"),
        QCoreApplication::translate("CommandLine",
                                    "Print the file on the default printer, then quit."));
    parser.addOption(print);
    const QCommandLineOption printTo(
        QStringLiteral("print-to"),
        QCoreApplication::translate("CommandLine", "Print the file on <printer>, then quit."),
        QStringLiteral("printer"));
    parser.addOption(printTo);
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QString(), QStringLiteral("png"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshot);
    QCommandLineOption screenshotTab(QStringLiteral("screenshot-tab"), QString(),
                                     QStringLiteral("index"));
    screenshotTab.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshotTab);

    auto fail = [error](const QString& text) {
        if (error) *error = text;
        return false;
    };
    if (!parser.parse(translateShellSwitches(arguments))) return fail(parser.errorText());

    out = CommandLine();
    out.help = parser.isSet(help);
    out.version = parser.isSet(version);
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) out.file = files.first();
    if (parser.isSet(screenshot)) out.screenshot = parser.value(screenshot);
    if (parser.isSet(screenshotTab)) {
        bool ok = false;
        out.screenshotTab = parser.value(screenshotTab).toInt(&ok);
        if (!ok || out.screenshotTab < 0)
            return fail(QCoreApplication::translate("CommandLine", "Bad tab index: %1.")
                            .arg(parser.value(screenshotTab)));
    }

    const bool printing = parser.isSet(print) || parser.isSet(printTo);
    if (parser.isSet(print) && parser.isSet(printTo))
        return fail(
            QCoreApplication::translate("CommandLine", "Use --print or --print-to, not both."));
    if (parser.isSet(printTo)) {
        out.action = CommandLine::Action::PrintTo;
        out.printer = parser.value(printTo);
        if (out.printer.isEmpty())
            return fail(QCoreApplication::translate("CommandLine", "No printer named."));
    } else if (parser.isSet(print)) {
        out.action = CommandLine::Action::Print;
    }
    if (printing && files.size() != 1)
        return fail(files.isEmpty()
                        ? QCoreApplication::translate("CommandLine", "No file to print.")
                        : QCoreApplication::translate("CommandLine", "Print one file at a time."));
    if (printing && !out.screenshot.isEmpty())
        return fail(
            QCoreApplication::translate("CommandLine", "--screenshot does not go with printing."));
    return true;
}

} // namespace trevalin
