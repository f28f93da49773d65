// The Gaussian blur that stands in for roughness filtering of the HDRI: the radius
// rule, the normalised weight table, and one output pixel of either direction. The CPU
// runs the same sums in blocks (cpu/HdriBlur.cpp), tap after tap in the same order.
// Images are R, G, B, A floats, rows `stride` pixels apart; the blurred alpha is 1.
#ifndef MORVEL_KERNEL_HDRI_BLUR_TAPS_H
#define MORVEL_KERNEL_HDRI_BLUR_TAPS_H

#include "kernel/Compat.h"

MORVEL_NAMESPACE_BEGIN

// Largest tap count on each side of a blur; the diffuse blur (sigma 100)
// always runs at this cap.
MORVEL_CONST int kMaxBlurRadius = 128;
MORVEL_CONST int kMaxBlurTaps = 2 * 128 + 1;

// Blurs below this sigma are replaced by a plain copy.
MORVEL_CONST float kMinBlurSigma = 0.5f;

// The diffuse image is always blurred this strongly, in pixels.
MORVEL_CONST float kDiffuseBlurSigma = 100.0f;

// Where an HDRI holds +Inf it held a value too large for its format: in
// practice a half-float sun above 65504, the largest finite half. That value
// stands in for it. The largest float would not do: the passes multiply the
// HDRI (cone sums, exposure, intensities), so it overflows again and meets a
// zero factor as NaN, which blanks every pixel the blurred sun reaches.
MORVEL_CONST float kHdriInfinityValue = 65504.0f;
MORVEL_CONST float kMaxFiniteFloat = 3.40282347e+38f;

// One HDRI texel as the blurs may take it. The blurs spread every texel over
// the whole map, so one infinite or NaN value would blank every pixel of the
// frame: +Inf becomes kHdriInfinityValue, -Inf and NaN become 0 (NaN fails both
// comparisons; this needs IEEE comparisons, no fast-math folding of NaN checks).
MORVEL_FUNC float finiteHdriValue(float v) {
    if (v >= -kMaxFiniteFloat && v <= kMaxFiniteFloat) return v;
    return v > 0.0f ? kHdriInfinityValue : 0.0f;
}

// Taps on each side: ceil(3 sigma) kept within [1, kMaxBlurRadius]. NaN and
// infinities land on the bounds instead of reaching an undefined float-to-int
// conversion.
MORVEL_FUNC int BlurRadius(float sigma) {
    const float r = ceilf(sigma * 3.0f);
    if (!(r >= 1.0f)) return 1;
    if (r >= (float)kMaxBlurRadius) return kMaxBlurRadius;
    return (int)r;
}

// Fills weights[0 .. 2*radius] with exp(-k^2 / (2 sigma^2)) for k = -radius..radius
// and returns their sum (float, summed in tap order).
MORVEL_FUNC float BlurWeights(float sigma, int radius, float* weights) {
    const float twoSigma2 = 2.0f * sigma * sigma;
    float sum = 0.0f;
    for (int k = -radius; k <= radius; ++k) {
        const float kf = (float)k;
        const float w = expf(-(kf * kf) / twoSigma2);
        weights[k + radius] = w;
        sum += w;
    }
    return sum;
}

// The weight table of a blur, normalised once by its sum (both directions share it).
// Returns the radius, or 0 when sigma yields no usable weights (zero, negative, NaN):
// the blur is then the identity filter.
MORVEL_FUNC int NormalizedBlurWeights(float sigma, float* weights) {
    const int radius = BlurRadius(sigma);
    const float sum = BlurWeights(sigma, radius, weights);
    if (!(sum > 0.0f && sum <= 3.40282347e38f)) return 0;
    for (int t = 0; t < 2 * radius + 1; ++t) weights[t] /= sum;
    return radius;
}

// One output pixel (x, y): along the row, wrapping at the left and right edges (the
// equirect image is continuous there), or along the column, the poles repeated.
MORVEL_FUNC void blurHdriPixel(MORVEL_GLOBAL const float* src, MORVEL_GLOBAL float* dst, int width, int height,
                               int stride, MORVEL_GLOBAL const float* weights, int radius, int alongRows, int x,
                               int y) {
    if (x >= width || y >= height) return;
    float acc[3] = {0.0f, 0.0f, 0.0f};
    for (int t = 0; t < 2 * radius + 1; ++t) {
        int sx = x;
        int sy = y;
        if (alongRows) {
            sx = ((x + t - radius) % width + width) % width;
        } else {
            sy = y + t - radius;
            sy = sy < 0 ? 0 : (sy >= height ? height - 1 : sy);
        }
        MORVEL_GLOBAL const float* p = src + ((ptrdiff_t)sy * stride + sx) * 4;
        for (int c = 0; c < 3; ++c) acc[c] += weights[t] * p[c];
    }
    MORVEL_GLOBAL float* out = dst + ((ptrdiff_t)y * stride + x) * 4;
    out[0] = acc[0];
    out[1] = acc[1];
    out[2] = acc[2];
    out[3] = 1.0f;
}

MORVEL_NAMESPACE_END

#endif
