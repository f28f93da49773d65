#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "render/FrameSettings.h"
#include "shading/HdriBlur.h"

namespace morvel {
namespace {

using Image = std::vector<float>;

Image RandomImage(int width, int height, int stride, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(0.0f, 4.0f);
    Image img(static_cast<size_t>(stride) * height * 4, -7.0f);  // gaps hold a marker
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) img[(static_cast<size_t>(y) * stride + x) * 4 + c] = dist(rng);
    return img;
}

// Independent double-precision reference of one separable pass.
int RefRadius(double sigma) {
    int r = static_cast<int>(std::ceil(sigma * 3.0));
    return r < 1 ? 1 : (r > 128 ? 128 : r);
}

std::vector<double> RefPass(const std::vector<double>& src, int width, int height, double sigma, bool horizontal) {
    const int radius = RefRadius(sigma);
    std::vector<double> out(src.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0, wsum = 0.0;
                for (int k = -radius; k <= radius; ++k) {
                    const double w = std::exp(-double(k) * k / (2.0 * sigma * sigma));
                    int sx = x, sy = y;
                    if (horizontal) {
                        sx = ((x + k) % width + width) % width;
                    } else {
                        sy = std::clamp(y + k, 0, height - 1);
                    }
                    sum += w * src[(static_cast<size_t>(sy) * width + sx) * 4 + c];
                    wsum += w;
                }
                out[(static_cast<size_t>(y) * width + x) * 4 + c] = sum / wsum;
            }
            out[(static_cast<size_t>(y) * width + x) * 4 + 3] = 1.0;
        }
    }
    return out;
}

std::vector<double> Packed(const Image& img, int width, int height, int stride) {
    std::vector<double> out(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c)
                out[(static_cast<size_t>(y) * width + x) * 4 + c] = img[(static_cast<size_t>(y) * stride + x) * 4 + c];
    return out;
}

void ExpectNear(const Image& got, const std::vector<double>& want, int width, int height, int stride) {
    int failures = 0;
    for (int y = 0; y < height && failures < 5; ++y)
        for (int x = 0; x < width && failures < 5; ++x)
            for (int c = 0; c < 4; ++c) {
                const double w = want[(static_cast<size_t>(y) * width + x) * 4 + c];
                const double g = got[(static_cast<size_t>(y) * stride + x) * 4 + c];
                if (std::abs(g - w) > 2e-5 * (1.0 + std::abs(w))) {
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << c << ": got " << g << ", want "
                                  << w;
                    ++failures;
                }
            }
}

TEST(BlurRadius, CeilingOfThreeSigmaWithinOneTo128) {
    const struct {
        float sigma;
        int radius;
    } cases[] = {
        {0.5f, 2},
        {1.0f, 3},
        {0.1f, 1},
        {0.0f, 1},
        {-5.0f, 1},
        {42.7f, 128},
        {100.0f, 128},
        {42.0f, 126},
        {std::numeric_limits<float>::quiet_NaN(), 1},
        {std::numeric_limits<float>::infinity(), 128},
        {-std::numeric_limits<float>::infinity(), 1},
        {1e30f, 128},
    };
    for (const auto& tc : cases) EXPECT_EQ(BlurRadius(tc.sigma), tc.radius) << "sigma " << tc.sigma;
}

struct BlurCase {
    int width, height, stride;
    float sigma;
};

class BlurAgainstReference : public ::testing::TestWithParam<BlurCase> {};

TEST_P(BlurAgainstReference, SeparablePassesMatchDoubleConvolution) {
    const BlurCase bc = GetParam();
    const Image src = RandomImage(bc.width, bc.height, bc.stride, 11u + bc.width * 7u + bc.height);
    Image scratch(src.size(), 0.0f), dst(src.size(), 0.0f);
    BlurHdri(src.data(), scratch.data(), dst.data(), bc.width, bc.height, bc.stride, bc.sigma);

    const auto packed = Packed(src, bc.width, bc.height, bc.stride);
    const auto rows = RefPass(packed, bc.width, bc.height, bc.sigma, true);
    const auto both = RefPass(rows, bc.width, bc.height, bc.sigma, false);
    ExpectNear(scratch, rows, bc.width, bc.height, bc.stride);
    ExpectNear(dst, both, bc.width, bc.height, bc.stride);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BlurAgainstReference,
                         ::testing::Values(BlurCase{37, 23, 37, 0.5f},    // smallest blur: radius 2
                                           BlurCase{37, 23, 41, 1.3f},    // padded rows
                                           BlurCase{10, 6, 10, 1.0f},     // radius 3 on a 10 wide image
                                           BlurCase{70, 45, 70, 7.0f},    // whole and partial vector blocks, strips
                                           BlurCase{37, 23, 37, 100.0f},  // 257 taps, wraps several times
                                           BlurCase{300, 260, 300, 100.0f}, BlurCase{1, 1, 1, 100.0f},
                                           BlurCase{1, 9, 1, 3.0f}, BlurCase{9, 1, 9, 3.0f}, BlurCase{2, 3, 5, 50.0f}));

TEST(BlurHdriRows, WrapsAcrossTheSeamOnly) {
    // sigma 1 gives radius 3: column 0 must see columns 7, 8, 9, but nothing
    // four or more columns away on either side.
    const int w = 10, h = 1;
    Image src(w * 4, 0.0f), dst(w * 4, -1.0f);
    src[9 * 4 + 0] = 1.0f;
    BlurHdriRows(src.data(), dst.data(), w, h, w, 1.0f);
    EXPECT_GT(dst[0 * 4], 0.0f);
    EXPECT_GT(dst[2 * 4], 0.0f);
    EXPECT_EQ(dst[3 * 4], 0.0f);
    EXPECT_EQ(dst[5 * 4], 0.0f);
    EXPECT_GT(dst[6 * 4], 0.0f);
    EXPECT_NEAR(dst[0 * 4], dst[8 * 4], 1e-7f);  // equal distance either way round
}

TEST(BlurHdriColumns, PolesRepeatTheEdgeRow) {
    // A step between the top row and the rest: the top output row weighs the
    // top source row once for every tap above the image.
    const int w = 3, h = 20;
    Image src(static_cast<size_t>(w) * h * 4, 0.0f), dst(src.size(), 0.0f);
    for (int x = 0; x < w; ++x) src[x * 4 + 1] = 1.0f;
    const float sigma = 2.0f;  // radius 6
    BlurHdriColumns(src.data(), dst.data(), w, h, w, sigma);
    double above = 0.0, all = 0.0;
    for (int k = -6; k <= 6; ++k) {
        const double wk = std::exp(-double(k) * k / (2.0 * sigma * sigma));
        all += wk;
        if (k <= 0) above += wk;
    }
    EXPECT_NEAR(dst[1], above / all, 1e-6);
    EXPECT_EQ(dst[(7 * w) * 4 + 1], 0.0f);  // beyond the radius of the step
}

TEST(BlurHdri, InPlaceMatchesSeparateBuffers) {
    const int w = 33, h = 17;
    const Image src = RandomImage(w, h, w, 5u);
    Image a(src.size()), scratch(src.size()), b = src;
    BlurHdri(src.data(), scratch.data(), a.data(), w, h, w, 4.0f);
    BlurHdri(b.data(), b.data(), b.data(), w, h, w, 4.0f);
    EXPECT_EQ(a, b);
}

TEST(BlurHdri, BelowHalfPixelOrNaNCopiesIncludingAlpha) {
    const int w = 13, h = 7, stride = 15;
    const Image src = RandomImage(w, h, stride, 3u);
    for (float sigma : {0.4f, 0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        Image scratch(src.size(), 0.0f), dst(src.size(), 0.0f);
        BlurHdri(src.data(), scratch.data(), dst.data(), w, h, stride, sigma);
        EXPECT_EQ(std::memcmp(dst.data(), src.data(), src.size() * sizeof(float)), 0) << "sigma " << sigma;
    }
    Image same = src;
    BlurHdri(same.data(), nullptr, same.data(), w, h, stride, 0.2f);
    EXPECT_EQ(same, src);
}

TEST(BlurHdri, HalfPixelSigmaBlurs) {
    const int w = 8, h = 8;
    const Image src = RandomImage(w, h, w, 9u);
    Image scratch(src.size()), dst(src.size());
    BlurHdri(src.data(), scratch.data(), dst.data(), w, h, w, 0.5f);
    EXPECT_NE(dst, src);
    EXPECT_EQ(dst[3], 1.0f);
}

TEST(BlurHdri, UnusableWeightsActAsIdentityWithOpaqueAlpha) {
    // Called directly with sigma 0 the centre weight is exp(-0/0): NaN. The
    // passes must not spread NaN over the image.
    const int w = 5, h = 4;
    const Image src = RandomImage(w, h, w, 1u);
    Image dst(src.size());
    BlurHdriRows(src.data(), dst.data(), w, h, w, 0.0f);
    for (size_t i = 0; i < src.size(); ++i) EXPECT_EQ(dst[i], i % 4 == 3 ? 1.0f : src[i]);
}

TEST(BlurHdri, NonFinitePixelsStayLocalToTheirKernel) {
    // NaN or Inf in the HDRI must only poison outputs whose taps reach it.
    const int w = 40, h = 30;
    Image src(static_cast<size_t>(w) * h * 4, 1.0f), scratch(src.size()), dst(src.size());
    src[(static_cast<size_t>(15) * w + 20) * 4 + 0] = std::numeric_limits<float>::infinity();
    src[(static_cast<size_t>(15) * w + 20) * 4 + 1] = std::numeric_limits<float>::quiet_NaN();
    BlurHdri(src.data(), scratch.data(), dst.data(), w, h, w, 1.0f);
    EXPECT_TRUE(std::isinf(dst[(static_cast<size_t>(15) * w + 20) * 4 + 0]));
    EXPECT_TRUE(std::isnan(dst[(static_cast<size_t>(15) * w + 20) * 4 + 1]));
    EXPECT_NEAR(dst[(static_cast<size_t>(15) * w + 30) * 4 + 0], 1.0f, 1e-6f);
    EXPECT_NEAR(dst[(static_cast<size_t>(2) * w + 20) * 4 + 1], 1.0f, 1e-6f);
}

// Host worlds: A, R, G, B per pixel, rows padded with junk that must not be read.
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

TEST(ConvertHdriToFloat, EachDepthReordersArgbToRgbaAndSkipsRowPadding) {
    const int w = 5, h = 3;
    {
        auto v8 = +[](int x, int y, int c) -> uint8_t { return static_cast<uint8_t>(x * 40 + y * 10 + c); };
        const auto world = MakeWorld<uint8_t>(w, h, w * 4 + 12, v8);
        Image out(w * h * 4, -1.0f);
        ASSERT_TRUE(ConvertHdriToFloat(HdriWorldView{world.data(), w * 4 + 12, w, h, 8}, out.data(), w));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) EXPECT_EQ(out[(y * w + x) * 4 + c], float(v8(x, y, (c + 1) % 4)) / 255.0f);
    }
    {
        auto v16 = +[](int x, int y, int c) -> uint16_t {
            return static_cast<uint16_t>(x == 4 && c == 1 ? 32768 : x * 3000 + y * 700 + c);
        };
        const auto world = MakeWorld<uint16_t>(w, h, w * 8 + 6, v16);
        Image out(w * h * 4, -1.0f);
        ASSERT_TRUE(ConvertHdriToFloat(HdriWorldView{world.data(), w * 8 + 6, w, h, 16}, out.data(), w));
        EXPECT_EQ(out[(0 * w + 4) * 4 + 0], 1.0f);  // the 16-bit white is 32768
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c)
                    EXPECT_EQ(out[(y * w + x) * 4 + c], float(v16(x, y, (c + 1) % 4)) / 32768.0f);
    }
    {
        auto vf =
            +[](int x, int y, int c) -> float { return x == 1 && c == 2 ? 1e6f : -0.5f + x * 1.25f + y + c * 0.1f; };
        const auto world = MakeWorld<float>(w, h, w * 16 + 32, vf);
        const int stride = w + 2;
        Image out(static_cast<size_t>(stride) * h * 4, -1.0f);
        ASSERT_TRUE(ConvertHdriToFloat(HdriWorldView{world.data(), w * 16 + 32, w, h, 32}, out.data(), stride));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c) EXPECT_EQ(out[(y * stride + x) * 4 + c], vf(x, y, (c + 1) % 4));
        EXPECT_EQ(out[(0 * stride + 5) * 4], -1.0f);  // destination gap untouched
    }
}

TEST(ConvertHdriToFloat, RejectsWhatItCannotReadSafely) {
    std::vector<unsigned char> bytes(64, 0);
    Image out(64, -1.0f);
    const HdriWorldView bad[] = {
        {nullptr, 16, 1, 1, 8},       {bytes.data(), 16, 0, 1, 8}, {bytes.data(), 16, 1, -1, 8},
        {bytes.data(), 16, 1, 1, 24}, {bytes.data(), 16, 1, 1, 0},
    };
    for (const auto& v : bad) EXPECT_FALSE(ConvertHdriToFloat(v, out.data(), 1));
    EXPECT_FALSE(ConvertHdriToFloat(HdriWorldView{bytes.data(), 16, 2, 1, 8}, out.data(), 1));  // stride < width
    EXPECT_EQ(out[0], -1.0f);
}

TEST(PrepareHdriImages, DiffuseAtSigma100AndSpecularAtTheSliderValue) {
    const int w = 24, h = 12;
    auto vf = +[](int x, int y, int c) -> float { return float((x * 7 + y * 13 + c * 5) % 17) * 0.25f; };
    const auto world = MakeWorld<float>(w, h, w * 16, vf);
    const HdriWorldView view{world.data(), w * 16, w, h, 32};

    Image converted(w * h * 4);
    ASSERT_TRUE(ConvertHdriToFloat(view, converted.data(), w));
    Image scratch(converted.size()), diffuse(converted.size()), spec2(converted.size());
    BlurHdri(converted.data(), scratch.data(), diffuse.data(), w, h, w, 100.0f);
    BlurHdri(converted.data(), scratch.data(), spec2.data(), w, h, w, 2.0f);

    HdriImages images;
    FrameSettings fs{};
    fs.ibl_roughness_bias = 2.0f / 50.0f;  // slider 2
    ASSERT_TRUE(PrepareHdriImages(view, fs, images));
    ASSERT_TRUE(images.ready());
    EXPECT_EQ(images.width, w);
    EXPECT_EQ(images.height, h);
    EXPECT_EQ(images.stride, w);
    EXPECT_EQ(images.diffuse, diffuse);
    EXPECT_EQ(images.specular, spec2);

    // Slider 0, a sigma below one half, and a NaN bias keep the specular image
    // unblurred, alpha included.
    for (float bias : {0.0f, 0.4f / 50.0f, std::numeric_limits<float>::quiet_NaN()}) {
        ASSERT_TRUE(PrepareHdriImages(view, bias, images));
        EXPECT_EQ(images.specular, converted) << "bias " << bias;
        EXPECT_EQ(images.diffuse, diffuse);
    }
}

TEST(PrepareHdriImages, UnusableWorldLeavesNothingBehind) {
    HdriImages images;
    std::vector<float> px(4, 1.0f);
    ASSERT_TRUE(PrepareHdriImages(HdriWorldView{px.data(), 16, 1, 1, 32}, 0.0f, images));
    EXPECT_TRUE(images.ready());
    EXPECT_FALSE(PrepareHdriImages(HdriWorldView{nullptr, 16, 1, 1, 32}, 0.0f, images));
    EXPECT_FALSE(images.ready());
    EXPECT_TRUE(images.diffuse.empty());
    EXPECT_FALSE(PrepareHdriImages(HdriWorldView{px.data(), 16, 1, 1, 12}, 0.0f, images));
    EXPECT_FALSE(images.ready());
}

}  // namespace
}  // namespace morvel
