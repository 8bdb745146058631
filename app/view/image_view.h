// The image view: shows the document's picture (scaled down to fit, centred on
// black) with the render job's status line under it, starts and stops the job,
// and turns clicks into zooms of the main frame.
#pragma once

#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <optional>

#include "render/document_view.h"

class QFont;
class QRubberBand;

namespace trevalin {

class Document;
class FrameOperations;
class RenderJob;

class ImageView : public QWidget, public DocumentView {
    Q_OBJECT
  public:
    ImageView(Document& doc, RenderJob& job, QWidget* parent = nullptr);
    ~ImageView() override;

    void startRender(const FrameVariables& vars) override;
    void stopRender() override;
    void setScrollSize(int width, int height) override;

    void setFrame(FrameOperations* frame) { frame_ = frame; }
    // While not empty, shown in the status band instead of the job's line.
    void setCompileMessage(const QString& text);
    // What the status band shows now.
    QString statusText() const;

    bool timerActive() const { return timer_.isActive(); }
    bool hasWorker() const { return worker_; }

    // Paints the picture and the status band into client, a rectangle in device
    // pixels; deviceScale sizes the band's font and gaps.
    void draw(QPainter& painter, const QRect& client, double deviceScale) const;

    QSize sizeHint() const override { return {300, 460}; }

    // text broken into lines no wider than width in font, as the band shows it.
    static QStringList statusLines(const QString& text, const QFont& font, int width);

  signals:
    void renderStarted();
    // The job ended by itself (finished, or stopped by an error).
    void renderFinished();
    // A render that ran has ended, however: finished, failed or stopped.
    void renderEnded();

  protected:
    // Space held over the picture turns a left drag into a pan.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void onTimer();
    QSize deviceClientSize() const;
    // The image point under a position in logical pixels.
    std::optional<std::pair<double, double>> fractionAt(QPointF at) const;
    // The corner opposite the press of the dragged rectangle, which keeps the
    // image's proportions.
    QPoint bandEnd(QPoint at) const;

    Document& doc_;
    RenderJob& job_;
    FrameOperations* frame_ = nullptr;
    QTimer timer_;
    std::chrono::steady_clock::time_point lastRepaint_{};
    bool worker_ = false;
    // One queued repaint at a time, however fast the job asks.
    std::atomic<bool> paintQueued_{false};
    QString compileMessage_;
    // A left drag draws the rectangle to zoom into; a middle drag, or a left
    // one with Space held, pans.
    enum class Drag { None, Rectangle, Pan };
    Drag drag_ = Drag::None;
    bool spaceHeld_ = false;
    QPoint pressAt_;
    QRubberBand* band_ = nullptr;
};

} // namespace trevalin
