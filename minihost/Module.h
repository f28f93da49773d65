// A loaded effect module and its three exports. Unloads on destruction.
#pragma once

#include <cstdint>
#include <string>

#include "host/AE_Effect.h"
#include "host/PluginData.h"

namespace minihost {

class Module {
public:
    // Loads the file and resolves EffectMain, PluginDataEntryFunction2 and
    // NvOptimusEnablementCuda; throws Error naming the file and what failed.
    explicit Module(std::string path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::string& path() const { return path_; }
    PF_EffectMainFunc effect_main() const { return effect_main_; }
    PluginDataEntryFunction2Ptr plugin_data_entry() const { return plugin_data_entry_; }
    const int32_t* nv_optimus_enablement() const { return nv_optimus_; }

    // Any other export, or nullptr.
    void* Symbol(const char* name) const;

private:
    void* Require(const char* name) const;

    std::string path_;
    void* handle_ = nullptr;
    PF_EffectMainFunc effect_main_ = nullptr;
    PluginDataEntryFunction2Ptr plugin_data_entry_ = nullptr;
    const int32_t* nv_optimus_ = nullptr;
};

}  // namespace minihost
