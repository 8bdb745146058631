// The main window's document file: New, open, save, save As, the title, the
// recent-file list, closing and dropped files.
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <cstring>
#include <memory>

#include "app/dialogs.h"
#include "app/document_file.h"
#include "app/main_window.h"
#include "app/pages/presets_page.h"
#include "app/pages/settings_pane.h"
#include "app/settings_history.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "presets/picture_preset.h"
#include "presets/png_file.h"
#include "render/document.h"
#include "render/render_job.h"

namespace trevalin {
namespace {

// Whether two states render the same still: what only a movie reads does not count.
bool samePicture(const ViewState& a, const ViewState& b) {
    if (a.width != b.width || a.height != b.height) return false;
    const RenderSettings& other = *b.settings;
    auto mixed = std::make_unique<RenderSettings>(*a.settings);
    mixed->startwidth = other.startwidth;
    mixed->endwidth = other.endwidth;
    mixed->lockswidth = other.lockswidth;
    mixed->lockewidth = other.lockewidth;
    mixed->depth = other.depth;
    mixed->dither = other.dither;
    mixed->codec = other.codec;
    mixed->seamless = other.seamless;
    mixed->priority = other.priority;
    std::memcpy(mixed->moviefile, other.moviefile, sizeof mixed->moviefile);
    return sameSettings(*mixed, other);
}

} // namespace

// ---- the document's file ---------------------------------------------------

void MainWindow::setDocumentPath(const QString& path) {
    path_ = path;
    updateTitle();
}

void MainWindow::setModified(bool modified) {
    setWindowModified(modified);
}

void MainWindow::pictureRendering() {
    if (doc_.vars().frames > 1) {
        // A movie leaves its last frame in the picture.
        renderedState_.reset();
        setModified(true);
        return;
    }
    renderedState_ = std::make_shared<const ViewState>(currentState());
    setModified(!cleanState_ || !samePicture(*cleanState_, *renderedState_));
}

void MainWindow::pictureRendered() {
    // Saved half drawn: the rest of the render made it differ from the file.
    if (!savedWhileRendering_) return;
    savedWhileRendering_ = false;
    setModified(true);
}

void MainWindow::markClean() {
    const RenderProgress progress = job_.progress();
    const bool whole = progress.state == RenderProgress::State::Finished && progress.frames == 1;
    cleanState_ = whole ? renderedState_ : nullptr;
    savedWhileRendering_ = progress.state == RenderProgress::State::Running;
    setModified(false);
}

void MainWindow::updateTitle() {
    // The file when there is one, else the preset the picture came from.
    QString name = path_.isEmpty() ? presetName_ : QFileInfo(path_).fileName();
    if (name.isEmpty()) name = tr("Untitled");
    setWindowTitle(QStringLiteral("%1[*] - Trevalin").arg(name));
}

void MainWindow::setPresetName(const QString& name) {
    presetName_ = name;
    updateTitle();
}

bool MainWindow::saveModified() {
    if (!isWindowModified()) return true;
    const QString name = path_.isEmpty() ? tr("Untitled") : QFileInfo(path_).fileName();
    switch (askSaveChanges(this, name)) {
    case SaveAnswer::Save: return onFileSave();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: return false;
    }
    return false;
}

void MainWindow::onFileNew() {
    if (!saveModified()) return;
    // One document: it keeps its record, code and image; only the name goes.
    setDocumentPath(QString());
    markClean();
}

void MainWindow::onFileOpen() {
    if (!saveModified()) return;
    const QString chosen =
        QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(path_).absolutePath(),
                                     tr("BMP Files (*.bmp);;PNG Files (*.png);;All Files (*)"));
    if (!chosen.isEmpty() && openDocumentFile(chosen)) offerPictureSettings(chosen);
}

bool MainWindow::offerPictureSettings(const QString& path) {
    std::string text;
    std::string error;
    // Most pictures carry no preset: nothing to offer, nothing to say.
    if (!readPngPresetText(QFile::encodeName(path).toStdString(), text, error)) return false;
    // Text from any file someone hands over: read with the presets file's checks.
    const PicturePreset picture = readPictureChunk(text);
    if (!picture.error.empty()) {
        statusBar()->showMessage(tr("The picture's settings were not loaded: %1")
                                     .arg(QString::fromStdString(picture.error)));
        return false;
    }
    const QString name = QString::fromStdString(picture.name);
    if (!askLoadPictureSettings(this, name)) return false;
    // The picture on screen is what these settings make: load them, no render.
    previewTimer_.stop();
    const ViewState before = currentState();
    applySettings(picture.settings.get(), picture.settings.get());
    setPresetName(name);
    if (!picture.warnings.empty())
        statusBar()->showMessage(QString::fromStdString(picture.warnings.front()));
    pushStep(tr("Picture Settings"), before);
    return true;
}

bool MainWindow::openDocumentFile(const QString& path) {
    QString error;
    if (!openImageFile(doc_, job_.lock(), path, &error)) {
        showWarning(this, error.isEmpty() ? tr("Failed to open document.")
                                          : tr("Failed to open document.\n%1").arg(error));
        recent_.remove(path);
        QSettings settings;
        recent_.save(settings);
        rebuildRecentMenu();
        view_->update();
        return false;
    }
    setDocumentPath(QFileInfo(path).absoluteFilePath());
    // The file's pixels are no render of the settings: any render changes them.
    renderedState_.reset();
    cleanState_.reset();
    savedWhileRendering_ = false;
    setModified(false);
    rememberFile(path);
    view_->update();
    return true;
}

bool MainWindow::saveDocument(const QString& path) {
    QString error;
    if (!saveImageFile(doc_, job_.lock(), path, &error, presetName_)) {
        showWarning(this, error.isEmpty() ? tr("Failed to save document.")
                                          : tr("Failed to save document.\n%1").arg(error));
        return false;
    }
    setDocumentPath(QFileInfo(path).absoluteFilePath());
    markClean();
    rememberFile(path);
    return true;
}

bool MainWindow::onFileSave() {
    if (path_.isEmpty()) return onFileSaveAs();
    return saveDocument(path_);
}

bool MainWindow::onFileSaveAs() {
    // The preset's name and the format used last time.
    QSettings settings;
    const bool png = settings.value("file/saveFormat").toString() == QLatin1String("png");
    const QString bmpFilter = tr("BMP Files (*.bmp)");
    const QString pngFilter = tr("PNG Files (*.png)");
    QString stem = presetName_.isEmpty() ? tr("Untitled") : presetName_;
    stem.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString suggested = path_.isEmpty()
                                  ? QDir::current().filePath(stem + (png ? QStringLiteral(".png")
                                                                         : QStringLiteral(".bmp")))
                                  : path_;
    QString filter = png ? pngFilter : bmpFilter;
    QString chosen = QFileDialog::getSaveFileName(
        this, tr("Save As"), suggested, bmpFilter + QStringLiteral(";;") + pngFilter, &filter);
    if (chosen.isEmpty()) return false;
    if (QFileInfo(chosen).suffix().isEmpty()) {
        chosen += filter == pngFilter ? QStringLiteral(".png") : QStringLiteral(".bmp");
    }
    const bool savedPng =
        QFileInfo(chosen).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) == 0;
    if (!saveDocument(chosen)) return false;
    settings.setValue("file/saveFormat", savedPng ? QStringLiteral("png") : QStringLiteral("bmp"));
    return true;
}

void MainWindow::rememberFile(const QString& path) {
    recent_.add(path);
    QSettings settings;
    recent_.save(settings);
    rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const QStringList& files = recent_.files();
    if (files.isEmpty()) {
        auto* placeholder = new QAction(tr("Recent File"), this);
        placeholder->setEnabled(false);
        fileMenu_->insertAction(recentSeparator_, placeholder);
        recentActions_ << placeholder;
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QString shown = QDir::toNativeSeparators(path);
        if (shown.size() > 60) shown = QStringLiteral("...") + shown.right(57);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        action->setStatusTip(tr("Open this document"));
        connect(action, &QAction::triggered, this, [this, path] {
            if (saveModified() && openDocumentFile(path)) offerPictureSettings(path);
        });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_ << action;
    }
    actions_[Command::kFileRecentFirst] = recentActions_.first();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!saveModified()) {
        event->ignore();
        return;
    }
    doc_.stopRendering();
    QSettings settings;
    saveLayout(settings);
    // Every change is written as it is made; this writes the tree once more,
    // whole, as the program always has at exit.
    tabs_->presetsPage()->writePresets();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        event->acceptProposedAction();
        activateWindow();
        // One document at a time: the first file dropped is opened.
        if (saveModified() && openDocumentFile(url.toLocalFile()))
            offerPictureSettings(url.toLocalFile());
        return;
    }
}

} // namespace trevalin
