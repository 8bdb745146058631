#include "app/pages/lock_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

// The padlocks are compiled into this static library; see the main window.
static void initLockIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace trevalin {

LockButton::LockButton(QWidget* parent) : QAbstractButton(parent) {
    initLockIcons();
    locked_ = QIcon::fromTheme(QStringLiteral("object-locked"),
                               QIcon(QStringLiteral(":/icons/lock-closed.png")));
    unlocked_ = QIcon::fromTheme(QStringLiteral("object-unlocked"),
                                 QIcon(QStringLiteral(":/icons/lock-open.png")));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(0);
}

void LockButton::setState(int state) {
    state_ = state;
    setIcon(state != 0 ? locked_ : unlocked_);
    update();
}

QSize LockButton::sizeHint() const {
    const int side = fontMetrics().height() + 8;
    return {side, side};
}

void LockButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height());
    icon().paint(&painter, QRect(0, 0, side, side), Qt::AlignLeft | Qt::AlignTop);
    // Only the padlock is drawn, but a keyboard user must see where the focus is.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = QRect(0, 0, side, side);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace trevalin
