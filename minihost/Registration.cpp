#include "minihost/Registration.h"

#include "minihost/Module.h"

namespace minihost {
namespace {

struct Recorder {
    A_Err answer = 0;
    std::vector<RegistrationCall> calls;
};

std::optional<std::string> Text(const A_u_char* s) {
    if (!s) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(s));
}

// The context the host hands in comes back as the first argument; it is our recorder.
A_Err RecordingCallback(PF_PluginDataPtr context, const A_u_char* name, const A_u_char* match_name,
                        const A_u_char* category, const A_u_char* entry_point, A_long kind, A_long api_major,
                        A_long api_minor, A_long reserved_info, const A_u_char* support_url) {
    auto* recorder = reinterpret_cast<Recorder*>(context);
    RegistrationCall c;
    c.context = context;
    c.name = Text(name);
    c.match_name = Text(match_name);
    c.category = Text(category);
    c.entry_point = Text(entry_point);
    c.kind = kind;
    c.api_major = api_major;
    c.api_minor = api_minor;
    c.reserved_info = reserved_info;
    c.support_url = Text(support_url);
    recorder->calls.push_back(std::move(c));
    return recorder->answer;
}

}  // namespace

RegistrationResult Register(const Module& module, const RegistrationOptions& options) {
    Recorder recorder;
    recorder.answer = options.callback_result;
    auto context = reinterpret_cast<PF_PluginDataPtr>(&recorder);
    RegistrationResult result;
    result.context_given = context;
    result.returned = module.plugin_data_entry()(context, RecordingCallback, options.basic_suite,
                                                 options.host_name.c_str(), options.host_version.c_str());
    result.calls = std::move(recorder.calls);
    return result;
}

}  // namespace minihost
