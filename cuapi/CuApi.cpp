#include "cuapi/CuApi.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace cuapi {
namespace {

#ifdef _WIN32
using Library = HMODULE;
Library Open() { return LoadLibraryW(L"nvcuda.dll"); }
void* Symbol(Library lib, const char* name) { return reinterpret_cast<void*>(GetProcAddress(lib, name)); }
#else
using Library = void*;
Library Open() { return dlopen("libcuda.so.1", RTLD_NOW | RTLD_LOCAL); }
void* Symbol(Library lib, const char* name) { return dlsym(lib, name); }
#endif

std::string g_error;
std::atomic<const Api*> g_override{nullptr};

template <typename F>
bool Bind(Library lib, F& slot, const char* name) {
    void* p = Symbol(lib, name);
    slot = reinterpret_cast<F>(p);
    if (!p && g_error.empty()) g_error = std::string("the CUDA driver has no ") + name;
    return p != nullptr;
}

bool Load(Api& api) {
    // Never closed: modules loaded through it may live until exit.
    Library lib = Open();
    if (!lib) {
        g_error = "no NVIDIA driver (libcuda) is installed";
        return false;
    }
    bool ok = true;
    // The _v2 names are the 64-bit entry points of every driver since CUDA 4.
    ok &= Bind(lib, api.Init, "cuInit");
    ok &= Bind(lib, api.DriverGetVersion, "cuDriverGetVersion");
    ok &= Bind(lib, api.DeviceGetCount, "cuDeviceGetCount");
    ok &= Bind(lib, api.DeviceGet, "cuDeviceGet");
    ok &= Bind(lib, api.DeviceGetName, "cuDeviceGetName");
    ok &= Bind(lib, api.DeviceGetAttribute, "cuDeviceGetAttribute");
    ok &= Bind(lib, api.DevicePrimaryCtxRetain, "cuDevicePrimaryCtxRetain");
    ok &= Bind(lib, api.DevicePrimaryCtxRelease, "cuDevicePrimaryCtxRelease_v2");
    ok &= Bind(lib, api.CtxGetCurrent, "cuCtxGetCurrent");
    ok &= Bind(lib, api.CtxPushCurrent, "cuCtxPushCurrent_v2");
    ok &= Bind(lib, api.CtxPopCurrent, "cuCtxPopCurrent_v2");
    ok &= Bind(lib, api.StreamCreate, "cuStreamCreate");
    ok &= Bind(lib, api.StreamDestroy, "cuStreamDestroy_v2");
    ok &= Bind(lib, api.StreamSynchronize, "cuStreamSynchronize");
    ok &= Bind(lib, api.ModuleLoadData, "cuModuleLoadData");
    ok &= Bind(lib, api.ModuleUnload, "cuModuleUnload");
    ok &= Bind(lib, api.ModuleGetFunction, "cuModuleGetFunction");
    ok &= Bind(lib, api.LaunchKernel, "cuLaunchKernel");
    ok &= Bind(lib, api.MemAlloc, "cuMemAlloc_v2");
    ok &= Bind(lib, api.MemFree, "cuMemFree_v2");
    ok &= Bind(lib, api.MemGetInfo, "cuMemGetInfo_v2");
    ok &= Bind(lib, api.Memcpy2DAsync, "cuMemcpy2DAsync_v2");
    ok &= Bind(lib, api.MemcpyDtoDAsync, "cuMemcpyDtoDAsync_v2");
    ok &= Bind(lib, api.GetErrorString, "cuGetErrorString");
    if (!ok) return false;
    if (CUresult err = api.Init(0); err != CUDA_SUCCESS) {
        g_error = err == CUDA_ERROR_NO_DEVICE
                      ? "the NVIDIA driver finds no CUDA device"
                      : std::string("the NVIDIA driver does not start (error ") + std::to_string(err) + ")";
        return false;
    }
    return true;
}

const Api* Loaded() {
    static Api api{};
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = Load(api); });
    return loaded ? &api : nullptr;
}

}  // namespace

const Api* LoadApi() {
    if (const Api* api = g_override.load()) return api;
    return Loaded();
}

const char* LoadError() {
    if (g_override.load() || Loaded()) return "";
    return g_error.c_str();
}

void SetApiForTesting(const Api* api) { g_override.store(api); }

const char* ErrorText(CUresult err) {
    const Api* api = LoadApi();
    const char* text = nullptr;
    if (api && api->GetErrorString && api->GetErrorString(err, &text) == CUDA_SUCCESS && text) return text;
    thread_local char buffer[32];
    std::snprintf(buffer, sizeof buffer, "CUDA error %d", err);
    return buffer;
}

}  // namespace cuapi
