// Holding off the screen saver: asked for while the window is active or a
// render runs, given back when both have ended, and quiet without a session
// service. The D-Bus calls themselves are checked against a stand-in service
// on a private bus when dbus-daemon is installed.
#include <QDBusConnection>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include "app/main_window.h"
#include "app/session_inhibitor.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// Writes down every call; hands out cookies 1, 2, 3... unless told to refuse.
struct CallLog {
    QStringList calls;
    std::vector<quint32> held; // cookies given and not yet returned
    bool refuse = false;
    quint32 next = 1;
};

class FakeService : public InhibitService {
  public:
    explicit FakeService(CallLog& log) : log_(log) {}
    std::optional<quint32> inhibit(const QString& application, const QString&) override {
        log_.calls << QStringLiteral("inhibit %1").arg(application);
        if (log_.refuse) return std::nullopt;
        log_.held.push_back(log_.next);
        return log_.next++;
    }
    void uninhibit(quint32 cookie) override {
        log_.calls << QStringLiteral("uninhibit %1").arg(cookie);
        auto it = std::find(log_.held.begin(), log_.held.end(), cookie);
        if (it == log_.held.end())
            log_.calls << QStringLiteral("unknown cookie");
        else
            log_.held.erase(it);
    }

  private:
    CallLog& log_;
};

using Program = ProgramWindow;

// The freedesktop interface as a session offers it.
class ScreenSaverStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public:
    QStringList calls;
  public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        calls << QStringLiteral("Inhibit %1 %2").arg(application, reason.isEmpty() ? "-" : "why");
        return 42;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }
};

} // namespace

class SessionInhibitorTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void holdsWhileActiveOrRendering_data();
    void holdsWhileActiveOrRendering();
    void randomSequencesNeverLeakACookie();
    void refusedRequestIsNotRepeated();
    void heldAroundARenderAndReleasedAtItsEnd();
    void releasedWhenTheRenderIsStopped();
    void releasedWhenTheInhibitorGoes();
    void dbusCallsReachTheSessionService();

  private:
    QProcess busDaemon_;
    bool haveBus_ = false;
};

void SessionInhibitorTest::initTestCase() {
    isolateSettings();
    // A private session bus, so that the test never talks to the desktop it
    // runs on; with no daemon, a bus that is not there.
    busDaemon_.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
    QByteArray address;
    if (busDaemon_.waitForStarted() && busDaemon_.waitForReadyRead(10000))
        address = busDaemon_.readLine().trimmed();
    haveBus_ = !address.isEmpty();
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            haveBus_ ? address : QByteArray("unix:path=/nonexistent/trevalin-test-bus"));
}

void SessionInhibitorTest::cleanupTestCase() {
    if (busDaemon_.state() != QProcess::NotRunning) {
        busDaemon_.terminate();
        busDaemon_.waitForFinished();
    }
}

// Steps are "A" window activated, "a" deactivated, "R" render started, "r" ended.
void SessionInhibitorTest::holdsWhileActiveOrRendering_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("holding");
    const QString in = QStringLiteral("inhibit Trevalin");
    QTest::newRow("nothing") << "" << QStringList{} << false;
    QTest::newRow("active") << "A" << QStringList{in} << true;
    QTest::newRow("focus lost") << "Aa" << QStringList{in, "uninhibit 1"} << false;
    QTest::newRow("render alone") << "Rr" << QStringList{in, "uninhibit 1"} << false;
    QTest::newRow("focus lost while rendering") << "ARa" << QStringList{in} << true;
    QTest::newRow("render ends after focus lost")
        << "ARar" << QStringList{in, "uninhibit 1"} << false;
    QTest::newRow("render ends, window still active") << "ARr" << QStringList{in} << true;
    QTest::newRow("twice") << "AaRr" << QStringList{in, "uninhibit 1", in, "uninhibit 2"} << false;
    QTest::newRow("repeated activation asks once") << "AAA" << QStringList{in} << true;
}

void SessionInhibitorTest::holdsWhileActiveOrRendering() {
    QFETCH(QString, steps);
    QFETCH(QStringList, calls);
    QFETCH(bool, holding);
    CallLog log;
    SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
    for (QChar c : steps) {
        if (c.toLower() == QLatin1Char('a'))
            inhibitor.setWindowActive(c.isUpper());
        else
            inhibitor.setRendering(c.isUpper());
    }
    QCOMPARE(log.calls, calls);
    QCOMPARE(inhibitor.holding(), holding);
    QCOMPARE(log.held.size(), std::size_t(holding ? 1 : 0));
}

void SessionInhibitorTest::randomSequencesNeverLeakACookie() {
    auto* random = QRandomGenerator::global();
    for (int run = 0; run < 200; ++run) {
        CallLog log;
        bool active = false;
        bool rendering = false;
        {
            SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
            for (int step = 0; step < 20; ++step) {
                if (random->bounded(2))
                    inhibitor.setWindowActive(active = random->bounded(2));
                else
                    inhibitor.setRendering(rendering = random->bounded(2));
                QCOMPARE(inhibitor.holding(), active || rendering);
                QVERIFY(log.held.size() == (active || rendering ? 1u : 0u));
            }
        }
        // Gone with the inhibitor, and only cookies the service gave were returned.
        QVERIFY(log.held.empty());
        QVERIFY(!log.calls.contains(QStringLiteral("unknown cookie")));
    }
}

void SessionInhibitorTest::refusedRequestIsNotRepeated() {
    CallLog log;
    log.refuse = true;
    SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
    for (int i = 0; i < 5; ++i) {
        inhibitor.setWindowActive(true);
        inhibitor.setRendering(true);
        inhibitor.setWindowActive(false);
        inhibitor.setRendering(false);
    }
    QCOMPARE(log.calls, QStringList{QStringLiteral("inhibit Trevalin")});
    QVERIFY(!inhibitor.holding());
}

void SessionInhibitorTest::heldAroundARenderAndReleasedAtItsEnd() {
    Program p;
    QVERIFY(p.doc.setImageSize(32, 32));
    CallLog log;
    SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
    inhibitor.watch(&p.frame, p.frame.view()); // never shown: never active
    QVERIFY(log.calls.isEmpty());

    p.frame.onRenderImage();
    QVERIFY(p.job.running() || p.frame.view()->hasWorker());
    QCOMPARE(log.calls, QStringList{QStringLiteral("inhibit Trevalin")});
    QVERIFY(inhibitor.holding());

    QVERIFY(waitForJob(p.job));
    QTRY_VERIFY(!p.frame.view()->hasWorker());
    QCOMPARE(log.calls,
             (QStringList{QStringLiteral("inhibit Trevalin"), QStringLiteral("uninhibit 1")}));
    QVERIFY(!inhibitor.holding());
}

void SessionInhibitorTest::releasedWhenTheRenderIsStopped() {
    Program p;
    QVERIFY(p.doc.setImageSize(2000, 2000));
    CallLog log;
    SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
    inhibitor.watch(&p.frame, p.frame.view());
    p.frame.onRenderImage();
    QVERIFY(inhibitor.holding());
    p.frame.onRenderStop();
    QVERIFY(!inhibitor.holding());
    QVERIFY(log.held.empty());
    // A render started over a running one holds one cookie, not two.
    p.frame.onRenderImage();
    p.frame.onRenderImage();
    QCOMPARE(log.held.size(), std::size_t(1));
    p.frame.onRenderStop();
    QVERIFY(log.held.empty());
}

void SessionInhibitorTest::releasedWhenTheInhibitorGoes() {
    Program p;
    CallLog log;
    {
        SessionInhibitor inhibitor(std::make_unique<FakeService>(log));
        inhibitor.watch(&p.frame, p.frame.view());
        p.frame.show();
        p.frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.frame));
        QTRY_VERIFY(inhibitor.holding());
    }
    QVERIFY(log.held.empty());
}

void SessionInhibitorTest::dbusCallsReachTheSessionService() {
    const std::unique_ptr<InhibitService> service = makeScreenSaverService();
    if (!haveBus_) {
        // No session bus at all: nothing comes back and nothing fails.
        QVERIFY(!service->inhibit(QStringLiteral("Trevalin"), QStringLiteral("test")));
        service->uninhibit(7);
        QSKIP("dbus-daemon is not installed: only the missing bus was checked");
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    // A bus without the service: quiet, no cookie.
    QVERIFY(!service->inhibit(QStringLiteral("Trevalin"), QStringLiteral("test")));

    ScreenSaverStandIn standIn;
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &standIn,
                               QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    const std::optional<quint32> cookie =
        service->inhibit(QStringLiteral("Trevalin"), QStringLiteral("Rendering"));
    QVERIFY(cookie.has_value());
    QCOMPARE(*cookie, 42u);
    service->uninhibit(*cookie);
    QTRY_COMPARE(standIn.calls, (QStringList{QStringLiteral("Inhibit Trevalin why"),
                                             QStringLiteral("UnInhibit 42")}));
    bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
}

QTEST_MAIN(SessionInhibitorTest)
#include "session_inhibitor_test.moc"
