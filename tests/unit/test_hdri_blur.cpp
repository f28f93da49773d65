#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "cpu/HdriBlur.h"
#include "frame/FrameSettings.h"

namespace morvel {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
using Image = std::vector<float>;

size_t At(int x, int y, int stride, int c = 0) { return (static_cast<size_t>(y) * stride + x) * 4 + c; }

Image RandomImage(int width, int height, int stride, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(0.0f, 4.0f);
    Image img(static_cast<size_t>(stride) * height * 4, -7.0f);  // gaps hold a marker
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 4; ++x) img[At(0, y, stride) + x] = dist(rng);
    return img;
}

// Independent double-precision convolution of one separable pass: wraps left/right,
// clamps at the poles, radius ceil(3 sigma) within [1, 128], alpha 1.
std::vector<double> RefPass(const std::vector<double>& src, int w, int h, int stride, double sigma, bool rows) {
    const int radius = std::clamp(static_cast<int>(std::ceil(sigma * 3.0)), 1, 128);
    std::vector<double> out(src.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0, wsum = 0.0;
                for (int k = -radius; k <= radius; ++k) {
                    const double wk = std::exp(-double(k) * k / (2.0 * sigma * sigma));
                    const int sx = rows ? ((x + k) % w + w) % w : x, sy = rows ? y : std::clamp(y + k, 0, h - 1);
                    sum += wk * src[At(sx, sy, stride, c)];
                    wsum += wk;
                }
                out[At(x, y, stride, c)] = sum / wsum;
            }
            out[At(x, y, stride, 3)] = 1.0;
        }
    return out;
}

void ExpectNear(const Image& got, const std::vector<double>& want, int w, int h, int stride) {
    int failures = 0;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 4 && failures < 5; ++i) {
            const double g = got[At(0, y, stride) + i], wv = want[At(0, y, stride) + i];
            if (std::abs(g - wv) <= 2e-5 * (1.0 + std::abs(wv))) continue;
            ADD_FAILURE() << "pixel (" << i / 4 << ", " << y << ") channel " << i % 4 << ": " << g << " vs " << wv;
            ++failures;
        }
}

TEST(BlurRadius, CeilingOfThreeSigmaWithinOneTo128) {
    const std::pair<float, int> cases[] = {{0.5f, 2},    {1.0f, 3},    {0.1f, 1},    {0.0f, 1},
                                           {-5.0f, 1},   {42.0f, 126}, {42.7f, 128}, {100.0f, 128},
                                           {1e30f, 128}, {kNaN, 1},    {kInf, 128},  {-kInf, 1}};
    for (auto [sigma, radius] : cases) EXPECT_EQ(BlurRadius(sigma), radius) << "sigma " << sigma;
}

TEST(BlurHdri, SeparablePassesMatchDoubleConvolution) {
    // Radius 2 at the smallest sigma, padded rows, radius 3 on 10 columns, whole and partial vector
    // blocks, 257 taps wrapping several times, single rows and columns.
    for (auto [w, h, stride, sigma] : {std::tuple{37, 23, 37, 0.5f},
                                       {37, 23, 41, 1.3f},
                                       {10, 6, 10, 1.0f},
                                       {70, 45, 70, 7.0f},
                                       {37, 23, 37, 100.0f},
                                       {300, 260, 300, 100.0f},
                                       {1, 1, 1, 100.0f},
                                       {1, 9, 1, 3.0f},
                                       {9, 1, 9, 3.0f},
                                       {2, 3, 5, 50.0f}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " stride " << stride << " sigma " << sigma);
        const Image src = RandomImage(w, h, stride, 11u + w * 7u + h);
        Image scratch(src.size(), 0.0f), dst(src.size(), 0.0f);
        BlurHdri(src.data(), scratch.data(), dst.data(), w, h, stride, sigma);
        const auto rows = RefPass(std::vector<double>(src.begin(), src.end()), w, h, stride, sigma, true);
        const auto both = RefPass(rows, w, h, stride, sigma, false);
        ExpectNear(scratch, rows, w, h, stride);
        ExpectNear(dst, both, w, h, stride);
        // The kernel's one-pixel blur, as a GPU runs it, pixel by pixel.
        float weights[kMaxBlurTaps];
        const int radius = NormalizedBlurWeights(sigma, weights);
        ASSERT_EQ(radius, BlurRadius(sigma));
        Image pixelRows(src.size(), 0.0f), pixelBoth(src.size(), 0.0f);
        for (int pass = 0; pass < 2; ++pass)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    blurHdriPixel(pass == 0 ? src.data() : pixelRows.data(),
                                  pass == 0 ? pixelRows.data() : pixelBoth.data(), w, h, stride, weights, radius,
                                  pass == 0, x, y);
        ExpectNear(pixelRows, rows, w, h, stride);
        ExpectNear(pixelBoth, both, w, h, stride);
    }
}

TEST(BlurHdri, InPlaceMatchesSeparateBuffers) {
    const Image src = RandomImage(33, 17, 33, 5u);
    Image a(src.size()), scratch(src.size()), b = src;
    BlurHdri(src.data(), scratch.data(), a.data(), 33, 17, 33, 4.0f);
    BlurHdri(b.data(), b.data(), b.data(), 33, 17, 33, 4.0f);
    EXPECT_EQ(a, b);
}

TEST(BlurHdri, BelowHalfPixelOrNaNCopiesIncludingAlpha) {
    const int w = 13, h = 7, stride = 15;
    const Image src = RandomImage(w, h, stride, 3u);
    for (float sigma : {0.4f, 0.0f, -3.0f, kNaN}) {
        Image scratch(src.size(), 0.0f), dst(src.size(), 0.0f);
        BlurHdri(src.data(), scratch.data(), dst.data(), w, h, stride, sigma);
        EXPECT_EQ(dst, src) << "sigma " << sigma;                        // gaps included
        BlurHdri(dst.data(), nullptr, dst.data(), w, h, stride, sigma);  // in place: left alone
        EXPECT_EQ(dst, src) << "sigma " << sigma;
    }
}

TEST(BlurHdri, UnusableWeightsAndNonFinitePixelsStayContained) {
    // Called directly with sigma 0 the centre weight is exp(-0/0): NaN. The pass must act
    // as the identity (alpha 1) instead of spreading NaN over the image.
    const Image src = RandomImage(5, 4, 5, 1u);
    Image out(src.size());
    BlurHdriRows(src.data(), out.data(), 5, 4, 5, 0.0f);
    for (size_t i = 0; i < src.size(); ++i) EXPECT_EQ(out[i], i % 4 == 3 ? 1.0f : src[i]);

    // NaN or Inf in the HDRI only poisons outputs whose taps reach it.
    const int w = 40, h = 30;
    Image img(static_cast<size_t>(w) * h * 4, 1.0f), scratch(img.size()), dst(img.size());
    img[At(20, 15, w, 0)] = kInf;
    img[At(20, 15, w, 1)] = kNaN;
    BlurHdri(img.data(), scratch.data(), dst.data(), w, h, w, 1.0f);
    EXPECT_TRUE(std::isinf(dst[At(20, 15, w, 0)]));
    EXPECT_TRUE(std::isnan(dst[At(20, 15, w, 1)]));
    EXPECT_NEAR(dst[At(30, 15, w, 0)], 1.0f, 1e-6f);
    EXPECT_NEAR(dst[At(20, 2, w, 1)], 1.0f, 1e-6f);
}

// A host world: A, R, G, B per pixel, rows padded with junk that must not be read.
template <typename T>
std::vector<unsigned char> MakeWorld(int width, int height, std::ptrdiff_t rowBytes, T (*value)(int, int, int)) {
    std::vector<unsigned char> bytes(static_cast<size_t>(rowBytes) * height, 0xAB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                const T v = value(x, y, c);
                std::memcpy(bytes.data() + y * rowBytes + (x * 4 + c) * sizeof(T), &v, sizeof(T));
            }
    return bytes;
}

// Converts a padded 5 x 3 world into a buffer with 2 pixels of row gap; each channel
// must be the ARGB source channel divided by `white`, the gaps untouched.
template <typename T>
void CheckConversion(int depth, float white, T (*value)(int, int, int)) {
    SCOPED_TRACE(depth);
    const int w = 5, h = 3, stride = w + 2, rowBytes = w * 4 * sizeof(T) + 12;
    const auto world = MakeWorld<T>(w, h, rowBytes, value);
    Image out(At(0, h, stride), -1.0f);
    ASSERT_TRUE(ConvertHdriToFloat(HdriWorldView{world.data(), rowBytes, w, h, depth}, out.data(), stride));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < stride; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(out[At(x, y, stride, c)], x < w ? float(value(x, y, (c + 1) % 4)) / white : -1.0f);
}

TEST(ConvertHdriToFloat, EachDepthReordersArgbToRgbaAndSkipsRowPadding) {
    CheckConversion<uint8_t>(8, 255.0f, [](int x, int y, int c) { return uint8_t(x * 40 + y * 10 + c); });
    CheckConversion<uint16_t>(16, 32768.0f, [](int x, int y, int c) {
        return uint16_t(x == 4 && c == 1 ? 32768 : x * 3000 + y * 700 + c);  // 32768 is the 16-bit white
    });
    CheckConversion<float>(32, 1.0f, [](int x, int y, int c) { return x == 1 && c == 2 ? 1e6f : x * 1.25f + y - c; });
}

// One non-finite texel must stay one bright or dark texel: the blurs would
// spread it over the whole map. Both blurred maps stay finite everywhere.
TEST(ConvertHdriToFloat, NonFiniteTexelsBecomeFiniteBeforeTheBlurs) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<float, float> cases[] = {{inf, 65504.0f}, {-inf, 0.0f},   {nan, 0.0f},
                                             {-nan, 0.0f},    {-2.5f, -2.5f}, {FLT_MAX, FLT_MAX}};
    for (const auto& [in, expected] : cases) {
        EXPECT_EQ(finiteHdriValue(in), expected) << in;
        const int w = 16, h = 8;
        const auto world = MakeWorld<float>(w, h, w * 16, [](int, int, int c) { return c == 0 ? 1.0f : 0.5f; });
        std::vector<unsigned char> bytes = world;
        std::memcpy(bytes.data() + (3 * w + 7) * 16 + 2 * 4, &in, 4);  // the green of one texel
        const HdriWorldView view{bytes.data(), w * 16, w, h, 32};
        Image converted(w * h * 4);
        ASSERT_TRUE(ConvertHdriToFloat(view, converted.data(), w));
        EXPECT_EQ(converted[At(7, 3, w, 1)], expected);
        HdriImages images;
        ASSERT_TRUE(PrepareHdriImages(view, 0.5f, images));
        for (const auto* map : {&images.diffuse, &images.specular})
            for (float v : *map) ASSERT_TRUE(std::isfinite(v)) << in;
    }
}

TEST(ConvertHdriToFloat, RejectsWhatItCannotReadSafely) {
    std::vector<unsigned char> bytes(64, 0);
    Image out(64, -1.0f);
    const HdriWorldView bad[] = {
        {nullptr, 16, 1, 1, 8},       {bytes.data(), 16, 0, 1, 8}, {bytes.data(), 16, 1, -1, 8},
        {bytes.data(), 16, 1, 1, 24}, {bytes.data(), 16, 1, 1, 0}, {bytes.data(), 16, 2, 1, 8},  // last: stride < width
    };
    for (const auto& v : bad) EXPECT_FALSE(ConvertHdriToFloat(v, out.data(), 1));
    EXPECT_EQ(out[0], -1.0f);
}

TEST(PrepareHdriImages, DiffuseAtSigma100AndSpecularAtTheSliderValue) {
    const int w = 24, h = 12;
    const auto world = MakeWorld<float>(
        w, h, w * 16, [](int x, int y, int c) { return float((x * 7 + y * 13 + c * 5) % 17) * 0.25f; });
    const HdriWorldView view{world.data(), w * 16, w, h, 32};
    Image converted(w * h * 4), scratch(converted.size()), diffuse(converted.size()), spec2(converted.size());
    ASSERT_TRUE(ConvertHdriToFloat(view, converted.data(), w));
    BlurHdri(converted.data(), scratch.data(), diffuse.data(), w, h, w, 100.0f);
    BlurHdri(converted.data(), scratch.data(), spec2.data(), w, h, w, 2.0f);

    HdriImages images;
    FrameSettings fs{};
    fs.ibl_roughness_bias = 2.0f / 50.0f;  // slider 2
    ASSERT_TRUE(PrepareHdriImages(view, fs, images));
    ASSERT_TRUE(images.ready());
    EXPECT_TRUE(images.width == w && images.height == h && images.stride == w);
    EXPECT_EQ(images.diffuse, diffuse);
    EXPECT_EQ(images.specular, spec2);
    // Slider 0, a sigma below one half, and a NaN bias keep the specular image unblurred, alpha included.
    for (float bias : {0.0f, 0.4f / 50.0f, kNaN}) {
        ASSERT_TRUE(PrepareHdriImages(view, bias, images));
        EXPECT_EQ(images.specular, converted) << "bias " << bias;
        EXPECT_EQ(images.diffuse, diffuse);
    }
    // An unusable world leaves nothing behind.
    const float one[4] = {1, 1, 1, 1};
    for (const HdriWorldView& bad : {HdriWorldView{nullptr, 16, 1, 1, 32}, HdriWorldView{one, 16, 1, 1, 12}}) {
        ASSERT_TRUE(PrepareHdriImages(view, 0.0f, images));
        EXPECT_FALSE(PrepareHdriImages(bad, 0.0f, images));
        EXPECT_FALSE(images.ready());
        EXPECT_TRUE(images.diffuse.empty());
    }
}

// One pass with the sums each copy of the convolution must make: every tap, first to
// last, the product added to the running sum in one rounding (fused) or two.
Image ExactPass(const Image& src, int w, int h, int stride, float sigma, bool rows, bool fused) {
    float weights[kMaxBlurTaps];
    const int radius = NormalizedBlurWeights(sigma, weights);
    Image out = src;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) {
                float acc = 0.0f;
                for (int t = 0; t <= 2 * radius; ++t) {
                    const int sx = rows ? ((x + t - radius) % w + w) % w : x;
                    const int sy = rows ? y : std::clamp(y + t - radius, 0, h - 1);
                    const float v = src[At(sx, sy, stride, c)];
                    acc = fused ? std::fma(weights[t], v, acc) : acc + weights[t] * v;
                }
                out[At(x, y, stride, c)] = acc;
            }
            out[At(x, y, stride, 3)] = 1.0f;
        }
    return out;
}

struct BlurCopyGuard {
    ~BlurCopyGuard() { SetHdriBlurCopy(HdriBlurCopy::Auto); }
};

// However the blocks and strips fall (whole and partial strips of columns or rows,
// rows narrower than the radius, columns shorter than it, padded rows), each copy
// gives the very bits of its sums, untouched gaps included.
TEST(BlurHdri, EveryCopyGivesTheBitsOfItsTapsSummedInOrder) {
    BlurCopyGuard restore;
    // The AVX2 copy fuses its multiply-adds where the compiler contracts them, which
    // GCC does only when optimising.
#ifdef __OPTIMIZE__
    constexpr bool kAvx2Fuses = true;
#else
    constexpr bool kAvx2Fuses = false;
#endif
    const std::pair<HdriBlurCopy, bool> copies[] = {{HdriBlurCopy::Baseline, false},
                                                    {HdriBlurCopy::Avx2Fma, kAvx2Fuses}};
    int copiesRun = 0;
    for (auto [copy, fused] : copies) {
        if (!SetHdriBlurCopy(copy)) continue;  // a CPU without AVX2 and FMA
        ++copiesRun;
        for (auto [w, h, stride, sigma] : {std::tuple{37, 23, 41, 1.3f},
                                           {300, 7, 300, 100.0f},
                                           {13, 270, 13, 30.0f},
                                           {1, 9, 1, 3.0f},
                                           {9, 1, 9, 3.0f},
                                           {64, 66, 67, 0.5f},
                                           {45, 45, 45, 7.0f}}) {
            const Image src = RandomImage(w, h, stride, 3u + w * 5u + h);
            for (bool rows : {true, false}) {
                SCOPED_TRACE(testing::Message() << (fused ? "fused " : "unfused ") << (rows ? "rows " : "columns ") << w
                                                << "x" << h << " stride " << stride << " sigma " << sigma);
                Image out = src;
                (rows ? BlurHdriRows : BlurHdriColumns)(src.data(), out.data(), w, h, stride, sigma);
                const Image want = ExactPass(src, w, h, stride, sigma, rows, fused);
                for (size_t i = 0; i < out.size(); ++i)
                    ASSERT_EQ(std::memcmp(&out[i], &want[i], sizeof(float)), 0)
                        << "pixel " << i / 4 % stride << ", " << i / 4 / stride << " channel " << i % 4 << ": "
                        << out[i] << " vs " << want[i];
            }
        }
    }
    EXPECT_GE(copiesRun, 1);
}

}  // namespace
}  // namespace morvel
