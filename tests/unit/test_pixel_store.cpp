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
    PixelTraits<PF_PixelFloat>::store(pf, -1.0f, 2.5f, kInf, 0.25f);  // float frames are not clamped
    EXPECT_TRUE(pf.alpha == 0.25f && pf.red == -1.0f && pf.green == 2.5f && pf.blue == kInf);
}

// The read scale and the store rounding agree: every integer value survives both.
template <typename P, int Full>
void expectEveryValueRoundTrips() {
    using C = decltype(P{}.red);
    for (int v = 0; v <= Full; ++v) {
        const P in{C(v), C(Full - v), C(v), C(v / 3)};
        const PassPixel f = PixelTraits<P>::toFloat(in);
        P out{};
        PixelTraits<P>::store(out, f.r, f.g, f.b, f.a);
        ASSERT_EQ(argb(out), argb(in));
    }
    EXPECT_EQ(PixelTraits<P>::toFloat(P{C(Full), C(Full / 2), 0, 0}).a, 1.0f);
}

TEST(PixelStore, EveryIntegerValueRoundTrips) {
    expectEveryValueRoundTrips<PF_Pixel8, 255>();
    expectEveryValueRoundTrips<PF_Pixel16, 32768>();
    EXPECT_EQ(PixelTraits<PF_Pixel16>::toFloat(PF_Pixel16{32768, 16384, 0, 1}).r, 0.5f);
}

// A later pass adds in float and stores again, so light clipped at white stays clipped.
TEST(PixelStore, AccumulatedStoreClipsPerPass) {
    PF_Pixel16 p16{};
    storePassColor(p16, Vec3{1.2f, 0.25f, 0.0f}, 1.0f, true);
    EXPECT_EQ(argb(p16), (std::array<int, 4>{32768, 32768, 8192, 0}));
    storePassColor(p16, Vec3{0.1f, 0.25f, 0.0f}, 1.0f, false);
    EXPECT_EQ(argb(p16), (std::array<int, 4>{32768, 32768, 16384, 0}));

    PF_Pixel8 p8{};
    storePassColor(p8, Vec3{0.5f, 0.0f, 0.0f}, 0.5f, true);
    EXPECT_EQ(argb(p8), (std::array<int, 4>{128, 128, 0, 0}));
    // 128/255 + 0.5 = 1.00196: clipped, not wrapped.
    storePassColor(p8, Vec3{0.5f, kNaN, -kInf}, 1.0f, false);
    EXPECT_EQ(argb(p8), (std::array<int, 4>{255, 255, 0, 0}));

    PF_PixelFloat pf{};
    storePassColor(pf, Vec3{1.2f, 0.0f, 0.0f}, 1.0f, true);
    storePassColor(pf, Vec3{0.1f, 0.0f, 0.0f}, 1.0f, false);
    EXPECT_FLOAT_EQ(pf.red, 1.3f);
}
