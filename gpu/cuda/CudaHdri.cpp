#include "gpu/cuda/CudaHdri.h"

#include "cuapi/CuApi.h"
#include "gpu/GpuHdri.h"
#include "gpu/cuda/CudaLaunch.h"

namespace morvel {
namespace {

using namespace cuapi;

void FreeCudaBuffer(void* buffer, void* context) {
    const Api* cu = LoadApi();
    if (!cu) return;
    CudaContextScope scope(context);
    if (scope.ok()) cu->MemFree(CudaAddressOf(buffer));
}

class CudaHdriOps final : public HdriDeviceOps {
public:
    CudaHdriOps(GpuDeviceState& device, const Api& cu)
        : device_(device), cu_(cu), stream_(static_cast<CUstream>(device.cuda_stream)) {}

    bool ReadWorld(void* world, int width, int height, int pitch, float* packed) override {
        return ReadCudaPixels(device_, world, width, height, pitch, packed);
    }

    bool CreateImages(DeviceHdriImages& images, std::size_t bytes) override {
        CudaContextScope scope(device_);
        if (!scope.ok()) return false;
        images.release = FreeCudaBuffer;
        images.owner = device_.cuda_context;
        images.diffuse = Allocate(bytes);
        images.specular = Allocate(bytes);
        return images.diffuse && images.specular;
    }

    PF_Err WriteWeights(void* buffer, const float* weights, int count) override {
        if (count <= 0) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        Memcpy2D m{};
        m.srcMemoryType = CU_MEMORYTYPE_HOST;
        m.srcHost = weights;
        m.dstMemoryType = CU_MEMORYTYPE_DEVICE;
        m.dstDevice = CudaAddressOf(buffer);
        m.WidthInBytes = m.srcPitch = m.dstPitch = sizeof(float) * static_cast<std::size_t>(count);
        m.Height = 1;
        CudaContextScope scope(device_);
        // The table is the caller's: the copy must be done before this returns.
        if (!scope.ok() || cu_.Memcpy2DAsync(&m, stream_) != CUDA_SUCCESS) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        return Check(cu_.StreamSynchronize(stream_));
    }

    PF_Err Convert(void* world, int width, int height, int row_bytes, void* image) override {
        CudaConvertHdriArgs a{};
        a.world = CudaAddressOf(world);
        a.image = CudaAddressOf(image);
        a.width = width;
        a.height = height;
        a.row_bytes = row_bytes;
        a.stride = width;
        return LaunchCuda(device_, CUDA_KERNEL_CONVERT_HDRI, width, height, a);
    }

    PF_Err Blur(void* source, void* target, int width, int height, void* weights, int radius, int along_rows) override {
        CudaBlurHdriArgs a{};
        a.source = CudaAddressOf(source);
        a.target = CudaAddressOf(target);
        a.weights = CudaAddressOf(weights);
        a.width = width;
        a.height = height;
        a.stride = width;
        a.radius = radius;
        a.along_rows = along_rows;
        return LaunchCuda(device_, CUDA_KERNEL_BLUR_HDRI, width, height, a);
    }

    PF_Err Copy(void* source, void* target, std::size_t bytes) override {
        CudaContextScope scope(device_);
        if (!scope.ok()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        return Check(cu_.MemcpyDtoDAsync(CudaAddressOf(target), CudaAddressOf(source), bytes, stream_));
    }

    PF_Err Finish() override {
        CudaContextScope scope(device_);
        if (!scope.ok()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        return Check(cu_.StreamSynchronize(stream_));
    }

private:
    static PF_Err Check(CUresult err) { return err == CUDA_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED; }
    void* Allocate(std::size_t bytes) {
        CUdeviceptr p = 0;
        if (cu_.MemAlloc(&p, bytes) != CUDA_SUCCESS) {
            if (p) cu_.MemFree(p);
            return nullptr;
        }
        return reinterpret_cast<void*>(static_cast<uintptr_t>(p));
    }

    GpuDeviceState& device_;
    const Api& cu_;
    CUstream stream_;
};

}  // namespace

PF_Err PrepareCudaHdri(GpuDeviceState& device, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, A_u_long device_index,
                       GpuFrameContext& ctx, float roughness_bias) {
    ctx.hdri.reset();
    const Api* cu = LoadApi();
    if (!cu || !device.cuda_module) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    CudaHdriOps ops(device, *cu);
    return PrepareGpuHdri(ops, device.hdri_cache, gpu, ref, device_index, ctx, roughness_bias);
}

}  // namespace morvel
