// morvel-render: relights render passes with the Morvel module, loaded and
// driven through its exports exactly as the compositing host drives it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli/DemoScene.h"
#include "cli/EffectError.h"
#include "cli/LightLimit.h"
#include "cli/Options.h"
#include "cli/SceneError.h"
#include "cli/SceneRenderer.h"
#include "minihost/Error.h"

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

int Run(const Options& o) {
    if (o.backend == Backend::OpenCl || o.backend == Backend::Cuda)
        throw SceneError(std::string("--backend ") + (o.backend == Backend::OpenCl ? "opencl" : "cuda") +
                         ": not available in this build (the GPU frame flows are not wired into morvel-render yet); "
                         "use --backend cpu or auto");

    const std::string module = o.module ? *o.module : FindModule();
    std::error_code ec;
    if (o.module && !fs::exists(*o.module, ec)) throw SceneError(*o.module + ": no such module file (--module)");
    SceneRenderer renderer(module, o.list_params ? 1 : o.jobs);
    if (o.list_params) {
        ListParams(renderer.Params());
        return 0;
    }

    SceneImages scene = o.scene ? LoadSceneImages(LoadScene(*o.scene)) : MakeDemoScene();
    const int depth = o.depth ? *o.depth : scene.scene.depth ? *scene.scene.depth : 32;
    std::vector<ParamSetting> overrides;
    for (const auto& s : o.sets) overrides.push_back(ParseParamAssignment(s));

    const int first = o.frames ? o.frames->first : 0, last = o.frames ? o.frames->second : 0;
    const std::string pattern = o.output ? *o.output : DefaultOutput(o, depth, last > first);
    CheckOutputFormat(FramePath(pattern, first), depth);
    renderer.Load(scene, depth, overrides);

    std::vector<int> frames;
    for (int f = first; f <= last; ++f) frames.push_back(f);
    const std::string lights_warning =
        IgnoredLightsWarning(scene.scene, IgnoredLights(scene.scene, frames, renderer.width(), renderer.height()));
    if (!lights_warning.empty()) std::fprintf(stderr, "morvel-render: warning: %s\n", lights_warning.c_str());
    Progress progress(frames.size(), !o.quiet);
    renderer.Render(frames, [&](int frame, Frame&& image) {
        WriteImage(FramePath(pattern, frame), image);
        progress.Frame(frame);
    });
    if (!o.quiet) {
        if (frames.size() == 1)
            std::fprintf(stderr, "morvel-render: wrote %s (%d x %d, %d-bit) in %.2f s\n",
                         FramePath(pattern, first).c_str(), renderer.width(), renderer.height(), depth,
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
