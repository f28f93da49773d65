// Whole-image buffers: layers into the host's worlds and the output back, in
// every depth (each channel in its own slot, every row converted once though
// the work is split into bands across threads, levels rounded and clamped as
// the host's), and large buffers mapped in ahead still grow like vectors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "cli/PixelDepth.h"
#include "cli/Worlds.h"
#include "minihost/LargeBuffer.h"

namespace morvel::cli {
namespace {

// Large enough to be split into bands; every value differs per pixel and
// channel, and some lie outside 0..1 or are not numbers at all.
Image Pattern(int w, int h) {
    Image img(w, h);
    for (std::size_t i = 0; i < img.rgba.size(); ++i) img.rgba[i] = float(i % 2311) / 2048.0f - 0.05f;
    img.rgba[4 * 7 + 1] = std::numeric_limits<float>::quiet_NaN();
    img.rgba[img.rgba.size() - 2] = std::numeric_limits<float>::infinity();
    return img;
}

bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Worlds, EveryPixelAndChannelGoesInAndComesBackInEachDepth) {
    const Image image = Pattern(613, 331);
    for (int depth : {8, 16, 32}) {
        const minihost::World world = ToWorld(image, depth);
        const Frame back = FromWorld(world);
        ASSERT_EQ(back.depth, depth);
        ASSERT_EQ(back.pixels.width, image.width);
        ASSERT_EQ(back.pixels.height, image.height);
        int wrong = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const float* in = image.At(x, y);
                const float* out = back.pixels.At(x, y);
                const minihost::PixelF held = world.Get(x, y);
                const float argb[4] = {held.a, held.r, held.g, held.b};
                for (int c = 0; c < 4; ++c) {
                    const float level = ToDepth(in[c], depth);
                    // World::Get divides levels by white; multiplied back they are whole again.
                    const float scaled = argb[(c + 1) % 4] * White(depth);
                    const float stored = depth == 32 ? scaled : std::round(scaled);
                    const bool ok = depth == 32 ? SameFloat(stored, in[c]) && SameFloat(out[c], in[c])
                                                : stored == level && out[c] == level;
                    if (!ok && ++wrong <= 5)
                        ADD_FAILURE() << depth << "-bit (" << x << ", " << y << ") channel " << c << ": in " << in[c]
                                      << ", world " << stored << ", back " << out[c];
                }
            }
        EXPECT_EQ(wrong, 0) << depth << "-bit";
    }
}

TEST(LargeBuffers, GrowLikeVectorsKeepingContentsAndZeroingWhatIsNew) {
    // Sizes around the point where buffers are mapped in ahead, grown in steps.
    const std::size_t steps[][3] = {{10, 300, 5000}, {100000, 300000, 1200000}, {0, 2000000, 2000000}};
    for (const auto& sizes : steps) {
        std::vector<float> v;
        for (std::size_t n : sizes) {
            const std::size_t before = v.size();
            for (float& f : v) f = float(&f - v.data()) + 0.5f;
            minihost::ResizeLarge(v, n);
            ASSERT_EQ(v.size(), n);
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(v[i], i < before ? float(i) + 0.5f : 0.0f) << "element " << i << " of " << n;
        }
    }
    // Memory handed back and taken again still reads as zero.
    for (int round = 0; round < 3; ++round) {
        std::vector<uint8_t> bytes;
        minihost::ResizeLarge(bytes, std::size_t(3) << 20);
        for (uint8_t b : bytes) ASSERT_EQ(b, 0);
        std::fill(bytes.begin(), bytes.end(), uint8_t(0xA5));
    }
}

}  // namespace
}  // namespace morvel::cli
