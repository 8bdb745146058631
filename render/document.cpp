#include "render/document.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "formula/arith.h"
#include "formula/compiler.h"
#include "formula/interpreter.h"
#include "render/document_view.h"

namespace trevalin {

std::vector<CompileFailure> compileFormulas(RenderSettings& settings) {
    std::vector<CompileFailure> failures;
    for (const FormulaKey& field : kFormulaKeys) {
        if (compileFormula(settings.*field.slot) != 0)
            failures.push_back(
                CompileFailure{field.key, lastCompileError(), lastCompileDiagnostics()});
    }
    return failures;
}

Document::Document()
    : context_(std::make_unique<FormulaContext>()), settings_(std::make_unique<RenderSettings>()) {
    image_.create(imageWidth_, imageHeight_);
}

Document::~Document() = default;

void Document::setSettings(const RenderSettings& settings) {
    if (&settings != settings_.get()) std::memcpy(settings_.get(), &settings, sizeof settings);
    recompile();
}

void Document::getSettings(RenderSettings& out) const {
    if (&out != settings_.get()) std::memcpy(&out, settings_.get(), sizeof out);
}

void Document::recompile() {
    failures_ = compileFormulas(*settings_);
}

Document::Region Document::evaluateCoordinates() {
    vars_.px = vars_.py = 0;
    vars_.pw = vars_.fw = imageWidth_;
    vars_.ph = vars_.fh = imageHeight_;
    FormulaContext& c = *context_;
    const RenderSettings& s = *settings_;
    vars_.left = evaluateFormula(c, s.left.code, vars_);
    vars_.top = evaluateFormula(c, s.top.code, vars_);
    vars_.w = evaluateFormula(c, s.width.code, vars_);
    vars_.h = evaluateFormula(c, s.height.code, vars_);
    // The height formula is not used further: the zooms keep the image's aspect.
    const double W = vars_.w;
    return Region{vars_.left, vars_.top, W, W * imageHeight_ / imageWidth_};
}

void Document::zoomRegionOut() {
    const Region r = evaluateCoordinates();
    double left = r.left, top = r.top;
    if (settings_->center == 0) {
        left = r.left - r.width * 0.5;
        top = r.top - r.visibleHeight * 0.5;
    }
    formatNumber(settings_->left, left);
    formatNumber(settings_->top, top);
    formatNumber(settings_->width, 2 * r.width);
    formatNumber(settings_->height, 2 * r.visibleHeight);
    recompile();
}

void Document::zoomRegionIn(double fx, double fy) {
    const Region r = evaluateCoordinates();
    double left, top;
    if (settings_->center == 1) {
        left = r.left - r.width * 0.5 + r.width * fx;
        top = r.top - r.visibleHeight * 0.5 + r.visibleHeight * fy;
    } else {
        left = r.left + r.width * fx - r.width * 0.25;
        top = r.top + r.visibleHeight * fy - r.visibleHeight * 0.25;
    }
    formatNumber(settings_->left, left);
    formatNumber(settings_->top, top);
    formatNumber(settings_->width, r.width * 0.5);
    formatNumber(settings_->height, r.visibleHeight * 0.5);
    recompile();
}

void Document::zoomRegionTo(double cx, double cy, double scale) {
    const Region r = evaluateCoordinates();
    // The centre of the region now, then the new one at (cx, cy) of the region.
    const double centreX = settings_->center == 1 ? r.left : r.left + r.width * 0.5;
    const double centreY = settings_->center == 1 ? r.top : r.top + r.visibleHeight * 0.5;
    const double newX = centreX + r.width * (cx - 0.5);
    const double newY = centreY + r.visibleHeight * (cy - 0.5);
    const double width = r.width * scale;
    const double height = r.visibleHeight * scale;
    formatNumber(settings_->left, settings_->center == 1 ? newX : newX - width * 0.5);
    formatNumber(settings_->top, settings_->center == 1 ? newY : newY - height * 0.5);
    formatNumber(settings_->width, width);
    formatNumber(settings_->height, height);
    recompile();
}

void Document::setFrameCount(int n) {
    vars_.frames = n == -1 ? truncToInt32(settings_->duration * settings_->framerate) : n;
    vars_.frame = 0;
}

void Document::setMovieFile(const char* path) {
    std::snprintf(settings_->moviefile, sizeof settings_->moviefile, "%s", path);
}

void Document::loadSourceImage(const char* path) {
    std::snprintf(settings_->sourcefile, sizeof settings_->sourcefile, "%s", path);
    auto image = std::make_shared<DibImage>();
    image->load(path);
    // A render started with the previous image holds its own reference.
    source_ = std::move(image);
}

void Document::startRendering() {
    if (view_) view_->startRender(vars_);
}

void Document::stopRendering() {
    if (view_) view_->stopRender();
}

bool Document::setImageSize(int width, int height) {
    stopRendering();
    // The render target and the size the job walks must never disagree.
    if (!image_.resize(width, height)) return false;
    imageWidth_ = width;
    imageHeight_ = height;
    if (view_) view_->setScrollSize(width, height);
    return true;
}

int Document::fractionDigits(double v) {
    double whole;
    double a = std::modf(std::fabs(v), &whole);
    int digits = 0;
    for (int i = 0; i < 20 && a > 0; ++i) {
        a = a * 10;
        if (a > 0) {
            digits = i + 1;
            a = std::modf(a, &whole);
        }
    }
    return digits;
}

void Document::formatNumber(FormulaSlot& slot, double v) {
    // The shortest plain decimal that reads back to v: a deep zoom keeps its
    // exact region, and the pages show -0.7397064, not twenty digits of noise.
    // The formula language has no exponents, hence fixed notation; the longest
    // such text (about 330 characters) fits the slot.
    const auto [end, error] =
        std::to_chars(slot.text, slot.text + sizeof slot.text - 1, v, std::chars_format::fixed);
    if (error != std::errc()) {
        slot.text[0] = '\0';
        return;
    }
    *end = '\0';
}

} // namespace trevalin
