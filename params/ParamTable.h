// The one table of the effect's controls: registration, the UI updates and the
// tests all read it, so a control is described in exactly one place.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "params/ParamIndex.h"

namespace morvel {

// Values are the host's parameter kind numbers.
enum class ParamKind : int32_t {
    Layer = 0,
    Angle = 3,
    Checkbox = 4,
    Color = 5,
    FloatSlider = 10,
    GroupStart = 13,
    GroupEnd = 14,
};

// Parameter flags the table uses (the host's values).
inline constexpr int32_t kFlagCollapseTwirly = 0x20;
inline constexpr int32_t kFlagSupervise = 0x40;

struct ParamSpec {
    ParamIndex index;
    std::string_view name;
    ParamKind kind;
    int32_t id;
    int32_t flags = 0;
    float defaultValue = 0;  // float sliders only
    float validMin = 0;
    float validMax = 0;
    float sliderMin = 0;
    float sliderMax = 0;
    int16_t decimals = 0;
};

namespace detail {
constexpr ParamSpec Group(ParamIndex i, std::string_view name, int32_t flags = 0) {
    return {i, name, ParamKind::GroupStart, i, flags};
}
constexpr ParamSpec End(ParamIndex i) { return {i, "", ParamKind::GroupEnd, i}; }
constexpr ParamSpec Layer(ParamIndex i, std::string_view name, int32_t flags = 0) {
    return {i, name, ParamKind::Layer, i, flags};
}
constexpr ParamSpec Slider(ParamIndex i, std::string_view name, float def, float lo, float hi, int16_t decimals) {
    return {i, name, ParamKind::FloatSlider, i, 0, def, lo, hi, lo, hi, decimals};
}
constexpr ParamSpec Check(ParamIndex i, std::string_view name) { return {i, name, ParamKind::Checkbox, i}; }
constexpr ParamSpec Angle(ParamIndex i, std::string_view name) { return {i, name, ParamKind::Angle, i}; }
constexpr ParamSpec Color(ParamIndex i, std::string_view name, int32_t id) { return {i, name, ParamKind::Color, id}; }
}  // namespace detail

// Registered parameters, indices 1 .. PARAM_COUNT - 1 in registration order.
inline constexpr std::array<ParamSpec, PARAM_COUNT - 1> kParamTable = [] {
    using namespace detail;
    return std::array<ParamSpec, PARAM_COUNT - 1>{{
        Group(GROUP_PASSES_START, "Morvel Passes"),
        Layer(LAYER_DIFFUSE_ALBEDO, "Diffuse Albedo"),
        Layer(LAYER_NORMAL, "Normal Map"),
        Layer(LAYER_ROUGHNESS, "Roughness"),
        Layer(LAYER_METALNESS, "Metalness"),
        Layer(LAYER_SPECULAR_ALBEDO, "Specular Albedo"),
        Layer(LAYER_DEPTH, "Depth Map"),
        Layer(LAYER_SOURCE, "Source (for Blend)"),
        End(GROUP_PASSES_END),

        Group(GROUP_PBR_START, "PBR Controller"),
        Slider(PBR_SOURCE_BLEND, "Source Blend", 0, 0, 100, 1),
        Slider(PBR_ROUGHNESS, "Roughness Adjust", 0, -200, 200, 1),
        Slider(PBR_SPECULAR, "Specular Adjust", 0, -200, 200, 1),
        Slider(PBR_METALLIC, "Metallic Adjust", 0, -200, 200, 1),
        End(GROUP_PBR_END),

        Group(GROUP_IBL_START, "Environment (IBL)", kFlagCollapseTwirly),
        Check(IBL_ENABLE, "Enable IBL"),
        Layer(IBL_HDRI, "HDRI", kFlagSupervise),
        Angle(IBL_ROTATION_Y, "HDRI Rotation Y"),
        Angle(IBL_ROTATION_X, "HDRI Rotation X"),
        Angle(IBL_ROTATION_Z, "HDRI Rotation Z"),
        Slider(IBL_DIFFUSE_INTENSITY, "Diffuse Intensity", 1, 0, 5, 2),
        Slider(IBL_SPECULAR_INTENSITY, "Specular Intensity", 1, 0, 5, 2),
        Slider(IBL_EXPOSURE, "HDRI Exposure", 0, -20, 4, 2),
        Slider(IBL_GAMMA, "HDRI Gamma", 1, 0.1f, 10, 2),
        Slider(IBL_ROUGHNESS_BIAS, "HDRI Roughness Bias", 0, 0, 100, 1),
        // Saved projects know the tint by identifier 0, not by its index.
        Color(IBL_TINT, "HDRI Tint", 0),
        Check(IBL_PREVIEW_SPHERE, "Preview Sphere"),
        End(GROUP_IBL_END),

        Group(GROUP_INCIDENCE_START, "Incidence", kFlagCollapseTwirly),
        Check(INCIDENCE_ENABLE, "Enable Incidence"),
        Slider(INCIDENCE_AMOUNT, "Amount", 50, 0, 200, 1),
        Slider(INCIDENCE_POWER, "Power", 2, 0.1f, 10, 2),
        Color(INCIDENCE_COLOR, "Color", INCIDENCE_COLOR),
        End(GROUP_INCIDENCE_END),

        Group(GROUP_RIMLIGHT_START, "Rim Light", kFlagCollapseTwirly),
        Check(RIMLIGHT_ENABLE, "Enable Rim Light"),
        Slider(RIMLIGHT_AMOUNT, "Amount", 50, 0, 200, 1),
        Slider(RIMLIGHT_POWER, "Power", 2, 0.1f, 10, 2),
        Slider(RIMLIGHT_THRESHOLD, "Threshold", 0, 0, 100, 1),
        Color(RIMLIGHT_COLOR, "Color", RIMLIGHT_COLOR),
        Angle(RIMLIGHT_ANGLE, "Angle"),
        End(GROUP_RIMLIGHT_END),
    }};
}();

constexpr bool TableFollowsIndices() {
    for (std::size_t i = 0; i < kParamTable.size(); ++i)
        if (kParamTable[i].index != static_cast<ParamIndex>(i + 1)) return false;
    return true;
}
static_assert(TableFollowsIndices(), "the table must list every registered index in order");

// The controls greyed out while no HDRI layer is assigned, in update order.
inline constexpr std::array<ParamIndex, 11> kIblControls = {
    IBL_ENABLE,   IBL_ROTATION_Y, IBL_ROTATION_X,     IBL_ROTATION_Z, IBL_DIFFUSE_INTENSITY, IBL_SPECULAR_INTENSITY,
    IBL_EXPOSURE, IBL_GAMMA,      IBL_ROUGHNESS_BIAS, IBL_TINT,       IBL_PREVIEW_SPHERE,
};

}  // namespace morvel
