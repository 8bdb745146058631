#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

#ifdef TREVALIN_HAVE_PRINTING
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#endif

#include "app/dialogs.h"
#include "app/document_file.h"
#include "app/help_reference.h"
#include "app/lock_key_indicators.h"
#include "app/pages/field_edit.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/settings_page.h"
#include "app/user_messages.h"
#include "app/view/trevalin_view.h"
#include "presets/page/props_c.h"
#include "render/movie_check.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

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
constexpr int kSplitStep = 10;

// The desktop's icon where it has one, else the program's own drawing.
QIcon themeIcon(const char* name) {
    const QString id = QString::fromLatin1(name);
    return QIcon::fromTheme(id, QIcon(QStringLiteral(":/icons/%1.png").arg(id)));
}
} // namespace

CMainFrame::CMainFrame(CTrevalinDoc& doc, RenderJob& job, QWidget* parent,
                       CMyTabView::PageFactory movieOptions)
    : QMainWindow(parent), doc_(doc), job_(job) {
    initIconResources();
    if (QApplication::windowIcon().isNull()) {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/trevalin-256.png")));
    }
    CreateActions();
    CreateMenus();
    CreateToolBar();
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

    doc_.SetView(view_);
    view_->SetFrame(this);
    tabs_->SetFrame(this);
    connect(view_, &CTrevalinView::renderStarted, this, [this] { SetModified(true); });
#ifdef TREVALIN_HAVE_MOVIES
    job_.SetWriterFactory([] { return makeMovieWriter(); });
#endif

    auto* nextPane = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(nextPane, &QShortcut::activated, this, [this] { FocusNextPane(true); });
    auto* previousPane = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    connect(previousPane, &QShortcut::activated, this, [this] { FocusNextPane(false); });

    setAcceptDrops(true);
    QSettings settings;
    recent_.Load(settings);
    RebuildRecentMenu();
    UpdateTitle();
}

CMainFrame::~CMainFrame() {
    if (splitMode_) qApp->removeEventFilter(this);
    // The view goes with the child widgets, after this body: stop the render and
    // detach it from the document while both are whole.
    view_->StopRender();
    doc_.SetView(nullptr);
}

QAction* CMainFrame::AddAction(int id, const QString& text, const QString& prompt,
                               const QString& tip) {
    auto* action = new QAction(text, this);
    action->setStatusTip(prompt);
    action->setToolTip(
        tip.isEmpty() ? QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")) : tip);
    actions_[id] = action;
    return action;
}

QAction* CMainFrame::Action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
    QStyle* s = style();
    QAction* a = AddAction(kFileNew, tr("&New"), tr("Create a new document"), tr("New"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    a->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    connect(a, &QAction::triggered, this, &CMainFrame::OnFileNew);

    a = AddAction(kFileOpen, tr("&Open..."), tr("Open an existing document"), tr("Open"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    connect(a, &QAction::triggered, this, &CMainFrame::OnFileOpen);

    a = AddAction(kFileSave, tr("&Save"), tr("Save the active document"), tr("Save"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(a, &QAction::triggered, this, &CMainFrame::OnFileSave);

    a = AddAction(kFileSaveAs, tr("Save &As..."), tr("Save the active document with a new name"),
                  tr("Save As"));
    connect(a, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);

    a = AddAction(kFilePrint, tr("&Print..."), tr("Print the active document"), tr("Print"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    a->setIcon(themeIcon("document-print"));
    QAction* preview = AddAction(kFilePrintPreview, tr("Print Pre&view"), tr("Display full pages"),
                                 tr("Print Preview"));
    QAction* setup = AddAction(kFilePrintSetup, tr("P&rint Setup..."),
                               tr("Change the printer and printing options"), tr("Print Setup"));
#ifdef TREVALIN_HAVE_PRINTING
    connect(a, &QAction::triggered, this, &CMainFrame::OnFilePrint);
    connect(preview, &QAction::triggered, this, &CMainFrame::OnFilePrintPreview);
    connect(setup, &QAction::triggered, this, &CMainFrame::OnFilePrintSetup);
#else
    // Built without Qt's print support.
    for (QAction* printing : {a, preview, setup})
        printing->setEnabled(false);
#endif

    a = AddAction(kAppExit, tr("E&xit"), tr("Quit the application; prompts to save documents"),
                  tr("Exit"));
    connect(a, &QAction::triggered, this, &QWidget::close);

    // The Edit commands have no handlers: shown disabled. Their shortcuts stay
    // with the line edits, which take the standard editing keys first.
    struct EditItem {
        int id;
        QString text;
        QString prompt;
        QList<QKeySequence> keys;
        const char* icon;
    };
    const EditItem edits[] = {
        {kEditUndo,
         tr("&Undo"),
         tr("Undo the last action"),
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)},
         "edit-undo"},
        {kEditCut,
         tr("Cu&t"),
         tr("Cut the selection and put it on the Clipboard"),
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
         "edit-cut"},
        {kEditCopy,
         tr("&Copy"),
         tr("Copy the selection and put it on the Clipboard"),
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
         "edit-copy"},
        {kEditPaste,
         tr("&Paste"),
         tr("Insert Clipboard contents"),
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
         "edit-paste"},
    };
    for (const EditItem& item : edits) {
        a = AddAction(item.id, item.text, item.prompt);
        a->setShortcuts(item.keys);
        a->setShortcutContext(Qt::WidgetShortcut); // never steal the keys from an edit
        a->setIcon(themeIcon(item.icon));
        a->setEnabled(false);
    }

    a = AddAction(kViewToolbar, tr("&Toolbar"), tr("Show or hide the toolbar"),
                  tr("Toggle ToolBar"));
    a->setCheckable(true);
    a->setChecked(true);
    a = AddAction(kViewStatusBar, tr("&Status Bar"), tr("Show or hide the status bar"),
                  tr("Toggle StatusBar"));
    a->setCheckable(true);
    a->setChecked(true);
    connect(a, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    a = AddAction(kWindowSplit, tr("S&plit"), tr("Move the divider between the panes"),
                  tr("Split"));
    connect(a, &QAction::triggered, this, &CMainFrame::StartSplitMode);

    a = AddAction(kImageSize, tr("S&ize..."), tr("Change the size of the image"),
                  tr("Set Image Size"));
    connect(a, &QAction::triggered, this, &CMainFrame::OnImageSize);
    a = AddAction(kImageSource, tr("&Source..."), tr("Set Source Image for Sampling"));
    connect(a, &QAction::triggered, this, &CMainFrame::OnImageSource);

    AddAction(kPresetsView, tr("View..."), QString())->setEnabled(false);
    AddAction(kPresetsSave, tr("Save..."), QString())->setEnabled(false);

    a = AddAction(kRenderImage, tr("&Image"), tr("Render the image"), tr("Render"));
    a->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    connect(a, &QAction::triggered, this, &CMainFrame::OnRenderImage);
    a = AddAction(kRenderMovie, tr("&Movie..."), tr("Render a QuickTime Movie"));
#ifdef TREVALIN_HAVE_MOVIES
    connect(a, &QAction::triggered, this, &CMainFrame::OnRenderMovie);
#else
    a->setEnabled(false);
#endif
    a = AddAction(kRenderStop, tr("&Stop"), tr("Stop Rendering"), tr("Stop Rendering"));
    a->setIcon(s->standardIcon(QStyle::SP_MediaStop));
    connect(a, &QAction::triggered, this, &CMainFrame::OnRenderStop);

    a = AddAction(kHelpIndex, tr("&Help Topics"), tr("List Help topics"), tr("Help Topics"));
    a->setShortcut(QKeySequence(Qt::Key_F1));
    connect(a, &QAction::triggered, this, &CMainFrame::OnHelpTopics);
    a = AddAction(kAppAbout, tr("&About Trevalin..."),
                  tr("Display program information, version number and copyright"), tr("About"));
    a->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));
    connect(a, &QAction::triggered, this, &CMainFrame::OnAppAbout);
    a = AddAction(kContextHelp, tr("Context Help"),
                  tr("Display help for clicked on buttons, menus and windows"), tr("Help"));
    a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    a->setIcon(s->standardIcon(QStyle::SP_TitleBarContextHelpButton));
    connect(a, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(a); // reachable by its key without being in a menu
}

void CMainFrame::CreateMenus() {
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    for (int id : {kFileNew, kFileOpen, kFileSave, kFileSaveAs})
        fileMenu_->addAction(Action(id));
    fileMenu_->addSeparator();
    for (int id : {kFilePrint, kFilePrintPreview, kFilePrintSetup}) {
        fileMenu_->addAction(Action(id));
    }
    fileMenu_->addSeparator();
    recentSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(Action(kAppExit));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(Action(kEditUndo));
    edit->addSeparator();
    for (int id : {kEditCut, kEditCopy, kEditPaste})
        edit->addAction(Action(id));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    for (int id : {kViewToolbar, kViewStatusBar, kWindowSplit})
        view->addAction(Action(id));

    QMenu* image = menuBar()->addMenu(tr("&Image"));
    image->addAction(Action(kImageSize));
    image->addAction(Action(kImageSource));

    QMenu* presets = menuBar()->addMenu(tr("&Presets"));
    presets->addAction(Action(kPresetsView));
    presets->addAction(Action(kPresetsSave));

    QMenu* render = menuBar()->addMenu(tr("&Render"));
    for (int id : {kRenderImage, kRenderMovie, kRenderStop})
        render->addAction(Action(id));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(kHelpIndex));
    help->addSeparator();
    help->addAction(Action(kAppAbout));
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(16, 16));
    const int buttons[] = {kFileNew,     kFileOpen,  kFileSave,  0,         kEditCut,     kEditCopy,
                           kEditPaste,   0,          kFilePrint, kAppAbout, kContextHelp, 0,
                           kRenderImage, kRenderStop};
    for (int id : buttons) {
        if (id == 0) {
            bar->addSeparator();
        } else {
            bar->addAction(Action(id));
        }
    }
    QAction* toggle = Action(kViewToolbar);
    connect(toggle, &QAction::toggled, bar, &QToolBar::setVisible);
    connect(bar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

// ---- the fixed sequences -------------------------------------------------

void CMainFrame::GetDocumentSettings(RenderSettings& out) const {
    doc_.GetSettings(out);
}

void CMainFrame::CollectSettings(RenderSettings& out) {
    tabs_->FormulasPage()->SaveToSettings(out);
    tabs_->CoordsPage()->SaveToSettings(out);
    tabs_->MovieOptionsPage()->SaveToSettings(out);
}

void CMainFrame::OnRenderImage() {
    doc_.StopRendering(); // the record must not change under a running job
    auto settings = std::make_unique<RenderSettings>();
    doc_.GetSettings(*settings);
    CollectSettings(*settings);
    doc_.SetSettings(*settings);
    ShowCompileFailures();
    doc_.SetFrameCount(1);
    doc_.StartRendering();
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
    auto settings = std::make_unique<RenderSettings>();
    doc_.GetSettings(*settings);
    tabs_->MovieOptionsPage()->SaveToSettings(*settings);
    tabs_->FormulasPage()->LoadFromSettings(*settings);
    tabs_->CoordsPage()->LoadFromSettings(*settings);
    tabs_->MovieOptionsPage()->LoadFromSettings(*settings);
    ShowCompileFailures();
    doc_.SetFrameCount(1);
    doc_.StartRendering();
}

void CMainFrame::ZoomIn(double fx, double fy) {
    Zoom(true, fx, fy);
}
void CMainFrame::ZoomOut() {
    Zoom(false, 0.0, 0.0);
}

void CMainFrame::ApplySettingsAndRender() {
    doc_.StopRendering();
    auto settings = std::make_unique<RenderSettings>();
    tabs_->PresetsPage()->GetSettings(*settings);
    tabs_->FormulasPage()->LoadFromSettings(*settings);
    tabs_->CoordsPage()->LoadFromSettings(*settings);
    tabs_->MovieOptionsPage()->LoadFromSettings(*settings);
    doc_.SetSettings(*settings);
    ShowCompileFailures();
    doc_.SetFrameCount(1);
    doc_.StartRendering();
}

void CMainFrame::ShowCompileFailures() {
    const std::vector<CompileFailure>& failures = doc_.CompileFailures();
    QStringList parts;
    for (const CompileFailure& failure : failures) {
        parts << QStringLiteral("%1: %2").arg(QString::fromLatin1(failure.field),
                                              QString::fromStdString(failure.message));
    }
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
    auto settings = std::make_unique<RenderSettings>();
    doc_.GetSettings(*settings);
    CollectSettings(*settings);
    doc_.SetSettings(*settings);
    ShowCompileFailures();

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
        help_ = new QDialog(this);
        help_->setWindowTitle(tr("Trevalin Help"));
        help_->setAttribute(Qt::WA_DeleteOnClose);
        auto* browser = new QTextBrowser(help_);
        browser->setObjectName(QStringLiteral("reference"));
        browser->setHtml(formulaReferenceHtml());
        auto* layout = new QVBoxLayout(help_);
        layout->addWidget(browser);
        help_->resize(640, 600);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

// ---- the document's file ---------------------------------------------------

void CMainFrame::SetDocumentPath(const QString& path) {
    path_ = path;
    UpdateTitle();
}

void CMainFrame::SetModified(bool modified) {
    setWindowModified(modified);
}

void CMainFrame::UpdateTitle() {
    const QString name = path_.isEmpty() ? tr("Untitled") : QFileInfo(path_).fileName();
    setWindowTitle(QStringLiteral("%1[*] - Trevalin").arg(name));
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
    const QString suggested =
        path_.isEmpty() ? QDir::current().filePath(QStringLiteral("Untitled.bmp")) : path_;
    const QString bmpFilter = tr("BMP Files (*.bmp)");
    const QString pngFilter = tr("PNG Files (*.png)");
    QString filter = bmpFilter;
    QString chosen = QFileDialog::getSaveFileName(
        this, tr("Save As"), suggested, bmpFilter + QStringLiteral(";;") + pngFilter, &filter);
    if (chosen.isEmpty()) return false;
    if (QFileInfo(chosen).suffix().isEmpty()) {
        chosen += filter == pngFilter ? QStringLiteral(".png") : QStringLiteral(".bmp");
    }
    return SaveDocument(chosen);
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

// ---- window events ---------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!SaveModified()) {
        event->ignore();
        return;
    }
    doc_.StopRendering();
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

void CMainFrame::StartSplitMode() {
    if (splitMode_) return;
    splitMode_ = true;
    splitSizes_ = splitter_->sizes();
    statusBar()->showMessage(
        tr("Move the divider with Left and Right; Enter keeps it, Escape puts it back."));
    qApp->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (!splitMode_) return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        QList<int> sizes = splitter_->sizes();
        bool done = false;
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = key->key() == Qt::Key_Left ? -kSplitStep : kSplitStep;
            sizes[0] = std::max(1, sizes[0] + step);
            sizes[1] = std::max(0, sizes[1] - step);
            splitter_->setSizes(sizes);
            return true;
        }
        case Qt::Key_Escape:
            splitter_->setSizes(splitSizes_);
            done = true;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter: done = true; break;
        default: return true;
        }
        if (done) {
            splitMode_ = false;
            qApp->removeEventFilter(this);
            statusBar()->clearMessage();
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        splitMode_ = false;
        qApp->removeEventFilter(this);
        statusBar()->clearMessage();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- printing ---------------------------------------------------------------

#ifdef TREVALIN_HAVE_PRINTING
bool CMainFrame::PrintImage(QPrinter* printer) {
    const QImage picture = snapshotImage(doc_, job_.Lock());
    QPainter painter(printer);
    if (picture.isNull() || !painter.isActive()) return false;
    // The whole picture as large as the page allows, proportions kept.
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.left() + (page.width() - size.width()) / 2, page.top(), size.width(),
                       size.height());
    painter.drawImage(target, picture);
    return painter.end();
}

void CMainFrame::OnFilePrint() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer_.get(), this);
    if (dialog.exec() == QDialog::Accepted && !PrintImage(printer_.get()))
        showWarning(this, tr("The picture could not be printed."));
}

void CMainFrame::OnFilePrintPreview() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintPreviewDialog preview(printer_.get(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintImage(printer); });
    preview.exec();
}

void CMainFrame::OnFilePrintSetup() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPageSetupDialog dialog(printer_.get(), this);
    dialog.exec();
}
#endif

} // namespace trevalin
