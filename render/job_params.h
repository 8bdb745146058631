// Filling a render job from the document, as the image view and the headless
// renderer both do when the document asks them to start a render.
#pragma once

#include "render/render_job.h"
#include "render/trevalin_doc.h"

namespace trevalin {

inline RenderJob::Params jobParamsFor(CTrevalinDoc& doc, const FrameVariables& vars) {
    RenderJob::Params p;
    p.context = &doc.Context();
    p.vars = vars;
    p.width = doc.ImageWidth();
    p.height = doc.ImageHeight();
    p.settings = &doc.Settings();
    p.target = &doc.Image();
    p.source = doc.Source();
    p.progressive = 1;
    return p;
}

} // namespace trevalin
