// What the image view and the settings pages may ask of the main frame. The
// frame moves whole parameter sets between the pages and the document in fixed
// orders; nobody else does.
#pragma once

#include "app/pages/presets_host.h"

namespace trevalin {

struct RenderSettings;

// collectSettings and applySettingsAndRender come from what the Presets page asks.
class FrameOperations : public PresetsHost {
  public:
    // zoom about the point at fractions (fx, fy) of the image; may lie outside 0..1.
    virtual void zoomIn(double fx, double fy) = 0;
    virtual void zoomOut() = 0;
    // The region of the image between two corners (fractions), its aspect kept.
    virtual void zoomToRectangle(double, double, double, double) {}
    // Scales the region about (fx, fy), which stays under the cursor.
    virtual void zoomAbout(double, double, double) {}
    // Moves the region by fractions of it, as if the picture were dragged.
    virtual void pan(double, double) {}
    virtual void onRenderImage() = 0;
    // A copy of the document's record: where the pages' scratch records start.
    virtual void getDocumentSettings(RenderSettings& out) const = 0;
};

} // namespace trevalin
