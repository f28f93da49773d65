// Which frames of a range a run writes. On a render farm a chunk may run
// again after its task was cancelled or its machine lost: frames already
// written (files appear only complete, under their final name) need not be
// rendered twice.
#pragma once

#include <string>
#include <vector>

namespace morvel::cli {

struct FramePlan {
    std::vector<int> render;
    std::vector<int> skipped;  // their output file exists
};

// Frames `first` to `last`; with `skip_existing`, those whose file from `pattern` exists are skipped.
FramePlan PlanFrames(const std::string& pattern, int first, int last, bool skip_existing);

}  // namespace morvel::cli
