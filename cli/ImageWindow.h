// The checks every image reader makes before it allocates, and the placement
// of a file's data window in its display window. Compiled into the tool (its
// EXR reader) and into the image plugin (every other format).
#pragma once

#include <cstddef>
#include <string>

#include "cli/Images.h"

namespace morvel::cli {

// minihost's world limit per side; the pixel cap keeps the decode buffers within memory.
inline constexpr int kMaxSide = 1 << 16;
inline constexpr std::size_t kMaxPixels = std::size_t(1) << 28;

// A window in 64 bits: a hostile header's need not fit an int's width.
struct Extent {
    long long x = 0, y = 0, width = 0, height = 0;
};

// The header alone decides the allocation, so a tiny file must not claim a
// huge image. Throws SceneError naming `file`.
void CheckSize(const std::string& file, const Extent& data, const Extent& display, std::size_t max_pixels);
void CheckCoordinates(const std::string& file, const Extent& data, const Extent& display);

// The display window's grid, zero, with the data window placed inside it as
// a compositing host places a layer. The windows passed both checks above.
Image PlacedImage(const Extent& data, const Extent& display);

}  // namespace morvel::cli
