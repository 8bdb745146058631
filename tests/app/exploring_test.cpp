// Exploring without friction: a resize renders afresh, live preview, undo and
// redo of every step, zoom by rectangle, wheel and pan, settings on the
// clipboard.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QUndoStack>
#include <QWheelEvent>
#include <vector>

#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/presets_page.h"
#include "app/settings_history.h"
#include "app/view/image_view.h"
#include "app/view/view_geometry.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

struct Program : ProgramWindow {
    Program() {
        frame.action(Command::kViewLivePreview)->setChecked(true);
        frame.show();
    }
    std::vector<std::uint32_t> pixels() {
        std::lock_guard<std::recursive_mutex> lock(job.lock());
        std::vector<std::uint32_t> all;
        for (int y = 0; y < doc.imageHeight(); ++y)
            all.insert(all.end(), doc.image().row(y), doc.image().row(y) + doc.imageWidth());
        return all;
    }
    std::shared_ptr<RenderSettings> settings() {
        auto copy = std::make_shared<RenderSettings>();
        doc.getSettings(*copy);
        return copy;
    }
    // A point of the image (in image pixels) in the view's coordinates.
    QPoint at(double x, double y) {
        ImageView* view = frame.view();
        const ImagePlacement p =
            placeImage(view->width(), view->height(), doc.imageWidth(), doc.imageHeight());
        return QPoint(p.left + int(x * p.width / doc.imageWidth()),
                      p.top + int(y * p.height / doc.imageHeight()));
    }
    double value(FormulaSlot RenderSettings::*slot) {
        return QString::fromUtf8((doc.settings().*slot).text).toDouble();
    }
    void type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
};

QString slotText(const Document& doc, FormulaSlot RenderSettings::*slot) {
    return QString::fromUtf8((doc.settings().*slot).text);
}

} // namespace

class ExploringTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void cleanup() { clearMessageHooks(); }

    void resizeRendersAFreshPicture();
    void liveFormulaEditRendersAfterThePause();
    void undoAndRedoWalkEverySteps();
    void rectangleWheelAndPanRegions();
    void spaceDragPansLikeTheMiddleButton();
    void settingsGoThroughTheClipboard();
};

void ExploringTest::resizeRendersAFreshPicture() {
    // Every column and row its own colour, so bytes laid out at another width show.
    const int sizes[][4] = {{16, 8, 8, 20}, {10, 10, 33, 7}, {5, 40, 40, 5}};
    for (const auto& size : sizes) {
        Program p;
        QVERIFY(p.doc.setImageSize(size[0], size[1]));
        p.setColour("x*7", "y*5", "x*y");
        p.setRegion("0", "0", "32", false);
        p.frame.onRenderImage();
        QVERIFY(waitForJob(p.job));
        QVERIFY(p.frame.resizeImage(size[2], size[3]));
        // Stopped at once: what is there is black or the new render's, never the old bytes.
        p.frame.onRenderStop();
        const std::vector<std::uint32_t> stopped = p.pixels();
        p.frame.onRenderImage();
        QVERIFY(waitForJob(p.job));

        Program fresh;
        QVERIFY(fresh.doc.setImageSize(size[2], size[3]));
        fresh.setColour("x*7", "y*5", "x*y");
        fresh.setRegion("0", "0", "32", false);
        fresh.frame.onRenderImage();
        QVERIFY(waitForJob(fresh.job));
        const std::vector<std::uint32_t> expected = fresh.pixels();
        QCOMPARE(p.pixels(), expected);
        // The first pass paints blocks from their top-left sample: any pixel
        // not black holds a colour of the new picture.
        for (std::uint32_t pixel : stopped) {
            QVERIFY(pixel == 0 ||
                    std::find(expected.begin(), expected.end(), pixel) != expected.end());
        }
        // Undo gives the old size back.
        p.frame.undoStack()->undo();
        QCOMPARE(p.doc.imageWidth(), size[0]);
        QCOMPARE(p.doc.imageHeight(), size[1]);
        QVERIFY(waitForJob(p.job));
    }
}

void ExploringTest::liveFormulaEditRendersAfterThePause() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.doc.setImageSize(8, 8));
    p.setColour("0", "0", "0");
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    p.frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
    QLineEdit* red = p.a()->redEdit();

    p.type(red, "255");
    QTRY_COMPARE(slotText(p.doc, &RenderSettings::red), QString("255"));
    QVERIFY(waitForJob(p.job));
    QCOMPARE(p.pixels().front(), 0xFF0000u);

    // Half typed: nothing renders, the field is marked.
    p.type(red, "x +");
    QTRY_VERIFY(red->property("compileError").toBool());
    QCOMPARE(slotText(p.doc, &RenderSettings::red), QString("255"));

    // Off: typing changes nothing until Render.
    p.frame.action(Command::kViewLivePreview)->setChecked(false);
    p.type(red, "128");
    QTest::qWait(1000);
    QCOMPARE(slotText(p.doc, &RenderSettings::red), QString("255"));
    p.frame.onRenderImage();
    QCOMPARE(slotText(p.doc, &RenderSettings::red), QString("128"));
    QVERIFY(waitForJob(p.job));
    p.frame.action(Command::kViewLivePreview)->setChecked(true);
}

void ExploringTest::undoAndRedoWalkEverySteps() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.doc.setImageSize(8, 8));
    p.setColour("x", "y", "0");
    p.setRegion("-2", "-2", "4", false);
    p.frame.onRenderImage();
    std::vector<std::shared_ptr<RenderSettings>> states{p.settings()};

    p.frame.zoomIn(0.25, 0.75);
    states.push_back(p.settings());
    QCOMPARE(p.frame.action(Command::kEditUndo)->text(), QString("&Undo Zoom In"));

    auto preset = std::make_unique<RenderSettings>(*states.back());
    setFormulaText(preset->grn, "x*y");
    setFormulaText(preset->left, "7");
    p.frame.tabs()->presetsPage()->setSettings(*preset);
    p.frame.applySettingsAndRender();
    states.push_back(p.settings());
    QCOMPARE(p.frame.action(Command::kEditUndo)->text(), QString("&Undo Load Preset"));

    p.frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
    p.type(p.a()->blueEdit(), "x+y");
    QTRY_COMPARE(slotText(p.doc, &RenderSettings::blu), QString("x+y"));
    states.push_back(p.settings());
    QCOMPARE(p.frame.undoStack()->count(), 4);

    for (int i = int(states.size()) - 2; i >= 0; --i) {
        p.frame.action(Command::kEditUndo)->trigger();
        QVERIFY2(sameSettings(*p.settings(), *states[i]), qPrintable(QString::number(i)));
        // The pages show what the document holds.
        QCOMPARE(p.a()->blueEdit()->text(), QString::fromUtf8(states[i]->blu.text));
        QCOMPARE(p.b()->leftEdit()->text(), QString::fromUtf8(states[i]->left.text));
    }
    QCOMPARE(p.frame.undoStack()->index(), 1); // the first render is a step too
    for (std::size_t i = 1; i < states.size(); ++i) {
        QTest::keySequence(&p.frame, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        QVERIFY2(sameSettings(*p.settings(), *states[i]), qPrintable(QString::number(i)));
    }
    QVERIFY(waitForJob(p.job));
}

void ExploringTest::rectangleWheelAndPanRegions() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.doc.setImageSize(100, 100)); // drawn at its own size: one pixel, one unit
    p.setColour("x", "y", "0");
    p.setRegion("0", "0", "100", false);
    p.frame.onRenderImage();
    ImageView* view = p.frame.view();
    QVERIFY(view->width() >= 100 && view->height() >= 100);

    // A drag from (20, 30) to (40, 50): that square fills the picture.
    QTest::mousePress(view, Qt::LeftButton, {}, p.at(20, 30));
    QTest::mouseMove(view, p.at(30, 40));
    QTest::mouseMove(view, p.at(40, 50));
    QTest::mouseRelease(view, Qt::LeftButton, {}, p.at(40, 50));
    QCOMPARE(p.value(&RenderSettings::left), 20.0);
    QCOMPARE(p.value(&RenderSettings::top), 30.0);
    QCOMPARE(p.value(&RenderSettings::width), 20.0);
    QCOMPARE(p.value(&RenderSettings::height), 20.0);
    p.frame.undoStack()->undo();
    QCOMPARE(p.value(&RenderSettings::width), 100.0);

    // One notch up at (25, 75): 0.8 as wide, that point where it was.
    const QPoint at = p.at(25, 75);
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QCOMPARE(p.value(&RenderSettings::width), 80.0);
    QVERIFY(std::abs(p.value(&RenderSettings::left) - 5.0) < 1e-9);
    QVERIFY(std::abs(p.value(&RenderSettings::top) - 15.0) < 1e-9);
    p.frame.undoStack()->undo();

    // A middle drag 10 right and 5 up moves the region the other way.
    QTest::mousePress(view, Qt::MiddleButton, {}, p.at(50, 50));
    QTest::mouseRelease(view, Qt::MiddleButton, {}, p.at(60, 45));
    QCOMPARE(p.value(&RenderSettings::left), -10.0);
    QCOMPARE(p.value(&RenderSettings::top), 5.0);
    QCOMPARE(p.value(&RenderSettings::width), 100.0);

    // A click is still the twofold zoom about the point.
    QTest::mouseClick(view, Qt::LeftButton, {}, p.at(50, 50));
    QCOMPARE(p.value(&RenderSettings::width), 50.0);
    QVERIFY(waitForJob(p.job));
}

void ExploringTest::spaceDragPansLikeTheMiddleButton() {
    Program p;
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QVERIFY(p.doc.setImageSize(100, 100));
    p.setColour("x", "y", "0");
    p.setRegion("0", "0", "100", false);
    p.frame.onRenderImage();
    ImageView* view = p.frame.view();
    QTest::mouseMove(view, p.at(50, 50));
    QTRY_VERIFY(view->underMouse());

    // The same drag with Space held, then with the middle button: the same region.
    p.frame.tabs()->setFocus();
    QTest::keyPress(QApplication::focusWidget(), Qt::Key_Space);
    QTest::mousePress(view, Qt::LeftButton, {}, p.at(50, 50));
    QTest::mouseMove(view, p.at(55, 48));
    QTest::mouseRelease(view, Qt::LeftButton, {}, p.at(60, 45));
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(p.value(&RenderSettings::left), -10.0);
    QCOMPARE(p.value(&RenderSettings::top), 5.0);
    QCOMPARE(p.value(&RenderSettings::width), 100.0);
    const auto spaced = p.settings();
    p.frame.undoStack()->undo();
    QTest::mousePress(view, Qt::MiddleButton, {}, p.at(50, 50));
    QTest::mouseRelease(view, Qt::MiddleButton, {}, p.at(60, 45));
    QVERIFY(sameSettings(*p.settings(), *spaced));
    p.frame.undoStack()->undo();

    // Space released: a left drag is the rectangle again.
    QTest::mousePress(view, Qt::LeftButton, {}, p.at(20, 30));
    QTest::mouseMove(view, p.at(40, 50));
    QTest::mouseRelease(view, Qt::LeftButton, {}, p.at(40, 50));
    QCOMPARE(p.value(&RenderSettings::width), 20.0);

    // Typing in a field keeps its spaces, even with the pointer over the picture.
    QLineEdit* red = p.a()->redEdit();
    p.frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
    red->setFocus();
    red->clear();
    QTest::keyClicks(red, "x + y");
    QCOMPARE(red->text(), QString("x + y"));
    QVERIFY(waitForJob(p.job));
}

void ExploringTest::settingsGoThroughTheClipboard() {
    QStringList warnings;
    collectWarnings(warnings);
    Program p;
    QVERIFY(p.doc.setImageSize(8, 8));
    p.setColour("sin(x)*255", "y", "x/2");
    p.setRegion("-1.5", "2", "0.125", true);
    p.frame.onRenderImage();
    const auto copied = p.settings();
    p.frame.copySettings();
    const QString text = QGuiApplication::clipboard()->text();
    QVERIFY(text.contains("PRESET"));

    p.frame.zoomOut();
    QVERIFY(!sameSettings(*p.settings(), *copied));
    QVERIFY(p.frame.pasteSettings(text));
    QVERIFY(sameSettings(*p.settings(), *copied));
    QCOMPARE(p.frame.action(Command::kEditUndo)->text(), QString("&Undo Paste Settings"));

    // Text that is no preset changes nothing and says why.
    const auto before = p.settings();
    QVERIFY(!p.frame.pasteSettings("hello"));
    QCOMPARE(warnings.size(), 1);
    QVERIFY(sameSettings(*p.settings(), *before));
    QVERIFY(waitForJob(p.job));
}

QTEST_MAIN(ExploringTest)
#include "exploring_test.moc"
