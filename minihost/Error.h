// Every failure minihost detects is reported as one exception type whose text
// names the file, field or value at fault.
#pragma once

#include <stdexcept>
#include <string>

namespace minihost {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The effect itself misbehaved (an exception escaped it, or its answer is unusable), as opposed
// to a bad request to the host.
class EffectFailure : public Error {
public:
    using Error::Error;
};

}  // namespace minihost
