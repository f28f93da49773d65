// Conversion between the host's three CPU pixel types (A, R, G, B in memory) and the
// floats the shading works in. One traits struct per type keeps the pass loops to one
// body for every depth.
#pragma once

#include "host/AE_Effect.h"
#include "kernel/SurfaceSample.h"

namespace morvel {

inline constexpr int kMaxChannel8 = 255;
inline constexpr int kMaxChannel16 = 32768;  // the host's 16-bit white, not 65535

// Rounds v * maxValue to the nearest integer channel value in 0..maxValue. The clamp is
// done in float before the conversion: a float-to-int conversion of NaN, an infinity
// or anything out of int range is undefined, so NaN and -inf land on 0, +inf and huge
// values on maxValue. In range, this is (int)(v * maxValue + 0.5).
inline int QuantizeChannel(float v, int maxValue) {
    const float scaled = v * static_cast<float>(maxValue) + 0.5f;
    if (!(scaled > 0.0f)) {
        return 0;
    }
    if (scaled >= static_cast<float>(maxValue)) {
        return maxValue;
    }
    return static_cast<int>(scaled);
}

inline void StorePixel8(PF_Pixel8& p, float r, float g, float b, float a) {
    p.alpha = static_cast<A_u_char>(QuantizeChannel(a, kMaxChannel8));
    p.red = static_cast<A_u_char>(QuantizeChannel(r, kMaxChannel8));
    p.green = static_cast<A_u_char>(QuantizeChannel(g, kMaxChannel8));
    p.blue = static_cast<A_u_char>(QuantizeChannel(b, kMaxChannel8));
}

inline void StorePixel16(PF_Pixel16& p, float r, float g, float b, float a) {
    p.alpha = static_cast<A_u_short>(QuantizeChannel(a, kMaxChannel16));
    p.red = static_cast<A_u_short>(QuantizeChannel(r, kMaxChannel16));
    p.green = static_cast<A_u_short>(QuantizeChannel(g, kMaxChannel16));
    p.blue = static_cast<A_u_short>(QuantizeChannel(b, kMaxChannel16));
}

inline void StorePixelFloat(PF_PixelFloat& p, float r, float g, float b, float a) {
    p.alpha = a;
    p.red = r;
    p.green = g;
    p.blue = b;
}

template <typename Pixel>
struct PixelTraits;

template <>
struct PixelTraits<PF_Pixel8> {
    static constexpr int kDepth = 8;
    static PassPixel toFloat(const PF_Pixel8& p) {
        return PassPixel{p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f, p.alpha / 255.0f};
    }
    static void store(PF_Pixel8& p, float r, float g, float b, float a) { StorePixel8(p, r, g, b, a); }
};

template <>
struct PixelTraits<PF_Pixel16> {
    static constexpr int kDepth = 16;
    static constexpr float kScale = 1.0f / 32768.0f;  // exact: a power of two
    static PassPixel toFloat(const PF_Pixel16& p) {
        return PassPixel{p.red * kScale, p.green * kScale, p.blue * kScale, p.alpha * kScale};
    }
    static void store(PF_Pixel16& p, float r, float g, float b, float a) { StorePixel16(p, r, g, b, a); }
};

template <>
struct PixelTraits<PF_PixelFloat> {
    static constexpr int kDepth = 32;
    static PassPixel toFloat(const PF_PixelFloat& p) { return PassPixel{p.red, p.green, p.blue, p.alpha}; }
    // Float frames keep sums above 1 and below 0 unclamped.
    static void store(PF_PixelFloat& p, float r, float g, float b, float a) { StorePixelFloat(p, r, g, b, a); }
};

}  // namespace morvel
