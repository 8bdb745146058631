#include "app/trevalin_app.h"

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
#include "app/main_frame.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/settings_page.h"
#include "app/session_inhibitor.h"
#include "app/startup_preset.h"
#include "app/user_messages.h"
#include "app/view/trevalin_view.h"
#include "presets/page/presets_location.h"
#include "presets/page/props_c.h"
#include "render/render_job.h"
#include "render/render_settings.h"
#include "render/trevalin_doc.h"

namespace trevalin {

CTrevalinApp::CTrevalinApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Trevalin"));
    setApplicationName(QStringLiteral("Trevalin"));
    setApplicationDisplayName(QStringLiteral("Trevalin"));
    setApplicationVersion(QStringLiteral(TREVALIN_VERSION));
    setDesktopFileName(QStringLiteral("io.github.trevalin.Trevalin"));
}

CTrevalinApp::~CTrevalinApp() {
    // The window (whose view stops the render) goes first, the job and its lock last.
    frame_.reset();
    inhibitor_.reset();
    doc_.reset();
    job_.reset();
}

bool CTrevalinApp::InitInstance(int* code) {
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
    doc_ = std::make_unique<CTrevalinDoc>();
    frame_ = std::make_unique<CMainFrame>(*doc_, *job_);

    // presets.txt is read once, here; File > New and Open leave the tree alone.
    CMyTabView* tabs = frame_->Tabs();
    const PresetsLocation presets = locatePresetsFile(
        QDir::currentPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
        bundledPresetsFiles());
    if (!presets.problem.isEmpty()) {
        showWarning(frame_.get(),
                    tr("The bundled presets could not be set up: %1.\nThe presets list starts "
                       "empty.")
                        .arg(presets.problem));
    }
    tabs->PresetsPage()->ReadPresets(presets.path);

    // The last run's settings and layout; on a first start the first preset.
    auto preset = std::make_unique<RenderSettings>();
    QSettings settings;
    bool haveRecord = frame_->restoreLayout(settings, preset.get());
    QString presetName;
    if (!haveRecord)
        haveRecord = loadFirstPreset(tabs->PresetsPage()->Tree(), *preset, &presetName);
    if (haveRecord) {
        tabs->PresetsPage()->SetSettings(*preset);
        tabs->FormulasPage()->LoadFromSettings(*preset);
        tabs->CoordsPage()->LoadFromSettings(*preset);
        tabs->MovieOptionsPage()->LoadFromSettings(*preset);
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
    if (!line.file.isEmpty() && !frame_->OpenDocumentFile(line.file)) {
        *code = 1;
        return false;
    }
    // Before the window shows, so that its first activation is seen.
    inhibitor_ = std::make_unique<SessionInhibitor>(makeScreenSaverService());
    inhibitor_->watch(frame_.get(), frame_->View());
    frame_->show();
    // A picture at once, unless a file was opened to be looked at.
    if (line.file.isEmpty() && haveRecord && line.screenshot.isEmpty()) {
        if (!presetName.isEmpty()) frame_->setPresetName(presetName);
        frame_->startWith(*preset);
    }

    if (!line.screenshot.isEmpty())
        TakeScreenshot(line.screenshot, line.file.isEmpty(),
                       line.screenshotTab >= 0 ? line.screenshotTab : CMyTabView::kPresetsTab);
    return true;
}

void CTrevalinApp::TakeScreenshot(const QString& path, bool renderPreset, int tab) {
    CMainFrame* frame = frame_.get();
    // The Presets tab with the first preset picked out in its tree.
    PropsC* presets = frame->Tabs()->PresetsPage();
    frame->Tabs()->setCurrentIndex(CMyTabView::kPresetsTab);
    presets->SelectPreset(presets->Tree().firstPreset());
    auto grab = [this, frame, path, tab] {
        frame->Tabs()->setCurrentIndex(tab);
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
    connect(frame->View(), &CTrevalinView::renderFinished, this, grab);
    QTimer::singleShot(0, frame, [frame, presets] {
        if (presets->Tree().firstPreset())
            presets->Load(); // through the tree, as a user would
        else
            frame->ApplySettingsAndRender();
    });
}

} // namespace trevalin
