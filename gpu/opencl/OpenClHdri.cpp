#include "gpu/opencl/OpenClHdri.h"

#include "clapi/ClApi.h"
#include "gpu/GpuHdri.h"
#include "gpu/opencl/OpenClLaunch.h"
#include "gpu/opencl/OpenClPass.h"

namespace morvel {
namespace {

using namespace clapi;

void ReleaseClBuffer(void* buffer, void*) {
    if (const Api* cl = LoadApi()) cl->ReleaseMemObject(static_cast<cl_mem>(buffer));
}

class OpenClHdriOps final : public HdriDeviceOps {
public:
    OpenClHdriOps(GpuDeviceState& device, const Api& cl)
        : device_(device), cl_(cl), queue_(static_cast<cl_command_queue>(device.cl_queue)) {}

    bool ReadWorld(void* world, int width, int height, int pitch, float* packed) override {
        return ReadOpenClPixels(device_, world, width, height, pitch, packed);
    }

    // The cache keeps these past the frame (and the effect reference that could
    // give them back to the host), so they are the effect's own buffers.
    bool CreateImages(DeviceHdriImages& images, std::size_t bytes) override {
        images.release = ReleaseClBuffer;
        images.diffuse = Create(bytes);
        images.specular = Create(bytes);
        return images.diffuse && images.specular;
    }

    PF_Err WriteWeights(void* buffer, const float* weights, int count) override {
        return Check(cl_.EnqueueWriteBuffer(queue_, Mem(buffer), CL_TRUE, 0, sizeof(float) * std::size_t(count),
                                            weights, 0, nullptr, nullptr));
    }

    PF_Err Convert(void* world, int width, int height, int row_bytes, void* image) override {
        return Launch(device_, CL_KERNEL_CONVERT_HDRI, width, height, [&](Args& a) {
            a.Add(Mem(world)).Add(width).Add(height).Add(row_bytes).Add(Mem(image)).Add(width);
        });
    }

    PF_Err Blur(void* source, void* target, int width, int height, void* weights, int radius, int along_rows) override {
        return Launch(device_, CL_KERNEL_BLUR_HDRI, width, height, [&](Args& a) {
            a.Add(Mem(source))
                .Add(Mem(target))
                .Add(width)
                .Add(height)
                .Add(width)
                .Add(Mem(weights))
                .Add(radius)
                .Add(along_rows);
        });
    }

    PF_Err Copy(void* source, void* target, std::size_t bytes) override {
        return Check(cl_.EnqueueCopyBuffer(queue_, Mem(source), Mem(target), 0, 0, bytes, 0, nullptr, nullptr));
    }

    PF_Err Finish() override { return Check(cl_.Finish(queue_)); }

private:
    static cl_mem Mem(void* p) { return static_cast<cl_mem>(p); }
    static PF_Err Check(cl_int err) { return err == CL_SUCCESS ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED; }
    void* Create(std::size_t bytes) {
        cl_int err = CL_SUCCESS;
        cl_mem mem =
            cl_.CreateBuffer(static_cast<cl_context>(device_.cl_context), CL_MEM_READ_WRITE, bytes, nullptr, &err);
        if (err != CL_SUCCESS && mem) {
            cl_.ReleaseMemObject(mem);
            return nullptr;
        }
        return mem;
    }

    GpuDeviceState& device_;
    const Api& cl_;
    cl_command_queue queue_;
};

}  // namespace

PF_Err PrepareOpenClHdri(GpuDeviceState& device, const PF_GPUDeviceSuite1& gpu, PF_ProgPtr ref, A_u_long device_index,
                         GpuFrameContext& ctx, float roughness_bias) {
    ctx.hdri.reset();
    const Api* cl = LoadApi();
    if (!cl || !device.cl_queue || !device.cl_context) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    OpenClHdriOps ops(device, *cl);
    return PrepareGpuHdri(ops, device.hdri_cache, gpu, ref, device_index, ctx, roughness_bias);
}

}  // namespace morvel
