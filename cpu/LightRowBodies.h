// The row bodies themselves, included by one translation unit per instruction set.
// Everything here has internal linkage: each unit keeps its own copies, and the linker
// can never hand the baseline table an AVX2 instantiation.
#pragma once

#include <algorithm>

#include "cpu/LightRows.h"
#include "cpu/RowBlocks.h"

namespace morvel {
namespace {

// The light of every pixel of a row (directional, ambient).
struct RowLight {
    LightSample sample;
    LightSample at(int) const { return sample; }
};

// The lights of a block's pixels (point, spot), a plane per component: the shading loop
// loads each as one vector, where whole samples would have to be taken apart.
struct PixelLights {
    const float *x, *y, *z, *attenuation;
    LightSample at(int i) const { return makeLightSample(make_float3(x[i], y[i], z[i]), attenuation[i]); }
};

// Pixels x0..x0+n-1 of row y, pixel x0+i lit by lights.at(i). The lights come by value:
// the output's byte stores could alias a light read through a reference, and a row's
// one light would then be reloaded, its half vector normalised again, for every pixel.
// After the first pass the kernel keeps an uncovered pixel by storing back what it read
// there: the block's own output pixels are its prior pixels. (A copy of them cost a
// fifth of a float pass; the vectoriser sees that each pixel reads and writes only itself.)
template <int Layout, int Kind, int First, int Blend, typename Lights>
void lightBlock(const LightPass& pass, const PassViews& shared, int y, int x0, int n, Lights lights) {
    // Copies with the layout and kind fixed here, where the loop is: the kernel's tests fold.
    LightPass p = pass;
    p.kind = Kind;
    p.is_first = First;
    PassViews v = shared;
    v.out.layout = v.base.layout = v.source.layout = v.normal.layout = Layout;
    v.roughness.layout = v.metallic.layout = v.specular.layout = Layout;
    const ImageView pv{viewPixel(v.out, x0, y), 0, n, 1, Layout};
    for (int i = 0; i < n; ++i) {
        shadeLightPixelAllLayers(p, v, x0 + i, y, lights.at(i), pv, i, Blend);
    }
}

// The point and spot rows are compiled once per falloff the host has (decay 0, 1, 2),
// with the exponent a constant that the kernel's tests fold on, so that their loops hold
// no powf; any other exponent keeps powf per pixel.
constexpr int kAnyDecay = -1;

inline int decayClass(float decay) { return decay == 0.0f ? 0 : (decay == 1.0f ? 1 : (decay == 2.0f ? 2 : kAnyDecay)); }

template <int Layout, int Kind, int First, int Blend, int Decay>
void lightRowOf(const LightPass& pass, const PassViews& v, int y, int width) {
    LightPass p = pass;
    p.kind = Kind;
    p.is_first = First;
    if constexpr (Decay != kAnyDecay) {
        p.decay = static_cast<float>(Decay);
    }
    for (int x0 = 0; x0 < width; x0 += kBlock<Layout>) {
        const int n = std::min(kBlock<Layout>, width - x0);
        if constexpr (Kind == LIGHT_POINT || Kind == LIGHT_SPOT) {
            // The light geometry (the cone's branches) first, the shading of the block
            // as vectors after.
            alignas(64) float lx[kBlock<Layout>], ly[kBlock<Layout>], lz[kBlock<Layout>], la[kBlock<Layout>];
            for (int i = 0; i < n; ++i) {
                const LightSample s = lightAtPixel(p, x0 + i, y);
                lx[i] = s.L.x, ly[i] = s.L.y, lz[i] = s.L.z, la[i] = s.attenuation;
            }
            lightBlock<Layout, Kind, First, Blend>(p, v, y, x0, n, PixelLights{lx, ly, lz, la});
        } else {
            // Directional and ambient light every pixel alike.
            lightBlock<Layout, Kind, First, Blend>(p, v, y, x0, n, RowLight{lightAtPixel(p, 0, y)});
        }
    }
}

template <int Layout, int Kind, int First, int Blend>
void lightRow(const LightPass& pass, const PassViews& v, int y, int width) {
    if constexpr (Kind == LIGHT_POINT || Kind == LIGHT_SPOT) {
        switch (decayClass(pass.decay)) {
            case 0:
                return lightRowOf<Layout, Kind, First, Blend, 0>(pass, v, y, width);
            case 1:
                return lightRowOf<Layout, Kind, First, Blend, 1>(pass, v, y, width);
            case 2:
                return lightRowOf<Layout, Kind, First, Blend, 2>(pass, v, y, width);
            default:
                return lightRowOf<Layout, Kind, First, Blend, kAnyDecay>(pass, v, y, width);
        }
    }
    lightRowOf<Layout, Kind, First, Blend, kAnyDecay>(pass, v, y, width);
}

template <int Layout, int Kind>
void fillKind(LightRowTable& t) {
    t.body[Layout][Kind - 1][0][0] = &lightRow<Layout, Kind, 0, 0>;
    t.body[Layout][Kind - 1][0][1] = &lightRow<Layout, Kind, 0, 1>;
    t.body[Layout][Kind - 1][1][0] = &lightRow<Layout, Kind, 1, 0>;
    t.body[Layout][Kind - 1][1][1] = &lightRow<Layout, Kind, 1, 1>;
}

template <int Layout>
void fillLayout(LightRowTable& t) {
    fillKind<Layout, LIGHT_DIRECTIONAL>(t);
    fillKind<Layout, LIGHT_POINT>(t);
    fillKind<Layout, LIGHT_SPOT>(t);
    fillKind<Layout, LIGHT_AMBIENT>(t);
}

LightRowTable makeLightRowTable() {
    LightRowTable t{};
    fillLayout<PIXEL_ARGB8>(t);
    fillLayout<PIXEL_ARGB16>(t);
    fillLayout<PIXEL_ARGB32F>(t);
    return t;
}

}  // namespace
}  // namespace morvel
