// The frame template read from the parameters, the pass records made from it, and
// the frame context's depth rule and HDRI buffers.
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "FakeSceneHost.h"
#include "frame/FrameContext.h"
#include "frame/FrameSettingsBuild.h"

using namespace morvel;
using morvel::test::FakeSceneHost;

namespace {

FrameSettings Build(FakeSceneHost& host) {
    FrameParams held;
    FrameSettings fs = BuildFrameSettings(&host.in, held);
    ReleaseFrameParams(&host.in, held);
    return fs;
}

// Independent references for the two stated precisions of an angle conversion.
float SingleAngle(int32_t raw) { return static_cast<float>(raw) * (1.0f / 65536.0f) * 0.017453292f; }
float DoubleAngle(int32_t raw) { return static_cast<float>(raw / 65536.0 * 0.017453292519943295); }

using V3 = std::array<float, 3>;

SceneLight Light(SceneLightType type) { return {type, {}, {0, 0, 1}, {0.1f, 0.2f, 0.3f}, 5.0f, 0, 0, 0, 0, 0, 1}; }

FrameSettings Template() {
    FrameSettings t;
    std::memset(&t, 0, sizeof t);
    t.source_blend = 0.25f;
    t.stride = 40;
    t.output_mode = t.ibl_output_mode = 1;
    return t;
}

}  // namespace

// Each parameter checked in with the definition its checkout filled, once however often
// the release runs, and by the guard when the frame throws.
TEST(FrameSettingsBuild, ChecksOutAndInTheTwentyFiveInOrderAtTheFrameTime) {
    FakeSceneHost host;
    host.in.current_time = 7;
    host.in.time_step = 3;
    host.in.time_scale = 600;
    FrameParams held;
    BuildFrameSettings(&host.in, held);
    ReleaseFrameParams(&host.in, held);
    ReleaseFrameParams(&host.in, held);
    const std::vector<PF_ParamIndex> order = {11, 12, 13, 14, 31, 32, 33, 34, 37, 38, 39, 40, 41,
                                              42, 17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
    EXPECT_EQ(host.checkedOut, order);
    EXPECT_EQ(host.checkedIn, order);
    EXPECT_TRUE(host.ParamsBalanced());
    for (const auto& [time, step, scale] : host.paramTimes) EXPECT_TRUE(time == 7 && step == 3 && scale == 600u);

    FakeSceneHost other;
    EXPECT_THROW(
        {
            FrameParamsGuard guard(&other.in, held);
            BuildFrameSettings(&other.in, held);
            throw std::runtime_error("pass failed");
        },
        std::runtime_error);
    EXPECT_EQ(other.checkedIn.size(), 25u);
    EXPECT_TRUE(other.ParamsBalanced());
}

TEST(FrameSettingsBuild, WorkedValues) {
    const std::tuple<PF_ParamIndex, double, float FrameSettings::*, float> sliders[] = {
        {PBR_SPECULAR, 200.0, &FrameSettings::specular_adjust, 2.0f},
        {PBR_METALLIC, 25.0, &FrameSettings::metallic_adjust, 0.25f},
        {INCIDENCE_AMOUNT, 200.0, &FrameSettings::incidence_amount, 2.0f},
        {INCIDENCE_POWER, 2.5, &FrameSettings::incidence_power, 2.5f},
        {RIMLIGHT_AMOUNT, 50.0, &FrameSettings::rimlight_amount, 0.5f},
        {RIMLIGHT_POWER, 0.1, &FrameSettings::rimlight_power, 0.1f},
        {RIMLIGHT_THRESHOLD, 100.0, &FrameSettings::rimlight_threshold, 1.0f},
        {IBL_DIFFUSE_INTENSITY, 1.0, &FrameSettings::ibl_diffuse_intensity, 0.2f},
        {IBL_DIFFUSE_INTENSITY, 5.0, &FrameSettings::ibl_diffuse_intensity, 1.0f},
        {IBL_DIFFUSE_INTENSITY, 7.5, &FrameSettings::ibl_diffuse_intensity, 1.0f},
        {IBL_SPECULAR_INTENSITY, 2.5, &FrameSettings::ibl_specular_intensity, 0.5f},
        {IBL_EXPOSURE, -20.0, &FrameSettings::ibl_exposure, -20.0f},
        {IBL_GAMMA, 2.2, &FrameSettings::ibl_gamma, 2.2f},
    };
    for (const auto& [index, value, field, expected] : sliders) {
        FakeSceneHost host;
        host.SetSlider(index, value);
        EXPECT_EQ(Build(host).*field, expected) << "param " << index << " = " << value;
    }

    FakeSceneHost host;
    host.SetColor(INCIDENCE_COLOR, 0, 255, 128, 0);
    host.SetColor(RIMLIGHT_COLOR, 255, 0, 51, 255);
    host.SetColor(IBL_TINT, 9, 255, 255, 128);
    host.SetAngleRaw(RIMLIGHT_ANGLE, 90 * 65536);
    host.SetAngleRaw(IBL_ROTATION_X, 45 * 65536);
    host.SetAngleRaw(IBL_ROTATION_Y, -90 * 65536);
    host.SetAngleRaw(IBL_ROTATION_Z, 180 * 65536);
    host.SetCheckbox(INCIDENCE_ENABLE, 7);
    host.SetCheckbox(RIMLIGHT_ENABLE, -1);
    host.SetCheckbox(IBL_ENABLE, 1);
    host.SetCheckbox(IBL_PREVIEW_SPHERE, 0);
    const FrameSettings fs = Build(host);
    EXPECT_EQ(V3({fs.incidence_r, fs.incidence_g, fs.incidence_b}), V3({1.0f, 128.0f / 255.0f, 0.0f}));
    EXPECT_EQ(V3({fs.rimlight_r, fs.rimlight_g, fs.rimlight_b}), V3({0.0f, 0.2f, 1.0f}));
    EXPECT_EQ(V3({fs.ibl_tint_r, fs.ibl_tint_g, fs.ibl_tint_b}), V3({1.0f, 1.0f, 128.0f / 255.0f}));
    // X and Y are stored swapped relative to the control order, Z carries +pi.
    EXPECT_EQ(V3({fs.ibl_rotation_x, fs.ibl_rotation_y, fs.ibl_rotation_z}),
              V3({SingleAngle(45 * 65536), SingleAngle(-90 * 65536), SingleAngle(180 * 65536) + 3.1415927f}));
    EXPECT_TRUE(fs.incidence_enable == 1 && fs.rimlight_enable == 1 && fs.ibl_enable == 1);
    EXPECT_EQ(fs.preview_sphere, 0);
}

TEST(FrameSettingsBuild, EachConversionUsesItsStatedPrecision) {
    // Values where the two orders of rounding disagree, so a wrong order is visible.
    const int32_t raw = 102948;
    ASSERT_NE(SingleAngle(raw), DoubleAngle(raw));
    const double slider = 0.7;
    const float narrowedFirst = static_cast<float>(slider) / 100.0f;
    ASSERT_NE(narrowedFirst, static_cast<float>(slider / 100.0));
    const double bias = 1.3;
    ASSERT_NE(static_cast<float>(bias) / 50.0f, static_cast<float>(bias / 50.0));
    const double blend = 0.1;
    const float s = static_cast<float>(blend) / 100.0f;
    ASSERT_NE(s * s, static_cast<float>((blend / 100.0) * (blend / 100.0)));

    FakeSceneHost host;
    host.SetAngleRaw(RIMLIGHT_ANGLE, raw);
    host.SetAngleRaw(IBL_ROTATION_Y, raw);
    host.SetSlider(PBR_ROUGHNESS, slider);
    host.SetSlider(IBL_ROUGHNESS_BIAS, bias);
    host.SetSlider(PBR_SOURCE_BLEND, blend);
    const FrameSettings fs = Build(host);
    EXPECT_EQ(fs.rimlight_angle, DoubleAngle(raw));
    EXPECT_EQ(fs.ibl_rotation_y, SingleAngle(raw));
    EXPECT_EQ(fs.roughness_adjust, narrowedFirst);
    EXPECT_EQ(fs.ibl_roughness_bias, static_cast<float>(bias) / 50.0f);
    EXPECT_EQ(fs.source_blend, s * s);
}

TEST(FrameSettingsBuild, FailedCheckoutsReadAsZeroAndAreStillCheckedIn) {
    FakeSceneHost host;
    for (PF_ParamIndex i : kFrameParamOrder) {
        host.SetSlider(i, 42.0);  // must not leak through a failed checkout
        host.paramErr[i] = PF_Err_BAD_CALLBACK_PARAM;
    }
    FrameSettings expected;
    std::memset(&expected, 0, sizeof expected);
    expected.output_mode = expected.ibl_output_mode = 1;
    expected.ibl_rotation_z = 3.1415927f;  // a zero rotation still carries pi
    for (bool callbacks : {true, false}) {
        SCOPED_TRACE(callbacks);
        if (!callbacks) {
            host.in.inter.checkout_param = nullptr;
            host.in.inter.checkin_param = nullptr;
        }
        FrameParams held;
        const FrameSettings fs = BuildFrameSettings(&host.in, held);
        EXPECT_EQ(held.held, callbacks);
        ReleaseFrameParams(&host.in, held);
        EXPECT_EQ(std::memcmp(&fs, &expected, sizeof fs), 0);
        EXPECT_EQ(host.checkedIn.size(), 25u);
    }
}

TEST(FrameSettingsBuild, BadSlidersStayDefined) {
    FakeSceneHost host;
    for (PF_ParamIndex i : kFrameParamOrder) host.SetSlider(i, 3.0);
    host.SetSlider(PBR_ROUGHNESS, NAN);
    host.SetSlider(PBR_SPECULAR, INFINITY);
    host.SetSlider(PBR_METALLIC, -1e300);
    host.SetSlider(IBL_DIFFUSE_INTENSITY, 1e300);
    host.SetSlider(IBL_GAMMA, -INFINITY);
    const FrameSettings fs = Build(host);
    EXPECT_EQ(fs.roughness_adjust, 0.0f);
    EXPECT_EQ(fs.specular_adjust, 0.0f);
    EXPECT_EQ(fs.metallic_adjust, -FLT_MAX / 100.0f);
    EXPECT_EQ(fs.ibl_diffuse_intensity, 1.0f);
    EXPECT_EQ(fs.ibl_gamma, 0.0f);
}

TEST(PassRecord, LightsConvertToViewSpace) {
    // View space has +z towards the viewer and +y up; the host's world +z into the screen and +y down.
    struct Case {
        SceneLightType type;
        V3 pos, dir;
        int32_t falloffType;
        float falloffDistance;
        int32_t pass;
        V3 expectedPos, expectedDir;
        float expectedDistance;
        int32_t expectedFalloff;
    };
    using T = SceneLightType;
    const Case cases[] = {
        {T::Directional, {960, 540, -500}, {0.6f, 0, 0.8f}, 1, 800, PASS_DIRECTIONAL, {}, {-0.6f, 0, 0.8f}, 0, 0},
        {T::Spot, {480, 270, -1000}, {.48f, .6f, .64f}, 1, 1080, PASS_SPOT, {.25f, .25f, 1}, {.48f, -.6f, -.64f}, 1, 1},
        // Aimed at the frame from the front: into the screen, away from the viewer it stands by.
        {T::Spot, {1920, 0, -500}, {0, 0, 1}, -1, 1080, PASS_SPOT, {1, 0, 0.5f}, {0, 0, -1}, 0, -1},
        {T::Point, {960, 540, -500}, {0, 0, 1}, 0, 800, PASS_POINT, {0.5f, 0.5f, 0.5f}, {}, 0, 0},
        {T::Point, {0, 1080, 250}, {0, 0, 1}, 2, 540, PASS_POINT, {0, 1, -0.25f}, {}, 0.5f, 2},
        {T::Ambient, {99, 9, 9}, {0, 0, 1}, 1, 540, PASS_AMBIENT, {}, {}, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.pass << " at " << k.pos[0]);
        SceneLight l = Light(k.type);
        std::copy(k.pos.begin(), k.pos.end(), l.position);
        std::copy(k.dir.begin(), k.dir.end(), l.direction);
        l.falloffType = k.falloffType;
        l.falloffDistance = k.falloffDistance;
        l.falloffRadius = 12345.0f;  // carried for the cache key, never used here
        l.coneAngle = 0.5f;
        l.coneFeather = 0.25f;
        const auto r = MakePassRecord(Template(), l, 1920.0f, 1080.0f, true);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->pass_type, k.pass);
        EXPECT_EQ(V3({r->light_pos_x, r->light_pos_y, r->light_pos_z}), k.expectedPos);
        EXPECT_EQ(V3({r->light_dir_x, r->light_dir_y, r->light_dir_z}), k.expectedDir);
        EXPECT_EQ(r->falloff_distance, k.expectedDistance);
        EXPECT_EQ(r->falloff_type, k.expectedFalloff);
        EXPECT_EQ(r->light_decay, static_cast<float>(k.expectedFalloff));
        const bool spot = k.type == T::Spot;
        EXPECT_TRUE(r->cone_angle == (spot ? 0.5f : 0.0f) && r->cone_feather == (spot ? 0.25f : 0.0f));
        EXPECT_TRUE(r->light_aux_a == 0.0f && r->light_aux_b == 0.0f && r->is_first_light == 0);
        EXPECT_EQ(V3({r->light_r, r->light_g, r->light_b}), V3({0.1f, 0.2f, 0.3f}));
        EXPECT_TRUE(r->intensity == 5.0f && r->source_blend == 0.25f && r->stride == 40);  // template kept
    }
    // A zero or broken layer size keeps the record finite.
    SceneLight l = Light(SceneLightType::Point);
    l.position[0] = 5.0f;
    l.falloffType = 1;
    for (float size : {0.0f, -3.0f, NAN}) {
        const auto r = MakePassRecord(Template(), l, size, size, false);
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->light_pos_x == 0.0f && r->falloff_distance == 0.0f) << size;
    }
}

TEST(PassRecord, FirstLightFlagAcrossAFrameWithSkippedLightsAndTheIblPass) {
    // A light without a pass (unknown type, or not filled) does not count as written.
    SceneLight unfilled = Light(SceneLightType::Point);
    unfilled.valid = 0;
    const SceneLight lights[] = {Light(static_cast<SceneLightType>(5)), unfilled, Light(SceneLightType::Point),
                                 Light(static_cast<SceneLightType>(-1)), Light(SceneLightType::Spot)};
    bool written = false;
    std::vector<int32_t> flags;
    for (const SceneLight& l : lights) {
        if (auto r = MakePassRecord(Template(), l, 10.0f, 10.0f, written)) {
            flags.push_back(r->is_first_light);
            written = true;
        }
    }
    EXPECT_EQ(flags, (std::vector<int32_t>{1, 0}));
    const auto rim = MakePassRecord(Template(), PASS_INCIDENCE_RIM, written);
    ASSERT_TRUE(rim);
    EXPECT_EQ(rim->pass_type, PASS_INCIDENCE_RIM);
    EXPECT_EQ(rim->is_first_light, 0);
    EXPECT_EQ(MakePassRecord(Template(), PASS_INCIDENCE_RIM, false)->is_first_light, 1);
    EXPECT_FALSE(MakePassRecord(Template(), PASS_SPOT, false));
    EXPECT_FALSE(MakePassRecord(Template(), static_cast<PassType>(9), false));

    // The environment pass carries no light and always starts the frame.
    FrameSettings t = Template();
    t.light_r = t.light_g = t.light_b = 0.7f;
    t.intensity = 3.0f;
    const auto ibl = MakePassRecord(t, PASS_IBL, true);
    ASSERT_TRUE(ibl);
    EXPECT_TRUE(ibl->pass_type == PASS_IBL && ibl->is_first_light == 1 && ibl->source_blend == 0.25f);
    EXPECT_TRUE(ibl->light_r == 0.0f && ibl->light_g == 0.0f && ibl->light_b == 0.0f && ibl->intensity == 0.0f);
}

TEST(FrameContextTest, WorldDepthFromTheWorldAlone) {
    // flags, width, row bytes, depth: the deep flag wins; otherwise 16 bytes a pixel make 32-bit.
    const std::tuple<PF_WorldFlags, A_long, A_long, int32_t> cases[] = {
        {PF_WorldFlag_DEEP, 37, 37 * 8, 16},
        {PF_WorldFlag_DEEP | PF_WorldFlag_WRITEABLE, 37, 37 * 16, 16},
        {0, 37, 37 * 16, 32},
        {0, 37, 37 * 16 + 64, 32},
        {0, 37, 37 * 4, 8},
        {0, 37, 37 * 8 + 4, 8},
        {0, 0x7FFFFFFF, 0x7FFFFFFF, 8}};
    for (const auto& [flags, width, rowbytes, depth] : cases) {
        PF_EffectWorld w;
        std::memset(&w, 0, sizeof w);
        w.world_flags = flags;
        w.width = width;
        w.rowbytes = rowbytes;
        EXPECT_EQ(WorldPixelDepth(w), depth) << width << " " << rowbytes;
    }
}

TEST(FrameContextTest, HdriBuffersAreSizedOrRefused) {
    FrameContext ctx;
    ctx.hdriWidth = 5;
    ctx.hdriHeight = 3;
    ASSERT_TRUE(AllocateHdriBuffers(ctx));
    EXPECT_TRUE(ctx.hdriDiffuse.size() == 60u && ctx.hdriSpecular.size() == 60u && ctx.hdriScratch.size() == 60u);
    for (auto [w, h] : {std::pair{0, 3}, std::pair{5, -1}, std::pair{-4, -4}}) {
        ctx.hdriWidth = w;
        ctx.hdriHeight = h;
        EXPECT_FALSE(AllocateHdriBuffers(ctx));
        EXPECT_TRUE(ctx.hdriDiffuse.empty() && ctx.hdriSpecular.empty() && ctx.hdriScratch.empty());
    }
}
