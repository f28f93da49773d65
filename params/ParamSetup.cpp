#include "params/ParamSetup.h"

#include <algorithm>
#include <cstring>

#include "params/ParamTable.h"

namespace morvel {

static_assert(static_cast<int>(ParamKind::Layer) == PF_Param_LAYER);
static_assert(static_cast<int>(ParamKind::Angle) == PF_Param_ANGLE);
static_assert(static_cast<int>(ParamKind::Checkbox) == PF_Param_CHECKBOX);
static_assert(static_cast<int>(ParamKind::Color) == PF_Param_COLOR);
static_assert(static_cast<int>(ParamKind::FloatSlider) == PF_Param_FLOAT_SLIDER);
static_assert(static_cast<int>(ParamKind::GroupStart) == PF_Param_GROUP_START);
static_assert(static_cast<int>(ParamKind::GroupEnd) == PF_Param_GROUP_END);
static_assert(kFlagCollapseTwirly == PF_ParamFlag_COLLAPSE_TWIRLY);
static_assert(kFlagSupervise == PF_ParamFlag_SUPERVISE);

namespace {

constexpr float kCurveTolerance = 0.05f;
constexpr PF_Pixel kOpaqueWhite = {255, 255, 255, 255};

}  // namespace

PF_ParamDef MakeParamDef(int tableRow) {
    const ParamSpec& spec = kParamTable.at(static_cast<std::size_t>(tableRow));
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.uu.id = spec.id;
    def.param_type = static_cast<PF_ParamType>(spec.kind);
    def.flags = spec.flags;
    const std::size_t n = std::min(spec.name.size(), sizeof def.name - 1);
    std::memcpy(def.name, spec.name.data(), n);

    switch (spec.kind) {
        case ParamKind::Layer:
            def.u.ld.dephault = PF_LayerDefault_NONE;
            break;
        case ParamKind::FloatSlider: {
            PF_FloatSliderDef& fs = def.u.fs_d;
            fs.value = spec.defaultValue;
            fs.dephault = spec.defaultValue;
            fs.valid_min = spec.validMin;
            fs.valid_max = spec.validMax;
            fs.slider_min = spec.sliderMin;
            fs.slider_max = spec.sliderMax;
            fs.precision = spec.decimals;
            fs.curve_tolerance = kCurveTolerance;
            break;
        }
        case ParamKind::Checkbox:
            def.u.bd.u.nameptr = "";
            break;
        case ParamKind::Color:
            def.u.cd.value = kOpaqueWhite;
            def.u.cd.dephault = kOpaqueWhite;
            break;
        case ParamKind::Angle:  // 0 degrees, no range
        case ParamKind::GroupStart:
        case ParamKind::GroupEnd:
            break;
    }
    return def;
}

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data) {
    if (!in_data || !out_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (!in_data->inter.add_param) return PF_Err_INVALID_CALLBACK;
    for (int row = 0; row < static_cast<int>(kParamTable.size()); ++row) {
        PF_ParamDef def = MakeParamDef(row);
        if (const PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def)) return err;
    }
    out_data->num_params = PARAM_COUNT;
    return PF_Err_NONE;
}

}  // namespace morvel
