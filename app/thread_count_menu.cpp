#include "app/thread_count_menu.h"

#include <QActionGroup>
#include <QSettings>

#include <thread>

#include "render/render_job.h"

namespace trevalin {
namespace {

const char* const kThreadsKey = "render/threads";

} // namespace

ThreadCountMenu::ThreadCountMenu(RenderJob& job, QWidget* parent)
    : QMenu(tr("&Threads"), parent), job_(job) {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const int stored = storedThreadCount();
    auto* group = new QActionGroup(this);
    auto add = [&](const QString& text, int threads) {
        QAction* action = addAction(text);
        action->setCheckable(true);
        action->setData(threads);
        action->setChecked(threads == stored);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, threads] { choose(threads); });
    };
    add(tr("&Every Core (%1)").arg(cores > 0 ? cores : 1), 0);
    addSeparator();
    // Powers of two up to the cores, the core count itself, and a stored count
    // from another machine.
    for (int n = 1; n <= cores || n == 1; n *= 2)
        add(QString::number(n), n);
    if (cores > 1 && (cores & (cores - 1)) != 0) add(QString::number(cores), cores);
    if (stored > 0 && group->checkedAction() == nullptr) add(QString::number(stored), stored);
    job_.setThreadCount(stored);
}

int ThreadCountMenu::storedThreadCount() {
    bool ok = false;
    const int n = QSettings().value(QLatin1String(kThreadsKey), 0).toInt(&ok);
    return ok && n > 0 && n <= 1024 ? n : 0;
}

void ThreadCountMenu::choose(int threads) {
    job_.setThreadCount(threads);
    QSettings().setValue(QLatin1String(kThreadsKey), threads);
}

} // namespace trevalin
