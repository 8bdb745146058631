// The main window's commands: one row per command (text, prompt, keys, icon,
// handler), the menus and the toolbar that show them.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>
#include <QWhatsThis>

#include "app/main_window.h"
#include "app/split_mode.h"
#include "app/thread_count_menu.h"

#ifdef TREVALIN_HAVE_PRINTING
#include "app/image_printing.h"
#endif

namespace trevalin {
namespace {

// The desktop's icon where it has one, else the program's own drawing.
QIcon themeIcon(const char* name) {
    const QString id = QString::fromLatin1(name);
    return QIcon::fromTheme(id, QIcon(QStringLiteral(":/icons/%1.png").arg(id)));
}

constexpr auto kNoStandardIcon = QStyle::SP_CustomBase;

enum RowFlag : unsigned {
    kCheckable = 1,
    kChecked = 2,
    // The key works only while a menu shows the item: the line edits keep the
    // standard editing keys.
    kMenuKeysOnly = 4,
    // Reachable by its keys without being in a menu.
    kWindowKeys = 8,
};

// A menu or toolbar entry: a command, or one of the places that are not.
struct MenuItem {
    enum Kind { kCommand, kSeparator, kRecentFiles, kRenderThreads };
    constexpr MenuItem(Command c) : kind(kCommand), command(c) {}
    constexpr MenuItem(Kind k) : kind(k) {}
    Kind kind;
    Command command = Command::kFileNew; // for kCommand only
};
constexpr MenuItem kSeparator = MenuItem::kSeparator;
constexpr MenuItem kRecentFiles = MenuItem::kRecentFiles;     // where the recent-file list goes
constexpr MenuItem kRenderThreads = MenuItem::kRenderThreads; // the Threads submenu

} // namespace

struct MainWindow::ActionRow {
    Command id;
    const char* text;
    const char* prompt;
    const char* tip;  // empty: the text without '&' and "..."
    const char* keys; // QKeySequence::listFromString form, "F5; Ctrl+R"
    QStyle::StandardPixmap standardIcon;
    const char* themeIcon;
    unsigned flags;
    void (*run)(MainWindow&); // null: shown disabled
};

#ifdef TREVALIN_HAVE_PRINTING
#define TREVALIN_PRINT_HANDLER(call) [](MainWindow& f) { f.printing_->call(); }
#else
#define TREVALIN_PRINT_HANDLER(call) nullptr // built without Qt's print support
#endif

#ifdef TREVALIN_HAVE_MOVIES
#define TREVALIN_MOVIE_HANDLER [](MainWindow& f) { f.onRenderMovie(); }
#else
#define TREVALIN_MOVIE_HANDLER nullptr
#endif

const MainWindow::ActionRow MainWindow::kActionRows[] = {
    {Command::kFileNew, QT_TR_NOOP("&New"), QT_TR_NOOP("Create a new document"), QT_TR_NOOP("New"),
     "Ctrl+N", QStyle::SP_FileIcon, nullptr, 0, [](MainWindow& f) { f.onFileNew(); }},
    {Command::kFileOpen, QT_TR_NOOP("&Open..."), QT_TR_NOOP("Open an existing document"),
     QT_TR_NOOP("Open"), "Ctrl+O", QStyle::SP_DialogOpenButton, nullptr, 0,
     [](MainWindow& f) { f.onFileOpen(); }},
    {Command::kFileSave, QT_TR_NOOP("&Save"), QT_TR_NOOP("Save the active document"),
     QT_TR_NOOP("Save"), "Ctrl+S", QStyle::SP_DialogSaveButton, nullptr, 0,
     [](MainWindow& f) { f.onFileSave(); }},
    {Command::kFileSaveAs, QT_TR_NOOP("Save &As..."),
     QT_TR_NOOP("Save the active document with a new name"), QT_TR_NOOP("Save As"), "",
     kNoStandardIcon, nullptr, 0, [](MainWindow& f) { f.onFileSaveAs(); }},
    {Command::kFilePrint, QT_TR_NOOP("&Print..."), QT_TR_NOOP("Print the active document"),
     QT_TR_NOOP("Print"), "Ctrl+P", kNoStandardIcon, "document-print", 0,
     TREVALIN_PRINT_HANDLER(print)},
    {Command::kFilePrintPreview, QT_TR_NOOP("Print Pre&view"), QT_TR_NOOP("Display full pages"),
     QT_TR_NOOP("Print Preview"), "", kNoStandardIcon, nullptr, 0, TREVALIN_PRINT_HANDLER(preview)},
    {Command::kFilePrintSetup, QT_TR_NOOP("P&rint Setup..."),
     QT_TR_NOOP("Change the printer and printing options"), QT_TR_NOOP("Print Setup"), "",
     kNoStandardIcon, nullptr, 0, TREVALIN_PRINT_HANDLER(setup)},
    {Command::kAppExit, QT_TR_NOOP("E&xit"),
     QT_TR_NOOP("Quit the application; prompts to save documents"), QT_TR_NOOP("Exit"), "",
     kNoStandardIcon, nullptr, 0, [](MainWindow& f) { f.close(); }},

    // Undo, Redo and Copy are window keys: a line edit with the focus takes
    // its own editing keys first.
    {Command::kEditUndo, QT_TR_NOOP("&Undo"), QT_TR_NOOP("Undo the last action"), "",
     "Ctrl+Z; Alt+Backspace", kNoStandardIcon, "edit-undo", 0,
     [](MainWindow& f) { f.undo_->undo(); }},
    {Command::kEditRedo, QT_TR_NOOP("&Redo"), QT_TR_NOOP("Redo the last undone action"), "",
     "Ctrl+Shift+Z; Ctrl+Y", kNoStandardIcon, "edit-redo", 0,
     [](MainWindow& f) { f.undo_->redo(); }},
    {Command::kEditCut, QT_TR_NOOP("Cu&t"),
     QT_TR_NOOP("Cut the selection and put it on the Clipboard"), "", "Ctrl+X; Shift+Del",
     kNoStandardIcon, "edit-cut", kMenuKeysOnly, nullptr},
    {Command::kEditCopy, QT_TR_NOOP("&Copy"),
     QT_TR_NOOP("Copy the picture and put it on the Clipboard"), "", "Ctrl+C; Ctrl+Ins",
     kNoStandardIcon, "edit-copy", 0, [](MainWindow& f) { f.copyPicture(); }},
    {Command::kEditCopySettings, QT_TR_NOOP("Copy &Settings"),
     QT_TR_NOOP("Put the settings on the Clipboard as presets-file text"), "", "Ctrl+Shift+C",
     kNoStandardIcon, nullptr, 0, [](MainWindow& f) { f.copySettings(); }},
    {Command::kEditPasteSettings, QT_TR_NOOP("Paste S&ettings"),
     QT_TR_NOOP("Load settings from presets-file text on the Clipboard"), "", "Ctrl+Shift+V",
     kNoStandardIcon, nullptr, 0,
     [](MainWindow& f) { f.pasteSettings(QGuiApplication::clipboard()->text()); }},
    {Command::kEditPaste, QT_TR_NOOP("&Paste"), QT_TR_NOOP("Insert Clipboard contents"), "",
     "Ctrl+V; Shift+Ins", kNoStandardIcon, "edit-paste", kMenuKeysOnly, nullptr},

    {Command::kViewToolbar, QT_TR_NOOP("&Toolbar"), QT_TR_NOOP("Show or hide the toolbar"),
     QT_TR_NOOP("Toggle ToolBar"), "", kNoStandardIcon, nullptr, kCheckable | kChecked, nullptr},
    {Command::kViewStatusBar, QT_TR_NOOP("&Status Bar"), QT_TR_NOOP("Show or hide the status bar"),
     QT_TR_NOOP("Toggle StatusBar"), "", kNoStandardIcon, nullptr, kCheckable | kChecked,
     [](MainWindow& f) {
         f.statusBar()->setVisible(f.action(Command::kViewStatusBar)->isChecked());
     }},
    {Command::kWindowSplit, QT_TR_NOOP("S&plit"), QT_TR_NOOP("Move the divider between the panes"),
     QT_TR_NOOP("Split"), "", kNoStandardIcon, nullptr, 0,
     [](MainWindow& f) { f.splitMode_->start(); }},
    {Command::kViewZoomIn, QT_TR_NOOP("Zoom &In"), QT_TR_NOOP("Zoom in twofold about the centre"),
     QT_TR_NOOP("Zoom In"), "Ctrl++; Ctrl+=", kNoStandardIcon, "zoom-in", 0,
     [](MainWindow& f) { f.zoomIn(0.5, 0.5); }},
    {Command::kViewZoomOut, QT_TR_NOOP("Zoom &Out"),
     QT_TR_NOOP("Zoom out twofold about the centre"), QT_TR_NOOP("Zoom Out"), "Ctrl+-",
     kNoStandardIcon, "zoom-out", 0, [](MainWindow& f) { f.zoomOut(); }},
    {Command::kViewLivePreview, QT_TR_NOOP("&Live Preview"),
     QT_TR_NOOP("Render again as soon as a setting changes"), "", "", kNoStandardIcon, nullptr,
     kCheckable | kChecked, nullptr},

    {Command::kImageSize, QT_TR_NOOP("S&ize..."), QT_TR_NOOP("Change the size of the image"),
     QT_TR_NOOP("Set Image Size"), "", kNoStandardIcon, nullptr, 0,
     [](MainWindow& f) { f.onImageSize(); }},
    {Command::kImageSource, QT_TR_NOOP("&Source..."), QT_TR_NOOP("Set Source Image for Sampling"),
     "", "", kNoStandardIcon, nullptr, 0, [](MainWindow& f) { f.onImageSource(); }},

    {Command::kPresetsView, QT_TR_NOOP("View..."), "", "", "", kNoStandardIcon, nullptr, 0,
     nullptr},
    {Command::kPresetsSave, QT_TR_NOOP("Save..."), "", "", "", kNoStandardIcon, nullptr, 0,
     nullptr},

    {Command::kRenderImage, QT_TR_NOOP("&Image"), QT_TR_NOOP("Render the image"),
     QT_TR_NOOP("Render"), "F5; Ctrl+R; Ctrl+Return", QStyle::SP_MediaPlay, nullptr, 0,
     [](MainWindow& f) { f.onRenderImage(); }},
    {Command::kRenderMovie, QT_TR_NOOP("&Movie..."), QT_TR_NOOP("Render a QuickTime Movie"), "",
     "Ctrl+Shift+R", kNoStandardIcon, nullptr, 0, TREVALIN_MOVIE_HANDLER},
    {Command::kRenderStop, QT_TR_NOOP("&Stop"), QT_TR_NOOP("Stop Rendering"),
     QT_TR_NOOP("Stop Rendering"), "Esc", QStyle::SP_MediaStop, nullptr, 0,
     [](MainWindow& f) { f.onRenderStop(); }},

    {Command::kHelpIndex, QT_TR_NOOP("&Help Topics"), QT_TR_NOOP("List Help topics"),
     QT_TR_NOOP("Help Topics"), "F1", kNoStandardIcon, nullptr, 0,
     [](MainWindow& f) { f.onHelpTopics(); }},
    {Command::kAppAbout, QT_TR_NOOP("&About Trevalin..."),
     QT_TR_NOOP("Display program information, version number and copyright"), QT_TR_NOOP("About"),
     "", QStyle::SP_MessageBoxInformation, nullptr, 0, [](MainWindow& f) { f.onAppAbout(); }},
    {Command::kContextHelp, QT_TR_NOOP("Context Help"),
     QT_TR_NOOP("Display help for clicked on buttons, menus and windows"), QT_TR_NOOP("Help"),
     "Shift+F1", QStyle::SP_TitleBarContextHelpButton, nullptr, kWindowKeys,
     [](MainWindow&) { QWhatsThis::enterWhatsThisMode(); }},
    {Command::kFocusNextPane, "", "", "", "F6", kNoStandardIcon, nullptr, kWindowKeys,
     [](MainWindow& f) { f.focusNextPane(true); }},
    {Command::kFocusPreviousPane, "", "", "", "Shift+F6", kNoStandardIcon, nullptr, kWindowKeys,
     [](MainWindow& f) { f.focusNextPane(false); }},
};

#undef TREVALIN_PRINT_HANDLER
#undef TREVALIN_MOVIE_HANDLER

void MainWindow::createActions() {
    for (const ActionRow& row : kActionRows) {
        const QString text = tr(row.text);
        auto* made = new QAction(text, this);
        made->setStatusTip(tr(row.prompt));
        made->setToolTip(
            *row.tip ? tr(row.tip)
                     : QString(text).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
        made->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(row.keys)));
        if (row.flags & kMenuKeysOnly) made->setShortcutContext(Qt::WidgetShortcut);
        if (row.standardIcon != kNoStandardIcon) {
            made->setIcon(style()->standardIcon(row.standardIcon));
        } else if (row.themeIcon) {
            made->setIcon(themeIcon(row.themeIcon));
        }
        made->setCheckable(row.flags & kCheckable);
        made->setChecked(row.flags & kChecked);
        if (row.run) {
            connect(made, &QAction::triggered, this, [this, run = row.run] { run(*this); });
        } else if (!(row.flags & kCheckable)) {
            made->setEnabled(false);
        }
        if (row.flags & kWindowKeys) addAction(made);
        actions_[row.id] = made;
    }

    // Undo and Redo name the step they would take back or make again.
    QAction* undo = action(Command::kEditUndo);
    QAction* redo = action(Command::kEditRedo);
    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(undo_, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(undo_, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(undo_, &QUndoStack::undoTextChanged, undo, [this, undo](const QString& step) {
        undo->setText(step.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(step));
    });
    connect(undo_, &QUndoStack::redoTextChanged, redo, [this, redo](const QString& step) {
        redo->setText(step.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(step));
    });
    connect(action(Command::kViewLivePreview), &QAction::toggled, this,
            [](bool on) { QSettings().setValue("view/livePreview", on); });
}

void MainWindow::createMenus() {
    struct MenuRow {
        const char* title;
        std::initializer_list<MenuItem> items;
    };
    const MenuRow menus[] = {
        {QT_TR_NOOP("&File"),
         {Command::kFileNew, Command::kFileOpen, Command::kFileSave, Command::kFileSaveAs,
          kSeparator, Command::kFilePrint, Command::kFilePrintPreview, Command::kFilePrintSetup,
          kSeparator, kRecentFiles, Command::kAppExit}},
        {QT_TR_NOOP("&Edit"),
         {Command::kEditUndo, Command::kEditRedo, kSeparator, Command::kEditCut, Command::kEditCopy,
          Command::kEditPaste, kSeparator, Command::kEditCopySettings,
          Command::kEditPasteSettings}},
        {QT_TR_NOOP("&View"),
         {Command::kViewToolbar, Command::kViewStatusBar, Command::kWindowSplit, kSeparator,
          Command::kViewZoomIn, Command::kViewZoomOut, kSeparator, Command::kViewLivePreview}},
        {QT_TR_NOOP("&Image"), {Command::kImageSize, Command::kImageSource}},
        {QT_TR_NOOP("&Presets"), {Command::kPresetsView, Command::kPresetsSave}},
        {QT_TR_NOOP("&Render"),
         {Command::kRenderImage, Command::kRenderMovie, Command::kRenderStop, kSeparator,
          kRenderThreads}},
        {QT_TR_NOOP("&Help"), {Command::kHelpIndex, kSeparator, Command::kAppAbout}},
    };
    for (const MenuRow& row : menus) {
        QMenu* menu = menuBar()->addMenu(tr(row.title));
        for (const MenuItem& item : row.items) {
            switch (item.kind) {
            case MenuItem::kSeparator: menu->addSeparator(); break;
            case MenuItem::kRenderThreads: menu->addMenu(new ThreadCountMenu(job_, menu)); break;
            case MenuItem::kRecentFiles:
                // The list goes in above this separator.
                fileMenu_ = menu;
                recentSeparator_ = menu->addSeparator();
                break;
            case MenuItem::kCommand: menu->addAction(action(item.command)); break;
            }
        }
    }
}

void MainWindow::createToolBar() {
    QToolBar* bar = addToolBar(tr("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(16, 16));
    const MenuItem buttons[] = {
        Command::kFileNew,     Command::kFileOpen,  Command::kFileSave,    kSeparator,
        Command::kEditCut,     Command::kEditCopy,  Command::kEditPaste,   kSeparator,
        Command::kFilePrint,   Command::kAppAbout,  Command::kContextHelp, kSeparator,
        Command::kRenderImage, Command::kRenderStop};
    for (const MenuItem& item : buttons) {
        if (item.kind == MenuItem::kCommand) {
            bar->addAction(action(item.command));
        } else {
            bar->addSeparator();
        }
    }
    QAction* toggle = action(Command::kViewToolbar);
    connect(toggle, &QAction::toggled, bar, &QToolBar::setVisible);
    connect(bar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

} // namespace trevalin
