#include "gpu/cuda/CudaPass.h"

#include "cuapi/CuApi.h"
#include "frame/KernelPasses.h"
#include "gpu/GpuPassLayers.h"
#include "gpu/cuda/CudaKernelArgs.h"
#include "gpu/cuda/CudaLaunch.h"
#include "gpu/cuda/CudaModule.h"

namespace morvel {
namespace {

using namespace cuapi;

CudaAddress Address(const void* buffer) { return CudaAddressOf(buffer); }

bool Copy(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* read_to,
          const float* write_from) {
    const Api* cu = LoadApi();
    if (!cu || !buffer || width <= 0 || height <= 0 || pitch < width) return false;
    Memcpy2D m{};
    const size_t device_row = static_cast<size_t>(pitch) * 16u;
    const size_t host_row = static_cast<size_t>(width) * 16u;
    if (read_to) {
        m.srcMemoryType = CU_MEMORYTYPE_DEVICE;
        m.srcDevice = Address(buffer);
        m.srcPitch = device_row;
        m.dstMemoryType = CU_MEMORYTYPE_HOST;
        m.dstHost = read_to;
        m.dstPitch = host_row;
    } else {
        m.srcMemoryType = CU_MEMORYTYPE_HOST;
        m.srcHost = write_from;
        m.srcPitch = host_row;
        m.dstMemoryType = CU_MEMORYTYPE_DEVICE;
        m.dstDevice = Address(buffer);
        m.dstPitch = device_row;
    }
    m.WidthInBytes = host_row;
    m.Height = static_cast<size_t>(height);
    CudaContextScope scope(device);
    if (!scope.ok()) return false;
    auto* stream = static_cast<CUstream>(device.cuda_stream);
    return cu->Memcpy2DAsync(&m, stream) == CUDA_SUCCESS && cu->StreamSynchronize(stream) == CUDA_SUCCESS;
}

}  // namespace

CudaGrid CudaLaunchGrid(int32_t width, int32_t height) {
    const std::array<std::size_t, 2> global = LaunchGlobalSize(width, height);
    auto blocks = [](std::size_t n) {
        const std::size_t b = n / kGroupSize;
        return b > 0x7fffffffu ? 0u : static_cast<unsigned>(b);
    };
    CudaGrid g;
    g.x = blocks(global[0]);
    g.y = blocks(global[1]);
    // The driver takes at most 65535 blocks down.
    if (g.y > 65535u) g.y = 0;
    return g;
}

PF_Err LaunchClearToOpaqueBlack(GpuDeviceState& device, const GpuFrameContext& ctx) {
    const int32_t row_bytes = OutputRowBytes(ctx);
    if (!ctx.output_data || !row_bytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    CudaClearArgs a{};
    a.out = Address(ctx.output_data);
    a.layers = LayersOf(ctx, row_bytes);
    return LaunchCuda(device, CUDA_KERNEL_CLEAR, ctx.width, ctx.height, a);
}

PF_Err RunCudaPass(GpuDeviceState& device, const GpuFrameContext& ctx, const FrameSettings& pass) {
    const int32_t row_bytes = OutputRowBytes(ctx);
    if (!ctx.output_data || !row_bytes) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const GpuLayers layers = LayersOf(ctx, row_bytes);
    switch (pass.pass_type) {
        case PASS_DIRECTIONAL:
        case PASS_POINT:
        case PASS_SPOT:
        case PASS_AMBIENT: {
            CudaLightArgs a{};
            a.out = Address(ctx.output_data);
            a.base = Address(BaseData(ctx));
            a.source = Address(ctx.pass_data[SLOT_SOURCE]);
            a.normal = Address(ctx.pass_data[SLOT_NORMAL]);
            a.roughness = Address(ctx.pass_data[SLOT_ROUGHNESS]);
            a.metallic = Address(ctx.pass_data[SLOT_METALNESS]);
            a.specular = Address(ctx.pass_data[SLOT_SPECULAR]);
            a.layers = layers;
            a.pass = LightPassOf(pass);
            return LaunchCuda(device, CUDA_KERNEL_LIGHT, ctx.width, ctx.height, a);
        }
        case PASS_INCIDENCE_RIM: {
            CudaIncidenceRimArgs a{};
            a.out = Address(ctx.output_data);
            a.base = Address(BaseData(ctx));
            a.normal = Address(ctx.pass_data[SLOT_NORMAL]);
            a.layers = layers;
            a.pass = IncidenceRimPassOf(pass);
            return LaunchCuda(device, CUDA_KERNEL_INCIDENCE_RIM, ctx.width, ctx.height, a);
        }
        case PASS_IBL: {
            // A frame without a prepared HDRI has no environment pass; being asked for
            // one is a fault of the caller, not something to paint black.
            const DeviceHdriImages* hdri = ctx.hdri.get();
            if (!hdri || !hdri->diffuse || !hdri->specular || hdri->width <= 0 || hdri->height <= 0)
                return PF_Err_INTERNAL_STRUCT_DAMAGED;
            CudaEnvironmentArgs a{};
            a.out = Address(ctx.output_data);
            a.base = Address(BaseData(ctx));
            a.normal = Address(ctx.pass_data[SLOT_NORMAL]);
            a.roughness = Address(ctx.pass_data[SLOT_ROUGHNESS]);
            a.metallic = Address(ctx.pass_data[SLOT_METALNESS]);
            a.specular = Address(ctx.pass_data[SLOT_SPECULAR]);
            a.hdri_diffuse = Address(hdri->diffuse);
            a.hdri_specular = Address(hdri->specular);
            a.hdri_width = hdri->width;
            a.hdri_height = hdri->height;
            a.hdri_stride = hdri->stride;
            a.layers = layers;
            a.pass = IblPassOf(pass, ctx.width, ctx.height);
            return LaunchCuda(device, CUDA_KERNEL_ENVIRONMENT, ctx.width, ctx.height, a);
        }
        default:
            return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
}

bool ReadCudaPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch, float* pixels) {
    return Copy(device, buffer, width, height, pitch, pixels, nullptr);
}

bool WriteCudaPixels(GpuDeviceState& device, void* buffer, int32_t width, int32_t height, int32_t pitch,
                     const float* pixels) {
    return Copy(device, buffer, width, height, pitch, nullptr, pixels);
}

}  // namespace morvel
