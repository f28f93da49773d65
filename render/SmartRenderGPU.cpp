#include "render/SmartRenderGPU.h"

#include <optional>

#include "frame/FrameSettingsBuild.h"
#include "gpu/GpuFrame.h"
#include "scene/CollectSceneLights.h"
#include "scene/SceneLight.h"

namespace morvel {
namespace {

// Runs the frame's passes on the device; the first failure, or 0.
PF_Err RenderOnDevice(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceState& device) {
    FrameParams params;
    FrameParamsGuard params_guard(in_data, params);
    FrameSettings frame = BuildFrameSettings(in_data, params);

    SceneLight lights[kMaxSceneLights] = {};
    const float layer_width = static_cast<float>(in_data->width);
    const float layer_height = static_cast<float>(in_data->height);
    const int32_t light_count = CollectSceneLights(in_data, lights, kMaxSceneLights, layer_width, layer_height);

    GpuFrameContext ctx;
    struct Release {
        GpuFrameContext& ctx;
        ~Release() { ReleaseGpuFrame(ctx); }
    } release{ctx};
    if (PF_Err err = PrepareGpuFrame(in_data, out_data, extra, device, ctx, frame)) return err;

    frame.width = ctx.width;
    frame.height = ctx.height;
    frame.stride = ctx.stride;
    // Every back end starts from opaque black, so a frame without passes is black
    // rather than whatever the buffer held.
    if (PF_Err err = ClearGpuOutput(device, ctx)) return err;

    // Any pass that fails on the device fails the frame, which then renders on the
    // CPU: a later pass that succeeds must not hide it.
    bool written = false;
    // As on the CPU, the environment pass runs only where the frame has an HDRI.
    if (frame.ibl_enable && ctx.hdri) {
        if (std::optional<FrameSettings> pass = MakePassRecord(frame, PASS_IBL, written)) {
            if (PF_Err err = RunGpuPass(device, ctx, *pass)) return err;
            written = true;
        }
    }
    for (int32_t i = 0; i < light_count && i < kMaxSceneLights; ++i) {
        if (!lights[i].valid) continue;
        std::optional<FrameSettings> pass = MakePassRecord(frame, lights[i], layer_width, layer_height, written);
        if (!pass) continue;
        if (PF_Err err = RunGpuPass(device, ctx, *pass)) return err;
        written = true;
    }
    if (frame.incidence_enable || frame.rimlight_enable) {
        if (std::optional<FrameSettings> pass = MakePassRecord(frame, PASS_INCIDENCE_RIM, written))
            return RunGpuPass(device, ctx, *pass);
    }
    return PF_Err_NONE;
}

}  // namespace

PF_Err SmartRenderGPU(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceTable& devices) {
    if (!in_data || !extra || !extra->input || !extra->cb) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    GpuDeviceState* device = FindDeviceRecord(devices, extra->input->gpu_data);
    if (device && device->framework != PF_GPU_Framework_NONE) {
        // The parameters are checked back in before the fallback checks them out again.
        if (RenderOnDevice(in_data, out_data, extra, *device) == PF_Err_NONE) return PF_Err_NONE;
    }
    return StagedCpuFallback(in_data, out_data, extra, device);
}

}  // namespace morvel
