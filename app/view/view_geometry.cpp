#include "app/view/view_geometry.h"

#include <algorithm>

#include "formula/arith.h"

namespace trevalin {

ImagePlacement placeImage(int clientW, int clientH, int imageW, int imageH) {
    ImagePlacement p;
    if (imageW <= 0 || imageH <= 0) return p;
    clientW = std::max(clientW, 0);
    clientH = std::max(clientH, 0);
    p.width = imageW;
    p.height = imageH;
    if (clientW < imageW || clientH < imageH) {
        const double scale = std::min(double(clientW) / imageW, double(clientH) / imageH);
        p.width = truncToInt32(imageW * scale);
        p.height = truncToInt32(imageH * scale);
    }
    p.left = p.width < clientW ? (clientW - p.width) / 2 : 0;
    p.top = p.height < clientH ? (clientH - p.height) / 2 : 0;
    return p;
}

std::optional<ImageFraction> clickToFraction(double x, double y, int clientW, int clientH,
                                             int imageW, int imageH) {
    const ImagePlacement p = placeImage(clientW, clientH, imageW, imageH);
    // A picture scaled to nothing has no point under the cursor; dividing by its
    // zero size would hand the zoom an infinite region.
    if (p.width <= 0 || p.height <= 0) return std::nullopt;
    return ImageFraction{(x - p.left) / p.width, (y - p.top) / p.height};
}

} // namespace trevalin
