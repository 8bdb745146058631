// What the main window remembers between runs: geometry, divider, tab, image
// size, the settings last rendered and the live-preview switch.
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>

#include "app/main_window.h"
#include "app/view/image_view.h"
#include "presets/preset_text.h"
#include "render/document.h"

namespace trevalin {
namespace {
constexpr int kMinPaneWidth = 360;
constexpr int kFirstWindowWidth = 1000;
// A first start's picture: a square that fills the image pane, within these.
constexpr int kFirstImageMin = 256;
constexpr int kFirstImageMax = 1024;
} // namespace

void MainWindow::saveLayout(QSettings& settings) const {
    settings.setValue("window/geometry", saveGeometry());
    settings.setValue("window/splitter", splitter_->saveState());
    settings.setValue("window/tab", tabs_->currentIndex());
    settings.setValue("image/width", doc_.imageWidth());
    settings.setValue("image/height", doc_.imageHeight());
    settings.setValue("render/settings", QString::fromStdString(presetText(
                                             doc_.settings(), presetName_.toUtf8().toStdString())));
    settings.setValue("view/livePreview", livePreview());
}

bool MainWindow::restoreLayout(QSettings& settings, RenderSettings* record) {
    const bool saved = settings.contains("window/geometry");
    if (saved) {
        restoreGeometry(settings.value("window/geometry").toByteArray());
        splitter_->restoreState(settings.value("window/splitter").toByteArray());
        tabs_->setCurrentIndex(settings.value("window/tab", 0).toInt());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // About two thirds of the screen, most of it for the picture.
        const QRect free = screen->availableGeometry();
        // At least 1000 wide where the screen allows: the picture and the pages
        // both need the room.
        const int width = std::max(free.width() * 2 / 3, std::min(kFirstWindowWidth, free.width()));
        const QSize size(width, free.height() * 2 / 3);
        resize(size);
        move(free.center() - QPoint(size.width() / 2, size.height() / 2));
        const int pane =
            std::min(std::max(tabs_->sizeHint().width(), kMinPaneWidth), size.width() * 2 / 5);
        splitter_->setSizes({size.width() - pane, pane});
    }

    int width = settings.value("image/width", 0).toInt();
    int height = settings.value("image/height", 0).toInt();
    if (!saved) {
        const int pane = splitter_->sizes().value(0);
        const int side =
            std::clamp(std::min(pane, this->height() - 160), kFirstImageMin, kFirstImageMax);
        width = height = side;
    }
    if ((width != doc_.imageWidth() || height != doc_.imageHeight()) &&
        doc_.setImageSize(width, height)) {
        clearImage();
    }

    const QString text = settings.value("render/settings").toString();
    if (!record || text.isEmpty()) return false;
    const PresetTextRead read = readPresetText(text.toUtf8().toStdString(), *record);
    if (read.ok) setPresetName(QString::fromStdString(read.name));
    return read.ok;
}

} // namespace trevalin
