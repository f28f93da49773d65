// The OpenCL program: its text, carried in the module, built once per device setup
// with the host's context and device.
#pragma once

#include <string_view>

#include "gpu/GpuDeviceState.h"
#include "host/AE_Effect.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// The whole program text, valid until the module unloads.
std::string_view GetOpenClSource();

// The options every build uses: the relaxed maths of -cl-fast-relaxed-math without
// its finite-math-only part, which lets a compiler fold away the tests that map
// non-finite HDRI texels to finite ones (the device then lit frames with them).
inline constexpr char kOpenClBuildOptions[] = "-cl-unsafe-math-optimizations";

// Builds the program and its kernels for the device `info` describes, into the
// record (which must be cleared). False, with the record left cleared, when OpenCL
// cannot be loaded, the context, device or queue is missing or the queue belongs
// to another context or device, or the program does not build. A failed build's
// log is kept in the record and placed in return_msg without asking the host to
// show it, so a host can tell a user why the device was declined.
bool BuildOpenClProgram(GpuDeviceState& record, const PF_GPUDeviceInfo& info, PF_OutData* out_data);

// The same with another program text, for checking how a build failure is handled.
bool BuildOpenClProgramFrom(GpuDeviceState& record, const PF_GPUDeviceInfo& info, PF_OutData* out_data,
                            std::string_view source);

// Releases the kernels and the program and forgets the host's objects.
void ReleaseOpenClProgram(GpuDeviceState& record);

}  // namespace morvel
