#include "app/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <mutex>

#include "app/dialogs.h"
#include "app/document_file.h"
#include "app/help_dialog.h"
#include "app/help_reference.h"
#include "app/lock_key_indicators.h"
#include "app/pages/coords_page.h"
#include "app/pages/field_edit.h"
#include "app/pages/formula_marks.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_format_picker.h"
#include "app/pages/presets_page.h"
#include "app/pages/settings_page.h"
#include "app/render_status_label.h"
#include "app/settings_history.h"
#include "app/split_mode.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "formula/compiler.h"
#include "presets/preset_text.h"
#include "presets/preset_tree.h"
#include "render/document.h"
#include "render/formula_use.h"
#include "render/movie_check.h"
#include "render/movie_codecs.h"
#include "render/render_job.h"

#ifdef TREVALIN_HAVE_PRINTING
#include "app/image_printing.h"
#endif

#ifdef TREVALIN_HAVE_MOVIES
#include "movie/movie_writer.h"
#include "presets/frame_files_writer.h"
#endif

// The pictures are compiled into this static library; a linker may drop their
// registration unless something refers to it.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace trevalin {
namespace {
constexpr int kViewPaneWidth = 300;
constexpr int kViewPaneHeight = 460;
// A formula edit renders once typing pauses this long.
constexpr int kPreviewPauseMs = 300;
constexpr int kUndoLimit = 100;

#ifdef TREVALIN_HAVE_MOVIES
// Whether a movie's frames may go into folder: it must be one already, and
// frames of another movie there are written over only when the user says so.
bool framesFolderTaken(QWidget* parent, const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) {
        // Made here, a mistyped name would quietly become a new folder.
        showWarning(parent,
                    info.exists()
                        ? MainWindow::tr("Movie not rendered: %1 is not a folder.").arg(folder)
                        : MainWindow::tr("Movie not rendered: there is no folder %1.").arg(folder));
        return false;
    }
    const std::string frame = existingFirstFrame(QFile::encodeName(folder).toStdString());
    return frame.empty() || askOverwriteFrames(parent, folder, QFile::decodeName(frame.c_str()));
}
#endif
} // namespace

MainWindow::MainWindow(Document& doc, RenderJob& job, QWidget* parent,
                       SettingsPane::PageFactory movieOptions)
    : QMainWindow(parent), doc_(doc), job_(job) {
    initIconResources();
    undo_ = new QUndoStack(this);
    undo_->setUndoLimit(kUndoLimit);
    if (QApplication::windowIcon().isNull()) {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/trevalin-256.png")));
    }
    createActions();
    createMenus();
    createToolBar();
    splitter_ = new QSplitter(Qt::Horizontal, this);
    view_ = new ImageView(doc_, job_, splitter_);
    renderStatus_ = new RenderStatusLabel(job_, view_, statusBar());
    statusBar()->addWidget(renderStatus_, 1);
    indicators_ = new LockKeyIndicators(statusBar(), this, makePlatformLockKeySource());

    tabs_ = new SettingsPane(splitter_, std::move(movieOptions));
    splitter_->addWidget(view_);
    splitter_->addWidget(tabs_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setCollapsible(0, false);
    setCentralWidget(splitter_);
    const int paneWidth = std::max(tabs_->sizeHint().width(), 360);
    splitter_->setSizes({kViewPaneWidth, paneWidth});
    resize(kViewPaneWidth + paneWidth + splitter_->handleWidth(), kViewPaneHeight + 100);
    splitMode_ = new SplitMode(splitter_, statusBar(), this);
#ifdef TREVALIN_HAVE_PRINTING
    printing_ = new ImagePrinting(doc_, job_, this);
#endif

    doc_.setView(view_);
    view_->setFrame(this);
    tabs_->setFrame(this);
    connect(view_, &ImageView::renderStarted, this, &MainWindow::pictureRendering);
    connect(view_, &ImageView::renderEnded, this, &MainWindow::pictureRendered);
    connect(view_, &ImageView::renderFinished, this, &MainWindow::pictureRendered);
    previewTimer_.setSingleShot(true);
    connect(&previewTimer_, &QTimer::timeout, this, &MainWindow::previewPages);
    watchPages();
#ifdef TREVALIN_HAVE_MOVIES
    // The frames-folder codecs write numbered pictures, which the movie code leaves
    // to the presets' PNG writer.
    job_.setWriterFactory([] {
        return makeMovieWriter(
            [](const MovieParams& params) { return makeFramesFolderWriter(params); });
    });
#endif

    setAcceptDrops(true);
    QSettings settings;
    action(Command::kViewLivePreview)
        ->setChecked(settings.value("view/livePreview", true).toBool());
    recent_.load(settings);
    rebuildRecentMenu();
    updateTitle();
}

MainWindow::~MainWindow() {
    // The view goes with the child widgets, after this body: stop the render and
    // detach it from the document while both are whole.
    view_->stopRender();
    doc_.setView(nullptr);
}

QAction* MainWindow::action(Command id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

#ifdef TREVALIN_HAVE_PRINTING
bool MainWindow::printImage(QPrinter* printer) {
    return printing_->printImage(printer);
}
#endif

// ---- the render sequence ---------------------------------------------------

void MainWindow::getDocumentSettings(RenderSettings& out) const {
    doc_.getSettings(out);
}

void MainWindow::collectSettings(RenderSettings& out) {
    tabs_->formulasPage()->saveToSettings(out);
    tabs_->coordsPage()->saveToSettings(out);
    tabs_->movieOptionsPage()->saveToSettings(out);
}

std::unique_ptr<RenderSettings> MainWindow::pagesRecord() {
    auto record = std::make_unique<RenderSettings>();
    doc_.getSettings(*record);
    collectSettings(*record);
    return record;
}

void MainWindow::applySettings(const RenderSettings* record, const RenderSettings* shown) {
    doc_.stopRendering(); // the record must not change under a running job
    if (shown) {
        applying_ = true;
        tabs_->formulasPage()->loadFromSettings(*shown);
        tabs_->coordsPage()->loadFromSettings(*shown);
        tabs_->movieOptionsPage()->loadFromSettings(*shown);
        applying_ = false;
    }
    if (record) doc_.setSettings(*record);
    showCompileFailures();
}

void MainWindow::renderStill() {
    if (refuseFailedFormulas()) return;
    doc_.setFrameCount(1);
    doc_.startRendering();
}

ViewState MainWindow::currentState() const {
    auto settings = std::make_shared<RenderSettings>();
    doc_.getSettings(*settings);
    return ViewState{std::move(settings), doc_.imageWidth(), doc_.imageHeight()};
}

void MainWindow::applyState(const ViewState& state) {
    previewTimer_.stop();
    if (state.width != doc_.imageWidth() || state.height != doc_.imageHeight()) {
        if (!doc_.setImageSize(state.width, state.height)) return;
        clearImage();
    }
    applySettings(state.settings.get(), state.settings.get());
    renderStill();
}

void MainWindow::pushStep(const QString& label, const ViewState& before, int mergeId) {
    ViewState after = currentState();
    if (sameState(before, after)) return;
    undo_->push(new SettingsStep(
        label, before, std::move(after), [this](const ViewState& state) { applyState(state); },
        mergeId));
}

void MainWindow::startWith(const RenderSettings& record) {
    applySettings(&record, &record);
    renderStill();
    // The first picture comes from settings anyone can render again: nothing to save.
    cleanState_ = renderedState_;
    setModified(false);
}

void MainWindow::onRenderImage() {
    previewTimer_.stop();
    doc_.stopRendering(); // before the pages are read: a refusal may show a message
    const ViewState before = currentState();
    applySettings(pagesRecord().get(), nullptr);
    renderStill();
    pushStep(tr("Edit Settings"), before);
}

void MainWindow::onRenderStop() {
    doc_.stopRendering();
}

void MainWindow::zoom(bool in, double fx, double fy) {
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    if (in) {
        doc_.zoomRegionIn(fx, fy);
    } else {
        doc_.zoomRegionOut();
    }
    // The pages show the new region; the Movie Options page keeps its own values.
    auto shown = std::make_unique<RenderSettings>();
    doc_.getSettings(*shown);
    tabs_->movieOptionsPage()->saveToSettings(*shown);
    applySettings(nullptr, shown.get());
    renderStill();
    pushStep(in ? tr("Zoom In") : tr("Zoom Out"), before);
}

void MainWindow::zoomIn(double fx, double fy) {
    zoom(true, fx, fy);
}
void MainWindow::zoomOut() {
    zoom(false, 0.0, 0.0);
}

void MainWindow::zoomToRectangle(double fx0, double fy0, double fx1, double fy1) {
    // The larger side decides, so the whole rectangle stays in view.
    const double scale = std::max(std::abs(fx1 - fx0), std::abs(fy1 - fy0));
    if (!(scale > 0)) return;
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    doc_.zoomRegionTo((fx0 + fx1) * 0.5, (fy0 + fy1) * 0.5, scale);
    applySettings(nullptr, currentState().settings.get());
    renderStill();
    pushStep(tr("Zoom to Rectangle"), before);
}

void MainWindow::zoomAbout(double fx, double fy, double scale) {
    if (!(scale > 0)) return;
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    // The point under the cursor keeps its place on the screen.
    doc_.zoomRegionTo(fx + scale * (0.5 - fx), fy + scale * (0.5 - fy), scale);
    applySettings(nullptr, currentState().settings.get());
    renderStill();
    pushStep(scale < 1 ? tr("Zoom In") : tr("Zoom Out"), before);
}

void MainWindow::pan(double dfx, double dfy) {
    if (dfx == 0 && dfy == 0) return;
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    doc_.zoomRegionTo(0.5 - dfx, 0.5 - dfy, 1.0);
    applySettings(nullptr, currentState().settings.get());
    renderStill();
    pushStep(tr("Pan"), before);
}

void MainWindow::applySettingsAndRender() {
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    auto record = std::make_unique<RenderSettings>();
    tabs_->presetsPage()->getSettings(*record);
    applySettings(record.get(), record.get());
    renderStill();
    PresetsPage* presets = tabs_->presetsPage();
    if (const PresetNode* node = presets->presetOf(presets->treeWidget()->currentItem()))
        setPresetName(QString::fromStdString(node->name()));
    pushStep(tr("Load Preset"), before);
}

// ---- the clipboard -----------------------------------------------------------

void MainWindow::copyPicture() {
    const QImage picture = snapshotImage(doc_, job_.lock());
    if (!picture.isNull()) QGuiApplication::clipboard()->setImage(picture);
}

void MainWindow::copySettings() {
    const QString name = presetName_.isEmpty() ? tr("Untitled") : presetName_;
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(presetText(doc_.settings(), name.toUtf8().toStdString())));
}

bool MainWindow::pasteSettings(const QString& text) {
    auto record = std::make_unique<RenderSettings>();
    const PresetTextRead read = readPresetText(text.toUtf8().toStdString(), *record);
    if (!read.ok) {
        showWarning(
            this,
            tr("The clipboard holds no settings: %1.").arg(QString::fromStdString(read.error)));
        return false;
    }
    previewTimer_.stop();
    doc_.stopRendering();
    const ViewState before = currentState();
    applySettings(record.get(), record.get());
    renderStill();
    setPresetName(QString::fromStdString(read.name));
    if (!read.warnings.empty()) {
        statusBar()->showMessage(QString::fromStdString(read.warnings.front()));
    }
    pushStep(tr("Paste Settings"), before);
    return true;
}

// ---- live preview ----------------------------------------------------------

bool MainWindow::livePreview() const {
    return action(Command::kViewLivePreview)->isChecked();
}

void MainWindow::schedulePreview(int delayMs) {
    if (applying_ || !livePreview()) return;
    previewTimer_.start(delayMs);
}

void MainWindow::watchPages() {
    // Only what the user does counts: typing, clicks, picks and the slider.
    // Loading a page sets its controls without these signals (or with the
    // slider's blocked).
    for (SettingsPage* page :
         {static_cast<SettingsPage*>(tabs_->formulasPage()),
          static_cast<SettingsPage*>(tabs_->coordsPage()), tabs_->movieOptionsPage()}) {
        for (QLineEdit* edit : page->findChildren<QLineEdit*>())
            connect(edit, &QLineEdit::textEdited, this,
                    [this] { schedulePreview(kPreviewPauseMs); });
        // Queued after the page's own handlers, which read the clicked control.
        for (QAbstractButton* button : page->findChildren<QAbstractButton*>())
            connect(button, &QAbstractButton::clicked, this, [this] { schedulePreview(0); });
        for (QComboBox* box : page->findChildren<QComboBox*>())
            connect(box, &QComboBox::activated, this, [this] { schedulePreview(0); });
        for (QSlider* slider : page->findChildren<QSlider*>())
            connect(slider, &QSlider::valueChanged, this, [this] { schedulePreview(0); });
    }
}

void MainWindow::previewPages() {
    if (!livePreview()) return;
    auto record = pagesRecord();
    auto current = std::make_unique<RenderSettings>();
    doc_.getSettings(*current);
    if (sameSettings(*record, *current)) return;

    // A formula half typed does not replace the picture; its field is marked.
    auto trial = std::make_unique<RenderSettings>(*record);
    const std::vector<CompileFailure> failures = compileFormulas(*trial);
    if (!failures.empty()) {
        for (SettingsPage* page :
             {static_cast<SettingsPage*>(tabs_->formulasPage()),
              static_cast<SettingsPage*>(tabs_->coordsPage()), tabs_->movieOptionsPage()}) {
            page->markFailures(failures);
        }
        return;
    }

    // Only the time moved: one undo step for the whole drag.
    auto timeOnly = std::make_unique<RenderSettings>(*current);
    timeOnly->time = record->time;
    const bool sliderOnly = sameSettings(*record, *timeOnly);
    const ViewState before = currentState();
    applySettings(record.get(), nullptr);
    renderStill();
    pushStep(sliderOnly ? tr("Move Time Slider") : tr("Edit Settings"), before,
             sliderOnly ? SettingsStep::kTimeSlider : SettingsStep::kNoMerge);
}

namespace {
// A failure always names one of the formula keys.
const FormulaSlot& failedSlot(const RenderSettings& settings, const CompileFailure& failure) {
    const FormulaKey* key = findFormulaKey(failure.field);
    return settings.*(key ? key->slot : kFormulaKeys[0].slot);
}
} // namespace

QString MainWindow::failureMessage(const CompileFailure& failure) {
    const FormulaSlot& slot = failedSlot(doc_.settings(), failure);
    const QString text = slotText(slot);
    QLineEdit* edit = formulaEditFor(tabs_, failure.field, text);
    const QString label = edit ? fieldLabel(edit) : QString::fromLatin1(failure.field);
    if (const FormulaDiagnostic* error = firstError(failure.diagnostics))
        return fieldMessage(label, text, *error);
    return QStringLiteral("%1: %2").arg(label, QString::fromStdString(failure.message));
}

bool MainWindow::refuseFailedFormulas() {
    QStringList parts;
    QLineEdit* first = nullptr;
    const FormulaDiagnostic* firstPlace = nullptr;
    for (const CompileFailure& failure : doc_.compileFailures()) {
        if (!formulaInUse(doc_.settings(), failure.field)) continue;
        parts << failureMessage(failure);
        if (first) continue;
        const QString text = slotText(failedSlot(doc_.settings(), failure));
        first = formulaEditFor(tabs_, failure.field, text);
        firstPlace = firstError(failure.diagnostics);
    }
    if (parts.isEmpty()) return false;
    // The picture stays as it was: a render with a formula that reads nothing
    // would only look like a result.
    const QString message = tr("Not rendered: %1").arg(parts.join(QStringLiteral("; ")));
    view_->setCompileMessage(message);
    statusBar()->showMessage(message);
    if (first) {
        for (int i = 0; i < tabs_->count(); ++i)
            if (tabs_->widget(i)->isAncestorOf(first)) tabs_->setCurrentIndex(i);
        first->setFocus(Qt::OtherFocusReason);
        if (firstPlace) showDiagnosticPlace(first, *firstPlace);
    }
    return true;
}

void MainWindow::showCompileFailures() {
    const std::vector<CompileFailure>& failures = doc_.compileFailures();
    QStringList parts;
    for (const CompileFailure& failure : failures)
        parts << failureMessage(failure);
    const QString text = parts.join(QStringLiteral("; "));
    view_->setCompileMessage(text);
    for (SettingsPage* page :
         {static_cast<SettingsPage*>(tabs_->formulasPage()),
          static_cast<SettingsPage*>(tabs_->coordsPage()), tabs_->movieOptionsPage()}) {
        page->markFailures(failures);
    }
    if (!text.isEmpty()) statusBar()->showMessage(text);
}

// ---- commands --------------------------------------------------------------

void MainWindow::onRenderMovie() {
#ifdef TREVALIN_HAVE_MOVIES
    // The pages go into the movie now; a preview still due would stop it.
    previewTimer_.stop();
    doc_.stopRendering();
    applySettings(pagesRecord().get(), nullptr);
    if (refuseFailedFormulas()) return;

    // No frame rate, an unknown codec or a single frame: nothing to ask a file for.
    const std::string refusal = movieRefusal(doc_.settings());
    if (!refusal.empty()) {
        const QString message = QString::fromStdString(refusal);
        view_->setCompileMessage(message);
        statusBar()->showMessage(message);
        return;
    }

    // The codec decides the kind of file, or that the movie is a folder of frames.
    const int codec = doc_.settings().codec;
    const bool folder = containerOfCodec(codec).id == MovieContainer::FramesFolder;
    SaveFileRequest request;
    request.title = tr("Render Movie");
    request.initial = fixedText(doc_.settings().moviefile, kMovieFileSize);
    request.filter = movieFileFilter(codec);
    request.suffix = movieFileSuffix(codec);
    request.confirmOverwrite = !folder; // a folder's frames are asked for below
    request.folder = folder;
    const QString chosen = chooseSaveFile(this, request);
    if (chosen.isEmpty()) return;
    const QByteArray path = QFile::encodeName(QFileInfo(chosen).absoluteFilePath());
    const std::string mismatch = codecPathMismatch(doc_.settings().codec, path.toStdString());
    if (!mismatch.empty()) {
        showWarning(
            this, tr("Movie not rendered: %1: %2.").arg(chosen, QString::fromStdString(mismatch)));
        return;
    }
    if (path.size() >= kMovieFileSize) {
        // A cut path would write the movie somewhere else.
        showWarning(this,
                    tr("The movie's path is too long: at most %1 bytes.").arg(kMovieFileSize - 1));
        return;
    }
    if (folder && !framesFolderTaken(this, chosen)) return;
    // PNG frames carry the movie's preset, as saved pictures do.
    const std::string chunk = pictureChunkFor(doc_, presetName_);
    job_.setWriterFactory([chunk] {
        return makeMovieWriter(
            [chunk](const MovieParams& params) { return makeFramesFolderWriter(params, chunk); });
    });
    doc_.setMovieFile(path.constData());
    doc_.setFrameCount(-1);
    doc_.startRendering();
#endif
}

void MainWindow::onImageSize() {
    ImageSizeDialog dialog(doc_.imageWidth(), doc_.imageHeight(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    resizeImage(dialog.imageWidth(), dialog.imageHeight());
}

void MainWindow::clearImage() {
    renderedState_.reset();
    // A resized image keeps its old bytes laid out at the new width: never show
    // or save those.
    std::lock_guard<std::recursive_mutex> lock(job_.lock());
    DibImage& image = doc_.image();
    if (!image.hasData() || image.bitsPerPixel() != 32) return;
    for (int y = 0; y < image.height(); ++y)
        std::fill_n(image.row(y), image.width(), 0u);
}

bool MainWindow::resizeImage(int width, int height) {
    previewTimer_.stop();
    const ViewState before = currentState();
    if (!doc_.setImageSize(width, height)) {
        showWarning(this, tr("Out of memory: the image could not be made %1 × %2 pixels; it "
                             "keeps its size.")
                              .arg(width)
                              .arg(height));
        return false;
    }
    clearImage();
    setModified(true);
    view_->update();
    renderStill();
    pushStep(tr("Image Size"), before);
    return true;
}

void MainWindow::onImageSource() {
    const QString initial = fixedText(doc_.settings().sourcefile, kSourceFileSize);
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Source Image"), initial,
                                                        tr("BMP Files (*.bmp);;All Files (*)"));
    if (chosen.isEmpty()) return;
    const QByteArray path = QFile::encodeName(chosen);
    if (path.size() >= kSourceFileSize) {
        showWarning(this,
                    tr("The image's path is too long: at most %1 bytes.").arg(kSourceFileSize - 1));
        return;
    }
    doc_.loadSourceImage(path.constData());
    const auto source = doc_.source();
    if (!source || !source->hasData()) {
        // The document keeps the empty image (every sample black); say why.
        statusBar()->showMessage(
            tr("%1 could not be read as a BMP image; sampling gives black.").arg(chosen));
    }
}

void MainWindow::onAppAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::onHelpTopics() {
    if (!help_) {
        help_ = new HelpDialog(this);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::focusNextPane(bool) {
    // Two panes: forward and back both lead to the other one.
    if (!view_->hasFocus()) {
        view_->setFocus(Qt::TabFocusReason);
    } else if (SettingsPage* page = tabs_->settingsPageAt(tabs_->currentIndex())) {
        page->setFocus(Qt::TabFocusReason);
    } else {
        tabs_->setFocus(Qt::TabFocusReason);
    }
}

} // namespace trevalin
