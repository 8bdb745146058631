// Shared by the desktop program's tests: the main window with its document and
// job, a Movie Options page that writes known
// values and remembers what it was given, the settings pane in a window,
// waiting for renders, collecting warnings, and keeping the tests' settings
// away from the user's.
#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include "app/frame_operations.h"
#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/field_edit.h"
#include "app/pages/formulas_page.h"
#include "app/pages/settings_page.h"
#include "app/pages/settings_pane.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "render/document.h"
#include "render/render_job.h"
#include "render/render_settings.h"

namespace trevalin::testing {

inline void isolateSettings() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TrevalinTests"));
    QCoreApplication::setApplicationName(QStringLiteral("TrevalinTests"));
}

inline std::unique_ptr<RenderSettings> zeroSettings() {
    return std::make_unique<RenderSettings>();
}

// Sends the warnings the program would show to into, emptied first.
inline void collectWarnings(QStringList& into) {
    into.clear();
    setWarningHook([&into](const QString& text) { into << text; });
}

// Puts the real dialogs back, so that no test answers for the next one.
inline void clearMessageHooks() {
    setWarningHook(nullptr);
    setSaveQuestionHook(nullptr);
    setSaveFileHook(nullptr);
    setPictureSettingsQuestionHook(nullptr);
    setOverwriteFramesQuestionHook(nullptr);
}

// Stands in for the Movie Options page: its zoom text and slider position,
// and the last record it was loaded from.
class FakeMoviePage : public SettingsPage {
  public:
    explicit FakeMoviePage(SettingsPane* tabs) : SettingsPage(tabs) {}

    bool saveToSettings(RenderSettings& out) override {
        ++saves;
        if (refuse) return false;
        setFormulaText(out.zoom, zoom.toUtf8().constData());
        out.time = time;
        return true;
    }
    void loadFromSettings(const RenderSettings& in) override {
        ++loads;
        zoom = QString::fromUtf8(in.zoom.text);
        time = in.time;
    }
    void runFocusSequence() override {
        tabs_->runSequence({this, tabs_->formulasPage(), tabs_->coordsPage()}, {this});
    }

    QString zoom = QStringLiteral("1");
    int time = 0;
    bool refuse = false;
    int saves = 0;
    int loads = 0;
};

// Stands in for the main frame: counts renders, records zooms, and holds the
// document's record that sequences start from.
class RecordingFrame : public FrameOperations {
  public:
    RecordingFrame() : doc(zeroSettings()) {}
    void collectSettings(RenderSettings&) override {}
    void applySettingsAndRender() override {}
    void zoomIn(double x, double y) override {
        ++ins;
        fx = x;
        fy = y;
    }
    void zoomOut() override { ++outs; }
    void onRenderImage() override { ++renders; }
    void getDocumentSettings(RenderSettings& out) const override { out = *doc; }

    std::unique_ptr<RenderSettings> doc;
    int renders = 0;
    int ins = 0;
    int outs = 0;
    double fx = -1;
    double fy = -1;
};

// The pane with all its pages in a window, and an edit beside it to take the
// focus. movieOptions makes the Movie Options page; the default, the real one.
struct PagesPane {
    explicit PagesPane(SettingsPane::PageFactory movieOptions = {}) {
        auto* layout = new QHBoxLayout(&window);
        tabs = new SettingsPane(&window, std::move(movieOptions));
        outside = new QLineEdit(&window);
        layout->addWidget(tabs);
        layout->addWidget(outside);
        tabs->setFrame(&frame);
        a = tabs->formulasPage();
        b = tabs->coordsPage();
    }
    void show() {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    RecordingFrame frame;
    SettingsPane* tabs = nullptr;
    QLineEdit* outside = nullptr;
    FormulasPage* a = nullptr;
    CoordsPage* b = nullptr;
};

// The program's main window with its document and render job, not yet shown.
// movieOptions makes the Movie Options page; the default, the real one.
struct ProgramWindow {
    explicit ProgramWindow(SettingsPane::PageFactory movieOptions = {})
        : frame(doc, job, nullptr, std::move(movieOptions)) {}
    ~ProgramWindow() { frame.view()->stopRender(); }

    FormulasPage* a() { return frame.tabs()->formulasPage(); }
    CoordsPage* b() { return frame.tabs()->coordsPage(); }
    // The region on the Coords page, square: the height is the width.
    void setRegion(const char* left, const char* top, const char* width, bool center) {
        b()->leftEdit()->setText(left);
        b()->topEdit()->setText(top);
        b()->widthEdit()->setText(width);
        b()->heightEdit()->setText(width);
        b()->centerBox()->setChecked(center);
    }
    void setColour(const char* red, const char* green, const char* blue) {
        a()->redEdit()->setText(red);
        a()->greenEdit()->setText(green);
        a()->blueEdit()->setText(blue);
    }

    RenderJob job;
    Document doc;
    MainWindow frame;
};

// Waits for the job to end by itself, letting queued repaints through.
inline bool waitForJob(RenderJob& job, int timeoutMs = 20000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (job.running()) {
        if (std::chrono::steady_clock::now() > until) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    QCoreApplication::processEvents();
    return true;
}

inline QString text(const FormulaSlot& slot) {
    return QString::fromUtf8(slot.text);
}

} // namespace trevalin::testing
