// What the image view and the settings pages may ask of the main frame. The
// frame moves whole parameter sets between the pages and the document in fixed
// orders; nobody else does.
#pragma once

namespace trevalin {

struct RenderSettings;

class FrameOperations {
  public:
    virtual ~FrameOperations() = default;

    // Formulas, Coords, then Movie Options write their fields into out.
    virtual void CollectSettings(RenderSettings& out) = 0;
    // Loads the Presets page's record into the pages and the document, renders.
    virtual void ApplySettingsAndRender() = 0;
    // Zoom about the point at fractions (fx, fy) of the image; may lie outside 0..1.
    virtual void ZoomIn(double fx, double fy) = 0;
    virtual void ZoomOut() = 0;
    virtual void OnRenderImage() = 0;
    // A copy of the document's record: where the pages' scratch records start.
    virtual void GetDocumentSettings(RenderSettings& out) const = 0;
};

} // namespace trevalin
