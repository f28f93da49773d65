#include "render/SmartRender.h"

#include <optional>

#include "cpu/CpuPasses.h"
#include "frame/FrameSettingsBuild.h"
#include "scene/CollectSceneLights.h"
#include "scene/SceneLight.h"

namespace morvel {
namespace {

// The HDRI buffers go on every path out of the frame, exceptions included.
class FrameBuffersGuard {
public:
    explicit FrameBuffersGuard(FrameContext& ctx) : ctx_(ctx) {}
    ~FrameBuffersGuard() { ReleaseFrameBuffers(ctx_); }
    FrameBuffersGuard(const FrameBuffersGuard&) = delete;
    FrameBuffersGuard& operator=(const FrameBuffersGuard&) = delete;

private:
    FrameContext& ctx_;
};

}  // namespace

PF_Err SmartRender(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra) {
    if (!in_data || !extra || !extra->cb) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    FrameParams params;
    FrameParamsGuard params_guard(in_data, params);
    FrameSettings frame = BuildFrameSettings(in_data, params);

    SceneLight lights[kMaxSceneLights] = {};
    const float layer_width = static_cast<float>(in_data->width);
    const float layer_height = static_cast<float>(in_data->height);
    const int32_t light_count = CollectSceneLights(in_data, lights, kMaxSceneLights, layer_width, layer_height);

    FrameContext ctx;
    FrameBuffersGuard buffers_guard(ctx);
    if (PF_Err err = CheckoutFrameLayers(in_data, out_data, extra, ctx, frame)) return err;

    frame.width = ctx.width;
    frame.height = ctx.height;
    frame.stride = ctx.width;
    ClearToOpaqueBlack(ctx);

    PF_Err status = PF_Err_NONE;
    bool written = false;  // decides which pass overwrites instead of adding

    if (frame.ibl_enable && ctx.hdri) {
        if (std::optional<FrameSettings> pass = MakePassRecord(frame, PASS_IBL, written)) {
            status = RenderIblPassCpu(ctx, *pass);
            written = written || status == PF_Err_NONE;
        }
    }

    for (int32_t i = 0; i < light_count && i < kMaxSceneLights; ++i) {
        if (!lights[i].valid) continue;
        std::optional<FrameSettings> pass = MakePassRecord(frame, lights[i], layer_width, layer_height, written);
        if (!pass) continue;
        status = RenderPassCpu(ctx, *pass);
        if (status != PF_Err_NONE) break;
        written = true;
    }

    if (frame.incidence_enable || frame.rimlight_enable) {
        if (std::optional<FrameSettings> pass = MakePassRecord(frame, PASS_INCIDENCE_RIM, written)) {
            status = RenderPassCpu(ctx, *pass);
        }
    }
    return status;
}

}  // namespace morvel
