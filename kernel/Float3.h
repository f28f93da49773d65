// Three floats passed by value through the shading math on the CPU and in CUDA kernels.
// Named Vec3 rather than float3 so that it never collides with CUDA's vector types.
#pragma once

#include <cmath>

#include "kernel/Compat.h"

namespace morvel {

struct Vec3 {
    float x;
    float y;
    float z;
};

MORVEL_HD Vec3 operator+(Vec3 a, Vec3 b) { return Vec3{a.x + b.x, a.y + b.y, a.z + b.z}; }
MORVEL_HD Vec3 operator-(Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
// Component-wise: colours are multiplied channel by channel.
MORVEL_HD Vec3 operator*(Vec3 a, Vec3 b) { return Vec3{a.x * b.x, a.y * b.y, a.z * b.z}; }
MORVEL_HD Vec3 operator*(Vec3 a, float s) { return Vec3{a.x * s, a.y * s, a.z * s}; }
MORVEL_HD Vec3 operator/(Vec3 a, float s) { return Vec3{a.x / s, a.y / s, a.z / s}; }

MORVEL_HD float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
MORVEL_HD float length(Vec3 v) { return sqrtf(dot(v, v)); }

// Same value in every channel.
MORVEL_HD Vec3 splat(float s) { return Vec3{s, s, s}; }

// The GPU buffers hold B, G, R: the kernels rebuild true R, G, B triples blue first.
MORVEL_HD Vec3 swapRedBlue(Vec3 c) { return Vec3{c.z, c.y, c.x}; }

}  // namespace morvel
