// Render > Movie... with a frames-folder codec: the dialog asks for a folder,
// the frames are the pictures trevalin-render --frames writes, frames already
// there are written over only when the user says so, and a path that is no
// folder is refused.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/movie_options_page.h"
#include "app/render_status_label.h"
#include "app/user_messages.h"
#include "app_test_support.h"
#include "presets/picture_preset.h"
#include "presets/png_file.h"
#include "presets/preset_text.h"
#include "render/document.h"
#include "render/movie_codecs.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

constexpr int kFrames = 3;

struct Program : ProgramWindow {
    Program() { frame.show(); }

    MovieOptionsPage* d() {
        return static_cast<MovieOptionsPage*>(frame.tabs()->movieOptionsPage());
    }
    // Three small frames that differ in time, through noise and a fractal,
    // written as the codec's pictures.
    void setFramesMovie(const QString& codecName) {
        QVERIFY(doc.setImageSize(64, 48));
        setColour("x*3+t*200+fbm(x/10, y/10, t, 0.5, 2, 4)*40", "y*4+mandel()*8",
                  "sin(d/3+t*6)*127+128");
        setRegion("0", "0", "64", false);
        b()->heightEdit()->setText("48");
        d()->durationEdit()->setText("0.3");
        d()->frameRateEdit()->setText("10");
        QComboBox* format = d()->formatList();
        const int folder = format->findData(int(MovieContainer::FramesFolder));
        QVERIFY(folder >= 0);
        format->setCurrentIndex(folder);
        emit format->activated(folder);
        const int codec = d()->codecList()->findText(codecName);
        QVERIFY2(codec >= 0, qPrintable(codecName));
        d()->codecList()->setCurrentIndex(codec);
    }
};

QStringList frameFiles(const QString& folder) {
    return QDir(folder).entryList({"frame_*"}, QDir::Files, QDir::Name);
}

QStringList numbered(const QString& extension) {
    QStringList names;
    for (int i = 0; i < kFrames; ++i)
        names << QStringLiteral("frame_%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(extension);
    return names;
}

// A row per frame codec, with what the test wants of each in a second column.
void addFrameCodecRows(const char* column, const QString& png, const QString& bmp) {
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>(column);
    QTest::newRow("PNG frames") << QString("PNG frames") << png;
    QTest::newRow("BMP frames") << QString("BMP frames") << bmp;
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class MovieFolderTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { collectWarnings(warnings); }
    void cleanup() { clearMessageHooks(); }

    void framesAreWhatTrevalinRenderWrites_data();
    void framesAreWhatTrevalinRenderWrites();
    void framesAlreadyThereAreAskedFor_data();
    void framesAlreadyThereAreAskedFor();
    void pathsThatAreNoFolderAreRefused_data();
    void pathsThatAreNoFolderAreRefused();
    void framesThatCannotBeWrittenFailTheMovie_data();
    void framesThatCannotBeWrittenFailTheMovie();

  private:
    QStringList warnings;
};

void MovieFolderTest::framesAreWhatTrevalinRenderWrites_data() {
    addFrameCodecRows("extension", "png", "bmp");
}

void MovieFolderTest::framesAreWhatTrevalinRenderWrites() {
#if !defined(TREVALIN_HAVE_MOVIES) || !defined(TREVALIN_RENDER_PATH)
    QSKIP("built without the movie writer or trevalin-render");
#else
    QFETCH(QString, codec);
    QFETCH(QString, extension);
    QTemporaryDir dir;
    const QString folder = dir.filePath("desktop");
    QVERIFY(QDir().mkdir(folder));

    Program p;
    p.setFramesMovie(codec);
    QList<SaveFileRequest> asked;
    setSaveFileHook([&](const SaveFileRequest& r) {
        asked << r;
        return folder;
    });
    int overwriteAsked = 0;
    setOverwriteFramesQuestionHook([&](const QString&) { return ++overwriteAsked, true; });
    p.frame.onRenderMovie();
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].folder);
    QVERIFY(!asked[0].confirmOverwrite); // the folder's frames are asked for instead
    QCOMPARE(asked[0].initial, QString("Untitled"));
    QVERIFY(waitForJob(p.job, 120000));
    QVERIFY2(!p.job.errorFlag(), p.job.status().c_str());
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(" | ")));
    QCOMPARE(overwriteAsked, 0); // an empty folder
    QTRY_VERIFY2(p.frame.renderStatus()->text().startsWith(
                     QString("Movie finished: %1 frames in ").arg(kFrames)),
                 qPrintable(p.frame.renderStatus()->text()));
    QCOMPARE(QString(p.doc.settings().moviefile), folder);
    QCOMPARE(frameFiles(folder), numbered(extension));

    // The same settings through the command line's --frames.
    const QString presets = dir.filePath("presets.txt");
    {
        QFile out(presets);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray::fromStdString(presetText(p.doc.settings(), "Untitled")));
    }
    const QString cliFolder = dir.filePath("cli");
    QVERIFY(QDir().mkdir(cliFolder));
    QProcess cli;
    cli.start(TREVALIN_RENDER_PATH, {"--presets", presets, "--preset", "Untitled", "--size",
                                     "64x48", "--frames", cliFolder, "--quiet"});
    QVERIFY(cli.waitForFinished(120000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    QCOMPARE(frameFiles(cliFolder), numbered(extension));

    QList<QImage> pictures;
    for (const QString& name : numbered(extension)) {
        const QByteArray desktop = contents(folder + "/" + name);
        QVERIFY2(!desktop.isEmpty(), qPrintable(name));
        pictures << QImage(folder + "/" + name);
        // PNG frames differ in the preset they carry: its movie path is the
        // folder each program wrote.
        if (extension == "png")
            QVERIFY2(pictures.last() == QImage(cliFolder + "/" + name),
                     qPrintable(name + " differs"));
        else
            QVERIFY2(desktop == contents(cliFolder + "/" + name), qPrintable(name + " differs"));
        QCOMPARE(pictures.last().size(), QSize(64, 48));
    }
    // PNG frames carry the movie's preset, as saved pictures do.
    if (extension == "png") {
        std::string text, error;
        QVERIFY2(readPngPresetText(QFile::encodeName(folder + "/frame_00002.png").toStdString(),
                                   text, error),
                 error.c_str());
        const PicturePreset carried = readPictureChunk(text);
        QVERIFY2(carried.error.empty(), carried.error.c_str());
        QCOMPARE(QString::fromStdString(carried.name), QString("Untitled"));
        QCOMPARE(carried.width, 64);
        QCOMPARE(QString(carried.settings->red.text), QString(p.doc.settings().red.text));
    }
    // A movie, not one picture three times.
    QVERIFY(pictures[0] != pictures[1]);
    QVERIFY(pictures[1] != pictures[2]);
#endif
}

void MovieFolderTest::framesAlreadyThereAreAskedFor_data() {
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QString>("present"); // a file in the folder before the render
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("extension"); // of the frames written; empty: none
    QTest::newRow("PNG over PNG, no") << "PNG frames"
                                      << "frame_00000.png" << false << 1 << "";
    QTest::newRow("BMP over PNG, no") << "BMP frames"
                                      << "frame_00000.png" << false << 1 << "";
    QTest::newRow("PNG over BMP, no") << "PNG frames"
                                      << "frame_00000.bmp" << false << 1 << "";
    QTest::newRow("BMP over BMP, yes") << "BMP frames"
                                       << "frame_00000.bmp" << true << 1 << "bmp";
    QTest::newRow("only a later frame") << "PNG frames"
                                        << "frame_00007.png" << false << 0 << "png";
    QTest::newRow("other files") << "BMP frames"
                                 << "notes.txt" << false << 0 << "bmp";
}

void MovieFolderTest::framesAlreadyThereAreAskedFor() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    QFETCH(QString, codec);
    QFETCH(QString, present);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(QString, extension);
    QTemporaryDir dir;
    const QString folder = dir.filePath("frames");
    QVERIFY(QDir().mkdir(folder));
    const QByteArray old = "an earlier movie's frame";
    {
        QFile f(folder + "/" + present);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }

    Program p;
    p.setFramesMovie(codec);
    setSaveFileHook([&](const SaveFileRequest&) { return folder; });
    QStringList asked;
    setOverwriteFramesQuestionHook([&](const QString& named) {
        asked << named;
        return answer;
    });
    p.frame.onRenderMovie();
    QCOMPARE(asked.size(), questions);
    if (questions) QCOMPARE(asked[0], folder);
    QVERIFY(waitForJob(p.job, 120000));
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(" | ")));
    QStringList expected = extension.isEmpty() ? QStringList() : numbered(extension);
    if (!expected.contains(present) && present.startsWith("frame_")) expected << present;
    expected.sort();
    QCOMPARE(frameFiles(folder), expected);
    if (extension.isEmpty()) {
        QVERIFY(!p.frame.view()->hasWorker());
        QCOMPARE(contents(folder + "/" + present), old);
    } else {
        QVERIFY2(!p.job.errorFlag(), p.job.status().c_str());
        QVERIFY(!QImage(folder + "/" + numbered(extension)[0]).isNull());
    }
#endif
}

void MovieFolderTest::pathsThatAreNoFolderAreRefused_data() {
    QTest::addColumn<QString>("name"); // in the temporary folder; "file" is a file there
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing"
                             << "Movie not rendered: there is no folder %1.";
    QTest::newRow("a file") << "file"
                            << "Movie not rendered: %1 is not a folder.";
    QTest::newRow("a movie's name") << "spin.mov"
                                    << "Movie not rendered: %1: the codec PNG frames writes a "
                                       "folder of frames, not a .mov file.";
    QTest::newRow("too long") << QString(300, QLatin1Char('m'))
                              << "The movie's path is too long: at most 255 bytes.";
}

void MovieFolderTest::pathsThatAreNoFolderAreRefused() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    QFETCH(QString, name);
    QFETCH(QString, message);
    QTemporaryDir dir;
    {
        QFile f(dir.filePath("file"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString chosen = dir.filePath(name);
    Program p;
    p.setFramesMovie("PNG frames");
    setSaveFileHook([&](const SaveFileRequest&) { return chosen; });
    int overwriteAsked = 0;
    setOverwriteFramesQuestionHook([&](const QString&) { return ++overwriteAsked, true; });
    p.frame.onRenderMovie();
    QVERIFY(!p.job.running());
    QVERIFY(!p.frame.view()->hasWorker());
    QCOMPARE(overwriteAsked, 0);
    QCOMPARE(warnings, QStringList{message.contains("%1") ? message.arg(chosen) : message});
    // Nothing was made in its place.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"file"});
    QVERIFY(!QFileInfo(dir.filePath("file")).isDir());
#endif
}

void MovieFolderTest::framesThatCannotBeWrittenFailTheMovie_data() {
    addFrameCodecRows("frame", "/proc/frame_00000.png", "/proc/frame_00000.bmp");
}

void MovieFolderTest::framesThatCannotBeWrittenFailTheMovie() {
#ifndef TREVALIN_HAVE_MOVIES
    QSKIP("built without the movie writer");
#else
    QFETCH(QString, codec);
    QFETCH(QString, frame);
    // A folder no one may create files in, not even root.
    if (!QFileInfo("/proc").isDir()) QSKIP("no /proc here");
    Program p;
    p.setFramesMovie(codec);
    setSaveFileHook([&](const SaveFileRequest&) { return QString("/proc"); });
    p.frame.onRenderMovie();
    QVERIFY(waitForJob(p.job, 120000));
    QVERIFY(p.job.errorFlag());
    const QString status = QString::fromStdString(p.job.status());
    QVERIFY2(status.contains(frame), qPrintable(status));
    QVERIFY(!QFileInfo::exists(frame));
#endif
}

QTEST_MAIN(MovieFolderTest)
#include "movie_folder_test.moc"
