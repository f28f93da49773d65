// Drives the effect module through minihost exactly as the host does: global
// and parameter setup once, then per frame the scene's parameter values and
// lights at that time, smart pre-render and smart render.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Images.h"
#include "cli/ParamCheck.h"
#include "cli/SceneImages.h"
#include "host/AE_Effect.h"

namespace minihost {
class GpuDevice;
class Session;
class World;
}  // namespace minihost

namespace morvel::cli {

// How one frame was rendered.
struct FrameReport {
    int frame = 0;
    std::string backend;                // "cpu", "opencl" or "cuda"
    std::optional<std::string> device;  // the GPU device's name
    bool fallback = false;              // the effect rendered the frame again on the CPU
    double seconds = 0;
};

// The host faults of --inject-fault, by name.
struct HostFaults {
    bool gpu_suite = false;
    bool gpu_device_info = false;
    bool gpu_world_data = false;
    bool gpu_queue = false;
    bool gpu_memory = false;
};

class SceneRenderer {
public:
    // One effect instance per render thread, each set up as the host sets one
    // up. Throws minihost::Error for a module that cannot be loaded and
    // EffectError when a setup command fails.
    SceneRenderer(const std::string& module_path, int threads = 1);
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // What the module registered, index order (index 0 is the effect's own layer).
    const std::vector<ParamInfo>& Params() const { return params_; }

    // Checks layers, parameters and `overrides` (applied after the scene's)
    // against the registered parameters, then builds the layer worlds in `depth`
    // (the HDRI always in float). Throws SceneError.
    void Load(const SceneImages& scene, int depth, const std::vector<ParamSetting>& overrides = {});

    // Offers the GPU device (OpenCL or CUDA) to the effect with GPU device setup;
    // frames then go through the GPU command on it, all threads sharing the
    // device. Returns nullopt when the effect takes the device, else why not
    // (frames then render through the CPU command, as the host does, unless another
    // device is offered next).
    std::optional<std::string> UseGpuDevice(std::shared_ptr<minihost::GpuDevice> device, const HostFaults& faults);
    // Each rendered frame's report, called like `done`.
    void OnReport(std::function<void(const FrameReport&)> sink) { report_ = std::move(sink); }

    int width() const { return width_; }
    int height() const { return height_; }

    Frame RenderOne(int frame);
    // Renders the frames on all threads at once; `done` runs once per frame, one
    // call at a time, in completion order. The first error stops the sequence and
    // is rethrown here.
    void Render(const std::vector<int>& frames, const std::function<void(int, Frame&&)>& done);

private:
    Frame RenderOn(minihost::Session& session, int frame, FrameReport& report);

    std::vector<std::unique_ptr<minihost::Session>> sessions_;
    std::vector<ParamInfo> params_;
    Scene scene_;
    std::vector<ParamSetting> settings_;
    std::map<std::string, std::unique_ptr<minihost::World>> worlds_;
    int depth_ = 32, width_ = 0, height_ = 0;
    // The input's display origin and data window, which every output keeps.
    int origin_x_ = 0, origin_y_ = 0;
    std::optional<Window> data_window_;
    std::shared_ptr<minihost::GpuDevice> device_;
    A_u_long device_index_ = 0;
    void* gpu_data_ = nullptr;  // set while the effect holds device_index_
    std::function<void(const FrameReport&)> report_;
};

}  // namespace morvel::cli
