// One light of the composition, in the units the shading passes use.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

// Same numbers as the host's light types (parallel, spot, point, ambient).
enum class SceneLightType : int32_t {
    Directional = 0,
    Spot = 1,
    Point = 2,
    Ambient = 3,
};

inline constexpr int32_t kMaxSceneLights = 16;

// The raw bytes of filled records go into the host's render cache key, padding
// included: callers zero-fill the whole array before every collection, and the layout
// below must not change, or cached frames stop matching between versions.
struct SceneLight {
    SceneLightType type;
    float position[3];   // composition pixels
    float direction[3];  // unit length, or exactly (0, 0, 1)
    float color[3];      // 0..1
    float intensity;     // host percent / 100 x 5
    float coneAngle;     // radians
    float coneFeather;   // 0..1
    float falloffRadius;
    float falloffDistance;
    int32_t falloffType;
    uint8_t valid;
};

static_assert(sizeof(SceneLight) == 68, "16 four-byte fields, the valid byte, three bytes of padding");
static_assert(offsetof(SceneLight, position) == 4);
static_assert(offsetof(SceneLight, direction) == 16);
static_assert(offsetof(SceneLight, color) == 28);
static_assert(offsetof(SceneLight, intensity) == 40);
static_assert(offsetof(SceneLight, falloffType) == 60);
static_assert(offsetof(SceneLight, valid) == 64);

}  // namespace morvel
