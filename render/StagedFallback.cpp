// The CPU flow run on a GPU command. The host's GPU worlds have no CPU pixels
// behind `data`, so the CPU flow gets host copies of them instead: each layer is
// checked out again through the host's callbacks (a host can tell the fallback by
// that), downloaded by its buffer and row pitch, and the rendered output is
// uploaded into the GPU output world.
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "gpu/opencl/OpenClPass.h"
#include "hostaccess/HostSuites.h"
#include "render/SmartRender.h"
#include "render/SmartRenderGPU.h"

namespace morvel {
namespace {

struct HostCopy {
    std::vector<float> pixels;  // A R G B, rows packed
    PF_EffectWorld world{};
};

struct Staged {
    PF_InData* in_data = nullptr;
    PF_OutData* out_data = nullptr;
    PF_SmartRenderCallbacks* host = nullptr;
    GpuDeviceState* device = nullptr;
    std::unique_ptr<ScopedSuite<PF_GPUDeviceSuite1>> gpu;
    std::map<A_long, HostCopy> layers;
    HostCopy output;
    void* output_buffer = nullptr;
    int32_t output_pitch = 0;
    bool failed = false;
};

// The callbacks run on the thread that sent the command, so each frame finds its own.
thread_local Staged* t_staged = nullptr;

// The world's buffer and pitch in pixels, or null when the buffer cannot hold it.
void* GpuBuffer(Staged& s, PF_EffectWorld* world, int32_t& pitch) {
    pitch = 0;
    if (!s.device || world->width <= 0 || world->height <= 0 || world->rowbytes <= 0 || world->rowbytes % 16 != 0 ||
        static_cast<int64_t>(world->rowbytes) < 16 * static_cast<int64_t>(world->width))
        return nullptr;
    if (!s.gpu)
        s.gpu = std::make_unique<ScopedSuite<PF_GPUDeviceSuite1>>(s.in_data->pica_basicP, s.in_data, s.out_data);
    const PF_GPUDeviceSuite1& suite = **s.gpu;
    void* data = nullptr;
    size_t bytes = 0;
    if (!suite.GetGPUWorldData || !suite.GetGPUWorldSize ||
        suite.GetGPUWorldData(s.in_data->effect_ref, world, &data) != PF_Err_NONE || !data ||
        suite.GetGPUWorldSize(s.in_data->effect_ref, world, &bytes) != PF_Err_NONE)
        return nullptr;
    const uint64_t needed = static_cast<uint64_t>(world->rowbytes) * static_cast<uint64_t>(world->height - 1) +
                            16u * static_cast<uint64_t>(world->width);
    if (bytes < needed) return nullptr;
    pitch = world->rowbytes / 16;
    return data;
}

void MakeHostWorld(HostCopy& copy, const PF_EffectWorld& like) {
    copy.pixels.assign(static_cast<size_t>(like.width) * static_cast<size_t>(like.height) * 4u, 0.0f);
    copy.world = like;
    copy.world.world_flags &= ~PF_WorldFlag_DEEP;
    copy.world.data = reinterpret_cast<PF_PixelPtr>(copy.pixels.data());
    copy.world.rowbytes = like.width * 16;
}

// B G R A and A R G B are each other's reverse.
void ReverseChannels(std::vector<float>& pixels) {
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
        std::swap(pixels[i], pixels[i + 3]);
        std::swap(pixels[i + 1], pixels[i + 2]);
    }
}

PF_Err CheckoutLayerPixels(PF_ProgPtr ref, A_long checkout_id, PF_EffectWorld** pixels) {
    Staged* s = t_staged;
    if (!s || !pixels || !s->host->checkout_layer_pixels) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    PF_Err err = s->host->checkout_layer_pixels(ref, checkout_id, pixels);
    if (err || !*pixels || (*pixels)->data) return err;
    if (auto it = s->layers.find(checkout_id); it != s->layers.end()) {
        *pixels = &it->second.world;
        return PF_Err_NONE;
    }
    PF_EffectWorld* gpu_world = *pixels;
    *pixels = nullptr;
    int32_t pitch = 0;
    void* buffer = GpuBuffer(*s, gpu_world, pitch);
    // A world whose buffer cannot hold it is no layer, as on the CPU; a transfer
    // that fails is the frame's failure.
    if (!buffer) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    HostCopy& copy = s->layers[checkout_id];
    MakeHostWorld(copy, *gpu_world);
    if (!ReadOpenClPixels(*s->device, buffer, gpu_world->width, gpu_world->height, pitch, copy.pixels.data())) {
        s->layers.erase(checkout_id);
        s->failed = true;
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    ReverseChannels(copy.pixels);
    *pixels = &copy.world;
    return PF_Err_NONE;
}

PF_Err CheckinLayerPixels(PF_ProgPtr ref, A_long checkout_id) {
    Staged* s = t_staged;
    if (!s) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    return s->host->checkin_layer_pixels ? s->host->checkin_layer_pixels(ref, checkout_id) : PF_Err_NONE;
}

PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    Staged* s = t_staged;
    if (!s || !output || !s->host->checkout_output) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    PF_Err err = s->host->checkout_output(ref, output);
    if (err || !*output || (*output)->data) return err;
    PF_EffectWorld* gpu_world = *output;
    *output = nullptr;
    if (!s->output_buffer) {
        s->output_buffer = GpuBuffer(*s, gpu_world, s->output_pitch);
        if (!s->output_buffer) {
            s->failed = true;
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        MakeHostWorld(s->output, *gpu_world);
    }
    *output = &s->output.world;
    return PF_Err_NONE;
}

class StagedScope {
public:
    explicit StagedScope(Staged* s) : previous_(t_staged) { t_staged = s; }
    ~StagedScope() { t_staged = previous_; }
    StagedScope(const StagedScope&) = delete;
    StagedScope& operator=(const StagedScope&) = delete;

private:
    Staged* previous_;
};

}  // namespace

PF_Err StagedCpuFallback(PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra, GpuDeviceState* device) {
    if (!in_data || !extra || !extra->cb) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    Staged staged;
    staged.in_data = in_data;
    staged.out_data = out_data;
    staged.host = extra->cb;
    staged.device = device && device->framework == PF_GPU_Framework_OPENCL ? device : nullptr;
    // A frame for a device the effect does not hold (never set up, or set down)
    // still has OpenCL worlds: the host's own queue for the device moves them.
    GpuDeviceState transfers;
    if (!staged.device && extra->input && extra->input->what_gpu == PF_GPU_Framework_OPENCL) {
        staged.gpu = std::make_unique<ScopedSuite<PF_GPUDeviceSuite1>>(in_data->pica_basicP, in_data, out_data);
        PF_GPUDeviceInfo info{};
        if ((*staged.gpu)->GetDeviceInfo &&
            (*staged.gpu)->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &info) == PF_Err_NONE &&
            info.device_framework == PF_GPU_Framework_OPENCL && info.command_queuePV) {
            transfers.framework = PF_GPU_Framework_OPENCL;
            transfers.cl_queue = info.command_queuePV;
            staged.device = &transfers;
        }
    }
    PF_SmartRenderCallbacks callbacks{CheckoutLayerPixels, CheckinLayerPixels, CheckoutOutput};
    PF_SmartRenderExtra staged_extra{extra->input, &callbacks};

    PF_Err err = PF_Err_NONE;
    {
        StagedScope scope(&staged);
        err = SmartRender(in_data, out_data, &staged_extra);
    }
    if (err) return err;
    if (staged.failed) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    if (!staged.output_buffer) return PF_Err_NONE;  // the output had CPU pixels
    ReverseChannels(staged.output.pixels);
    const PF_EffectWorld& out = staged.output.world;
    if (!WriteOpenClPixels(*staged.device, staged.output_buffer, out.width, out.height, staged.output_pitch,
                           staged.output.pixels.data()))
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    return PF_Err_NONE;
}

}  // namespace morvel
