// PF_Cmd_SMART_RENDER: one frame on the CPU, pass after pass into the output.
#pragma once

#include "frame/FrameContext.h"
#include "frame/FrameSettings.h"
#include "host/AE_Effect.h"
#include "host/AE_EffectSmartRender.h"

namespace morvel {

// Renders the frame the pre-render prepared. Returns the host's error or 512 when the
// input or output cannot be had (the output is then untouched), else the status of
// the last pass. The frame's parameters are checked back in on every path.
PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra);

// Fills ctx (which must start cleared) with the frame's worlds. The input and output
// are required; pass layers and the HDRI are optional and come back null when absent
// or unusable. The HDRI is fetched only when frame.ibl_enable is set, and its float
// buffers are allocated here.
PF_Err CheckoutFrameLayers(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, FrameContext& ctx,
                           const FrameSettings& frame);

// Frees the HDRI buffers; harmless on a context that never had them.
void ReleaseFrameBuffers(FrameContext& ctx);

// Every pixel of the output becomes alpha at full value with black colour.
void ClearToOpaqueBlack(const FrameContext& ctx);

}  // namespace morvel
