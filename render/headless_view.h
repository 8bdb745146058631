// The document's view without a display: renders go straight to a render job.
#pragma once

#include "render/document_view.h"
#include "render/job_params.h"
#include "render/render_job.h"
#include "render/trevalin_doc.h"

namespace trevalin {

class HeadlessView : public DocumentView {
  public:
    HeadlessView(CTrevalinDoc& doc, RenderJob& job) : doc_(doc), job_(job) {}

    void StartRender(const FrameVariables& vars) override { job_.Start(jobParamsFor(doc_, vars)); }
    void StopRender() override { job_.Stop(); }
    void SetScrollSize(int, int) override {}

  private:
    CTrevalinDoc& doc_;
    RenderJob& job_;
};

} // namespace trevalin
