// The document's view without a display: renders go straight to a render job.
#pragma once

#include "render/document.h"
#include "render/document_view.h"
#include "render/job_params.h"
#include "render/render_job.h"

namespace trevalin {

class HeadlessView : public DocumentView {
  public:
    HeadlessView(Document& doc, RenderJob& job) : doc_(doc), job_(job) {}

    void startRender(const FrameVariables& vars) override { job_.start(jobParamsFor(doc_, vars)); }
    void stopRender() override { job_.stop(); }
    void setScrollSize(int, int) override {}

  private:
    Document& doc_;
    RenderJob& job_;
};

} // namespace trevalin
