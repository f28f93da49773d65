#include "frame/FrameSettingsBuild.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "kernel/ShadingMath.h"

namespace morvel {
namespace {

constexpr float kFixedToDegrees = 1.0f / 65536.0f;  // exactly 2^-16
constexpr double kDegreesToRadiansD = 0.017453292519943295;

// Sliders arrive as doubles and are narrowed before any arithmetic. A value the
// host should never send must not make the narrowing undefined: NaN or infinity
// reads as 0, like an unfilled checkout, and finite values beyond float saturate.
float NarrowSlider(double value) {
    if (!std::isfinite(value)) {
        return 0.0f;
    }
    return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

float Slider(const PF_ParamDef& def) { return NarrowSlider(def.u.fs_d.value); }
int32_t Flag(const PF_ParamDef& def) { return def.u.bd.value != 0 ? 1 : 0; }

void Colour(const PF_ParamDef& def, float* r, float* g, float* b) {
    *r = static_cast<float>(def.u.cd.value.red) / 255.0f;
    *g = static_cast<float>(def.u.cd.value.green) / 255.0f;
    *b = static_cast<float>(def.u.cd.value.blue) / 255.0f;
}

float AngleSingle(const PF_ParamDef& def) {
    return static_cast<float>(def.u.ad.value) * kFixedToDegrees * DEGREES_TO_RADIANS;
}

float AngleDouble(const PF_ParamDef& def) {
    return static_cast<float>(static_cast<double>(def.u.ad.value) / 65536.0 * kDegreesToRadiansD);
}

// A zero or broken layer size has no pixels to light; 0 keeps the record finite.
float Over(float value, float size) { return (size > 0.0f && std::isfinite(size)) ? value / size : 0.0f; }

}  // namespace

FrameSettings BuildFrameSettings(PF_InData* in_data, FrameParams& params) {
    FrameSettings fs;
    std::memset(&fs, 0, sizeof fs);
    for (auto& def : params.defs) {
        std::memset(&def, 0, sizeof def);
    }
    if (in_data && in_data->inter.checkout_param) {
        for (int i = 0; i < kFrameParamCount; ++i) {
            in_data->inter.checkout_param(in_data->effect_ref, kFrameParamOrder[i], in_data->current_time,
                                          in_data->time_step, in_data->time_scale, &params.defs[i]);
        }
        params.held = true;
    }
    const auto& p = params.defs;  // slots follow kFrameParamOrder

    const float blend = Slider(p[0]) / 100.0f;
    fs.source_blend = blend * blend;
    fs.roughness_adjust = Slider(p[1]) / 100.0f;
    fs.specular_adjust = Slider(p[2]) / 100.0f;
    fs.metallic_adjust = Slider(p[3]) / 100.0f;

    fs.incidence_enable = Flag(p[4]);
    fs.incidence_amount = Slider(p[5]) / 100.0f;
    fs.incidence_power = Slider(p[6]);
    Colour(p[7], &fs.incidence_r, &fs.incidence_g, &fs.incidence_b);

    fs.rimlight_enable = Flag(p[8]);
    fs.rimlight_amount = Slider(p[9]) / 100.0f;
    fs.rimlight_power = Slider(p[10]);
    fs.rimlight_threshold = Slider(p[11]) / 100.0f;
    Colour(p[12], &fs.rimlight_r, &fs.rimlight_g, &fs.rimlight_b);
    fs.rimlight_angle = AngleDouble(p[13]);

    fs.ibl_enable = Flag(p[14]);
    // Stored X, Y, Z although the controls come Y, X, Z.
    fs.ibl_rotation_y = AngleSingle(p[15]);
    fs.ibl_rotation_x = AngleSingle(p[16]);
    fs.ibl_rotation_z = AngleSingle(p[17]) + PI;
    fs.ibl_diffuse_intensity = std::min(1.0f, Slider(p[18]) / 5.0f);
    fs.ibl_specular_intensity = std::min(1.0f, Slider(p[19]) / 5.0f);
    fs.ibl_exposure = Slider(p[20]);
    fs.ibl_gamma = Slider(p[21]);
    fs.ibl_roughness_bias = Slider(p[22]) / 50.0f;
    Colour(p[23], &fs.ibl_tint_r, &fs.ibl_tint_g, &fs.ibl_tint_b);
    fs.preview_sphere = Flag(p[24]);

    fs.output_mode = 1;
    fs.linearize_input = 0;
    fs.kernel_flag = 0;
    fs.ibl_output_mode = 1;
    return fs;
}

void ReleaseFrameParams(PF_InData* in_data, FrameParams& params) {
    if (!params.held) {
        return;
    }
    params.held = false;
    if (!in_data || !in_data->inter.checkin_param) {
        return;
    }
    for (auto& def : params.defs) {
        in_data->inter.checkin_param(in_data->effect_ref, &def);
    }
}

std::optional<FrameSettings> MakePassRecord(const FrameSettings& frame, PassType pass, bool earlier_pass_succeeded) {
    FrameSettings rec = frame;
    switch (pass) {
        case PASS_IBL:
            rec.pass_type = PASS_IBL;
            rec.light_r = rec.light_g = rec.light_b = 0.0f;
            rec.intensity = 0.0f;
            // When it runs it is always the frame's first pass.
            rec.is_first_light = 1;
            return rec;
        case PASS_INCIDENCE_RIM:
            rec.pass_type = PASS_INCIDENCE_RIM;
            rec.is_first_light = earlier_pass_succeeded ? 0 : 1;
            return rec;
        default:
            return std::nullopt;
    }
}

std::optional<FrameSettings> MakePassRecord(const FrameSettings& frame, const SceneLight& light, float layer_width,
                                            float layer_height, bool earlier_pass_succeeded) {
    if (!light.valid) {
        return std::nullopt;
    }
    FrameSettings rec = frame;
    auto setPositionAndFalloff = [&] {
        rec.light_pos_x = Over(light.position[0], layer_width);
        rec.light_pos_y = Over(light.position[1], layer_height);
        rec.light_pos_z = -light.position[2] / 1000.0f;
        rec.light_decay = static_cast<float>(light.falloffType);
        rec.falloff_type = light.falloffType;
        rec.falloff_distance = light.falloffType > 0 ? Over(light.falloffDistance, layer_height) : 0.0f;
        rec.light_aux_a = 0.0f;
        rec.light_aux_b = 0.0f;
    };
    // View space has +z towards the viewer and +y up, the host's world +z into the
    // screen and +y down. The directional record holds the vector towards the light.
    switch (light.type) {
        case SceneLightType::Directional:
            rec.pass_type = PASS_DIRECTIONAL;
            rec.light_dir_x = -light.direction[0];
            rec.light_dir_y = light.direction[1];
            rec.light_dir_z = light.direction[2];
            break;
        case SceneLightType::Spot:
            rec.pass_type = PASS_SPOT;
            setPositionAndFalloff();
            // The spot's axis, from the light towards what it lights, converted like its
            // position; keeping the host's z here would aim a frontal spot at the viewer.
            rec.light_dir_x = light.direction[0];
            rec.light_dir_y = -light.direction[1];
            rec.light_dir_z = -light.direction[2];
            rec.cone_angle = light.coneAngle;
            rec.cone_feather = light.coneFeather;
            break;
        case SceneLightType::Point:
            rec.pass_type = PASS_POINT;
            setPositionAndFalloff();
            break;
        case SceneLightType::Ambient:
            rec.pass_type = PASS_AMBIENT;
            break;
        default:
            return std::nullopt;
    }
    rec.is_first_light = earlier_pass_succeeded ? 0 : 1;
    rec.light_r = light.color[0];
    rec.light_g = light.color[1];
    rec.light_b = light.color[2];
    rec.intensity = light.intensity;
    return rec;
}

}  // namespace morvel
