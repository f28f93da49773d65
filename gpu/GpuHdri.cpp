#include "gpu/GpuHdri.h"

#include <cstdint>
#include <new>
#include <vector>

namespace morvel {
namespace {

// Device memory borrowed from the host for the preparation, given back on every path.
class HostDeviceMemory {
public:
    HostDeviceMemory(const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, A_u_long index)
        : gpu_(gpu), ref_(ref), index_(index) {}
    HostDeviceMemory(const HostDeviceMemory&) = delete;
    HostDeviceMemory& operator=(const HostDeviceMemory&) = delete;
    ~HostDeviceMemory() {
        for (void* p : buffers_) gpu_.FreeDeviceMemory(ref_, index_, p);
    }
    PF_Err Allocate(std::size_t bytes, void** out) {
        *out = nullptr;
        if (!gpu_.AllocateDeviceMemory || !gpu_.FreeDeviceMemory) return PF_Err_OUT_OF_MEMORY;
        void* p = nullptr;
        const PF_Err err = gpu_.AllocateDeviceMemory(ref_, index_, bytes, &p);
        if (p) buffers_.push_back(p);
        if (err != PF_Err_NONE) return err;
        if (!p) return PF_Err_OUT_OF_MEMORY;
        *out = p;
        return PF_Err_NONE;
    }

private:
    const PF_GPUDeviceSuite1& gpu_;
    PF_ProgPtr ref_;
    A_u_long index_;
    std::vector<void*> buffers_;
};

// One image of the plan: the copy, or rows into the scratch and columns into the target.
PF_Err RunStep(HdriDeviceOps& ops, const HdriBlurStep& step, void* source, void* scratch, void* weights, void* target,
               int width, int height, std::size_t bytes) {
    if (step.copy) return ops.Copy(source, target, bytes);
    // The weights are written while the queue may still read the previous table.
    if (PF_Err err = ops.Finish()) return err;
    if (PF_Err err = ops.WriteWeights(weights, step.weights, 2 * step.radius + 1)) return err;
    if (PF_Err err = ops.Blur(source, scratch, width, height, weights, step.radius, 1)) return err;
    return ops.Blur(scratch, target, width, height, weights, step.radius, 0);
}

}  // namespace

PF_Err PrepareGpuHdri(HdriDeviceOps& ops, DeviceHdriCache& cache, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref,
                      A_u_long device_index, GpuFrameContext& ctx, float roughness_bias) {
    ctx.hdri.reset();
    if (!ctx.hdri_world || !ctx.hdri_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const int32_t width = ctx.hdri_world->width;
    const int32_t height = ctx.hdri_world->height;
    if (width <= 0 || height <= 0 || ctx.hdri_pitch < width || ctx.hdri_pitch > INT32_MAX / 16 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > SIZE_MAX / 16u)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 16u;

    // The key needs the HDRI's content: one read back, far cheaper than the blurs.
    PreparedHdriKey key;
    try {
        std::vector<float> pixels(bytes / sizeof(float));
        if (!ops.ReadWorld(ctx.hdri_data, width, height, ctx.hdri_pitch, pixels.data()))
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        key = DeviceHdriKey(pixels.data(), width, height, roughness_bias);
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    }
    if ((ctx.hdri = cache.Find(key))) return PF_Err_NONE;

    const HdriPreparePlan plan = MakeHdriPreparePlan(roughness_bias);
    HostDeviceMemory scratch_memory(gpu, ref, device_index);
    void *source = nullptr, *scratch = nullptr, *weights = nullptr;
    if (PF_Err err = scratch_memory.Allocate(bytes, &source)) return err;
    if (PF_Err err = scratch_memory.Allocate(bytes, &scratch)) return err;
    if (PF_Err err = scratch_memory.Allocate(kMaxBlurTaps * sizeof(float), &weights)) return err;

    auto images = std::make_shared<DeviceHdriImages>();
    if (!ops.CreateImages(*images, bytes)) return PF_Err_OUT_OF_MEMORY;
    images->width = width;
    images->height = height;
    images->stride = width;

    if (PF_Err err = ops.Convert(ctx.hdri_data, width, height, ctx.hdri_pitch * 16, source)) return err;
    if (PF_Err err = RunStep(ops, plan.diffuse, source, scratch, weights, images->diffuse, width, height, bytes))
        return err;
    if (PF_Err err = RunStep(ops, plan.specular, source, scratch, weights, images->specular, width, height, bytes))
        return err;
    // The scratch images go back to the host as this returns: nothing may still use them.
    if (PF_Err err = ops.Finish()) return err;

    ctx.hdri = images;
    cache.Insert(key, std::move(images), 2 * bytes);
    return PF_Err_NONE;
}

}  // namespace morvel
