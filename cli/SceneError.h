// Every problem with a scene, a command line or an image file is reported as
// one exception type whose text names the file, the field and what was expected.
#pragma once

#include <stdexcept>
#include <string>

namespace morvel::cli {

class SceneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace morvel::cli
