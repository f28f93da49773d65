#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shading/PassLoops.h"
#include "shading/PixelTraits.h"

using namespace morvel;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct StoreCase {
    const char* name;
    float v;
    int want8;
    int want16;
};

const StoreCase kStoreCases[] = {
    {"zero", 0.0f, 0, 0},
    {"one", 1.0f, 255, 32768},
    {"half rounds up on 8 bits", 0.5f, 128, 16384},
    {"127/255 round trip", 127.0f / 255.0f, 127, 16320},
    {"one 16-bit step", 1.0f / 32768.0f, 0, 1},
    {"just under half a step", 0.49f / 32768.0f, 0, 0},
    {"over white", 1.2f, 255, 32768},
    {"small negative", -0.001f, 0, 0},
    {"negative", -0.5f, 0, 0},
    {"NaN", kNaN, 0, 0},
    {"+inf", kInf, 255, 32768},
    {"-inf", -kInf, 0, 0},
    {"huge", 1e30f, 255, 32768},
    {"huge negative", -1e30f, 0, 0},
    {"float max", std::numeric_limits<float>::max(), 255, 32768},
    {"denormal", std::numeric_limits<float>::denorm_min(), 0, 0},
};

}  // namespace

TEST(PixelStore, QuantisesEveryChannelAndIsDefinedForAnyFloat) {
    for (const StoreCase& c : kStoreCases) {
        PF_Pixel8 p8{};
        StorePixel8(p8, c.v, c.v, c.v, c.v);
        EXPECT_EQ(p8.alpha, c.want8) << c.name;
        EXPECT_EQ(p8.red, c.want8) << c.name;
        EXPECT_EQ(p8.green, c.want8) << c.name;
        EXPECT_EQ(p8.blue, c.want8) << c.name;

        PF_Pixel16 p16{};
        StorePixel16(p16, c.v, c.v, c.v, c.v);
        EXPECT_EQ(p16.alpha, c.want16) << c.name;
        EXPECT_EQ(p16.red, c.want16) << c.name;
        EXPECT_EQ(p16.green, c.want16) << c.name;
        EXPECT_EQ(p16.blue, c.want16) << c.name;
    }
}

TEST(PixelStore, ChannelsLandInHostOrder) {
    // Arguments are r, g, b, a; memory is A, R, G, B.
    PF_Pixel8 p8{};
    StorePixel8(p8, 1.0f / 255.0f, 2.0f / 255.0f, 3.0f / 255.0f, 4.0f / 255.0f);
    EXPECT_EQ(p8.alpha, 4);
    EXPECT_EQ(p8.red, 1);
    EXPECT_EQ(p8.green, 2);
    EXPECT_EQ(p8.blue, 3);

    PF_Pixel16 p16{};
    StorePixel16(p16, 1.0f / 32768.0f, 2.0f / 32768.0f, 3.0f / 32768.0f, 4.0f / 32768.0f);
    EXPECT_EQ(p16.alpha, 4);
    EXPECT_EQ(p16.red, 1);
    EXPECT_EQ(p16.green, 2);
    EXPECT_EQ(p16.blue, 3);

    PF_PixelFloat pf{};
    PixelTraits<PF_PixelFloat>::store(pf, -1.0f, 2.5f, kInf, 0.25f);
    EXPECT_EQ(pf.alpha, 0.25f);
    EXPECT_EQ(pf.red, -1.0f);  // float frames are not clamped
    EXPECT_EQ(pf.green, 2.5f);
    EXPECT_EQ(pf.blue, kInf);
}

// Every integer value survives a read and a store: the read scale and the store
// rounding agree on both integer depths.
TEST(PixelStore, EveryIntegerValueRoundTrips) {
    for (int v = 0; v <= 255; ++v) {
        const PF_Pixel8 in{static_cast<A_u_char>(v), static_cast<A_u_char>(255 - v), static_cast<A_u_char>(v),
                           static_cast<A_u_char>(v / 2)};
        const PassPixel f = PixelTraits<PF_Pixel8>::toFloat(in);
        PF_Pixel8 out{};
        PixelTraits<PF_Pixel8>::store(out, f.r, f.g, f.b, f.a);
        ASSERT_EQ(out.alpha, in.alpha);
        ASSERT_EQ(out.red, in.red);
        ASSERT_EQ(out.green, in.green);
        ASSERT_EQ(out.blue, in.blue);
    }
    for (int v = 0; v <= 32768; ++v) {
        const PF_Pixel16 in{static_cast<A_u_short>(v), static_cast<A_u_short>(32768 - v), static_cast<A_u_short>(v),
                            static_cast<A_u_short>(v / 3)};
        const PassPixel f = PixelTraits<PF_Pixel16>::toFloat(in);
        PF_Pixel16 out{};
        PixelTraits<PF_Pixel16>::store(out, f.r, f.g, f.b, f.a);
        ASSERT_EQ(out.alpha, in.alpha);
        ASSERT_EQ(out.red, in.red);
        ASSERT_EQ(out.green, in.green);
        ASSERT_EQ(out.blue, in.blue);
    }
    EXPECT_EQ(PixelTraits<PF_Pixel16>::toFloat(PF_Pixel16{32768, 16384, 0, 1}).a, 1.0f);
    EXPECT_EQ(PixelTraits<PF_Pixel16>::toFloat(PF_Pixel16{32768, 16384, 0, 1}).r, 0.5f);
    EXPECT_EQ(PixelTraits<PF_Pixel8>::toFloat(PF_Pixel8{255, 0, 0, 0}).a, 1.0f);
}

// A later pass adds in float and stores again, so light clipped at white stays clipped.
TEST(PixelStore, AccumulatedStoreClipsPerPass) {
    PF_Pixel16 p16{};
    storePassColor(p16, Vec3{1.2f, 0.25f, 0.0f}, 1.0f, true);
    EXPECT_EQ(p16.red, 32768);
    EXPECT_EQ(p16.green, 8192);
    storePassColor(p16, Vec3{0.1f, 0.25f, 0.0f}, 1.0f, false);
    EXPECT_EQ(p16.red, 32768);
    EXPECT_EQ(p16.green, 16384);
    EXPECT_EQ(p16.alpha, 32768);

    PF_Pixel8 p8{};
    storePassColor(p8, Vec3{0.5f, 0.0f, 0.0f}, 0.5f, true);
    EXPECT_EQ(p8.red, 128);
    EXPECT_EQ(p8.alpha, 128);
    // 128/255 + 0.5 = 1.00196: clipped, not wrapped.
    storePassColor(p8, Vec3{0.5f, kNaN, -kInf}, 1.0f, false);
    EXPECT_EQ(p8.red, 255);
    EXPECT_EQ(p8.green, 0);
    EXPECT_EQ(p8.blue, 0);

    PF_PixelFloat pf{};
    storePassColor(pf, Vec3{1.2f, 0.0f, 0.0f}, 1.0f, true);
    storePassColor(pf, Vec3{0.1f, 0.0f, 0.0f}, 1.0f, false);
    EXPECT_FLOAT_EQ(pf.red, 1.3f);
}
