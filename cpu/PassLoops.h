// The CPU pass loops: one parallel loop over the output rows per pass, one body per
// pass kind templated on the host's pixel type (PF_Pixel8, PF_Pixel16, PF_PixelFloat).
//
// Every world is addressed with its own row bytes and read only inside its own width
// and height: a pass layer that does not cover an output pixel reads there as an
// unassigned layer, and a base world that does not cover it reads as a transparent
// pixel (0, 0, 0, 0), so the coverage rules treat it as empty.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "host/AE_Effect.h"
#include "render/FrameContext.h"
#include "render/FrameSettings.h"
#include "kernel/AnalyticLights.h"
#include "kernel/Brdf.h"
#include "kernel/Environment.h"
#include "kernel/IncidenceRim.h"
#include "cpu/PixelTraits.h"
#include "kernel/SurfaceSample.h"

namespace morvel {

// One world as a loop sees it: the rows and columns it may touch. A world without
// data, with rows too short for one pixel of this depth, or not aligned for the pixel
// type has no rows at all.
template <typename Pixel>
struct WorldRows {
    unsigned char* data = nullptr;
    std::ptrdiff_t rowBytes = 0;
    int cols = 0;
    int rows = 0;

    Pixel* row(int y) const {
        return y < rows ? reinterpret_cast<Pixel*>(data + static_cast<std::ptrdiff_t>(y) * rowBytes) : nullptr;
    }
};

template <typename Pixel>
WorldRows<Pixel> worldRowsOf(const PF_EffectWorld* w) {
    WorldRows<Pixel> r;
    if (!w || !w->data || w->width <= 0 || w->height <= 0) {
        return r;
    }
    const auto rowBytes = static_cast<std::ptrdiff_t>(w->rowbytes);
    const auto address = reinterpret_cast<std::uintptr_t>(w->data);
    if (rowBytes < static_cast<std::ptrdiff_t>(sizeof(Pixel)) || rowBytes % alignof(Pixel) != 0 ||
        address % alignof(Pixel) != 0) {
        return r;
    }
    r.data = reinterpret_cast<unsigned char*>(w->data);
    r.rowBytes = rowBytes;
    // Never past the row: a world narrower in bytes than its width claims is cut short.
    r.cols =
        static_cast<int>(std::min<std::ptrdiff_t>(w->width, rowBytes / static_cast<std::ptrdiff_t>(sizeof(Pixel))));
    r.rows = w->height;
    return r;
}

// One row of a pass layer; reads yield null where the layer has no pixel.
template <typename Pixel>
struct RowReader {
    const Pixel* px = nullptr;
    int cols = 0;

    const PassPixel* read(int x, PassPixel& tmp) const {
        if (x >= cols) {
            return nullptr;
        }
        tmp = PixelTraits<Pixel>::toFloat(px[x]);
        return &tmp;
    }
};

template <typename Pixel>
RowReader<Pixel> rowReaderAt(const WorldRows<Pixel>& w, int y) {
    const Pixel* p = w.row(y);
    return RowReader<Pixel>{p, p ? w.cols : 0};
}

// The base world (Diffuse Albedo, else the input) and the pass layers of one frame.
template <typename Pixel>
struct PassWorlds {
    WorldRows<Pixel> out;
    int width = 0;   // pixels the loop visits per row
    int height = 0;  // rows the loop visits
    bool hasBase = false;
    WorldRows<Pixel> base;
    WorldRows<Pixel> source, normal, roughness, metallic, specular;
};

template <typename Pixel>
PassWorlds<Pixel> passWorldsOf(const FrameContext& ctx) {
    PassWorlds<Pixel> w;
    w.out = worldRowsOf<Pixel>(ctx.output);
    w.width = std::max(0, std::min(ctx.width, w.out.cols));
    w.height = std::max(0, std::min(ctx.height, w.out.rows));
    w.base = worldRowsOf<Pixel>(ctx.passes[SLOT_DIFFUSE_ALBEDO]);
    if (!w.base.data) {
        w.base = worldRowsOf<Pixel>(ctx.input);
    }
    w.hasBase = w.base.data != nullptr;
    w.source = worldRowsOf<Pixel>(ctx.passes[SLOT_SOURCE]);
    w.normal = worldRowsOf<Pixel>(ctx.passes[SLOT_NORMAL]);
    w.roughness = worldRowsOf<Pixel>(ctx.passes[SLOT_ROUGHNESS]);
    w.metallic = worldRowsOf<Pixel>(ctx.passes[SLOT_METALNESS]);
    w.specular = worldRowsOf<Pixel>(ctx.passes[SLOT_SPECULAR]);
    return w;
}

// The pass layers other than the base at one output row.
template <typename Pixel>
struct RowReaders {
    RowReader<Pixel> source, normal, roughness, metallic, specular;
};

template <typename Pixel>
RowReaders<Pixel> rowReadersAt(const PassWorlds<Pixel>& w, int y) {
    return RowReaders<Pixel>{rowReaderAt(w.source, y), rowReaderAt(w.normal, y), rowReaderAt(w.roughness, y),
                             rowReaderAt(w.metallic, y), rowReaderAt(w.specular, y)};
}

// Without any base world the sample's own default applies (null: black, alpha 1);
// outside a base world that exists, the pixel is transparent.
template <typename Pixel>
const PassPixel* readBase(bool hasBase, const RowReader<Pixel>& base, int x, PassPixel& tmp) {
    if (!hasBase) {
        return nullptr;
    }
    if (const PassPixel* p = base.read(x, tmp)) {
        return p;
    }
    tmp = PassPixel{0.0f, 0.0f, 0.0f, 0.0f};
    return &tmp;
}

// Writes the pass colour (first pass) or adds it to what the output holds; on 8 and
// 16 bits the sum is formed in float and quantised by the store.
template <typename Pixel>
void storePassColor(Pixel& out, Vec3 c, float alpha, bool first) {
    if (!first) {
        const PassPixel e = PixelTraits<Pixel>::toFloat(out);
        c = Vec3{e.r + c.x, e.g + c.y, e.b + c.z};
    }
    PixelTraits<Pixel>::store(out, c.x, c.y, c.z, alpha);
}

// Coverage rule A: a pixel whose base alpha is not above 0 is cleared to (0, 0, 0, 0)
// by the first pass and left alone by later ones; a covered pixel gets the colour of
// shade(x, y, base, readers) with the base alpha.
template <typename Pixel, typename Shade>
void shadeCoveredRows(const PassWorlds<Pixel>& w, bool first, const Shade& shade) {
    const int height = w.height;
    const int width = w.width;
#pragma omp parallel for schedule(dynamic, 8)
    for (int y = 0; y < height; ++y) {
        const RowReader<Pixel> base = rowReaderAt(w.base, y);
        const RowReaders<Pixel> layers = rowReadersAt(w, y);
        Pixel* out = w.out.row(y);
        for (int x = 0; x < width; ++x) {
            PassPixel baseTmp;
            const PassPixel* bp = readBase(w.hasBase, base, x, baseTmp);
            const float alpha = bp ? bp->a : 1.0f;
            if (alpha > 0.0f) {
                storePassColor(out[x], shade(x, y, bp, layers), alpha, first);
            } else if (first) {
                PixelTraits<Pixel>::store(out[x], 0.0f, 0.0f, 0.0f, 0.0f);
            }
        }
    }
}

template <typename Pixel, typename LightAt>
void shadeLightRowsWith(const PassWorlds<Pixel>& w, const FrameSettings& fs, const LightAt& lightAt) {
    const SampleScales adj = sampleScalesOf(sampleAdjustsFrom(fs));
    const Vec3 lightColor = lightColorOf(fs);
    const float intensity = fs.intensity;
    shadeCoveredRows(w, fs.is_first_light != 0, [&](int x, int y, const PassPixel* bp, const RowReaders<Pixel>& rows) {
        PassPixel s, n, r, m, sp;
        const PassPixels in{bp,
                            rows.source.read(x, s),
                            rows.normal.read(x, n),
                            rows.roughness.read(x, r),
                            rows.metallic.read(x, m),
                            rows.specular.read(x, sp)};
        const SurfaceSample sample = makeSurfaceSample(in, adj);
        const LightSample ls = lightAt(x, y);
        return renderPBR(sample, ls.L, lightColor, intensity, ls.attenuation);
    });
}

// Light passes. The light kind is decided once per pass, and lights that do not vary
// over the frame (directional, ambient) are evaluated once.
template <typename Pixel>
void ShadeLightRows(const FrameContext& ctx, const FrameSettings& fs) {
    const PassWorlds<Pixel> w = passWorldsOf<Pixel>(ctx);
    if (w.width <= 0 || w.height <= 0) {
        return;
    }
    switch (fs.pass_type) {
        case PASS_DIRECTIONAL:
        case PASS_AMBIENT: {
            const LightSample ls = lightForPixel(fs, 0, 0);
            shadeLightRowsWith(w, fs, [ls](int, int) { return ls; });
            break;
        }
        case PASS_POINT: {
            const Vec3 pos{fs.light_pos_x, fs.light_pos_y, fs.light_pos_z};
            const float aspect = frameAspect(fs.width, fs.height);
            shadeLightRowsWith(w, fs, [&fs, pos, aspect](int x, int y) {
                return pointLight(pos, pixelCentreX(x, fs.width), pixelCentreY(y, fs.height), aspect, fs.light_decay,
                                  fs.falloff_distance);
            });
            break;
        }
        case PASS_SPOT: {
            const Vec3 pos{fs.light_pos_x, fs.light_pos_y, fs.light_pos_z};
            const SpotCone cone =
                makeSpotCone(Vec3{fs.light_dir_x, fs.light_dir_y, fs.light_dir_z}, fs.cone_angle, fs.cone_feather);
            const float aspect = frameAspect(fs.width, fs.height);
            shadeLightRowsWith(w, fs, [&fs, pos, cone, aspect](int x, int y) {
                return spotLight(pos, cone, pixelCentreX(x, fs.width), pixelCentreY(y, fs.height), aspect,
                                 fs.light_decay, fs.falloff_distance);
            });
            break;
        }
        default:
            // Not a light: lightForPixel adds nothing, the coverage rule still applies.
            shadeLightRowsWith(w, fs, [&fs](int x, int y) { return lightForPixel(fs, x, y); });
            break;
    }
}

// Incidence and rim: from the normal alone. Without a normal layer the normal faces
// the viewer, as in the light passes.
template <typename Pixel>
void ShadeIncidenceRimRows(const FrameContext& ctx, const FrameSettings& fs) {
    const PassWorlds<Pixel> w = passWorldsOf<Pixel>(ctx);
    if (w.width <= 0 || w.height <= 0) {
        return;
    }
    const IncidenceRimParams params = incidenceRimParamsFrom(fs);
    const Vec3 L{0.0f, 0.0f, 1.0f};  // the rim term takes an L and ignores it
    shadeCoveredRows(w, fs.is_first_light != 0,
                     [&params, L](int x, int, const PassPixel*, const RowReaders<Pixel>& rows) {
                         PassPixel n;
                         return incidenceRimColor(incidenceRimNormal(rows.normal.read(x, n)), L, params);
                     });
}

// The environment pass's own sample: no source blend and no adjusts; roughness held to
// [0.04, 1] so the reflection cone never collapses, metallic to [0, 1], specular as read.
inline SurfaceSample makeIblSurfaceSample(const PassPixel* base, const PassPixel* normal, const PassPixel* roughness,
                                          const PassPixel* metallic, const PassPixel* specular) {
    SurfaceSample s;
    s.baseColor = base ? Vec3{base->r, base->g, base->b} : Vec3{0.0f, 0.0f, 0.0f};
    s.alpha = base ? base->a : 1.0f;
    s.N = normal ? decodeNormal(normal->r, normal->g, normal->b) : Vec3{0.0f, 0.0f, 1.0f};
    s.roughness = clamp_f(roughness ? roughness->r : 0.5f, 0.04f, 1.0f);
    s.metallic = clamp_f(metallic ? metallic->r : 0.0f, 0.0f, 1.0f);
    s.specular = specular ? specular->r : 0.5f;
    return s;
}

// Environment pass, rule B: every pixel is shaded whatever its coverage, keeps its base
// alpha, and becomes opaque where the preview sphere covers it by more than half.
template <typename Pixel>
void ShadeIblRows(const FrameContext& ctx, const FrameSettings& fs, const HdriView& diffuse, const HdriView& specular) {
    const PassWorlds<Pixel> w = passWorldsOf<Pixel>(ctx);
    if (w.width <= 0 || w.height <= 0 || !diffuse.pixels || !specular.pixels || diffuse.width <= 0 ||
        diffuse.height <= 0 || specular.width <= 0 || specular.height <= 0) {
        return;
    }
    const IblSettings ibl = iblSettingsFromPass(fs);
    const bool first = fs.pass_type == PASS_IBL && fs.is_first_light != 0;
    const bool sphere = fs.preview_sphere != 0;
    const float rotX = fs.ibl_rotation_x;
    const float rotY = fs.ibl_rotation_y;
    const float rotZ = fs.ibl_rotation_z;
    const int frameWidth = ctx.width;
    const int frameHeight = ctx.height;
    const int height = w.height;
    const int width = w.width;
#pragma omp parallel for schedule(dynamic, 8)
    for (int y = 0; y < height; ++y) {
        const RowReader<Pixel> base = rowReaderAt(w.base, y);
        const RowReaders<Pixel> rows = rowReadersAt(w, y);
        Pixel* out = w.out.row(y);
        for (int x = 0; x < width; ++x) {
            PassPixel b, n, r, m, sp;
            const SurfaceSample s =
                makeIblSurfaceSample(readBase(w.hasBase, base, x, b), rows.normal.read(x, n), rows.roughness.read(x, r),
                                     rows.metallic.read(x, m), rows.specular.read(x, sp));
            Vec3 c = shadeEnvironment(s.baseColor, s.N, s.roughness, s.metallic, s.specular, diffuse, specular, ibl);
            float alpha = s.alpha;
            if (sphere) {
                const PreviewSphereInfo info = getPreviewSphereInfo(x, y, frameWidth, frameHeight);
                if (info.covered &&
                    blendPreviewSphere(c, samplePreviewSphereHDRI(info.normal, specular, rotX, rotY, rotZ),
                                       info.alpha)) {
                    alpha = 1.0f;
                }
            }
            storePassColor(out[x], c, alpha, first);
        }
    }
}

}  // namespace morvel
