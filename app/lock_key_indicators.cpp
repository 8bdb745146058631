#include "app/lock_key_indicators.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>

namespace trevalin {
namespace {

const char* const kPaneTexts[] = {QT_TRANSLATE_NOOP("LockKeyIndicators", "CAP"),
                                  QT_TRANSLATE_NOOP("LockKeyIndicators", "NUM"),
                                  QT_TRANSLATE_NOOP("LockKeyIndicators", "SCRL")};

} // namespace

LockKeyIndicators::LockKeyIndicators(QStatusBar* bar, QWidget* window,
                                     std::unique_ptr<LockKeySource> source)
    : QObject(bar), source_(std::move(source)), window_(window) {
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(bar);
        label->setAlignment(Qt::AlignCenter);
        // Sized for the text, so that the bar does not jump when a lock goes off.
        const QString text = tr(kPaneTexts[i]);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(text) +
                               2 * label->fontMetrics().averageCharWidth());
        label->setToolTip(text);
        bar->addPermanentWidget(label);
        panes_[i] = label;
    }
    // Key events go to the focused child, so the whole application is watched.
    qApp->installEventFilter(this);
    if (window_) window_->installEventFilter(this);
    refresh();
}

void LockKeyIndicators::setSource(std::unique_ptr<LockKeySource> source) {
    source_ = std::move(source);
    refresh();
}

void LockKeyIndicators::refresh() {
    const std::optional<LockKeyState> state =
        source_ ? source_->read() : std::optional<LockKeyState>();
    const bool on[] = {state && state->caps, state && state->num, state && state->scroll};
    for (int i = 0; i < 3; ++i) {
        panes_[i]->setVisible(state.has_value());
        // Off shows an empty pane, as the status bar always has.
        panes_[i]->setText(on[i] ? tr(kPaneTexts[i]) : QString());
    }
}

bool LockKeyIndicators::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        // Read on the release too: the server may light the LED after it
        // sends the press.
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock: refresh(); break;
        default: break;
        }
    } else if (type == QEvent::ActivationChange && watched == window_) {
        // A lock may have changed while another window had the keyboard.
        refresh();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace trevalin
