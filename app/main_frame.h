// The main window: the splitter with the image view and the settings pane, and
// the one sequence that moves a parameter set between the pages and the
// document and renders it. The commands live in main_frame_actions.cpp (one
// table), the document's file in main_frame_file.cpp.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <memory>

#include "app/frame_operations.h"
#include "app/pages/tab_view.h"
#include "app/recent_files.h"

class QAction;
class QMenu;
class QPrinter;
class QSplitter;
class QTextBrowser;
class QDialog;

namespace trevalin {

struct CompileFailure;

class CTrevalinDoc;
class CTrevalinView;
class LockKeyIndicators;
class RenderJob;

// Command ids of the menus and toolbar, as the program has always numbered them.
enum CommandId : int {
    kFileNew = 57600,
    kFileOpen = 57601,
    kFileSave = 57603,
    kFileSaveAs = 57604,
    kFilePrintSetup = 57606,
    kFilePrint = 57607,
    kFilePrintPreview = 57609,
    kFileMruFirst = 57616,
    kAppExit = 57665,
    kEditUndo = 57643,
    kEditRedo = 57644,
    kEditCut = 57635,
    kEditCopy = 57634,
    kEditPaste = 57637,
    kViewToolbar = 59392,
    kViewStatusBar = 59393,
    kWindowSplit = 57653,
    kViewZoomIn = 32790,
    kViewZoomOut = 32791,
    kImageSize = 32773,
    kImageSource = 32782,
    kPresetsView = 32774,
    kPresetsSave = 32775,
    kRenderImage = 32771,
    kRenderMovie = 32779,
    kRenderStop = 32772,
    kHelpIndex = 57667,
    kAppAbout = 57664,
    kContextHelp = 57669,
    kFocusNextPane = 57680,
    kFocusPreviousPane = 57681,
};

class ImagePrinting;
class SplitMode;

class CMainFrame : public QMainWindow, public FrameOperations {
    Q_OBJECT
  public:
    CMainFrame(CTrevalinDoc& doc, RenderJob& job, QWidget* parent = nullptr,
               CMyTabView::PageFactory movieOptions = {});
    ~CMainFrame() override;

    // FrameOperations
    void CollectSettings(RenderSettings& out) override;
    void ApplySettingsAndRender() override;
    void ZoomIn(double fx, double fy) override;
    void ZoomOut() override;
    void OnRenderImage() override;
    void GetDocumentSettings(RenderSettings& out) const override;

    void OnRenderStop();
    void OnRenderMovie();
    void OnImageSize();
    void OnImageSource();
    void OnAppAbout();
    void OnHelpTopics();

    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Opens path as the document (asks nothing); false after telling the user why.
    bool OpenDocumentFile(const QString& path);
    bool SaveDocument(const QString& path);
    // Asks to save a changed document; false when the user cancels.
    bool SaveModified();

    QAction* Action(int id) const;
    CTrevalinView* View() const { return view_; }
    CMyTabView* Tabs() const { return tabs_; }
    QSplitter* Splitter() const { return splitter_; }
    LockKeyIndicators* Indicators() const { return indicators_; }
    const RecentFileList& RecentFiles() const { return recent_; }
    QString DocumentPath() const { return path_; }
#ifdef TREVALIN_HAVE_PRINTING
    // The picture, as large as the page allows; false when nothing was printed.
    bool PrintImage(QPrinter* printer);
#endif

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    struct ActionRow;
    static const ActionRow kActionRows[];
    // Actions, menus and toolbar from the command table.
    void createActions();
    void createMenus();
    void createToolBar();

    // Stops the job; the pages show `shown` unless it is null, the document
    // takes `record` unless it is null; then what failed to compile is reported.
    // Every render command starts with this.
    void applySettings(const RenderSettings* record, const RenderSettings* shown);
    // A copy of the document's record with the pages' values written over it.
    std::unique_ptr<RenderSettings> pagesRecord();
    void renderStill();
    void Zoom(bool in, double fx, double fy);
    // Shows what the last compile refused: in the status band, the status bar
    // and on the pages' fields.
    void ShowCompileFailures();
    // "Red: parse error at column 4: ...", the field named by its label.
    QString failureMessage(const CompileFailure& failure);
    // When a formula the render reads does not compile: says which, puts the
    // caret at the place and returns true; the render must not start.
    bool refuseFailedFormulas();
    void SetDocumentPath(const QString& path);
    void SetModified(bool modified);
    void UpdateTitle();
    void RebuildRecentMenu();
    void RememberFile(const QString& path);
    void FocusNextPane(bool forward);

    CTrevalinDoc& doc_;
    RenderJob& job_;
    QSplitter* splitter_ = nullptr;
    CTrevalinView* view_ = nullptr;
    CMyTabView* tabs_ = nullptr;
    std::map<int, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    RecentFileList recent_;
    QString path_;
    QPointer<QDialog> help_;
    LockKeyIndicators* indicators_ = nullptr;
#ifdef TREVALIN_HAVE_PRINTING
    ImagePrinting* printing_ = nullptr;
#endif
    SplitMode* splitMode_ = nullptr;
};

} // namespace trevalin
