// The CUDA kernels' module: loaded from the embedded fat binary once per device
// setup, in the host's context, and unloaded at setdown.
#pragma once

#include <span>

#include "gpu/GpuDeviceState.h"
#include "host/AE_EffectGPU.h"

namespace morvel {

// Loads the module and finds its kernels for the device `info` describes, into the
// record (which must be cleared). False, with the record left cleared, when no CUDA
// driver can be loaded, this build carries no kernels, the context is missing, or
// the driver refuses the module (a GPU older than the oldest cubin, say).
bool LoadCudaModule(GpuDeviceState& record, const PF_GPUDeviceInfo& info);

// The same with another image, for checking how a refused module is handled.
bool LoadCudaModuleFrom(GpuDeviceState& record, const PF_GPUDeviceInfo& info, std::span<const unsigned char> image);

// Unloads the module (in its own context) and forgets the host's objects.
void UnloadCudaModule(GpuDeviceState& record);

// Makes the record's context current on this thread for the scope, unless it is
// already; ok() is false when that fails.
class CudaContextScope {
public:
    explicit CudaContextScope(const GpuDeviceState& record) : CudaContextScope(record.cuda_context) {}
    // The same for a context by itself (null: whichever is current).
    explicit CudaContextScope(void* context);
    ~CudaContextScope();
    CudaContextScope(const CudaContextScope&) = delete;
    CudaContextScope& operator=(const CudaContextScope&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    bool pushed_ = false;
};

}  // namespace morvel
