// The built-in demo shot: render passes of a small studio scene (spheres of
// varied materials on a floor sweep), a procedural sky HDRI and three lights
// of different kinds, generated in memory so that it needs no files.
#pragma once

#include "cli/SceneImages.h"

namespace morvel::cli {

SceneImages MakeDemoScene(int width = 1280, int height = 720);

// An equirectangular sky: blue zenith, bright hazy horizon, darker warm ground
// and a small sun far above 1.0, so that highlights survive 8- and 16-bit frames.
Image MakeSkyHdri(int width, int height);

}  // namespace morvel::cli
