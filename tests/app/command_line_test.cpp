// The command line: what each form asks for, the shell's "/p" and "/pt", the
// lines that cannot be carried out, and --print reaching the printer with the
// file's picture (a PDF printer here) without the window showing.
#include <QCommandLineParser>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include "app/command_line.h"
#include "app/command_line_print.h"
#include "app/main_window.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

#ifdef TREVALIN_HAVE_PRINTING
#include <QPrinter>
#endif

using namespace trevalin;
using namespace trevalin::testing;

namespace {

using Program = ProgramWindow;

QStringList args(const char* line) {
    QStringList out{QStringLiteral("trevalin")};
    if (*line) out << QString::fromUtf8(line).split(QLatin1Char(' '));
    return out;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { collectWarnings(warnings); }
    void cleanup() { clearMessageHooks(); }
    void shellSwitchesBecomeOptions_data();
    void shellSwitchesBecomeOptions();
    void readsWhatToDo_data();
    void readsWhatToDo();
    void refusesWhatCannotBeDone_data();
    void refusesWhatCannotBeDone();
#ifdef TREVALIN_HAVE_PRINTING
    void printReachesThePrinterWithTheFile_data();
    void printReachesThePrinterWithTheFile();
    void printFailuresAreReported();
    void unknownPrinterIsNamed();
#endif

  private:
    QStringList warnings;
};

void CommandLineTest::shellSwitchesBecomeOptions_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("translated");
    QTest::newRow("plain file") << "a.bmp"
                                << "trevalin a.bmp";
    QTest::newRow("/p") << "/p a.bmp"
                        << "trevalin --print a.bmp";
    QTest::newRow("/P any case") << "/P a.bmp"
                                 << "trevalin --print a.bmp";
    QTest::newRow("/pt") << "/pt a.bmp Office"
                         << "trevalin --print-to Office a.bmp";
    QTest::newRow("/pt driver port") << "/pt a.bmp Office drv lpt1"
                                     << "trevalin --print-to Office a.bmp";
    QTest::newRow("/pt short") << "/pt a.bmp"
                               << "trevalin --print-to a.bmp";
    QTest::newRow("/pt one extra") << "/pt a.bmp Office b.bmp"
                                   << "trevalin --print-to Office a.bmp b.bmp";
    QTest::newRow("options kept") << "--version /p a.bmp"
                                  << "trevalin --version --print a.bmp";
    QTest::newRow("a path that only starts so") << "/pictures/a.bmp"
                                                << "trevalin /pictures/a.bmp";
}

void CommandLineTest::shellSwitchesBecomeOptions() {
    QFETCH(QString, line);
    QFETCH(QString, translated);
    QCOMPARE(translateShellSwitches(args(qPrintable(line))).join(QLatin1Char(' ')), translated);
    // The program's own name is never a switch.
    QCOMPARE(translateShellSwitches({QStringLiteral("/p")}), QStringList{QStringLiteral("/p")});
}

void CommandLineTest::readsWhatToDo_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("printer");
    const int open = int(CommandLine::Action::Open);
    const int print = int(CommandLine::Action::Print);
    const int printTo = int(CommandLine::Action::PrintTo);
    QTest::newRow("nothing") << "" << open << ""
                             << "";
    QTest::newRow("file") << "a.bmp" << open << "a.bmp"
                          << "";
    QTest::newRow("--print") << "--print a.bmp" << print << "a.bmp"
                             << "";
    QTest::newRow("file before --print") << "a.bmp --print" << print << "a.bmp"
                                         << "";
    QTest::newRow("--print-to") << "--print-to Office a.bmp" << printTo << "a.bmp"
                                << "Office";
    QTest::newRow("--print-to=") << "--print-to=Office a.bmp" << printTo << "a.bmp"
                                 << "Office";
    QTest::newRow("/p") << "/p a.bmp" << print << "a.bmp"
                        << "";
    QTest::newRow("/pt") << "/pt a.bmp Office drv port" << printTo << "a.bmp"
                         << "Office";
}

void CommandLineTest::readsWhatToDo() {
    QFETCH(QString, line);
    QFETCH(int, action);
    QFETCH(QString, file);
    QFETCH(QString, printer);
    QCommandLineParser parser;
    CommandLine out;
    QString error;
    QVERIFY2(parseCommandLine(parser, args(qPrintable(line)), out, &error), qPrintable(error));
    QCOMPARE(int(out.action), action);
    QCOMPARE(out.file, file);
    QCOMPARE(out.printer, printer);
    QVERIFY(!out.help && !out.version);
}

void CommandLineTest::refusesWhatCannotBeDone_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("error");
    QTest::newRow("print nothing") << "--print"
                                   << "No file to print.";
    QTest::newRow("print two") << "--print a.bmp b.bmp"
                               << "Print one file at a time.";
    QTest::newRow("both prints") << "--print --print-to Office a.bmp"
                                 << "not both";
    QTest::newRow("no printer named") << "--print-to"
                                      << "Missing value";
    QTest::newRow("empty printer name") << "--print-to= a.bmp"
                                        << "No printer named.";
    QTest::newRow("/pt without printer") << "/pt a.bmp"
                                         << "No file to print.";
    QTest::newRow("unknown option") << "--frobnicate"
                                    << "frobnicate";
    QTest::newRow("bad tab") << "--screenshot x.png --screenshot-tab two"
                             << "two";
    QTest::newRow("screenshot and print") << "--screenshot x.png --print a.bmp"
                                          << "printing";
}

void CommandLineTest::refusesWhatCannotBeDone() {
    QFETCH(QString, line);
    QFETCH(QString, error);
    QCommandLineParser parser;
    CommandLine out;
    QString reason;
    QVERIFY(!parseCommandLine(parser, args(qPrintable(line)), out, &reason));
    QVERIFY2(reason.contains(error), qPrintable(reason));
}

#ifdef TREVALIN_HAVE_PRINTING
void CommandLineTest::printReachesThePrinterWithTheFile_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("printer");
    QTest::newRow("--print") << "--print %1"
                             << "";
    QTest::newRow("--print-to") << "--print-to Office %1"
                                << "Office";
    QTest::newRow("/pt") << "/pt %1 Office"
                         << "Office";
}

void CommandLineTest::printReachesThePrinterWithTheFile() {
    QFETCH(QString, line);
    QFETCH(QString, printer);
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("picture.png"));
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(picture));
    Program p;
    QCommandLineParser parser;
    CommandLine command;
    QString error;
    QVERIFY2(parseCommandLine(parser, args(qPrintable(line.arg(picture))), command, &error),
             qPrintable(error));

    QStringList asked;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    auto pdfPrinter = [&](const QString& name, QString*) {
        asked << name;
        auto out = std::make_unique<QPrinter>(QPrinter::HighResolution);
        out->setOutputFormat(QPrinter::PdfFormat);
        out->setOutputFileName(pdf);
        return out;
    };
    QCOMPARE(printFromCommandLine(p.frame, command, pdfPrinter), 0);
    QCOMPARE(asked, QStringList{printer});
    QVERIFY(warnings.isEmpty());
    QVERIFY(!p.frame.isVisible());
    // The document is the file's picture, and the PDF carries a picture.
    QCOMPARE(p.doc.imageWidth(), 60);
    QCOMPARE(p.doc.imageHeight(), 40);
    QFile out(pdf);
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.contains("/Subtype /Image"));
}

void CommandLineTest::printFailuresAreReported() {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("picture.png"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(picture));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    int chosen = 0;
    auto pdfPrinter = [&](const QString&, QString*) {
        ++chosen;
        auto out = std::make_unique<QPrinter>();
        out->setOutputFormat(QPrinter::PdfFormat);
        out->setOutputFileName(pdf);
        return out;
    };
    CommandLine command;
    command.action = CommandLine::Action::Print;

    // A file that is not there: refused, and no printer is even asked for.
    Program p;
    command.file = dir.filePath(QStringLiteral("missing.png"));
    QCOMPARE(printFromCommandLine(p.frame, command, pdfPrinter), 1);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].startsWith(QStringLiteral("Failed to open")), qPrintable(warnings[0]));
    QCOMPARE(chosen, 0);
    QVERIFY(!QFile::exists(pdf));

    // No printer: its reason is passed on.
    command.file = picture;
    auto none = [](const QString&, QString* error) {
        *error = QStringLiteral("No default printer is set up.");
        return std::unique_ptr<QPrinter>();
    };
    QCOMPARE(printFromCommandLine(p.frame, command, none), 1);
    QCOMPARE(warnings.last(), QStringLiteral("No default printer is set up."));

    // A printer that cannot take the job (its file cannot be written).
    auto broken = [&](const QString&, QString*) {
        auto out = std::make_unique<QPrinter>();
        out->setOutputFormat(QPrinter::PdfFormat);
        out->setOutputFileName(dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
        return out;
    };
    const qsizetype before = warnings.size();
    QCOMPARE(printFromCommandLine(p.frame, command, broken), 1);
    QCOMPARE(warnings.size(), before + 1);
    QVERIFY2(warnings.last().startsWith(QStringLiteral("Could not print")),
             qPrintable(warnings.last()));
}

void CommandLineTest::unknownPrinterIsNamed() {
    QString error;
    const QString name = QStringLiteral("Trevalin Test Printer That Is Not There");
    QVERIFY(!systemPrinter(name, &error));
    QVERIFY2(error.contains(name), qPrintable(error));
}
#endif

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
