// Whole-row bodies of the environment pass: each cone's lookups located first and then
// loaded together. The baseline copy calls the C library's scalar atan2f and asinf per
// lookup and gives the per-pixel entry point's bytes. The AVX2 copy computes the
// lookups as vectors with the C library's vector math where it has some (glibc's
// libmvec), which may move a lookup that falls within rounding of a texel edge to its
// neighbour; without vector math it is the baseline body built for AVX2. Chosen with
// the light rows' bodies (CpuRowBodies); PerPixel keeps the per-pixel entry point, the
// reference.
#pragma once

#include <cstddef>

#include "kernel/Passes.h"

namespace morvel {

// Shades pixels 0..width-1 of row y. The views carry their layouts.
using EnvironmentRowBody = void (*)(const IblPass& pass, const PassViews& views, const HdriView& diffuse,
                                    const HdriView& specular, int y, int width);

// The offsets (hdriNearestOffset) of a cone's lookups, the centre's first and then the
// ring's in order; returns how many (1 + the ring size, or 1 for the centre alone).
constexpr int kMaxConeLookups = 9;
using ConeLookupOffsets = int (*)(const HdriView& img, Float3 axis, float angle, const EnvRotation& rot,
                                  const ConeRing& ring, std::ptrdiff_t offsets[kMaxConeLookups]);

struct EnvironmentRowTable {
    EnvironmentRowBody body[3];  // by layout: PIXEL_ARGB8, PIXEL_ARGB16, PIXEL_ARGB32F
    ConeLookupOffsets coneOffsets;
    bool vectorMath;  // whether the lookups come from vector math (not bit-identical)
};

const EnvironmentRowTable& BaselineEnvironmentRows();
const EnvironmentRowTable& Avx2EnvironmentRows();  // only where CpuHasAvx2()

// The table the active choice (ActiveCpuRowBodies) uses, or null for PerPixel.
const EnvironmentRowTable* ActiveEnvironmentRows();

}  // namespace morvel
