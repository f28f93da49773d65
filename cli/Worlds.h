// Images turned into the host's worlds and back: layers in the frame's depth
// (levels rounded as the host rounds them), results read out as stored.
#pragma once

#include "cli/Images.h"
#include "minihost/World.h"

namespace morvel::cli {

minihost::World ToWorld(const Image& image, int depth);
// 8-bit levels 0..255, 16-bit 0..32768, float as stored.
Frame FromWorld(const minihost::World& world);

}  // namespace morvel::cli
