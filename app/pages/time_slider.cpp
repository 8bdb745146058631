#include "app/pages/time_slider.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>

#include "app/frame_operations.h"
#include "app/pages/settings_pane.h"

namespace trevalin {

namespace {

class RenderOnRelease : public QObject {
  public:
    RenderOnRelease(SettingsPane* tabs, QObject* parent) : QObject(parent), tabs_(tabs) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // Render once the slider has finished with the release itself.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (tabs_ && tabs_->frame()) tabs_->frame()->onRenderImage();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    SettingsPane* tabs_;
};

} // namespace

QSlider* addTimeSlider(QWidget* page, QBoxLayout* layout, SettingsPane* tabs) {
    layout->addWidget(new QLabel(QObject::tr("time (0-1)"), page));
    auto* slider = new QSlider(Qt::Horizontal, page);
    slider->setRange(0, 100);
    slider->setTickPosition(QSlider::NoTicks);
    slider->installEventFilter(new RenderOnRelease(tabs, slider));
    layout->addWidget(slider);
    return slider;
}

} // namespace trevalin
