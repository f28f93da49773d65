// The incidence and rim row bodies, included by one translation unit per instruction
// set; internal linkage, as in LightRowBodies.h.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cpu/LightRows.h"

namespace morvel {
namespace {

constexpr int kRimBlock = 256;

// Replaces each of the n bases in [0, 1] with powf(base, power). powf(1, y) is 1 and
// powf(+0, y) is +0 for y > 0 in every conforming C library, so those bases already
// hold their powers; the calls go to the rest alone, listed first without a branch
// per pixel (a rim lights at most half of a surface: the other half has a base of 0).
inline void powersInPlace(float* base, int n, float power, int* todo) {
    const bool zeroStays = power > 0.0f;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        todo[k] = i;
        k += !(base[i] == 1.0f || (zeroStays && base[i] == 0.0f));
    }
    for (int j = 0; j < k; ++j) {
        base[todo[j]] = powf(base[todo[j]], power);
    }
}

// Pixels 0..width-1 of row y, a block at a time: the bases of the powers as vectors,
// the powers in scalar loops (the C library's powf, for its exact bits), then the
// colour and the store as vectors again.
template <int Layout, int First, int Inc, int Rim>
void incidenceRimRow(const IncidenceRimPass& pass, const PassViews& shared, int y, int width) {
    IncidenceRimPass p = pass;
    p.is_first = First;
    PassViews v = shared;
    v.out.layout = v.base.layout = v.normal.layout = Layout;
    alignas(32) float incPow[kRimBlock];
    alignas(32) float rimPow[kRimBlock];
    alignas(32) unsigned char prior[First ? 16 : kRimBlock * 16];
    int todo[kRimBlock];
    const ImageView pv{prior, 0, kRimBlock, 1, Layout};
    for (int x0 = 0; x0 < width; x0 += kRimBlock) {
        const int n = std::min(kRimBlock, width - x0);
        for (int i = 0; i < n; ++i) {
            incidenceRimBasesAt(p, v, x0 + i, y, &incPow[i], &rimPow[i]);
        }
        if constexpr (Inc != 0) {
            powersInPlace(incPow, n, p.incidence_power, todo);
        }
        if constexpr (Rim != 0) {
            powersInPlace(rimPow, n, p.rimlight_power, todo);
        }
        if constexpr (!First) {
            std::memcpy(prior, viewPixel(v.out, x0, y), static_cast<size_t>(n) * pixelBytes(Layout));
        }
        for (int i = 0; i < n; ++i) {
            shadeIncidenceRimPixelOfPowers(p, v, x0 + i, y, Inc, Rim, incPow[i], rimPow[i], pv, First ? 0 : i);
        }
    }
}

template <int Layout, int First>
void fillIncidenceRimFirst(IncidenceRimRowTable& t) {
    t.body[Layout][First][0][0] = &incidenceRimRow<Layout, First, 0, 0>;
    t.body[Layout][First][0][1] = &incidenceRimRow<Layout, First, 0, 1>;
    t.body[Layout][First][1][0] = &incidenceRimRow<Layout, First, 1, 0>;
    t.body[Layout][First][1][1] = &incidenceRimRow<Layout, First, 1, 1>;
}

template <int Layout>
void fillIncidenceRimLayout(IncidenceRimRowTable& t) {
    fillIncidenceRimFirst<Layout, 0>(t);
    fillIncidenceRimFirst<Layout, 1>(t);
}

IncidenceRimRowTable makeIncidenceRimRowTable() {
    IncidenceRimRowTable t{};
    fillIncidenceRimLayout<PIXEL_ARGB8>(t);
    fillIncidenceRimLayout<PIXEL_ARGB16>(t);
    fillIncidenceRimLayout<PIXEL_ARGB32F>(t);
    return t;
}

}  // namespace
}  // namespace morvel
