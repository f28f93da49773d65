#include "cli/Options.h"

#include <charconv>

#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

[[noreturn]] void Bad(const std::string& option, const std::string& message) {
    throw SceneError(option + ": " + message + " (morvel-render --help lists the options)");
}

bool ToInt(const std::string& text, int& out) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

std::pair<int, int> ParseFrames(const std::string& text) {
    // A single frame "12", or "A-B" with A <= B; negative frames are not used by the host's timeline here.
    int a = 0, b = 0;
    const auto dash = text.find('-', 1);
    const bool ok = dash == std::string::npos ? ToInt(text, a) && ToInt(text, b)
                                              : ToInt(text.substr(0, dash), a) && ToInt(text.substr(dash + 1), b);
    if (!ok || a < 0 || b < a) Bad("--frames " + text, "expected A-B with 0 <= A <= B, e.g. --frames 0-47");
    if (b > kMaxFrame) Bad("--frames " + text, "frames go up to " + std::to_string(kMaxFrame));
    return {a, b};
}

}  // namespace

const char* Usage() {
    return "usage: morvel-render [SCENE.json] [options]\n"
           "Relights render passes with the Morvel effect module, loaded as the compositing host loads it.\n"
           "Without SCENE.json it renders the built-in demo scene to morvel-demo.png.\n"
           "\n"
           "  -o, --output PATH        output image; #### becomes the frame number (.exr .png .tif .jpg)\n"
           "      --compression NAME   how the output is compressed, lossless in every case:\n"
           "                             .exr: zips:1 (default), zips, zip, piz, rle, none; zip:1 to zip:9\n"
           "                                   and zips:1 to zips:9 set the deflate level (9: slowest)\n"
           "                             .png: zip:1 to zip:9 (default zip:4), zip (level 6), none\n"
           "      --depth 8|16|32      pixel depth of the frame (default: the scene's, else 32)\n"
           "      --backend auto|cpu|opencl|cuda   frame flow to request (default auto: a GPU device when\n"
           "                           one is present, else cpu; CPU OpenCL platforms such as PoCL are\n"
           "                           used only when asked for with opencl)\n"
           "      --list-devices       print the OpenCL devices and whether the effect takes each; with -v\n"
           "                           also why a device is declined (its program build log)\n"
           "      --report FILE        write one JSON object per frame: frame, backend, device, fallback, seconds\n"
           "      --inject-fault NAME  make the host fail in a named way (repeatable):\n"
           "                             gpu-suite        the host has no \"PF GPU Device Suite\"\n"
           "                             gpu-device-info  GetDeviceInfo fails\n"
           "                             gpu-world-data   each frame's first GetGPUWorldData gives null\n"
           "                             gpu-queue        the device hands a queue of another context\n"
           "                             gpu-memory       AllocateDeviceMemory fails (out of device memory)\n"
           "      --frames A-B         render frames A to B (keyframes interpolate)\n"
           "      --jobs N             render N frames at once on N threads\n"
           "      --set 'Name=value'   set a parameter by UI name (repeatable), e.g. 'Rim Light/Amount=80'\n"
           "      --list-params        print the effect's parameters and exit\n"
           "      --module PATH        the Morvel.aex to load (default: the one beside this tool)\n"
           "      --colorconfig FILE   OpenColorIO config for the scene's colour spaces (default: $OCIO, else\n"
           "                           OpenImageIO's built-in one)\n"
           "      --skip-existing      leave frames whose output file exists (re-queued farm tasks)\n"
           "  -q, --quiet              no progress output\n"
           "  -v, --verbose            more detail (with --list-devices)\n"
           "  -h, --help               this text\n"
           "\n"
           "Exit status: 0 success, 1 the effect returned an error, 2 bad usage or bad scene.\n";
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string inline_value;
        std::string name = arg;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos && arg.rfind("--set", 0) != 0) {
            name = arg.substr(0, arg.find('='));
            inline_value = arg.substr(arg.find('=') + 1);
        }
        bool has_inline = name != arg;
        auto value = [&]() -> std::string {
            if (has_inline) return inline_value;
            if (i + 1 >= args.size()) Bad(name, "expects a value");
            return args[++i];
        };
        if (name == "-h" || name == "--help") {
            o.help = true;
        } else if (name == "-o" || name == "--output") {
            o.output = value();
            if (o.output->empty()) Bad(name, "expects a file name");
        } else if (name == "--compression") {
            o.compression = ParseCompression(value());
        } else if (name == "--depth") {
            const std::string v = value();
            int d = 0;
            if (!ToInt(v, d) || (d != 8 && d != 16 && d != 32)) Bad("--depth " + v, "expected 8, 16 or 32");
            o.depth = d;
        } else if (name == "--backend") {
            const std::string v = value();
            if (v == "auto")
                o.backend = Backend::Auto;
            else if (v == "cpu")
                o.backend = Backend::Cpu;
            else if (v == "opencl")
                o.backend = Backend::OpenCl;
            else if (v == "cuda")
                o.backend = Backend::Cuda;
            else
                Bad("--backend " + v, "expected auto, cpu, opencl or cuda");
        } else if (name == "--frames") {
            o.frames = ParseFrames(value());
        } else if (name == "--jobs" || name == "-j") {
            const std::string v = value();
            if (!ToInt(v, o.jobs) || o.jobs < 1 || o.jobs > 256)
                Bad(name + " " + v, "expected a thread count from 1 to 256");
        } else if (arg == "--set" || arg.rfind("--set=", 0) == 0) {
            has_inline = arg != "--set";
            inline_value = has_inline ? arg.substr(6) : "";
            name = "--set";
            o.sets.push_back(value());
        } else if (name == "--list-params") {
            o.list_params = true;
        } else if (name == "--list-devices") {
            o.list_devices = true;
        } else if (name == "-v" || name == "--verbose") {
            o.verbose = true;
        } else if (name == "--report") {
            o.report = value();
            if (o.report->empty()) Bad(name, "expects a file name");
        } else if (name == "--inject-fault") {
            const std::string v = value();
            bool known = false;
            std::string names;
            for (const char* f : kHostFaults) {
                known = known || v == f;
                names += std::string(names.empty() ? "" : ", ") + f;
            }
            if (!known) Bad("--inject-fault " + v, "expected one of " + names);
            o.inject_faults.push_back(v);
        } else if (name == "--module") {
            o.module = value();
        } else if (name == "--colorconfig") {
            o.colorconfig = value();
            if (o.colorconfig->empty()) Bad(name, "expects a config file name");
        } else if (name == "--skip-existing") {
            o.skip_existing = true;
        } else if (name == "-q" || name == "--quiet") {
            o.quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            Bad(arg, "unknown option");
        } else if (o.scene) {
            Bad(arg, "only one scene file can be given (already have " + *o.scene + ")");
        } else {
            o.scene = arg;
        }
        if (has_inline && (name == "--list-params" || name == "--list-devices" || name == "--verbose" ||
                           name == "--quiet" || name == "--help" || name == "--skip-existing"))
            Bad(arg, "takes no value");
    }
    if (o.frames && o.frames->second > o.frames->first && o.output && o.output->find('#') == std::string::npos)
        Bad("--output " + *o.output, "a frame range needs #### in the file name, or every frame overwrites the last");
    return o;
}

std::string FramePath(const std::string& pattern, int frame) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern[i] != '#') {
            out += pattern[i++];
            continue;
        }
        std::size_t run = 0;
        while (i + run < pattern.size() && pattern[i + run] == '#') ++run;
        std::string digits = std::to_string(frame);
        if (digits.size() < run) digits.insert(0, run - digits.size(), '0');
        out += digits;
        i += run;
    }
    return out;
}

}  // namespace morvel::cli
