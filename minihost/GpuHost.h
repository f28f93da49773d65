// The GPU side of the host: the OpenCL and CUDA devices it offers the effect (by
// device index), the GPU worlds it hands out (B G R A float device buffers with the
// host's row pitch and a null data pointer) and the faults it can be told to make.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "host/AE_Effect.h"
#include "minihost/GpuDevice.h"
#include "minihost/World.h"

namespace minihost {

class GpuHost;

class GpuWorld {
public:
    // row_padding: extra bytes per row, a multiple of 16.
    GpuWorld(GpuHost& host, A_u_long device_index, int width, int height, int row_padding = 0);
    ~GpuWorld();
    GpuWorld(const GpuWorld&) = delete;
    GpuWorld& operator=(const GpuWorld&) = delete;

    PF_EffectWorld& View() { return view_; }
    void* buffer() const { return buffer_; }
    size_t bytes() const { return bytes_; }
    A_u_long device_index() const { return device_index_; }
    // Counts this frame's GetGPUWorldData calls, for the fault that fails the first.
    std::atomic<int>* data_calls = nullptr;

    // The world's pixels in any depth, converted to float.
    void Upload(const World& from);
    // The pixels as a float world.
    World Download() const;

private:
    GpuHost& host_;
    GpuDevice& device_;
    A_u_long device_index_;
    void* buffer_ = nullptr;
    size_t bytes_ = 0;
    PF_EffectWorld view_{};
};

struct GpuFaults {
    bool device_info_fails = false;      // GetDeviceInfo returns an error
    bool first_world_data_null = false;  // each frame's first GetGPUWorldData gives null
    bool device_memory_fails = false;    // AllocateDeviceMemory gives nothing (out of memory)
};

class GpuHost {
public:
    // The same device may be added under several indices.
    A_u_long AddDevice(std::shared_ptr<GpuDevice> device);
    A_u_long Count() const;
    GpuDevice* Device(A_u_long index) const;  // null past the end

    GpuFaults faults;
    // AllocateDeviceMemory calls that gave memory, and FreeDeviceMemory calls.
    std::atomic<long> device_allocations{0};
    std::atomic<long> device_frees{0};

    void Register(GpuWorld* world);
    void Unregister(GpuWorld* world);
    GpuWorld* Find(const PF_EffectWorld* view) const;

    // Worlds the effect creates through the suite; owned until it disposes of them.
    PF_Err Create(A_u_long index, int width, int height, PF_EffectWorld** out);
    PF_Err Dispose(PF_EffectWorld* view);

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<GpuDevice>> devices_;
    std::map<const PF_EffectWorld*, GpuWorld*> worlds_;
    std::map<const PF_EffectWorld*, std::unique_ptr<GpuWorld>> created_;
};

// "PF GPU Device Suite" version 1.
const void* GpuDeviceSuite1();

}  // namespace minihost
