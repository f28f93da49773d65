// The incidence and rim row bodies, included by one translation unit per instruction
// set; internal linkage, as in LightRowBodies.h.
#pragma once

#include <algorithm>
#include <cmath>

#include "cpu/LightRows.h"
#include "cpu/RowBlocks.h"

namespace morvel {
namespace {

// v[i]^power for i < n. The default power, 2, passed as a constant folds the power to
// one product per pixel.
inline void raiseToPower(float* v, int n, float power) {
    if (power == 2.0f) {
        for (int i = 0; i < n; ++i) {
            v[i] = powNonNegative(v[i], 2.0f);
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        v[i] = powNonNegative(v[i], power);
    }
}

// Pixels 0..width-1 of row y, a block at a time: the bases of the powers, the powers,
// then the colour and the store, each a loop of its own that runs as vectors.
template <int Layout, int First, int Inc, int Rim>
void incidenceRimRow(const IncidenceRimPass& pass, const PassViews& shared, int y, int width) {
    IncidenceRimPass p = pass;
    p.is_first = First;
    PassViews v = shared;
    v.out.layout = v.base.layout = v.normal.layout = Layout;
    alignas(32) float incPow[kBlock<Layout>];
    alignas(32) float rimPow[kBlock<Layout>];
    for (int x0 = 0; x0 < width; x0 += kBlock<Layout>) {
        const int n = std::min(kBlock<Layout>, width - x0);
        // The block's own output pixels are its prior pixels (see lightBlock).
        const ImageView pv{viewPixel(v.out, x0, y), 0, n, 1, Layout};
        for (int i = 0; i < n; ++i) {
            incidenceRimBasesAt(p, v, x0 + i, y, &incPow[i], &rimPow[i]);
        }
        if constexpr (Inc != 0) {
            raiseToPower(incPow, n, p.incidence_power);
        }
        if constexpr (Rim != 0) {
            raiseToPower(rimPow, n, p.rimlight_power);
        }
        for (int i = 0; i < n; ++i) {
            shadeIncidenceRimPixelOfPowers(p, v, x0 + i, y, Inc, Rim, incPow[i], rimPow[i], pv, i);
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
