// PF_Cmd_GPU_DEVICE_SETUP and _SETDOWN: whether the effect renders on a device the
// host offers, and the device's record from setup to setdown.
#pragma once

#include "gpu/GpuDeviceState.h"
#include "host/AE_Effect.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// Accepts an OpenCL device whose program builds (the device's record then holds
// the host's context, device and queue and the built program, the output flags
// say float GPU rendering and gpu_data names the record). Returns 0 whether or not
// the device is accepted; a missing GPU device suite throws after telling the user.
PF_Err SetupGpuDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra, GpuDeviceTable& table);

// Releases what setup built for the device the extra names and clears its record.
// Other devices' records are left alone. Returns 0.
PF_Err SetdownGpuDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetdownExtra* extra,
                        GpuDeviceTable& table);

// Forgets a record's device: releases its program and kernels, clears every field.
void ClearDeviceRecord(GpuDeviceState& record);

}  // namespace morvel
