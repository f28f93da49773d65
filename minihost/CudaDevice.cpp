#include "minihost/CudaDevice.h"

#include <cstdint>

#include "minihost/Error.h"

namespace minihost {
namespace {

using namespace cuapi;

std::string DriverError(CUresult err) { return std::string(ErrorText(err)) + " (error " + std::to_string(err) + ")"; }

CUdeviceptr Address(const void* buffer) { return static_cast<CUdeviceptr>(reinterpret_cast<uintptr_t>(buffer)); }

// The context pushed for the host's own calls, popped on every path out.
class Pushed {
public:
    explicit Pushed(const CudaDevice& device) : device_(device) { device_.Enter(); }
    ~Pushed() { device_.Leave(); }
    Pushed(const Pushed&) = delete;
    Pushed& operator=(const Pushed&) = delete;

private:
    const CudaDevice& device_;
};

}  // namespace

CudaAvailability CudaDevices() {
    CudaAvailability a;
    const Api* cu = LoadApi();
    if (!cu) {
        a.why = LoadError();
        return a;
    }
    int count = 0;
    if (CUresult err = cu->DeviceGetCount(&count); err != CUDA_SUCCESS) {
        a.why = "the NVIDIA driver cannot count its devices: " + DriverError(err);
        return a;
    }
    for (int i = 0; i < count; ++i) {
        CudaDeviceEntry e;
        CUdevice d = 0;
        if (cu->DeviceGet(&d, i) != CUDA_SUCCESS) continue;
        e.ordinal = i;
        char name[256] = {};
        e.name = cu->DeviceGetName(name, int(sizeof name) - 1, d) == CUDA_SUCCESS && name[0]
                     ? name
                     : "CUDA device " + std::to_string(i);
        cu->DeviceGetAttribute(&e.major, CU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_MAJOR, d);
        cu->DeviceGetAttribute(&e.minor, CU_DEVICE_ATTRIBUTE_COMPUTE_CAPABILITY_MINOR, d);
        a.devices.push_back(e);
    }
    if (a.devices.empty()) a.why = "the NVIDIA driver finds no CUDA device";
    return a;
}

CudaDevice::CudaDevice(const CudaDeviceEntry& entry) : api_(LoadApi()), entry_(entry) {
    if (!api_) throw Error("CUDA device '" + entry.name + "': " + LoadError());
    Check(api_->DeviceGet(&device_, entry.ordinal), "cannot open the device");
    Check(api_->DevicePrimaryCtxRetain(&context_, device_), "cannot retain its primary context");
    try {
        Pushed pushed(*this);
        Check(api_->StreamCreate(&stream_, 0), "cannot create a stream");
    } catch (...) {
        api_->DevicePrimaryCtxRelease(device_);
        throw;
    }
}

CudaDevice::~CudaDevice() {
    try {
        Pushed pushed(*this);
        api_->StreamSynchronize(stream_);
        api_->StreamDestroy(stream_);
    } catch (const Error&) {
        // The context is gone with the driver; releasing it below is all that is left.
    }
    api_->DevicePrimaryCtxRelease(device_);
}

void CudaDevice::Check(CUresult err, const std::string& what) const {
    if (err != CUDA_SUCCESS) throw Error("CUDA device '" + entry_.name + "': " + what + ": " + DriverError(err));
}

void CudaDevice::Enter() const { Check(api_->CtxPushCurrent(context_), "cannot make its context current"); }

void CudaDevice::Leave() const noexcept {
    CUcontext popped = nullptr;
    api_->CtxPopCurrent(&popped);
}

void CudaDevice::Describe(PF_GPUDeviceInfo& info) const {
    info.device_framework = PF_GPU_Framework_CUDA;
    info.platformPV = nullptr;
    info.devicePV = reinterpret_cast<void*>(static_cast<intptr_t>(device_));
    info.contextPV = context_;
    info.command_queuePV = stream_;
}

void* CudaDevice::Allocate(size_t bytes) const {
    Pushed pushed(*this);
    CUdeviceptr p = 0;
    Check(api_->MemAlloc(&p, bytes ? bytes : 16), "cannot allocate " + std::to_string(bytes) + " bytes");
    return reinterpret_cast<void*>(static_cast<uintptr_t>(p));
}

void CudaDevice::Free(void* buffer) const noexcept {
    if (!buffer) return;
    try {
        Pushed pushed(*this);
        // Work on the stream may still read the buffer.
        api_->StreamSynchronize(stream_);
        api_->MemFree(Address(buffer));
    } catch (const Error&) {
        // Without its context the buffer went with it.
    }
}

void CudaDevice::Copy(const Memcpy2D& copy, const char* what) const {
    Pushed pushed(*this);
    Check(api_->Memcpy2DAsync(&copy, stream_), what);
    Check(api_->StreamSynchronize(stream_), what);
}

void CudaDevice::WriteRows(void* buffer, size_t row_bytes, size_t host_row, size_t rows, const void* from) const {
    Memcpy2D m{};
    m.srcMemoryType = CU_MEMORYTYPE_HOST;
    m.srcHost = from;
    m.srcPitch = host_row;
    m.dstMemoryType = CU_MEMORYTYPE_DEVICE;
    m.dstDevice = Address(buffer);
    m.dstPitch = row_bytes;
    m.WidthInBytes = host_row;
    m.Height = rows;
    Copy(m, "upload failed");
}

void CudaDevice::ReadRows(const void* buffer, size_t row_bytes, size_t host_row, size_t rows, void* to) const {
    Memcpy2D m{};
    m.srcMemoryType = CU_MEMORYTYPE_DEVICE;
    m.srcDevice = Address(buffer);
    m.srcPitch = row_bytes;
    m.dstMemoryType = CU_MEMORYTYPE_HOST;
    m.dstHost = to;
    m.dstPitch = host_row;
    m.WidthInBytes = host_row;
    m.Height = rows;
    Copy(m, "read-back failed");
}

}  // namespace minihost
