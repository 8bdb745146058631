// What the image view and the settings pages may ask of the main frame. The
// frame moves whole parameter sets between the pages and the document in fixed
// orders; nobody else does.
#pragma once

#include "presets/page/presets_host.h"

namespace trevalin {

struct RenderSettings;

// CollectSettings and ApplySettingsAndRender come from what the Presets page asks.
class FrameOperations : public PresetsHost {
  public:
    // Zoom about the point at fractions (fx, fy) of the image; may lie outside 0..1.
    virtual void ZoomIn(double fx, double fy) = 0;
    virtual void ZoomOut() = 0;
    // The region of the image between two corners (fractions), its aspect kept.
    virtual void zoomToRectangle(double, double, double, double) {}
    // Scales the region about (fx, fy), which stays under the cursor.
    virtual void zoomAbout(double, double, double) {}
    // Moves the region by fractions of it, as if the picture were dragged.
    virtual void pan(double, double) {}
    virtual void OnRenderImage() = 0;
    // A copy of the document's record: where the pages' scratch records start.
    virtual void GetDocumentSettings(RenderSettings& out) const = 0;
};

} // namespace trevalin
