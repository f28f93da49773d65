// One entry point per pass kind, each shading one pixel (x, y) of the output with the
// coverage and store rules. Every back end calls these: the CPU row loops for each
// pixel of a row, the GPU kernels once per work item. A pixel outside the output view
// is left alone, so a launch may round its size up.
#ifndef MORVEL_KERNEL_PASSES_H
#define MORVEL_KERNEL_PASSES_H

#include "kernel/AnalyticLights.h"
#include "kernel/Brdf.h"
#include "kernel/Compat.h"
#include "kernel/Environment.h"
#include "kernel/Float3.h"
#include "kernel/ImageView.h"
#include "kernel/IncidenceRim.h"
#include "kernel/SurfaceSample.h"

MORVEL_NAMESPACE_BEGIN

// The output and the layers a pass reads. The base is "Diffuse Albedo", else the
// effect's input; a layer that is not assigned is an empty view.
typedef struct PassViews {
    ImageView out;
    ImageView base;
    int hasBase;
    ImageView source;
    ImageView normal;
    ImageView roughness;
    ImageView metallic;
    ImageView specular;
} PassViews;

// Without any base world the sample's own default applies (null: black, alpha 1);
// outside a base world that exists, the pixel is transparent.
MORVEL_FUNC const PassPixel* readBase(PassViews v, int x, int y, PassPixel* tmp) {
    if (!v.hasBase) {
        return 0;
    }
    if (viewCovers(v.base, x, y)) {
        *tmp = readPixel(v.base, x, y);
    } else {
        *tmp = makePassPixel(0.0f, 0.0f, 0.0f, 0.0f);
    }
    return tmp;
}

// Writes the pass colour (first pass) or adds it to what the output holds; on 8 and
// 16 bits the sum is formed in float and quantised by the store.
MORVEL_FUNC void storePassColor(ImageView out, int x, int y, Float3 c, float alpha, int first) {
    if (!first) {
        const PassPixel e = readPixel(out, x, y);
        c = make_float3(e.r + c.x, e.g + c.y, e.b + c.z);
    }
    storePixel(out, x, y, c.x, c.y, c.z, alpha);
}

// Coverage rule A: a pixel whose base alpha is not above 0 is cleared to (0, 0, 0, 0)
// by the first pass and left alone by later ones; a covered pixel gets the pass colour
// with the base alpha. Returns the base alpha, and whether to shade, through *alpha.
MORVEL_FUNC int coveredOrCleared(PassViews v, int x, int y, int first, PassPixel* base, const PassPixel** bp,
                                 float* alpha) {
    *bp = readBase(v, x, y, base);
    *alpha = *bp ? (*bp)->a : 1.0f;
    if (*alpha > 0.0f) {
        return 1;
    }
    if (first) {
        storePixel(v.out, x, y, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    return 0;
}

// Light passes (directional, point, spot, ambient).
MORVEL_FUNC void shadeLightPixel(LightPass p, PassViews v, int x, int y) {
    if (!viewCovers(v.out, x, y)) return;
    PassPixel b;
    const PassPixel* bp;
    float alpha;
    if (!coveredOrCleared(v, x, y, p.is_first, &b, &bp, &alpha)) return;
    PassPixel s, n, r, m, sp;
    PassPixels in;
    in.base = bp;
    in.source = readLayer(v.source, x, y, &s);
    in.normal = readLayer(v.normal, x, y, &n);
    in.roughness = readLayer(v.roughness, x, y, &r);
    in.metallic = readLayer(v.metallic, x, y, &m);
    in.specular = readLayer(v.specular, x, y, &sp);
    const SurfaceSample sample = makeSurfaceSample(in, lightPassScales(p));
    const LightSample ls = lightAtPixel(p, x, y);
    const Float3 c =
        renderSamplePBR(sample, ls.L, make_float3(p.light_r, p.light_g, p.light_b), p.intensity, ls.attenuation);
    storePassColor(v.out, x, y, c, alpha, p.is_first);
}

// The light pass at a pixel that the base and every pass layer cover, with the light
// sample of the pixel given (lightAtPixel). The same result as shadeLightPixel there,
// written without data-dependent branches: rows of such pixels evaluate as vectors.
// Pixel (priorX, 0) of prior is the output pixel as it was before the pass (the output
// pixel itself, or a copy): a kept pixel is stored back as read, so that keeping it is
// a choice of values rather than a store skipped. blend is whether the source blends
// in (the pass's source_blend above 0), given so that a row loop can hold it constant.
MORVEL_FUNC void shadeLightPixelAllLayers(LightPass p, PassViews v, int x, int y, LightSample ls, ImageView prior,
                                          int priorX, int blend) {
    const PassPixel b = readPixel(v.base, x, y);
    const PassPixel n = readPixel(v.normal, x, y);
    const PassPixel r = readPixel(v.roughness, x, y);
    const PassPixel m = readPixel(v.metallic, x, y);
    const PassPixel sp = readPixel(v.specular, x, y);
    const SampleScales adj = lightPassScales(p);
    SurfaceSample sample;
    sample.baseColor = make_float3(b.r, b.g, b.b);
    if (blend) {
        const PassPixel s = readPixel(v.source, x, y);
        sample.baseColor = blendSource(sample.baseColor, make_float3(s.r, s.g, s.b), adj.source_blend);
    }
    sample.alpha = b.a;
    sample.N = decodeNormal(n.r, n.g, n.b);
    sample.roughness = scaleMap(r.r, adj.roughness);
    sample.metallic = scaleMap(m.r, adj.metallic);
    sample.specular = scaleMap(sp.r, adj.specular);
    Float3 c = renderSamplePBR(sample, ls.L, make_float3(p.light_r, p.light_g, p.light_b), p.intensity, ls.attenuation);
    // Coverage rule A as a choice of values: a first pass clears what it does not cover,
    // a later one keeps it.
    const int covered = b.a > 0.0f;
    if (!p.is_first) {
        const PassPixel e = readPixel(prior, priorX, 0);
        c = make_float3(e.r + c.x, e.g + c.y, e.b + c.z);
    }
    storePixelOrKeep(v.out, x, y, covered ? c.x : 0.0f, covered ? c.y : 0.0f, covered ? c.z : 0.0f,
                     covered ? b.a : 0.0f, !covered && !p.is_first, prior, priorX);
}

// Incidence and rim: from the normal alone. Without a normal layer the normal faces
// the viewer, as in the light passes.
MORVEL_FUNC void shadeIncidenceRimPixel(IncidenceRimPass p, PassViews v, int x, int y) {
    if (!viewCovers(v.out, x, y)) return;
    PassPixel b;
    const PassPixel* bp;
    float alpha;
    if (!coveredOrCleared(v, x, y, p.is_first, &b, &bp, &alpha)) return;
    PassPixel n;
    const Float3 c = incidenceRimColor(incidenceRimNormal(readLayer(v.normal, x, y, &n)), p);
    storePassColor(v.out, x, y, c, alpha, p.is_first);
}

// The incidence and rim pass at a pixel that the base and the normal layer cover, in
// two steps around the powers, so that a row can take them in a loop of their own and
// shade the rest as vectors. The same result as shadeIncidenceRimPixel there.
// First: the bases of the two powers.
MORVEL_FUNC void incidenceRimBasesAt(IncidenceRimPass p, PassViews v, int x, int y, float* incBase, float* rimBaseOut) {
    const PassPixel n = readPixel(v.normal, x, y);
    const Float3 N = decodeNormal(n.r, n.g, n.b);
    *incBase = incidenceBase(N);
    *rimBaseOut = rimBase(N, make_float3(p.rim_dir_x, p.rim_dir_y, 0.0f));
}

// Then the colour from the powers, stored with coverage rule A written as a choice of
// values (see shadeLightPixelAllLayers for prior and priorX).
MORVEL_FUNC void shadeIncidenceRimPixelOfPowers(IncidenceRimPass p, PassViews v, int x, int y, int withIncidence,
                                                int withRim, float incPow, float rimPow, ImageView prior, int priorX) {
    const PassPixel b = readPixel(v.base, x, y);
    Float3 c = incidenceRimColorOfPowers(p, withIncidence, withRim, incPow, rimPow);
    const int covered = b.a > 0.0f;
    if (!p.is_first) {
        const PassPixel e = readPixel(prior, priorX, 0);
        c = make_float3(e.r + c.x, e.g + c.y, e.b + c.z);
    }
    storePixelOrKeep(v.out, x, y, covered ? c.x : 0.0f, covered ? c.y : 0.0f, covered ? c.z : 0.0f,
                     covered ? b.a : 0.0f, !covered && !p.is_first, prior, priorX);
}

// The environment pass's surface at a pixel of the output.
MORVEL_FUNC SurfaceSample environmentSampleAt(PassViews v, int x, int y) {
    PassPixel b, n, r, m, sp;
    return makeIblSurfaceSample(readBase(v, x, y, &b), readLayer(v.normal, x, y, &n), readLayer(v.roughness, x, y, &r),
                                readLayer(v.metallic, x, y, &m), readLayer(v.specular, x, y, &sp));
}

// Environment pass, rule B: every pixel is shaded whatever its coverage, keeps its base
// alpha, and becomes opaque where the preview sphere covers it by more than half.
// Stores the shaded colour c of the pixel with the preview sphere over it.
MORVEL_FUNC void storeEnvironmentPixel(IblPass p, PassViews v, HdriView specular, int x, int y, Float3 c, float alpha) {
    if (p.preview_sphere) {
        const PreviewSphereInfo info = getPreviewSphereInfo(x, y, p.frame_width, p.frame_height);
        if (info.covered) {
            c = blendPreviewSphere(c, samplePreviewSphereHDRI(info.normal, specular, p.sphereRotation), info.alpha);
            if (info.alpha > 0.5f) {
                alpha = 1.0f;
            }
        }
    }
    storePassColor(v.out, x, y, c, alpha, p.is_first);
}

// The environment pass at one pixel. Both images must hold at least one pixel.
MORVEL_FUNC void shadeEnvironmentPixel(IblPass p, PassViews v, HdriView diffuse, HdriView specular, int x, int y) {
    if (!viewCovers(v.out, x, y)) return;
    const SurfaceSample s = environmentSampleAt(v, x, y);
    const Float3 c = shadeEnvironment(s.baseColor, s.N, s.roughness, s.metallic, s.specular, diffuse, specular, p);
    storeEnvironmentPixel(p, v, specular, x, y, c, s.alpha);
}

// The frame's starting colour: black, alpha at full value.
MORVEL_FUNC void clearPixelOpaqueBlack(ImageView out, int x, int y) {
    if (!viewCovers(out, x, y)) return;
    storePixel(out, x, y, 0.0f, 0.0f, 0.0f, 1.0f);
}

MORVEL_NAMESPACE_END

#endif
