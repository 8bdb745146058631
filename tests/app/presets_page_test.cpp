// The Presets page: the tree read from presets.txt, load, save and where it
// puts the new preset, deletePreset, rename, the file written after every change and
// at exit, what happens when the file cannot be read or written, where the
// file lives, and a loaded preset rendering as trevalin-render renders it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <csignal>
#include <sstream>
#include <sys/resource.h>

#include "app/document_file.h"
#include "app/main_window.h"
#include "app/pages/presets_host.h"
#include "app/pages/presets_location.h"
#include "app/pages/presets_page.h"
#include "app/startup_preset.h"
#include "app/user_messages.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

constexpr char kPresets[] = "# test presets\n"
                            "CAT Fractals\n"
                            "  PRESET Mandel\n    red mandel()\n    framerate 12\n  ENDPRESET\n"
                            "  PRESET Julia\n    red julia()\n  ENDPRESET\n"
                            "  CAT Deep\n"
                            "    PRESET Minibrot\n      red 1\n    ENDPRESET\n"
                            "  ENDCAT\n"
                            "ENDCAT\n"
                            "CAT Noise\n"
                            "  PRESET Marble\n    red noise(x, y)\n  ENDPRESET\n"
                            "ENDCAT\n"
                            "PRESET Loose\n  red 7\nENDPRESET\n";

const QStringList kShape = {"Fractals",     "  Mandel", "  Julia",  "  Deep",
                            "    Minibrot", "Noise",    "  Marble", "Loose"};

// What the save button collects from the other pages.
class FakeHost : public PresetsHost {
  public:
    void collectSettings(RenderSettings& out) override {
        ++collects;
        setFormulaText(out.red, red.toUtf8().constData());
        out.framerate = 24;
        std::strcpy(out.moviefile, "host.mov"); // as the Movie Options page always does
    }
    void applySettingsAndRender() override { ++applies; }

    QString red = QStringLiteral("x*y");
    int collects = 0;
    int applies = 0;
};

void shapeOf(const PresetNode& node, int depth, QStringList& out) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        const PresetNode* c = node.child(i);
        out << QString(depth * 2, QLatin1Char(' ')) + QString::fromStdString(c->name());
        shapeOf(*c, depth + 1, out);
    }
}
QStringList shapeOf(const PresetTree& tree) {
    QStringList out;
    shapeOf(tree.root(), 0, out);
    return out;
}
void shapeOf(const QTreeWidgetItem* item, int depth, QStringList& out) {
    out << QString(depth * 2, QLatin1Char(' ')) + item->text(0);
    for (int i = 0; i < item->childCount(); ++i)
        shapeOf(item->child(i), depth + 1, out);
}
QStringList shapeOf(const QTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        shapeOf(tree->topLevelItem(i), 0, out);
    return out;
}
QStringList shapeOfFile(const QString& path) {
    PresetsReadResult read = readPresetsFile(QFile::encodeName(path).toStdString());
    if (read.status != PresetsReadStatus::Read) return {QStringLiteral("<unreadable>")};
    return shapeOf(read.tree);
}
std::string written(const PresetTree& tree) {
    std::ostringstream out;
    writePresets(tree, out);
    return out.str();
}
QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A page on a test file, with a host that records what the page asks.
struct Page {
    Page() {
        QVERIFY(dir.isValid());
        path = dir.filePath("presets.txt");
        QVERIFY(writeFile(path, kPresets));
        page.setHost(&host);
        page.setWarningHandler([this](const QString& text) { warnings << text; });
        page.readPresets(path);
    }
    QTreeWidgetItem* item(const char* path) const {
        return page.itemOf(page.tree().findByPath(path));
    }
    void select(const char* path) { page.treeWidget()->setCurrentItem(item(path)); }
    // The widget, the model and the file hold the same tree.
    void verifyInStep() const {
        QCOMPARE(shapeOf(page.treeWidget()), shapeOf(page.tree()));
        QCOMPARE(shapeOfFile(path), shapeOf(page.tree()));
    }

    QTemporaryDir dir;
    QString path;
    FakeHost host;
    PresetsPage page;
    QStringList warnings;
};

QStringList inserted(QStringList shape, int at, const QString& line) {
    shape.insert(at, line);
    return shape;
}

} // namespace

class PresetsPageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void cleanup() { clearMessageHooks(); }

    void readsTheFileOnce();
    void loadPutsThePresetEverywhere();
    void doubleClicks();
    void savePosition_data();
    void savePosition();
    void saveWithLongNameWarnsAndSaves();
    void twoPresetsOfOneName();
    void deleteTakesEverythingBelow();
    void renameInPlace();
    void categoryWithSpaceReadsBackAsFirstWord();
    void writtenWholeAndReadBackEqual();
    void unreadableFileIsNeverWritten();
    void failedWriteKeepsTheOldFile();
    void location_data();
    void location();
    void copyProblemIsReported();
    void firstPresetAtStart();
    void loadedPresetRendersLikeTrevalinRender();
    void saveTakesThePagesAndExitWrites();
};

void PresetsPageTest::readsTheFileOnce() {
    Page p;
    QCOMPARE(p.page.nameEdit()->text(), QString("Default"));
    QCOMPARE(shapeOf(p.page.treeWidget()), kShape);
    QCOMPARE(shapeOf(p.page.tree()), kShape);
    QVERIFY(p.page.writable());
    QVERIFY(p.warnings.isEmpty());
    // A second read (the framework's initial update on file > New or open)
    // must not add every preset again.
    p.page.readPresets(p.path);
    QCOMPARE(shapeOf(p.page.treeWidget()), kShape);
    QCOMPARE(bytesOf(p.path), QByteArray(kPresets)); // reading alone writes nothing
}

void PresetsPageTest::loadPutsThePresetEverywhere() {
    Page p;
    // Nothing selected, or a category: nothing happens.
    p.page.treeWidget()->clearSelection();
    p.page.load();
    p.select("Fractals/Deep");
    p.page.load();
    QCOMPARE(p.host.applies, 0);
    QCOMPARE(p.page.nameEdit()->text(), QString("Default"));

    p.select("Fractals/Mandel");
    QTest::mouseClick(p.page.loadButton(), Qt::LeftButton);
    QCOMPARE(p.host.applies, 1);
    QCOMPARE(p.page.nameEdit()->text(), QString("Mandel"));
    auto s = zeroSettings();
    p.page.getSettings(*s);
    QCOMPARE(text(s->red), QString("mandel()"));
    QCOMPARE(s->framerate, 12.0);
    QCOMPARE(QString(s->moviefile), QString("Mandel.mov"));
}

void PresetsPageTest::doubleClicks() {
    Page p;
    p.page.resize(300, 400);
    p.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.page));
    QTreeWidget* tree = p.page.treeWidget();
    QTreeWidgetItem* noise = p.item("Noise");
    QVERIFY(!noise->isExpanded());
    const QPoint at = tree->visualItemRect(noise).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(noise->isExpanded());
    QCOMPARE(p.host.applies, 0);

    QTreeWidgetItem* marble = p.item("Noise/Marble");
    const QPoint on = tree->visualItemRect(marble).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, on);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, on);
    QCOMPARE(p.host.applies, 1);
    QCOMPARE(p.page.nameEdit()->text(), QString("Marble"));
}

void PresetsPageTest::savePosition_data() {
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QStringList>("shape");
    QTest::newRow("nothing selected: end of the top level") << "" << inserted(kShape, 8, "New");
    QTest::newRow("a preset in a category: right after it")
        << "Fractals/Julia" << inserted(kShape, 3, "  New");
    QTest::newRow("a category inside one: beside it, not in it")
        << "Fractals/Deep" << inserted(kShape, 5, "  New");
    QTest::newRow("a top-level category: beside it") << "Noise" << inserted(kShape, 7, "New");
    QTest::newRow("the last preset") << "Loose" << inserted(kShape, 8, "New");
}

void PresetsPageTest::savePosition() {
    QFETCH(QString, selected);
    QFETCH(QStringList, shape);
    Page p;
    if (selected.isEmpty())
        p.page.treeWidget()->clearSelection();
    else
        p.select(selected.toUtf8().constData());
    p.page.nameEdit()->setText("New");
    QTest::mouseClick(p.page.saveButton(), Qt::LeftButton);
    QCOMPARE(p.host.collects, 1);
    QCOMPARE(p.host.applies, 0); // saving renders nothing
    QCOMPARE(shapeOf(p.page.treeWidget()), shape);
    p.verifyInStep(); // written at once
    // The new preset holds what the pages gave, and is not selected.
    const PresetNode* added = p.page.tree().findByName("New");
    QVERIFY(added && added->isPreset());
    QCOMPARE(text(added->makeSettings()->red), QString("x*y"));
    QCOMPARE(added->makeSettings()->framerate, 24.0);
    QVERIFY(!p.page.itemOf(added)->isSelected());
}

void PresetsPageTest::saveWithLongNameWarnsAndSaves() {
    Page p;
    // Typing stops at 32 bytes.
    p.page.nameEdit()->clear();
    QTest::keyClicks(p.page.nameEdit(), QString(40, QLatin1Char('n')));
    QCOMPARE(p.page.nameEdit()->text().size(), 32);
    // A longer name comes only through load; it is said, and saved whole.
    const QString longName = QString(40, QLatin1Char('L'));
    p.page.treeWidget()->clearSelection();
    p.page.nameEdit()->setText(longName);
    p.page.save();
    QCOMPARE(p.warnings, QStringList{"Please enter no more than 32 characters."});
    QCOMPARE(shapeOf(p.page.tree()).last(), longName);
    p.verifyInStep();
    // A name beyond the label buffer is cut, never inside a character.
    const QString huge = QString(127, QLatin1Char('a')) + QString(100, QChar(0x00E9));
    p.page.nameEdit()->setText(huge);
    p.page.save();
    const QString saved = shapeOf(p.page.tree()).last();
    QCOMPARE(saved, huge.left(127 + 64)); // 127 + 64 x 2 bytes = 255
}

void PresetsPageTest::twoPresetsOfOneName() {
    Page p;
    p.page.treeWidget()->clearSelection();
    p.page.nameEdit()->setText("Twin");
    p.page.save();
    p.host.red = "2";
    p.page.save();
    QCOMPARE(shapeOf(p.page.tree()).mid(8), (QStringList{"Twin", "Twin"}));
    p.verifyInStep();
    const QByteArray file = bytesOf(p.path);
    QCOMPARE(file.count("PRESET Twin\n"), 2);
    QVERIFY(file.contains("red x*y\n"));
    QVERIFY(file.contains("red 2\n"));
}

void PresetsPageTest::deleteTakesEverythingBelow() {
    Page p;
    p.select("Fractals");
    QTest::mouseClick(p.page.deleteButton(), Qt::LeftButton);
    QCOMPARE(shapeOf(p.page.tree()), (QStringList{"Noise", "  Marble", "Loose"}));
    p.verifyInStep();
    QVERIFY(!bytesOf(p.path).contains("Minibrot"));
    // Nothing selected: nothing happens.
    p.page.treeWidget()->clearSelection();
    const QByteArray before = bytesOf(p.path);
    p.page.deletePreset();
    QCOMPARE(shapeOf(p.page.tree()), (QStringList{"Noise", "  Marble", "Loose"}));
    QCOMPARE(bytesOf(p.path), before);
}

void PresetsPageTest::renameInPlace() {
    Page p;
    p.page.resize(300, 400);
    p.page.show();
    p.page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.page));
    QTreeWidget* tree = p.page.treeWidget();
    QTreeWidgetItem* loose = p.item("Loose");
    tree->setCurrentItem(loose);
    tree->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), tree);
    // The label editor, once it has the focus.
    auto openEditor = [tree]() -> QLineEdit* {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return editor && tree->isAncestorOf(editor) ? editor : nullptr;
    };

    // F2 edits the label; Return ends the edit and the file follows.
    QTest::keyClick(tree, Qt::Key_F2);
    QLineEdit* editor = nullptr;
    QTRY_VERIFY((editor = openEditor()));
    editor->selectAll();
    QTest::keyClicks(editor, "Found Again");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(loose->text(0), QString("Found Again")); // committed after the key
    QVERIFY(p.page.tree().findByPath("Found Again"));
    p.verifyInStep();

    // Escape cancels: nothing changes, nothing is written.
    const QByteArray before = bytesOf(p.path);
    QTRY_COMPARE(QApplication::focusWidget(), tree);
    QTest::keyClick(tree, Qt::Key_F2);
    QTRY_VERIFY((editor = openEditor()));
    editor->selectAll();
    QTest::keyClicks(editor, "Gone");
    QTest::keyClick(editor, Qt::Key_Escape);
    QTRY_COMPARE(QApplication::focusWidget(), tree); // the editor has closed
    QCOMPARE(loose->text(0), QString("Found Again"));
    QCOMPARE(bytesOf(p.path), before);

    // A blank name would read back as "Untitled": the old one stays.
    loose->setText(0, "   ");
    QCOMPARE(loose->text(0), QString("Found Again"));
    QCOMPARE(bytesOf(p.path), before);

    // An edit still open when the page goes must not reach the half-gone page.
    QTest::keyClick(tree, Qt::Key_F2);
    QTRY_VERIFY((editor = openEditor()));
    QTest::keyClicks(editor, "Half");
}

void PresetsPageTest::categoryWithSpaceReadsBackAsFirstWord() {
    Page p;
    p.item("Fractals")->setText(0, "My Stuff");
    QVERIFY(bytesOf(p.path).contains("\nCAT My Stuff\n"));
    PresetsReadResult back = readPresetsFile(QFile::encodeName(p.path).toStdString());
    QCOMPARE(shapeOf(back.tree), (QStringList{"My", "  Mandel", "  Julia", "  Deep", "    Minibrot",
                                              "Noise", "  Marble", "Loose"}));
}

void PresetsPageTest::writtenWholeAndReadBackEqual() {
    Page p;
    p.select("Noise/Marble");
    p.page.nameEdit()->setText("Extra");
    p.page.save();
    // Something else spoils the file; the write at exit puts the whole tree back.
    QVERIFY(writeFile(p.path, "CAT Other\nENDCAT\n"));
    QVERIFY(p.page.writePresets());
    PresetsReadResult back = readPresetsFile(QFile::encodeName(p.path).toStdString());
    QCOMPARE(back.status, PresetsReadStatus::Read);
    QCOMPARE(written(back.tree), written(p.page.tree()));
    QCOMPARE(shapeOf(back.tree), inserted(kShape, 7, "  Extra"));
    const PresetNode* mandel = back.tree.findByPath("Fractals/Mandel");
    QCOMPARE(text(mandel->makeSettings()->red), QString("mandel()"));
    QCOMPARE(mandel->makeSettings()->framerate, 12.0);
}

void PresetsPageTest::unreadableFileIsNeverWritten() {
    QTemporaryDir dir;
    const QString path = dir.filePath("presets.txt");
    QVERIFY(writeFile(path, kPresets));
    // What a reader that failed half-way hands over: the first presets only.
    std::istringstream partial("CAT Fractals\n  PRESET Mandel\n    red 1\n  ENDPRESET\nENDCAT\n");
    PresetsReadResult read = readPresets(partial);
    read.status = PresetsReadStatus::Failed;
    read.error = "presets.txt: Input/output error";

    FakeHost host;
    QStringList warnings;
    PresetsPage page;
    page.setHost(&host);
    page.setWarningHandler([&](const QString& t) { warnings << t; });
    page.takePresets(path, std::move(read));
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings[0].contains("Input/output error"));
    QVERIFY(!page.writable());
    QCOMPARE(shapeOf(page.treeWidget()), (QStringList{"Fractals", "  Mandel"}));

    page.treeWidget()->setCurrentItem(page.itemOf(page.tree().findByName("Mandel")));
    page.save();
    page.itemOf(page.tree().findByName("Fractals"))->setText(0, "Renamed");
    page.treeWidget()->setCurrentItem(page.itemOf(page.tree().findByName("Mandel")));
    page.deletePreset();
    QVERIFY(!page.writePresets());
    QCOMPARE(bytesOf(path), QByteArray(kPresets));
    QCOMPARE(warnings.size(), 1);

    // The same through the reader: a presets.txt that is a folder.
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    PresetsPage other;
    QStringList said;
    other.setWarningHandler([&](const QString& t) { said << t; });
    other.readPresets(dir.filePath("folder"));
    QVERIFY(!other.writable());
    QCOMPARE(said.size(), 1);
}

void PresetsPageTest::failedWriteKeepsTheOldFile() {
    Page p;
    const QByteArray before = bytesOf(p.path);
    // Any file past 16 bytes fails to grow, even for root.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    p.page.treeWidget()->clearSelection();
    p.page.nameEdit()->setText("Lost?");
    p.page.save();
    const bool exitWrite = p.page.writePresets();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!exitWrite);
    QCOMPARE(p.warnings.size(), 2);
    QVERIFY2(p.warnings[0].contains("could not be saved"), qPrintable(p.warnings[0]));
    QCOMPARE(bytesOf(p.path), before);
    QCOMPARE(QDir(p.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"presets.txt"});
    // The tree keeps the preset, and the next write saves it.
    QVERIFY(p.page.writePresets());
    QVERIFY(bytesOf(p.path).contains("PRESET Lost?\n"));
}

void PresetsPageTest::location_data() {
    QTest::addColumn<bool>("inWorkingDir");
    QTest::addColumn<bool>("inDataDir");
    QTest::addColumn<bool>("bundled");
    QTest::addColumn<bool>("noDataDir");
    QTest::addColumn<QString>("chosen"); // "work" or "data"
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("the working directory's file")
        << true << true << true << false << "work" << QByteArray("work");
    QTest::newRow("the user's copy")
        << false << true << true << false << "data" << QByteArray("mine");
    QTest::newRow("first run: the bundled file copied")
        << false << false << true << false << "data" << QByteArray("bundled");
    QTest::newRow("first run without bundled presets")
        << false << false << false << false << "data" << QByteArray("<missing>");
    QTest::newRow("no data directory")
        << false << false << true << true << "work" << QByteArray("<missing>");
}

void PresetsPageTest::location() {
    QFETCH(bool, inWorkingDir);
    QFETCH(bool, inDataDir);
    QFETCH(bool, bundled);
    QFETCH(bool, noDataDir);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkpath("work") && root.mkpath("share"));
    const QString work = root.filePath("work");
    const QString data = root.filePath("home/data/Trevalin"); // made when needed
    if (inWorkingDir) QVERIFY(writeFile(work + "/presets.txt", "work"));
    if (inDataDir) QVERIFY(root.mkpath(data) && writeFile(data + "/presets.txt", "mine"));
    if (bundled) QVERIFY(writeFile(root.filePath("share/presets.txt"), "bundled"));
    const QStringList candidates = {root.filePath("nowhere/presets.txt"),
                                    root.filePath("share/presets.txt")};

    const PresetsLocation where = locatePresetsFile(work, noDataDir ? QString() : data, candidates);
    QCOMPARE(where.path, (chosen == "work" ? work : data) + "/presets.txt");
    QCOMPARE(bytesOf(where.path), contents);
    QCOMPARE(where.copiedFrom,
             contents == "bundled" ? root.filePath("share/presets.txt") : QString());
    QVERIFY(where.problem.isEmpty());
}

void PresetsPageTest::copyProblemIsReported() {
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("bundled.txt"), kPresets));
    QVERIFY(writeFile(dir.filePath("file"), "not a folder"));
    const PresetsLocation where = locatePresetsFile(dir.filePath("work"), dir.filePath("file/data"),
                                                    {dir.filePath("bundled.txt")});
    QCOMPARE(where.path, dir.filePath("file/data/presets.txt"));
    QVERIFY(!where.problem.isEmpty());
    QVERIFY(where.copiedFrom.isEmpty());
}

void PresetsPageTest::firstPresetAtStart() {
    // The first preset in tree order, past an empty category.
    std::istringstream in("CAT Samples\nCAT Empty\nENDCAT\nPRESET Rings\n    red sin(d*8)\n"
                          "    left -1\nENDPRESET\nPRESET Second\n    red 0\nENDPRESET\nENDCAT\n");
    const PresetsReadResult read = readPresets(in);
    auto s = zeroSettings();
    QString name;
    QVERIFY(loadFirstPreset(read.tree, *s, &name));
    QCOMPARE(name, QString("Rings"));
    QCOMPARE(text(s->red), QString("sin(d*8)"));
    QCOMPARE(text(s->left), QString("-1"));
    std::istringstream none("CAT Empty\nENDCAT\n");
    auto untouched = zeroSettings();
    untouched->codec = 5;
    QVERIFY(!loadFirstPreset(readPresets(none).tree, *untouched));
    QCOMPARE(untouched->codec, 5);
}

void PresetsPageTest::loadedPresetRendersLikeTrevalinRender() {
#ifndef TREVALIN_RENDER_PATH
    QSKIP("trevalin-render is not part of this build");
#else
    // The bundled presets, from a copy: the page writes where it read.
    QTemporaryDir dir;
    const QString presets = dir.filePath("presets.txt");
    QVERIFY(QFile::copy(TREVALIN_SOURCE_DIR "/data/presets.txt", presets));
    RenderJob job;
    Document doc;
    MainWindow frame(doc, job);
    frame.show();
    QVERIFY(doc.setImageSize(48, 40));
    PresetsPage* page = frame.tabs()->presetsPage();
    page->readPresets(presets);

    for (const char* name : {"Mandelbrot Glow", "Marble", "Douady Rabbit"}) {
        const PresetNode* preset = page->tree().findPreset(name);
        QVERIFY2(preset, name);
        page->selectPreset(preset);
        QTest::mouseClick(page->loadButton(), Qt::LeftButton);
        QVERIFY(waitForJob(job));
        QCOMPARE(page->nameEdit()->text(), QString(name));
        QCOMPARE(text(doc.settings().red), text(preset->makeSettings()->red));
        const QImage shown = snapshotImage(doc, job.lock());

        const QString png = dir.filePath(QStringLiteral("%1.png").arg(name));
        QProcess cli;
        cli.start(TREVALIN_RENDER_PATH, {"--presets", presets, "--preset", name, "--size", "48x40",
                                         "-o", png, "--quiet"});
        QVERIFY(cli.waitForFinished(60000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        const QImage rendered = QImage(png).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(rendered.size(), shown.size());
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if ((shown.pixel(x, y) & 0xFFFFFF) != (rendered.pixel(x, y) & 0xFFFFFF))
                    ++differing;
        QVERIFY2(differing == 0,
                 qPrintable(QStringLiteral("%1: %2 pixels differ").arg(name).arg(differing)));
        // Not a blank picture both ways.
        QVERIFY(shown.pixel(0, 0) != shown.pixel(24, 20) ||
                shown.pixel(47, 39) != shown.pixel(0, 0));
    }
    frame.view()->stopRender();
#endif
}

void PresetsPageTest::saveTakesThePagesAndExitWrites() {
    QTemporaryDir dir;
    const QString presets = dir.filePath("presets.txt");
    QVERIFY(writeFile(presets, kPresets));
    RenderJob job;
    Document doc;
    auto frame = std::make_unique<MainWindow>(doc, job);
    frame->show();
    PresetsPage* page = frame->tabs()->presetsPage();
    page->readPresets(presets);

    // save collects the Formulas, Coords and Movie Options pages.
    frame->tabs()->formulasPage()->redEdit()->setText("x-y");
    frame->tabs()->coordsPage()->leftEdit()->setText("-3");
    page->treeWidget()->clearSelection();
    page->nameEdit()->setText("From Pages");
    page->save();
    const PresetNode* saved = page->tree().findByName("From Pages");
    QVERIFY(saved);
    QCOMPARE(text(saved->makeSettings()->red), QString("x-y"));
    QCOMPARE(text(saved->makeSettings()->left), QString("-3"));
    QCOMPARE(saved->makeSettings()->codec, 3);
    QVERIFY(bytesOf(presets).contains("PRESET From Pages\n"));

    // A name that will not read back as it is gets a note in the status bar.
    QTreeWidgetItem* category = page->treeWidget()->topLevelItem(0);
    const QString name = category->text(0);
    category->setText(0, "My Stuff");
    QVERIFY(frame->statusBar()->currentMessage().contains("will read back as it is"));
    QVERIFY(frame->statusBar()->currentMessage().contains("My Stuff"));
    category->setText(0, name);

    // Closing the window writes the whole tree once more.
    QVERIFY(writeFile(presets, "# spoilt\n"));
    setSaveQuestionHook([](const QString&) { return SaveAnswer::Discard; });
    QVERIFY(frame->close());
    setSaveQuestionHook(nullptr);
    PresetsReadResult back = readPresetsFile(QFile::encodeName(presets).toStdString());
    QCOMPARE(written(back.tree), written(page->tree()));
    QCOMPARE(shapeOf(back.tree), inserted(kShape, 8, "From Pages"));
    frame.reset();
}

QTEST_MAIN(PresetsPageTest)
#include "presets_page_test.moc"
