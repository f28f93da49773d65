// One smart-render frame as the host runs it: SMART_PRE_RENDER, then SMART_RENDER
// with the layers the pre-render checked out, into an output world of the frame's
// depth. Each frame has its own PF_InData, PF_OutData and extra blocks, so several
// may render at once on several threads.
//
// Layers come from the session's parameter model (ParamModel::SetLayer) unless the
// frame names its own. Every layer is handed over as it was built (size, depth, row
// padding), except the "HDRI" layer, which the host always hands in float.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/AE_Effect.h"
#include "host/AE_EffectSmartRender.h"
#include "minihost/GpuHost.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace minihost {

// Where a GPU frame renders: the device index, what the effect's device setup
// gave for it, and the extra bytes at the end of every GPU world's rows.
struct GpuTarget {
    A_u_long device_index = 0;
    const void* gpu_data = nullptr;
    int row_padding = 0;  // a multiple of 16
};

struct FrameRequest {
    int depth = 32;          // of the output: 8, 16 or 32
    int output_padding = 0;  // extra bytes per output row
    // Per-frame layers by parameter UI name ("" = the effect's own input layer);
    // a null world means "no layer". Parameters not named use the model's layer.
    std::map<std::string, const World*> layers;
    // The output is filled with this pattern before the render, so a frame that
    // must leave it alone can be checked.
    uint32_t output_seed = 0x7E;
    A_long current_time = 0, time_step = 1;
    A_u_long time_scale = 24;
    // The render command after the pre-render.
    PF_Cmd render_command = PF_Cmd_SMART_RENDER;
    // With PF_Cmd_SMART_RENDER_GPU: every layer is handed as a float GPU world on
    // this device (converted from its own depth) and the output is read back and
    // converted to `depth`, as the real host does.
    std::optional<GpuTarget> gpu;

    // ---- pre-render faults
    std::map<A_long, PF_Err> pre_render_checkout_error;  // checkout_layer returns this, by checkout id
    bool no_guid_mix = false;                            // the host offers no GuidMixInPtr

    // ---- faults, by checkout id of the render-time layer checkout
    std::map<A_long, PF_Err> checkout_error;  // returns this error (and no world)
    std::set<A_long> checkout_no_world;       // succeeds with no world
    PF_Err output_error = 0;                  // checkout_output returns this error
    bool output_no_world = false;             // checkout_output succeeds with no world
};

struct PreRenderCheckout {
    PF_ParamIndex index = 0;
    A_long checkout_id = 0;
    PF_RenderRequest request{};
    A_long time = 0, time_step = 0;
    A_u_long time_scale = 0;
};

struct FrameResult {
    Outcome pre_render;
    PF_PreRenderOutput pre_render_output{};
    std::vector<PreRenderCheckout> checkouts;  // as the pre-render asked, in order
    std::vector<uint8_t> guid_bytes;           // everything mixed into the cache key
    bool rendered = false;                     // the render command was sent
    Outcome render;
    std::vector<A_long> pixel_checkouts;  // checkout ids asked at render time
    int output_checkouts = 0;
    int layer_checkins = 0;
    std::optional<World> output;    // present once the render was sent
    bool output_untouched = false;  // still the fill pattern
    // The frame's layers were checked out a second time: the effect rendered the
    // frame again on the CPU.
    bool fallback = false;
    // What the host itself failed at during the command (a GPU layer it could not
    // allocate or upload); the effect got an error code for each.
    std::vector<std::string> host_errors;
    // Where the render's time went, in seconds: the render command as a whole, and
    // within it the host's uploads of GPU layers; then the GPU output's read-back.
    double command_seconds = 0, upload_seconds = 0, readback_seconds = 0;

    // The command's code: the render's, or the pre-render's when no render was sent.
    PF_Err err() const { return rendered ? render.err : pre_render.err; }
};

// The world a frame's output starts as: its pattern, size and depth.
World OutputBefore(const FrameRequest& request, int width, int height);

// Pre-render, then render when the pre-render succeeded. The output takes the size
// of the pre-render's result rectangle.
FrameResult RenderFrame(Session& session, const FrameRequest& request);

// The frames in order of the requests, rendered by `threads` threads at once.
std::vector<FrameResult> RenderFrames(Session& session, const std::vector<FrameRequest>& requests, int threads);

}  // namespace minihost
