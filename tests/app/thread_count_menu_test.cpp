// Render > Threads: the choice reaches the render job and is remembered.
#include <QAction>
#include <QSettings>
#include <QtTest>

#include "app/thread_count_menu.h"
#include "app_test_support.h"
#include "render/render_job.h"

using namespace trevalin;
using trevalin::testing::isolateSettings;

class ThreadCountMenuTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { QSettings().remove(QStringLiteral("render/threads")); }
    void everyCoreByDefault();
    void choiceReachesTheJobAndIsRemembered();
    void unusableStoredCountsMeanEveryCore();
};

namespace {

QAction* actionFor(QMenu& menu, int threads) {
    for (QAction* a : menu.actions())
        if (a->isCheckable() && a->data().toInt() == threads) return a;
    return nullptr;
}

} // namespace

void ThreadCountMenuTest::everyCoreByDefault() {
    RenderJob job;
    job.setThreadCount(5);
    ThreadCountMenu menu(job);
    QCOMPARE(job.threadCount(), 0);
    QAction* all = actionFor(menu, 0);
    QVERIFY(all);
    QVERIFY(all->isChecked());
    QVERIFY(actionFor(menu, 1));
}

void ThreadCountMenuTest::choiceReachesTheJobAndIsRemembered() {
    RenderJob job;
    {
        ThreadCountMenu menu(job);
        QAction* one = actionFor(menu, 1);
        QVERIFY(one);
        one->trigger();
        QCOMPARE(job.threadCount(), 1);
        QVERIFY(one->isChecked());
        QVERIFY(!actionFor(menu, 0)->isChecked());
    }
    RenderJob next; // as after a restart
    ThreadCountMenu again(next);
    QCOMPARE(next.threadCount(), 1);
    QVERIFY(actionFor(again, 1)->isChecked());

    // A count stored on a machine with more cores still shows, checked.
    QSettings().setValue(QStringLiteral("render/threads"), 1000);
    RenderJob third;
    ThreadCountMenu big(third);
    QCOMPARE(third.threadCount(), 1000);
    QVERIFY(actionFor(big, 1000) && actionFor(big, 1000)->isChecked());
}

void ThreadCountMenuTest::unusableStoredCountsMeanEveryCore() {
    for (const QVariant& v : {QVariant(-3), QVariant(QStringLiteral("many")), QVariant(5000)}) {
        QSettings().setValue(QStringLiteral("render/threads"), v);
        RenderJob job;
        job.setThreadCount(7);
        ThreadCountMenu menu(job);
        QCOMPARE(job.threadCount(), 0);
        QVERIFY(actionFor(menu, 0)->isChecked());
    }
}

QTEST_MAIN(ThreadCountMenuTest)
#include "thread_count_menu_test.moc"
