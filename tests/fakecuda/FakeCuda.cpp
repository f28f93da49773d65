// A stand-in for the NVIDIA driver library (built as libcuda.so.1 and found through
// LD_LIBRARY_PATH), so that minihost's CUDA host and the module's CUDA back end run
// unchanged, together, on a machine without a GPU. Device addresses are host memory;
// a launch runs each kernel's per-thread body over the whole grid on the CPU. It
// checks what a driver checks and a careless caller gets wrong: a current context
// for every call that needs one, copies inside their allocations, streams and
// modules that exist. Tests steer it through the exported fakeCuda* functions or,
// in another process, MORVEL_FAKE_CUDA_DEVICES and MORVEL_FAKE_CUDA_FAULT.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "FakeKernels.h"
#include "cuapi/CuApi.h"

using namespace cuapi;

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr CUresult kInvalidValue = 1, kInvalidHandle = 400, kNotFound = 500;

struct Context {
    int device = 0;
    int retains = 0;
};
struct Stream {
    CUcontext context = nullptr;
    bool kernel_failed = false;  // a launch on it failed on the device; seen at the next synchronisation
};
struct Function {
    int id = -1;  // FakeKernelIndex
};
struct Module {
    CUcontext context = nullptr;
    std::map<std::string, Function> functions;
};

struct State {
    std::mutex mutex;
    bool started = false;
    int devices = 1;
    Context contexts[8];
    std::set<Stream*> streams;
    std::set<Module*> modules;
    std::map<uintptr_t, size_t> allocations;  // base -> bytes
    // Armed fault: the `countdown`-th next call of `call` fails.
    std::string fault_call;
    int countdown = 0;
    long launches = 0;
};

State& S() {
    static State s;
    return s;
}

thread_local std::vector<CUcontext> t_stack;

CUcontext Current() { return t_stack.empty() ? nullptr : t_stack.back(); }

void Arm(State& s, const std::string& spec) {
    const size_t colon = spec.find(':');
    s.fault_call = spec.substr(0, colon);
    s.countdown = colon == std::string::npos ? 1 : std::atoi(spec.c_str() + colon + 1);
}

// True when this call of `call` is the one armed to fail.
bool Fires(State& s, const char* call) {
    if (s.fault_call != call || s.countdown <= 0) return false;
    if (--s.countdown > 0) return false;
    s.fault_call.clear();
    return true;
}

// The allocation holding [address, address + bytes), if any.
bool Inside(const State& s, CUdeviceptr address, size_t bytes) {
    auto it = s.allocations.upper_bound(uintptr_t(address));
    if (it == s.allocations.begin()) return false;
    --it;
    return address >= it->first && address - it->first + bytes <= it->second;
}

bool InsideRows(const State& s, CUdeviceptr base, size_t pitch, size_t width, size_t rows) {
    return rows == 0 || Inside(s, base, (rows - 1) * pitch + width);
}

}  // namespace

// ---- control, for tests

FAKE_EXPORT void fakeCudaFault(const char* spec) {
    std::lock_guard lock(S().mutex);
    Arm(S(), spec ? spec : "");
}

// What is still held: contexts retained, streams, modules and allocations.
FAKE_EXPORT void fakeCudaLive(long* retains, long* streams, long* modules, long* allocations) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    long r = 0;
    for (const Context& c : s.contexts) r += c.retains;
    *retains = r;
    *streams = long(s.streams.size());
    *modules = long(s.modules.size());
    *allocations = long(s.allocations.size());
}

FAKE_EXPORT long fakeCudaLaunches() {
    std::lock_guard lock(S().mutex);
    return S().launches;
}

// ---- the driver

FAKE_EXPORT CUresult cuInit(unsigned) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!s.started) {
        s.started = true;
        if (const char* n = std::getenv("MORVEL_FAKE_CUDA_DEVICES")) s.devices = std::atoi(n);
        if (s.devices < 0 || s.devices > 8) s.devices = 1;
        if (const char* f = std::getenv("MORVEL_FAKE_CUDA_FAULT")) Arm(s, f);
    }
    return s.devices == 0 ? CUDA_ERROR_NO_DEVICE : CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDriverGetVersion(int* v) {
    *v = 12080;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDeviceGetCount(int* n) {
    *n = S().devices;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDeviceGet(CUdevice* d, int ordinal) {
    if (ordinal < 0 || ordinal >= S().devices) return kInvalidValue;
    *d = ordinal;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDeviceGetName(char* name, int size, CUdevice d) {
    const std::string n = "Fake CUDA Device " + std::to_string(d);
    if (size <= 0) return kInvalidValue;
    std::strncpy(name, n.c_str(), size_t(size) - 1);
    name[size - 1] = '\0';
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDeviceGetAttribute(int* v, int attribute, CUdevice) {
    *v = attribute == CU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_MAJOR ? 8 : 6;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDevicePrimaryCtxRetain(CUcontext* c, CUdevice d) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (d < 0 || d >= s.devices) return kInvalidValue;
    if (Fires(s, "retain")) return CUDA_ERROR_OUT_OF_MEMORY;
    ++s.contexts[d].retains;
    *c = reinterpret_cast<CUcontext>(&s.contexts[d]);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuDevicePrimaryCtxRelease_v2(CUdevice d) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (d < 0 || d >= s.devices || s.contexts[d].retains <= 0) return kInvalidValue;
    --s.contexts[d].retains;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuCtxGetCurrent(CUcontext* c) {
    *c = Current();
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuCtxPushCurrent_v2(CUcontext c) {
    if (!c) return CUDA_ERROR_INVALID_CONTEXT;
    {
        std::lock_guard lock(S().mutex);
        if (Fires(S(), "push")) return CUDA_ERROR_INVALID_CONTEXT;
    }
    t_stack.push_back(c);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuCtxPopCurrent_v2(CUcontext* c) {
    if (t_stack.empty()) return CUDA_ERROR_INVALID_CONTEXT;
    if (c) *c = t_stack.back();
    t_stack.pop_back();
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuStreamCreate(CUstream* out, unsigned) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto* stream = new Stream{Current()};
    s.streams.insert(stream);
    *out = reinterpret_cast<CUstream>(stream);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuStreamDestroy_v2(CUstream h) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto* stream = reinterpret_cast<Stream*>(h);
    if (!s.streams.erase(stream)) return kInvalidHandle;
    delete stream;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuStreamSynchronize(CUstream h) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto* stream = reinterpret_cast<Stream*>(h);
    if (!s.streams.count(stream)) return kInvalidHandle;
    if (Fires(s, "sync")) return CUDA_ERROR_LAUNCH_FAILED;
    if (stream->kernel_failed) {
        stream->kernel_failed = false;
        return CUDA_ERROR_LAUNCH_FAILED;
    }
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuModuleLoadData(CUmodule* out, const void* image) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    if (!image) return kInvalidValue;
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (Fires(s, "load")) return CUDA_ERROR_OUT_OF_MEMORY;
    auto* m = new Module{Current(), {}};
    s.modules.insert(m);
    *out = reinterpret_cast<CUmodule>(m);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuModuleUnload(CUmodule h) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto* m = reinterpret_cast<Module*>(h);
    if (!s.modules.erase(m)) return kInvalidHandle;
    delete m;
    return CUDA_SUCCESS;
}

// Kernels this fake cannot run are still found, and fail when launched, so that a
// module with more kernels than these sends just those passes to its fallback.
FAKE_EXPORT CUresult cuModuleGetFunction(CUfunction* out, CUmodule h, const char* name) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto* m = reinterpret_cast<Module*>(h);
    if (!s.modules.count(m) || !name) return kInvalidHandle;
    if (Fires(s, "function")) return kNotFound;
    const std::string n = name;
    Function& f = m->functions[n];
    f.id = morvel::test::FakeKernelIndex(n);
    *out = reinterpret_cast<CUfunction>(&f);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuLaunchKernel(CUfunction f, unsigned gx, unsigned gy, unsigned gz, unsigned bx, unsigned by,
                                    unsigned bz, unsigned, CUstream h, void** params, void**) {
    State& s = S();
    int id = -1;
    {
        std::lock_guard lock(s.mutex);
        auto* stream = reinterpret_cast<Stream*>(h);
        if (!s.streams.count(stream)) return kInvalidHandle;
        if (!Current() || Current() != stream->context) return CUDA_ERROR_INVALID_CONTEXT;
        if (!f || !params || gz != 1 || bz != 1 || bx * by > 1024) return kInvalidValue;
        if (Fires(s, "launch")) return CUDA_ERROR_LAUNCH_FAILED;
        ++s.launches;
        if (Fires(s, "kernel")) {
            stream->kernel_failed = true;
            return CUDA_SUCCESS;
        }
        id = reinterpret_cast<Function*>(f)->id;
    }
    return morvel::test::RunFakeKernel(id, params, gx, gy, bx, by) ? CUDA_SUCCESS : CUDA_ERROR_LAUNCH_FAILED;
}

FAKE_EXPORT CUresult cuMemAlloc_v2(CUdeviceptr* out, size_t bytes) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    if (bytes == 0) return kInvalidValue;
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (Fires(s, "alloc")) return CUDA_ERROR_OUT_OF_MEMORY;
    void* p = std::malloc(bytes);
    if (!p) return CUDA_ERROR_OUT_OF_MEMORY;
    std::memset(p, 0xFF, bytes);  // device memory starts as anything: here all NaN
    s.allocations[uintptr_t(p)] = bytes;
    *out = CUdeviceptr(uintptr_t(p));
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuMemFree_v2(CUdeviceptr p) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!s.allocations.erase(uintptr_t(p))) return kInvalidValue;
    std::free(reinterpret_cast<void*>(uintptr_t(p)));
    return CUDA_SUCCESS;
}

// A device of 8 GiB, less what is allocated.
FAKE_EXPORT CUresult cuMemGetInfo_v2(size_t* free, size_t* total) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    State& s = S();
    std::lock_guard lock(s.mutex);
    size_t used = 0;
    for (const auto& [base, bytes] : s.allocations) used += bytes;
    *total = size_t(8) << 30;
    *free = *total - used;
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuMemcpy2DAsync_v2(const Memcpy2D* m, CUstream h) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!s.streams.count(reinterpret_cast<Stream*>(h))) return kInvalidHandle;
    if (Fires(s, "copy")) return CUDA_ERROR_LAUNCH_FAILED;
    if (m->WidthInBytes > m->srcPitch || m->WidthInBytes > m->dstPitch) return kInvalidValue;
    const bool src_device = m->srcMemoryType == CU_MEMORYTYPE_DEVICE;
    const bool dst_device = m->dstMemoryType == CU_MEMORYTYPE_DEVICE;
    if ((src_device && !InsideRows(s, m->srcDevice, m->srcPitch, m->WidthInBytes, m->Height)) ||
        (dst_device && !InsideRows(s, m->dstDevice, m->dstPitch, m->WidthInBytes, m->Height)))
        return kInvalidValue;
    auto* src = src_device ? reinterpret_cast<const unsigned char*>(uintptr_t(m->srcDevice))
                           : static_cast<const unsigned char*>(m->srcHost);
    auto* dst = dst_device ? reinterpret_cast<unsigned char*>(uintptr_t(m->dstDevice))
                           : static_cast<unsigned char*>(m->dstHost);
    for (size_t y = 0; y < m->Height; ++y) std::memcpy(dst + y * m->dstPitch, src + y * m->srcPitch, m->WidthInBytes);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuMemcpyDtoDAsync_v2(CUdeviceptr dst, CUdeviceptr src, size_t bytes, CUstream h) {
    if (!Current()) return CUDA_ERROR_INVALID_CONTEXT;
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!s.streams.count(reinterpret_cast<Stream*>(h))) return kInvalidHandle;
    if (Fires(s, "copy")) return CUDA_ERROR_LAUNCH_FAILED;
    if (!Inside(s, dst, bytes) || !Inside(s, src, bytes)) return kInvalidValue;
    std::memmove(reinterpret_cast<void*>(uintptr_t(dst)), reinterpret_cast<const void*>(uintptr_t(src)), bytes);
    return CUDA_SUCCESS;
}

FAKE_EXPORT CUresult cuGetErrorString(CUresult err, const char** text) {
    switch (err) {
        case CUDA_SUCCESS:
            *text = "no error";
            break;
        case CUDA_ERROR_OUT_OF_MEMORY:
            *text = "out of memory";
            break;
        case CUDA_ERROR_NO_DEVICE:
            *text = "no CUDA-capable device is detected";
            break;
        case CUDA_ERROR_INVALID_CONTEXT:
            *text = "invalid device context";
            break;
        case CUDA_ERROR_LAUNCH_FAILED:
            *text = "unspecified launch failure";
            break;
        default:
            *text = "fake driver error";
            break;
    }
    return CUDA_SUCCESS;
}
