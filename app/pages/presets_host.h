// What the Presets page asks of the main window. The page never touches the
// other pages or the document itself: the window moves whole records between
// them in its fixed orders.
#pragma once

namespace trevalin {

struct RenderSettings;

class PresetsHost {
  public:
    virtual ~PresetsHost() = default;

    // Formulas, Coords, then Movie Options write their fields into out; fields
    // those pages do not hold keep what out had.
    virtual void collectSettings(RenderSettings& out) = 0;
    // Loads the Presets page's record into the pages and the document and
    // renders a still image of it.
    virtual void applySettingsAndRender() = 0;
};

} // namespace trevalin
