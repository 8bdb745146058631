// The undo history of the settings and the view: each step holds the
// document's record and image size before and after one change (a zoom, a
// pan, a preset load, a committed edit, a new image size).
#pragma once

#include <QUndoCommand>
#include <functional>
#include <memory>

#include "render/render_settings.h"

namespace trevalin {

struct ViewState {
    std::shared_ptr<const RenderSettings> settings;
    int width = 0;
    int height = 0;
};

// Equal in everything a user sets; the compiled code is not compared.
bool sameSettings(const RenderSettings& a, const RenderSettings& b);
bool sameState(const ViewState& a, const ViewState& b);

class SettingsStep : public QUndoCommand {
  public:
    using Apply = std::function<void(const ViewState&)>;
    // Steps with the same mergeId in a row become one (the time slider's moves).
    static constexpr int kNoMerge = -1;
    static constexpr int kTimeSlider = 1;

    SettingsStep(const QString& label, ViewState before, ViewState after, Apply apply,
                 int mergeId = kNoMerge);

    void undo() override;
    void redo() override;
    int id() const override { return mergeId_; }
    bool mergeWith(const QUndoCommand* other) override;

  private:
    ViewState before_;
    ViewState after_;
    Apply apply_;
    int mergeId_;
    // The change is made before its step is pushed; the push's redo has nothing to do.
    bool made_ = true;
};

} // namespace trevalin
