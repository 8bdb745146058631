#include "render/frame_setup.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "formula/interpreter.h"
#include "render/render_settings.h"

namespace trevalin {

void setUpFrameVariables(FormulaContext& c, FrameVariables& v, const RenderSettings& s, int width,
                         int height) {

    if (v.frames > 1) {
        v.n = v.frame;
        v.t = s.seamless ? static_cast<double>(v.frame) / v.frames
                         : static_cast<double>(v.frame) / (v.frames - 1);
    } else {
        v.t = s.time * 0.01;
        v.n = truncToInt32(v.t * truncToInt32(s.duration * s.framerate));
    }
    v.px = v.py = 0;
    v.pw = v.fw = width;
    v.ph = v.fh = height;

    // Each formula sees the block as updated so far.
    v.left = evaluateFormula(c, s.left.code, v);
    v.top = evaluateFormula(c, s.top.code, v);
    v.w = evaluateFormula(c, s.width.code, v);
    v.h = evaluateFormula(c, s.height.code, v);
    v.zoom = evaluateFormula(c, s.zoom.code, v);
    if (s.center) {
        v.left = v.left - v.w / 2;
        v.top = v.top - v.h / 2;
    }
    if (v.zoom != 1) {
        // The region scales by zoom^n about its centre.
        const double k = std::pow(v.zoom, v.n);
        const double dw = v.w * k - v.w;
        v.w = v.w + dw;
        v.left = v.left - dw / 2;
        const double dh = v.h * k - v.h;
        v.h = v.h + dh;
        v.top = v.top - dh / 2;
    }
    v.cx = v.left + v.w / 2;
    v.cy = v.top + v.h / 2;
    v.i = truncToInt32(evaluateFormula(c, s.recurse.code, v));
    c.setIterationLimit(v.i);
    v.jx = evaluateFormula(c, s.p0.code, v);
    v.jy = evaluateFormula(c, s.q0.code, v);
    v.x = v.left;
    v.y = v.top;
    v.xstep = v.w / v.fw;
    v.ystep = v.h / v.fh;
    v.min = evaluateFormula(c, s.min.code, v);
    v.max = evaluateFormula(c, s.max.code, v);
    if (!(v.min < v.max) && !(v.min > v.max)) {
        v.min = v.min - 0.01;
        v.max = v.max + 0.01;
    }
    v.scale = 255 / (v.max - v.min);
}

} // namespace trevalin
