// morvel-render: relights render passes with the Morvel module, loaded and
// driven through its exports exactly as the compositing host drives it.
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/ColorManagement.h"
#include "cli/DemoScene.h"
#include "cli/EffectError.h"
#include "cli/LightLimit.h"
#include "cli/Options.h"
#include "cli/OutputFrames.h"
#include "cli/SceneError.h"
#include "cli/SceneRenderer.h"
#include "minihost/CudaDevice.h"
#include "minihost/Error.h"
#include "minihost/OpenClDevice.h"
#include "minihost/Session.h"

#ifndef MORVEL_DEFAULT_MODULE
#define MORVEL_DEFAULT_MODULE ""
#endif

namespace {

using namespace morvel::cli;
namespace fs = std::filesystem;

constexpr int kExitEffect = 1;
constexpr int kExitUsage = 2;

// Beside the installed tool first, then where this build tree put it.
std::string FindModule() {
    std::vector<fs::path> candidates;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(self.parent_path() / "Morvel.aex");
        candidates.push_back(self.parent_path() / ".." / "lib" / "morvel" / "Morvel.aex");
    }
    if (*MORVEL_DEFAULT_MODULE) candidates.push_back(MORVEL_DEFAULT_MODULE);
    std::string tried;
    for (const auto& c : candidates) {
        if (fs::exists(c, ec)) return c.lexically_normal().string();
        tried += "\n  " + c.lexically_normal().string();
    }
    throw SceneError("no Morvel.aex found (give one with --module PATH); looked in:" + tried);
}

void ListParams(const std::vector<ParamInfo>& params) {
    std::printf("%-5s  %-18s  %-22s  %-12s  %-16s  %s\n", "index", "group", "UI name", "kind", "default",
                "valid range");
    for (const auto& p : params) {
        if (p.index == 0 || p.kind == ParamInfo::Kind::GroupEnd) continue;
        std::printf("%-5d  %-18s  %-22s  %-12s  %-16s  %s\n", p.index, p.group.c_str(), p.name.c_str(),
                    KindName(p.kind).c_str(), p.default_text.c_str(), p.range_text.c_str());
    }
}

std::string DefaultOutput(const Options& o, int depth, bool sequence) {
    if (!o.scene) return "morvel-demo.png";
    const std::string stem = fs::path(*o.scene).stem().string();
    return stem + (sequence ? ".####" : "") + (depth == 32 ? ".exr" : ".png");
}

class Progress {
public:
    Progress(std::size_t total, bool show) : total_(total), show_(show && total > 1 && isatty(STDERR_FILENO)) {}
    void Frame(int number) {
        ++done_;
        if (!show_) return;
        std::fprintf(stderr, "\rmorvel-render: frame %d, %zu of %zu, %.1f fps ", number, done_, total_, Fps());
        if (done_ == total_) std::fputc('\n', stderr);
    }
    double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
    double Fps() const { return done_ / std::max(Seconds(), 1e-6); }

private:
    std::size_t total_, done_ = 0;
    bool show_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Offers a device to the effect on its own, as a host probing its devices would,
// and prints one line for it (with -v, why it is not used).
void ProbeDevice(const std::string& module, const std::string& label,
                 const std::function<std::shared_ptr<minihost::GpuDevice>()>& open, bool verbose) {
    std::string verdict;
    std::string why;
    try {
        minihost::Session session(module);
        session.GlobalSetup();
        session.gpu().AddDevice(open());
        const minihost::GpuSetup setup = session.SetupGpuDevice(0);
        if (setup.accepted) {
            verdict = "accepted";
            session.SetdownGpuDevice(0, setup.gpu_data);
        } else {
            verdict = "declined";
            why = setup.outcome.err ? "device setup returned error " + std::to_string(setup.outcome.err) : "";
            if (!setup.outcome.Message().empty()) why += (why.empty() ? "" : ": ") + setup.outcome.Message();
        }
    } catch (const minihost::Error& e) {
        verdict = "unusable";
        why = e.what();
    }
    std::printf("%s: %s\n", label.c_str(), verdict.c_str());
    if (verbose && !why.empty()) std::printf("    %s\n", why.c_str());
}

void ListDevices(const std::string& module, bool verbose) {
    const minihost::CudaAvailability cuda = minihost::CudaDevices();
    if (cuda.devices.empty()) std::printf("no CUDA devices (%s)\n", cuda.why.c_str());
    for (const minihost::CudaDeviceEntry& d : cuda.devices) {
        const std::string label = "cuda " + std::to_string(d.ordinal) + "  gpu  " + d.name + " (compute " +
                                  std::to_string(d.major) + "." + std::to_string(d.minor) + ")";
        ProbeDevice(
            module, label, [&] { return std::make_shared<minihost::CudaDevice>(d); }, verbose);
    }
    const std::vector<minihost::OpenClDeviceEntry> devices = minihost::ListOpenClDevices();
    if (devices.empty()) {
        std::printf("no OpenCL devices (no OpenCL library, or no platform installed)\n");
        return;
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const minihost::OpenClDeviceEntry& d = devices[i];
        const std::string label =
            std::to_string(i) + "  " + (d.gpu ? "gpu" : "cpu") + "  " + d.name + " (" + d.platform_name + ")";
        ProbeDevice(
            module, label, [&] { return std::make_shared<minihost::OpenClDevice>(d); }, verbose);
    }
}

// A GPU device --backend may use, opened only when its turn comes.
struct Candidate {
    const char* kind;  // "CUDA" or "OpenCL"
    std::function<std::shared_ptr<minihost::GpuDevice>()> open;
};

// The devices --backend asks for, in order of preference: cuda the first CUDA
// device; opencl the first OpenCL GPU, else any OpenCL device; auto a CUDA device,
// then an OpenCL GPU (a CPU platform would be slower than the CPU path).
std::vector<Candidate> Candidates(Backend backend, const HostFaults& faults) {
    std::vector<Candidate> out;
    if (backend == Backend::Cuda || backend == Backend::Auto) {
        const minihost::CudaAvailability cuda = minihost::CudaDevices();
        if (cuda.devices.empty() && backend == Backend::Cuda)
            throw SceneError("--backend cuda: no CUDA device (" + cuda.why + ")");
        if (!cuda.devices.empty()) {
            const minihost::CudaDeviceEntry first = cuda.devices.front();
            out.push_back({"CUDA", [first] { return std::make_shared<minihost::CudaDevice>(first); }});
        }
    }
    if (backend == Backend::OpenCl || backend == Backend::Auto) {
        const std::vector<minihost::OpenClDeviceEntry> devices = minihost::ListOpenClDevices();
        std::optional<minihost::OpenClDeviceEntry> pick;
        for (const auto& d : devices)
            if (d.gpu && !pick) pick = d;
        if (backend == Backend::OpenCl) {
            if (devices.empty())
                throw SceneError("--backend opencl: no OpenCL device found (no OpenCL library or platform installed)");
            if (!pick) pick = devices.front();
        }
        const bool foreign_queue = faults.gpu_queue;
        if (pick)
            out.push_back({"OpenCL", [entry = *pick, foreign_queue] {
                               return std::make_shared<minihost::OpenClDevice>(entry, foreign_queue);
                           }});
    }
    return out;
}

// Offers the candidates to the effect in turn until it takes one. A device asked
// for by name that cannot be opened stops the run; under auto it is skipped with
// a warning. Each device the effect declines is reported; none taken is the CPU.
void ChooseDevice(SceneRenderer& renderer, const Options& o, const HostFaults& faults) {
    const std::vector<Candidate> candidates = Candidates(o.backend, faults);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        const char* next = i + 1 < candidates.size() ? "trying the next device" : "rendering on the CPU";
        std::shared_ptr<minihost::GpuDevice> device;
        try {
            device = c.open();
        } catch (const minihost::Error& e) {
            if (o.backend != Backend::Auto)
                throw SceneError(std::string("--backend ") + (o.backend == Backend::Cuda ? "cuda" : "opencl") + ": " +
                                 e.what());
            if (!o.quiet) std::fprintf(stderr, "morvel-render: warning: %s; %s\n", e.what(), next);
            continue;
        }
        const std::string name = device->name();
        const std::optional<std::string> why = renderer.UseGpuDevice(std::move(device), faults);
        if (!why) return;
        std::fprintf(stderr, "morvel-render: %s device '%s' not used (%s); %s\n", c.kind, name.c_str(), why->c_str(),
                     next);
    }
}

HostFaults Faults(const Options& o) {
    HostFaults f;
    for (const std::string& n : o.inject_faults) {
        f.gpu_suite = f.gpu_suite || n == "gpu-suite";
        f.gpu_device_info = f.gpu_device_info || n == "gpu-device-info";
        f.gpu_world_data = f.gpu_world_data || n == "gpu-world-data";
        f.gpu_queue = f.gpu_queue || n == "gpu-queue";
        f.gpu_memory = f.gpu_memory || n == "gpu-memory";
    }
    return f;
}

int Run(const Options& o) {
    const std::string module = o.module ? *o.module : FindModule();
    std::error_code ec;
    if (o.module && !fs::exists(*o.module, ec)) throw SceneError(*o.module + ": no such module file (--module)");
    if (o.list_devices) {
        ListDevices(module, o.verbose);
        return 0;
    }
    SceneRenderer renderer(module, o.list_params ? 1 : o.jobs);
    if (o.list_params) {
        ListParams(renderer.Params());
        return 0;
    }
    if (o.backend != Backend::Cpu) ChooseDevice(renderer, o, Faults(o));
    std::unique_ptr<std::ofstream> report;
    if (o.report) {
        report = std::make_unique<std::ofstream>(*o.report, std::ios::trunc);
        if (!*report) throw SceneError(*o.report + ": cannot write the report file (--report)");
        renderer.OnReport([&](const FrameReport& r) {
            nlohmann::json j = {{"frame", r.frame},
                                {"backend", r.backend},
                                {"device", r.device ? nlohmann::json(*r.device) : nlohmann::json(nullptr)},
                                {"fallback", r.fallback},
                                {"seconds", r.seconds}};
            *report << j.dump() << "\n" << std::flush;
        });
    }

    const Scene parsed = o.scene ? LoadScene(*o.scene) : Scene{};
    const SceneColors colors(parsed, o.colorconfig.value_or(""));
    for (const auto& w : colors.warnings()) std::cerr << "morvel-render: warning: " << w << "\n";
    SceneImages scene = o.scene ? LoadSceneImages(parsed) : MakeDemoScene();
    colors.ConvertLayers(scene);
    const int depth = o.depth ? *o.depth : scene.scene.depth ? *scene.scene.depth : 32;
    std::vector<ParamSetting> overrides;
    for (const auto& s : o.sets) overrides.push_back(ParseParamAssignment(s));

    const int first = o.frames ? o.frames->first : 0, last = o.frames ? o.frames->second : 0;
    const std::string pattern = o.output ? *o.output : DefaultOutput(o, depth, last > first);
    CheckOutputFormat(FramePath(pattern, first), depth, o.compression);
    const FramePlan plan = PlanFrames(pattern, first, last, o.skip_existing);
    if (!o.quiet && !plan.skipped.empty())
        std::fprintf(stderr, "morvel-render: %zu of %d frames exist already (--skip-existing)\n", plan.skipped.size(),
                     last - first + 1);
    if (plan.render.empty()) return 0;
    renderer.Load(scene, depth, overrides);

    const std::vector<int>& frames = plan.render;
    const std::string lights_warning =
        IgnoredLightsWarning(scene.scene, IgnoredLights(scene.scene, frames, renderer.width(), renderer.height()));
    if (!lights_warning.empty()) std::fprintf(stderr, "morvel-render: warning: %s\n", lights_warning.c_str());
    Progress progress(frames.size(), !o.quiet);
    renderer.Render(frames, [&](int frame, Frame&& image) {
        colors.ConvertOutput(image);
        WriteImage(FramePath(pattern, frame), image, o.compression);
        progress.Frame(frame);
    });
    if (!o.quiet) {
        if (frames.size() == 1)
            std::fprintf(stderr, "morvel-render: wrote %s (%d x %d, %d-bit) in %.2f s\n",
                         FramePath(pattern, frames.front()).c_str(), renderer.width(), renderer.height(), depth,
                         progress.Seconds());
        else
            std::fprintf(stderr, "morvel-render: wrote %zu frames to %s (%d x %d, %d-bit) in %.2f s, %.1f fps\n",
                         frames.size(), pattern.c_str(), renderer.width(), renderer.height(), depth, progress.Seconds(),
                         progress.Fps());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The image decoders allocate and free a buffer per chunk of every file. By
    // default the allocator hands such memory back to the kernel at once, and
    // each next chunk faults it in again; kept, it is reused as it stands.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    try {
        const Options o = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (o.help) {
            std::cout << Usage();
            return 0;
        }
        return Run(o);
    } catch (const EffectError& e) {
        std::cerr << "morvel-render: " << e.what() << "\n";
        return kExitEffect;
    } catch (const minihost::EffectFailure& e) {
        std::cerr << "morvel-render: the effect failed: " << e.what() << "\n";
        return kExitEffect;
    } catch (const SceneError& e) {
        std::cerr << "morvel-render: " << e.what() << "\n";
        return kExitUsage;
    } catch (const minihost::Error& e) {
        std::cerr << "morvel-render: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        std::cerr << "morvel-render: out of memory (are the images or the frame range too large?)\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "morvel-render: " << e.what() << "\n";
        return kExitUsage;
    }
}
