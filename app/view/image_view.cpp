#include "app/view/image_view.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRubberBand>
#include <QTextEdit>
#include <QTextLayout>
#include <QWheelEvent>
#include <cmath>
#include <mutex>

#include "app/frame_operations.h"
#include "app/view/view_geometry.h"
#include "render/document.h"
#include "render/job_params.h"
#include "render/render_job.h"

namespace trevalin {
namespace {
constexpr int kTimerPeriodMs = 300;
constexpr auto kRepaintInterval = std::chrono::milliseconds(1000);
constexpr int kBandFontPixels = 18;
// A left drag shorter than this is a click.
constexpr int kDragThreshold = 6;
// One wheel notch scales the region by this (in) or its inverse (out).
constexpr double kWheelStep = 0.8;
} // namespace

ImageView::ImageView(Document& doc, RenderJob& job, QWidget* parent)
    : QWidget(parent), doc_(doc), job_(job) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus); // reachable with F6, but a click must not move the focus
    setMinimumSize(1, 1);
    timer_.setInterval(kTimerPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &ImageView::onTimer);
    // The view rarely has the focus (a click must not take it), so Space is
    // watched for the whole program.
    qApp->installEventFilter(this);
    // Runs on the worker thread: post, never wait for this thread.
    job_.setPaintRequest([this] {
        if (paintQueued_.exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                paintQueued_ = false;
                update();
            },
            Qt::QueuedConnection);
    });
}

ImageView::~ImageView() {
    // The worker may still call the paint request; it must be gone before this
    // object starts to come apart.
    stopRender();
    job_.setPaintRequest(nullptr);
}

void ImageView::startRender(const FrameVariables& vars) {
    if (job_.running() || worker_) stopRender();

    const DibImage& target = doc_.image();
    if (!target.hasData() || target.width() != doc_.imageWidth() ||
        target.height() != doc_.imageHeight() || target.bitsPerPixel() != 32) {
        // A render into an image of another size would write outside it.
        setCompileMessage(tr("No image of %1 x %2 pixels to render into")
                              .arg(doc_.imageWidth())
                              .arg(doc_.imageHeight()));
        return;
    }

    lastRepaint_ = std::chrono::steady_clock::now();
    job_.start(jobParamsFor(doc_, vars));
    worker_ = true;
    timer_.start();
    emit renderStarted();
    update();
}

void ImageView::stopRender() {
    const bool ran = worker_;
    job_.stop();
    worker_ = false;
    timer_.stop();
    if (ran) emit renderEnded();
}

void ImageView::setScrollSize(int, int) {
    // The picture is always drawn to fit the pane, so there is nothing to scroll.
    update();
}

void ImageView::setCompileMessage(const QString& text) {
    compileMessage_ = text;
    update();
}

QString ImageView::statusText() const {
    if (!compileMessage_.isEmpty()) return compileMessage_;
    return QString::fromStdString(job_.status());
}

void ImageView::onTimer() {
    if (job_.running()) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastRepaint_ >= kRepaintInterval) {
            update();
            lastRepaint_ = now;
        }
        return;
    }
    // The job has ended: join its thread and show the final picture.
    if (worker_ || timer_.isActive()) {
        stopRender();
        update();
        emit renderFinished();
    }
    update();
}

QSize ImageView::deviceClientSize() const {
    const double dpr = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * dpr)),
            static_cast<int>(std::lround(height() * dpr))};
}

void ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double dpr = devicePixelRatioF();
    // Work in device pixels so that one image pixel lands on one screen pixel.
    painter.scale(1.0 / dpr, 1.0 / dpr);
    const QRect client(QPoint(0, 0), deviceClientSize());
    painter.fillRect(client, Qt::black);
    draw(painter, client, dpr);
}

void ImageView::draw(QPainter& painter, const QRect& client, double deviceScale) const {
    std::lock_guard<std::recursive_mutex> lock(job_.lock());
    const DibImage& image = doc_.image();
    const int w = doc_.imageWidth();
    const int h = doc_.imageHeight();

    int top = 0;
    int drawnHeight = h;
    const bool drawable = image.hasData() && image.bitsPerPixel() == 32 && image.width() == w &&
                          image.height() == h && w > 0 && h > 0;
    if (drawable) {
        const ImagePlacement place = placeImage(client.width(), client.height(), w, h);
        top = place.top;
        drawnHeight = place.height;
        // Wrap the pixels without copying: 0x00RRGGBB words are Format_RGB32.
        // Rows may be stored bottom-up (as in a BMP file) or top-down.
        const auto* first = reinterpret_cast<const uchar*>(image.row(0));
        const auto* last = reinterpret_cast<const uchar*>(image.row(h - 1));
        const bool bottomUp = last < first;
        const QImage pixels(bottomUp ? last : first, w, h, static_cast<qsizetype>(w) * 4,
                            QImage::Format_RGB32);
        if (h == 1 || std::abs(first - last) == static_cast<std::ptrdiff_t>(h - 1) * w * 4) {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            if (bottomUp) {
                painter.translate(client.left() + place.left,
                                  client.top() + place.top + place.height);
                painter.scale(double(place.width) / w, -double(place.height) / h);
            } else {
                painter.translate(client.left() + place.left, client.top() + place.top);
                painter.scale(double(place.width) / w, double(place.height) / h);
            }
            painter.drawImage(QPointF(0, 0), pixels);
            painter.restore();
        }
    } else {
        painter.fillRect(QRect(client.left(), client.top(), 50, 50), QColor(100, 100, 100));
    }

    const QString status = statusText();
    if (status.isEmpty()) return;
    const int gap = static_cast<int>(std::lround(kStatusBandGap * deviceScale));
    const int bandHeight = static_cast<int>(std::lround(kStatusBandHeight * deviceScale));
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(std::lround(kBandFontPixels * deviceScale)));
    // A long message wraps onto more lines; where they do not fit under the
    // picture the band moves up over it, so no word is ever cut off.
    const QStringList lines = statusLines(status, font, client.width());
    const int lineHeight = QFontMetrics(font).lineSpacing();
    const int textHeight = static_cast<int>(lines.size()) * lineHeight;
    int bandTop = client.top() + top + drawnHeight + gap;
    bandTop = std::max(client.top(), std::min(bandTop, client.bottom() + 1 - textHeight));
    const QRect band(client.left(), bandTop, client.width(), std::max(bandHeight, textHeight));
    painter.save();
    painter.fillRect(band, Qt::black);
    painter.setFont(font);
    painter.setPen(QColor(200, 200, 200));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRect(band.left(), band.top() + i * lineHeight, band.width(), lineHeight),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, lines[i]);
    painter.restore();
}

QStringList ImageView::statusLines(const QString& message, const QFont& font, int width) {
    const QString text = QString(message).replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font);
    QTextOption option;
    // Between words where possible; a path longer than the band breaks anywhere.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1));
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

std::optional<std::pair<double, double>> ImageView::fractionAt(QPointF at) const {
    const double dpr = devicePixelRatioF();
    const QSize client = deviceClientSize();
    const auto f = clickToFraction(at.x() * dpr, at.y() * dpr, client.width(), client.height(),
                                   doc_.imageWidth(), doc_.imageHeight());
    if (!f) return std::nullopt;
    return std::make_pair(f->fx, f->fy);
}

QPoint ImageView::bandEnd(QPoint at) const {
    // The zoom keeps the image's proportions; so does the rectangle shown.
    const int w = doc_.imageWidth();
    const int h = doc_.imageHeight();
    int dx = at.x() - pressAt_.x();
    int dy = at.y() - pressAt_.y();
    if (w > 0 && h > 0) {
        if (std::abs(dx) * h >= std::abs(dy) * w) {
            dy = (dy < 0 ? -1 : 1) * static_cast<int>(std::lround(std::abs(dx) * double(h) / w));
        } else {
            dx = (dx < 0 ? -1 : 1) * static_cast<int>(std::lround(std::abs(dy) * double(w) / h));
        }
    }
    return pressAt_ + QPoint(dx, dy);
}

namespace {
// Widgets where Space is typed or presses something the user aimed at.
bool takesSpace(const QWidget* focus) {
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus) ||
           qobject_cast<const QPlainTextEdit*>(focus) ||
           qobject_cast<const QAbstractSpinBox*>(focus) ||
           (qobject_cast<const QComboBox*>(focus) &&
            static_cast<const QComboBox*>(focus)->isEditable());
}
} // namespace

bool ImageView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::KeyPress) {
        if (spaceHeld_) return true; // its repeats
        // Over the picture, and no text field is typed into.
        if (!isVisible() || !underMouse() || takesSpace(QApplication::focusWidget())) return false;
        spaceHeld_ = true;
        if (drag_ == Drag::None) setCursor(Qt::OpenHandCursor);
        return true;
    }
    if (!spaceHeld_) return false;
    if (key->isAutoRepeat()) return true;
    spaceHeld_ = false;
    if (drag_ == Drag::None) unsetCursor();
    return true;
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    pressAt_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton && spaceHeld_) {
        drag_ = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        drag_ = Drag::Rectangle;
    } else if (event->button() == Qt::MiddleButton) {
        drag_ = Drag::Pan;
        setCursor(Qt::ClosedHandCursor);
    }
    QWidget::mousePressEvent(event);
}

void ImageView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (drag_ == Drag::Rectangle && (at - pressAt_).manhattanLength() >= kDragThreshold) {
        if (!band_) band_ = new QRubberBand(QRubberBand::Rectangle, this);
        band_->setGeometry(QRect(pressAt_, bandEnd(at)).normalized());
        band_->show();
    }
    QWidget::mouseMoveEvent(event);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event) {
    const Drag drag = drag_;
    drag_ = Drag::None;
    if (band_) band_->hide();
    if (spaceHeld_) {
        setCursor(Qt::OpenHandCursor);
    } else {
        unsetCursor();
    }
    const QPoint at = event->position().toPoint();
    if (frame_) {
        if (drag == Drag::Pan &&
            (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton)) {
            const auto from = fractionAt(pressAt_);
            const auto to = fractionAt(event->position());
            if (from && to) frame_->pan(to->first - from->first, to->second - from->second);
        } else if (event->button() == Qt::LeftButton && drag == Drag::Rectangle &&
                   (at - pressAt_).manhattanLength() >= kDragThreshold) {
            const auto from = fractionAt(pressAt_);
            const auto to = fractionAt(bandEnd(at));
            if (from && to)
                frame_->zoomToRectangle(from->first, from->second, to->first, to->second);
        } else if (event->button() == Qt::LeftButton) {
            if (const auto f = fractionAt(event->position())) frame_->zoomIn(f->first, f->second);
        } else if (event->button() == Qt::RightButton) {
            frame_->zoomOut();
        }
    }
    QWidget::mouseReleaseEvent(event);
}

void ImageView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    const auto at = fractionAt(event->position());
    if (frame_ && at && notches != 0)
        frame_->zoomAbout(at->first, at->second, std::pow(kWheelStep, notches));
    event->accept();
}

} // namespace trevalin
