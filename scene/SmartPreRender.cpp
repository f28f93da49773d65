#include "scene/SmartPreRender.h"

#include <array>
#include <cstring>

#include "params/ParamIndex.h"
#include "scene/CollectSceneLights.h"
#include "scene/SceneLight.h"

namespace morvel {
namespace {

constexpr std::array<PF_ParamIndex, CHECKOUT_COUNT> kCheckoutParams = {
    PARAM_INPUT,           LAYER_DIFFUSE_ALBEDO, LAYER_NORMAL, LAYER_ROUGHNESS, LAYER_METALNESS,
    LAYER_SPECULAR_ALBEDO, LAYER_DEPTH,          LAYER_SOURCE, IBL_HDRI,
};

}  // namespace

PF_ParamIndex CheckoutParamIndex(CheckoutId id) { return kCheckoutParams.at(static_cast<size_t>(id)); }

PF_RenderRequest BuildLayerRequest(const PF_RenderRequest& output_request) {
    PF_RenderRequest req = output_request;
    req.channel_mask |= PF_ChannelMask_ARGB;
    req.preserve_rgb_of_zero_alpha = 1;
    return req;
}

PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* /*out_data*/, PF_PreRenderExtra* extra) {
    if (!in_data || !extra || !extra->input || !extra->output || !extra->cb || !extra->cb->checkout_layer) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const PF_RenderRequest req = BuildLayerRequest(extra->input->output_request);
    auto checkout = [&](CheckoutId id, PF_CheckoutResult* result) {
        return extra->cb->checkout_layer(in_data->effect_ref, kCheckoutParams[id], id, &req, in_data->current_time,
                                         in_data->time_step, in_data->time_scale, result);
    };

    PF_CheckoutResult input{};
    if (const PF_Err err = checkout(CHECKOUT_INPUT, &input)) {
        return err;
    }
    // Absent pass layers are normal; the render step finds them missing by id.
    PF_CheckoutResult scratch{};
    for (int id = CHECKOUT_DIFFUSE_ALBEDO; id < CHECKOUT_COUNT; ++id) {
        checkout(static_cast<CheckoutId>(id), &scratch);
    }

    extra->output->result_rect = input.result_rect;
    extra->output->max_result_rect = input.max_result_rect;
    extra->output->flags |= PF_RenderOutputFlag_GPU_RENDER_POSSIBLE;

    if (!extra->cb->GuidMixInPtr) {
        return PF_Err_NONE;
    }
    // The lights are not parameters, so the host cannot see them change unless their
    // bytes are part of the cache key. The zero fill makes equal lights equal bytes.
    SceneLight lights[kMaxSceneLights];
    std::memset(lights, 0, sizeof lights);
    const int32_t count = CollectSceneLights(in_data, lights, kMaxSceneLights, static_cast<float>(in_data->width),
                                             static_cast<float>(in_data->height));
    extra->cb->GuidMixInPtr(in_data->effect_ref, sizeof count, &count);
    for (int32_t i = 0; i < count; ++i) {
        extra->cb->GuidMixInPtr(in_data->effect_ref, sizeof(SceneLight), &lights[i]);
    }
    return PF_Err_NONE;
}

}  // namespace morvel
