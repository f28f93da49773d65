#include "minihost/Frame.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "host/AE_EffectGPU.h"
#include "minihost/Error.h"

namespace minihost {
namespace {

// The frame whose command runs on this thread. The effect calls the smart-render
// callbacks on the thread that sent the command, so each thread sees its own frame.
struct FrameJob {
    Session* session = nullptr;
    const FrameRequest* request = nullptr;
    FrameResult* result = nullptr;
    std::map<PF_ParamIndex, const World*> overrides;  // from request.layers, by index
    PF_ParamIndex hdri_index = -1;
    std::deque<World> float_copies;                // HDRIs handed in float; stable addresses
    std::map<PF_ParamIndex, const World*> handed;  // resolved once per frame
    std::map<A_long, PF_ParamIndex> requested;     // checkout id -> parameter, from the pre-render
    std::map<A_long, PF_EffectWorld> views;        // the frame's own copies of the world structs
    World* output = nullptr;
    PF_EffectWorld output_view{};
    // GPU frames: a GPU world per layer handed, and the output's.
    std::vector<std::unique_ptr<GpuWorld>> gpu_worlds;
    std::map<PF_ParamIndex, GpuWorld*> gpu_handed;
    GpuWorld* gpu_output = nullptr;
    std::atomic<int> world_data_calls{0};
};

bool OnGpu(const FrameJob& job) { return job.request->gpu && job.request->render_command == PF_Cmd_SMART_RENDER_GPU; }

GpuWorld& MakeGpuWorld(FrameJob& job, int width, int height) {
    const GpuTarget& t = *job.request->gpu;
    job.gpu_worlds.push_back(
        std::make_unique<GpuWorld>(job.session->gpu(), t.device_index, width, height, t.row_padding));
    GpuWorld& w = *job.gpu_worlds.back();
    w.data_calls = &job.world_data_calls;
    return w;
}

// The GPU world the host hands for a parameter in this frame: the layer uploaded once.
PF_EffectWorld* GpuLayerOf(FrameJob& job, PF_ParamIndex index, const World& layer) {
    if (auto it = job.gpu_handed.find(index); it != job.gpu_handed.end()) return &it->second->View();
    const auto start = std::chrono::steady_clock::now();
    GpuWorld& w = MakeGpuWorld(job, layer.width(), layer.height());
    w.Upload(layer);
    job.result->upload_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    job.gpu_handed[index] = &w;
    return &w.View();
}

thread_local FrameJob* t_job = nullptr;

class JobScope {
public:
    explicit JobScope(FrameJob* job) : previous_(t_job) { t_job = job; }
    ~JobScope() { t_job = previous_; }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    FrameJob* previous_;
};

FrameJob* JobFor(PF_ProgPtr ref) {
    FrameJob* job = t_job;
    return job && Session::FromEffectRef(ref) == job->session ? job : nullptr;
}

// The world the host hands for a parameter in this frame, or nullptr for none.
const World* LayerOf(FrameJob& job, PF_ParamIndex index) {
    if (auto it = job.handed.find(index); it != job.handed.end()) return it->second;
    const World* w = nullptr;
    if (auto it = job.overrides.find(index); it != job.overrides.end()) {
        w = it->second;
    } else {
        w = job.session->params().Layer(index);
    }
    // An HDRI clipped to 8 or 16 bits is worthless, so the host never hands one.
    if (w && index == job.hdri_index && w->depth() != 32) {
        World& f = job.float_copies.emplace_back(w->width(), w->height(), 32);
        for (int y = 0; y < w->height(); ++y)
            for (int x = 0; x < w->width(); ++x) f.Set(x, y, w->Get(x, y));
        w = &f;
    }
    job.handed[index] = w;
    return w;
}

PF_Err CheckoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long checkout_id, const PF_RenderRequest* req, A_long time,
                     A_long time_step, A_u_long time_scale, PF_CheckoutResult* out) {
    FrameJob* job = JobFor(ref);
    if (!job || !req || !out || checkout_id < 0 || index < 0 || index >= job->session->params().Count())
        return PF_Err_BAD_CALLBACK_PARAM;
    job->result->checkouts.push_back({index, checkout_id, *req, time, time_step, time_scale});
    const auto& failing = job->request->pre_render_checkout_error;
    if (auto e = failing.find(checkout_id); e != failing.end()) return e->second;
    job->requested[checkout_id] = index;
    std::memset(out, 0, sizeof *out);
    out->par = {1, 1};
    if (const World* w = LayerOf(*job, index)) {
        const PF_LRect bounds{0, 0, w->width(), w->height()};
        out->max_result_rect = bounds;
        out->result_rect = {std::max(bounds.left, req->rect.left), std::max(bounds.top, req->rect.top),
                            std::min(bounds.right, req->rect.right), std::min(bounds.bottom, req->rect.bottom)};
        if (out->result_rect.right < out->result_rect.left || out->result_rect.bottom < out->result_rect.top)
            out->result_rect = {0, 0, 0, 0};
        out->ref_width = w->width();
        out->ref_height = w->height();
    }
    return PF_Err_NONE;
}

PF_Err GuidMixIn(PF_ProgPtr ref, A_u_long size, const void* bytes) {
    FrameJob* job = JobFor(ref);
    if (!job || (size && !bytes)) return PF_Err_BAD_CALLBACK_PARAM;
    const auto* b = static_cast<const uint8_t*>(bytes);
    job->result->guid_bytes.insert(job->result->guid_bytes.end(), b, b + size);
    return PF_Err_NONE;
}

PF_Err CheckoutLayerPixels(PF_ProgPtr ref, A_long checkout_id, PF_EffectWorld** pixels) {
    FrameJob* job = JobFor(ref);
    if (!job || !pixels) return PF_Err_BAD_CALLBACK_PARAM;
    *pixels = nullptr;
    job->result->pixel_checkouts.push_back(checkout_id);
    const FrameRequest& r = *job->request;
    if (auto e = r.checkout_error.find(checkout_id); e != r.checkout_error.end()) return e->second;
    auto it = job->requested.find(checkout_id);
    if (it == job->requested.end()) return PF_Err_BAD_CALLBACK_PARAM;  // never checked out in pre-render
    if (r.checkout_no_world.count(checkout_id)) return PF_Err_NONE;
    const World* w = LayerOf(*job, it->second);
    if (!w) return PF_Err_NONE;
    if (OnGpu(*job)) {
        // Called from the effect: a failure is its error code, never an exception through it.
        try {
            *pixels = GpuLayerOf(*job, it->second, *w);
        } catch (const Error& e) {
            job->result->host_errors.emplace_back(e.what());
            return PF_Err_OUT_OF_MEMORY;
        }
        return PF_Err_NONE;
    }
    // A copy per frame: what the effect does to the struct stays in this frame.
    PF_EffectWorld& view = job->views[checkout_id];
    view = w->View();
    *pixels = &view;
    return PF_Err_NONE;
}

PF_Err CheckinLayerPixels(PF_ProgPtr ref, A_long) {
    FrameJob* job = JobFor(ref);
    if (!job) return PF_Err_BAD_CALLBACK_PARAM;
    ++job->result->layer_checkins;
    return PF_Err_NONE;
}

PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    FrameJob* job = JobFor(ref);
    if (!job || !output) return PF_Err_BAD_CALLBACK_PARAM;
    *output = nullptr;
    ++job->result->output_checkouts;
    const FrameRequest& r = *job->request;
    if (r.output_error) return r.output_error;
    if (r.output_no_world || !job->output) return PF_Err_NONE;
    if (job->gpu_output) {
        *output = &job->gpu_output->View();
        return PF_Err_NONE;
    }
    job->output_view = job->output->View();
    *output = &job->output_view;
    return PF_Err_NONE;
}

// Hands the pre-render's private data back to the effect on every path.
class PreRenderData {
public:
    explicit PreRenderData(const PF_PreRenderOutput& out) : out_(out) {}
    ~PreRenderData() {
        if (out_.delete_pre_render_data_func && out_.pre_render_data)
            out_.delete_pre_render_data_func(out_.pre_render_data);
    }
    PreRenderData(const PreRenderData&) = delete;
    PreRenderData& operator=(const PreRenderData&) = delete;

private:
    const PF_PreRenderOutput& out_;
};

}  // namespace

World OutputBefore(const FrameRequest& request, int width, int height) {
    World w(width, height, request.depth, request.output_padding);
    w.FillPattern(request.output_seed);
    return w;
}

FrameResult RenderFrame(Session& session, const FrameRequest& request) {
    FrameResult result;
    FrameJob job;
    job.session = &session;
    job.request = &request;
    job.result = &result;
    for (const auto& [name, world] : request.layers)
        job.overrides[name.empty() ? 0 : session.params().Find(name)] = world;
    try {
        job.hdri_index = session.params().Find("HDRI");
    } catch (const Error&) {
        job.hdri_index = -1;  // a module without an HDRI parameter
    }
    JobScope scope(&job);

    const World* input = LayerOf(job, 0);
    PF_RenderRequest output_request{};
    output_request.rect = {0, 0, input ? input->width() : 0, input ? input->height() : 0};
    output_request.field = PF_Field_FRAME;
    output_request.channel_mask = PF_ChannelMask_ARGB;

    CommandOptions options;
    options.input = input;
    options.current_time = request.current_time;
    options.time_step = request.time_step;
    options.time_scale = request.time_scale;

    PF_PreRenderInput pre_input{};
    pre_input.output_request = output_request;
    pre_input.bitdepth = static_cast<short>(request.depth);
    PF_PreRenderOutput pre_output{};
    PF_PreRenderCallbacks pre_cb{CheckoutLayer, request.no_guid_mix ? nullptr : GuidMixIn};
    PF_PreRenderExtra pre_extra{&pre_input, &pre_output, &pre_cb};
    options.extra = &pre_extra;
    PreRenderData pre_data(pre_output);
    result.pre_render = session.Send(PF_Cmd_SMART_PRE_RENDER, options);
    result.pre_render_output = pre_output;
    if (result.pre_render.err) return result;

    const PF_LRect rect = pre_output.result_rect;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return result;  // nothing to render

    result.output.emplace(OutputBefore(request, width, height));
    job.output = &*result.output;
    const bool on_gpu = OnGpu(job);
    const GpuDevice* device = on_gpu ? session.gpu().Device(request.gpu->device_index) : nullptr;
    if (on_gpu) {
        if (!device)
            throw Error("GPU frame on device " + std::to_string(request.gpu->device_index) + ": the host has " +
                        std::to_string(session.gpu().Count()) + " GPU devices");
        job.gpu_output = &MakeGpuWorld(job, width, height);
        FrameRequest float_request = request;
        float_request.depth = 32;
        float_request.output_padding = 0;
        job.gpu_output->Upload(OutputBefore(float_request, width, height));
    }

    PF_SmartRenderInput render_input{};
    render_input.output_request = output_request;
    render_input.output_request.rect = rect;
    render_input.bitdepth = static_cast<short>(request.depth);
    render_input.pre_render_data = pre_output.pre_render_data;
    if (on_gpu) {
        render_input.gpu_data = request.gpu->gpu_data;
        render_input.what_gpu = device->framework();
        render_input.device_index = request.gpu->device_index;
    }
    PF_SmartRenderCallbacks render_cb{CheckoutLayerPixels, CheckinLayerPixels, CheckoutOutput};
    PF_SmartRenderExtra render_extra{&render_input, &render_cb};
    options.extra = &render_extra;
    result.rendered = true;
    const auto start = std::chrono::steady_clock::now();
    {
        // The host's GPU commands run with the device's context current on the calling thread.
        DeviceScope scope(device);
        result.render = session.Send(request.render_command, options);
    }
    result.command_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.fallback = std::count(result.pixel_checkouts.begin(), result.pixel_checkouts.end(), 0) > 1;
    if (on_gpu) {
        // Read back in float, then stored in the frame's depth as the host converts it.
        const auto read_start = std::chrono::steady_clock::now();
        const World back = job.gpu_output->Download();
        result.readback_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - read_start).count();
        result.output_untouched = back.HoldsPattern(request.output_seed);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) result.output->Set(x, y, back.Get(x, y));
        return result;
    }
    result.output_untouched = result.output->HoldsPattern(request.output_seed);
    return result;
}

std::vector<FrameResult> RenderFrames(Session& session, const std::vector<FrameRequest>& requests, int threads) {
    std::vector<FrameResult> results(requests.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < requests.size();) {
            try {
                results[i] = RenderFrame(session, requests[i]);
            } catch (...) {
                std::lock_guard lock(failure_mutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    std::vector<std::jthread> pool;  // joined on every path out
    const int n = std::max(1, std::min<int>(threads, static_cast<int>(requests.size())));
    for (int t = 0; t < n; ++t) pool.emplace_back(work);
    for (std::jthread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    return results;
}

}  // namespace minihost
