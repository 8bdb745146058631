#include "app/main_frame.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/dialogs.h"
#include <QLineEdit>

#include "app/help_dialog.h"
#include "app/help_reference.h"
#include "app/lock_key_indicators.h"
#include "app/pages/field_edit.h"
#include "app/pages/formula_marks.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/settings_page.h"
#include "app/split_mode.h"
#include "app/user_messages.h"
#include "app/view/trevalin_view.h"
#include "presets/page/props_c.h"
#include "render/formula_use.h"
#include "render/movie_check.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

#ifdef TREVALIN_HAVE_PRINTING
#include "app/image_printing.h"
#endif

#ifdef TREVALIN_HAVE_MOVIES
#include "movie/movie_writer.h"
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
} // namespace

CMainFrame::CMainFrame(CTrevalinDoc& doc, RenderJob& job, QWidget* parent,
                       CMyTabView::PageFactory movieOptions)
    : QMainWindow(parent), doc_(doc), job_(job) {
    initIconResources();
    if (QApplication::windowIcon().isNull()) {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/trevalin-256.png")));
    }
    createActions();
    createMenus();
    createToolBar();
    statusBar()->addWidget(new QLabel(tr("Ready"), statusBar()), 1);
    indicators_ = new LockKeyIndicators(statusBar(), this, makePlatformLockKeySource());

    splitter_ = new QSplitter(Qt::Horizontal, this);
    view_ = new CTrevalinView(doc_, job_, splitter_);
    tabs_ = new CMyTabView(splitter_, std::move(movieOptions));
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

    doc_.SetView(view_);
    view_->SetFrame(this);
    tabs_->SetFrame(this);
    connect(view_, &CTrevalinView::renderStarted, this, [this] { SetModified(true); });
#ifdef TREVALIN_HAVE_MOVIES
    job_.SetWriterFactory([] { return makeMovieWriter(); });
#endif

    setAcceptDrops(true);
    QSettings settings;
    recent_.Load(settings);
    RebuildRecentMenu();
    UpdateTitle();
}

CMainFrame::~CMainFrame() {
    // The view goes with the child widgets, after this body: stop the render and
    // detach it from the document while both are whole.
    view_->StopRender();
    doc_.SetView(nullptr);
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

#ifdef TREVALIN_HAVE_PRINTING
bool CMainFrame::PrintImage(QPrinter* printer) {
    return printing_->printImage(printer);
}
#endif

// ---- the render sequence ---------------------------------------------------

void CMainFrame::GetDocumentSettings(RenderSettings& out) const {
    doc_.GetSettings(out);
}

void CMainFrame::CollectSettings(RenderSettings& out) {
    tabs_->FormulasPage()->SaveToSettings(out);
    tabs_->CoordsPage()->SaveToSettings(out);
    tabs_->MovieOptionsPage()->SaveToSettings(out);
}

std::unique_ptr<RenderSettings> CMainFrame::pagesRecord() {
    auto record = std::make_unique<RenderSettings>();
    doc_.GetSettings(*record);
    CollectSettings(*record);
    return record;
}

void CMainFrame::applySettings(const RenderSettings* record, const RenderSettings* shown) {
    doc_.StopRendering(); // the record must not change under a running job
    if (shown) {
        tabs_->FormulasPage()->LoadFromSettings(*shown);
        tabs_->CoordsPage()->LoadFromSettings(*shown);
        tabs_->MovieOptionsPage()->LoadFromSettings(*shown);
    }
    if (record) doc_.SetSettings(*record);
    ShowCompileFailures();
}

void CMainFrame::renderStill() {
    if (refuseFailedFormulas()) return;
    doc_.SetFrameCount(1);
    doc_.StartRendering();
}

void CMainFrame::OnRenderImage() {
    doc_.StopRendering(); // before the pages are read: a refusal may show a message
    applySettings(pagesRecord().get(), nullptr);
    renderStill();
}

void CMainFrame::OnRenderStop() {
    doc_.StopRendering();
}

void CMainFrame::Zoom(bool in, double fx, double fy) {
    doc_.StopRendering();
    if (in) {
        doc_.ZoomRegionIn(fx, fy);
    } else {
        doc_.ZoomRegionOut();
    }
    // The pages show the new region; the Movie Options page keeps its own values.
    auto shown = std::make_unique<RenderSettings>();
    doc_.GetSettings(*shown);
    tabs_->MovieOptionsPage()->SaveToSettings(*shown);
    applySettings(nullptr, shown.get());
    renderStill();
}

void CMainFrame::ZoomIn(double fx, double fy) {
    Zoom(true, fx, fy);
}
void CMainFrame::ZoomOut() {
    Zoom(false, 0.0, 0.0);
}

void CMainFrame::ApplySettingsAndRender() {
    auto record = std::make_unique<RenderSettings>();
    tabs_->PresetsPage()->GetSettings(*record);
    applySettings(record.get(), record.get());
    renderStill();
}

namespace {
const FormulaField* formulaField(const char* key) {
    for (const FormulaField& f : kFormulaFields)
        if (qstrcmp(f.key, key) == 0) return &f;
    return &kFormulaFields[0];
}
} // namespace

QString CMainFrame::failureMessage(const CompileFailure& failure) {
    const FormulaSlot& slot = doc_.Settings().*(formulaField(failure.field)->slot);
    const QString text = slotText(slot);
    QLineEdit* edit = formulaEditFor(tabs_, failure.field, text);
    const QString label = edit ? fieldLabel(edit) : QString::fromLatin1(failure.field);
    if (const FormulaDiagnostic* error = firstError(failure.diagnostics))
        return fieldMessage(label, text, *error);
    return QStringLiteral("%1: %2").arg(label, QString::fromStdString(failure.message));
}

bool CMainFrame::refuseFailedFormulas() {
    QStringList parts;
    QLineEdit* first = nullptr;
    const FormulaDiagnostic* firstPlace = nullptr;
    for (const CompileFailure& failure : doc_.CompileFailures()) {
        if (!formulaInUse(doc_.Settings(), failure.field)) continue;
        parts << failureMessage(failure);
        if (first) continue;
        const QString text = slotText(doc_.Settings().*(formulaField(failure.field)->slot));
        first = formulaEditFor(tabs_, failure.field, text);
        firstPlace = firstError(failure.diagnostics);
    }
    if (parts.isEmpty()) return false;
    // The picture stays as it was: a render with a formula that reads nothing
    // would only look like a result.
    const QString message = tr("Not rendered: %1").arg(parts.join(QStringLiteral("; ")));
    view_->SetCompileMessage(message);
    statusBar()->showMessage(message);
    if (first) {
        for (int i = 0; i < tabs_->count(); ++i)
            if (tabs_->widget(i)->isAncestorOf(first)) tabs_->setCurrentIndex(i);
        first->setFocus(Qt::OtherFocusReason);
        if (firstPlace) showDiagnosticPlace(first, *firstPlace);
    }
    return true;
}

void CMainFrame::ShowCompileFailures() {
    const std::vector<CompileFailure>& failures = doc_.CompileFailures();
    QStringList parts;
    for (const CompileFailure& failure : failures)
        parts << failureMessage(failure);
    const QString text = parts.join(QStringLiteral("; "));
    view_->SetCompileMessage(text);
    for (SettingsPage* page :
         {static_cast<SettingsPage*>(tabs_->FormulasPage()),
          static_cast<SettingsPage*>(tabs_->CoordsPage()), tabs_->MovieOptionsPage()}) {
        page->MarkCompileFailures(failures);
    }
    if (!text.isEmpty()) statusBar()->showMessage(text);
}

// ---- commands --------------------------------------------------------------

void CMainFrame::OnRenderMovie() {
#ifdef TREVALIN_HAVE_MOVIES
    doc_.StopRendering();
    applySettings(pagesRecord().get(), nullptr);
    if (refuseFailedFormulas()) return;

    // No frame rate, an unknown codec or a single frame: nothing to ask a file for.
    const std::string refusal = movieRefusal(doc_.Settings());
    if (!refusal.empty()) {
        const QString message = QString::fromStdString(refusal);
        view_->SetCompileMessage(message);
        statusBar()->showMessage(message);
        return;
    }

    SaveFileRequest request;
    request.title = tr("Render Movie");
    request.initial = fixedText(doc_.Settings().moviefile, kMovieFileSize);
    request.filter = tr("QuickTime Movies (*.mov);;All Files (*)");
    request.suffix = QStringLiteral("mov");
    request.confirmOverwrite = true;
    const QString chosen = chooseSaveFile(this, request);
    if (chosen.isEmpty()) return;
    const QByteArray path = QFile::encodeName(QFileInfo(chosen).absoluteFilePath());
    if (path.size() >= kMovieFileSize) {
        // A cut path would write the movie somewhere else.
        showWarning(this,
                    tr("The movie's path is too long: at most %1 bytes.").arg(kMovieFileSize - 1));
        return;
    }
    doc_.SetMovieFile(path.constData());
    doc_.SetFrameCount(-1);
    doc_.StartRendering();
#endif
}

void CMainFrame::OnImageSize() {
    ImageSizeDialog dialog(doc_.ImageWidth(), doc_.ImageHeight(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!doc_.SetImageSize(dialog.ImageWidth(), dialog.ImageHeight())) {
        showWarning(this, tr("There is not enough memory for an image of %1 x %2 pixels.")
                              .arg(dialog.ImageWidth())
                              .arg(dialog.ImageHeight()));
        return;
    }
    SetModified(true);
    view_->update();
}

void CMainFrame::OnImageSource() {
    const QString initial = fixedText(doc_.Settings().sourcefile, kSourceFileSize);
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Source Image"), initial,
                                                        tr("BMP Files (*.bmp);;All Files (*)"));
    if (chosen.isEmpty()) return;
    const QByteArray path = QFile::encodeName(chosen);
    if (path.size() >= kSourceFileSize) {
        showWarning(this,
                    tr("The image's path is too long: at most %1 bytes.").arg(kSourceFileSize - 1));
        return;
    }
    doc_.LoadSourceImage(path.constData());
    const auto source = doc_.Source();
    if (!source || !source->HasData()) {
        // The document keeps the empty image (every sample black); say why.
        statusBar()->showMessage(
            tr("%1 could not be read as a BMP image; sampling gives black.").arg(chosen));
    }
}

void CMainFrame::OnAppAbout() {
    AboutDialog about(this);
    about.exec();
}

void CMainFrame::OnHelpTopics() {
    if (!help_) {
        help_ = new HelpDialog(this);
        help_->setAttribute(Qt::WA_DeleteOnClose);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void CMainFrame::FocusNextPane(bool) {
    // Two panes: forward and back both lead to the other one.
    if (!view_->hasFocus()) {
        view_->setFocus(Qt::TabFocusReason);
    } else if (SettingsPage* page = tabs_->SettingsPageAt(tabs_->currentIndex())) {
        page->setFocus(Qt::TabFocusReason);
    } else {
        tabs_->setFocus(Qt::TabFocusReason);
    }
}

} // namespace trevalin
