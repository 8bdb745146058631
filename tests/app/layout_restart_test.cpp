// What the window remembers survives a restart: two QApplication runs in one
// process, sharing a temporary settings folder.
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "app/pages/formulas_page.h"
#include "app/settings_history.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

std::shared_ptr<RenderSettings> saved; // what the first run rendered
QList<int> savedSplit;                 // and where its divider stood

class FirstRun : public QObject {
    Q_OBJECT
  private slots:
    void firstStartFitsTheScreenThenSaves() {
        RenderJob job;
        Document doc;
        MainWindow frame(doc, job);
        QSettings settings;
        auto record = std::make_unique<RenderSettings>();
        QVERIFY(!frame.restoreLayout(settings, record.get())); // nothing saved yet
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY(frame.width() >= screen.width() / 2);
        QVERIFY(frame.width() >= std::min(1000, screen.width())); // room for picture and pages
        QVERIFY(doc.imageWidth() >= 256);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        // The picture gets most of the room.
        QVERIFY(frame.splitter()->sizes()[0] > frame.splitter()->sizes()[1]);
        frame.resize(900, 640);
        frame.splitter()->setSizes({500, 400});
        frame.tabs()->setCurrentIndex(SettingsPane::kFormulasTab);
        QVERIFY(frame.resizeImage(123, 77));
        frame.tabs()->formulasPage()->redEdit()->setText("x*2");
        frame.onRenderImage();
        QVERIFY(waitForJob(job));
        savedSplit = frame.splitter()->sizes();
        saved = std::make_shared<RenderSettings>();
        doc.getSettings(*saved);
        setSaveQuestionHook([](const QString&) { return SaveAnswer::Discard; });
        QVERIFY(frame.close());
        clearMessageHooks();
    }
};

class SecondRun : public QObject {
    Q_OBJECT
  private slots:
    void layoutAndSettingsComeBack() {
        RenderJob job;
        Document doc;
        MainWindow frame(doc, job);
        QSettings settings;
        auto record = std::make_unique<RenderSettings>();
        QVERIFY(frame.restoreLayout(settings, record.get()));
        QCOMPARE(frame.size(), QSize(900, 640));
        QCOMPARE(frame.tabs()->currentIndex(), int(SettingsPane::kFormulasTab));
        QCOMPARE(doc.imageWidth(), 123);
        QCOMPARE(doc.imageHeight(), 77);
        QVERIFY(sameSettings(*record, *saved));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.splitter()->sizes(), savedSplit);
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    int failures = 0;
    {
        QApplication app(argc, argv);
        isolateSettings();
        FirstRun first;
        failures += QTest::qExec(&first, argc, argv);
    }
    {
        QApplication app(argc, argv);
        isolateSettings();
        SecondRun second;
        failures += QTest::qExec(&second, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

#include "layout_restart_test.moc"
