#include "app/render_status_label.h"

#include "app/view/image_view.h"
#include "render/render_job.h"
#include "render/render_progress.h"

namespace trevalin {
namespace {
// Often enough to follow a pass, rarely enough to cost nothing.
constexpr int kRefreshMs = 250;
} // namespace

RenderStatusLabel::RenderStatusLabel(RenderJob& job, ImageView* view, QWidget* parent)
    : QLabel(parent), job_(job) {
    timer_.setInterval(kRefreshMs);
    connect(&timer_, &QTimer::timeout, this, &RenderStatusLabel::refresh);
    connect(view, &ImageView::renderStarted, this, [this] {
        timer_.start();
        refresh();
    });
    // Stopped, failed or finished: the job's last word stays until the next render.
    connect(view, &ImageView::renderEnded, this, [this] {
        timer_.stop();
        refresh();
    });
    connect(view, &ImageView::renderFinished, this, [this] {
        timer_.stop();
        refresh();
    });
    refresh();
}

void RenderStatusLabel::refresh() {
    const RenderProgress progress = job_.progress();
    const std::string error =
        progress.state == RenderProgress::State::Failed ? job_.status() : std::string();
    setText(QString::fromStdString(progressText(progress, error)));
}

} // namespace trevalin
