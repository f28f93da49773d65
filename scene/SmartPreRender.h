// PF_Cmd_SMART_PRE_RENDER: the layers the render will need, the result size, the
// GPU-possible mark and the light fingerprint for the host's cache key.
#pragma once

#include <cstdint>

#include "host/AE_Effect.h"
#include "host/AE_EffectSmartRender.h"

namespace morvel {

// The ids under which the render commands fetch the pixels again.
enum CheckoutId : int32_t {
    CHECKOUT_INPUT = 0,
    CHECKOUT_DIFFUSE_ALBEDO = 1,
    CHECKOUT_NORMAL = 2,
    CHECKOUT_ROUGHNESS = 3,
    CHECKOUT_METALNESS = 4,
    CHECKOUT_SPECULAR_ALBEDO = 5,
    CHECKOUT_DEPTH = 6,
    CHECKOUT_SOURCE = 7,
    CHECKOUT_HDRI = 8,
    CHECKOUT_COUNT = 9,
};

// Parameter index checked out under each id, indexed by CheckoutId.
PF_ParamIndex CheckoutParamIndex(CheckoutId id);

// The host's output request with all four channels and preserve-RGB-of-zero-alpha on;
// every layer is requested with it.
PF_RenderRequest BuildLayerRequest(const PF_RenderRequest& output_request);

// Returns the input layer's checkout error unchanged, else 0. Throws SuiteUnavailable
// when light collection cannot acquire a suite.
PF_Err SmartPreRender(PF_InData* in_data, PF_OutData* out_data, PF_PreRenderExtra* extra);

}  // namespace morvel
