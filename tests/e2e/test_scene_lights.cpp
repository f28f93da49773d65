// The composition's lights as the built module sees them through minihost: smart
// pre-render's layer requests, its light fingerprint in the cache key, the frame time,
// hostile host answers, and a spot light aimed at the frame lighting it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "ModuleFixture.h"
#include "minihost/Composition.h"
#include "minihost/Frame.h"
#include "minihost/World.h"

namespace {

using minihost::CompLayer;
using minihost::FrameRequest;
using minihost::FrameResult;
using minihost::Vec3d;

constexpr int kW = 37, kH = 23;
// Bytes of one light record in the fingerprint, and where its fields sit.
constexpr std::size_t kRecord = 68;
constexpr std::size_t kType = 0, kPosition = 4, kDirection = 16, kColor = 28, kIntensity = 40, kValid = 64;

struct Fingerprint {
    std::vector<uint8_t> bytes;
    int32_t Count() const {
        int32_t n = -1;
        if (bytes.size() >= 4) std::memcpy(&n, bytes.data(), 4);
        return n;
    }
    float F(int record, std::size_t offset, int i = 0) const {
        float f;
        std::memcpy(&f, bytes.data() + 4 + record * kRecord + offset + 4 * i, 4);
        return f;
    }
    int32_t I(int record, std::size_t offset) const {
        int32_t v;
        std::memcpy(&v, bytes.data() + 4 + record * kRecord + offset, 4);
        return v;
    }
};

class SceneLights : public e2e::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        SetUpEffect();
        input.Fill({1, 0.5f, 0.5f, 0.5f});
        session->params().SetLayer(0, &input);
    }

    FrameResult Frame(FrameRequest r = {}) {
        r.depth = 32;
        return minihost::RenderFrame(*session, r);
    }
    Fingerprint PreRenderKey(FrameRequest r = {}) {
        const FrameResult f = Frame(r);
        EXPECT_EQ(f.pre_render.err, PF_Err_NONE);
        return {f.guid_bytes};
    }
    minihost::Composition& comp() { return session->composition(); }

    minihost::World input{kW, kH, 32};
};

TEST_F(SceneLights, PreRenderRequestsNineLayersAndReportsTheInputArea) {
    const FrameResult f = Frame();
    ASSERT_EQ(f.pre_render.err, PF_Err_NONE);
    ASSERT_EQ(f.checkouts.size(), 9u);
    const PF_ParamIndex index[9] = {0, 2, 3, 4, 5, 6, 7, 8, 18};
    for (int id = 0; id < 9; ++id) {
        EXPECT_EQ(f.checkouts[id].checkout_id, id);
        EXPECT_EQ(f.checkouts[id].index, index[id]);
        EXPECT_EQ(f.checkouts[id].request.channel_mask & PF_ChannelMask_ARGB, PF_ChannelMask_ARGB);
        EXPECT_EQ(f.checkouts[id].request.preserve_rgb_of_zero_alpha, 1);
    }
    EXPECT_EQ(f.pre_render_output.result_rect.right, kW);
    EXPECT_EQ(f.pre_render_output.result_rect.bottom, kH);
    EXPECT_TRUE(f.pre_render_output.flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, FingerprintCarriesEachActiveLightInLayerOrder) {
    CompLayer& spot = comp().AddLight(AEGP_LightType_SPOT, {0, 0, -500}, {300, 0, -100});
    spot.color[1] = 0.25;
    spot.intensity = 250;
    comp().AddLayer(AEGP_ObjectType_CAMERA);
    comp().AddLight(AEGP_LightType_AMBIENT, {1, 2, 3});
    const Fingerprint k = PreRenderKey();
    ASSERT_EQ(k.bytes.size(), 4 + 2 * kRecord);
    EXPECT_EQ(k.Count(), 2);
    EXPECT_EQ(k.I(0, kType), 1);
    EXPECT_EQ(k.F(0, kColor, 0), 0.25f);
    EXPECT_EQ(k.F(0, kIntensity), 12.5f);
    // The host's matrix aims the spot's z axis at its point of interest.
    EXPECT_NEAR(k.F(0, kDirection, 0), 0.6f, 1e-6f);
    EXPECT_NEAR(k.F(0, kDirection, 1), 0.0f, 1e-6f);
    EXPECT_NEAR(k.F(0, kDirection, 2), 0.8f, 1e-6f);
    EXPECT_EQ(k.I(1, kType), 3);
    EXPECT_EQ(k.F(1, kPosition, 0), kW * 0.5f);  // ambient lights keep the default place
    EXPECT_EQ(k.F(1, kPosition, 2), -500.0f);
    EXPECT_EQ(k.bytes[4 + kValid], 1);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, FrameTimeDecidesWhichLightsAreActive) {
    CompLayer& l = comp().AddLight(AEGP_LightType_POINT, {10, 10, -100});
    l.in_point = 1.0;
    l.out_point = 2.0;
    FrameRequest before;
    before.current_time = 12;  // 0.5 s at 24 per second
    EXPECT_EQ(PreRenderKey(before).Count(), 0);

    comp().ClearQueries();
    FrameRequest during;
    during.current_time = 1001 * 3;  // 1.5 s at 2002 per second
    during.time_scale = 2002;
    EXPECT_EQ(PreRenderKey(during).Count(), 1);
    int timed = 0;
    for (const minihost::AegpQuery& q : comp().Queries()) {
        if (q.function != "AEGP_IsVideoActive" && q.function != "AEGP_GetLayerStreamValue") continue;
        ++timed;
        EXPECT_EQ(q.time.value, 3003) << q.function;
        EXPECT_EQ(q.time.scale, 2002u) << q.function;
        EXPECT_EQ(q.time_mode, AEGP_LTimeMode_CompTime) << q.function;
    }
    EXPECT_GT(timed, 1);
}

TEST_F(SceneLights, FingerprintChangesOnlyWithLightsThatCount) {
    auto compose = [this] {
        comp().Clear();
        comp().AddLight(AEGP_LightType_SPOT, {5, 5, -300}, {5, 5, 0});
        comp().AddLight(AEGP_LightType_POINT, {20, 10, -200});
    };
    compose();
    const auto base = PreRenderKey().bytes;
    compose();
    EXPECT_EQ(PreRenderKey().bytes, base);

    compose();
    comp().at(2).color[3] = 0.5;  // bluer
    EXPECT_NE(PreRenderKey().bytes, base);
    compose();
    comp().at(1).point_of_interest = {40, 5, 0};  // re-aimed
    EXPECT_NE(PreRenderKey().bytes, base);

    compose();
    comp().AddLight(AEGP_LightType_POINT, {0, 0, 0}).out_point = -1.0;  // never active
    comp().AddLayer(AEGP_ObjectType_TEXT);
    EXPECT_EQ(PreRenderKey().bytes, base);

    comp().Clear();
    for (int i = 0; i < 16; ++i) comp().AddLight(AEGP_LightType_POINT, {double(i), 0, -100});
    comp().AddLight(AEGP_LightType_POINT, {99, 0, -100});
    const auto sixteen = PreRenderKey();
    EXPECT_EQ(sixteen.Count(), 16);
    comp().at(17).intensity = 1;
    EXPECT_EQ(PreRenderKey().bytes, sixteen.bytes);
}

TEST_F(SceneLights, InputCheckoutErrorComesBackWithoutLightCollection) {
    comp().AddLight(AEGP_LightType_POINT, {1, 1, 1});
    FrameRequest r;
    r.pre_render_checkout_error[0] = PF_Err_OUT_OF_MEMORY;
    const FrameResult f = Frame(r);
    EXPECT_EQ(f.pre_render.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_FALSE(f.rendered);
    EXPECT_TRUE(f.guid_bytes.empty());
    EXPECT_TRUE(comp().Queries().empty());
}

TEST_F(SceneLights, FailingPassCheckoutsAndAMissingMixCallbackStillSucceed) {
    comp().AddLight(AEGP_LightType_POINT, {1, 1, 1});
    FrameRequest r;
    for (A_long id = 1; id <= 8; ++id) r.pre_render_checkout_error[id] = PF_Err_BAD_CALLBACK_PARAM;
    r.no_guid_mix = true;
    const FrameResult f = Frame(r);
    EXPECT_EQ(f.pre_render.err, PF_Err_NONE);
    EXPECT_EQ(f.pre_render_output.result_rect.right, kW);
    EXPECT_TRUE(f.guid_bytes.empty());
    // Without the callback the pre-render has no use for the lights: only the
    // render collects them.
    const int without = session->suites().AcquireCount("AEGP Light Suite", 1);
    session->suites().ClearEvents();
    r.no_guid_mix = false;
    Frame(r);
    EXPECT_EQ(session->suites().AcquireCount("AEGP Light Suite", 1), without + 1);
}

TEST_F(SceneLights, HostileAnswersNeverCrashAndStayWithinSixteen) {
    comp().AddLight(7, {1, 1, 1});  // a type the host does not define
    CompLayer& nan = comp().AddLight(AEGP_LightType_SPOT, {NAN, 0, 0});
    nan.intensity = INFINITY;
    nan.cone_angle = NAN;
    nan.falloff_type = 1e300;
    A_Matrix4 zero{};
    nan.matrix = zero;  // zero-length axis
    for (int i = 0; i < 20; ++i) comp().AddLight(AEGP_LightType_PARALLEL, {0, 0, 0});
    const Fingerprint k = PreRenderKey();
    ASSERT_EQ(k.Count(), 16);
    ASSERT_EQ(k.bytes.size(), 4 + 16 * kRecord);
    EXPECT_EQ(k.I(0, kType), 1);
    EXPECT_EQ(k.F(0, kPosition, 0), kW * 0.5f);
    EXPECT_EQ(k.F(0, kIntensity), 5.0f);
    EXPECT_EQ(k.F(0, kDirection, 2), 1.0f);
    for (int r = 0; r < 16; ++r) {
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(k.F(r, kDirection, i)));
    }

    comp().layer_count = -4;
    EXPECT_EQ(PreRenderKey().Count(), 0);

    comp().Clear();
    comp().AddLight(AEGP_LightType_POINT, {0, 0, 0});
    comp().layer_count = 5000;  // more than there are: the host refuses the extra indices
    EXPECT_EQ(PreRenderKey().Count(), 1);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, FailedQueriesSkipLayersOrLeaveDefaults) {
    CompLayer& skipped = comp().AddLight(AEGP_LightType_POINT, {1, 1, 1});
    skipped.fail["AEGP_GetLightType"] = A_Err_GENERIC;
    CompLayer& kept = comp().AddLight(AEGP_LightType_POINT, {2, 3, 4});
    kept.fail_stream[AEGP_LayerStream_INTENSITY] = A_Err_GENERIC;
    const Fingerprint k = PreRenderKey();
    ASSERT_EQ(k.Count(), 1);
    EXPECT_EQ(k.F(0, kPosition, 1), 3.0f);
    EXPECT_EQ(k.F(0, kIntensity), 5.0f);

    session->suites().FailFunction("AEGP_GetCompNumLayers", A_Err_GENERIC);
    EXPECT_EQ(PreRenderKey().bytes, std::vector<uint8_t>(4, 0));
    session->suites().ClearFunctionFailures();
    comp().null_comp = true;
    EXPECT_EQ(PreRenderKey().Count(), 0);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, MissingLightSuiteEndsThePreRenderWith512) {
    comp().AddLight(AEGP_LightType_POINT, {1, 1, 1});
    session->suites().SetMode("AEGP Light Suite", 1, minihost::SuiteMode::AcquireFails);
    const FrameResult f = Frame();
    EXPECT_EQ(f.pre_render.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(session->suites().Outstanding().empty());
}

TEST_F(SceneLights, SpotAimedAtTheFrameFromTheFrontLightsIt) {
    minihost::World albedo(kW, kH, 32);
    albedo.Fill({1, 1, 1, 1});
    session->params().SetLayer("Diffuse Albedo", &albedo);
    CompLayer& spot = comp().AddLight(AEGP_LightType_SPOT, {kW / 2.0, kH / 2.0, -500}, {kW / 2.0, kH / 2.0, 0});
    spot.cone_angle = 30;

    const FrameResult lit = Frame();
    ASSERT_EQ(lit.err(), PF_Err_NONE);
    ASSERT_TRUE(lit.output);
    const minihost::PixelF centre = lit.output->Get(kW / 2, kH / 2);
    EXPECT_GT(centre.r, 0.01f);
    EXPECT_GT(centre.g, 0.01f);

    // Turned round to face away from the layer, it lights nothing there.
    spot.point_of_interest = {kW / 2.0, kH / 2.0, -1000};
    const FrameResult away = Frame();
    ASSERT_EQ(away.err(), PF_Err_NONE);
    ASSERT_TRUE(away.output);
    EXPECT_EQ(away.output->Get(kW / 2, kH / 2).r, 0.0f);
}

}  // namespace
