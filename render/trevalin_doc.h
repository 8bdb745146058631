// The document: the render settings with their compiled formulas, the
// evaluation context, the render target, the optional source image and the
// image size. Every operation runs on the user-interface thread; the ones that
// change the settings or the image stop a running render first (the callers do
// for SetSettings and the zooms, SetImageSize does itself).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "formula/diagnostics.h"
#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "render/dib_image.h"
#include "render/render_settings.h"

namespace trevalin {

class DocumentView;

// The thirteen formula slots by presets-file key, in compile order.
struct FormulaField {
    const char* key;
    FormulaSlot RenderSettings::*slot;
};
extern const FormulaField kFormulaFields[13];

struct CompileFailure {
    const char* field; // the presets-file key, e.g. "red"
    std::string message;
    std::vector<FormulaDiagnostic> diagnostics; // the error with its place, and any warnings
};

class CTrevalinDoc {
  public:
    CTrevalinDoc();
    ~CTrevalinDoc();
    CTrevalinDoc(const CTrevalinDoc&) = delete;
    CTrevalinDoc& operator=(const CTrevalinDoc&) = delete;

    // The view that StartRendering, StopRendering and SetImageSize reach; may be null.
    void SetView(DocumentView* view) { view_ = view; }

    void SetSettings(const RenderSettings& settings);
    void GetSettings(RenderSettings& out) const;
    void Recompile();
    void ZoomRegionOut();
    void ZoomRegionIn(double fx, double fy);
    // Centres the region on the point at fractions (cx, cy) of it and scales
    // its width and visible height by scale (a dragged rectangle, the wheel, a pan).
    void ZoomRegionTo(double cx, double cy, double scale);
    // n frames; -1 for duration x framerate truncated.
    void SetFrameCount(int n);
    void SetMovieFile(const char* path);
    void LoadSourceImage(const char* path);
    void StartRendering();
    void StopRendering();
    // False, changing nothing, when a size lies outside 1..16000.
    bool SetImageSize(int width, int height);

    static void FormatNumber(FormulaSlot& slot, double v);
    static int FractionDigits(double v);

    // Compile failures of the last Recompile, in compile order; empty when all compiled.
    const std::vector<CompileFailure>& CompileFailures() const { return failures_; }

    const RenderSettings& Settings() const { return *settings_; }
    FormulaContext& Context() { return *context_; }
    FrameVariables& Vars() { return vars_; }
    DibImage& Image() { return image_; }
    const DibImage& Image() const { return image_; }
    // Shared so that a render started with it keeps it alive after a replacement.
    std::shared_ptr<const DibImage> Source() const { return source_; }
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }

  private:
    // Left, top and width of the region and its visible height.
    struct Region {
        double left, top, width, visibleHeight;
    };
    Region EvaluateCoordinates();

    std::unique_ptr<FormulaContext> context_;
    FrameVariables vars_{};
    DibImage image_;
    std::shared_ptr<const DibImage> source_;
    int imageWidth_ = 256;
    int imageHeight_ = 256;
    std::unique_ptr<RenderSettings> settings_; // large: kept off the stack
    std::vector<CompileFailure> failures_;
    DocumentView* view_ = nullptr;
};

} // namespace trevalin
