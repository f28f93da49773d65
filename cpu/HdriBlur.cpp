#include "cpu/HdriBlur.h"

#include <omp.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <type_traits>
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
#define MORVEL_LAMBDA_INLINE __attribute__((always_inline))
#else
#define MORVEL_ALWAYS_INLINE inline
#define MORVEL_LAMBDA_INLINE
#endif

#if defined(__GNUC__)
#define MORVEL_OPAQUE(p) __asm__("" : "+r"(p))
#define MORVEL_PREFETCH(p, write) __builtin_prefetch((p), (write))
#else
#define MORVEL_OPAQUE(p) (void)0
#define MORVEL_PREFETCH(p, write) (void)0
#endif

namespace morvel {
namespace {

// Both passes convolve strips of this many lines (columns, or rows), their
// colour channels packed side by side so that one step along the blur is one
// short packed row of whole, aligned vectors. The column pass thus never walks
// a column of the image (rows a power of two apart fight over the same cache
// sets), and the row pass never loads across a vector boundary.
constexpr int kStripPixels = 8;
constexpr int kStripFloats = 3 * kStripPixels;
constexpr std::size_t kStripAlign = 64;
// Strips packed in one sweep over the rows, so each row is read in longer runs.
constexpr int kBandStrips = 4;
constexpr int kBandPixels = kBandStrips * kStripPixels;
// Rows of a strip lie a whole image row apart, too far for the hardware to
// fetch them ahead by itself.
constexpr int kPrefetchRows = 16;

// Packed strips of kStripFloats lanes per row: out row y = sum over t ascending of
// w[t] * in row (y + t), for `rows` output rows. Output rows are handled in blocks
// whose accumulators stay in vector registers; each input row is loaded once per
// block and added into every output of the block it reaches. Input rows come in
// ascending order, so every lane still sums its taps from first to last, exactly
// like a scalar loop, fused or not as the copy's instruction set has it. A block
// must hold enough independent accumulators to cover the add latency, and fit the
// registers together with one input row.
template <typename Lanes, int kRows>
MORVEL_ALWAYS_INLINE void ConvolveStrip(const float* __restrict in, float* __restrict out, int rows,
                                        const float* __restrict w, int taps) {
    constexpr int kWidth = sizeof(Lanes) / sizeof(float);
    constexpr int kVectors = kStripFloats / kWidth;
    static_assert(kStripFloats % kWidth == 0, "a packed row is whole vectors");
    auto block = [&](int y, auto count) MORVEL_LAMBDA_INLINE {
        constexpr int n = decltype(count)::value;
        Lanes acc[n][kVectors] = {};
        // Input row i of the block feeds output j with tap i - j, where that is a tap.
        auto feed = [&](int i, auto everyOutput) MORVEL_LAMBDA_INLINE {
            const float* p = in + (static_cast<std::size_t>(y) + i) * kStripFloats;
            // Keeps the compiler from carrying rows over between steps in registers
            // it needs for the accumulators.
            MORVEL_OPAQUE(p);
            Lanes x[kVectors];
            for (int v = 0; v < kVectors; ++v) x[v] = reinterpret_cast<const Lanes*>(p)[v];
            for (int j = 0; j < n; ++j) {
                const int t = i - j;
                if (!decltype(everyOutput)::value && (t < 0 || t >= taps)) continue;
                const Lanes wt = w[t] - Lanes{};  // exact: the weight in every lane
                for (int v = 0; v < kVectors; ++v) acc[j][v] += wt * x[v];
            }
        };
        // A blur has at least three taps and a block at most four rows, so every
        // output of the block takes the middle input rows.
        int i = 0;
        for (; i < n - 1; ++i) feed(i, std::false_type{});
        for (; i < taps; ++i) feed(i, std::true_type{});
        for (; i < taps + n - 1; ++i) feed(i, std::false_type{});
        std::memcpy(out + static_cast<std::size_t>(y) * kStripFloats, acc, sizeof acc);
    };
    static_assert(kRows <= 4, "the middle rows must reach every output of a block");
    int y = 0;
    for (; y + kRows <= rows; y += kRows) block(y, std::integral_constant<int, kRows>{});
    for (; y < rows; ++y) block(y, std::integral_constant<int, 1>{});
}

typedef float Lanes4 __attribute__((vector_size(16), may_alias));
void ConvolveStripBaseline(const float* in, float* out, int rows, const float* w, int taps) {
    ConvolveStrip<Lanes4, 1>(in, out, rows, w, taps);
}

#if MORVEL_BLUR_AVX2
typedef float Lanes8 __attribute__((vector_size(32), may_alias));
__attribute__((target("avx2,fma"))) void ConvolveStripAvx2(const float* in, float* out, int rows, const float* w,
                                                           int taps) {
    ConvolveStrip<Lanes8, 3>(in, out, rows, w, taps);
}
#endif

using ConvolveFn = void (*)(const float*, float*, int, const float*, int);

bool HasAvx2Fma() {
#if MORVEL_BLUR_AVX2
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

std::atomic<HdriBlurCopy> gCopy{HdriBlurCopy::Auto};

ConvolveFn ActiveConvolve() {
    static const bool avx2 = HasAvx2Fma();
#if MORVEL_BLUR_AVX2
    const HdriBlurCopy c = gCopy.load(std::memory_order_relaxed);
    if (c == HdriBlurCopy::Avx2Fma || (c == HdriBlurCopy::Auto && avx2)) return ConvolveStripAvx2;
#else
    (void)avx2;
#endif
    return ConvolveStripBaseline;
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

bool SetHdriBlurCopy(HdriBlurCopy copy) {
    if (copy == HdriBlurCopy::Avx2Fma && !HasAvx2Fma()) return false;
    gCopy.store(copy, std::memory_order_relaxed);
    return true;
}

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
    const std::size_t packedRows = static_cast<std::size_t>(padded) + static_cast<std::size_t>(width);
    const std::size_t perThread = packedRows * kStripFloats + kStripAlign / sizeof(float);
    const int threads = omp_get_max_threads();
    std::vector<float> lines(perThread * static_cast<std::size_t>(threads));
    const int strips = (height + kStripPixels - 1) / kStripPixels;
    const ConvolveFn convolve = ActiveConvolve();
    // Source columns of the wrapped margins, taken modulo once per blur.
    int wrapLeft[kMaxBlurRadius], wrapRight[kMaxBlurRadius];
    for (int i = 0; i < radius; ++i) {
        wrapLeft[i] = ((i - radius) % width + width) % width;
        wrapRight[i] = i % width;
    }

#pragma omp parallel num_threads(threads)
    {
        void* mem = lines.data() + perThread * static_cast<std::size_t>(omp_get_thread_num());
        std::size_t space = perThread * sizeof(float);
        float* ext =
            static_cast<float*>(std::align(kStripAlign, packedRows * kStripFloats * sizeof(float), mem, space));
        float* res = ext + static_cast<std::size_t>(padded) * kStripFloats;
#pragma omp for schedule(dynamic, 1)
        for (int s = 0; s < strips; ++s) {
            const int y0 = s * kStripPixels;
            const int rows = height - y0 < kStripPixels ? height - y0 : kStripPixels;
            // A strip of rows packed pixel by pixel, so that a tap moves along all of
            // them at once, with `radius` wrapped pixels on each side; a true modulo,
            // so rows narrower than the radius wrap several times. Lanes past the
            // image's last row hold zeros.
            const float* in[kStripPixels];
            float* out[kStripPixels];
            for (int r = 0; r < kStripPixels; ++r) {
                in[r] = src + PixelIndex(0, y0 + (r < rows ? r : 0), stride);
                out[r] = dst + PixelIndex(0, y0 + (r < rows ? r : 0), stride);
            }
            auto put = [&](int i, int x) {
                float* q = ext + static_cast<std::size_t>(i) * kStripFloats;
                for (int r = 0; r < kStripPixels; ++r)
                    for (int c = 0; c < 3; ++c) q[3 * r + c] = r < rows ? in[r][4 * x + c] : 0.0f;
            };
            for (int x = 0; x < width; ++x) put(radius + x, x);
            for (int i = 0; i < radius; ++i) {
                put(i, wrapLeft[i]);
                put(radius + width + i, wrapRight[i]);
            }
            convolve(ext, res, width, k.weights, k.taps);
            for (int x = 0; x < width; ++x) {
                const float* q = res + static_cast<std::size_t>(x) * kStripFloats;
                for (int r = 0; r < rows; ++r) {
                    for (int c = 0; c < 3; ++c) out[r][4 * x + c] = q[3 * r + c];
                    out[r][4 * x + 3] = 1.0f;
                }
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
    const std::size_t packedRows = static_cast<std::size_t>(kBandStrips) * (static_cast<std::size_t>(padded) + height);
    const std::size_t perThread = packedRows * kStripFloats + kStripAlign / sizeof(float);
    const int threads = omp_get_max_threads();
    std::vector<float> lines(perThread * static_cast<std::size_t>(threads));
    const int bands = (width + kBandPixels - 1) / kBandPixels;
    const ConvolveFn convolve = ActiveConvolve();

#pragma omp parallel num_threads(threads)
    {
        void* mem = lines.data() + perThread * static_cast<std::size_t>(omp_get_thread_num());
        std::size_t space = perThread * sizeof(float);
        float* ext =
            static_cast<float*>(std::align(kStripAlign, packedRows * kStripFloats * sizeof(float), mem, space));
        float* res = ext + static_cast<std::size_t>(kBandStrips) * padded * kStripFloats;
#pragma omp for schedule(dynamic, 1)
        for (int b = 0; b < bands; ++b) {
            const int x0 = b * kBandPixels;
            const int cols = width - x0 < kBandPixels ? width - x0 : kBandPixels;
            const int strips = (cols + kStripPixels - 1) / kStripPixels;
            // Each strip's colours, poles repeated; lanes past the image's edge hold zeros.
            for (int i = 0; i < padded; ++i) {
                int y = i - radius;
                y = y < 0 ? 0 : (y >= height ? height - 1 : y);
                const float* p = src + PixelIndex(x0, y, stride);
                if (y + kPrefetchRows < height) {
                    const char* ahead = reinterpret_cast<const char*>(src + PixelIndex(x0, y + kPrefetchRows, stride));
                    for (int b = 0; b < cols * 16; b += 64) MORVEL_PREFETCH(ahead + b, 0);
                }
                for (int s = 0; s < strips; ++s) {
                    float* q = ext + (static_cast<std::size_t>(s) * padded + i) * kStripFloats;
                    const int n = cols - s * kStripPixels < kStripPixels ? cols - s * kStripPixels : kStripPixels;
                    const float* ps = p + 4 * s * kStripPixels;
                    for (int j = 0; j < n; ++j)
                        for (int c = 0; c < 3; ++c) q[3 * j + c] = ps[4 * j + c];
                    for (int j = 3 * n; j < kStripFloats; ++j) q[j] = 0.0f;
                }
            }
            for (int s = 0; s < strips; ++s)
                convolve(ext + static_cast<std::size_t>(s) * padded * kStripFloats,
                         res + static_cast<std::size_t>(s) * height * kStripFloats, height, k.weights, k.taps);
            for (int y = 0; y < height; ++y) {
                float* out = dst + PixelIndex(x0, y, stride);
                if (y + kPrefetchRows < height) {
                    char* ahead = reinterpret_cast<char*>(out + static_cast<std::size_t>(kPrefetchRows) * stride * 4);
                    for (int b = 0; b < cols * 16; b += 64) MORVEL_PREFETCH(ahead + b, 1);
                }
                for (int s = 0; s < strips; ++s, out += 4 * kStripPixels) {
                    const float* q = res + (static_cast<std::size_t>(s) * height + y) * kStripFloats;
                    const int n = cols - s * kStripPixels < kStripPixels ? cols - s * kStripPixels : kStripPixels;
                    for (int j = 0; j < n; ++j) {
                        for (int c = 0; c < 3; ++c) out[4 * j + c] = q[3 * j + c];
                        out[4 * j + 3] = 1.0f;
                    }
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
