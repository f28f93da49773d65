#include "gpu/opencl/OpenClPass.h"

#include <mutex>

#include "clapi/ClApi.h"
#include "frame/KernelPasses.h"
#include "kernel/GpuBuffers.h"

namespace morvel {
namespace {

using namespace clapi;

class Args {
public:
    Args(const Api& cl, cl_kernel kernel) : cl_(cl), kernel_(kernel) {}
    template <typename T>
    Args& Add(const T& value) {
        if (ok_) ok_ = cl_.SetKernelArg(kernel_, index_, sizeof value, &value) == CL_SUCCESS;
        ++index_;
        return *this;
    }
    bool ok() const { return ok_; }

private:
    const Api& cl_;
    cl_kernel kernel_;
    cl_uint index_ = 0;
    bool ok_ = true;
};

// Sets the arguments and enqueues under the device's kernel lock (so two frames
// never interleave on one kernel object), then waits for the queue outside it.
template <typename SetArgs>
PF_Err Launch(GpuDeviceState& device, OpenClKernel which, int32_t width, int32_t height, SetArgs set_args) {
    const Api* cl = LoadApi();
    auto* queue = static_cast<cl_command_queue>(device.cl_queue);
    if (!cl || !queue) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    auto* kernel = static_cast<cl_kernel>(device.cl_kernels[which]);
    if (!kernel) return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (width <= 0 || height <= 0) return PF_Err_NONE;
    const std::array<std::size_t, 2> global = LaunchGlobalSize(width, height);
    const std::size_t local[2] = {kGroupSize, kGroupSize};
    {
        std::lock_guard lock(device.kernel_mutex);
        Args args(*cl, kernel);
        set_args(args);
        if (!args.ok()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        if (cl->EnqueueNDRangeKernel(queue, kernel, 2, nullptr, global.data(), local, 0, nullptr, nullptr) !=
            CL_SUCCESS)
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    // A kernel that failed on the device shows here; the frame must not pass as rendered.
    return cl->Finish(queue) == CL_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

bool Rect(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* read_to,
          const float* write_from) {
    const Api* cl = LoadApi();
    auto* queue = static_cast<cl_command_queue>(device.cl_queue);
    if (!cl || !queue || !buffer || width <= 0 || height <= 0 || pitch < width) return false;
    const size_t origin[3] = {0, 0, 0};
    const size_t region[3] = {static_cast<size_t>(width) * 16u, static_cast<size_t>(height), 1};
    const size_t buffer_row = static_cast<size_t>(pitch) * 16u;
    const size_t host_row = static_cast<size_t>(width) * 16u;
    auto* mem = static_cast<cl_mem>(buffer);
    const cl_int err = read_to ? cl->EnqueueReadBufferRect(queue, mem, CL_TRUE, origin, origin, region, buffer_row, 0,
                                                           host_row, 0, read_to, 0, nullptr, nullptr)
                               : cl->EnqueueWriteBufferRect(queue, mem, CL_TRUE, origin, origin, region, buffer_row, 0,
                                                            host_row, 0, write_from, 0, nullptr, nullptr);
    return err == CL_SUCCESS;
}

// The output's row pitch in bytes, or 0 when it does not fit the kernel's int.
int32_t OutputRowBytes(const GpuFrameContext& ctx) {
    return ctx.stride > 0 && ctx.stride <= INT32_MAX / 16 ? ctx.stride * 16 : 0;
}

// Each buffer's own size and pitch, as the kernel addresses it.
GpuLayers LayersOf(const GpuFrameContext& ctx, int32_t output_row_bytes) {
    GpuLayers g{};
    auto set = [&g](int layer, const PF_EffectWorld* w, int32_t row_bytes) {
        if (!w) return;
        g.width[layer] = w->width;
        g.height[layer] = w->height;
        g.row_bytes[layer] = row_bytes;
    };
    g.width[GPU_OUT] = ctx.width;
    g.height[GPU_OUT] = ctx.height;
    g.row_bytes[GPU_OUT] = output_row_bytes;
    const bool albedo = ctx.pass_data[SLOT_DIFFUSE_ALBEDO] != nullptr;
    const PF_EffectWorld* base = albedo ? ctx.pass_worlds[SLOT_DIFFUSE_ALBEDO] : ctx.input_world;
    set(GPU_BASE, base, base ? base->rowbytes : 0);
    g.has_base = base != nullptr;
    const std::pair<int, int> slots[] = {{GPU_SOURCE, SLOT_SOURCE},
                                         {GPU_NORMAL, SLOT_NORMAL},
                                         {GPU_ROUGHNESS, SLOT_ROUGHNESS},
                                         {GPU_METALLIC, SLOT_METALNESS},
                                         {GPU_SPECULAR, SLOT_SPECULAR}};
    for (auto [layer, slot] : slots)
        if (ctx.pass_data[slot]) set(layer, ctx.pass_worlds[slot], ctx.pass_worlds[slot]->rowbytes);
    return g;
}

}  // namespace

PF_Err RunOpenClClear(GpuDeviceState& device, const GpuFrameContext& ctx) {
    auto* output = static_cast<cl_mem>(ctx.output_data);
    const int32_t row_bytes = OutputRowBytes(ctx);
    if (!output || !row_bytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    return Launch(device, CL_KERNEL_CLEAR, ctx.width, ctx.height,
                  [&](Args& a) { a.Add(output).Add(ctx.width).Add(ctx.height).Add(row_bytes); });
}

PF_Err RunOpenClPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass) {
    if (!device.cl_queue) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    switch (pass.pass_type) {
        case PASS_DIRECTIONAL:
        case PASS_POINT:
        case PASS_SPOT:
            break;
        default:
            // Environment, ambient and incidence/rim passes do not run on OpenCL yet:
            // the frame is rendered on the CPU.
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    const int32_t row_bytes = OutputRowBytes(ctx);
    if (!ctx.output_data || !row_bytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const GpuLayers layers = LayersOf(ctx, row_bytes);
    const LightPass light = LightPassOf(pass);
    auto buffer = [](void* p) { return static_cast<cl_mem>(p); };
    void* base = ctx.pass_data[SLOT_DIFFUSE_ALBEDO] ? ctx.pass_data[SLOT_DIFFUSE_ALBEDO] : ctx.input_data;
    return Launch(device, CL_KERNEL_LIGHT, ctx.width, ctx.height, [&](Args& a) {
        a.Add(buffer(ctx.output_data))
            .Add(buffer(base))
            .Add(buffer(ctx.pass_data[SLOT_SOURCE]))
            .Add(buffer(ctx.pass_data[SLOT_NORMAL]))
            .Add(buffer(ctx.pass_data[SLOT_ROUGHNESS]))
            .Add(buffer(ctx.pass_data[SLOT_METALNESS]))
            .Add(buffer(ctx.pass_data[SLOT_SPECULAR]))
            .Add(layers)
            .Add(light);
    });
}

bool ReadOpenClPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                      float* pixels) {
    return Rect(device, buffer, width, height, pitch, pixels, nullptr);
}

bool WriteOpenClPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                       const float* pixels) {
    return Rect(device, buffer, width, height, pitch, nullptr, pixels);
}

}  // namespace morvel
