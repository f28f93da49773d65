#include "minihost/GpuHost.h"

#include <cstdlib>
#include <cstring>

#include "host/AE_EffectGPU.h"
#include "minihost/Error.h"
#include "minihost/Session.h"

namespace minihost {

GpuWorld::GpuWorld(GpuHost& host, A_u_long device_index, int width, int height, int row_padding)
    : host_(host), device_(*host.Device(device_index)), device_index_(device_index) {
    if (width <= 0 || height <= 0 || row_padding < 0 || row_padding % 16 != 0)
        throw Error("GPU world " + std::to_string(width) + "x" + std::to_string(height) + " padding " +
                    std::to_string(row_padding) + ": size must be positive and padding a multiple of 16");
    const size_t row = size_t(width) * 16 + size_t(row_padding);
    bytes_ = row * size_t(height);
    buffer_ = device_.Allocate(bytes_);
    view_.world_flags = PF_WorldFlag_WRITEABLE;
    view_.data = nullptr;  // as the real host: the pixels are on the device
    view_.rowbytes = static_cast<A_long>(row);
    view_.width = width;
    view_.height = height;
    view_.extent_hint = {0, 0, width, height};
    view_.pix_aspect_ratio = {1, 1};
    host_.Register(this);
}

GpuWorld::~GpuWorld() {
    host_.Unregister(this);
    device_.Free(buffer_);
}

void GpuWorld::Upload(const World& from) {
    std::vector<float> pixels(size_t(view_.width) * size_t(view_.height) * 4);
    for (int y = 0; y < view_.height; ++y)
        for (int x = 0; x < view_.width; ++x) {
            const PixelF p = x < from.width() && y < from.height() ? from.Get(x, y) : PixelF{};
            float* q = &pixels[(size_t(y) * view_.width + x) * 4];
            q[0] = p.b, q[1] = p.g, q[2] = p.r, q[3] = p.a;
        }
    device_.WriteRows(buffer_, size_t(view_.rowbytes), size_t(view_.width) * 16, size_t(view_.height), pixels.data());
}

World GpuWorld::Download() const {
    std::vector<float> pixels(size_t(view_.width) * size_t(view_.height) * 4);
    device_.ReadRows(buffer_, size_t(view_.rowbytes), size_t(view_.width) * 16, size_t(view_.height), pixels.data());
    World w(view_.width, view_.height, 32);
    for (int y = 0; y < view_.height; ++y)
        for (int x = 0; x < view_.width; ++x) {
            const float* q = &pixels[(size_t(y) * view_.width + x) * 4];
            w.Set(x, y, {q[3], q[2], q[1], q[0]});
        }
    return w;
}

A_u_long GpuHost::AddDevice(std::shared_ptr<GpuDevice> device) {
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(device));
    return A_u_long(devices_.size() - 1);
}

A_u_long GpuHost::Count() const {
    std::lock_guard lock(mutex_);
    return A_u_long(devices_.size());
}

GpuDevice* GpuHost::Device(A_u_long index) const {
    std::lock_guard lock(mutex_);
    return index < devices_.size() ? devices_[index].get() : nullptr;
}

void GpuHost::Register(GpuWorld* world) {
    std::lock_guard lock(mutex_);
    worlds_[&world->View()] = world;
}

void GpuHost::Unregister(GpuWorld* world) {
    std::lock_guard lock(mutex_);
    worlds_.erase(&world->View());
}

GpuWorld* GpuHost::Find(const PF_EffectWorld* view) const {
    std::lock_guard lock(mutex_);
    auto it = worlds_.find(view);
    return it == worlds_.end() ? nullptr : it->second;
}

PF_Err GpuHost::Create(A_u_long index, int width, int height, PF_EffectWorld** out) {
    if (!out || !Device(index) || width <= 0 || height <= 0) return PF_Err_BAD_CALLBACK_PARAM;
    *out = nullptr;
    try {
        auto world = std::make_unique<GpuWorld>(*this, index, width, height);
        *out = &world->View();
        std::lock_guard lock(mutex_);
        created_[*out] = std::move(world);
        return PF_Err_NONE;
    } catch (const Error&) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

PF_Err GpuHost::Dispose(PF_EffectWorld* view) {
    std::unique_ptr<GpuWorld> world;
    {
        std::lock_guard lock(mutex_);
        auto it = created_.find(view);
        if (it == created_.end()) return PF_Err_BAD_CALLBACK_PARAM;
        world = std::move(it->second);
        created_.erase(it);
    }
    return PF_Err_NONE;  // released here, outside the lock its destructor takes
}

namespace {

GpuHost* HostOf(PF_ProgPtr ref) {
    Session* s = Session::FromEffectRef(ref);
    return s ? &s->gpu() : nullptr;
}

PF_Err GetDeviceCount(PF_ProgPtr ref, A_u_long* count) {
    GpuHost* h = HostOf(ref);
    if (!h || !count) return PF_Err_BAD_CALLBACK_PARAM;
    *count = h->Count();
    return PF_Err_NONE;
}

PF_Err GetDeviceInfo(PF_ProgPtr ref, A_u_long index, PF_GPUDeviceInfo* info) {
    GpuHost* h = HostOf(ref);
    if (!h || !info) return PF_Err_BAD_CALLBACK_PARAM;
    if (h->faults.device_info_fails) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    GpuDevice* d = h->Device(index);
    if (!d) return PF_Err_BAD_CALLBACK_PARAM;
    std::memset(info, 0, sizeof *info);
    info->compatibleB = 1;
    d->Describe(*info);
    return PF_Err_NONE;
}

PF_Err ExclusiveAccess(PF_ProgPtr ref, A_u_long index) {
    GpuHost* h = HostOf(ref);
    return h && h->Device(index) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AllocateDeviceMemory(PF_ProgPtr ref, A_u_long index, size_t size, void** memory) {
    GpuHost* h = HostOf(ref);
    GpuDevice* d = h ? h->Device(index) : nullptr;
    if (!d || !memory) return PF_Err_BAD_CALLBACK_PARAM;
    *memory = nullptr;
    if (h->faults.device_memory_fails) return PF_Err_OUT_OF_MEMORY;
    try {
        *memory = d->Allocate(size);
        ++h->device_allocations;
        return PF_Err_NONE;
    } catch (const Error&) {
        return PF_Err_OUT_OF_MEMORY;
    }
}

PF_Err FreeDeviceMemory(PF_ProgPtr ref, A_u_long index, void* memory) {
    GpuHost* h = HostOf(ref);
    GpuDevice* d = h ? h->Device(index) : nullptr;
    if (!d) return PF_Err_BAD_CALLBACK_PARAM;
    if (memory) {
        d->Free(memory);
        ++h->device_frees;
    }
    return PF_Err_NONE;
}

PF_Err Purge(PF_ProgPtr ref, A_u_long index, size_t, size_t* purged) {
    GpuHost* h = HostOf(ref);
    if (!h || !h->Device(index)) return PF_Err_BAD_CALLBACK_PARAM;
    if (purged) *purged = 0;
    return PF_Err_NONE;
}

PF_Err AllocateHostMemory(PF_ProgPtr ref, A_u_long index, size_t size, void** memory) {
    GpuHost* h = HostOf(ref);
    if (!h || !h->Device(index) || !memory) return PF_Err_BAD_CALLBACK_PARAM;
    *memory = std::malloc(size ? size : 1);
    return *memory ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
}

PF_Err FreeHostMemory(PF_ProgPtr ref, A_u_long index, void* memory) {
    GpuHost* h = HostOf(ref);
    if (!h || !h->Device(index)) return PF_Err_BAD_CALLBACK_PARAM;
    std::free(memory);
    return PF_Err_NONE;
}

PF_Err CreateGPUWorld(PF_ProgPtr ref, A_u_long index, A_long width, A_long height, PF_RationalScale, PF_Field,
                      PF_PixelFormat format, PF_Boolean, PF_EffectWorld** world) {
    GpuHost* h = HostOf(ref);
    if (!h || format != PF_PixelFormat_GPU_BGRA128) return PF_Err_BAD_CALLBACK_PARAM;
    // Device buffers start zeroed only by chance; clear_pix is honoured by
    // uploading an empty world.
    PF_Err err = h->Create(index, width, height, world);
    if (err == PF_Err_NONE) {
        try {
            h->Find(*world)->Upload(World(width, height, 32));
        } catch (const Error&) {
            h->Dispose(*world);
            *world = nullptr;
            return PF_Err_OUT_OF_MEMORY;
        }
    }
    return err;
}

PF_Err DisposeGPUWorld(PF_ProgPtr ref, PF_EffectWorld* world) {
    GpuHost* h = HostOf(ref);
    return h ? h->Dispose(world) : PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err GetGPUWorldData(PF_ProgPtr ref, PF_EffectWorld* world, void** data) {
    GpuHost* h = HostOf(ref);
    if (!h || !data) return PF_Err_BAD_CALLBACK_PARAM;
    *data = nullptr;
    GpuWorld* w = h->Find(world);
    if (!w) return PF_Err_BAD_CALLBACK_PARAM;
    if (h->faults.first_world_data_null && w->data_calls && w->data_calls->fetch_add(1) == 0) return PF_Err_NONE;
    *data = w->buffer();
    return PF_Err_NONE;
}

PF_Err GetGPUWorldSize(PF_ProgPtr ref, PF_EffectWorld* world, size_t* size) {
    GpuHost* h = HostOf(ref);
    if (!h || !size) return PF_Err_BAD_CALLBACK_PARAM;
    GpuWorld* w = h->Find(world);
    if (!w) return PF_Err_BAD_CALLBACK_PARAM;
    *size = w->bytes();
    return PF_Err_NONE;
}

PF_Err GetGPUWorldDeviceIndex(PF_ProgPtr ref, PF_EffectWorld* world, A_u_long* index) {
    GpuHost* h = HostOf(ref);
    if (!h || !index) return PF_Err_BAD_CALLBACK_PARAM;
    GpuWorld* w = h->Find(world);
    if (!w) return PF_Err_BAD_CALLBACK_PARAM;
    *index = w->device_index();
    return PF_Err_NONE;
}

}  // namespace

const void* GpuDeviceSuite1() {
    static const PF_GPUDeviceSuite1 suite = {
        GetDeviceCount,   GetDeviceInfo,   ExclusiveAccess,    ExclusiveAccess, AllocateDeviceMemory,
        FreeDeviceMemory, Purge,           AllocateHostMemory, FreeHostMemory,  Purge,
        CreateGPUWorld,   DisposeGPUWorld, GetGPUWorldData,    GetGPUWorldSize, GetGPUWorldDeviceIndex,
    };
    return &suite;
}

}  // namespace minihost
