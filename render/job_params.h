// Filling a render job from the document, as the image view and the headless
// renderer both do when the document asks them to start a render.
#pragma once

#include "render/document.h"
#include "render/render_job.h"

namespace trevalin {

inline RenderJob::Params jobParamsFor(Document& doc, const FrameVariables& vars) {
    RenderJob::Params p;
    p.context = &doc.context();
    p.vars = vars;
    p.width = doc.imageWidth();
    p.height = doc.imageHeight();
    p.settings = &doc.settings();
    p.target = &doc.image();
    p.source = doc.source();
    p.progressive = 1;
    return p;
}

} // namespace trevalin
