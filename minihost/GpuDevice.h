// A GPU device as the host holds it, whatever its framework: what it tells the
// effect about itself, the device buffers behind GPU worlds, and the context the
// effect's GPU commands run in.
#pragma once

#include <cstddef>
#include <string>

#include "host/AE_EffectGPU.h"

namespace minihost {

class GpuDevice {
public:
    virtual ~GpuDevice() = default;

    virtual PF_GPU_Framework framework() const = 0;
    virtual const std::string& name() const = 0;
    // The framework objects the host hands out with GetDeviceInfo.
    virtual void Describe(PF_GPUDeviceInfo& info) const = 0;

    // A device buffer of `bytes`; throws Error naming the device when it cannot.
    virtual void* Allocate(size_t bytes) const = 0;
    virtual void Free(void* buffer) const noexcept = 0;
    // `rows` rows of `host_row` bytes between packed host memory and a buffer
    // whose rows are `row_bytes` apart; throw Error when the device fails.
    virtual void WriteRows(void* buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const = 0;
    virtual void ReadRows(const void* buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const = 0;

    // Makes the device's context current on the calling thread until Leave, as
    // the host does around every command for a CUDA device. OpenCL has no
    // current context.
    virtual void Enter() const {}
    virtual void Leave() const noexcept {}
};

// The device's context current for a scope (null: no device, nothing to do).
class DeviceScope {
public:
    explicit DeviceScope(const GpuDevice* device) : device_(device) {
        if (device_) device_->Enter();
    }
    ~DeviceScope() {
        if (device_) device_->Leave();
    }
    DeviceScope(const DeviceScope&) = delete;
    DeviceScope& operator=(const DeviceScope&) = delete;

private:
    const GpuDevice* device_;
};

}  // namespace minihost
