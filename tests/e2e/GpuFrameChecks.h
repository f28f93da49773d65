// What the GPU frame tests build and check through a host: layers, a lit scene, and
// the device's picture held against the CPU's.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "minihost/Composition.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace e2e {

// A float layer with holes in its alpha; colours in [0, 1] where `unit`.
inline minihost::World Pattern(int width, int height, uint32_t seed, bool unit = true) {
    minihost::World w(width, height, 32);
    w.FillPattern(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            minihost::PixelF p = w.Get(x, y);
            p.a = (x + y) % 9 == 0 ? 0.0f : std::min(0.2f + std::fabs(p.a) * 0.4f, 1.0f);
            for (float* c : {&p.r, &p.g, &p.b}) *c = unit ? std::min(std::fabs(*c), 1.0f) : *c;
            w.Set(x, y, p);
        }
    return w;
}

// Pixels within 1e-4 + 1e-4 |v| per channel (plus `code`, one step of an integer
// depth) on at least 99.9 % of them, and alpha coverage (zero or not) the same everywhere.
inline void ExpectSamePicture(const minihost::World& got, const minihost::World& want, float code = 0.0f) {
    ASSERT_EQ(got.width(), want.width());
    ASSERT_EQ(got.height(), want.height());
    int off = 0, coverage = 0;
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x) {
            const minihost::PixelF a = got.Get(x, y), b = want.Get(x, y);
            bool close = true;
            for (auto [u, v] : {std::pair{a.a, b.a}, {a.r, b.r}, {a.g, b.g}, {a.b, b.b}})
                close = close && (u == v || (std::isnan(u) && std::isnan(v)) ||
                                  std::fabs(u - v) <= code * 1.01f + 1e-4f + 1e-4f * std::fabs(v));
            off += !close;
            coverage += (a.a == 0.0f) != (b.a == 0.0f);
        }
    EXPECT_LE(off, got.width() * got.height() / 1000) << off << " pixels differ";
    EXPECT_EQ(coverage, 0);
}

inline bool AllOpaqueBlack(const minihost::World& w) {
    for (int y = 0; y < w.height(); ++y)
        for (int x = 0; x < w.width(); ++x) {
            const minihost::PixelF p = w.Get(x, y);
            if (p.a != 1.0f || p.r != 0.0f || p.g != 0.0f || p.b != 0.0f) return false;
        }
    return true;
}

inline void Incidence(minihost::Session& s) {
    s.params().SetCheckbox("Enable Incidence", true);
    s.params().SetFloat("Incidence/Amount", 120.0);
    s.params().SetColor("Incidence/Color", PF_Pixel{255, 255, 200, 100});
}

inline void Rim(minihost::Session& s) {
    s.params().SetCheckbox("Enable Rim Light", true);
    s.params().SetFloat("Rim Light/Amount", 80.0);
    s.params().SetAngle("Rim Light/Angle", 30.0);
}

// One light of every kind over a w x h frame.
inline void EveryLight(minihost::Session& s, int w, int h) {
    auto& comp = s.composition();
    comp.AddLight(AEGP_LightType_AMBIENT, {}).intensity = 30;
    comp.AddLight(AEGP_LightType_POINT, {w * 0.3, h * 0.4, -40.0}).intensity = 120;
    auto& spot = comp.AddLight(AEGP_LightType_SPOT, {w * 0.8, h * 0.1, -30.0}, {w / 2.0, h / 2.0, 0});
    spot.intensity = 150;
    spot.cone_angle = 50;
    comp.AddLight(AEGP_LightType_PARALLEL, {0, -100, -100}, {w / 2.0, h / 2.0, 0}).intensity = 40;
}

}  // namespace e2e
