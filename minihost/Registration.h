// Runs a module's registration export with a callback that records every
// argument of every call and answers with a chosen result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/PluginData.h"

namespace minihost {

class Module;

struct RegistrationCall {
    PF_PluginDataPtr context = nullptr;
    // nullopt where the module passed a null pointer.
    std::optional<std::string> name, match_name, category, entry_point;
    A_long kind = 0, api_major = 0, api_minor = 0, reserved_info = 0;
    std::optional<std::string> support_url;
};

struct RegistrationResult {
    A_Err returned = 0;
    PF_PluginDataPtr context_given = nullptr;  // what the host passed in
    std::vector<RegistrationCall> calls;
};

struct RegistrationOptions {
    A_Err callback_result = 0;
    SPBasicSuite* basic_suite = nullptr;
    std::string host_name = "minihost";
    std::string host_version = "1.0";
};

RegistrationResult Register(const Module& module, const RegistrationOptions& options = {});

}  // namespace minihost
