// The CUDA devices the host offers, through the NVIDIA driver loaded at run time:
// each with the device's primary context and a stream of the host's own, the
// stream being what the effect gets as its command queue.
#pragma once

#include <string>
#include <vector>

#include "cuapi/CuApi.h"
#include "minihost/GpuDevice.h"

namespace minihost {

struct CudaDeviceEntry {
    int ordinal = 0;
    std::string name;
    int major = 0, minor = 0;  // compute capability
};

struct CudaAvailability {
    std::vector<CudaDeviceEntry> devices;
    std::string why;  // empty when there is at least one device; else the reason there is none
};

// Never throws: a machine without an NVIDIA driver simply has no CUDA device.
CudaAvailability CudaDevices();

class CudaDevice final : public GpuDevice {
public:
    // Retains the primary context and makes the stream; throws Error naming the
    // device when the driver refuses either.
    explicit CudaDevice(const CudaDeviceEntry& entry);
    ~CudaDevice() override;
    CudaDevice(const CudaDevice&) = delete;
    CudaDevice& operator=(const CudaDevice&) = delete;

    const CudaDeviceEntry& entry() const { return entry_; }
    cuapi::CUcontext context() const { return context_; }
    cuapi::CUstream stream() const { return stream_; }

    PF_GPU_Framework framework() const override { return PF_GPU_Framework_CUDA; }
    const std::string& name() const override { return entry_.name; }
    void Describe(PF_GPUDeviceInfo& info) const override;
    void* Allocate(size_t bytes) const override;
    void Free(void* buffer) const noexcept override;
    void WriteRows(void* buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const override;
    void ReadRows(const void* buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const override;
    // Pushes the context on the calling thread; throws Error when the driver refuses.
    void Enter() const override;
    void Leave() const noexcept override;

private:
    void Check(cuapi::CUresult err, const std::string& what) const;
    void Copy(const cuapi::Memcpy2D& copy, const char* what) const;

    const cuapi::Api* api_ = nullptr;
    CudaDeviceEntry entry_;
    cuapi::CUdevice device_ = 0;
    cuapi::CUcontext context_ = nullptr;
    cuapi::CUstream stream_ = nullptr;
};

}  // namespace minihost
