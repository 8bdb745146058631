// Render > Threads: how many threads a render uses (every core by default),
// remembered between runs. A new choice applies from the next render on.
#pragma once

#include <QMenu>

namespace trevalin {

class RenderJob;

class ThreadCountMenu : public QMenu {
    Q_OBJECT
  public:
    // Applies the remembered count to job at once.
    ThreadCountMenu(RenderJob& job, QWidget* parent = nullptr);

    // The remembered count; 0 for every core.
    static int storedThreadCount();

  private:
    void choose(int threads);

    RenderJob& job_;
};

} // namespace trevalin
