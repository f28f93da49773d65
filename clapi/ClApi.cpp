#include "clapi/ClApi.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace clapi {
namespace {

#ifdef _WIN32
using Library = HMODULE;
Library Open() { return LoadLibraryW(L"OpenCL.dll"); }
void* Symbol(Library lib, const char* name) { return reinterpret_cast<void*>(GetProcAddress(lib, name)); }
#else
using Library = void*;
Library Open() {
    Library lib = dlopen("libOpenCL.so.1", RTLD_NOW | RTLD_LOCAL);
    return lib ? lib : dlopen("libOpenCL.so", RTLD_NOW | RTLD_LOCAL);
}
void* Symbol(Library lib, const char* name) { return dlsym(lib, name); }
#endif

template <typename F>
bool Bind(Library lib, F& slot, const char* name) {
    void* p = Symbol(lib, name);
    slot = reinterpret_cast<F>(p);
    return p != nullptr;
}

bool Load(Api& api) {
    // Never closed: kernels and programs made through it may live until exit.
    Library lib = Open();
    if (!lib) return false;
    bool ok = true;
    ok &= Bind(lib, api.GetPlatformIDs, "clGetPlatformIDs");
    ok &= Bind(lib, api.GetPlatformInfo, "clGetPlatformInfo");
    ok &= Bind(lib, api.GetDeviceIDs, "clGetDeviceIDs");
    ok &= Bind(lib, api.GetDeviceInfo, "clGetDeviceInfo");
    ok &= Bind(lib, api.CreateContext, "clCreateContext");
    ok &= Bind(lib, api.ReleaseContext, "clReleaseContext");
    ok &= Bind(lib, api.CreateCommandQueue, "clCreateCommandQueue");
    ok &= Bind(lib, api.ReleaseCommandQueue, "clReleaseCommandQueue");
    ok &= Bind(lib, api.GetCommandQueueInfo, "clGetCommandQueueInfo");
    ok &= Bind(lib, api.CreateBuffer, "clCreateBuffer");
    ok &= Bind(lib, api.ReleaseMemObject, "clReleaseMemObject");
    ok &= Bind(lib, api.GetMemObjectInfo, "clGetMemObjectInfo");
    ok &= Bind(lib, api.CreateProgramWithSource, "clCreateProgramWithSource");
    ok &= Bind(lib, api.BuildProgram, "clBuildProgram");
    ok &= Bind(lib, api.GetProgramBuildInfo, "clGetProgramBuildInfo");
    ok &= Bind(lib, api.ReleaseProgram, "clReleaseProgram");
    ok &= Bind(lib, api.CreateKernel, "clCreateKernel");
    ok &= Bind(lib, api.ReleaseKernel, "clReleaseKernel");
    ok &= Bind(lib, api.SetKernelArg, "clSetKernelArg");
    ok &= Bind(lib, api.EnqueueNDRangeKernel, "clEnqueueNDRangeKernel");
    ok &= Bind(lib, api.EnqueueReadBufferRect, "clEnqueueReadBufferRect");
    ok &= Bind(lib, api.EnqueueWriteBufferRect, "clEnqueueWriteBufferRect");
    ok &= Bind(lib, api.EnqueueCopyBuffer, "clEnqueueCopyBuffer");
    ok &= Bind(lib, api.EnqueueWriteBuffer, "clEnqueueWriteBuffer");
    ok &= Bind(lib, api.Finish, "clFinish");
    return ok;
}

}  // namespace

const Api* LoadApi() {
    static Api api{};
    static bool loaded = false;
    static std::once_flag once;
    std::call_once(once, [] { loaded = Load(api); });
    return loaded ? &api : nullptr;
}

}  // namespace clapi
