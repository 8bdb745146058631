// Helpers for the image view's tests: a document whose image holds a known pattern.
#pragma once

#include <QImage>

#include "render/render_job.h"
#include "render/trevalin_doc.h"

namespace trevalin::testing {

// Every pixel distinct: red from the column, green from the row.
inline std::uint32_t patternAt(int x, int y) {
    return (std::uint32_t(x & 0xFF) << 16) | (std::uint32_t(y & 0xFF) << 8) | 0x40u;
}

inline void fillPattern(CTrevalinDoc& doc, int w, int h) {
    doc.SetImageSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            doc.Image().Row(y)[x] = patternAt(x, y);
}

inline std::uint32_t rgbAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0x00FFFFFFu;
}

} // namespace trevalin::testing
