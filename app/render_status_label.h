// The status bar's account of the render: pass, share done and time left of a
// still, the frame of a movie, and how the last render ended.
#pragma once

#include <QLabel>
#include <QTimer>

namespace trevalin {

class ImageView;
class RenderJob;

class RenderStatusLabel : public QLabel {
    Q_OBJECT
  public:
    RenderStatusLabel(RenderJob& job, ImageView* view, QWidget* parent = nullptr);
    // Reads the job's progress now.
    void refresh();

  private:
    RenderJob& job_;
    QTimer timer_;
};

} // namespace trevalin
