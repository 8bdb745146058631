// The main window's document file: New, Open, Save, Save As, the title, the
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

#include "app/dialogs.h"
#include "app/document_file.h"
#include "app/main_frame.h"
#include "app/pages/tab_view.h"
#include "app/user_messages.h"
#include "app/view/trevalin_view.h"
#include "presets/page/props_c.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

namespace trevalin {

// ---- the document's file ---------------------------------------------------

void CMainFrame::SetDocumentPath(const QString& path) {
    path_ = path;
    UpdateTitle();
}

void CMainFrame::SetModified(bool modified) {
    setWindowModified(modified);
}

void CMainFrame::UpdateTitle() {
    // The file when there is one, else the preset the picture came from.
    QString name = path_.isEmpty() ? presetName_ : QFileInfo(path_).fileName();
    if (name.isEmpty()) name = tr("Untitled");
    setWindowTitle(QStringLiteral("%1[*] - Trevalin").arg(name));
}

void CMainFrame::setPresetName(const QString& name) {
    presetName_ = name;
    UpdateTitle();
}

bool CMainFrame::SaveModified() {
    if (!isWindowModified()) return true;
    const QString name = path_.isEmpty() ? tr("Untitled") : QFileInfo(path_).fileName();
    switch (askSaveChanges(this, name)) {
    case SaveAnswer::Save: return OnFileSave();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: return false;
    }
    return false;
}

void CMainFrame::OnFileNew() {
    if (!SaveModified()) return;
    // One document: it keeps its record, code and image; only the name goes.
    SetDocumentPath(QString());
    SetModified(false);
}

void CMainFrame::OnFileOpen() {
    if (!SaveModified()) return;
    const QString chosen =
        QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(path_).absolutePath(),
                                     tr("BMP Files (*.bmp);;PNG Files (*.png);;All Files (*)"));
    if (!chosen.isEmpty()) OpenDocumentFile(chosen);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    QString error;
    if (!openImageFile(doc_, job_.Lock(), path, &error)) {
        showWarning(this, error.isEmpty() ? tr("Failed to open document.")
                                          : tr("Failed to open document.\n%1").arg(error));
        recent_.Remove(path);
        QSettings settings;
        recent_.Save(settings);
        RebuildRecentMenu();
        view_->update();
        return false;
    }
    SetDocumentPath(QFileInfo(path).absoluteFilePath());
    SetModified(false);
    RememberFile(path);
    view_->update();
    return true;
}

bool CMainFrame::SaveDocument(const QString& path) {
    QString error;
    if (!saveImageFile(doc_, job_.Lock(), path, &error)) {
        showWarning(this, error.isEmpty() ? tr("Failed to save document.")
                                          : tr("Failed to save document.\n%1").arg(error));
        return false;
    }
    SetDocumentPath(QFileInfo(path).absoluteFilePath());
    SetModified(false);
    RememberFile(path);
    return true;
}

bool CMainFrame::OnFileSave() {
    if (path_.isEmpty()) return OnFileSaveAs();
    return SaveDocument(path_);
}

bool CMainFrame::OnFileSaveAs() {
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
    if (!SaveDocument(chosen)) return false;
    settings.setValue("file/saveFormat", savedPng ? QStringLiteral("png") : QStringLiteral("bmp"));
    return true;
}

void CMainFrame::RememberFile(const QString& path) {
    recent_.Add(path);
    QSettings settings;
    recent_.Save(settings);
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu() {
    for (QAction* action : recentActions_) {
        fileMenu_->removeAction(action);
        action->deleteLater();
    }
    recentActions_.clear();
    const QStringList& files = recent_.Files();
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
            if (SaveModified()) OpenDocumentFile(path);
        });
        fileMenu_->insertAction(recentSeparator_, action);
        recentActions_ << action;
    }
    actions_[kFileMruFirst] = recentActions_.first();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    doc_.StopRendering();
    QSettings settings;
    saveLayout(settings);
    // Every change is written as it is made; this writes the tree once more,
    // whole, as the program always has at exit.
    tabs_->PresetsPage()->WritePresets();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) continue;
        event->acceptProposedAction();
        activateWindow();
        // One document at a time: the first file dropped is opened.
        if (SaveModified()) OpenDocumentFile(url.toLocalFile());
        return;
    }
}

} // namespace trevalin
