// The effect takes at most 16 lights a frame: the first 16 that are on, in the
// composition's top-first order. morvel-render names the ones it will ignore.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/SceneFile.h"

namespace morvel::cli {

inline constexpr std::size_t kEffectMaxLights = 16;

// Indices into scene.lights of the lights that are on in one of `frames` but
// come after the 16th light that is on in that frame, in index order.
std::vector<std::size_t> IgnoredLights(const Scene& scene, const std::vector<int>& frames, int width, int height);

// "" when none is ignored, else one line naming them.
std::string IgnoredLightsWarning(const Scene& scene, const std::vector<std::size_t>& ignored);

}  // namespace morvel::cli
