// The document: the render settings with their compiled formulas, the
// evaluation context, the render target, the optional source image and the
// image size. Every operation runs on the user-interface thread; the ones that
// change the settings or the image stop a running render first (the callers do
// for setSettings and the zooms, setImageSize does itself).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "formula/diagnostics.h"
#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "image/dib_image.h"
#include "render/formula_keys.h"
#include "render/render_settings.h"

namespace trevalin {

class DocumentView;

struct CompileFailure {
    const char* field; // the presets-file key, e.g. "red"
    std::string message;
    std::vector<FormulaDiagnostic> diagnostics; // the error with its place, and any warnings
};

// Compiles every formula of settings in compile order; a slot that fails does
// not stop the others. Returns what failed, in that order.
std::vector<CompileFailure> compileFormulas(RenderSettings& settings);

class Document {
  public:
    Document();
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The view that startRendering, stopRendering and setImageSize reach; may be null.
    void setView(DocumentView* view) { view_ = view; }

    void setSettings(const RenderSettings& settings);
    void getSettings(RenderSettings& out) const;
    void recompile();
    void zoomRegionOut();
    void zoomRegionIn(double fx, double fy);
    // Centres the region on the point at fractions (cx, cy) of it and scales
    // its width and visible height by scale (a dragged rectangle, the wheel, a pan).
    void zoomRegionTo(double cx, double cy, double scale);
    // n frames; -1 for duration x framerate truncated.
    void setFrameCount(int n);
    void setMovieFile(const char* path);
    void loadSourceImage(const char* path);
    void startRendering();
    void stopRendering();
    // False, changing nothing, when a size lies outside 1..16000.
    bool setImageSize(int width, int height);

    // v as the shortest plain decimal that compiles back to v.
    static void formatNumber(FormulaSlot& slot, double v);
    static int fractionDigits(double v);

    // Compile failures of the last recompile, in compile order; empty when all compiled.
    const std::vector<CompileFailure>& compileFailures() const { return failures_; }

    const RenderSettings& settings() const { return *settings_; }
    FormulaContext& context() { return *context_; }
    FrameVariables& vars() { return vars_; }
    DibImage& image() { return image_; }
    const DibImage& image() const { return image_; }
    // Shared so that a render started with it keeps it alive after a replacement.
    std::shared_ptr<const DibImage> source() const { return source_; }
    int imageWidth() const { return imageWidth_; }
    int imageHeight() const { return imageHeight_; }

  private:
    // Left, top and width of the region and its visible height.
    struct Region {
        double left, top, width, visibleHeight;
    };
    Region evaluateCoordinates();

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
