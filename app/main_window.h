// The main window: the splitter with the image view and the settings pane, and
// the one sequence that moves a parameter set between the pages and the
// document and renders it. The commands live in main_window_actions.cpp (one
// table), the document's file in main_window_file.cpp.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <map>
#include <memory>

#include "app/command.h"
#include "app/frame_operations.h"
#include "app/pages/settings_pane.h"
#include "app/recent_files.h"

class QAction;
class QMenu;
class QPrinter;
class QSplitter;
class QTextBrowser;
class QDialog;
class QSettings;
class QUndoStack;

namespace trevalin {

struct CompileFailure;

class Document;
class ImageView;
class LockKeyIndicators;
class RenderJob;
class RenderStatusLabel;

class ImagePrinting;
class SplitMode;
struct ViewState;

class MainWindow : public QMainWindow, public FrameOperations {
    Q_OBJECT
  public:
    MainWindow(Document& doc, RenderJob& job, QWidget* parent = nullptr,
               SettingsPane::PageFactory movieOptions = {});
    ~MainWindow() override;

    // FrameOperations
    void collectSettings(RenderSettings& out) override;
    void applySettingsAndRender() override;
    void zoomIn(double fx, double fy) override;
    void zoomOut() override;
    void onRenderImage() override;
    void getDocumentSettings(RenderSettings& out) const override;

    void zoomToRectangle(double fx0, double fy0, double fx1, double fy1) override;
    void zoomAbout(double fx, double fy, double scale) override;
    void pan(double dfx, double dfy) override;

    void onRenderStop();
    void onRenderMovie();
    void onImageSize();
    void onImageSource();
    void onAppAbout();
    void onHelpTopics();

    void onFileNew();
    void onFileOpen();
    bool onFileSave();
    bool onFileSaveAs();
    // Opens path as the document (asks nothing); false after telling the user why.
    bool openDocumentFile(const QString& path);
    // For a PNG that carries the settings it was made with: asks whether to
    // load them, and does when told to. True when they were loaded.
    bool offerPictureSettings(const QString& path);
    bool saveDocument(const QString& path);
    // Asks to save a changed document; false when the user cancels.
    bool saveModified();

    // image > Size without the dialog: a new picture, rendered at that size.
    bool resizeImage(int width, int height);
    // The pages and the document take record, which is rendered; no undo step.
    void startWith(const RenderSettings& record);
    // Renders what the pages show when it differs from the document and compiles.
    void previewPages();
    bool livePreview() const;
    void copyPicture();
    void copySettings();
    // Loads presets-file text; false after telling the user why.
    bool pasteSettings(const QString& text);
    // Window geometry, divider, tab, image size, settings and live preview.
    void saveLayout(QSettings& settings) const;
    // False on a first start (nothing saved): the window then fits the screen.
    bool restoreLayout(QSettings& settings, RenderSettings* record);

    QUndoStack* undoStack() const { return undo_; }
    QAction* action(Command id) const;
    ImageView* view() const { return view_; }
    SettingsPane* tabs() const { return tabs_; }
    QSplitter* splitter() const { return splitter_; }
    LockKeyIndicators* indicators() const { return indicators_; }
    RenderStatusLabel* renderStatus() const { return renderStatus_; }
    const RecentFileList& recentFiles() const { return recent_; }
    QString documentPath() const { return path_; }
    QString presetName() const { return presetName_; }
    // Shown in the title and suggested by save As.
    void setPresetName(const QString& name);
#ifdef TREVALIN_HAVE_PRINTING
    // The picture, as large as the page allows; false when nothing was printed.
    bool printImage(QPrinter* printer);
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
    ViewState currentState() const;
    void applyState(const ViewState& state);
    // Pushes the change from before to now as one undo step named label.
    void pushStep(const QString& label, const ViewState& before, int mergeId = -1);
    void clearImage();
    // Live preview: the pages' edits start a render after a pause.
    void watchPages();
    void schedulePreview(int delayMs);
    void zoom(bool in, double fx, double fy);
    // Shows what the last compile refused: in the status band, the status bar
    // and on the pages' fields.
    void showCompileFailures();
    // "Red: parse error at column 4: ...", the field named by its label.
    QString failureMessage(const CompileFailure& failure);
    // When a formula the render reads does not compile: says which, puts the
    // caret at the place and returns true; the render must not start.
    bool refuseFailedFormulas();
    void setDocumentPath(const QString& path);
    void setModified(bool modified);
    // The picture is changed only when it differs from the one on disk (or the
    // first one): a render of the saved state again is no change.
    void pictureRendering();
    void pictureRendered();
    // The picture now is the one on disk.
    void markClean();
    void updateTitle();
    void rebuildRecentMenu();
    void rememberFile(const QString& path);
    void focusNextPane(bool forward);

    Document& doc_;
    RenderJob& job_;
    QSplitter* splitter_ = nullptr;
    ImageView* view_ = nullptr;
    SettingsPane* tabs_ = nullptr;
    std::map<Command, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    RecentFileList recent_;
    QString path_;
    QPointer<QDialog> help_;
    LockKeyIndicators* indicators_ = nullptr;
    RenderStatusLabel* renderStatus_ = nullptr;
#ifdef TREVALIN_HAVE_PRINTING
    ImagePrinting* printing_ = nullptr;
#endif
    SplitMode* splitMode_ = nullptr;
    QUndoStack* undo_ = nullptr;
    QString presetName_; // of the last preset loaded or pasted
    // What the last still was rendered from, and the state whose finished
    // still is on disk; null when the picture came from elsewhere.
    std::shared_ptr<const ViewState> renderedState_;
    std::shared_ptr<const ViewState> cleanState_;
    bool savedWhileRendering_ = false;
    QTimer previewTimer_;
    bool applying_ = false; // the pages are being loaded: their signals are not edits
};

} // namespace trevalin
