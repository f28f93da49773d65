// Three floats through the shading math: the vector type of each compiler (see
// Compat.h), worked on by plain functions so that one spelling serves all three.
// Colours are multiplied channel by channel.
#ifndef MORVEL_KERNEL_FLOAT3_H
#define MORVEL_KERNEL_FLOAT3_H

#include "kernel/Compat.h"

MORVEL_NAMESPACE_BEGIN

MORVEL_FUNC Float3 add3(Float3 a, Float3 b) { return make_float3(a.x + b.x, a.y + b.y, a.z + b.z); }
MORVEL_FUNC Float3 sub3(Float3 a, Float3 b) { return make_float3(a.x - b.x, a.y - b.y, a.z - b.z); }
MORVEL_FUNC Float3 mul3(Float3 a, Float3 b) { return make_float3(a.x * b.x, a.y * b.y, a.z * b.z); }
MORVEL_FUNC Float3 scale3(Float3 a, float s) { return make_float3(a.x * s, a.y * s, a.z * s); }
MORVEL_FUNC Float3 div3(Float3 a, float s) { return make_float3(a.x / s, a.y / s, a.z / s); }

MORVEL_FUNC float dot3(Float3 a, Float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
MORVEL_FUNC float length3(Float3 v) { return sqrtf(dot3(v, v)); }

// Same value in every channel.
MORVEL_FUNC Float3 splat3(float s) { return make_float3(s, s, s); }

MORVEL_NAMESPACE_END

#endif
