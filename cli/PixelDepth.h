// How the host hands pixel values to an effect in each depth, and how the
// tool stores the effect's output. Values that leave the effect in 8 or 16
// bit are integers held in floats: 0..255 or 0..32768 (the host's 16-bit
// white is 32768, not 65535).
#pragma once

#include <algorithm>
#include <cmath>

namespace morvel::cli {

inline bool IsValidDepth(int depth) { return depth == 8 || depth == 16 || depth == 32; }

// The integer level of a 0..1 value: v × white, rounded half away from zero
// (std::round does that), clamped to 0..white.
inline float ToLevel(float v, float white) {
    if (std::isnan(v)) return 0.0f;
    return std::clamp(std::round(v * white), 0.0f, white);
}
inline float White(int depth) { return depth == 8 ? 255.0f : depth == 16 ? 32768.0f : 1.0f; }
// A 0..1 value as a layer of this depth holds it; float passes unchanged.
inline float ToDepth(float v, int depth) { return depth == 32 ? v : ToLevel(v, White(depth)); }

}  // namespace morvel::cli
