// The message of the scene error a call throws, or "(no error)".
#pragma once

#include <functional>
#include <string>

#include "cli/SceneError.h"

namespace morvel::cli {

inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const SceneError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace morvel::cli
