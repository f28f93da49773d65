// The per-pixel material record every pass builds, and how each render pass decodes
// into it. Callers hand in each layer's pixel as four floats; a null pointer means
// the layer is not assigned (or the pixel lies outside that layer).
#pragma once

#include "render/FrameSettings.h"
#include "kernel/Compat.h"
#include "kernel/ShadingMath.h"
#include "kernel/Float3.h"

namespace morvel {

// One pass-layer pixel by channel meaning, already converted to float (8-bit / 255,
// 16-bit / 32768). CPU worlds (A, R, G, B) and GPU float4 (B, G, R, A) both map onto it.
struct PassPixel {
    float r;
    float g;
    float b;
    float a;
};

// The layers a sample reads at one pixel; null = not assigned.
struct PassPixels {
    const PassPixel* base;  // "Diffuse Albedo", or the effect's input layer without one
    const PassPixel* source;
    const PassPixel* normal;
    const PassPixel* roughness;
    const PassPixel* metallic;
    const PassPixel* specular;
};

// The pass-record values that shape a sample (FrameSettings fields of the same names).
struct SampleAdjusts {
    float source_blend;  // already squared
    float roughness_adjust;
    float specular_adjust;
    float metallic_adjust;
};

struct SurfaceSample {
    Vec3 baseColor;  // CPU: R, G, B; GPU variant: B, G, R (matches its buffers)
    float alpha;
    Vec3 N;
    float roughness;
    float metallic;
    float specular;
};

MORVEL_HD SampleAdjusts sampleAdjustsFrom(const FrameSettings& fs) {
    return SampleAdjusts{fs.source_blend, fs.roughness_adjust, fs.specular_adjust, fs.metallic_adjust};
}

// Tangent-space style encoding: each channel 0..1 maps to -1..1. A grey (0.5) pixel
// decodes to the zero vector, which normalize3 leaves zero so it lights nothing.
MORVEL_HD Vec3 decodeNormal(float r, float g, float b) {
    return normalize3(Vec3{2.0f * r - 1.0f, 2.0f * g - 1.0f, 2.0f * b - 1.0f});
}

// Linear mix towards the source pass; the weight arrives squared for a gentler slider.
MORVEL_HD Vec3 blendSource(Vec3 base, Vec3 source, float source_blend) {
    return Vec3{base.x * (1.0f - source_blend) + source.x * source_blend,
                base.y * (1.0f - source_blend) + source.y * source_blend,
                base.z * (1.0f - source_blend) + source.z * source_blend};
}

// The adjusts as the factors 2^stops that scale the maps. They depend only on the pass
// record, so a loop builds them once instead of three powf calls per pixel.
struct SampleScales {
    float source_blend;
    float roughness;
    float specular;
    float metallic;
};

MORVEL_HD SampleScales sampleScalesOf(SampleAdjusts adj) {
    return SampleScales{adj.source_blend, powf(2.0f, adj.roughness_adjust), powf(2.0f, adj.specular_adjust),
                        powf(2.0f, adj.metallic_adjust)};
}

// Scalar map value scaled by its factor, then held to the valid 0..1 range.
MORVEL_HD float scaleMap(float value, float scale) { return clamp_f(value * scale, 0.0f, 1.0f); }

// CPU light passes: true R, G, B order, scalar maps from the red channel, and the
// documented defaults for absent layers.
MORVEL_HD SurfaceSample makeSurfaceSample(const PassPixels& in, const SampleScales& adj) {
    SurfaceSample s;
    if (in.base) {
        s.baseColor = Vec3{in.base->r, in.base->g, in.base->b};
        s.alpha = in.base->a;
    } else {
        s.baseColor = Vec3{0.0f, 0.0f, 0.0f};
        s.alpha = 1.0f;
    }
    if (in.source && adj.source_blend > 0.0f) {
        s.baseColor = blendSource(s.baseColor, Vec3{in.source->r, in.source->g, in.source->b}, adj.source_blend);
    }
    s.N = in.normal ? decodeNormal(in.normal->r, in.normal->g, in.normal->b) : Vec3{0.0f, 0.0f, 1.0f};
    s.roughness = scaleMap(in.roughness ? in.roughness->r : 0.5f, adj.roughness);
    s.metallic = scaleMap(in.metallic ? in.metallic->r : 0.0f, adj.metallic);
    s.specular = scaleMap(in.specular ? in.specular->r : 0.5f, adj.specular);
    return s;
}

// GPU kernels: colour triples blue first (their buffers are B, G, R, A), scalar maps
// from component 0 (blue), and an absent normal or scalar map reads as the zero-filled
// substitute buffer the GPU frame hands them rather than as the CPU defaults. The
// normal still decodes from true R, G, B so that it points the same way as on the CPU.
MORVEL_HD SurfaceSample makeSurfaceSampleGpu(const PassPixels& in, const SampleScales& adj) {
    const PassPixel zero{0.0f, 0.0f, 0.0f, 0.0f};
    const PassPixel& normal = in.normal ? *in.normal : zero;
    SurfaceSample s;
    if (in.base) {
        s.baseColor = Vec3{in.base->b, in.base->g, in.base->r};
        s.alpha = in.base->a;
    } else {
        s.baseColor = Vec3{0.0f, 0.0f, 0.0f};
        s.alpha = 1.0f;
    }
    if (in.source && adj.source_blend > 0.0f) {
        s.baseColor = blendSource(s.baseColor, Vec3{in.source->b, in.source->g, in.source->r}, adj.source_blend);
    }
    s.N = decodeNormal(normal.r, normal.g, normal.b);
    s.roughness = scaleMap(in.roughness ? in.roughness->b : 0.0f, adj.roughness);
    s.metallic = scaleMap(in.metallic ? in.metallic->b : 0.0f, adj.metallic);
    s.specular = scaleMap(in.specular ? in.specular->b : 0.0f, adj.specular);
    return s;
}

MORVEL_HD SurfaceSample makeSurfaceSample(const PassPixels& in, SampleAdjusts adj) {
    return makeSurfaceSample(in, sampleScalesOf(adj));
}
MORVEL_HD SurfaceSample makeSurfaceSampleGpu(const PassPixels& in, SampleAdjusts adj) {
    return makeSurfaceSampleGpu(in, sampleScalesOf(adj));
}

// Without a normal layer the surface faces the viewer, as in the light passes. (Decoding
// the raw colour (0, 0, 1) instead would tilt every pixel to (-1, -1, 1)/sqrt(3) and
// paint incidence and rim over a frame that has no normals at all.)
MORVEL_HD Vec3 incidenceRimNormal(const PassPixel* normal) {
    return normal ? decodeNormal(normal->r, normal->g, normal->b) : Vec3{0.0f, 0.0f, 1.0f};
}

}  // namespace morvel
