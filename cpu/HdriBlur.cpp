#include "cpu/HdriBlur.h"

#include <omp.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "frame/FrameSettings.h"

// The convolution is compute bound. On x86-64 GCC builds an AVX2+FMA copy is
// picked at run time; its only difference is rounding (fused multiply-add).
// On Windows, where GCC does not align 32-byte stack spills, the file is assembled
// with unaligned vector moves (CMakeLists.txt). -DMORVEL_BLUR_AVX2=0 forces the
// baseline path.
#ifndef MORVEL_BLUR_AVX2
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define MORVEL_BLUR_AVX2 1
#else
#define MORVEL_BLUR_AVX2 0
#endif
#endif

#if defined(__GNUC__)
#define MORVEL_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define MORVEL_ALWAYS_INLINE inline
#endif

namespace morvel {
namespace {

constexpr int kColumnStrip = 16;

// out[i] = sum over t ascending of w[t] * in[i + t], for i in [0, n).
// Pixels are processed in blocks so the accumulators stay in vector
// registers while the taps stream by; each output still sums its taps from
// first to last, exactly like a scalar loop. The block must hold enough
// independent accumulators to cover the add latency.
template <int kBlock>
MORVEL_ALWAYS_INLINE void ConvolveBlocks(const float* __restrict in, float* __restrict out, int n,
                                         const float* __restrict w, int taps) {
    int i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        float acc[kBlock] = {};
        for (int t = 0; t < taps; ++t) {
            const float wt = w[t];
            const float* p = in + i + t;
            for (int j = 0; j < kBlock; ++j) acc[j] += wt * p[j];
        }
        for (int j = 0; j < kBlock; ++j) out[i + j] = acc[j];
    }
    // The last outputs in the same shape: written as one sum per output, the compiler
    // vectorised it over the taps with separate multiplies and adds, so the last
    // outputs of a line rounded unlike the rest wherever the block loop fuses them.
    const int rest = n - i;
    if (rest > 0) {
        float acc[kBlock] = {};
        for (int t = 0; t < taps; ++t) {
            const float wt = w[t];
            const float* p = in + i + t;
            for (int j = 0; j < rest; ++j) acc[j] += wt * p[j];
        }
        for (int j = 0; j < rest; ++j) out[i + j] = acc[j];
    }
}

void ConvolveBaseline(const float* in, float* out, int n, const float* w, int taps) {
    ConvolveBlocks<32>(in, out, n, w, taps);
}

#if MORVEL_BLUR_AVX2
__attribute__((target("avx2,fma"))) void ConvolveAvx2(const float* in, float* out, int n, const float* w, int taps) {
    ConvolveBlocks<64>(in, out, n, w, taps);
}
#endif

using ConvolveFn = void (*)(const float*, float*, int, const float*, int);

ConvolveFn PickConvolve() {
#if MORVEL_BLUR_AVX2
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return ConvolveAvx2;
#endif
    return ConvolveBaseline;
}

void Convolve1D(const float* in, float* out, int n, const float* w, int taps) {
    static const ConvolveFn fn = PickConvolve();
    fn(in, out, n, w, taps);
}

bool ValidImage(const float* src, const float* dst, int width, int height, int stride) {
    return src && dst && width > 0 && height > 0 && stride >= width;
}

inline std::size_t PixelIndex(int x, int y, int stride) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(x)) * 4;
}

// Identity filter with the blur's output convention (alpha 1).
void CopyColourOpaque(const float* src, float* dst, int width, int height, int stride) {
#pragma omp parallel for schedule(dynamic, 16)
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t p = PixelIndex(x, y, stride);
            dst[p + 0] = src[p + 0];
            dst[p + 1] = src[p + 1];
            dst[p + 2] = src[p + 2];
            dst[p + 3] = 1.0f;
        }
    }
}

// The kernel's normalised weight table (both directions share it).
struct Kernel {
    float weights[kMaxBlurTaps];
    int radius = 1;
    int taps = 3;
    bool usable = false;
};

Kernel MakeKernel(float sigma) {
    Kernel k;
    const int radius = NormalizedBlurWeights(sigma, k.weights);
    k.usable = radius > 0;
    k.radius = k.usable ? radius : 1;
    k.taps = 2 * k.radius + 1;
    return k;
}

}  // namespace

bool ConvertHdriToFloat(const HdriWorldView& src, float* dst, int dstStride) {
    if (!src.pixels || !dst || src.width <= 0 || src.height <= 0 || dstStride < src.width) return false;
    if (src.depth != 8 && src.depth != 16 && src.depth != 32) return false;
    // Rows shorter than the width claims would be read past their end.
    if (src.rowBytes < static_cast<std::ptrdiff_t>(src.width) * (src.depth / 2)) return false;

    const auto* base = static_cast<const unsigned char*>(src.pixels);
    const int width = src.width;
    const int height = src.height;
    const int depth = src.depth;
    const std::ptrdiff_t rowBytes = src.rowBytes;

#pragma omp parallel for schedule(dynamic, 16)
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = base + static_cast<std::ptrdiff_t>(y) * rowBytes;
        float* out = dst + PixelIndex(0, y, dstStride);
        if (depth == 8) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = row + static_cast<std::ptrdiff_t>(x) * 4;
                out[4 * x + 0] = static_cast<float>(p[1]) / 255.0f;
                out[4 * x + 1] = static_cast<float>(p[2]) / 255.0f;
                out[4 * x + 2] = static_cast<float>(p[3]) / 255.0f;
                out[4 * x + 3] = static_cast<float>(p[0]) / 255.0f;
            }
        } else if (depth == 16) {
            constexpr float kScale = 1.0f / 32768.0f;
            for (int x = 0; x < width; ++x) {
                std::uint16_t p[4];
                std::memcpy(p, row + static_cast<std::ptrdiff_t>(x) * 8, sizeof p);
                out[4 * x + 0] = static_cast<float>(p[1]) * kScale;
                out[4 * x + 1] = static_cast<float>(p[2]) * kScale;
                out[4 * x + 2] = static_cast<float>(p[3]) * kScale;
                out[4 * x + 3] = static_cast<float>(p[0]) * kScale;
            }
        } else {
            for (int x = 0; x < width; ++x) {
                float p[4];
                std::memcpy(p, row + static_cast<std::ptrdiff_t>(x) * 16, sizeof p);
                out[4 * x + 0] = finiteHdriValue(p[1]);
                out[4 * x + 1] = finiteHdriValue(p[2]);
                out[4 * x + 2] = finiteHdriValue(p[3]);
                out[4 * x + 3] = finiteHdriValue(p[0]);
            }
        }
    }
    return true;
}

void BlurHdriRows(const float* src, float* dst, int width, int height, int stride, float sigma) {
    if (!ValidImage(src, dst, width, height, stride)) return;
    Kernel k = MakeKernel(sigma);
    if (!k.usable) {
        CopyColourOpaque(src, dst, width, height, stride);
        return;
    }

    const int radius = k.radius;
    const int padded = width + 2 * radius;
    const std::size_t perThread = 3 * static_cast<std::size_t>(padded) + 3 * static_cast<std::size_t>(width);
    const int threads = omp_get_max_threads();
    std::vector<float> lines(perThread * static_cast<std::size_t>(threads));
    // Source columns of the wrapped margins, taken modulo once per blur.
    int wrapLeft[kMaxBlurRadius], wrapRight[kMaxBlurRadius];
    for (int i = 0; i < radius; ++i) {
        wrapLeft[i] = ((i - radius) % width + width) % width;
        wrapRight[i] = i % width;
    }

#pragma omp parallel num_threads(threads)
    {
        float* ext = lines.data() + perThread * static_cast<std::size_t>(omp_get_thread_num());
        float* res = ext + 3 * static_cast<std::size_t>(padded);
#pragma omp for schedule(dynamic, 16)
        for (int y = 0; y < height; ++y) {
            const float* row = src + PixelIndex(0, y, stride);
            // Planar copy with `radius` wrapped pixels on each side; a true
            // modulo, so rows narrower than the radius wrap several times.
            auto put = [&](int i, int x) {
                ext[i] = row[4 * x + 0];
                ext[padded + i] = row[4 * x + 1];
                ext[2 * padded + i] = row[4 * x + 2];
            };
            for (int x = 0; x < width; ++x) put(radius + x, x);
            for (int i = 0; i < radius; ++i) {
                put(i, wrapLeft[i]);
                put(radius + width + i, wrapRight[i]);
            }
            for (int c = 0; c < 3; ++c) Convolve1D(ext + c * padded, res + c * width, width, k.weights, k.taps);
            float* out = dst + PixelIndex(0, y, stride);
            for (int x = 0; x < width; ++x) {
                out[4 * x + 0] = res[x];
                out[4 * x + 1] = res[width + x];
                out[4 * x + 2] = res[2 * width + x];
                out[4 * x + 3] = 1.0f;
            }
        }
    }
}

void BlurHdriColumns(const float* src, float* dst, int width, int height, int stride, float sigma) {
    if (!ValidImage(src, dst, width, height, stride)) return;
    Kernel k = MakeKernel(sigma);
    if (!k.usable) {
        CopyColourOpaque(src, dst, width, height, stride);
        return;
    }

    const int radius = k.radius;
    const int padded = height + 2 * radius;
    constexpr int kSignals = kColumnStrip * 3;
    const std::size_t perThread = kSignals * (static_cast<std::size_t>(padded) + static_cast<std::size_t>(height));
    const int threads = omp_get_max_threads();
    std::vector<float> lines(perThread * static_cast<std::size_t>(threads));
    const int strips = (width + kColumnStrip - 1) / kColumnStrip;

#pragma omp parallel num_threads(threads)
    {
        float* ext = lines.data() + perThread * static_cast<std::size_t>(omp_get_thread_num());
        float* res = ext + kSignals * static_cast<std::size_t>(padded);
#pragma omp for schedule(dynamic, 1)
        for (int s = 0; s < strips; ++s) {
            const int x0 = s * kColumnStrip;
            const int cols = width - x0 < kColumnStrip ? width - x0 : kColumnStrip;
            // Gather the strip's columns into planar signals, poles repeated.
            for (int i = 0; i < padded; ++i) {
                int y = i - radius;
                y = y < 0 ? 0 : (y >= height ? height - 1 : y);
                const float* p = src + PixelIndex(x0, y, stride);
                for (int j = 0; j < cols; ++j)
                    for (int c = 0; c < 3; ++c) ext[static_cast<std::size_t>(j * 3 + c) * padded + i] = p[4 * j + c];
            }
            for (int sig = 0; sig < cols * 3; ++sig)
                Convolve1D(ext + static_cast<std::size_t>(sig) * padded, res + static_cast<std::size_t>(sig) * height,
                           height, k.weights, k.taps);
            for (int y = 0; y < height; ++y) {
                float* out = dst + PixelIndex(x0, y, stride);
                for (int j = 0; j < cols; ++j) {
                    for (int c = 0; c < 3; ++c) out[4 * j + c] = res[static_cast<std::size_t>(j * 3 + c) * height + y];
                    out[4 * j + 3] = 1.0f;
                }
            }
        }
    }
}

void BlurHdri(const float* src, float* scratch, float* dst, int width, int height, int stride, float sigma) {
    if (!ValidImage(src, dst, width, height, stride)) return;
    if (!(sigma >= kMinBlurSigma)) {
        if (src != dst) std::memcpy(dst, src, static_cast<std::size_t>(height) * static_cast<std::size_t>(stride) * 16);
        return;
    }
    if (!scratch) scratch = dst;  // both halves work in place
    BlurHdriRows(src, scratch, width, height, stride, sigma);
    BlurHdriColumns(scratch, dst, width, height, stride, sigma);
}

void HdriImages::release() {
    std::vector<float>().swap(diffuse);
    std::vector<float>().swap(specular);
    std::vector<float>().swap(scratch);
    width = height = stride = 0;
}

bool PrepareHdriImages(const HdriWorldView& world, float roughnessBias, HdriImages& out) {
    out.width = out.height = out.stride = 0;
    if (!world.pixels || world.width <= 0 || world.height <= 0) {
        out.release();
        return false;
    }
    const std::size_t pixels = static_cast<std::size_t>(world.width) * static_cast<std::size_t>(world.height);
    if (pixels > SIZE_MAX / 16) {
        out.release();
        return false;
    }
    const std::size_t floats = pixels * 4;

    // Buffers handed in at the right size (the frame's own) are reused as they
    // are; only the converted source is allocated here.
    out.diffuse.resize(floats);
    out.specular.resize(floats);
    out.scratch.resize(floats);
    std::vector<float> source(floats);
    if (!ConvertHdriToFloat(world, source.data(), world.width)) {
        out.release();
        return false;
    }
    BlurHdri(source.data(), out.scratch.data(), out.diffuse.data(), world.width, world.height, world.width,
             kDiffuseBlurSigma);
    // Below the threshold (NaN included) BlurHdri makes the unblurred copy.
    BlurHdri(source.data(), out.scratch.data(), out.specular.data(), world.width, world.height, world.width,
             roughnessBias * 50.0f);
    out.width = world.width;
    out.height = world.height;
    out.stride = world.width;
    return true;
}

bool PrepareHdriImages(const HdriWorldView& world, const FrameSettings& pass, HdriImages& out) {
    return PrepareHdriImages(world, pass.ibl_roughness_bias, out);
}

}  // namespace morvel
