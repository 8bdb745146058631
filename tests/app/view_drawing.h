// Helpers for the image view's tests: a document whose image holds a known
// pattern, and a view of it.
#pragma once

#include <QImage>

#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

namespace trevalin::testing {

// Every pixel distinct: red from the column, green from the row.
inline std::uint32_t patternAt(int x, int y) {
    return (std::uint32_t(x & 0xFF) << 16) | (std::uint32_t(y & 0xFF) << 8) | 0x40u;
}

inline void fillPattern(Document& doc, int w, int h) {
    doc.setImageSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            doc.image().row(y)[x] = patternAt(x, y);
}

inline std::uint32_t rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

// A document holding the pattern, with the job its view needs.
struct PatternDoc {
    PatternDoc(int w, int h) { fillPattern(doc, w, h); }

    RenderJob job;
    Document doc;
};

// A view of the pattern, sized but not shown. The pattern is in place before
// the view is made.
struct PatternView : PatternDoc {
    PatternView(int imageWidth, int imageHeight, int viewWidth, int viewHeight)
        : PatternDoc(imageWidth, imageHeight), view(doc, job) {
        view.resize(viewWidth, viewHeight);
    }
    // Shows the view with frame taking the zooms its clicks ask for.
    void showRecordingZooms() {
        view.setFrame(&frame);
        view.show();
    }

    RecordingFrame frame; // outlives the view that points at it
    ImageView view;
};

} // namespace trevalin::testing
