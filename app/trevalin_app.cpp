#include "app/trevalin_app.h"

#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

#include "app/main_frame.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/settings_page.h"
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
    setDesktopFileName(QStringLiteral("trevalin"));
}

CTrevalinApp::~CTrevalinApp() {
    // The window (whose view stops the render) goes first, the job and its lock last.
    frame_.reset();
    doc_.reset();
    job_.reset();
}

bool CTrevalinApp::InitInstance(int* code) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes pictures and movies from formulas."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A picture to open."),
                                 QStringLiteral("[file]"));
    // For the documentation and for checks: render the first preset (or show
    // the file given), save a picture of the window and quit.
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QString(), QStringLiteral("png"));
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshot);
    QCommandLineOption screenshotTab(QStringLiteral("screenshot-tab"), QString(),
                                     QStringLiteral("index"));
    screenshotTab.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshotTab);
    parser.process(*this);

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

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty() && !frame_->OpenDocumentFile(files.first())) {
        *code = 1;
        return false;
    }
    frame_->show();
    // A picture at once, unless a file was opened to be looked at.
    if (files.isEmpty() && haveRecord && !parser.isSet(screenshot)) {
        if (!presetName.isEmpty()) frame_->setPresetName(presetName);
        frame_->startWith(*preset);
    }

    if (parser.isSet(screenshot))
        TakeScreenshot(parser.value(screenshot), files.isEmpty(),
                       parser.isSet(screenshotTab) ? parser.value(screenshotTab).toInt()
                                                   : CMyTabView::kPresetsTab);
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
