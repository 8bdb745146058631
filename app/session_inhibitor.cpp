#include "app/session_inhibitor.h"

#include <QEvent>
#include <QWidget>

#include "app/view/image_view.h"

namespace trevalin {

SessionInhibitor::SessionInhibitor(std::unique_ptr<InhibitService> service, QObject* parent)
    : QObject(parent), service_(std::move(service)) {}

SessionInhibitor::~SessionInhibitor() {
    windowActive_ = false;
    rendering_ = false;
    update();
    if (window_) window_->removeEventFilter(this);
}

void SessionInhibitor::watch(QWidget* window, ImageView* view) {
    if (window_) window_->removeEventFilter(this);
    window_ = window;
    if (window_) {
        window_->installEventFilter(this);
        connect(window_, &QObject::destroyed, this, [this] {
            window_ = nullptr;
            setWindowActive(false);
        });
        setWindowActive(window_->isActiveWindow());
    }
    if (view) {
        connect(view, &ImageView::renderStarted, this, [this] { setRendering(true); });
        connect(view, &ImageView::renderEnded, this, [this] { setRendering(false); });
    }
}

void SessionInhibitor::setWindowActive(bool active) {
    windowActive_ = active;
    update();
}

void SessionInhibitor::setRendering(bool rendering) {
    rendering_ = rendering;
    update();
}

bool SessionInhibitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::ActivationChange)
        setWindowActive(window_->isActiveWindow());
    return QObject::eventFilter(watched, event);
}

void SessionInhibitor::update() {
    const bool wanted = windowActive_ || rendering_;
    if (!service_) return;
    if (wanted && !cookie_ && !refused_) {
        cookie_ = service_->inhibit(QStringLiteral("Trevalin"),
                                    rendering_ ? QStringLiteral("Rendering")
                                               : QStringLiteral("Trevalin is in use"));
        refused_ = !cookie_;
    } else if (!wanted && cookie_) {
        service_->uninhibit(*cookie_);
        cookie_.reset();
    }
}

} // namespace trevalin
