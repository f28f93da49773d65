// The frame template read from the parameters, the pass records made from it, and
// the frame context's depth rule and HDRI buffers.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "FakeSceneHost.h"
#include "render/FrameContext.h"
#include "render/FrameSettingsBuild.h"
#include "shading/AnalyticLights.h"

using namespace morvel;
using morvel::test::FakeSceneHost;

namespace {

FrameSettings Build(FakeSceneHost& host) {
    FrameParams held;
    FrameSettings fs = BuildFrameSettings(&host.in, held);
    ReleaseFrameParams(&host.in, held);
    return fs;
}

float SingleAngle(int32_t raw) { return static_cast<float>(raw) * (1.0f / 65536.0f) * 0.017453292f; }
float DoubleAngle(int32_t raw) { return static_cast<float>(raw / 65536.0 * 0.017453292519943295); }

SceneLight Light(SceneLightType type) {
    SceneLight l;
    std::memset(&l, 0, sizeof l);
    l.type = type;
    l.valid = 1;
    l.direction[2] = 1.0f;
    l.color[0] = 0.1f;
    l.color[1] = 0.2f;
    l.color[2] = 0.3f;
    l.intensity = 5.0f;
    return l;
}

FrameSettings Template() {
    FrameSettings t;
    std::memset(&t, 0, sizeof t);
    t.source_blend = 0.25f;
    t.width = 37;
    t.height = 23;
    t.stride = 40;
    t.output_mode = 1;
    t.ibl_output_mode = 1;
    return t;
}

}  // namespace

TEST(FrameSettingsBuild, ChecksOutAndInTheTwentyFiveInOrderAtTheFrameTime) {
    FakeSceneHost host;
    host.in.current_time = 7;
    host.in.time_step = 3;
    host.in.time_scale = 600;
    Build(host);
    const std::vector<PF_ParamIndex> order = {11, 12, 13, 14, 31, 32, 33, 34, 37, 38, 39, 40, 41,
                                              42, 17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
    EXPECT_EQ(host.checkedOut, order);
    EXPECT_EQ(host.checkedIn, order);  // each with the definition its checkout filled
    EXPECT_TRUE(host.ParamsBalanced());
    for (const auto& [index, time, step, scale] : host.paramTimes) {
        EXPECT_EQ(time, 7) << index;
        EXPECT_EQ(step, 3) << index;
        EXPECT_EQ(scale, 600u) << index;
    }
}

TEST(FrameSettingsBuild, ReleaseHappensOnceAndTheGuardCoversExceptions) {
    FakeSceneHost host;
    {
        FrameParams held;
        BuildFrameSettings(&host.in, held);
        ReleaseFrameParams(&host.in, held);
        ReleaseFrameParams(&host.in, held);
    }
    EXPECT_EQ(host.checkedIn.size(), 25u);

    FakeSceneHost other;
    try {
        FrameParams held;
        FrameParamsGuard guard(&other.in, held);
        BuildFrameSettings(&other.in, held);
        throw std::runtime_error("pass failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(other.checkedIn.size(), 25u);
    EXPECT_TRUE(other.ParamsBalanced());
}

TEST(FrameSettingsBuild, WorkedValues) {
    struct SliderCase {
        PF_ParamIndex index;
        double value;
        float FrameSettings::*field;
        float expected;
    };
    const SliderCase sliders[] = {
        {PBR_SOURCE_BLEND, 50.0, &FrameSettings::source_blend, 0.25f},
        {PBR_SOURCE_BLEND, 100.0, &FrameSettings::source_blend, 1.0f},
        {PBR_SOURCE_BLEND, 0.0, &FrameSettings::source_blend, 0.0f},
        {PBR_ROUGHNESS, -150.0, &FrameSettings::roughness_adjust, -1.5f},
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
        {IBL_ROUGHNESS_BIAS, 25.0, &FrameSettings::ibl_roughness_bias, 0.5f},
    };
    for (const SliderCase& k : sliders) {
        FakeSceneHost host;
        host.SetSlider(k.index, k.value);
        EXPECT_EQ(Build(host).*k.field, k.expected) << "param " << k.index << " = " << k.value;
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
    EXPECT_EQ(fs.incidence_r, 1.0f);
    EXPECT_EQ(fs.incidence_g, 128.0f / 255.0f);
    EXPECT_EQ(fs.incidence_b, 0.0f);
    EXPECT_EQ(fs.rimlight_r, 0.0f);
    EXPECT_EQ(fs.rimlight_g, 0.2f);
    EXPECT_EQ(fs.rimlight_b, 1.0f);
    EXPECT_EQ(fs.ibl_tint_b, 128.0f / 255.0f);
    EXPECT_EQ(fs.rimlight_angle, 1.5707964f);
    // X and Y are stored swapped relative to the control order, Z carries +pi.
    EXPECT_EQ(fs.ibl_rotation_x, SingleAngle(45 * 65536));
    EXPECT_EQ(fs.ibl_rotation_y, SingleAngle(-90 * 65536));
    EXPECT_EQ(fs.ibl_rotation_z, SingleAngle(180 * 65536) + 3.1415927f);
    EXPECT_EQ(fs.incidence_enable, 1);
    EXPECT_EQ(fs.rimlight_enable, 1);
    EXPECT_EQ(fs.ibl_enable, 1);
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
    const FrameSettings fs = Build(host);
    FrameSettings expected;
    std::memset(&expected, 0, sizeof expected);
    expected.output_mode = 1;
    expected.ibl_output_mode = 1;
    expected.ibl_rotation_z = 3.1415927f;
    EXPECT_EQ(std::memcmp(&fs, &expected, sizeof fs), 0);
    EXPECT_EQ(host.checkedIn.size(), 25u);
}

TEST(FrameSettingsBuild, TemplateLeavesPassAndFrameFieldsZero) {
    FakeSceneHost host;
    for (PF_ParamIndex i : kFrameParamOrder) host.SetSlider(i, 3.0);
    const FrameSettings fs = Build(host);
    EXPECT_EQ(fs.pass_type, 0);
    EXPECT_EQ(fs.intensity, 0.0f);
    EXPECT_EQ(fs.light_dir_z, 0.0f);
    EXPECT_EQ(fs.cone_angle, 0.0f);
    EXPECT_EQ(fs.is_first_light, 0);
    EXPECT_EQ(fs.width, 0);
    EXPECT_EQ(fs.height, 0);
    EXPECT_EQ(fs.stride, 0);
    EXPECT_EQ(fs.ibl_intensity, 0.0f);
    EXPECT_EQ(fs.hdri_width, 0);
    EXPECT_EQ(fs.hdri_stride, 0);
    EXPECT_EQ(fs.output_mode, 1);
    EXPECT_EQ(fs.linearize_input, 0);
    EXPECT_EQ(fs.kernel_flag, 0);
    EXPECT_EQ(fs.ibl_output_mode, 1);
}

TEST(FrameSettingsBuild, NonFiniteSlidersReadAsZeroAndHugeOnesStayDefined) {
    FakeSceneHost host;
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

TEST(FrameSettingsBuild, HostWithoutParameterCallbacksGivesTheZeroTemplate) {
    FakeSceneHost host;
    host.in.inter.checkout_param = nullptr;
    host.in.inter.checkin_param = nullptr;
    FrameParams held;
    const FrameSettings fs = BuildFrameSettings(&host.in, held);
    ReleaseFrameParams(&host.in, held);
    EXPECT_EQ(fs.source_blend, 0.0f);
    EXPECT_EQ(fs.ibl_rotation_z, 3.1415927f);
    EXPECT_FALSE(held.held);
}

TEST(PassRecord, DirectionsOfDirectionalAndSpotLights) {
    const FrameSettings t = Template();
    SceneLight dir = Light(SceneLightType::Directional);
    dir.direction[0] = 0.6f;
    dir.direction[1] = 0.0f;
    dir.direction[2] = 0.8f;
    const auto d = MakePassRecord(t, dir, 1920.0f, 1080.0f, false);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->pass_type, PASS_DIRECTIONAL);
    EXPECT_EQ(d->light_dir_x, -0.6f);
    EXPECT_EQ(d->light_dir_y, 0.0f);
    EXPECT_EQ(d->light_dir_z, 0.8f);

    SceneLight spot = Light(SceneLightType::Spot);
    spot.direction[0] = 0.36f;
    spot.direction[1] = 0.48f;
    spot.direction[2] = 0.8f;
    spot.coneAngle = 0.5f;
    spot.coneFeather = 0.25f;
    const auto s = MakePassRecord(t, spot, 1920.0f, 1080.0f, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pass_type, PASS_SPOT);
    EXPECT_EQ(s->light_dir_x, 0.36f);
    EXPECT_EQ(s->light_dir_y, -0.48f);
    EXPECT_EQ(s->light_dir_z, -0.8f);
    EXPECT_EQ(s->cone_angle, 0.5f);
    EXPECT_EQ(s->cone_feather, 0.25f);
}

TEST(PassRecord, FrontalSpotAimsAwayFromTheViewerAndLightsTheFrame) {
    // A spot 500 px in front of the layer's centre, aimed at it: the host's z axis of
    // the light points into the screen.
    SceneLight spot = Light(SceneLightType::Spot);
    spot.position[0] = 18.5f;
    spot.position[1] = 11.5f;
    spot.position[2] = -500.0f;
    spot.coneAngle = 0.3f;
    spot.coneFeather = 0.5f;
    const auto rec = MakePassRecord(Template(), spot, 37.0f, 23.0f, false);
    ASSERT_TRUE(rec);
    EXPECT_LT(rec->light_dir_z, 0.0f);
    EXPECT_GT(rec->light_pos_z, 0.0f);  // the light itself is on the viewer's side
    const LightSample centre = lightForPixel(*rec, 18, 11);
    EXPECT_GT(centre.attenuation, 0.0f);

    // Turned round, it lights nothing in front of it.
    spot.direction[2] = -1.0f;
    const auto away = MakePassRecord(Template(), spot, 37.0f, 23.0f, false);
    ASSERT_TRUE(away);
    EXPECT_EQ(lightForPixel(*away, 18, 11).attenuation, 0.0f);
}

TEST(PassRecord, PositionAndFalloffScaling) {
    struct Case {
        SceneLightType type;
        float pos[3];
        int32_t falloffType;
        float falloffDistance;
        float expectedPos[3];
        float expectedDecay;
        float expectedDistance;
    };
    const Case cases[] = {
        {SceneLightType::Point, {960.0f, 540.0f, -500.0f}, 0, 800.0f, {0.5f, 0.5f, 0.5f}, 0.0f, 0.0f},
        {SceneLightType::Point, {0.0f, 1080.0f, 250.0f}, 2, 540.0f, {0.0f, 1.0f, -0.25f}, 2.0f, 0.5f},
        {SceneLightType::Spot, {480.0f, 270.0f, -1000.0f}, 1, 1080.0f, {0.25f, 0.25f, 1.0f}, 1.0f, 1.0f},
        {SceneLightType::Spot, {1920.0f, 0.0f, 0.0f}, -1, 1080.0f, {1.0f, 0.0f, 0.0f}, -1.0f, 0.0f},
    };
    for (const Case& k : cases) {
        SceneLight l = Light(k.type);
        std::copy(k.pos, k.pos + 3, l.position);
        l.falloffType = k.falloffType;
        l.falloffDistance = k.falloffDistance;
        l.falloffRadius = 12345.0f;  // carried for the cache key, never used here
        const auto r = MakePassRecord(Template(), l, 1920.0f, 1080.0f, true);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->light_pos_x, k.expectedPos[0]);
        EXPECT_EQ(r->light_pos_y, k.expectedPos[1]);
        EXPECT_EQ(r->light_pos_z, k.expectedPos[2]);
        EXPECT_EQ(r->light_decay, k.expectedDecay);
        EXPECT_EQ(r->falloff_type, k.falloffType);
        EXPECT_EQ(r->falloff_distance, k.expectedDistance);
        EXPECT_EQ(r->light_aux_a, 0.0f);
        EXPECT_EQ(r->light_aux_b, 0.0f);
        EXPECT_EQ(r->light_r, 0.1f);
        EXPECT_EQ(r->light_g, 0.2f);
        EXPECT_EQ(r->light_b, 0.3f);
        EXPECT_EQ(r->intensity, 5.0f);
        EXPECT_EQ(r->is_first_light, 0);
        // Template fields and the frame geometry travel unchanged.
        EXPECT_EQ(r->source_blend, 0.25f);
        EXPECT_EQ(r->stride, 40);
    }
}

TEST(PassRecord, ZeroLayerSizeKeepsTheRecordFinite) {
    SceneLight l = Light(SceneLightType::Point);
    l.position[0] = 5.0f;
    l.falloffType = 1;
    for (float size : {0.0f, -3.0f, NAN}) {
        const auto r = MakePassRecord(Template(), l, size, size, false);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->light_pos_x, 0.0f);
        EXPECT_EQ(r->falloff_distance, 0.0f);
    }
}

TEST(PassRecord, AmbientSetsOnlyItsTypeColourAndIntensity) {
    SceneLight l = Light(SceneLightType::Ambient);
    l.position[0] = 99.0f;
    l.coneAngle = 1.0f;
    const auto r = MakePassRecord(Template(), l, 10.0f, 10.0f, false);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->pass_type, PASS_AMBIENT);
    EXPECT_EQ(r->light_pos_x, 0.0f);
    EXPECT_EQ(r->light_dir_z, 0.0f);
    EXPECT_EQ(r->cone_angle, 0.0f);
    EXPECT_EQ(r->light_g, 0.2f);
    EXPECT_EQ(r->is_first_light, 1);
}

TEST(PassRecord, LightsWithoutAPassGiveNothing) {
    SceneLight unknown = Light(static_cast<SceneLightType>(7));
    EXPECT_FALSE(MakePassRecord(Template(), unknown, 10.0f, 10.0f, false));
    SceneLight unfilled = Light(SceneLightType::Point);
    unfilled.valid = 0;
    EXPECT_FALSE(MakePassRecord(Template(), unfilled, 10.0f, 10.0f, false));
    EXPECT_FALSE(MakePassRecord(Template(), PASS_SPOT, false));
    EXPECT_FALSE(MakePassRecord(Template(), static_cast<PassType>(9), false));
}

TEST(PassRecord, FirstLightFlagAcrossAFrameWithSkippedLights) {
    // The frame flow's bookkeeping: a light without a pass does not count as written.
    const SceneLight lights[] = {Light(static_cast<SceneLightType>(5)), Light(SceneLightType::Point),
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
}

TEST(PassRecord, IblClearsLightFieldsAndIsAlwaysFirst) {
    FrameSettings t = Template();
    t.light_r = t.light_g = t.light_b = 0.7f;
    t.intensity = 3.0f;
    const auto r = MakePassRecord(t, PASS_IBL, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->pass_type, PASS_IBL);
    EXPECT_EQ(r->light_r, 0.0f);
    EXPECT_EQ(r->light_b, 0.0f);
    EXPECT_EQ(r->intensity, 0.0f);
    EXPECT_EQ(r->is_first_light, 1);
    EXPECT_EQ(r->source_blend, 0.25f);
}

TEST(FrameContextTest, WorldDepthFromTheWorldAlone) {
    struct Case {
        PF_WorldFlags flags;
        A_long width;
        A_long rowbytes;
        int32_t depth;
    };
    const Case cases[] = {
        {PF_WorldFlag_DEEP, 37, 37 * 8, 16},
        {PF_WorldFlag_DEEP | PF_WorldFlag_WRITEABLE, 37, 37 * 16, 16},  // the flag wins
        {0, 37, 37 * 16, 32},
        {0, 37, 37 * 16 + 64, 32},
        {0, 37, 37 * 4, 8},
        {0, 37, 37 * 8 + 4, 8},  // padded 8-bit rows stay 8-bit below 16 bytes a pixel
        {0, 0x7FFFFFFF, 0x7FFFFFFF, 8},
    };
    for (const Case& k : cases) {
        PF_EffectWorld w;
        std::memset(&w, 0, sizeof w);
        w.world_flags = k.flags;
        w.width = k.width;
        w.rowbytes = k.rowbytes;
        EXPECT_EQ(WorldPixelDepth(w), k.depth) << k.width << " " << k.rowbytes;
    }
}

TEST(FrameContextTest, HdriBuffersAreSizedOrRefused) {
    FrameContext ctx;
    EXPECT_EQ(ctx.input, nullptr);
    EXPECT_EQ(ctx.passes[6], nullptr);
    EXPECT_EQ(ctx.passRowBytes[3], 0);
    ctx.hdriWidth = 5;
    ctx.hdriHeight = 3;
    ASSERT_TRUE(AllocateHdriBuffers(ctx));
    EXPECT_EQ(ctx.hdriDiffuse.size(), 60u);
    EXPECT_EQ(ctx.hdriSpecular.size(), 60u);
    EXPECT_EQ(ctx.hdriScratch.size(), 60u);
    for (auto [w, h] : {std::pair{0, 3}, std::pair{5, -1}, std::pair{-4, -4}}) {
        ctx.hdriWidth = w;
        ctx.hdriHeight = h;
        EXPECT_FALSE(AllocateHdriBuffers(ctx));
        EXPECT_TRUE(ctx.hdriDiffuse.empty() && ctx.hdriSpecular.empty() && ctx.hdriScratch.empty());
    }
}
