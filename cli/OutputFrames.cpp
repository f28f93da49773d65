#include "cli/OutputFrames.h"

#include <filesystem>

#include "cli/Options.h"

namespace morvel::cli {

FramePlan PlanFrames(const std::string& pattern, int first, int last, bool skip_existing) {
    FramePlan plan;
    for (int f = first; f <= last; ++f) {
        std::error_code ec;
        // A folder or device under the frame's name is no finished frame: the write reports it.
        const bool done = skip_existing && std::filesystem::is_regular_file(FramePath(pattern, f), ec);
        (done ? plan.skipped : plan.render).push_back(f);
    }
    return plan;
}

}  // namespace morvel::cli
