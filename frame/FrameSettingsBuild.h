// The per-frame template of shading values read from the parameters, and the pass
// records copied from it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "frame/FrameSettings.h"
#include "host/AE_Effect.h"
#include "params/ParamIndex.h"
#include "scene/SceneLight.h"

namespace morvel {

inline constexpr int kFrameParamCount = 25;

// Checkout order, and the order of check-in.
inline constexpr std::array<ParamIndex, kFrameParamCount> kFrameParamOrder = {
    PBR_SOURCE_BLEND,
    PBR_ROUGHNESS,
    PBR_SPECULAR,
    PBR_METALLIC,
    INCIDENCE_ENABLE,
    INCIDENCE_AMOUNT,
    INCIDENCE_POWER,
    INCIDENCE_COLOR,
    RIMLIGHT_ENABLE,
    RIMLIGHT_AMOUNT,
    RIMLIGHT_POWER,
    RIMLIGHT_THRESHOLD,
    RIMLIGHT_COLOR,
    RIMLIGHT_ANGLE,
    IBL_ENABLE,
    IBL_ROTATION_Y,
    IBL_ROTATION_X,
    IBL_ROTATION_Z,
    IBL_DIFFUSE_INTENSITY,
    IBL_SPECULAR_INTENSITY,
    IBL_EXPOSURE,
    IBL_GAMMA,
    IBL_ROUGHNESS_BIAS,
    IBL_TINT,
    IBL_PREVIEW_SPHERE,
};

// The definitions the host filled at checkout; they stay checked out until
// ReleaseFrameParams, one slot per entry of kFrameParamOrder.
struct FrameParams {
    std::array<PF_ParamDef, kFrameParamCount> defs{};
    bool held = false;
};

// Checks out the 25 value parameters at the frame's time and returns the template.
// Checkout errors are not examined: a definition the host leaves unfilled reads as
// zero. A slider value that is not a finite number also reads as zero.
FrameSettings BuildFrameSettings(PF_InData* in_data, FrameParams& params);

// Checks the 25 parameters back in, in checkout order. Does nothing when they are not
// held, so a second call (or the guard below after an explicit call) is harmless.
void ReleaseFrameParams(PF_InData* in_data, FrameParams& params);

// Returns the checkouts on every path out of a frame, exceptions included.
class FrameParamsGuard {
public:
    FrameParamsGuard(PF_InData* in_data, FrameParams& params) : in_data_(in_data), params_(params) {}
    ~FrameParamsGuard() { ReleaseFrameParams(in_data_, params_); }
    FrameParamsGuard(const FrameParamsGuard&) = delete;
    FrameParamsGuard& operator=(const FrameParamsGuard&) = delete;

private:
    PF_InData* in_data_;
    FrameParams& params_;
};

// Record for the IBL or the incidence-and-rim pass; nothing for any other pass type,
// since light passes need their light.
std::optional<FrameSettings> MakePassRecord(const FrameSettings& frame, PassType pass, bool earlier_pass_succeeded);

// Record for one light; nothing for an unfilled record or a type that has no pass.
// layer_width and layer_height are the effect layer's size (in_data width, height).
std::optional<FrameSettings> MakePassRecord(const FrameSettings& frame, const SceneLight& light, float layer_width,
                                            float layer_height, bool earlier_pass_succeeded);

}  // namespace morvel
