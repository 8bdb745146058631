// The main window: its menus, the sequences that move parameter sets between
// the pages and the document, zooming with the mouse, the document's file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUndoStack>
#include <functional>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>

#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_options_page.h"
#include "app/render_status_label.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "app/view/view_geometry.h"
#include "app_test_support.h"
#include "presets/picture_preset.h"
#include "presets/png_file.h"
#include "presets/preset_text.h"
#include "render/document.h"
#include "render/render_job.h"

#ifdef TREVALIN_HAVE_PRINTING
#include <QPrinter>
#endif

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// One program's worth of objects, in the order the application makes them.
struct Program : ProgramWindow {
    explicit Program(SettingsPane::PageFactory movie = {}) : ProgramWindow(std::move(movie)) {
        frame.show();
    }
    std::uint32_t pixel(int x, int y) {
        std::lock_guard<std::recursive_mutex> lock(job.lock());
        return doc.image().row(y)[x];
    }
    // Clicks the view at the image point (fx, fy).
    void click(Qt::MouseButton button, double fx, double fy) {
        ImageView* view = frame.view();
        const ImagePlacement p =
            placeImage(view->width(), view->height(), doc.imageWidth(), doc.imageHeight());
        const QPoint at(p.left + int(fx * p.width), p.top + int(fy * p.height));
        QTest::mouseClick(view, button, {}, at);
    }
};

QString docText(const Document& doc, FormulaSlot RenderSettings::*slot) {
    return text(doc.settings().*slot);
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() {
        collectWarnings(warnings);
        setSaveQuestionHook([this](const QString& name) {
            questions << name;
            return answer;
        });
        questions.clear();
        answer = SaveAnswer::Discard;
    }
    void cleanup() { clearMessageHooks(); }

    void menusAndDisabledItems();
    void renderImageUsesThePages();
    void movieOptionsPageWritesLast();
    void zoomOutRewritesRegionAndReloadsPages();
    void twoOutsAndInAtCentreDoubleTheWidth();
    void clickInScaledViewZoomsAboutPointUnderCursor();
    void failedFormulaIsNamedAndMarked();
    void saveAndOpenBmpKeepsPixels();
    void openTakesTheFilesSize();
    void pngSaveAndOpen();
    void pngCarriesTheSettings();
    void unreadableFileIsRefused();
    void failedResizeSaysOutOfMemory();
    void recentFilesKeepFourNewestFirst();
    void droppedFileIsOpened();
    void exitAsksToSaveChangedDocument();
    void saveChangesOnlyForAChangedPicture();
    void statusBarFollowsTheRender();
    void sliderReleaseRendersAtNewTime();
    void helpTopicsShowsReference();
    void splitMovesDividerFromKeyboard();
    void shortcutsTriggerTheirCommands();
#ifdef TREVALIN_HAVE_PRINTING
    void printsToPdf();
#endif

  private:
    QStringList warnings;
    QStringList questions;
    SaveAnswer answer = SaveAnswer::Discard;
};

void MainFrameTest::menusAndDisabledItems() {
    Program p;
    QStringList titles;
    for (QAction* menu : p.frame.menuBar()->actions())
        titles << menu->text();
    QCOMPARE(titles,
             (QStringList{"&File", "&Edit", "&View", "&Image", "&Presets", "&Render", "&Help"}));
    // Undo has nothing to undo yet; Cut and Paste have no handlers.
    for (Command id : {Command::kEditUndo, Command::kEditRedo, Command::kEditCut,
                       Command::kEditPaste, Command::kPresetsView, Command::kPresetsSave}) {
        QVERIFY2(p.frame.action(id), qPrintable(QString::number(int(id))));
        QVERIFY2(!p.frame.action(id)->isEnabled(), qPrintable(QString::number(int(id))));
    }
    for (Command id :
         {Command::kFileNew, Command::kFileOpen, Command::kFileSave, Command::kFileSaveAs,
          Command::kImageSize, Command::kImageSource, Command::kRenderImage, Command::kRenderStop,
          Command::kHelpIndex, Command::kAppAbout, Command::kAppExit, Command::kEditCopy,
          Command::kEditCopySettings, Command::kEditPasteSettings, Command::kViewLivePreview}) {
        QVERIFY2(p.frame.action(id)->isEnabled(), qPrintable(QString::number(int(id))));
    }
    // The edits keep their own editing keys although the Edit items carry them.
    Program q;
    q.frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
    QLineEdit* red = q.a()->redEdit();
    red->setFocus();
    red->setText("abc");
    red->selectAll();
    QTest::keyClick(red, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(red->text(), QString());
    QTest::keyClick(red, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(red->text(), QString("abc"));
}

void MainFrameTest::renderImageUsesThePages() {
    Program p;
    QVERIFY(p.doc.setImageSize(16, 8));
    p.setColour("255", "x*0+128", "0");
    p.setRegion("0", "0", "16", false);
    QVERIFY(!p.frame.isWindowModified());
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    QCOMPARE(docText(p.doc, &RenderSettings::red), QString("255"));
    QCOMPARE(docText(p.doc, &RenderSettings::grn), QString("x*0+128"));
    QCOMPARE(p.doc.settings().colormode, 1);
    QCOMPARE(p.pixel(0, 0), 0xFF8000u);
    QCOMPARE(p.pixel(15, 7), 0xFF8000u);
    QVERIFY(p.frame.isWindowModified());
    QTRY_VERIFY(p.frame.view()->statusText().startsWith("elapsed: "));
}

void MainFrameTest::movieOptionsPageWritesLast() {
    FakeMoviePage* movie = nullptr;
    Program p([&](SettingsPane* tabs) { return movie = new FakeMoviePage(tabs); });
    // Moving the slider runs the slider sequence, which loads the Movie Options
    // page; set its values after that.
    p.a()->timeSlider()->setValue(10);
    p.b()->zoomEdit()->setText("1.0");
    movie->zoom = "0.9";
    movie->time = 60;
    p.frame.onRenderImage();
    QCOMPARE(docText(p.doc, &RenderSettings::zoom), QString("0.9"));
    QCOMPARE(p.doc.settings().time, 60);
    QVERIFY(waitForJob(p.job));
}

void MainFrameTest::zoomOutRewritesRegionAndReloadsPages() {
    FakeMoviePage* movie = nullptr;
    Program p([&](SettingsPane* tabs) { return movie = new FakeMoviePage(tabs); });
    p.setRegion("-2", "-2", "4", false);
    p.setColour("x", "y", "0");
    p.frame.onRenderImage();
    // An edit not rendered yet is replaced by the document's value.
    p.a()->redEdit()->setText("not rendered");
    movie->zoom = "1.05";
    const int loads = movie->loads;
    p.click(Qt::RightButton, 0.5, 0.5);
    QCOMPARE(docText(p.doc, &RenderSettings::left), QString("-4"));
    QCOMPARE(docText(p.doc, &RenderSettings::top), QString("-4"));
    QCOMPARE(docText(p.doc, &RenderSettings::width), QString("8"));
    QCOMPARE(docText(p.doc, &RenderSettings::height), QString("8"));
    QCOMPARE(p.b()->leftEdit()->text(), QString("-4"));
    QCOMPARE(p.b()->widthEdit()->text(), QString("8"));
    QCOMPARE(p.a()->redEdit()->text(), QString("x"));
    // The pages load the Movie Options page's zoom, the document keeps its own.
    QCOMPARE(p.b()->zoomEdit()->text(), QString("1.05"));
    QCOMPARE(movie->loads, loads + 1);
    QVERIFY(p.job.running() || p.job.finished());
    QVERIFY(waitForJob(p.job));
}

void MainFrameTest::twoOutsAndInAtCentreDoubleTheWidth() {
    Program p;
    p.setRegion("-2", "-3", "4", false);
    p.frame.onRenderImage();
    p.click(Qt::RightButton, 0.1, 0.9);
    p.click(Qt::RightButton, 0.7, 0.2);
    p.click(Qt::LeftButton, 0.5, 0.5);
    QCOMPARE(docText(p.doc, &RenderSettings::width), QString("8"));
    const double left = docText(p.doc, &RenderSettings::left).toDouble();
    const double top = docText(p.doc, &RenderSettings::top).toDouble();
    QCOMPARE(left + 4, 0.0); // centre x as before: -2 + 4/2
    QCOMPARE(top + 4, -1.0); // centre y as before: -3 + 4/2
    QVERIFY(waitForJob(p.job));
}

void MainFrameTest::clickInScaledViewZoomsAboutPointUnderCursor() {
    Program p;
    QVERIFY(p.doc.setImageSize(1000, 1000)); // larger than the pane: drawn scaled down
    p.setRegion("0", "0", "1000", false);
    p.setColour("0", "0", "0");
    p.frame.onRenderImage();
    ImageView* view = p.frame.view();
    QVERIFY(view->width() < 1000);
    p.click(Qt::LeftButton, 0.25, 0.75);
    // The new region is centred on the clicked image point (250, 750).
    const double left = docText(p.doc, &RenderSettings::left).toDouble();
    const double top = docText(p.doc, &RenderSettings::top).toDouble();
    const double width = docText(p.doc, &RenderSettings::width).toDouble();
    QCOMPARE(width, 500.0);
    const double pixel = 1000.0 / std::min(view->width(), view->height());
    QVERIFY2(std::abs(left + 250 - 250) <= 2 * pixel, qPrintable(QString::number(left)));
    QVERIFY2(std::abs(top + 250 - 750) <= 2 * pixel, qPrintable(QString::number(top)));
    p.frame.onRenderStop();
}

void MainFrameTest::failedFormulaIsNamedAndMarked() {
    Program p;
    QVERIFY(p.doc.setImageSize(8, 8));
    p.setRegion("0", "0", "8", false);
    p.setColour("px*30", "0", "0");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    const std::uint32_t before = p.pixel(1, 0);
    QCOMPARE(before, 0x1E0000u);

    // A failing formula the render reads: named by its label, marked, caret at
    // the place, and the picture is left as it was.
    p.setColour("x +", "y", "0");
    p.b()->p0Edit()->setText("(");
    p.frame.onRenderImage();
    const QString redError =
        "Red: parse error at column 4: unexpected end of formula, expected a value";
    QCOMPARE(
        p.frame.view()->statusText(),
        "Not rendered: " + redError +
            "; p0: parse error at column 2: unexpected end of formula, expected a value or ')'");
    QVERIFY(!p.job.running());
    QCOMPARE(p.pixel(1, 0), before);
    QVERIFY(p.a()->redEdit()->property("compileError").toBool());
    QCOMPARE(p.a()->redEdit()->toolTip(), redError);
    QCOMPARE(p.a()->redEdit()->cursorPosition(), 3);
    QVERIFY(p.frame.tabs()->currentWidget()->isAncestorOf(p.a()->redEdit()));
    QVERIFY(!p.a()->greenEdit()->property("compileError").toBool());
    QVERIFY(p.b()->p0Edit()->property("compileError").toBool());

    // Marks stay until the formula compiles; a warning gets the lighter mark.
    p.a()->redEdit()->setText("x + foo");
    QVERIFY(!p.a()->redEdit()->property("compileError").toBool());
    QVERIFY(p.a()->redEdit()->property("compileWarning").toBool());
    QCOMPARE(p.a()->redEdit()->toolTip(),
             QString("Red: warning at column 5: unknown name 'foo' has no value"));
    p.frame.onRenderImage();
    QVERIFY(p.frame.view()->statusText().startsWith("Not rendered: p0: parse error"));
    QVERIFY(!p.job.running());
    p.b()->p0Edit()->setText("0");
    p.frame.onRenderImage();
    QVERIFY(!p.b()->p0Edit()->property("compileError").toBool());
    QVERIFY(waitForJob(p.job));
    QTRY_VERIFY(p.frame.view()->statusText().startsWith("elapsed: "));

    // An unused formula may fail: Grayscale reads only the first.
    p.a()->colourModelButton(0)->click();
    QVERIFY(!p.a()->greenEdit()->isEnabled());
    p.a()->greenEdit()->setText("(");
    p.frame.onRenderImage();
    QVERIFY(!p.frame.view()->statusText().startsWith("Not rendered"));
    QVERIFY(waitForJob(p.job));
    QCOMPARE(p.pixel(1, 0), 0x010101u); // grey 1: x + foo at x = 1, foo reading nothing
}

void MainFrameTest::saveAndOpenBmpKeepsPixels() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.doc.setImageSize(7, 5));
    p.setRegion("0", "0", "7", false);
    p.setColour("px*30", "py*50", "px*py*7");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    std::vector<std::uint32_t> saved;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            saved.push_back(p.pixel(x, y));
    QCOMPARE(saved[1], 0x1E0000u); // (1, 0): red 30
    const QString path = dir.filePath("picture.bmp");
    QVERIFY(p.frame.saveDocument(path));
    QVERIFY(!p.frame.isWindowModified());
    QCOMPARE(p.frame.windowTitle(), QString("picture.bmp[*] - Trevalin"));

    p.setColour("0", "0", "0");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    QCOMPARE(p.pixel(1, 0), 0u);
    QVERIFY(p.frame.openDocumentFile(path));
    std::vector<std::uint32_t> opened;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            opened.push_back(p.pixel(x, y));
    QCOMPARE(opened, saved);
    QVERIFY(!p.frame.isWindowModified());
}

void MainFrameTest::openTakesTheFilesSize() {
    QTemporaryDir dir;
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    picture.setPixel(2, 1, qRgb(200, 100, 50));
    const QString path = dir.filePath("small.bmp");
    QVERIFY(picture.save(path, "BMP"));
    Program p;
    QVERIFY(p.frame.openDocumentFile(path));
    QCOMPARE(p.doc.imageWidth(), 3);
    QCOMPARE(p.doc.imageHeight(), 2);
    QCOMPARE(p.pixel(0, 0), 0x0A141Eu);
    QCOMPARE(p.pixel(2, 1), 0xC86432u);
}

void MainFrameTest::pngSaveAndOpen() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.doc.setImageSize(4, 4));
    p.setRegion("0", "0", "4", false);
    p.setColour("px*60", "py*60", "200");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    const QString path = dir.filePath("picture.png");
    QVERIFY(p.frame.saveDocument(path));
    QImage written(path);
    QCOMPARE(written.size(), QSize(4, 4));
    QCOMPARE(written.pixel(3, 2) & 0xFFFFFF, p.pixel(3, 2));

    Program q;
    QVERIFY(q.frame.openDocumentFile(path));
    QCOMPARE(q.doc.imageWidth(), 4);
    QCOMPARE(q.pixel(3, 2), p.pixel(3, 2));
}

// A PNG the program saves carries its settings as the command line writes
// them; opening it shows the picture and offers them, and yes loads them.
void MainFrameTest::pngCarriesTheSettings() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.frame.resizeImage(7, 5));
    p.setRegion("-1.5", "0.25", "3", true);
    p.setColour("x*y+t", "sin(x*3)", "200");
    p.a()->minEdit()->setText("-0.5");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    p.frame.setPresetName("Chunk test");
    const QString path = dir.filePath("with settings.png");
    QVERIFY(p.frame.saveDocument(path));
    const std::string saved = presetText(p.doc.settings(), "Chunk test");

    // The chunk, read as trevalin-render --from reads it.
    std::string text, error;
    QVERIFY2(readPngPresetText(QFile::encodeName(path).toStdString(), text, error), error.c_str());
    const PicturePreset chunk = readPictureChunk(text);
    QVERIFY2(chunk.error.empty(), chunk.error.c_str());
    QCOMPARE(chunk.width, 7);
    QCOMPARE(chunk.height, 5);
    QCOMPARE(chunk.settings->time, p.doc.settings().time);
    QCOMPARE(presetText(*chunk.settings, chunk.name), saved);

    struct Case {
        bool yes;
        bool loaded;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        Program q;
        QStringList asked;
        setPictureSettingsQuestionHook([&](const QString& name) {
            asked << name;
            return c.yes;
        });
        const std::string before = presetText(q.doc.settings(), "Chunk test");
        QVERIFY(before != saved);
        QVERIFY(q.frame.openDocumentFile(path));
        QCOMPARE(q.frame.offerPictureSettings(path), c.loaded);
        QCOMPARE(asked, QStringList{"Chunk test"});
        QCOMPARE(q.doc.imageWidth(), 7);
        QCOMPARE(q.pixel(6, 4), p.pixel(6, 4));
        QCOMPARE(presetText(q.doc.settings(), "Chunk test"), c.loaded ? saved : before);
        if (c.loaded) QCOMPARE(q.a()->redEdit()->text(), QString("x*y+t"));
    }

    // A BMP, and a PNG from elsewhere, carry nothing: no question.
    QStringList asked;
    setPictureSettingsQuestionHook([&](const QString& name) {
        asked << name;
        return true;
    });
    const QString bmp = dir.filePath("plain.bmp");
    const QString other = dir.filePath("other.png");
    QVERIFY(p.frame.saveDocument(bmp));
    QImage(3, 3, QImage::Format_RGB32).save(other);
    Program r;
    for (const QString& file : {bmp, other}) {
        QVERIFY(r.frame.openDocumentFile(file));
        QVERIFY(!r.frame.offerPictureSettings(file));
    }
    QVERIFY(asked.isEmpty());
}

void MainFrameTest::unreadableFileIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("junk.bmp");
    QFile junk(path);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("BM this is not a picture");
    junk.close();
    Program p;
    QVERIFY(p.doc.setImageSize(9, 9));
    QVERIFY(!p.frame.openDocumentFile(path));
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings[0].startsWith("Failed to open document."));
    QCOMPARE(p.doc.imageWidth(), 9);
    QVERIFY(p.frame.documentPath().isEmpty());

    // A save that cannot be written says so and keeps the document's name.
    warnings.clear();
    QVERIFY(!p.frame.saveDocument(dir.filePath("missing/folder/x.bmp")));
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings[0].startsWith("Failed to save document."));
}

// The Size dialog checks the memory first, but what the system reports can be
// gone by the time the picture is made: a failed allocation says so and keeps
// the picture as it was.
void MainFrameTest::failedResizeSaysOutOfMemory() {
    Program p;
    QVERIFY(p.frame.resizeImage(32, 24));
    std::size_t pages = 0;
    {
        std::ifstream statm("/proc/self/statm");
        statm >> pages;
    }
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_AS, &saved), 0);
    // Room for 256 MB more; 16000 x 16000 needs 1 GB.
    rlimit tight = saved;
    tight.rlim_cur = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (256u << 20);
    QCOMPARE(::setrlimit(RLIMIT_AS, &tight), 0);
    const bool resized = p.frame.resizeImage(16000, 16000);
    QCOMPARE(::setrlimit(RLIMIT_AS, &saved), 0);
    QVERIFY(!resized);
    QCOMPARE(warnings, QStringList{QStringLiteral(
                           "Out of memory: the image could not be made 16000 × 16000 pixels; it "
                           "keeps its size.")});
    QCOMPARE(p.doc.imageWidth(), 32);
    QCOMPARE(p.doc.imageHeight(), 24);
}

void MainFrameTest::recentFilesKeepFourNewestFirst() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.doc.setImageSize(2, 2));
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << dir.filePath(QStringLiteral("f%1.bmp").arg(i));
        QVERIFY(p.frame.saveDocument(paths.last()));
    }
    QVERIFY(p.frame.openDocumentFile(paths[2]));
    const QStringList expected = {paths[2], paths[4], paths[3], paths[1]};
    QCOMPARE(p.frame.recentFiles().files(), expected);
    // Kept in the settings for the next start.
    Program next;
    QCOMPARE(next.frame.recentFiles().files(), expected);
    QVERIFY(next.frame.action(Command::kFileRecentFirst)->text().endsWith("f2.bmp"));
}

void MainFrameTest::droppedFileIsOpened() {
    QTemporaryDir dir;
    QImage picture(5, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = dir.filePath("dropped.bmp");
    QVERIFY(picture.save(path, "BMP"));
    Program p;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&p.frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&p.frame, &drop);
    QCOMPARE(p.doc.imageWidth(), 5);
    QCOMPARE(p.doc.imageHeight(), 6);
    QCOMPARE(p.pixel(4, 5), 0xFF0000u);
    QCOMPARE(p.frame.documentPath(), QFileInfo(path).absoluteFilePath());
}

void MainFrameTest::exitAsksToSaveChangedDocument() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.doc.setImageSize(4, 4));
    QVERIFY(p.frame.saveModified()); // unchanged: nothing asked
    QVERIFY(questions.isEmpty());
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));

    answer = SaveAnswer::Cancel;
    QVERIFY(!p.frame.close());
    QCOMPARE(questions, QStringList{"Untitled"});
    QVERIFY(p.frame.isVisible());

    // Saving a document with a name writes it and lets the window close.
    const QString path = dir.filePath("named.bmp");
    QVERIFY(p.frame.saveDocument(path));
    p.setColour("255", "0", "0"); // a picture that differs from the file
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    QFile::remove(path);
    answer = SaveAnswer::Save;
    QVERIFY(p.frame.close());
    QCOMPARE(questions.last(), QString("named.bmp"));
    QVERIFY(QFile::exists(path));

    Program q;
    q.frame.onRenderImage();
    QVERIFY(waitForJob(q.job));
    answer = SaveAnswer::Discard;
    QVERIFY(q.frame.close());
}

void MainFrameTest::saveChangesOnlyForAChangedPicture() {
    QTemporaryDir dir;
    const QString file = dir.filePath("saved.bmp");
    auto start = [](Program& p) {
        QVERIFY(p.doc.setImageSize(8, 8));
        p.setColour("x*30", "y*30", "0");
        p.setRegion("0", "0", "8", false);
        auto record = std::make_unique<RenderSettings>();
        p.doc.getSettings(*record);
        p.frame.collectSettings(*record);
        p.frame.startWith(*record);
        QVERIFY(waitForJob(p.job));
    };
    const struct {
        const char* name;
        std::function<void(Program&)> steps;
        bool asked;
    } cases[] = {
        {"the first picture", [](Program&) {}, false},
        {"rendered again", [](Program& p) { p.frame.onRenderImage(); }, false},
        {"zoomed", [](Program& p) { p.frame.zoomIn(0.5, 0.5); }, true},
        {"a setting only movies read",
         [](Program& p) {
             static_cast<MovieOptionsPage*>(p.frame.tabs()->movieOptionsPage())
                 ->seamlessBox()
                 ->setChecked(true);
             p.frame.onRenderImage();
         },
         false},
        {"zoomed and undone",
         [](Program& p) {
             p.frame.zoomIn(0.5, 0.5);
             p.frame.undoStack()->undo();
         },
         false},
        {"resized", [](Program& p) { QVERIFY(p.frame.resizeImage(9, 9)); }, true},
        {"saved, then rendered again",
         [&](Program& p) {
             p.frame.zoomIn(0.5, 0.5);
             QVERIFY(waitForJob(p.job));
             QVERIFY(p.frame.saveDocument(file));
             p.frame.onRenderImage();
         },
         false},
        {"saved, then zoomed out",
         [&](Program& p) {
             QVERIFY(p.frame.saveDocument(file));
             p.frame.zoomOut();
         },
         true},
        {"saved, zoomed and undone",
         [&](Program& p) {
             QVERIFY(p.frame.saveDocument(file));
             p.frame.zoomOut();
             p.frame.undoStack()->undo();
         },
         false},
        {"opened", [&](Program& p) { QVERIFY(p.frame.openDocumentFile(file)); }, false},
        {"opened, then rendered over",
         [&](Program& p) {
             QVERIFY(p.frame.openDocumentFile(file));
             p.frame.onRenderImage();
         },
         true},
        {"saved half drawn",
         [&](Program& p) {
             // Points inside the set: far too slow to end before the save.
             p.setColour("mandel()", "0", "0");
             p.setRegion("-0.1", "-0.1", "0.2", false);
             p.b()->recursionEdit()->setText("100000");
             QVERIFY(p.frame.resizeImage(400, 400));
             p.frame.onRenderImage();
             QVERIFY(p.job.running());
             QVERIFY(p.frame.saveDocument(file));
             QVERIFY(!p.frame.isWindowModified());
             p.frame.onRenderStop();
         },
         true},
    };
    for (const auto& c : cases) {
        Program p;
        start(p);
        c.steps(p);
        QVERIFY(waitForJob(p.job));
        QTRY_VERIFY(!p.frame.view()->hasWorker()); // the end of the render has been seen
        questions.clear();
        answer = SaveAnswer::Discard;
        QVERIFY2(p.frame.close(), c.name);
        QVERIFY2(questions.isEmpty() != c.asked, c.name);
    }
}

void MainFrameTest::statusBarFollowsTheRender() {
    Program p;
    QLabel* status = p.frame.renderStatus();
    QCOMPARE(status->text(), QString("Ready"));
    // Points inside the set: the render is far from done when it is stopped.
    QVERIFY(p.doc.setImageSize(400, 400));
    p.setColour("mandel()", "0", "0");
    p.setRegion("-0.1", "-0.1", "0.2", false);
    p.b()->recursionEdit()->setText("100000");
    p.frame.onRenderImage();
    QVERIFY(p.job.running());
    QVERIFY2(QRegularExpression("^Pass [1-5] of 5, \\d+%").match(status->text()).hasMatch(),
             qPrintable(status->text()));
    QVERIFY(!status->text().contains("Ready"));
    p.frame.onRenderStop();
    QCOMPARE(status->text(), QString("Stopped"));

    QVERIFY(p.doc.setImageSize(4, 4));
    p.setColour("x", "y", "0");
    p.b()->recursionEdit()->setText("10");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    QTRY_VERIFY2(status->text().startsWith("Finished in "), qPrintable(status->text()));
}

void MainFrameTest::sliderReleaseRendersAtNewTime() {
    Program p;
    QVERIFY(p.doc.setImageSize(4, 4));
    p.frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
    QSlider* slider = p.a()->timeSlider();
    QTRY_VERIFY(slider->isVisible());
    slider->setValue(50);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(slider->width() / 2, slider->height() / 2));
    QTRY_COMPARE(p.doc.settings().time, 50);
    QVERIFY(waitForJob(p.job));
}

void MainFrameTest::helpTopicsShowsReference() {
    Program p;
    p.frame.onHelpTopics();
    auto* browser = p.frame.findChild<QTextBrowser*>("reference");
    QVERIFY(browser);
    const QString shown = browser->toPlainText();
    for (const char* name : {"mandel", "samptile", "fbm", "jx", "pi2"}) {
        QVERIFY2(shown.contains(QLatin1String(name)), name);
    }
}

void MainFrameTest::splitMovesDividerFromKeyboard() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    const int start = p.frame.splitter()->sizes()[0];
    p.frame.action(Command::kWindowSplit)->trigger();
    QTest::keyClick(&p.frame, Qt::Key_Right);
    QTest::keyClick(&p.frame, Qt::Key_Right);
    QTest::keyClick(&p.frame, Qt::Key_Left);
    QCOMPARE(p.frame.splitter()->sizes()[0], start + 10);
    QTest::keyClick(&p.frame, Qt::Key_Return);
    QTest::keyClick(&p.frame, Qt::Key_Right); // the mode has ended
    QCOMPARE(p.frame.splitter()->sizes()[0], start + 10);

    p.frame.action(Command::kWindowSplit)->trigger();
    QTest::keyClick(&p.frame, Qt::Key_Left);
    QTest::keyClick(&p.frame, Qt::Key_Escape); // puts it back
    QCOMPARE(p.frame.splitter()->sizes()[0], start + 10);
}

void MainFrameTest::shortcutsTriggerTheirCommands() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.doc.setImageSize(8, 8));
    p.setRegion("-2", "-2", "4", false);
    int movieDialogs = 0;
    setSaveFileHook([&](const SaveFileRequest&) {
        ++movieDialogs;
        return QString(); // cancelled
    });
    const struct {
        QKeySequence key;
        Command id;
    } rows[] = {
        {QKeySequence(Qt::Key_F5), Command::kRenderImage},
        {QKeySequence(Qt::CTRL | Qt::Key_R), Command::kRenderImage},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), Command::kRenderImage},
        {QKeySequence(Qt::Key_Escape), Command::kRenderStop},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), Command::kRenderMovie},
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), Command::kViewZoomIn},
        {QKeySequence(Qt::CTRL | Qt::Key_Minus), Command::kViewZoomOut},
    };
    for (const auto& row : rows) {
        QAction* action = p.frame.action(row.id);
        const QString name = row.key.toString();
        // The menus show the key beside the item.
        QVERIFY2(action->shortcuts().contains(row.key), qPrintable(name));
        QSignalSpy spy(action, &QAction::triggered);
        QTest::keySequence(&p.frame, row.key);
        QVERIFY2(spy.count() == 1, qPrintable(name));
        p.frame.onRenderStop();
    }
    QCOMPARE(movieDialogs, 1);
    // The zoom keys act about the centre: in then out gives the region back.
    QCOMPARE(docText(p.doc, &RenderSettings::width), QString("4"));
    QCOMPARE(docText(p.doc, &RenderSettings::left), QString("-2"));

    // Escape stops a running render.
    QVERIFY(p.doc.setImageSize(2000, 2000));
    p.frame.onRenderImage();
    QTest::keyClick(&p.frame, Qt::Key_Escape);
    QVERIFY(!p.job.running());
}

#ifdef TREVALIN_HAVE_PRINTING
void MainFrameTest::printsToPdf() {
    QTemporaryDir dir;
    Program p;
    QVERIFY(p.doc.setImageSize(8, 8));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    p.frame.printImage(&printer);
    QFile pdf(dir.filePath("out.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
}
#endif

QTEST_MAIN(MainFrameTest)
#include "main_window_test.moc"
