#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "cpu/PassLoops.h"
#include "cpu/PixelTraits.h"

using namespace morvel;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Channels in memory order: A, R, G, B.
template <typename P>
std::array<int, 4> argb(const P& p) {
    return {int(p.alpha), int(p.red), int(p.green), int(p.blue)};
}

// One pass's store into a single host pixel.
template <typename P>
void addPass(P& p, Float3 c, float alpha, bool first) {
    storePassColor(pixelView(p, PixelTraits<P>::kLayout), 0, 0, c, alpha, first);
}

}  // namespace

TEST(PixelStore, QuantisesEveryChannelAndIsDefinedForAnyFloat) {
    const auto expectStore = [](float v, int want8, int want16) {
        SCOPED_TRACE(testing::Message() << v);
        PF_Pixel8 p8{};
        StorePixel8(p8, v, v, v, v);
        EXPECT_EQ(argb(p8), (std::array<int, 4>{want8, want8, want8, want8}));
        PF_Pixel16 p16{};
        StorePixel16(p16, v, v, v, v);
        EXPECT_EQ(argb(p16), (std::array<int, 4>{want16, want16, want16, want16}));
    };
    // Negatives, NaN, denormals and less than half a 16-bit step land on 0.
    for (float v :
         {0.0f, -0.001f, -0.5f, kNaN, -kInf, -1e30f, std::numeric_limits<float>::denorm_min(), 0.49f / 32768.0f})
        expectStore(v, 0, 0);
    // White, over white, infinity and huge values clip to the depth's white.
    for (float v : {1.0f, 1.2f, kInf, 1e30f, std::numeric_limits<float>::max()}) expectStore(v, 255, 32768);
    expectStore(0.5f, 128, 16384);  // half rounds up on 8 bits
    expectStore(127.0f / 255.0f, 127, 16320);
    expectStore(1.0f / 32768.0f, 0, 1);
}

TEST(PixelStore, ChannelsLandInHostOrder) {
    // Arguments are r, g, b, a; memory is A, R, G, B.
    PF_Pixel8 p8{};
    StorePixel8(p8, 1.0f / 255.0f, 2.0f / 255.0f, 3.0f / 255.0f, 4.0f / 255.0f);
    EXPECT_EQ(argb(p8), (std::array<int, 4>{4, 1, 2, 3}));
    PF_Pixel16 p16{};
    StorePixel16(p16, 1.0f / 32768.0f, 2.0f / 32768.0f, 3.0f / 32768.0f, 4.0f / 32768.0f);
    EXPECT_EQ(argb(p16), (std::array<int, 4>{4, 1, 2, 3}));
    PF_PixelFloat pf{};
    StorePixel(pf, -1.0f, 2.5f, kInf, 0.25f);  // float frames are not clamped
    EXPECT_TRUE(pf.alpha == 0.25f && pf.red == -1.0f && pf.green == 2.5f && pf.blue == kInf);
}

// Every integer value reads as its correctly rounded quotient (8-bit reads divide
// without a division), and the store rounding brings it back.
template <typename P, int Full>
void expectEveryValueRoundTrips() {
    using C = decltype(P{}.red);
    for (int v = 0; v <= Full; ++v) {
        const P in{C(v), C(Full - v), C(v), C(v / 3)};
        const PassPixel f = PixelToFloat(in);
        ASSERT_EQ(f.a, static_cast<float>(v) / Full) << v;
        ASSERT_EQ(f.r, static_cast<float>(Full - v) / Full) << v;
        P out{};
        StorePixel(out, f.r, f.g, f.b, f.a);
        ASSERT_EQ(argb(out), argb(in));
    }
    EXPECT_EQ(PixelToFloat(P{C(Full), C(Full / 2), 0, 0}).a, 1.0f);
}

TEST(PixelStore, EveryIntegerValueRoundTrips) {
    expectEveryValueRoundTrips<PF_Pixel8, 255>();
    expectEveryValueRoundTrips<PF_Pixel16, 32768>();
    EXPECT_EQ(PixelToFloat(PF_Pixel16{32768, 16384, 0, 1}).r, 0.5f);
}

// A later pass adds in float and stores again, so light clipped at white stays clipped.
TEST(PixelStore, AccumulatedStoreClipsPerPass) {
    PF_Pixel16 p16{};
    addPass(p16, Float3{1.2f, 0.25f, 0.0f}, 1.0f, true);
    EXPECT_EQ(argb(p16), (std::array<int, 4>{32768, 32768, 8192, 0}));
    addPass(p16, Float3{0.1f, 0.25f, 0.0f}, 1.0f, false);
    EXPECT_EQ(argb(p16), (std::array<int, 4>{32768, 32768, 16384, 0}));

    PF_Pixel8 p8{};
    addPass(p8, Float3{0.5f, 0.0f, 0.0f}, 0.5f, true);
    EXPECT_EQ(argb(p8), (std::array<int, 4>{128, 128, 0, 0}));
    // 128/255 + 0.5 = 1.00196: clipped, not wrapped.
    addPass(p8, Float3{0.5f, kNaN, -kInf}, 1.0f, false);
    EXPECT_EQ(argb(p8), (std::array<int, 4>{255, 255, 0, 0}));

    PF_PixelFloat pf{};
    addPass(pf, Float3{1.2f, 0.0f, 0.0f}, 1.0f, true);
    addPass(pf, Float3{0.1f, 0.0f, 0.0f}, 1.0f, false);
    EXPECT_FLOAT_EQ(pf.red, 1.3f);
}

// GPU buffers (B, G, R, A floats, rows a pitch apart) read into the same pixel as host
// worlds, and a layer is read only inside its own extent.
TEST(ImageView, GpuAndHostLayoutsReadAlikeWithinTheirExtent) {
    float gpu[2][12] = {};  // 2 x 2 pixels, a pitch of 3 pixels
    float host[2][8] = {};
    const ImageView g{reinterpret_cast<unsigned char*>(gpu), sizeof gpu[0], 2, 2, PIXEL_BGRA32F};
    const ImageView h{reinterpret_cast<unsigned char*>(host), sizeof host[0], 2, 2, PIXEL_ARGB32F};
    storePixel(g, 1, 1, 0.25f, 0.5f, 2.0f, 0.75f);
    storePixel(h, 1, 1, 0.25f, 0.5f, 2.0f, 0.75f);
    EXPECT_TRUE(gpu[1][4] == 2.0f && gpu[1][5] == 0.5f && gpu[1][6] == 0.25f && gpu[1][7] == 0.75f);
    EXPECT_TRUE(host[1][4] == 0.75f && host[1][5] == 0.25f);
    for (const ImageView& v : {g, h}) {
        const PassPixel p = readPixel(v, 1, 1);
        EXPECT_TRUE(p.r == 0.25f && p.g == 0.5f && p.b == 2.0f && p.a == 0.75f) << v.layout;
        PassPixel tmp;
        EXPECT_EQ(readLayer(v, 1, 1, &tmp), &tmp);
        EXPECT_EQ(readLayer(v, 2, 0, &tmp), nullptr);
        EXPECT_EQ(readLayer(v, 0, 2, &tmp), nullptr);
    }
    EXPECT_EQ(readLayer(ImageView{}, 0, 0, nullptr), nullptr);  // an absent layer
}
