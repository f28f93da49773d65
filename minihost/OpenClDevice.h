// An OpenCL device as the host holds it: its context and command queue, and the
// device buffers behind GPU worlds.
#pragma once

#include <string>
#include <vector>

#include "clapi/ClApi.h"
#include "minihost/GpuDevice.h"

namespace minihost {

struct OpenClDeviceEntry {
    clapi::cl_platform_id platform = nullptr;
    clapi::cl_device_id device = nullptr;
    std::string name;
    std::string platform_name;
    bool gpu = false;  // a GPU, as opposed to a CPU implementation such as PoCL
};

// Every device of every platform; empty when OpenCL cannot be loaded.
std::vector<OpenClDeviceEntry> ListOpenClDevices();

class OpenClDevice final : public GpuDevice {
public:
    // Makes the context and queue; throws Error naming the device when it cannot.
    // With foreign_queue the queue the host hands out belongs to a second context
    // of its own, so every enqueue on it with this context's objects fails.
    explicit OpenClDevice(const OpenClDeviceEntry& entry, bool foreign_queue = false);
    ~OpenClDevice() override;
    OpenClDevice(const OpenClDevice&) = delete;
    OpenClDevice& operator=(const OpenClDevice&) = delete;

    const OpenClDeviceEntry& entry() const { return entry_; }
    const clapi::Api& api() const { return *api_; }
    clapi::cl_context context() const { return context_; }
    // The queue minihost itself uses for transfers.
    clapi::cl_command_queue queue() const { return queue_; }
    // The queue handed to the effect in the device info.
    clapi::cl_command_queue offered_queue() const { return foreign_queue_ ? foreign_queue_ : queue_; }

    // Throws Error when the buffer cannot be made.
    clapi::cl_mem CreateBuffer(size_t bytes) const;
    // Rows of `row_bytes` from host memory packed to `host_row` bytes per row.
    void Write(clapi::cl_mem buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const;
    void Read(clapi::cl_mem buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const;

    PF_GPU_Framework framework() const override { return PF_GPU_Framework_OPENCL; }
    const std::string& name() const override { return entry_.name; }
    void Describe(PF_GPUDeviceInfo& info) const override;
    void* Allocate(size_t bytes) const override { return CreateBuffer(bytes); }
    void Free(void* buffer) const noexcept override;
    void WriteRows(void* buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const override {
        Write(static_cast<clapi::cl_mem>(buffer), row_bytes, host_row, rows, from);
    }
    void ReadRows(const void* buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const override {
        Read(static_cast<clapi::cl_mem>(const_cast<void*>(buffer)), row_bytes, host_row, rows, to);
    }

private:
    const clapi::Api* api_ = nullptr;
    OpenClDeviceEntry entry_;
    clapi::cl_context context_ = nullptr;
    clapi::cl_command_queue queue_ = nullptr;
    clapi::cl_context foreign_context_ = nullptr;
    clapi::cl_command_queue foreign_queue_ = nullptr;
};

}  // namespace minihost
