// Colour configs through OpenImageIO's OpenColorIO wrapper.
#pragma once

#include <memory>
#include <string>

#include "cli/ImageLibrary.h"

namespace morvel::cli::oiio {

// `file` "" for OpenImageIO's built-in config. Throws SceneError when the file cannot be read.
std::unique_ptr<ColorSpaces> OpenColorConfig(const std::string& file);

}  // namespace morvel::cli::oiio
