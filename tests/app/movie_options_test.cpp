// The Movie Options page: initial values, the lock rules and the zoom between
// the widths, lock buttons, load and save, limits, the file dialog, and the
// sequences through which it reads the other pages.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <vector>

#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_options_page.h"
#include "app/pages/settings_pane.h"
#include "app/user_messages.h"
#include "app_test_support.h"
#include "render/movie_codecs.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// The pane with all its real pages.
struct Pane : PagesPane {
    MovieOptionsPage* d = static_cast<MovieOptionsPage*>(tabs->movieOptionsPage());
};

QStringList items(const QComboBox* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

bool showsIcon(const LockButton* button, const QIcon& icon) {
    return button->icon().cacheKey() == icon.cacheKey();
}

} // namespace

class MovieOptionsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { collectWarnings(warnings); }
    void cleanup() { clearMessageHooks(); }

    void initialValues();
    void lockRules_data();
    void lockRules();
    void typingRecomputesZoom_data();
    void typingRecomputesZoom();
    void lockButtonsToggle();
    void loadThenSaveKeepsEveryField();
    void typingStopsAtTheLimit_data();
    void typingStopsAtTheLimit();
    void overLongZoomIsRefused();
    void browseTakesChosenPath();
    void formatListPicksCodecsAndFileName();
    void focusTakesCoordsZoomAndFormulasSlider();
    void releasingSliderRenders();

  private:
    QStringList warnings;
};

void MovieOptionsTest::initialValues() {
    Pane pane;
    MovieOptionsPage* d = pane.d;
    QCOMPARE(d->durationEdit()->text(), QString("1"));
    QCOMPARE(d->frameRateEdit()->text(), QString("10"));
    QCOMPARE(d->startWidthEdit()->text(), QString("1"));
    QCOMPARE(d->endWidthEdit()->text(), QString("1"));
    QCOMPARE(d->zoomEdit()->text(), QString("1"));
    QVERIFY(d->zoomEdit()->isReadOnly());
    QCOMPARE(d->fileEdit()->text(), QString("Untitled.mov"));
    QCOMPARE(items(d->priorityList()), (QStringList{"Low", "Normal", "High"}));
    QCOMPARE(items(d->depthList()), (QStringList{"8-bit", "16-bit", "24-bit"}));
    // The format beside the codec: QuickTime offers its own codecs only.
    QCOMPARE(items(d->formatList()), (QStringList{"QuickTime (.mov)", "MP4 (.mp4)", "WebM (.webm)",
                                                  "GIF (.gif)", "Frames folder"}));
    QCOMPARE(d->formatList()->currentText(), QString("QuickTime (.mov)"));
    QCOMPARE(items(d->codecList()), (QStringList{"Raw", "Animation", "Graphics", "Motion JPEG A",
                                                 "Motion JPEG B", "Cinepak"}));
    QCOMPARE(d->priorityList()->currentText(), QString("Normal"));
    QCOMPARE(d->depthList()->currentText(), QString("24-bit"));
    QCOMPARE(d->codecList()->currentText(), QString("Motion JPEG A"));
    QVERIFY(!d->ditheredBox()->isChecked());
    QVERIFY(!d->seamlessBox()->isChecked());
    QCOMPARE(d->timeSlider()->value(), 0);
    QCOMPARE(d->startLockButton()->getState(), 0);
    QCOMPARE(d->endLockButton()->getState(), 0);
    QVERIFY(showsIcon(d->startLockButton(), d->startLockButton()->unlockedIcon()));

    auto s = zeroSettings();
    QVERIFY(d->saveToSettings(*s));
    QCOMPARE(s->duration, 1.0);
    QCOMPARE(s->framerate, 10.0);
    QCOMPARE(s->startwidth, 1.0);
    QCOMPARE(s->endwidth, 1.0);
    QCOMPARE(text(s->zoom), QString("1"));
    QCOMPARE(s->priority, 1);
    QCOMPARE(s->depth, 2);
    QCOMPARE(s->codec, 3);
    QCOMPARE(QString(s->moviefile), QString("Untitled.mov"));
}

void MovieOptionsTest::lockRules_data() {
    QTest::addColumn<int>("startLock");
    QTest::addColumn<int>("endLock");
    QTest::addColumn<QString>("width"); // the Coords page's width formula
    QTest::addColumn<QString>("zoom");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("framerate");
    QTest::addColumn<double>("startwidth");
    QTest::addColumn<double>("endwidth");
    QTest::addColumn<QString>("startShown");
    QTest::addColumn<QString>("endShown");
    QTest::addColumn<QString>("zoomShown");

    // Neither held: the start follows the plane width, the end follows the zoom.
    QTest::newRow("open, open") << 0 << 0 << "256"
                                << "0.9" << 1.0 << 10.0 << 5.0 << 7.0 << "256"
                                << "89.261681"
                                << "0.9";
    QTest::newRow("open, open, no frames") << 0 << 0 << "3"
                                           << "0.5" << 0.0 << 10.0 << 5.0 << 7.0 << "3"
                                           << "3.000000"
                                           << "0.5";
    QTest::newRow("open, open, a formula reads its leading number")
        << 0 << 0 << "2*8"
        << "2" << 1.0 << 3.0 << 5.0 << 7.0 << "2*8"
        << "16.000000"
        << "2";
    // The end held: the start follows the plane, the zoom the widths.
    QTest::newRow("open, held") << 0 << 1 << "4"
                                << "9" << 1.0 << 10.0 << 5.0 << 1.0 << "4"
                                << "1.000000"
                                << "0.870551";
    // The start held: the end follows the plane.
    QTest::newRow("held, open") << 1 << 0 << "8"
                                << "9" << 2.0 << 1.0 << 2.0 << 5.0 << "2.000000"
                                << "8"
                                << "2.000000";
    QTest::newRow("held, held") << 1 << 1 << "999"
                                << "9" << 2.0 << 15.0 << 256.0 << 64.0 << "256.000000"
                                << "64.000000"
                                << "0.954842";
    // No frames, or a width not above 0: the zoom stays as it came.
    QTest::newRow("held, held, frame rate 0")
        << 1 << 1 << "1"
        << "0.7" << 2.0 << 0.0 << 256.0 << 64.0 << "256.000000"
        << "64.000000"
        << "0.7";
    QTest::newRow("held, open, plane width 0") << 1 << 0 << "0"
                                               << "0.7" << 1.0 << 10.0 << 2.0 << 5.0 << "2.000000"
                                               << "0"
                                               << "0.7";
    QTest::newRow("open, held, start negative") << 0 << 1 << "-4"
                                                << "0.7" << 1.0 << 10.0 << 2.0 << 5.0 << "-4"
                                                << "5.000000"
                                                << "0.7";
}

void MovieOptionsTest::lockRules() {
    QFETCH(int, startLock);
    QFETCH(int, endLock);
    QFETCH(QString, width);
    QFETCH(QString, zoom);
    QFETCH(double, duration);
    QFETCH(double, framerate);
    QFETCH(double, startwidth);
    QFETCH(double, endwidth);
    QFETCH(QString, startShown);
    QFETCH(QString, endShown);
    QFETCH(QString, zoomShown);
    Pane pane;
    auto in = zeroSettings();
    in->lockswidth = startLock;
    in->lockewidth = endLock;
    setFormulaText(in->width, width.toUtf8().constData());
    setFormulaText(in->zoom, zoom.toUtf8().constData());
    in->duration = duration;
    in->framerate = framerate;
    in->startwidth = startwidth;
    in->endwidth = endwidth;
    pane.d->loadFromSettings(*in);
    QCOMPARE(pane.d->startWidthEdit()->text(), startShown);
    QCOMPARE(pane.d->endWidthEdit()->text(), endShown);
    QCOMPARE(pane.d->zoomEdit()->text(), zoomShown);
}

void MovieOptionsTest::typingRecomputesZoom_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("zoom");
    // start 256, end 64, 2 seconds at 15 frames: 30 steps.
    QTest::newRow("end width") << "end"
                               << "16"
                               << "0.911722";
    QTest::newRow("frame rate") << "rate"
                                << "5"
                                << "0.870551";
    QTest::newRow("duration") << "duration"
                              << "1"
                              << "0.911722";
    QTest::newRow("start width") << "start"
                                 << "128"
                                 << "0.977160";
    QTest::newRow("frame rate 0") << "rate"
                                  << "0"
                                  << "0.954842";
    QTest::newRow("not a number") << "rate"
                                  << "abc"
                                  << "0.954842";
    QTest::newRow("end width 0") << "end"
                                 << "0"
                                 << "0.954842";
}

void MovieOptionsTest::typingRecomputesZoom() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, zoom);
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    auto in = zeroSettings();
    in->lockswidth = 1;
    in->lockewidth = 1;
    in->startwidth = 256;
    in->endwidth = 64;
    in->duration = 2;
    in->framerate = 15;
    pane.d->loadFromSettings(*in);
    QCOMPARE(pane.d->zoomEdit()->text(), QString("0.954842"));

    QLineEdit* edit = field == "end"     ? pane.d->endWidthEdit()
                      : field == "rate"  ? pane.d->frameRateEdit()
                      : field == "start" ? pane.d->startWidthEdit()
                                         : pane.d->durationEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    QCOMPARE(pane.d->zoomEdit()->text(), zoom);
}

void MovieOptionsTest::lockButtonsToggle() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    for (LockButton* button : {pane.d->startLockButton(), pane.d->endLockButton()}) {
        QVERIFY(!button->lockedIcon().isNull());
        QVERIFY(button->lockedIcon().cacheKey() != button->unlockedIcon().cacheKey());
        QTRY_VERIFY(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->getState(), 1);
        QVERIFY(showsIcon(button, button->lockedIcon()));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(button->getState(), 0);
        QVERIFY(showsIcon(button, button->unlockedIcon()));
    }
    // The state a click leaves is the one the record gets.
    QTest::mouseClick(pane.d->endLockButton(), Qt::LeftButton);
    auto s = zeroSettings();
    QVERIFY(pane.d->saveToSettings(*s));
    QCOMPARE(s->lockswidth, 0);
    QCOMPARE(s->lockewidth, 1);

    // Loading sets both from the record.
    s->lockswidth = 1;
    s->lockewidth = 0;
    pane.d->loadFromSettings(*s);
    QVERIFY(showsIcon(pane.d->startLockButton(), pane.d->startLockButton()->lockedIcon()));
    QVERIFY(showsIcon(pane.d->endLockButton(), pane.d->endLockButton()->unlockedIcon()));
}

void MovieOptionsTest::loadThenSaveKeepsEveryField() {
    Pane pane;
    auto in = zeroSettings();
    in->priority = 2;
    in->depth = 0;
    in->dither = 1;
    in->seamless = 1;
    in->duration = 2.5;
    in->framerate = 12;
    in->startwidth = 4;
    in->endwidth = 0.5;
    in->lockswidth = 1;
    in->lockewidth = 1;
    setFormulaText(in->zoom, "0.99");
    in->codec = 97; // no such codec: shown as none, kept
    in->time = 64;
    std::strcpy(in->moviefile, "/tmp/out.mov");
    pane.d->loadFromSettings(*in);
    QCOMPARE(pane.d->codecList()->currentIndex(), -1);

    auto out = zeroSettings();
    setFormulaText(out->red, "keep");
    setFormulaText(out->width, "9");
    out->colormode = 2;
    std::strcpy(out->sourcefile, "keep.bmp");
    QVERIFY(pane.d->saveToSettings(*out));
    QCOMPARE(out->priority, 2);
    QCOMPARE(out->depth, 0);
    QCOMPARE(out->dither, 1);
    QCOMPARE(out->seamless, 1);
    QCOMPARE(out->duration, 2.5);
    QCOMPARE(out->framerate, 12.0);
    QCOMPARE(out->startwidth, 4.0);
    QCOMPARE(out->endwidth, 0.5);
    QCOMPARE(out->lockswidth, 1);
    QCOMPARE(out->lockewidth, 1);
    // Both widths held: 30 steps from 4 to 0.5.
    QCOMPARE(text(out->zoom), QString("0.933033"));
    QCOMPARE(out->codec, 97);
    QCOMPARE(out->time, 64);
    QCOMPARE(QString(out->moviefile), QString("/tmp/out.mov"));
    // Fields the page does not own.
    QCOMPARE(text(out->red), QString("keep"));
    QCOMPARE(text(out->width), QString("9"));
    QCOMPARE(out->colormode, 2);
    QCOMPARE(QString(out->sourcefile), QString("keep.bmp"));
    QVERIFY(warnings.isEmpty());
}

void MovieOptionsTest::typingStopsAtTheLimit_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    QTest::newRow("duration") << "duration" << 24;
    QTest::newRow("end width") << "end" << 24;
    QTest::newRow("file name") << "file" << 255;
}

void MovieOptionsTest::typingStopsAtTheLimit() {
    QFETCH(QString, field);
    QFETCH(int, limit);
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    QLineEdit* edit = field == "duration" ? pane.d->durationEdit()
                      : field == "end"    ? pane.d->endWidthEdit()
                                          : pane.d->fileEdit();
    edit->setText(QString(limit - 1, QLatin1Char('1')));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "23");
    QCOMPARE(edit->text().size(), limit);
    QVERIFY(edit->text().endsWith('2'));
    auto s = zeroSettings();
    QVERIFY(pane.d->saveToSettings(*s));
    QVERIFY(warnings.isEmpty());
}

void MovieOptionsTest::overLongZoomIsRefused() {
    // The Coords page admits 256 characters; here 24. The page shows the text
    // whole and refuses it on reading, writing nothing.
    Pane pane;
    auto in = zeroSettings();
    const QString longZoom = QStringLiteral("1+") + QString(28, QLatin1Char('0'));
    setFormulaText(in->zoom, longZoom.toUtf8().constData());
    in->lockswidth = 0;
    in->lockewidth = 0;
    pane.d->loadFromSettings(*in);
    QCOMPARE(pane.d->zoomEdit()->text(), longZoom);

    auto out = zeroSettings();
    out->framerate = 3;
    setFormulaText(out->zoom, "untouched");
    const auto before = std::make_unique<RenderSettings>(*out);
    QVERIFY(!pane.d->saveToSettings(*out));
    QCOMPARE(warnings, QStringList{"Please enter no more than 24 characters."});
    QVERIFY(std::memcmp(out.get(), before.get(), sizeof(RenderSettings)) == 0);

    // Typing elsewhere on the page does not repeat the message at every key.
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab); // a read: said again
    QCOMPARE(warnings.size(), 2);
    pane.d->durationEdit()->setFocus();
    QTest::keyClicks(pane.d->durationEdit(), "25");
    QVERIFY(pane.d->durationEdit()->text().contains("25"));
    QCOMPARE(warnings.size(), 2);
}

void MovieOptionsTest::formatListPicksCodecsAndFileName() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    MovieOptionsPage* d = pane.d;
    QComboBox* format = d->formatList();
    // Every codec of the table shows under its own format, once, and saves as itself.
    std::vector<int> seen(kMovieCodecCount, 0);
    for (int f = 0; f < format->count(); ++f) {
        for (int c = 0; c < kMovieCodecCount; ++c) {
            const MovieContainerRow& row = containerOfCodec(c);
            if (format->itemText(f).startsWith(QString::fromLatin1(row.name)) &&
                d->formatList()->itemData(f).toInt() == int(row.id)) {
                auto in = zeroSettings();
                in->codec = c;
                d->loadFromSettings(*in);
                QCOMPARE(format->currentIndex(), f);
                QCOMPARE(d->codecList()->currentText(), QString(kMovieCodecs[c].name));
                auto out = zeroSettings();
                QVERIFY(d->saveToSettings(*out));
                QCOMPARE(out->codec, c);
                ++seen[c];
            }
        }
    }
    for (int c = 0; c < kMovieCodecCount; ++c)
        QVERIFY2(seen[c] == 1, kMovieCodecs[c].name);

    // Picking a format takes its first codec, renames the file to match, and
    // the file dialog asks for that kind of file.
    const struct {
        int format;
        const char* file;
        const char* codec;
        const char* renamed;
        const char* filter;
    } rows[] = {
        {1, "/tmp/spin.mov", "H.264", "/tmp/spin.mp4", "MP4 Movies (*.mp4);;All Files (*)"},
        {2, "/tmp/spin.MP4", "VP9", "/tmp/spin.webm", "WebM Movies (*.webm);;All Files (*)"},
        {3, "spin", "GIF", "spin.gif", "GIF Movies (*.gif);;All Files (*)"},
        {4, "/tmp/a.b/spin.gif", "PNG frames", "/tmp/a.b/spin", "All Files (*)"},
        {0, "/tmp/a.b/spin", "Raw", "/tmp/a.b/spin.mov", "QuickTime Movies (*.mov);;All Files (*)"},
        {1, "/tmp/spin.avi", "H.264", "/tmp/spin.avi", "MP4 Movies (*.mp4);;All Files (*)"},
    };
    QList<SaveFileRequest> asked;
    setSaveFileHook([&](const SaveFileRequest& r) {
        asked << r;
        return QString();
    });
    for (const auto& row : rows) {
        d->fileEdit()->setText(row.file);
        format->setCurrentIndex(row.format);
        emit format->activated(row.format);
        QCOMPARE(d->codecList()->currentText(), QString(row.codec));
        QCOMPARE(d->fileEdit()->text(), QString(row.renamed));
        auto out = zeroSettings();
        QVERIFY(d->saveToSettings(*out));
        QCOMPARE(QString(kMovieCodecs[out->codec].name), QString(row.codec));
        QTest::mouseClick(d->browseButton(), Qt::LeftButton);
        QCOMPARE(asked.last().filter, QString(row.filter));
        // A frames folder is a folder to pick, not a file to name.
        QCOMPARE(asked.last().folder,
                 containerOfCodec(out->codec).id == MovieContainer::FramesFolder);
    }

    // A chosen file of another kind is refused, naming the codec and both formats.
    format->setCurrentIndex(0);
    emit format->activated(0); // QuickTime, Raw
    d->fileEdit()->setText("/tmp/keep.mov");
    setSaveFileHook([](const SaveFileRequest&) { return QString("/tmp/other.mp4"); });
    QTest::mouseClick(d->browseButton(), Qt::LeftButton);
    QCOMPARE(d->fileEdit()->text(), QString("/tmp/keep.mov"));
    QCOMPARE(warnings.size(), 1);
    for (const char* named : {"Raw", "QuickTime", "MP4", "/tmp/other.mp4"})
        QVERIFY2(warnings[0].contains(named), qPrintable(warnings[0]));
}

void MovieOptionsTest::browseTakesChosenPath() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    QList<SaveFileRequest> asked;
    QString answer;
    setSaveFileHook([&](const SaveFileRequest& r) {
        asked << r;
        return answer;
    });
    // Cancel changes nothing, typed text included.
    pane.d->fileEdit()->setText("typed.mov");
    QTest::mouseClick(pane.d->browseButton(), Qt::LeftButton);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].initial, QString("Untitled.mov"));
    QCOMPARE(asked[0].filter, QString("QuickTime Movies (*.mov);;All Files (*)"));
    QCOMPARE(asked[0].suffix, QString("mov"));
    QVERIFY(!asked[0].confirmOverwrite);
    QCOMPARE(pane.d->fileEdit()->text(), QString("typed.mov"));

    // OK shows the chosen path and the page's fields again: the unread
    // duration goes back to what the page holds.
    answer = "/tmp/movies/spin.mov";
    const QString held = pane.d->durationEdit()->text();
    pane.d->durationEdit()->setText("7");
    QTest::mouseClick(pane.d->browseButton(), Qt::LeftButton);
    QCOMPARE(pane.d->fileEdit()->text(), answer);
    QCOMPARE(pane.d->durationEdit()->text(), held);
    auto s = zeroSettings();
    QVERIFY(pane.d->saveToSettings(*s));
    QCOMPARE(QString(s->moviefile), answer);

    // A path the record cannot hold is refused rather than kept to fail later.
    answer = QStringLiteral("/tmp/") + QString(260, QLatin1Char('m')) + ".mov";
    QTest::mouseClick(pane.d->browseButton(), Qt::LeftButton);
    QCOMPARE(pane.d->fileEdit()->text(), QString("/tmp/movies/spin.mov"));
    QCOMPARE(warnings.size(), 1);
}

void MovieOptionsTest::focusTakesCoordsZoomAndFormulasSlider() {
    Pane pane;
    pane.show();
    pane.b->widthEdit()->setText("256");
    pane.b->zoomEdit()->setText("0.9");
    pane.a->timeSlider()->setValue(40);
    pane.d->timeSlider()->setValue(5);
    pane.d->startWidthEdit()->setText("3");
    pane.d->zoomEdit()->setText("1");

    // Activating the page runs the sequence.
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    QCOMPARE(pane.d->zoomEdit()->text(), QString("0.9"));
    QCOMPARE(pane.d->startWidthEdit()->text(), QString("256"));
    QCOMPARE(pane.d->endWidthEdit()->text(), QString("89.261681"));
    QCOMPARE(pane.d->timeSlider()->value(), 40);

    // So does the focus leaving it.
    QTRY_VERIFY(pane.d->isAncestorOf(QApplication::focusWidget()));
    pane.b->zoomEdit()->setText("0.5");
    pane.a->timeSlider()->blockSignals(true);
    pane.a->timeSlider()->setValue(70);
    pane.a->timeSlider()->blockSignals(false);
    pane.outside->setFocus();
    QTRY_COMPARE(pane.d->zoomEdit()->text(), QString("0.5"));
    QCOMPARE(pane.d->timeSlider()->value(), 70);
    QCOMPARE(pane.d->endWidthEdit()->text(), QString("0.250000")); // 256 x 0.5^10
}

void MovieOptionsTest::releasingSliderRenders() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kMovieOptionsTab);
    QSlider* slider = pane.d->timeSlider();
    QTRY_VERIFY(slider->isVisible());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(pane.frame.renders, 0); // moving alone renders nothing
    const QPoint middle(slider->width() / 2, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, middle);
    QCOMPARE(pane.frame.renders, 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, middle);
    QTRY_COMPARE(pane.frame.renders, 1);
}

QTEST_MAIN(MovieOptionsTest)
#include "movie_options_test.moc"
