// EXR output through OpenEXR's C core: float R G B A scanlines, the image's
// display and data windows, each block compressed on its own thread and the
// blocks written in order.
#pragma once

#include <string>

#include "cli/Compression.h"
#include "cli/Images.h"

namespace morvel::cli {

// Writes `image` (its data window only, where it has one) to `file`, which is
// created or replaced, compressed by `compression` (an EXR method: none, rle,
// zips, zip or piz). Throws SceneError starting "`shown`: cannot write the
// image: " and the reason; `file` may then hold a partial image, which the
// caller removes.
void WriteExr(const std::string& file, const std::string& shown, const Image& image, const Compression& compression);

}  // namespace morvel::cli
