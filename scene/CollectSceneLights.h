// Gathers the composition's active lights into caller-owned SceneLight records.
#pragma once

#include <cstdint>

#include "host/AE_Effect.h"
#include "scene/SceneLight.h"

namespace morvel {

// Fills lights[0..n) in layer order (top first) and returns n, at most capacity.
// lights must be zero-filled by the caller (its bytes feed the cache key); records
// from n on are not written. width and height give only the default position.
// Throws SuiteUnavailable when a host suite cannot be acquired.
int32_t CollectSceneLights(const PF_InData* in_data, SceneLight* lights, int32_t capacity, float width, float height);

}  // namespace morvel
