// The CPU passes: one parallel loop over the output rows per pass, in the
// frame's pixel depth.
#pragma once

#include "frame/FrameContext.h"
#include "frame/FrameSettings.h"
#include "host/AE_Effect.h"

namespace morvel {

// Light passes (directional, point, spot, ambient) and the incidence and rim pass.
PF_Err RenderPassCpu(const FrameContext& ctx, const FrameSettings& pass);

// Prepares the blurred HDRI buffers of the context, then shades the environment pass.
PF_Err RenderIblPassCpu(FrameContext& ctx, const FrameSettings& pass);

// Every pixel of the output becomes black with alpha at full value.
void ClearOutputCpu(const FrameContext& ctx);

}  // namespace morvel
