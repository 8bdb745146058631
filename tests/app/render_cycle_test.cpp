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

#include "app/main_window.h"
#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/parallel_pass.h"
#include "render/render_job.h"

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

void setFormulas(MainWindow& frame, const char* red, const char* recursion = "64") {
    frame.tabs()->formulasPage()->redEdit()->setText(red);
    frame.tabs()->formulasPage()->greenEdit()->setText("noise(x*8, y*8)*255");
    frame.tabs()->formulasPage()->blueEdit()->setText("turb(x*4, y*4)*255");
    frame.tabs()->coordsPage()->leftEdit()->setText("-2");
    frame.tabs()->coordsPage()->topEdit()->setText("-1.5");
    frame.tabs()->coordsPage()->widthEdit()->setText("3");
    frame.tabs()->coordsPage()->recursionEdit()->setText(recursion);
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
    Document doc;
    MainWindow frame(doc, job);
    frame.show();
    QVERIFY(doc.setImageSize(32, 32));
    setFormulas(frame, "mandel()*4");

    // Warm up painting and fonts, so their one-time threads and caches are in
    // before the counts are taken.
    frame.onRenderImage();
    QVERIFY(waitForJob(job));
    QTest::qWait(350);
    const int threads = threadCount();
    const long rss = residentKb();

    using Clock = std::chrono::steady_clock;
    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 100; ++i) {
        const auto start = Clock::now();
        frame.onRenderImage(); // stops the previous job, whatever its state
        if (i % 5 == 0) frame.onRenderStop();
        slowest = std::max(slowest, Clock::now() - start);
        if (i % 3 == 0) QCoreApplication::processEvents(); // queued repaints arrive
        if (i % 10 == 9) QVERIFY(waitForJob(job));
        QCOMPARE(frame.view()->hasWorker(), i % 5 != 0);
    }
    QVERIFY2(slowest < std::chrono::seconds(2), "a stop took too long");
    frame.onRenderImage();
    QVERIFY(waitForJob(job));
    QTRY_VERIFY(!frame.view()->hasWorker());
    QVERIFY(frame.view()->statusText().startsWith("elapsed: "));
    // A joined thread can stay listed under /proc for a moment after join returns:
    // the kernel wakes the joiner before it removes the task.
    QTRY_COMPARE(threadCount(), threads);
#ifndef __SANITIZE_ADDRESS__ // its quarantine keeps freed memory resident; it checks leaks itself
    QVERIFY2(residentKb() - rss < 8 * 1024, qPrintable(QString::number(residentKb() - rss)));
#else
    (void)rss;
#endif
}

void RenderCycleTest::viewSettlesAfterJobEnds() {
    RenderJob job;
    Document doc;
    MainWindow frame(doc, job);
    frame.show();
    QVERIFY(doc.setImageSize(16, 16));
    setFormulas(frame, "x*255");
    QSignalSpy finished(frame.view(), &ImageView::renderFinished);
    frame.onRenderImage();
    QVERIFY(frame.view()->timerActive());
    QVERIFY(waitForJob(job));
    // The next 300 ms tick joins the thread and stops the timer.
    QTRY_VERIFY_WITH_TIMEOUT(!frame.view()->timerActive(), 1000);
    QVERIFY(!frame.view()->hasWorker());
    QCOMPARE(finished.count(), 1);
}

void RenderCycleTest::stopWhileIdleChangesNothing() {
    RenderJob job;
    Document doc;
    MainWindow frame(doc, job);
    QVERIFY(doc.setImageSize(8, 8));
    setFormulas(frame, "1");
    frame.onRenderImage();
    QVERIFY(waitForJob(job));
    QTRY_VERIFY(!frame.view()->hasWorker());
    const QString status = frame.view()->statusText();
    frame.onRenderStop();
    frame.onRenderStop();
    QCOMPARE(frame.view()->statusText(), status);
    QVERIFY(!job.running());
    QVERIFY(!frame.view()->timerActive());
}

void RenderCycleTest::restartWhileRunningJoinsTheFirst() {
    RenderJob job;
    Document doc;
    MainWindow frame(doc, job);
    QVERIFY(doc.setImageSize(400, 400));
    setFormulas(frame, "mandel()", "5000"); // long enough to be running when restarted
    const int idle = threadCount();
    frame.onRenderImage();
    QVERIFY(job.running());
    QVERIFY(threadCount() > idle);
    QVERIFY(doc.setImageSize(8, 8)); // stops the running job first
    QVERIFY(!job.running());
    // The job's thread and the helpers of its passes sleep until the next
    // render, which uses them rather than start more.
    const int helpers = job.helperThreads();
    QVERIFY(helpers < effectiveThreadCount(0));
    QTRY_COMPARE(threadCount(), idle + 1 + helpers);
    frame.onRenderImage();
    QVERIFY(waitForJob(job));
    QVERIFY(job.finished());
    QCOMPARE(job.helperThreads(), helpers);
    QTRY_COMPARE(threadCount(), idle + 1 + helpers);
}

void RenderCycleTest::closingWindowStopsRender() {
    RenderJob job;
    Document doc;
    auto frame = std::make_unique<MainWindow>(doc, job);
    QVERIFY(doc.setImageSize(400, 400));
    setFormulas(*frame, "mandel()", "5000");
    frame->onRenderImage();
    QVERIFY(job.running());
    frame.reset();
    QVERIFY(!job.running());
    // The document no longer reaches the view that is gone.
    doc.startRendering();
    QVERIFY(!job.running());
}

QTEST_MAIN(RenderCycleTest)
#include "render_cycle_test.moc"
