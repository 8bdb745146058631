// Starting, stopping and restarting renders through the main window: every
// worker thread is joined, nothing hangs, and the view settles when a job ends.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <fstream>
#include <string>

#include "app/main_frame.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/view/trevalin_view.h"
#include "app_test_support.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// Threads of this process, leaving out Qt's pooled helpers, which come and go
// on their own schedule.
int threadCount() {
    int count = 0;
    const QDir tasks("/proc/self/task");
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + "/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("Thread (pooled)"))
            continue;
        ++count;
    }
    return count;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

void setFormulas(CMainFrame& frame, const char* red, const char* recursion = "64") {
    frame.Tabs()->FormulasPage()->RedEdit()->setText(red);
    frame.Tabs()->FormulasPage()->GreenEdit()->setText("noise(x*8, y*8)*255");
    frame.Tabs()->FormulasPage()->BlueEdit()->setText("turb(x*4, y*4)*255");
    frame.Tabs()->CoordsPage()->LeftEdit()->setText("-2");
    frame.Tabs()->CoordsPage()->TopEdit()->setText("-1.5");
    frame.Tabs()->CoordsPage()->WidthEdit()->setText("3");
    frame.Tabs()->CoordsPage()->RecursionEdit()->setText(recursion);
}

} // namespace

class RenderCycleTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void hundredStartStopRestartCycles();
    void viewSettlesAfterJobEnds();
    void stopWhileIdleChangesNothing();
    void restartWhileRunningJoinsTheFirst();
    void closingWindowStopsRender();
};

void RenderCycleTest::hundredStartStopRestartCycles() {
    RenderJob job;
    CTrevalinDoc doc;
    CMainFrame frame(doc, job);
    frame.show();
    QVERIFY(doc.SetImageSize(32, 32));
    setFormulas(frame, "mandel()*4");

    // Warm up painting and fonts, so their one-time threads and caches are in
    // before the counts are taken.
    frame.OnRenderImage();
    QVERIFY(waitForJob(job));
    QTest::qWait(350);
    const int threads = threadCount();
    const long rss = residentKb();

    using Clock = std::chrono::steady_clock;
    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 100; ++i) {
        const auto start = Clock::now();
        frame.OnRenderImage(); // stops the previous job, whatever its state
        if (i % 5 == 0) frame.OnRenderStop();
        slowest = std::max(slowest, Clock::now() - start);
        if (i % 3 == 0) QCoreApplication::processEvents(); // queued repaints arrive
        if (i % 10 == 9) QVERIFY(waitForJob(job));
        QCOMPARE(frame.View()->HasWorker(), i % 5 != 0);
    }
    QVERIFY2(slowest < std::chrono::seconds(2), "a stop took too long");
    frame.OnRenderImage();
    QVERIFY(waitForJob(job));
    QTRY_VERIFY(!frame.View()->HasWorker());
    QVERIFY(frame.View()->StatusText().startsWith("elapsed: "));
    QCOMPARE(threadCount(), threads);
#ifndef __SANITIZE_ADDRESS__ // its quarantine keeps freed memory resident; it checks leaks itself
    QVERIFY2(residentKb() - rss < 8 * 1024, qPrintable(QString::number(residentKb() - rss)));
#else
    (void)rss;
#endif
}

void RenderCycleTest::viewSettlesAfterJobEnds() {
    RenderJob job;
    CTrevalinDoc doc;
    CMainFrame frame(doc, job);
    frame.show();
    QVERIFY(doc.SetImageSize(16, 16));
    setFormulas(frame, "x*255");
    QSignalSpy finished(frame.View(), &CTrevalinView::renderFinished);
    frame.OnRenderImage();
    QVERIFY(frame.View()->TimerActive());
    QVERIFY(waitForJob(job));
    // The next 300 ms tick joins the thread and stops the timer.
    QTRY_VERIFY_WITH_TIMEOUT(!frame.View()->TimerActive(), 1000);
    QVERIFY(!frame.View()->HasWorker());
    QCOMPARE(finished.count(), 1);
}

void RenderCycleTest::stopWhileIdleChangesNothing() {
    RenderJob job;
    CTrevalinDoc doc;
    CMainFrame frame(doc, job);
    QVERIFY(doc.SetImageSize(8, 8));
    setFormulas(frame, "1");
    frame.OnRenderImage();
    QVERIFY(waitForJob(job));
    QTRY_VERIFY(!frame.View()->HasWorker());
    const QString status = frame.View()->StatusText();
    frame.OnRenderStop();
    frame.OnRenderStop();
    QCOMPARE(frame.View()->StatusText(), status);
    QVERIFY(!job.Running());
    QVERIFY(!frame.View()->TimerActive());
}

void RenderCycleTest::restartWhileRunningJoinsTheFirst() {
    RenderJob job;
    CTrevalinDoc doc;
    CMainFrame frame(doc, job);
    QVERIFY(doc.SetImageSize(400, 400));
    setFormulas(frame, "mandel()", "5000"); // long enough to be running when restarted
    const int idle = threadCount();
    frame.OnRenderImage();
    QVERIFY(job.Running());
    QVERIFY(threadCount() > idle);
    QVERIFY(doc.SetImageSize(8, 8)); // stops the running job first
    QVERIFY(!job.Running());
    // The worker and the threads of its pass are joined.
    QCOMPARE(threadCount(), idle);
    frame.OnRenderImage();
    QVERIFY(waitForJob(job));
    QVERIFY(job.Finished());
}

void RenderCycleTest::closingWindowStopsRender() {
    RenderJob job;
    CTrevalinDoc doc;
    auto frame = std::make_unique<CMainFrame>(doc, job);
    QVERIFY(doc.SetImageSize(400, 400));
    setFormulas(*frame, "mandel()", "5000");
    frame->OnRenderImage();
    QVERIFY(job.Running());
    frame.reset();
    QVERIFY(!job.Running());
    // The document no longer reaches the view that is gone.
    doc.StartRendering();
    QVERIFY(!job.Running());
}

QTEST_MAIN(RenderCycleTest)
#include "render_cycle_test.moc"
