#include "gpu/GpuFrame.h"

#include "gpu/cuda/CudaHdri.h"
#include "gpu/cuda/CudaPass.h"
#include "gpu/opencl/OpenClHdri.h"
#include "gpu/opencl/OpenClPass.h"
#include "hostaccess/HostSuites.h"
#include "scene/SmartPreRender.h"

namespace morvel {
namespace {

// A GPU world whose rows and buffer hold its own width and height; anything else
// would have the kernels read or write outside the buffer. Gives the pitch in
// pixels, or 0 when the world is unusable.
int32_t UsablePitch(const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, PF_EffectWorld* world) {
    if (!world || world->width <= 0 || world->height <= 0 || world->rowbytes <= 0 || world->rowbytes % 16 != 0)
        return 0;
    if (static_cast<int64_t>(world->rowbytes) < 16 * static_cast<int64_t>(world->width)) return 0;
    size_t bytes = 0;
    if (!gpu.GetGPUWorldSize || gpu.GetGPUWorldSize(ref, world, &bytes) != PF_Err_NONE) return 0;
    const uint64_t needed = static_cast<uint64_t>(world->rowbytes) * static_cast<uint64_t>(world->height - 1) +
                            16u * static_cast<uint64_t>(world->width);
    if (bytes < needed) return 0;
    return world->rowbytes / 16;
}

void* WorldBuffer(const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, PF_EffectWorld* world) {
    void* data = nullptr;
    if (!gpu.GetGPUWorldData || gpu.GetGPUWorldData(ref, world, &data) != PF_Err_NONE) return nullptr;
    return data;
}

bool Covers(const PF_EffectWorld& layer, const GpuFrameContext& ctx) {
    return layer.width >= ctx.width && layer.height >= ctx.height;
}

}  // namespace

int32_t StrideFromWorldSize(std::size_t bytes, int32_t width, int32_t height) {
    if (bytes == 0 || height <= 0) return width;
    const std::size_t stride = bytes / static_cast<std::size_t>(height) / 16u;
    return stride > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(stride);
}

std::array<std::size_t, 2> LaunchGlobalSize(int32_t width, int32_t height) {
    auto up = [](int32_t n) {
        const std::size_t v = n > 0 ? static_cast<std::size_t>(n) : 0u;
        return (v + kGroupSize - 1) / kGroupSize * kGroupSize;
    };
    return {up(width), up(height)};
}

PF_Err PrepareGpuFrame(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceState& device,
                       GpuFrameContext& ctx, const FrameSettings& frame) {
    if (device.framework != PF_GPU_Framework_OPENCL && device.framework != PF_GPU_Framework_CUDA)
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (!in_data || !extra || !extra->cb || !extra->cb->checkout_layer_pixels || !extra->cb->checkout_output)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    ScopedSuite<PF_GPUDeviceSuite1> gpu(in_data->pica_basicP, in_data, out_data);
    PF_ProgPtr ref = in_data->effect_ref;

    if (PF_Err err = extra->cb->checkout_layer_pixels(ref, CHECKOUT_INPUT, &ctx.input_world)) return err;
    if (!ctx.input_world) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (PF_Err err = extra->cb->checkout_output(ref, &ctx.output_world)) return err;
    if (!ctx.output_world) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    ctx.input_data = WorldBuffer(*gpu, ref, ctx.input_world);
    ctx.output_data = WorldBuffer(*gpu, ref, ctx.output_world);
    if (!ctx.input_data || !ctx.output_data) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    ctx.width = ctx.output_world->width;
    ctx.height = ctx.output_world->height;
    // The output's rows are its row bytes apart; a host that gives none is read by
    // its buffer size. Either way the buffer must hold every row.
    size_t output_bytes = 0;
    if (!gpu->GetGPUWorldSize || gpu->GetGPUWorldSize(ref, ctx.output_world, &output_bytes) != PF_Err_NONE)
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const PF_EffectWorld& out = *ctx.output_world;
    ctx.stride = out.rowbytes > 0 && out.rowbytes % 16 == 0 ? out.rowbytes / 16
                                                            : StrideFromWorldSize(output_bytes, ctx.width, ctx.height);
    const uint64_t needed = 16u * (static_cast<uint64_t>(ctx.stride) * static_cast<uint64_t>(ctx.height - 1) +
                                   static_cast<uint64_t>(ctx.width));
    ctx.input_pitch = UsablePitch(*gpu, ref, ctx.input_world);
    if (ctx.width <= 0 || ctx.height <= 0 || ctx.stride < ctx.width || output_bytes < needed || ctx.input_pitch == 0 ||
        !Covers(*ctx.input_world, ctx))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;

    for (int i = 0; i < kPassLayerCount; ++i) {
        PF_EffectWorld* pass = nullptr;
        // A pass layer that cannot be had is simply not used; its error is not the frame's.
        extra->cb->checkout_layer_pixels(ref, CHECKOUT_DIFFUSE_ALBEDO + i, &pass);
        if (!pass) continue;
        const int32_t pitch = UsablePitch(*gpu, ref, pass);
        void* data = pitch ? WorldBuffer(*gpu, ref, pass) : nullptr;
        // Read only inside its own size, as on the CPU.
        if (!data) continue;
        ctx.pass_worlds[i] = pass;
        ctx.pass_data[i] = data;
    }

    // Missing maps need no stand-ins: the passes read an absent layer as the CPU does.
    if (!frame.ibl_enable) return PF_Err_NONE;
    PF_EffectWorld* hdri = nullptr;
    // As on the CPU, an HDRI that cannot be had or read leaves the frame without IBL.
    extra->cb->checkout_layer_pixels(ref, CHECKOUT_HDRI, &hdri);
    const int32_t pitch = hdri ? UsablePitch(*gpu, ref, hdri) : 0;
    void* data = pitch ? WorldBuffer(*gpu, ref, hdri) : nullptr;
    if (!data) return PF_Err_NONE;
    ctx.hdri_world = hdri;
    ctx.hdri_data = data;
    ctx.hdri_pitch = pitch;
    const A_u_long device_index = extra->input ? extra->input->device_index : 0;
    if (device.framework == PF_GPU_Framework_CUDA)
        return PrepareCudaHdri(device, *gpu, ref, device_index, ctx, frame.ibl_roughness_bias);
    return PrepareOpenClHdri(device, *gpu, ref, device_index, ctx, frame.ibl_roughness_bias);
}

void ReleaseGpuFrame(GpuFrameContext& ctx) { ctx = GpuFrameContext{}; }

PF_Err ClearGpuOutput(GpuDeviceState& device, const GpuFrameContext& ctx) {
    switch (device.framework) {
        case PF_GPU_Framework_OPENCL:
            return RunOpenClClear(device, ctx);
        case PF_GPU_Framework_CUDA:
            return LaunchClearToOpaqueBlack(device, ctx);
        default:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
}

PF_Err RunGpuPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass) {
    switch (device.framework) {
        case PF_GPU_Framework_OPENCL:
            return RunOpenClPass(device, ctx, pass);
        case PF_GPU_Framework_CUDA:
            return RunCudaPass(device, ctx, pass);
        default:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
}

bool ReadGpuPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* pixels) {
    switch (device.framework) {
        case PF_GPU_Framework_OPENCL:
            return ReadOpenClPixels(device, buffer, width, height, pitch, pixels);
        case PF_GPU_Framework_CUDA:
            return ReadCudaPixels(device, buffer, width, height, pitch, pixels);
        default:
            return false;
    }
}

bool WriteGpuPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                    const float* pixels) {
    switch (device.framework) {
        case PF_GPU_Framework_OPENCL:
            return WriteOpenClPixels(device, buffer, width, height, pitch, pixels);
        case PF_GPU_Framework_CUDA:
            return WriteCudaPixels(device, buffer, width, height, pitch, pixels);
        default:
            return false;
    }
}

}  // namespace morvel
