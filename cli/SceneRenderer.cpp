#include "cli/SceneRenderer.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>

#include "cli/EffectError.h"
#include "cli/SceneError.h"
#include "cli/Worlds.h"
#include "minihost/Composition.h"
#include "minihost/Error.h"
#include "minihost/Frame.h"
#include "minihost/GpuDevice.h"
#include "minihost/ParamText.h"
#include "minihost/Session.h"

namespace morvel::cli {
namespace {

ParamInfo::Kind KindOf(PF_ParamType type) {
    switch (type) {
        case PF_Param_LAYER:
            return ParamInfo::Kind::Layer;
        case PF_Param_FLOAT_SLIDER:
            return ParamInfo::Kind::Float;
        case PF_Param_ANGLE:
            return ParamInfo::Kind::Angle;
        case PF_Param_CHECKBOX:
            return ParamInfo::Kind::Checkbox;
        case PF_Param_COLOR:
            return ParamInfo::Kind::Color;
        case PF_Param_GROUP_START:
            return ParamInfo::Kind::GroupStart;
        case PF_Param_GROUP_END:
            return ParamInfo::Kind::GroupEnd;
        default:
            return ParamInfo::Kind::Other;
    }
}

std::vector<ParamInfo> ReadParams(minihost::ParamModel& model) {
    std::vector<ParamInfo> out;
    for (int i = 0; i < model.Count(); ++i) {
        const PF_ParamDef def = model.Current(i);
        ParamInfo p;
        p.index = i;
        p.name = model.Name(i);
        p.group = model.Group(i);
        p.kind = i == 0 ? ParamInfo::Kind::Layer : KindOf(def.param_type);
        if (p.kind == ParamInfo::Kind::Float) {
            p.valid_min = def.u.fs_d.valid_min;
            p.valid_max = def.u.fs_d.valid_max;
        }
        p.default_text = minihost::ParamDefaultText(def);
        p.range_text = minihost::ParamValidRangeText(def);
        out.push_back(std::move(p));
    }
    return out;
}

void Check(const minihost::Outcome& outcome, const std::string& what) {
    if (outcome.err != PF_Err_NONE) throw EffectError(outcome.err, what, outcome.Message());
}

uint8_t Channel(double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); }

// The name the parameter model resolves: "Group/Name" only where the name is shared.
std::string ModelName(const std::vector<ParamInfo>& params, const ParamInfo& p) {
    int same = 0;
    for (const auto& q : params) same += q.name == p.name && q.kind != ParamInfo::Kind::GroupEnd;
    return same > 1 ? p.group + "/" + p.name : p.name;
}

void ApplyParam(minihost::ParamModel& model, const std::vector<ParamInfo>& params, const ParamSetting& s,
                double frame) {
    const ParamInfo& p = ResolveParam(params, s.name, s.where);
    const std::string name = ModelName(params, p);
    const Value v = s.value.At(frame);
    switch (p.kind) {
        case ParamInfo::Kind::Float:
            model.SetFloat(name, v.number);
            break;
        case ParamInfo::Kind::Angle:
            model.SetAngle(name, v.number);
            break;
        case ParamInfo::Kind::Checkbox:
            model.SetCheckbox(name, v.flag);
            break;
        case ParamInfo::Kind::Color:
            model.SetColor(name, PF_Pixel{255, Channel(v.vec[0]), Channel(v.vec[1]), Channel(v.vec[2])});
            break;
        default:
            break;  // CheckParams refused every other kind
    }
}

void PlaceLights(minihost::Composition& comp, const Scene& scene, double frame, int width, int height) {
    comp.Clear();
    for (const auto& spec : scene.lights) {
        const LightState l = EvaluateLight(spec, frame, scene.fps, width, height);
        minihost::CompLayer& layer =
            comp.AddLight(static_cast<AEGP_LightType>(l.type), {l.position[0], l.position[1], l.position[2]},
                          {l.point_of_interest[0], l.point_of_interest[1], l.point_of_interest[2]});
        layer.name = l.name;
        layer.color[0] = 1;
        for (int i = 0; i < 3; ++i) layer.color[i + 1] = l.color[i];
        layer.intensity = l.intensity;
        layer.cone_angle = l.cone_angle;
        layer.cone_feather = l.cone_feather;
        layer.falloff_type = double(static_cast<int>(l.falloff));
        layer.falloff_radius = l.falloff_radius;
        layer.falloff_distance = l.falloff_distance;
        // Activity is already resolved for this frame; a light that is off is a
        // layer whose video never starts.
        if (!l.active) layer.in_point = std::numeric_limits<double>::infinity();
    }
}

}  // namespace

SceneRenderer::SceneRenderer(const std::string& module_path, int threads) {
    for (int i = 0; i < std::max(threads, 1); ++i) {
        auto session = std::make_unique<minihost::Session>(module_path);
        Check(session->GlobalSetup(), module_path + ": global setup");
        Check(session->ParamsSetup(), module_path + ": parameter setup");
        sessions_.push_back(std::move(session));
    }
    params_ = ReadParams(sessions_.front()->params());
}

SceneRenderer::~SceneRenderer() {
    if (!gpu_data_) return;
    try {
        sessions_.front()->SetdownGpuDevice(device_index_, gpu_data_);
    } catch (const minihost::Error&) {
        // A destructor cannot report; the process is ending its use of the module.
    }
}

std::optional<std::string> SceneRenderer::UseGpuDevice(std::shared_ptr<minihost::GpuDevice> device,
                                                       const HostFaults& faults) {
    if (gpu_data_) throw minihost::Error("a GPU device is in use already");
    device_ = std::move(device);
    for (auto& session : sessions_) {
        // Every session adds its devices in the same order, so the index is the same in each.
        device_index_ = session->gpu().AddDevice(device_);
        session->gpu().faults.device_info_fails = faults.gpu_device_info;
        session->gpu().faults.first_world_data_null = faults.gpu_world_data;
        session->gpu().faults.device_memory_fails = faults.gpu_memory;
        if (faults.gpu_suite) session->suites().SetMode("PF GPU Device Suite", 1, minihost::SuiteMode::AcquireFails);
    }
    // One setup for the process: every session drives the same loaded module.
    const minihost::GpuSetup setup = sessions_.front()->SetupGpuDevice(device_index_);
    if (setup.accepted) {
        gpu_data_ = setup.gpu_data;
        return std::nullopt;
    }
    std::string why = setup.outcome.err ? "device setup returned error " + std::to_string(setup.outcome.err)
                                        : "the effect declined the device";
    if (!setup.outcome.Message().empty()) why += ": " + setup.outcome.Message();
    return why;
}

void SceneRenderer::Load(const SceneImages& scene, int depth, const std::vector<ParamSetting>& overrides) {
    CheckLayers(scene.scene, params_);
    CheckParams(scene.scene.params, params_);
    CheckParams(overrides, params_);
    scene_ = scene.scene;
    settings_ = scene.scene.params;
    settings_.insert(settings_.end(), overrides.begin(), overrides.end());
    depth_ = depth;

    worlds_.clear();
    for (const auto& [name, image] : scene.layers) {
        try {
            worlds_[name] = std::make_unique<minihost::World>(ToWorld(image, name == "HDRI" ? 32 : depth));
        } catch (const minihost::Error& e) {
            const std::string file = scene.scene.file.empty() ? std::string("scene") : scene.scene.file;
            const LayerRef* ref = scene.scene.FindLayer(name);
            throw SceneError(file + ": layers." + name + (ref ? " (" + ref->path + ")" : "") + ": " + e.what());
        }
    }
    const std::string input_name = worlds_.count("input") ? "input" : "Diffuse Albedo";
    const minihost::World* input = worlds_[input_name].get();
    const Image& input_image = scene.layers.at(input_name);
    origin_x_ = input_image.origin_x;
    origin_y_ = input_image.origin_y;
    data_window_ = input_image.data_window;
    width_ = input->width();
    height_ = input->height();
    for (auto& session : sessions_) {
        minihost::ParamModel& model = session->params();
        model.SetLayer(PF_ParamIndex(0), input);
        for (const auto& p : params_)
            if (p.kind == ParamInfo::Kind::Layer && p.index > 0) {
                auto it = worlds_.find(p.name);
                model.SetLayer(p.index, it == worlds_.end() ? nullptr : it->second.get());
            }
    }
}

Frame SceneRenderer::RenderOn(minihost::Session& session, int frame, FrameReport& report) {
    const auto start = std::chrono::steady_clock::now();
    // Nothing reads the records here; dropping them each frame keeps a long sequence in bounded memory.
    session.params().ClearRecords();
    session.suites().ClearEvents();
    session.composition().ClearQueries();
    for (const auto& s : settings_) ApplyParam(session.params(), params_, s, frame);
    PlaceLights(session.composition(), scene_, frame, width_, height_);
    minihost::FrameRequest request;
    request.depth = depth_;
    // Whole frames in thousandths, so fractional rates such as 23.976 stay exact enough.
    request.time_scale = A_u_long(std::lround(scene_.fps * 1000));
    request.time_step = 1000;
    request.current_time = A_long(frame) * 1000;
    if (gpu_data_) {
        request.render_command = PF_Cmd_SMART_RENDER_GPU;
        request.gpu = minihost::GpuTarget{device_index_, gpu_data_, 0};
    }
    const minihost::FrameResult result = minihost::RenderFrame(session, request);
    const std::string context =
        "frame " + std::to_string(frame) + (result.rendered ? " (smart render)" : " (smart pre-render)");
    // The host's own failure, not the effect's: say what it was.
    if (result.err() != PF_Err_NONE && !result.host_errors.empty())
        throw minihost::Error(context + ": " + result.host_errors.front());
    if (result.err() != PF_Err_NONE)
        throw EffectError(result.err(), context, (result.rendered ? result.render : result.pre_render).Message());
    if (!result.output) {
        const PF_LRect& r = result.pre_render_output.result_rect;
        throw minihost::EffectFailure(context + ": the pre-render succeeded but its result rectangle is empty (left " +
                                      std::to_string(r.left) + ", top " + std::to_string(r.top) + ", right " +
                                      std::to_string(r.right) + ", bottom " + std::to_string(r.bottom) + ")");
    }
    Frame out = FromWorld(*result.output);
    if (out.pixels.width == width_ && out.pixels.height == height_) {
        out.pixels.origin_x = origin_x_;
        out.pixels.origin_y = origin_y_;
        out.pixels.data_window = data_window_;
    }
    report.frame = frame;
    report.backend = !gpu_data_ ? "cpu" : device_->framework() == PF_GPU_Framework_CUDA ? "cuda" : "opencl";
    if (gpu_data_) report.device = device_->name();
    report.fallback = result.fallback;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return out;
}

Frame SceneRenderer::RenderOne(int frame) {
    FrameReport report;
    Frame f = RenderOn(*sessions_.front(), frame, report);
    if (report_) report_(report);
    return f;
}

void SceneRenderer::Render(const std::vector<int>& frames, const std::function<void(int, Frame&&)>& done) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::exception_ptr error;
    auto work = [&](minihost::Session& session) {
        while (!stop) {
            const std::size_t i = next++;
            if (i >= frames.size()) return;
            try {
                FrameReport report;
                Frame f = RenderOn(session, frames[i], report);
                std::lock_guard lock(mutex);
                if (stop) continue;
                if (report_) report_(report);
                done(frames[i], std::move(f));
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!error) error = std::current_exception();
                stop = true;
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        for (std::size_t t = 1; t < sessions_.size() && t < frames.size(); ++t)
            threads.emplace_back(work, std::ref(*sessions_[t]));
        work(*sessions_.front());
    }
    if (error) std::rethrow_exception(error);
}

}  // namespace morvel::cli
