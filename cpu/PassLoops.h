// The CPU row driver: one parallel loop over the output rows per pass, calling the
// kernel's per-pixel entry point for every pixel of the row, in the host's pixel type
// (PF_Pixel8, PF_Pixel16, PF_PixelFloat).
//
// Every world is addressed with its own row bytes and read only inside its own width
// and height: a pass layer that does not cover an output pixel reads there as an
// unassigned layer, and a base world that does not cover it reads as a transparent
// pixel (0, 0, 0, 0), so the coverage rules treat it as empty.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cpu/EnvironmentRows.h"
#include "cpu/LightRows.h"
#include "cpu/PixelTraits.h"
#include "frame/FrameContext.h"
#include "frame/FrameSettings.h"
#include "frame/KernelPasses.h"
#include "host/AE_Effect.h"
#include "kernel/Passes.h"

namespace morvel {

// One world as a loop sees it. A world without data, with rows too short for one pixel
// of this depth, or not aligned for the pixel type is empty.
template <typename Pixel>
ImageView worldViewOf(const PF_EffectWorld* w) {
    ImageView v{nullptr, 0, 0, 0, PixelTraits<Pixel>::kLayout};
    if (!w || !w->data || w->width <= 0 || w->height <= 0) {
        return v;
    }
    const auto rowBytes = static_cast<std::ptrdiff_t>(w->rowbytes);
    const auto address = reinterpret_cast<std::uintptr_t>(w->data);
    if (rowBytes < static_cast<std::ptrdiff_t>(sizeof(Pixel)) || rowBytes % alignof(Pixel) != 0 ||
        address % alignof(Pixel) != 0) {
        return v;
    }
    v.data = reinterpret_cast<unsigned char*>(w->data);
    v.rowBytes = rowBytes;
    // Never past the row: a world narrower in bytes than its width claims is cut short.
    v.width =
        static_cast<int>(std::min<std::ptrdiff_t>(w->width, rowBytes / static_cast<std::ptrdiff_t>(sizeof(Pixel))));
    v.height = w->height;
    return v;
}

// The frame's worlds; the output view covers exactly the pixels the loops visit.
template <typename Pixel>
PassViews passViewsOf(const FrameContext& ctx) {
    PassViews v{};
    v.out = worldViewOf<Pixel>(ctx.output);
    v.out.width = std::max(0, std::min(ctx.width, v.out.width));
    v.out.height = std::max(0, std::min(ctx.height, v.out.height));
    v.base = worldViewOf<Pixel>(ctx.passes[SLOT_DIFFUSE_ALBEDO]);
    if (!v.base.data) {
        v.base = worldViewOf<Pixel>(ctx.input);
    }
    v.hasBase = v.base.data != nullptr;
    v.source = worldViewOf<Pixel>(ctx.passes[SLOT_SOURCE]);
    v.normal = worldViewOf<Pixel>(ctx.passes[SLOT_NORMAL]);
    v.roughness = worldViewOf<Pixel>(ctx.passes[SLOT_ROUGHNESS]);
    v.metallic = worldViewOf<Pixel>(ctx.passes[SLOT_METALNESS]);
    v.specular = worldViewOf<Pixel>(ctx.passes[SLOT_SPECULAR]);
    return v;
}

// A view as row y of a loop reads it: empty past the view's last row, else with a
// height of y + 1, which the compiler sees to be above y, so the rows test of every
// read folds away and a read costs what a row pointer's would.
inline void placeOnRow(ImageView& v, int y, int layout) {
    if (!(y < v.height)) {
        v.width = 0;
    }
    v.height = y + 1;
    v.layout = layout;
}

// Runs shadeRow(pass, views, y, width) over every output row, rows handed out to the
// threads in chunks of 8. Each row works on its own copies of the pass values and the
// views, with the layout fixed at compile time: the kernel's layout tests fold away,
// and nothing the row writes can alias what it reads the geometry from.
template <typename Pixel, typename Pass, typename ShadeRow>
void forEachOutputRow(const PassViews& shared, const Pass& pass, const ShadeRow& shadeRow) {
    const int height = shared.out.height;
    const int width = shared.out.width;
#pragma omp parallel for schedule(dynamic, 8)
    for (int y = 0; y < height; ++y) {
        Pass p = pass;
        PassViews v = shared;
        constexpr int layout = PixelTraits<Pixel>::kLayout;
        placeOnRow(v.out, y, layout);
        v.out.width = width;  // the loop's own bound, so the output test folds away too
        placeOnRow(v.base, y, layout);
        placeOnRow(v.source, y, layout);
        placeOnRow(v.normal, y, layout);
        placeOnRow(v.roughness, y, layout);
        placeOnRow(v.metallic, y, layout);
        placeOnRow(v.specular, y, layout);
        shadeRow(p, v, y, width);
    }
}

// Runs shade(pass, views, x, y) over every output pixel.
template <typename Pixel, typename Pass, typename Shade>
void forEachOutputPixel(const PassViews& shared, const Pass& pass, const Shade& shade) {
    forEachOutputRow<Pixel>(shared, pass, [&shade](Pass& p, const PassViews& v, int y, int width) {
        for (int x = 0; x < width; ++x) {
            shade(p, v, x, y);
        }
    });
}

inline bool viewCoversRow(const ImageView& v, int y, int width) { return width <= v.width && y < v.height; }

// Whether the base and every pass layer hold pixels 0..width-1 of row y.
inline bool layersCoverRow(const PassViews& v, int y, int width) {
    return v.hasBase && viewCoversRow(v.base, y, width) && viewCoversRow(v.source, y, width) &&
           viewCoversRow(v.normal, y, width) && viewCoversRow(v.roughness, y, width) &&
           viewCoversRow(v.metallic, y, width) && viewCoversRow(v.specular, y, width);
}

// Light passes. The light kind is fixed per loop, so each kind gets a body of its own;
// rows that every layer covers go to the whole-row body where there is one.
template <typename Pixel, int Kind>
void shadeLightRowsOf(const PassViews& views, const LightPass& pass) {
    const LightRowBody rowBody = LightRowBodyFor(PixelTraits<Pixel>::kLayout, pass, Kind);
    forEachOutputRow<Pixel>(views, pass, [rowBody](LightPass& p, const PassViews& v, int y, int width) {
        p.kind = Kind;
        if (rowBody && layersCoverRow(v, y, width)) {
            rowBody(p, v, y, width);
            return;
        }
        for (int x = 0; x < width; ++x) {
            shadeLightPixel(p, v, x, y);
        }
    });
}

template <typename Pixel>
void ShadeLightRows(const FrameContext& ctx, const FrameSettings& fs) {
    const PassViews views = passViewsOf<Pixel>(ctx);
    if (views.out.width <= 0 || views.out.height <= 0) {
        return;
    }
    const LightPass pass = LightPassOf(fs);
    switch (pass.kind) {
        case LIGHT_DIRECTIONAL:
            shadeLightRowsOf<Pixel, LIGHT_DIRECTIONAL>(views, pass);
            break;
        case LIGHT_POINT:
            shadeLightRowsOf<Pixel, LIGHT_POINT>(views, pass);
            break;
        case LIGHT_SPOT:
            shadeLightRowsOf<Pixel, LIGHT_SPOT>(views, pass);
            break;
        case LIGHT_AMBIENT:
            shadeLightRowsOf<Pixel, LIGHT_AMBIENT>(views, pass);
            break;
        default:
            // Not a light: it adds nothing, the coverage rule still applies.
            shadeLightRowsOf<Pixel, 0>(views, pass);
            break;
    }
}

template <typename Pixel>
void ShadeIncidenceRimRows(const FrameContext& ctx, const FrameSettings& fs) {
    const PassViews views = passViewsOf<Pixel>(ctx);
    if (views.out.width <= 0 || views.out.height <= 0) {
        return;
    }
    const IncidenceRimPass pass = IncidenceRimPassOf(fs);
    const IncidenceRimRowBody rowBody = IncidenceRimRowBodyFor(PixelTraits<Pixel>::kLayout, pass);
    forEachOutputRow<Pixel>(views, pass, [rowBody](IncidenceRimPass& p, const PassViews& v, int y, int width) {
        // The pass reads the base and the normal only.
        if (rowBody && v.hasBase && viewCoversRow(v.base, y, width) && viewCoversRow(v.normal, y, width)) {
            rowBody(p, v, y, width);
            return;
        }
        for (int x = 0; x < width; ++x) {
            shadeIncidenceRimPixel(p, v, x, y);
        }
    });
}

// Environment pass on the prepared HDRI images.
template <typename Pixel>
void ShadeIblRows(const FrameContext& ctx, const FrameSettings& fs, const HdriView& diffuse, const HdriView& specular) {
    const PassViews views = passViewsOf<Pixel>(ctx);
    if (views.out.width <= 0 || views.out.height <= 0 || !diffuse.pixels || !specular.pixels || diffuse.width <= 0 ||
        diffuse.height <= 0 || specular.width <= 0 || specular.height <= 0) {
        return;
    }
    const IblPass pass = IblPassOf(fs, ctx.width, ctx.height);
    const EnvironmentRowTable* rows = ActiveEnvironmentRows();
    const EnvironmentRowBody rowBody = rows ? rows->body[PixelTraits<Pixel>::kLayout] : nullptr;
    forEachOutputRow<Pixel>(views, pass,
                            [&diffuse, &specular, rowBody](IblPass& p, const PassViews& v, int y, int width) {
                                if (rowBody) {
                                    rowBody(p, v, diffuse, specular, y, width);
                                    return;
                                }
                                for (int x = 0; x < width; ++x) {
                                    shadeEnvironmentPixel(p, v, diffuse, specular, x, y);
                                }
                            });
}

template <typename Pixel>
void ClearRows(const FrameContext& ctx) {
    PassViews views{};
    views.out = worldViewOf<Pixel>(ctx.output);
    views.out.width = std::max(0, std::min(ctx.width, views.out.width));
    views.out.height = std::max(0, std::min(ctx.height, views.out.height));
    forEachOutputPixel<Pixel>(views, 0,
                              [](int, const PassViews& v, int x, int y) { clearPixelOpaqueBlack(v.out, x, y); });
}

}  // namespace morvel
