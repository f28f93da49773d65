#include "minihost/Module.h"

#include "minihost/Error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace minihost {
namespace {

#ifdef _WIN32
std::wstring Widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}
#endif

}  // namespace

Module::Module(std::string path) : path_(std::move(path)) {
#ifdef _WIN32
    handle_ = LoadLibraryW(Widen(path_).c_str());
    if (!handle_)
        throw Error("cannot load module '" + path_ + "': LoadLibraryW failed with error " +
                    std::to_string(GetLastError()));
#else
    // dlopen searches the library path for a bare name; a module is always a file.
    const std::string file = path_.find('/') == std::string::npos ? "./" + path_ : path_;
    // Never unmapped: a module that rendered has an OpenMP thread pool whose idle
    // threads would crash once its runtime left the address space.
    handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        const char* why = dlerror();
        throw Error("cannot load module '" + path_ + "': " + (why ? why : "dlopen failed"));
    }
#endif
    try {
        effect_main_ = reinterpret_cast<PF_EffectMainFunc>(Require("EffectMain"));
        plugin_data_entry_ = reinterpret_cast<PluginDataEntryFunction2Ptr>(Require(PF_PLUGIN_DATA_ENTRY2_NAME));
        nv_optimus_ = static_cast<const int32_t*>(Require("NvOptimusEnablementCuda"));
    } catch (...) {
#ifdef _WIN32
        FreeLibrary(static_cast<HMODULE>(handle_));
#else
        dlclose(handle_);
#endif
        throw;
    }
}

Module::~Module() {
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void* Module::Symbol(const char* name) const {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

void* Module::Require(const char* name) const {
    void* p = Symbol(name);
    if (!p) throw Error("module '" + path_ + "' does not export '" + name + "'");
    return p;
}

}  // namespace minihost
