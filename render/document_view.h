// How the document reaches its view: the desktop program's image view and the
// headless renderer both implement this.
#pragma once

namespace trevalin {

struct FrameVariables;

class DocumentView {
  public:
    virtual ~DocumentView() = default;
    // Starts a render job from a copy of vars, stopping any running one first.
    virtual void startRender(const FrameVariables& vars) = 0;
    // Stops the running job, if any, and waits for its thread to end.
    virtual void stopRender() = 0;
    // The image size changed.
    virtual void setScrollSize(int width, int height) = 0;
};

} // namespace trevalin
