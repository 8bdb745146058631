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

#include "app/main_frame.h"
#include "app/pages/props_a.h"
#include "app/settings_history.h"
#include "app/view/trevalin_view.h"
#include "app_test_support.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

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
        CTrevalinDoc doc;
        CMainFrame frame(doc, job);
        QSettings settings;
        auto record = std::make_unique<RenderSettings>();
        QVERIFY(!frame.restoreLayout(settings, record.get())); // nothing saved yet
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        QVERIFY(frame.width() >= screen.width() / 2);
        QVERIFY(doc.ImageWidth() >= 256);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        // The picture gets most of the room.
        QVERIFY(frame.Splitter()->sizes()[0] > frame.Splitter()->sizes()[1]);
        frame.resize(900, 640);
        frame.Splitter()->setSizes({500, 400});
        frame.Tabs()->setCurrentIndex(CMyTabView::kFormulasTab);
        QVERIFY(frame.resizeImage(123, 77));
        frame.Tabs()->FormulasPage()->RedEdit()->setText("x*2");
        frame.OnRenderImage();
        QVERIFY(waitForJob(job));
        savedSplit = frame.Splitter()->sizes();
        saved = std::make_shared<RenderSettings>();
        doc.GetSettings(*saved);
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
        CTrevalinDoc doc;
        CMainFrame frame(doc, job);
        QSettings settings;
        auto record = std::make_unique<RenderSettings>();
        QVERIFY(frame.restoreLayout(settings, record.get()));
        QCOMPARE(frame.size(), QSize(900, 640));
        QCOMPARE(frame.Tabs()->currentIndex(), int(CMyTabView::kFormulasTab));
        QCOMPARE(doc.ImageWidth(), 123);
        QCOMPARE(doc.ImageHeight(), 77);
        QVERIFY(sameSettings(*record, *saved));
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.Splitter()->sizes(), savedSplit);
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
