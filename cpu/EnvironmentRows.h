// Whole-row bodies of the environment pass: each cone's lookups computed first and
// then loaded together, with a baseline copy that calls the C library's atan2f and
// asinf per lookup (the same bits as the per-pixel entry point) and an AVX2 copy that
// takes a ring's eight angles as one vector where the C library has vector math
// (glibc's libmvec; elsewhere it keeps the scalar calls). Chosen with the light rows'
// bodies (CpuRowBodies): PerPixel keeps the per-pixel entry point as the reference.
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
    bool vectorMath;  // whether the ring's angles come from vector math
};

const EnvironmentRowTable& BaselineEnvironmentRows();
const EnvironmentRowTable& Avx2EnvironmentRows();  // only where CpuHasAvx2()

// The table the active choice (ActiveCpuRowBodies) uses, or null for PerPixel.
const EnvironmentRowTable* ActiveEnvironmentRows();

}  // namespace morvel
