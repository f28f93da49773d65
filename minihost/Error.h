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

}  // namespace minihost
