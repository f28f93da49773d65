// PF_Cmd_SMART_RENDER_GPU: one frame on the device the host assigned, rendered
// again on the CPU when any part of it fails on the device.
#pragma once

#include "gpu/GpuDeviceState.h"
#include "host/AE_Effect.h"
#include "host/AE_EffectSmartRender.h"

namespace morvel {

// The status that decides the fallback is that of the last thing run: the
// preparation when it failed, else the last pass. A failed frame is rendered by the
// CPU flow through the staged fallback, whose result is returned.
PF_Err SmartRenderGPU(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceTable& devices);

// The CPU flow on a GPU command: every layer is checked out again through the
// host's callbacks; GPU worlds (whose data the CPU cannot reach) are downloaded
// into host memory, rendered on the CPU, and the output uploaded. Worlds with CPU
// pixels are used as they are. `device` may be null when the frame has none.
PF_Err StagedCpuFallback(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceState* device);

}  // namespace morvel
