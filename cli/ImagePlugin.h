// Finds and loads the image plugin (ImageLibrary.h) once per process, on the
// first file or colour space that needs it, so that a run which needs none
// never pays for loading the general image library.
#pragma once

#include <string>
#include <vector>

#include "cli/ImageLibrary.h"

namespace morvel::cli {

inline constexpr char kImagePluginFile[] = "morvel-oiio.so";

// Where the plugin is looked for, in order: only $MORVEL_IMAGE_PLUGIN when it
// is set; else beside the executable or library that holds this code (and in
// ../lib/morvel from there), then where this build tree put it.
std::vector<std::string> ImagePluginCandidates();

// The first candidate that loads as a plugin of this version. Throws
// SceneError beginning with `purpose` and naming every path tried and why it
// failed. A loaded plugin stays loaded for the life of the process.
ImageLibrary& LoadImagePlugin(const std::vector<std::string>& candidates, const std::string& purpose);

// The process's plugin from ImagePluginCandidates(), loaded on the first call;
// threads may call at once. `purpose` ("a.png: reading .png files") leads the
// error when it cannot be loaded; a later call tries again.
ImageLibrary& ImagePlugin(const std::string& purpose);

}  // namespace morvel::cli
