// Render > Movie... from the pages to a file: the save dialog, the frames
// counted in the status band, the file ffprobe reads, and the settings that
// cannot make a movie.
#include <mutex>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_options_page.h"
#include "app/render_status_label.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

struct Program : ProgramWindow {
    Program() { frame.show(); }

    MovieOptionsPage* d() {
        return static_cast<MovieOptionsPage*>(frame.tabs()->movieOptionsPage());
    }
    // A small picture that changes with time (man3 keeps it on the one-pixel
    // path, so movies are made there too), and the movie's timing.
    void setMovie(const char* duration, const char* rate, int codec) {
        QVERIFY(doc.setImageSize(160, 120));
        setColour("x*1.5+t*200+fbm(x/30, y/30, t, 0.5, 2, 8)*40+man3()*0", "y*2",
                  "sin(d/3+t*6)*127+128");
        setRegion("0", "0", "160", false);
        b()->heightEdit()->setText("120");
        d()->durationEdit()->setText(duration);
        d()->frameRateEdit()->setText(rate);
        d()->codecList()->setCurrentIndex(codec);
    }
};

// Waits for the job, noting every status band text shown on the way.
QStringList watchBand(Program& p, int timeoutMs = 60000) {
    QStringList seen;
    QElapsedTimer clock;
    clock.start();
    while (p.job.running() && clock.elapsed() < timeoutMs) {
        const QString now = p.frame.view()->statusText();
        if (seen.isEmpty() || seen.last() != now) seen << now;
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    seen << p.frame.view()->statusText();
    return seen;
}

// "key=value" lines of ffprobe's first video stream.
QMap<QString, QString> probe(const QString& path) {
    QMap<QString, QString> out;
    QProcess ffprobe;
    ffprobe.start("ffprobe",
                  {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                   "stream=codec_tag_string,nb_frames,nb_read_frames,width,height,time_base,"
                   "duration_ts",
                   "-of", "default=noprint_wrappers=1", path});
    if (!ffprobe.waitForFinished(60000) || ffprobe.exitCode() != 0) return out;
    for (const QByteArray& line : ffprobe.readAllStandardOutput().split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) out[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
    }
    return out;
}

} // namespace

class MovieRenderTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { collectWarnings(warnings); }
    void cleanup() { clearMessageHooks(); }

    void movieIsWrittenAndProbed_data();
    void movieIsWrittenAndProbed();
    void cancelRendersNothing();
    void refusedSettingsStartNothing_data();
    void refusedSettingsStartNothing();

  private:
    QStringList warnings;
};

void MovieRenderTest::movieIsWrittenAndProbed_data() {
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("codec");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("units"); // of 1/600 s
    QTest::newRow("Motion JPEG A, 12 frames at 8") << "1.5"
                                                   << "8" << 3 << "mjpa" << 12 << 900;
    QTest::newRow("Animation, 14 frames at 7") << "2"
                                               << "7" << 1 << "rle " << 14 << 1190;
    QTest::newRow("Raw, 3 frames at 10") << "0.3"
                                         << "10" << 0 << "raw " << 3 << 180;
}

void MovieRenderTest::movieIsWrittenAndProbed() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    QFETCH(QString, duration);
    QFETCH(QString, rate);
    QFETCH(int, codec);
    QFETCH(QString, tag);
    QFETCH(int, frames);
    QFETCH(int, units);
    if (QStandardPaths::findExecutable("ffprobe").isEmpty()) QSKIP("ffprobe is not installed");
    QTemporaryDir dir;
    const QString movie = dir.filePath("spin.mov");
    QVERIFY(QFile(movie).open(QIODevice::WriteOnly)); // an old file to replace

    Program p;
    p.setMovie(duration.toUtf8().constData(), rate.toUtf8().constData(), codec);
    QList<SaveFileRequest> asked;
    setSaveFileHook([&](const SaveFileRequest& r) {
        asked << r;
        return movie;
    });
    // The status line as the job publishes it, at each of its paint requests
    // (after every pass and frame): a poll from this thread can miss a whole
    // short movie on a busy machine.
    std::mutex publishedLock;
    QStringList published;
    p.job.setPaintRequest([&] {
        const QString now = QString::fromStdString(p.job.status());
        std::lock_guard<std::mutex> hold(publishedLock);
        published << now;
    });
    p.frame.action(Command::kRenderMovie)->trigger();
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].confirmOverwrite); // the file may exist: ask first
    QCOMPARE(asked[0].initial, QString("Untitled.mov"));
    QCOMPARE(asked[0].filter, QString("QuickTime Movies (*.mov);;All Files (*)"));
    QCOMPARE(asked[0].suffix, QString("mov"));
    QVERIFY(p.job.running() || p.job.finished());
    // The status bar counts the frames against their total from the start.
    QLabel* status = p.frame.renderStatus();
    const QString started = status->text();
    QVERIFY2(QRegularExpression(QString("^Frame \\d+ of %1, \\d+%").arg(frames))
                 .match(started)
                 .hasMatch(),
             qPrintable(started));

    const QStringList band = watchBand(p);
    QVERIFY(!p.job.running());
    QVERIFY2(!p.job.errorFlag(), qPrintable(band.join(" | ")));
    QVERIFY2(band.last().startsWith("elapsed: "), qPrintable(band.last()));
    // The frame number showed while the frames were made, each frame's in turn.
    {
        std::lock_guard<std::mutex> hold(publishedLock);
        QStringList numbers = published.filter(QRegularExpression("^Frame \\d+$"));
        numbers.removeDuplicates();
        QStringList expected;
        for (int k = 1; k <= frames; ++k)
            expected << QString("Frame %1").arg(k);
        QCOMPARE(numbers, expected);
    }
    QTRY_VERIFY2(status->text().startsWith(QString("Movie finished: %1 frames in ").arg(frames)),
                 qPrintable(status->text()));
    // The document took the pages' values; the page keeps its own file name.
    QCOMPARE(p.doc.settings().codec, codec);
    QCOMPARE(QString(p.doc.settings().moviefile), movie);
    QCOMPARE(p.d()->fileEdit()->text(), QString("Untitled.mov"));

    const QMap<QString, QString> info = probe(movie);
    QCOMPARE(info.value("codec_tag_string"), tag);
    QCOMPARE(info.value("nb_frames"), QString::number(frames));
    QCOMPARE(info.value("nb_read_frames"), QString::number(frames));
    QCOMPARE(info.value("width"), QString("160"));
    QCOMPARE(info.value("height"), QString("120"));
    QCOMPARE(info.value("time_base"), QString("1/600"));
    QCOMPARE(info.value("duration_ts"), QString::number(units));
#endif
}

void MovieRenderTest::cancelRendersNothing() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    Program p;
    p.setMovie("1", "10", 3);
    int asked = 0;
    setSaveFileHook([&](const SaveFileRequest&) {
        ++asked;
        return QString();
    });
    p.frame.onRenderMovie();
    QCOMPARE(asked, 1);
    QVERIFY(!p.job.running());
    QVERIFY(!p.frame.view()->hasWorker());
    // The pages' values are in the document all the same.
    QVERIFY(text(p.doc.settings().red).startsWith("x*1.5+t*200"));
    QCOMPARE(p.doc.settings().framerate, 10.0);
    QCOMPARE(p.d()->fileEdit()->text(), QString("Untitled.mov"));
#endif
}

void MovieRenderTest::refusedSettingsStartNothing_data() {
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("message");
    QTest::newRow("frame rate 0") << "1"
                                  << "0"
                                  << "Movie not rendered: the frame rate must be above 0";
    QTest::newRow("one frame")
        << "0.1"
        << "10"
        << "Movie not rendered: duration x frame rate makes 1 frame, and a movie needs at least 2";
}

void MovieRenderTest::refusedSettingsStartNothing() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    QFETCH(QString, duration);
    QFETCH(QString, rate);
    QFETCH(QString, message);
    Program p;
    p.setMovie(duration.toUtf8().constData(), rate.toUtf8().constData(), 3);
    int asked = 0;
    setSaveFileHook([&](const SaveFileRequest&) {
        ++asked;
        return QStringLiteral("/nonexistent/never.mov");
    });
    p.frame.onRenderMovie();
    QCOMPARE(asked, 0);
    QVERIFY(!p.job.running());
    QVERIFY(!p.frame.view()->hasWorker());
    QCOMPARE(p.frame.view()->statusText(), message);
    QCOMPARE(p.frame.statusBar()->currentMessage(), message);

    // A still render afterwards clears the message.
    p.frame.onRenderImage();
    QVERIFY(waitForJob(p.job));
    QTRY_VERIFY(p.frame.view()->statusText().startsWith("elapsed: "));
#endif
}

QTEST_MAIN(MovieRenderTest)
#include "movie_render_test.moc"
