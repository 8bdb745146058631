#include "app/trevalin_application.h"

#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

#include "app/command_line.h"
#include "app/command_line_print.h"
#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/presets_location.h"
#include "app/pages/presets_page.h"
#include "app/pages/settings_page.h"
#include "app/session_inhibitor.h"
#include "app/startup_preset.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "render/document.h"
#include "render/render_job.h"
#include "render/render_settings.h"

namespace trevalin {

TrevalinApplication::TrevalinApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Trevalin"));
    setApplicationName(QStringLiteral("Trevalin"));
    setApplicationDisplayName(QStringLiteral("Trevalin"));
    setApplicationVersion(QStringLiteral(TREVALIN_VERSION));
    setDesktopFileName(QStringLiteral("io.github.trevalin.Trevalin"));
}

TrevalinApplication::~TrevalinApplication() {
    // The window (whose view stops the render) goes first, the job and its lock last.
    frame_.reset();
    inhibitor_.reset();
    doc_.reset();
    job_.reset();
}

bool TrevalinApplication::initInstance(int* code) {
    QCommandLineParser parser;
    CommandLine line;
    QString error;
    if (!parseCommandLine(parser, arguments(), line, &error)) {
        std::fprintf(stderr, "%s: %s\n%s\n", qPrintable(applicationName()), qPrintable(error),
                     qPrintable(tr("Try --help.")));
        *code = 1;
        return false;
    }
    if (line.help) parser.showHelp(0); // these two end the process
    if (line.version) parser.showVersion();

    job_ = std::make_unique<RenderJob>();
    doc_ = std::make_unique<Document>();
    frame_ = std::make_unique<MainWindow>(*doc_, *job_);

    // presets.txt is read once, here; file > New and open leave the tree alone.
    SettingsPane* tabs = frame_->tabs();
    const PresetsLocation presets = locatePresetsFile(
        QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        bundledPresetsFiles());
    if (!presets.problem.isEmpty()) {
        showWarning(frame_.get(),
                    tr("The bundled presets could not be set up: %1.\nThe presets list starts "
                       "empty.")
                        .arg(presets.problem));
    }
    tabs->presetsPage()->readPresets(presets.path);

    // The last run's settings and layout; on a first start the first preset.
    auto preset = std::make_unique<RenderSettings>();
    QSettings settings;
    bool haveRecord = frame_->restoreLayout(settings, preset.get());
    QString presetName;
    if (!haveRecord)
        haveRecord = loadFirstPreset(tabs->presetsPage()->tree(), *preset, &presetName);
    if (haveRecord) {
        tabs->presetsPage()->setSettings(*preset);
        tabs->formulasPage()->loadFromSettings(*preset);
        tabs->coordsPage()->loadFromSettings(*preset);
        tabs->movieOptionsPage()->loadFromSettings(*preset);
    }

    if (line.action != CommandLine::Action::Open) {
#ifdef TREVALIN_HAVE_PRINTING
        // No window to show the reason in: a terminal gets it too.
        setWarningHook([](const QString& text) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(applicationName()),
                         qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
            QMessageBox::warning(nullptr, applicationDisplayName(), text);
        });
        *code = printFromCommandLine(*frame_, line);
        setWarningHook(nullptr);
#else
        std::fprintf(stderr, "%s\n", qPrintable(tr("This build of Trevalin cannot print.")));
        *code = 1;
#endif
        return false;
    }
    if (!line.file.isEmpty() && !frame_->openDocumentFile(line.file)) {
        *code = 1;
        return false;
    }
    // Before the window shows, so that its first activation is seen.
    inhibitor_ = std::make_unique<SessionInhibitor>(makeScreenSaverService());
    inhibitor_->watch(frame_.get(), frame_->view());
    frame_->show();
    // A picture at once, unless a file was opened to be looked at.
    if (line.file.isEmpty() && haveRecord && line.screenshot.isEmpty()) {
        if (!presetName.isEmpty()) frame_->setPresetName(presetName);
        frame_->startWith(*preset);
    }

    if (!line.screenshot.isEmpty())
        takeScreenshot(line.screenshot, line.file.isEmpty(),
                       line.screenshotTab >= 0 ? line.screenshotTab : SettingsPane::kPresetsTab);
    return true;
}

void TrevalinApplication::takeScreenshot(const QString& path, bool renderPreset, int tab) {
    MainWindow* frame = frame_.get();
    // The Presets tab with the first preset picked out in its tree.
    PresetsPage* presets = frame->tabs()->presetsPage();
    frame->tabs()->setCurrentIndex(SettingsPane::kPresetsTab);
    presets->selectPreset(presets->tree().firstPreset());
    auto grab = [this, frame, path, tab] {
        frame->tabs()->setCurrentIndex(tab);
        // Let the final repaint land before grabbing.
        QTimer::singleShot(200, this, [this, frame, path] {
            const bool saved = frame->grab().save(path, "PNG");
            std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
            exit(saved ? 0 : 1);
        });
    };
    if (!renderPreset) {
        grab(); // the document opened from the command line
        return;
    }
    connect(frame->view(), &ImageView::renderFinished, this, grab);
    QTimer::singleShot(0, frame, [frame, presets] {
        if (presets->tree().firstPreset())
            presets->load(); // through the tree, as a user would
        else
            frame->applySettingsAndRender();
    });
}

} // namespace trevalin
