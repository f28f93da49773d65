// One pass's worth of shading inputs, flat so that the GPU back ends can hand
// every field to their kernels as a separate argument under the same name.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

enum PassType : int32_t {
    PASS_IBL = 0,
    PASS_DIRECTIONAL = 1,
    PASS_POINT = 2,
    PASS_SPOT = 3,
    PASS_AMBIENT = 4,
    PASS_INCIDENCE_RIM = 5,
};

// Field order is part of the contract with the kernels: append nothing, reorder nothing.
struct FrameSettings {
    int32_t pass_type;
    float light_r;
    float light_g;
    float light_b;
    float intensity;
    float light_dir_x;
    float light_dir_y;
    float light_dir_z;
    float light_pos_x;
    float light_pos_y;
    float light_pos_z;
    float light_aux_a;
    float light_decay;
    int32_t falloff_type;
    float light_aux_b;
    float falloff_distance;
    float cone_angle;
    float cone_feather;
    float source_blend;
    float roughness_adjust;
    float specular_adjust;
    float metallic_adjust;
    int32_t incidence_enable;
    float incidence_amount;
    float incidence_power;
    float incidence_r;
    float incidence_g;
    float incidence_b;
    int32_t rimlight_enable;
    float rimlight_amount;
    float rimlight_power;
    float rimlight_threshold;
    float rimlight_r;
    float rimlight_g;
    float rimlight_b;
    float rimlight_angle;
    int32_t is_first_light;
    int32_t output_mode;
    int32_t linearize_input;
    int32_t kernel_flag;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t ibl_enable;
    float ibl_intensity;
    float ibl_diffuse_intensity;
    float ibl_specular_intensity;
    float ibl_exposure;
    float ibl_gamma;
    float ibl_rotation_x;
    float ibl_rotation_y;
    float ibl_rotation_z;
    float ibl_roughness_bias;
    float ibl_tint_r;
    float ibl_tint_g;
    float ibl_tint_b;
    int32_t preview_sphere;
    int32_t ibl_output_mode;
    int32_t hdri_width;
    int32_t hdri_height;
    int32_t hdri_stride;
};

static_assert(sizeof(FrameSettings) == 61 * 4, "FrameSettings is 61 packed four-byte fields");
static_assert(offsetof(FrameSettings, source_blend) == 18 * 4);
static_assert(offsetof(FrameSettings, is_first_light) == 36 * 4);
static_assert(offsetof(FrameSettings, width) == 40 * 4);
static_assert(offsetof(FrameSettings, ibl_enable) == 43 * 4);
static_assert(offsetof(FrameSettings, hdri_stride) == 60 * 4);

}  // namespace morvel
