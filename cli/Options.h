// morvel-render's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/Compression.h"

namespace morvel::cli {

enum class Backend { Auto, Cpu, OpenCl, Cuda };

// Frame times reach the host in thousandths of a frame, as 32-bit integers.
inline constexpr int kMaxFrame = 2147483647 / 1000;

struct Options {
    std::optional<std::string> scene;  // none: the built-in demo scene
    std::optional<std::string> output;
    std::optional<Compression> compression;  // none: the output format's default
    std::optional<int> depth;
    Backend backend = Backend::Auto;
    std::optional<std::pair<int, int>> frames;  // inclusive
    int jobs = 1;
    std::vector<std::string> sets;  // "Name=value", in order
    bool list_params = false;
    bool list_devices = false;
    bool verbose = false;
    std::optional<std::string> report;       // JSON lines, one object per frame
    std::vector<std::string> inject_faults;  // names from kHostFaults
    std::optional<std::string> module;
    std::optional<std::string> colorconfig;  // none: $OCIO, else the built-in config
    bool skip_existing = false;
    bool quiet = false;
    bool help = false;
};

// The host faults --inject-fault can make (the help text says what each does).
inline constexpr const char* kHostFaults[] = {"gpu-suite", "gpu-device-info", "gpu-world-data", "gpu-queue",
                                              "gpu-memory"};

// Throws SceneError (exit status 2) naming the option and what it expects.
Options ParseOptions(const std::vector<std::string>& args);

const char* Usage();

// The file name for one frame: every run of '#' becomes the zero-padded frame number.
std::string FramePath(const std::string& pattern, int frame);

}  // namespace morvel::cli
