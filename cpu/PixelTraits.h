// The host's three CPU pixel types (A, R, G, B in memory) as kernel image layouts. One
// traits struct per type keeps the row loops to one body for every depth; the reads,
// conversions and stores themselves are the kernel's (kernel/ImageView.h).
#pragma once

#include "host/AE_Effect.h"
#include "kernel/ImageView.h"

namespace morvel {

// A view of one pixel, for conversions outside the row loops.
template <typename Pixel>
ImageView pixelView(Pixel& p, int layout) {
    return ImageView{reinterpret_cast<unsigned char*>(&p), static_cast<ptrdiff_t>(sizeof(Pixel)), 1, 1, layout};
}

template <typename Pixel>
struct PixelTraits;

template <>
struct PixelTraits<PF_Pixel8> {
    static constexpr int kDepth = 8;
    static constexpr int kLayout = PIXEL_ARGB8;
};

template <>
struct PixelTraits<PF_Pixel16> {
    static constexpr int kDepth = 16;
    static constexpr int kLayout = PIXEL_ARGB16;
};

template <>
struct PixelTraits<PF_PixelFloat> {
    static constexpr int kDepth = 32;
    static constexpr int kLayout = PIXEL_ARGB32F;
};

template <typename Pixel>
PassPixel PixelToFloat(const Pixel& p) {
    return readPixel(pixelView(const_cast<Pixel&>(p), PixelTraits<Pixel>::kLayout), 0, 0);
}

template <typename Pixel>
void StorePixel(Pixel& p, float r, float g, float b, float a) {
    storePixel(pixelView(p, PixelTraits<Pixel>::kLayout), 0, 0, r, g, b, a);
}

inline void StorePixel8(PF_Pixel8& p, float r, float g, float b, float a) { StorePixel(p, r, g, b, a); }
inline void StorePixel16(PF_Pixel16& p, float r, float g, float b, float a) { StorePixel(p, r, g, b, a); }

}  // namespace morvel
