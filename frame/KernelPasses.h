// The kernel's pass values built from a frame's pass record, once per pass, by the
// host code of every back end (C++ only). Whatever depends only on the record (light
// direction, cone cosines, map scales, rotation sines and cosines) is computed here,
// so every back end shades with the very same values.
#pragma once

#include "frame/FrameSettings.h"
#include "kernel/Passes.h"

namespace morvel {

static_assert(int{LIGHT_DIRECTIONAL} == int{PASS_DIRECTIONAL} && int{LIGHT_POINT} == int{PASS_POINT} &&
              int{LIGHT_SPOT} == int{PASS_SPOT} && int{LIGHT_AMBIENT} == int{PASS_AMBIENT});
static_assert(TWO_PI == 2.0f * PI);

inline LightPass LightPassOf(const FrameSettings& fs) {
    LightPass p{};
    p.kind = fs.pass_type;
    p.is_first = fs.is_first_light != 0;
    p.width = fs.width;
    p.height = fs.height;
    p.aspect = frameAspect(fs.width, fs.height);
    p.light_r = fs.light_r;
    p.light_g = fs.light_g;
    p.light_b = fs.light_b;
    p.intensity = fs.intensity;
    p.pos_x = fs.light_pos_x;
    p.pos_y = fs.light_pos_y;
    p.pos_z = fs.light_pos_z;
    p.decay = fs.light_decay;
    p.falloff_distance = fs.falloff_distance;
    const Float3 dir = make_float3(fs.light_dir_x, fs.light_dir_y, fs.light_dir_z);
    Float3 unit = make_float3(0.0f, 0.0f, 0.0f);
    if (fs.pass_type == PASS_DIRECTIONAL) {
        unit = directionalLight(dir).L;
    } else if (fs.pass_type == PASS_SPOT) {
        const SpotCone cone = makeSpotCone(dir, fs.cone_angle, fs.cone_feather);
        unit = cone.axis;
        p.cos_outer = cone.cosOuter;
        p.cos_inner = cone.cosInner;
    }
    p.dir_x = unit.x;
    p.dir_y = unit.y;
    p.dir_z = unit.z;
    const SampleScales s =
        makeSampleScales(fs.source_blend, fs.roughness_adjust, fs.specular_adjust, fs.metallic_adjust);
    p.source_blend = s.source_blend;
    p.roughness_scale = s.roughness;
    p.specular_scale = s.specular;
    p.metallic_scale = s.metallic;
    return p;
}

inline IncidenceRimPass IncidenceRimPassOf(const FrameSettings& fs) {
    IncidenceRimPass p{};
    p.is_first = fs.is_first_light != 0;
    p.incidence_enable = fs.incidence_enable;
    p.incidence_amount = fs.incidence_amount;
    p.incidence_power = fs.incidence_power;
    p.incidence_r = fs.incidence_r;
    p.incidence_g = fs.incidence_g;
    p.incidence_b = fs.incidence_b;
    p.rimlight_enable = fs.rimlight_enable;
    p.rimlight_amount = fs.rimlight_amount;
    p.rimlight_power = fs.rimlight_power;
    p.rimlight_threshold = fs.rimlight_threshold;
    p.rimlight_r = fs.rimlight_r;
    p.rimlight_g = fs.rimlight_g;
    p.rimlight_b = fs.rimlight_b;
    const Float3 dir = rimDirection(fs.rimlight_angle);
    p.rim_dir_x = dir.x;
    p.rim_dir_y = dir.y;
    return p;
}

// frameWidth and frameHeight place the preview sphere.
inline IblPass IblPassOf(const FrameSettings& fs, int frameWidth, int frameHeight) {
    IblPass p = makeIblPass(fs.ibl_rotation_x, fs.ibl_rotation_y, fs.ibl_rotation_z,
                            make_float3(fs.ibl_tint_r, fs.ibl_tint_g, fs.ibl_tint_b), fs.ibl_diffuse_intensity,
                            fs.ibl_specular_intensity, fs.ibl_exposure, fs.ibl_gamma);
    p.is_first = fs.pass_type == PASS_IBL && fs.is_first_light != 0;
    p.preview_sphere = fs.preview_sphere != 0;
    p.frame_width = frameWidth;
    p.frame_height = frameHeight;
    return p;
}

}  // namespace morvel
