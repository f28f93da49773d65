// Pixels as every pass reads and writes them: a buffer (or a host world's data) with
// its row bytes, the extent that may be touched, and the pixel layout. Host worlds
// hold A, R, G, B in 8 bits (0..255), 16 bits (0..32768) or float; GPU buffers hold
// B, G, R, A floats. Every layout reads into the same float PassPixel.
#ifndef MORVEL_KERNEL_IMAGE_VIEW_H
#define MORVEL_KERNEL_IMAGE_VIEW_H

#include "kernel/Compat.h"
#include "kernel/SurfaceSample.h"

MORVEL_NAMESPACE_BEGIN

enum PixelLayout { PIXEL_ARGB8 = 0, PIXEL_ARGB16 = 1, PIXEL_ARGB32F = 2, PIXEL_BGRA32F = 3 };

MORVEL_CONST int kMaxChannel8 = 255;
MORVEL_CONST int kMaxChannel16 = 32768;  // the host's 16-bit white, not 65535

// A view with no data has a width and height of 0: nothing is inside it.
typedef struct ImageView {
    MORVEL_GLOBAL unsigned char* data;
    ptrdiff_t rowBytes;
    int width;  // pixels that may be touched per row, never past the row bytes
    int height;
    int layout;  // a PixelLayout
} ImageView;

MORVEL_FUNC int pixelBytes(int layout) { return layout == PIXEL_ARGB8 ? 4 : (layout == PIXEL_ARGB16 ? 8 : 16); }

// Callers pass x, y >= 0.
MORVEL_FUNC int viewCovers(ImageView v, int x, int y) { return x < v.width && y < v.height; }

MORVEL_FUNC MORVEL_GLOBAL unsigned char* viewPixel(ImageView v, int x, int y) {
    return v.data + (ptrdiff_t)y * v.rowBytes + (ptrdiff_t)x * pixelBytes(v.layout);
}

MORVEL_FUNC PassPixel makePassPixel(float r, float g, float b, float a) {
    PassPixel p;
    p.r = r;
    p.g = g;
    p.b = b;
    p.a = a;
    return p;
}

// c / 255.0f for c in 0..255, correctly rounded, without the division. In binary c / 255
// is the byte c repeated, 0.cccccc...: the first three repeats, c * 0x010101 * 2^-24, are
// an exact product in float, and the rest, c / 255 * 2^-24, is below one unit in the last
// place of the quotient. One rounded sum lands where the quotient rounds, fused or not:
// an 8-bit quotient lies far from any halfway point. (Maths that may reassociate, as
// OpenCL's unsafe-math, could merge the products; GPU frames hold no 8-bit pixels.)
MORVEL_FUNC float channel8ToFloat(unsigned int c) {
    const float f = (float)c;
    return f * (65793.0f / 16777216.0f) + f * ((1.0f / 16777216.0f) / 255.0f);
}

// 8-bit / 255, 16-bit / 32768, float as it is. Integer pixels move as 32-bit words, here
// and in the stores: the row loops then take the channels apart with shifts and masks,
// where single bytes and shorts cost up to a quarter of a pass in shuffles.
MORVEL_FUNC PassPixel readPixel(ImageView v, int x, int y) {
    MORVEL_GLOBAL const unsigned char* p = viewPixel(v, x, y);
    if (v.layout == PIXEL_ARGB8) {
        const unsigned int w = loadWord32(p);
        return makePassPixel(channel8ToFloat((w >> 8) & 255u), channel8ToFloat((w >> 16) & 255u),
                             channel8ToFloat(w >> 24), channel8ToFloat(w & 255u));
    }
    if (v.layout == PIXEL_ARGB16) {
        const unsigned int ar = loadWord32(p), gb = loadWord32(p + 4);
        const float scale = 1.0f / 32768.0f;  // exact: a power of two
        return makePassPixel((float)(ar >> 16) * scale, (float)(gb & 65535u) * scale, (float)(gb >> 16) * scale,
                             (float)(ar & 65535u) * scale);
    }
    MORVEL_GLOBAL const float* f = (MORVEL_GLOBAL const float*)p;
    if (v.layout == PIXEL_BGRA32F) {
        return makePassPixel(f[2], f[1], f[0], f[3]);
    }
    return makePassPixel(f[1], f[2], f[3], f[0]);
}

// Rounds v * maxValue to the nearest integer channel value in 0..maxValue. The clamp is
// done in float before the conversion: a float-to-int conversion of NaN, an infinity
// or anything out of int range is undefined, so NaN and -inf land on 0, +inf and huge
// values on maxValue. In range, this is (int)(v * maxValue + 0.5).
MORVEL_FUNC int QuantizeChannel(float v, int maxValue) {
    const float scaled = v * (float)maxValue + 0.5f;
    if (!(scaled > 0.0f)) {
        return 0;
    }
    if (scaled >= (float)maxValue) {
        return maxValue;
    }
    return (int)scaled;
}

// Integer layouts quantise; float layouts keep sums above 1 and below 0 unclamped.
MORVEL_FUNC void storePixel(ImageView v, int x, int y, float r, float g, float b, float a) {
    MORVEL_GLOBAL unsigned char* p = viewPixel(v, x, y);
    if (v.layout == PIXEL_ARGB8) {
        p[0] = (unsigned char)QuantizeChannel(a, kMaxChannel8);
        p[1] = (unsigned char)QuantizeChannel(r, kMaxChannel8);
        p[2] = (unsigned char)QuantizeChannel(g, kMaxChannel8);
        p[3] = (unsigned char)QuantizeChannel(b, kMaxChannel8);
        return;
    }
    if (v.layout == PIXEL_ARGB16) {
        MORVEL_GLOBAL unsigned short* q = (MORVEL_GLOBAL unsigned short*)p;
        q[0] = (unsigned short)QuantizeChannel(a, kMaxChannel16);
        q[1] = (unsigned short)QuantizeChannel(r, kMaxChannel16);
        q[2] = (unsigned short)QuantizeChannel(g, kMaxChannel16);
        q[3] = (unsigned short)QuantizeChannel(b, kMaxChannel16);
        return;
    }
    MORVEL_GLOBAL float* f = (MORVEL_GLOBAL float*)p;
    if (v.layout == PIXEL_BGRA32F) {
        f[0] = b;
        f[1] = g;
        f[2] = r;
        f[3] = a;
        return;
    }
    f[0] = a;
    f[1] = r;
    f[2] = g;
    f[3] = b;
}

// storePixel, or where keep is set the values pixel (priorX, 0) of prior holds, exactly
// as stored: prior holds what the output held before the pass, in its layout.
// Both are formed and then one is written, with no store that depends on the pixel,
// so that a row of pixels stores as one vector.
MORVEL_FUNC void storePixelOrKeep(ImageView v, int x, int y, float r, float g, float b, float a, int keep,
                                  ImageView prior, int priorX) {
    MORVEL_GLOBAL unsigned char* p = viewPixel(v, x, y);
    MORVEL_GLOBAL const unsigned char* k = viewPixel(prior, priorX, 0);
    // The kept values are read whether kept or not: a load that depends on the pixel
    // would stop the row from vectorising.
    if (v.layout == PIXEL_ARGB8) {
        const unsigned int kw = loadWord32(k);
        const unsigned int w =
            (unsigned int)QuantizeChannel(a, kMaxChannel8) | (unsigned int)QuantizeChannel(r, kMaxChannel8) << 8 |
            (unsigned int)QuantizeChannel(g, kMaxChannel8) << 16 | (unsigned int)QuantizeChannel(b, kMaxChannel8) << 24;
        storeWord32(p, keep ? kw : w);
        return;
    }
    if (v.layout == PIXEL_ARGB16) {
        const unsigned int kar = loadWord32(k), kgb = loadWord32(k + 4);
        const unsigned int ar =
            (unsigned int)QuantizeChannel(a, kMaxChannel16) | (unsigned int)QuantizeChannel(r, kMaxChannel16) << 16;
        const unsigned int gb =
            (unsigned int)QuantizeChannel(g, kMaxChannel16) | (unsigned int)QuantizeChannel(b, kMaxChannel16) << 16;
        storeWord32(p, keep ? kar : ar);
        storeWord32(p + 4, keep ? kgb : gb);
        return;
    }
    // A kept float is only moved, never computed on, so a NaN or -0 stays as it was.
    MORVEL_GLOBAL float* f = (MORVEL_GLOBAL float*)p;
    MORVEL_GLOBAL const float* kf = (MORVEL_GLOBAL const float*)k;
    const float k0 = kf[0], k1 = kf[1], k2 = kf[2], k3 = kf[3];
    const int bgra = v.layout == PIXEL_BGRA32F;
    f[0] = keep ? k0 : (bgra ? b : a);
    f[1] = keep ? k1 : (bgra ? g : r);
    f[2] = keep ? k2 : (bgra ? r : g);
    f[3] = keep ? k3 : (bgra ? a : b);
}

// The pixel of a layer at (x, y) into *tmp, or null where the layer has none.
MORVEL_FUNC const PassPixel* readLayer(ImageView v, int x, int y, PassPixel* tmp) {
    if (!viewCovers(v, x, y)) {
        return 0;
    }
    *tmp = readPixel(v, x, y);
    return tmp;
}

MORVEL_NAMESPACE_END

#endif
