// Shared set-up for the rendering tests: records, documents, a recording writer.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "image/dib_image.h"
#include "render/document.h"
#include "render/frame_sink.h"
#include "render/headless_view.h"
#include "render/render_settings.h"

namespace trevalin::testing {

using Fields = std::vector<std::pair<std::string, std::string>>;

// A record with the given formula texts by key and the given colour model.
inline std::unique_ptr<RenderSettings> makeSettings(const Fields& formulas, int colormode = 0) {
    auto s = std::make_unique<RenderSettings>();
    std::memset(s.get(), 0, sizeof *s);
    s->colormode = colormode;
    s->framerate = 10;
    s->duration = 1;
    for (const auto& [key, text] : formulas)
        for (const FormulaKey& f : kFormulaKeys)
            if (key == f.key) setFormulaText(s.get()->*f.slot, text.c_str());
    return s;
}

// A document whose renders run on a job through the headless view.
struct Renderer {
    std::unique_ptr<Document> doc = std::make_unique<Document>();
    RenderJob job;
    HeadlessView view{*doc, job};
    int paints = 0;

    Renderer() {
        doc->setView(&view);
        job.setPaintRequest([this] { ++paints; });
        // Small pictures cut into as many bands as large ones, so that the
        // passes' hand-overs between bands are what the tests exercise.
        job.setMinBandPixels(1);
    }
    ~Renderer() { job.stop(); }

    // Renders to the end and returns whether the job finished.
    bool render(const RenderSettings& s, int frames = 1) {
        doc->setSettings(s);
        doc->setFrameCount(frames);
        doc->startRendering();
        job.wait();
        return job.finished();
    }
    std::uint32_t pixel(int column, int row) { return doc->image().row(row)[column]; }
};

// Remembers what the job asked of it and the top-left pixel of every frame.
struct WriterLog {
    std::vector<std::string> calls;
    std::vector<std::uint32_t> firstPixels;
    MovieParams params;
};

class RecordingWriter : public FrameSink {
  public:
    RecordingWriter(WriterLog& log, std::string failOpen = "", int failAtFrame = -1,
                    bool failFinish = false)
        : log_(log), failOpen_(std::move(failOpen)), failAtFrame_(failAtFrame),
          failFinish_(failFinish) {}
    void open(const MovieParams& p, ErrorReporter report) override {
        log_.calls.push_back("Open");
        log_.params = p;
        report_ = std::move(report);
        if (!failOpen_.empty()) report_(failOpen_);
    }
    int addFrame(const DibImage& image) override {
        log_.calls.push_back("AddFrame");
        if (static_cast<int>(log_.firstPixels.size()) == failAtFrame_) {
            report_("AddMediaSample Error: -1");
            return 0;
        }
        log_.firstPixels.push_back(image.row(0)[0]);
        return 1;
    }
    void finish() override {
        log_.calls.push_back("Finish");
        if (failFinish_) report_("Can't Create Movie File: -28");
    }
    void close() override { log_.calls.push_back("Close"); }

  private:
    WriterLog& log_;
    ErrorReporter report_;
    std::string failOpen_;
    int failAtFrame_;
    bool failFinish_;
};

} // namespace trevalin::testing
