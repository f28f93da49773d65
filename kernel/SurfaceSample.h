// The per-pixel material record every pass builds, and how each render pass decodes
// into it. Callers hand in each layer's pixel as four floats; a null pointer means
// the layer is not assigned (or the pixel lies outside that layer).
#ifndef MORVEL_KERNEL_SURFACE_SAMPLE_H
#define MORVEL_KERNEL_SURFACE_SAMPLE_H

#include "kernel/Compat.h"
#include "kernel/Float3.h"
#include "kernel/ShadingMath.h"

MORVEL_NAMESPACE_BEGIN

// One pass-layer pixel by channel meaning, already converted to float (8-bit / 255,
// 16-bit / 32768). Host worlds (A, R, G, B) and GPU buffers (B, G, R, A) both read
// into it (ImageView.h).
typedef struct PassPixel {
    float r;
    float g;
    float b;
    float a;
} PassPixel;

// The layers a sample reads at one pixel; null = not assigned.
typedef struct PassPixels {
    const PassPixel* base;  // "Diffuse Albedo", or the effect's input layer without one
    const PassPixel* source;
    const PassPixel* normal;
    const PassPixel* roughness;
    const PassPixel* metallic;
    const PassPixel* specular;
} PassPixels;

typedef struct SurfaceSample {
    Float3 baseColor;  // R, G, B
    float alpha;
    Float3 N;
    float roughness;
    float metallic;
    float specular;
} SurfaceSample;

// Tangent-space style encoding: each channel 0..1 maps to -1..1. A grey (0.5) pixel
// decodes to the zero vector, which normalize3 leaves zero so it lights nothing.
MORVEL_FUNC Float3 decodeNormal(float r, float g, float b) {
    return normalize3(make_float3(2.0f * r - 1.0f, 2.0f * g - 1.0f, 2.0f * b - 1.0f));
}

// Linear mix towards the source pass; the weight arrives squared for a gentler slider.
MORVEL_FUNC Float3 blendSource(Float3 base, Float3 source, float source_blend) {
    return make_float3(base.x * (1.0f - source_blend) + source.x * source_blend,
                       base.y * (1.0f - source_blend) + source.y * source_blend,
                       base.z * (1.0f - source_blend) + source.z * source_blend);
}

// The pass record's source blend (already squared) and its adjusts as the factors
// 2^stops that scale the maps. They depend only on the pass record, so a pass builds
// them once instead of three powf calls per pixel.
typedef struct SampleScales {
    float source_blend;
    float roughness;
    float specular;
    float metallic;
} SampleScales;

MORVEL_FUNC SampleScales makeSampleScales(float source_blend, float roughness_adjust, float specular_adjust,
                                          float metallic_adjust) {
    SampleScales s;
    s.source_blend = source_blend;
    s.roughness = powf(2.0f, roughness_adjust);
    s.specular = powf(2.0f, specular_adjust);
    s.metallic = powf(2.0f, metallic_adjust);
    return s;
}

// Scalar map value scaled by its factor, then held to the valid 0..1 range.
MORVEL_FUNC float scaleMap(float value, float scale) { return clamp_f(value * scale, 0.0f, 1.0f); }

// Light passes: scalar maps from the red channel, and the documented defaults for
// absent layers.
MORVEL_FUNC SurfaceSample makeSurfaceSample(PassPixels in, SampleScales adj) {
    SurfaceSample s;
    if (in.base) {
        s.baseColor = make_float3(in.base->r, in.base->g, in.base->b);
        s.alpha = in.base->a;
    } else {
        s.baseColor = make_float3(0.0f, 0.0f, 0.0f);
        s.alpha = 1.0f;
    }
    if (in.source && adj.source_blend > 0.0f) {
        s.baseColor = blendSource(s.baseColor, make_float3(in.source->r, in.source->g, in.source->b), adj.source_blend);
    }
    s.N = in.normal ? decodeNormal(in.normal->r, in.normal->g, in.normal->b) : make_float3(0.0f, 0.0f, 1.0f);
    s.roughness = scaleMap(in.roughness ? in.roughness->r : 0.5f, adj.roughness);
    s.metallic = scaleMap(in.metallic ? in.metallic->r : 0.0f, adj.metallic);
    s.specular = scaleMap(in.specular ? in.specular->r : 0.5f, adj.specular);
    return s;
}

// The environment pass's own sample: no source blend and no adjusts; roughness held to
// [0.04, 1] so the reflection cone never collapses, metallic to [0, 1], specular as read.
MORVEL_FUNC SurfaceSample makeIblSurfaceSample(const PassPixel* base, const PassPixel* normal,
                                               const PassPixel* roughness, const PassPixel* metallic,
                                               const PassPixel* specular) {
    SurfaceSample s;
    s.baseColor = base ? make_float3(base->r, base->g, base->b) : make_float3(0.0f, 0.0f, 0.0f);
    s.alpha = base ? base->a : 1.0f;
    s.N = normal ? decodeNormal(normal->r, normal->g, normal->b) : make_float3(0.0f, 0.0f, 1.0f);
    s.roughness = clamp_f(roughness ? roughness->r : 0.5f, 0.04f, 1.0f);
    s.metallic = clamp_f(metallic ? metallic->r : 0.0f, 0.0f, 1.0f);
    s.specular = specular ? specular->r : 0.5f;
    return s;
}

// Without a normal layer the surface faces the viewer, as in the light passes. (Decoding
// the raw colour (0, 0, 1) instead would tilt every pixel to (-1, -1, 1)/sqrt(3) and
// paint incidence and rim over a frame that has no normals at all.)
MORVEL_FUNC Float3 incidenceRimNormal(const PassPixel* normal) {
    return normal ? decodeNormal(normal->r, normal->g, normal->b) : make_float3(0.0f, 0.0f, 1.0f);
}

MORVEL_NAMESPACE_END

#endif
