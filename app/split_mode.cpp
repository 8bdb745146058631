#include "app/split_mode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSplitter>
#include <QStatusBar>
#include <algorithm>

namespace trevalin {
namespace {
constexpr int kSplitStep = 10;
} // namespace

SplitMode::SplitMode(QSplitter* splitter, QStatusBar* status, QObject* parent)
    : QObject(parent), splitter_(splitter), status_(status) {}

SplitMode::~SplitMode() {
    if (active_) qApp->removeEventFilter(this);
}

void SplitMode::start() {
    if (active_) return;
    active_ = true;
    savedSizes_ = splitter_->sizes();
    status_->showMessage(
        tr("Move the divider with Left and Right; Enter keeps it, Escape puts it back."));
    // Every key goes to the divider while the mode lasts, whichever widget has the focus.
    qApp->installEventFilter(this);
}

void SplitMode::finish() {
    active_ = false;
    qApp->removeEventFilter(this);
    status_->clearMessage();
}

bool SplitMode::eventFilter(QObject* watched, QEvent* event) {
    if (!active_) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Escape and the arrows belong to the divider now, not to the window's shortcuts.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            QList<int> sizes = splitter_->sizes();
            const int step = key->key() == Qt::Key_Left ? -kSplitStep : kSplitStep;
            sizes[0] = std::max(1, sizes[0] + step);
            sizes[1] = std::max(0, sizes[1] - step);
            splitter_->setSizes(sizes);
            return true;
        }
        case Qt::Key_Escape:
            splitter_->setSizes(savedSizes_);
            finish();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: finish(); return true;
        default: return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress) finish();
    return QObject::eventFilter(watched, event);
}

} // namespace trevalin
