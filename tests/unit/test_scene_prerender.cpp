// Smart pre-render against a fake host: the layer requests, the result rectangles and
// flags, error handling, and the light fingerprint mixed into the cache key.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FakeSceneHost.h"
#include "params/ParamIndex.h"
#include "scene/CollectSceneLights.h"
#include "scene/SmartPreRender.h"

using namespace morvel;
using morvel::test::FakeLayer;
using morvel::test::FakeSceneHost;

namespace {

using Compose = void (*)(FakeSceneHost&);

// Leaves garbage where the next call's locals will live, so that a light array
// that is not zero-filled shows up as differing fingerprint bytes.
__attribute__((noinline)) void DirtyStack() {
    volatile unsigned char junk[16384];
    for (size_t i = 0; i < sizeof junk; ++i) junk[i] = static_cast<unsigned char>(0xA5 ^ i);
}

std::vector<unsigned char> Fingerprint(Compose compose, bool dirty = false) {
    FakeSceneHost host;
    compose(host);
    if (dirty) DirtyStack();
    EXPECT_EQ(SmartPreRender(&host.in, &host.out, &host.preExtra), PF_Err_NONE);
    return host.mixed;
}

void TwoLights(FakeSceneHost& h) {
    FakeLayer& a = h.AddLight(AEGP_LightType_SPOT);
    a.position[0] = 100.0;
    a.color[1] = 0.5;
    h.AddNonLight();
    h.AddLight(AEGP_LightType_POINT).position[2] = -900.0;
}

void SixteenPoints(FakeSceneHost& h) {
    for (int i = 0; i < 16; ++i) h.AddLight(AEGP_LightType_POINT).position[0] = i;
}

bool SameRect(const PF_LRect& r, PF_LRect e) { return std::memcmp(&r, &e, sizeof r) == 0; }

}  // namespace

TEST(SmartPreRender, ChecksOutNineLayersAndReportsTheInputArea) {
    for (bool failPasses : {false, true}) {  // an absent pass layer is no error
        SCOPED_TRACE(failPasses);
        FakeSceneHost host;
        host.inputRect = {3, 4, 50, 60};
        host.inputMaxRect = {-2, -1, 70, 80};
        if (failPasses) {
            for (PF_ParamIndex i : {2, 3, 4, 5, 6, 7, 8, 18}) host.checkoutErr[i] = PF_Err_BAD_CALLBACK_PARAM;
        }
        ASSERT_EQ(SmartPreRender(&host.in, &host.out, &host.preExtra), PF_Err_NONE);
        ASSERT_EQ(host.layerCheckouts.size(), 9u);
        const PF_ParamIndex expectedIndex[9] = {0, 2, 3, 4, 5, 6, 7, 8, 18};
        for (int id = 0; id < 9; ++id) {
            SCOPED_TRACE(id);
            const auto& c = host.layerCheckouts[id];
            EXPECT_TRUE(c.id == id && c.index == expectedIndex[id]);
            EXPECT_EQ(CheckoutParamIndex(static_cast<CheckoutId>(id)), expectedIndex[id]);
            EXPECT_EQ(c.request.channel_mask, PF_ChannelMask_ARGB);
            EXPECT_EQ(c.request.preserve_rgb_of_zero_alpha, 1);
            EXPECT_TRUE(SameRect(c.request.rect, {1, 2, 33, 44}));
            EXPECT_TRUE(c.request.field == 3 && c.request.reserved[2] == 77);  // the rest of the request kept
            EXPECT_TRUE(c.time == 48 && c.step == 2 && c.scale == 24u);
        }
        EXPECT_TRUE(SameRect(host.preOut.result_rect, {3, 4, 50, 60}));
        EXPECT_TRUE(SameRect(host.preOut.max_result_rect, {-2, -1, 70, 80}));
        EXPECT_EQ(host.preOut.flags, 0x4 | PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);  // earlier flags kept
        EXPECT_EQ(host.preOut.pre_render_data, nullptr);
    }
}

TEST(SmartPreRender, InputCheckoutErrorIsReturnedUnchangedWithNothingElseDone) {
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_POINT);
    host.checkoutErr[0] = 0x7777;
    const PF_PreRenderOutput before = host.preOut;
    EXPECT_EQ(SmartPreRender(&host.in, &host.out, &host.preExtra), 0x7777);
    EXPECT_EQ(host.layerCheckouts.size(), 1u);
    EXPECT_TRUE(host.acquired.empty());  // no light collection
    EXPECT_TRUE(host.mixed.empty());
    EXPECT_EQ(std::memcmp(&before, &host.preOut, sizeof before), 0);
}

TEST(SmartPreRender, WithoutGuidMixNoLightsAreCollected) {
    FakeSceneHost host;
    host.AddLight(AEGP_LightType_POINT);
    host.preCb.GuidMixInPtr = nullptr;
    EXPECT_EQ(SmartPreRender(&host.in, &host.out, &host.preExtra), PF_Err_NONE);
    EXPECT_TRUE(host.acquired.empty());
    EXPECT_TRUE(host.preOut.flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);
}

TEST(SmartPreRender, DamagedExtraBlockIsRefused) {
    FakeSceneHost host;
    EXPECT_EQ(SmartPreRender(&host.in, &host.out, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
    host.preExtra.cb = nullptr;
    EXPECT_EQ(SmartPreRender(&host.in, &host.out, &host.preExtra), PF_Err_INTERNAL_STRUCT_DAMAGED);
}

TEST(SmartPreRender, FingerprintIsTheCountThenEachRecord) {
    const std::vector<unsigned char> bytes = Fingerprint(TwoLights);
    ASSERT_EQ(bytes.size(), 4 + 2 * sizeof(SceneLight));
    int32_t count = -1;
    std::memcpy(&count, bytes.data(), 4);
    EXPECT_EQ(count, 2);

    // The records are exactly what collection gives for the layer's own size into a zeroed
    // array: padding zero.
    FakeSceneHost again;
    TwoLights(again);
    SceneLight lights[kMaxSceneLights];
    std::memset(lights, 0, sizeof lights);
    ASSERT_EQ(CollectSceneLights(&again.in, lights, kMaxSceneLights, 1920.0f, 1080.0f), 2);
    EXPECT_EQ(std::memcmp(bytes.data() + 4, lights, 2 * sizeof(SceneLight)), 0);
    EXPECT_EQ(Fingerprint([](FakeSceneHost& h) { h.AddNonLight(); }), std::vector<unsigned char>(4, 0));
}

TEST(SmartPreRender, FingerprintFollowsOnlyTheLightsThatCount) {
    const auto base = Fingerprint(TwoLights);
    EXPECT_EQ(Fingerprint(TwoLights, /*dirty=*/true), base);  // the zero fill
    struct Case {
        const char* what;
        Compose compose;
        bool same;
    };
    const Case cases[] = {
        {"colour", [](FakeSceneHost& h) { TwoLights(h), h.layers[0].color[3] = 0.25; }, false},
        {"position", [](FakeSceneHost& h) { TwoLights(h), h.layers[2].position[0] = 1.0; }, false},
        {"re-aimed spot", [](FakeSceneHost& h) { TwoLights(h), h.layers[0].zAxis[0] = 1.0; }, false},
        {"inactive light and camera",
         [](FakeSceneHost& h) {
             TwoLights(h);
             h.AddLight(AEGP_LightType_POINT).active = false;
             h.AddNonLight(AEGP_ObjectType_CAMERA);
         },
         true},
    };
    for (const Case& k : cases) EXPECT_EQ(Fingerprint(k.compose) == base, k.same) << k.what;

    // A light past the sixteenth leaves the key alone.
    EXPECT_EQ(Fingerprint([](FakeSceneHost& h) { SixteenPoints(h), h.AddLight(AEGP_LightType_POINT); }),
              Fingerprint([](FakeSceneHost& h) { SixteenPoints(h), h.AddLight(AEGP_LightType_SPOT).intensity = 90; }));
}
