// The CUDA driver API entry points the effect and minihost use, loaded at run
// time (libcuda.so.1, nvcuda.dll) so that both load on machines without an NVIDIA
// driver and the Windows cross-build needs no CUDA import library or runtime. Only
// the types and constants in use are declared, in their own namespace so that they
// never meet NVIDIA's headers. The layouts match the driver's 64-bit ABI.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cuapi {

using CUresult = int;
using CUdevice = int;
using CUdeviceptr = unsigned long long;
using CUcontext = struct CUctx_st*;
using CUmodule = struct CUmod_st*;
using CUfunction = struct CUfunc_st*;
using CUstream = struct CUstream_st*;

inline constexpr CUresult CUDA_SUCCESS = 0;
inline constexpr CUresult CUDA_ERROR_OUT_OF_MEMORY = 2;
inline constexpr CUresult CUDA_ERROR_NOT_INITIALIZED = 3;
inline constexpr CUresult CUDA_ERROR_NO_DEVICE = 100;
inline constexpr CUresult CUDA_ERROR_INVALID_CONTEXT = 201;
inline constexpr CUresult CUDA_ERROR_LAUNCH_FAILED = 719;

inline constexpr int CU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_MAJOR = 75;
inline constexpr int CU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_MINOR = 76;

inline constexpr int CU_MEMORYTYPE_HOST = 1;
inline constexpr int CU_MEMORYTYPE_DEVICE = 2;

struct Memcpy2D {
    size_t srcXInBytes;
    size_t srcY;
    int srcMemoryType;
    const void* srcHost;
    CUdeviceptr srcDevice;
    void* srcArray;
    size_t srcPitch;
    size_t dstXInBytes;
    size_t dstY;
    int dstMemoryType;
    void* dstHost;
    CUdeviceptr dstDevice;
    void* dstArray;
    size_t dstPitch;
    size_t WidthInBytes;
    size_t Height;
};

// Windows x64 has one calling convention, so CUDAAPI needs no counterpart here.
struct Api {
    CUresult (*Init)(unsigned);
    CUresult (*DriverGetVersion)(int*);
    CUresult (*DeviceGetCount)(int*);
    CUresult (*DeviceGet)(CUdevice*, int);
    CUresult (*DeviceGetName)(char*, int, CUdevice);
    CUresult (*DeviceGetAttribute)(int*, int, CUdevice);
    CUresult (*DevicePrimaryCtxRetain)(CUcontext*, CUdevice);
    CUresult (*DevicePrimaryCtxRelease)(CUdevice);
    CUresult (*CtxGetCurrent)(CUcontext*);
    CUresult (*CtxPushCurrent)(CUcontext);
    CUresult (*CtxPopCurrent)(CUcontext*);
    CUresult (*StreamCreate)(CUstream*, unsigned);
    CUresult (*StreamDestroy)(CUstream);
    CUresult (*StreamSynchronize)(CUstream);
    CUresult (*ModuleLoadData)(CUmodule*, const void*);
    CUresult (*ModuleUnload)(CUmodule);
    CUresult (*ModuleGetFunction)(CUfunction*, CUmodule, const char*);
    CUresult (*LaunchKernel)(CUfunction, unsigned, unsigned, unsigned, unsigned, unsigned, unsigned, unsigned, CUstream,
                             void**, void**);
    CUresult (*MemAlloc)(CUdeviceptr*, size_t);
    CUresult (*MemFree)(CUdeviceptr);
    CUresult (*MemGetInfo)(size_t* free, size_t* total);  // of the current context's device
    CUresult (*Memcpy2DAsync)(const Memcpy2D*, CUstream);
    CUresult (*MemcpyDtoDAsync)(CUdeviceptr, CUdeviceptr, size_t, CUstream);
    CUresult (*GetErrorString)(CUresult, const char**);
};

// The table, loaded and cuInit'ed on first use and kept until the process ends;
// null when no driver can be loaded, an entry point is missing or cuInit fails
// (a machine without an NVIDIA GPU). The reason is kept for LoadError().
const Api* LoadApi();

// Why LoadApi() gave null ("" when it did not).
const char* LoadError();

// Tests replace the table to drive every failure path without a device; null
// goes back to the loaded driver.
void SetApiForTesting(const Api* api);

// The driver's text for an error, or its number.
const char* ErrorText(CUresult err);

}  // namespace cuapi
