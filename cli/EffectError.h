// An error code the effect returned from a host command (exit status 1).
#pragma once

#include <stdexcept>
#include <string>

namespace morvel::cli {

// "PF_Err_INTERNAL_STRUCT_DAMAGED" for 512; "unknown error" for codes the host does not define.
std::string EffectErrorName(int code);

class EffectError : public std::runtime_error {
public:
    EffectError(int code, const std::string& context, const std::string& effect_message = {});
    int code() const { return code_; }

private:
    int code_;
};

}  // namespace morvel::cli
