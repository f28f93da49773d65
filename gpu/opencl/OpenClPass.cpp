#include "gpu/opencl/OpenClPass.h"

#include "clapi/ClApi.h"
#include "frame/KernelPasses.h"
#include "gpu/GpuPassLayers.h"
#include "gpu/opencl/OpenClLaunch.h"
#include "kernel/GpuBuffers.h"

namespace morvel {
namespace {

using namespace clapi;

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
    const int32_t row_bytes = OutputRowBytes(ctx);
    if (!ctx.output_data || !row_bytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const GpuLayers layers = LayersOf(ctx, row_bytes);
    auto buffer = [](const void* p) { return static_cast<cl_mem>(const_cast<void*>(p)); };
    const cl_mem out = buffer(ctx.output_data);
    const cl_mem base =
        buffer(ctx.pass_data[SLOT_DIFFUSE_ALBEDO] ? ctx.pass_data[SLOT_DIFFUSE_ALBEDO] : ctx.input_data);
    const cl_mem normal = buffer(ctx.pass_data[SLOT_NORMAL]);
    const cl_mem roughness = buffer(ctx.pass_data[SLOT_ROUGHNESS]);
    const cl_mem metallic = buffer(ctx.pass_data[SLOT_METALNESS]);
    const cl_mem specular = buffer(ctx.pass_data[SLOT_SPECULAR]);
    switch (pass.pass_type) {
        case PASS_DIRECTIONAL:
        case PASS_POINT:
        case PASS_SPOT:
        case PASS_AMBIENT: {
            const LightPass light = LightPassOf(pass);
            return Launch(device, CL_KERNEL_LIGHT, ctx.width, ctx.height, [&](Args& a) {
                a.Add(out)
                    .Add(base)
                    .Add(buffer(ctx.pass_data[SLOT_SOURCE]))
                    .Add(normal)
                    .Add(roughness)
                    .Add(metallic)
                    .Add(specular)
                    .Add(layers)
                    .Add(light);
            });
        }
        case PASS_INCIDENCE_RIM: {
            const IncidenceRimPass rim = IncidenceRimPassOf(pass);
            return Launch(device, CL_KERNEL_INCIDENCE_RIM, ctx.width, ctx.height,
                          [&](Args& a) { a.Add(out).Add(base).Add(normal).Add(layers).Add(rim); });
        }
        case PASS_IBL: {
            // A frame without a prepared HDRI has no environment pass; being asked for
            // one is a fault of the caller, not something to paint black.
            const DeviceHdriImages* hdri = ctx.hdri.get();
            if (!hdri || !hdri->diffuse || !hdri->specular || hdri->width <= 0 || hdri->height <= 0)
                return PF_Err_INTERNAL_STRUCT_DAMAGED;
            const IblPass ibl = IblPassOf(pass, ctx.width, ctx.height);
            return Launch(device, CL_KERNEL_ENVIRONMENT, ctx.width, ctx.height, [&](Args& a) {
                a.Add(out)
                    .Add(base)
                    .Add(normal)
                    .Add(roughness)
                    .Add(metallic)
                    .Add(specular)
                    .Add(layers)
                    .Add(buffer(hdri->diffuse))
                    .Add(buffer(hdri->specular))
                    .Add(hdri->width)
                    .Add(hdri->height)
                    .Add(hdri->stride)
                    .Add(ibl);
            });
        }
        default:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
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
