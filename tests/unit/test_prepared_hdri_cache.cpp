// Prepared HDRI images kept between frames: the cache's bounds and order, the
// content key, and the CPU's cached preparation against a fresh one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "cpu/HdriCache.h"
#include "frame/PreparedHdriCache.h"
#include "gpu/DeviceHdri.h"

namespace morvel {
namespace {

PreparedHdriKey Key(uint64_t h, float specular_sigma = 1.0f) {
    PreparedHdriKey k;
    k.hash[0] = h;
    k.hash[1] = ~h;
    k.width = 8;
    k.height = 4;
    k.depth = 32;
    k.diffuse_sigma = 100.0f;
    k.specular_sigma = specular_sigma;
    return k;
}

using IntCache = PreparedHdriCache<int>;

TEST(PreparedHdriCache, HitsOnlyTheSameKey) {
    IntCache cache;
    cache.Insert(Key(1), std::make_shared<int>(1), 10);
    ASSERT_TRUE(cache.Find(Key(1)));
    EXPECT_EQ(*cache.Find(Key(1)), 1);
    EXPECT_FALSE(cache.Find(Key(2)));
    EXPECT_FALSE(cache.Find(Key(1, 2.0f))) << "another blur width is another image";
    PreparedHdriKey other_size = Key(1);
    other_size.width = 4, other_size.height = 8;
    EXPECT_FALSE(cache.Find(other_size));
    PreparedHdriKey other_depth = Key(1);
    other_depth.depth = 8;
    EXPECT_FALSE(cache.Find(other_depth));
    PreparedHdriKey nan_sigma = Key(3, std::numeric_limits<float>::quiet_NaN());
    cache.Insert(nan_sigma, std::make_shared<int>(3), 10);
    EXPECT_TRUE(cache.Find(nan_sigma)) << "sigmas compare bit for bit, NaN included";
}

TEST(PreparedHdriCache, KeepsTheMostRecentlyUsedWithinBothBounds) {
    IntCache cache(4, 100);
    for (int i = 0; i < 4; ++i) cache.Insert(Key(i), std::make_shared<int>(i), 10);
    ASSERT_TRUE(cache.Find(Key(0)));  // now the most recent
    cache.Insert(Key(4), std::make_shared<int>(4), 10);
    EXPECT_EQ(cache.size(), 4u);
    EXPECT_TRUE(cache.Find(Key(0)));
    EXPECT_FALSE(cache.Find(Key(1))) << "the least recently used goes first";

    // Bytes: a large entry pushes out as many as it must.
    cache.Insert(Key(5), std::make_shared<int>(5), 75);
    EXPECT_LE(cache.bytes(), 100u);
    EXPECT_TRUE(cache.Find(Key(5)));
    EXPECT_EQ(cache.size(), 3u);

    // Larger than the bound: handed back by the caller, never kept.
    auto huge = std::make_shared<int>(6);
    cache.Insert(Key(6), huge, 101);
    EXPECT_FALSE(cache.Find(Key(6)));
    EXPECT_TRUE(cache.Find(Key(5)));

    // The same key again replaces the entry instead of counting it twice.
    cache.Insert(Key(5), std::make_shared<int>(55), 75);
    EXPECT_EQ(*cache.Find(Key(5)), 55);
    EXPECT_LE(cache.bytes(), 100u);
}

TEST(PreparedHdriCache, AnEntryInUseOutlivesItsEviction) {
    IntCache cache(1, 100);
    cache.Insert(Key(1), std::make_shared<int>(1), 10);
    std::shared_ptr<const int> held = cache.Find(Key(1));
    cache.Insert(Key(2), std::make_shared<int>(2), 10);
    EXPECT_FALSE(cache.Find(Key(1)));
    EXPECT_EQ(*held, 1);
    cache.Clear();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(cache.bytes(), 0u);
}

TEST(HashRows, SeesEveryPixelByteButNotThePadding) {
    constexpr int kW = 5, kH = 3, kRow = kW * 16 + 32;
    std::vector<unsigned char> a(kRow * kH), b;
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<unsigned char>(i * 37 + 11);
    uint64_t ha[2], hb[2];
    HashRows(a.data(), kRow, kH, kW * 16, ha);
    b = a;
    b[kRow + kW * 16 + 5] ^= 1;  // padding of row 1
    HashRows(b.data(), kRow, kH, kW * 16, hb);
    EXPECT_TRUE(ha[0] == hb[0] && ha[1] == hb[1]);
    for (int at : {0, 7, kW * 16 - 1, kRow + 3, 2 * kRow + kW * 16 - 1}) {
        SCOPED_TRACE(at);
        b = a;
        b[at] ^= 0x40;
        HashRows(b.data(), kRow, kH, kW * 16, hb);
        EXPECT_NE(ha[0], hb[0]);
        EXPECT_NE(ha[1], hb[1]);
    }
    // Rows swapped: the same bytes in another place are another image.
    b = a;
    std::memcpy(b.data(), a.data() + kRow, kRow);
    std::memcpy(b.data() + kRow, a.data(), kRow);
    HashRows(b.data(), kRow, kH, kW * 16, hb);
    EXPECT_NE(ha[0], hb[0]);
}

// The device preparation's blurs follow the CPU's rule: copy below sigma 0.5 (NaN
// too), radius ceil(3 sigma) within [1, 128], weights summing to one.
TEST(HdriPreparePlan, BlursAsTheCpuDoes) {
    struct Case {
        float bias;
        bool copy;
        int radius;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const Case c : {Case{0.0f, true, 0}, Case{0.008f, true, 0}, Case{0.01f, false, 2}, Case{0.1f, false, 15},
                         Case{nan, true, 0}, Case{4.0f, false, 128}}) {
        SCOPED_TRACE(c.bias);
        const HdriPreparePlan plan = MakeHdriPreparePlan(c.bias);
        EXPECT_FALSE(plan.diffuse.copy);
        EXPECT_EQ(plan.diffuse.radius, 128);
        EXPECT_EQ(plan.specular.copy, c.copy);
        EXPECT_EQ(plan.specular.radius, c.radius);
        for (const HdriBlurStep* step : {&plan.diffuse, &plan.specular}) {
            if (step->copy) continue;
            double sum = 0.0;
            for (int t = 0; t < 2 * step->radius + 1; ++t) sum += step->weights[t];
            EXPECT_NEAR(sum, 1.0, 1e-5);
            EXPECT_FLOAT_EQ(step->weights[0], step->weights[2 * step->radius]);
        }
    }
}

// A float HDRI world (A, R, G, B), rows padded.
struct HdriWorld {
    int width, height;
    std::ptrdiff_t row_bytes;
    std::vector<float> pixels;
    HdriWorld(int w, int h) : width(w), height(h), row_bytes(w * 16 + 16), pixels(row_bytes / 4 * h) {
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<float>((i * 7919) % 97) / 13.0f;
    }
    HdriWorldView View() const { return HdriWorldView{pixels.data(), row_bytes, width, height, 32}; }
    float& At(int x, int y, int c) { return pixels[static_cast<std::size_t>(y) * (row_bytes / 4) + x * 4 + c]; }
};

void ExpectSameImages(const HdriImages& a, const HdriImages& b) {
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    EXPECT_EQ(a.diffuse, b.diffuse);
    EXPECT_EQ(a.specular, b.specular);
}

TEST(PrepareHdriImagesCached, ServesTheSameImagesUntilTheHdriOrBiasChanges) {
    CpuHdriCache cache;
    HdriWorld world(24, 12);
    const auto first = PrepareHdriImagesCached(world.View(), 0.1f, cache);
    ASSERT_TRUE(first);
    HdriImages fresh;
    ASSERT_TRUE(PrepareHdriImages(world.View(), 0.1f, fresh));
    ExpectSameImages(*first, fresh);
    EXPECT_TRUE(first->scratch.empty()) << "only the two lookup images are kept";
    EXPECT_EQ(PrepareHdriImagesCached(world.View(), 0.1f, cache), first);

    // One texel changed: prepared afresh, equal to a fresh preparation.
    world.At(5, 3, 2) += 100.0f;
    const auto changed = PrepareHdriImagesCached(world.View(), 0.1f, cache);
    ASSERT_TRUE(changed);
    EXPECT_NE(changed, first);
    ASSERT_TRUE(PrepareHdriImages(world.View(), 0.1f, fresh));
    ExpectSameImages(*changed, fresh);
    EXPECT_NE(changed->diffuse, first->diffuse);

    const auto other_bias = PrepareHdriImagesCached(world.View(), 0.2f, cache);
    ASSERT_TRUE(other_bias);
    EXPECT_NE(other_bias, changed);
    EXPECT_EQ(cache.size(), 3u);
}

TEST(PrepareHdriImagesCached, RefusesUnusableWorldsWithoutCachingThem) {
    CpuHdriCache cache;
    HdriWorld world(4, 2);
    HdriWorldView v = world.View();
    v.depth = 12;
    EXPECT_FALSE(PrepareHdriImagesCached(v, 0.1f, cache));
    v = world.View();
    v.rowBytes = 4 * 16 - 1;
    EXPECT_FALSE(PrepareHdriImagesCached(v, 0.1f, cache));
    v = world.View();
    v.pixels = nullptr;
    EXPECT_FALSE(PrepareHdriImagesCached(v, 0.1f, cache));
    EXPECT_EQ(cache.size(), 0u);
}

}  // namespace
}  // namespace morvel
