#include "cli/ImageWindow.h"

#include <algorithm>
#include <climits>

#include "cli/SceneError.h"

namespace morvel::cli {

void CheckSize(const std::string& file, const Extent& data, const Extent& display, std::size_t max_pixels) {
    if (data.width <= 0 || data.height <= 0 || display.width <= 0 || display.height <= 0)
        throw SceneError(file + ": unsupported image size " + std::to_string(data.width) + " x " +
                         std::to_string(data.height));
    for (const Extent& w : {data, display})
        if (w.width > kMaxSide || w.height > kMaxSide || std::size_t(w.width) * std::size_t(w.height) > max_pixels)
            throw SceneError(file + ": image size " + std::to_string(w.width) + " x " + std::to_string(w.height) +
                             " is too large (at most " + std::to_string(kMaxSide) + " pixels a side and " +
                             std::to_string(max_pixels) + " pixels in all)");
}

void CheckCoordinates(const std::string& file, const Extent& data, const Extent& display) {
    for (const Extent& w : {data, display})
        if (w.x + w.width > INT_MAX || w.y + w.height > INT_MAX || w.x < INT_MIN || w.y < INT_MIN)
            throw SceneError(file + ": the image's window at (" + std::to_string(w.x) + ", " + std::to_string(w.y) +
                             ") reaches beyond the coordinates a file can hold");
}

Image PlacedImage(const Extent& data, const Extent& display) {
    Image image(int(display.width), int(display.height));
    image.origin_x = int(display.x);
    image.origin_y = int(display.y);
    using W = long long;
    const W x0 = std::max(data.x, display.x), x1 = std::min(data.x + data.width, display.x + display.width);
    const W y0 = std::max(data.y, display.y), y1 = std::min(data.y + data.height, display.y + display.height);
    const Window placed = x1 > x0 && y1 > y0
                              ? Window{int(x0 - display.x), int(y0 - display.y), int(x1 - x0), int(y1 - y0)}
                              : Window{0, 0, 0, 0};
    if (!(placed == Window{0, 0, image.width, image.height})) image.data_window = placed;
    return image;
}

}  // namespace morvel::cli
