// The OpenCL program exactly as the module embeds it: it builds as OpenCL C 1.2 with
// warnings as errors on the platform at hand (PoCL here), and its kernels shade the
// CPU picture, which also proves that the pass records cross to the device intact.
#define CL_TARGET_OPENCL_VERSION 120
#include <CL/cl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cpu/CpuPasses.h"
#include "cpu/PixelTraits.h"
#include "frame/KernelPasses.h"
#include "kernel/GpuBuffers.h"
#include "kernel/OpenClProgram.h"

namespace morvel {
namespace {

// The first device of the first platform that has one, its context, queue and the
// program built with the given options.
struct OpenCl {
    cl_device_id device = nullptr;
    cl_context context = nullptr;
    cl_command_queue queue = nullptr;
    cl_program program = nullptr;
    std::string log;

    OpenCl() {
        cl_uint count = 0;
        if (clGetPlatformIDs(0, nullptr, &count) != CL_SUCCESS || count == 0) return;
        std::vector<cl_platform_id> platforms(count);
        clGetPlatformIDs(count, platforms.data(), nullptr);
        for (cl_platform_id p : platforms)
            if (clGetDeviceIDs(p, CL_DEVICE_TYPE_ALL, 1, &device, nullptr) == CL_SUCCESS) break;
        if (!device) return;
        context = clCreateContext(nullptr, 1, &device, nullptr, nullptr, nullptr);
        queue = context ? clCreateCommandQueue(context, device, 0, nullptr) : nullptr;
    }
    ~OpenCl() {
        if (program) clReleaseProgram(program);
        if (queue) clReleaseCommandQueue(queue);
        if (context) clReleaseContext(context);
    }
    bool Build(const char* options) {
        if (program) clReleaseProgram(program);
        program = clCreateProgramWithSource(context, kOpenClProgramPieceCount,
                                            const_cast<const char**>(kOpenClProgramPieces), nullptr, nullptr);
        if (!program) return false;
        const cl_int err = clBuildProgram(program, 1, &device, options, nullptr, nullptr);
        size_t size = 0;
        clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size);
        log.assign(size, '\0');
        clGetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr);
        return err == CL_SUCCESS;
    }
};

#define MORVEL_REQUIRE_OPENCL(cl) \
    if (!(cl).queue) GTEST_SKIP() << "no OpenCL device on this machine"

TEST(OpenClProgram, BuildsAsOpenClC12WithWarningsAsErrors) {
    OpenCl cl;
    MORVEL_REQUIRE_OPENCL(cl);
    for (const char* options : {"-cl-std=CL1.2 -Werror", "-cl-std=CL1.2 -Werror -cl-fast-relaxed-math",
                                "-cl-std=CL1.2 -Werror -cl-unsafe-math-optimizations"}) {
        ASSERT_TRUE(cl.Build(options)) << options << "\n" << cl.log;
        const std::pair<const char*, cl_uint> kernels[] = {
            {"ClearToOpaqueBlackKernel", 4}, {"LightPassKernel", 9},   {"IncidenceRimPassKernel", 5},
            {"EnvironmentPassKernel", 13},   {"ConvertHdriKernel", 6}, {"BlurHdriKernel", 8}};
        for (auto [name, args] : kernels) {
            cl_int err = CL_SUCCESS;
            cl_kernel k = clCreateKernel(cl.program, name, &err);
            ASSERT_EQ(err, CL_SUCCESS) << name;
            cl_uint got = 0;
            clGetKernelInfo(k, CL_KERNEL_NUM_ARGS, sizeof got, &got, nullptr);
            EXPECT_EQ(got, args) << name;
            clReleaseKernel(k);
        }
    }
}

float Hash01(int x, int y, int salt) {
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(salt) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return float((h ^ (h >> 15)) & 0xffffu) / 65536.0f;
}

// One layer as a host float world (A, R, G, B) and as a GPU buffer (B, G, R, A), both
// with padded rows. Alpha is 0 on every fifth pixel, so the coverage rule is seen.
struct Layer {
    int width, height;
    std::vector<PF_PixelFloat> host;
    std::vector<float> gpu;
    PF_EffectWorld world{};
    static constexpr int kPad = 3;

    Layer(int w, int h, int salt) : width(w), height(h), host(size_t(w + kPad) * h), gpu(size_t(w + kPad) * h * 4) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const float a = (x + y * w) % 5 == 0 ? 0.0f : 0.25f + Hash01(x, y, salt + 3);
                Set(x, y, Hash01(x, y, salt), Hash01(x, y, salt + 1), Hash01(x, y, salt + 2), a);
            }
        world.data = reinterpret_cast<PF_PixelPtr>(host.data());
        world.rowbytes = A_long((w + kPad) * sizeof(PF_PixelFloat));
        world.width = w;
        world.height = h;
    }
    void Set(int x, int y, float r, float g, float b, float a) {
        host[size_t(y) * (width + kPad) + x] = PF_PixelFloat{a, r, g, b};
        float* p = &gpu[(size_t(y) * (width + kPad) + x) * 4];
        p[0] = b, p[1] = g, p[2] = r, p[3] = a;
    }
};

struct Buffer {
    cl_mem mem = nullptr;
    Buffer(cl_context c, std::vector<float>& data) {
        mem = clCreateBuffer(c, CL_MEM_READ_WRITE | CL_MEM_COPY_HOST_PTR, data.size() * sizeof(float), data.data(),
                             nullptr);
    }
    ~Buffer() {
        if (mem) clReleaseMemObject(mem);
    }
};

// Point, spot, directional and ambient passes on an odd-sized frame, added onto what
// the output holds: the device's picture is the CPU's within float rounding.
TEST(OpenClProgram, LightKernelShadesTheCpuPicture) {
    OpenCl cl;
    MORVEL_REQUIRE_OPENCL(cl);
    ASSERT_TRUE(cl.Build("-cl-std=CL1.2 -Werror")) << cl.log;
    const int w = 37, h = 23;
    for (PassType type : {PASS_POINT, PASS_SPOT, PASS_DIRECTIONAL, PASS_AMBIENT}) {
        SCOPED_TRACE(type);
        Layer out(w, h, 1), base(w, h, 10), source(w, h, 20), normal(w, h, 30), rough(w, h, 40), metal(w, h, 50),
            spec(w, h, 60);
        FrameContext ctx;
        ctx.input = &base.world;
        ctx.output = &out.world;
        ctx.width = w, ctx.height = h, ctx.depth = 32;
        ctx.passes[SLOT_DIFFUSE_ALBEDO] = &base.world;
        ctx.passes[SLOT_SOURCE] = &source.world;
        ctx.passes[SLOT_NORMAL] = &normal.world;
        ctx.passes[SLOT_ROUGHNESS] = &rough.world;
        ctx.passes[SLOT_METALNESS] = &metal.world;
        ctx.passes[SLOT_SPECULAR] = &spec.world;
        FrameSettings fs{};
        fs.pass_type = type;
        fs.width = w, fs.height = h;
        fs.light_r = 1.0f, fs.light_g = 0.8f, fs.light_b = 0.5f, fs.intensity = 2.0f;
        fs.light_pos_x = 0.3f, fs.light_pos_y = 0.6f, fs.light_pos_z = 0.4f, fs.light_decay = 2.0f;
        fs.falloff_distance = 1.2f;
        fs.light_dir_x = 0.2f, fs.light_dir_y = -0.1f, fs.light_dir_z = 0.9f;
        if (type == PASS_SPOT) fs.light_dir_z = -0.9f;  // the spot's axis points at the frame
        fs.cone_angle = 0.8f, fs.cone_feather = 0.5f;
        fs.source_blend = 0.3f, fs.roughness_adjust = 0.4f, fs.metallic_adjust = -0.5f;

        std::vector<cl_mem> args;
        Buffer bo(cl.context, out.gpu), bb(cl.context, base.gpu), bs(cl.context, source.gpu),
            bn(cl.context, normal.gpu), br(cl.context, rough.gpu), bm(cl.context, metal.gpu), bp(cl.context, spec.gpu);
        GpuLayers layers{};
        for (int i = 0; i < GPU_LAYER_COUNT; ++i) {
            layers.width[i] = w;
            layers.height[i] = h;
            layers.row_bytes[i] = (w + Layer::kPad) * 16;
        }
        layers.has_base = 1;
        const LightPass pass = LightPassOf(fs);
        cl_int err = CL_SUCCESS;
        cl_kernel k = clCreateKernel(cl.program, "LightPassKernel", &err);
        ASSERT_EQ(err, CL_SUCCESS);
        const cl_mem mems[] = {bo.mem, bb.mem, bs.mem, bn.mem, br.mem, bm.mem, bp.mem};
        for (cl_uint i = 0; i < 7; ++i) clSetKernelArg(k, i, sizeof(cl_mem), &mems[i]);
        clSetKernelArg(k, 7, sizeof layers, &layers);
        clSetKernelArg(k, 8, sizeof pass, &pass);
        const size_t global[2] = {48, 32}, local[2] = {16, 16};
        ASSERT_EQ(clEnqueueNDRangeKernel(cl.queue, k, 2, nullptr, global, local, 0, nullptr, nullptr), CL_SUCCESS);
        ASSERT_EQ(clEnqueueReadBuffer(cl.queue, bo.mem, CL_TRUE, 0, out.gpu.size() * sizeof(float), out.gpu.data(), 0,
                                      nullptr, nullptr),
                  CL_SUCCESS);
        clReleaseKernel(k);
        const std::vector<PF_PixelFloat> before = out.host;
        RenderPassCpu(ctx, fs);

        int lit = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w + Layer::kPad; ++x) {
                const PF_PixelFloat& c = out.host[size_t(y) * (w + Layer::kPad) + x];
                const float* g = &out.gpu[(size_t(y) * (w + Layer::kPad) + x) * 4];
                const float want[4] = {c.blue, c.green, c.red, c.alpha};
                for (int i = 0; i < 4; ++i)
                    EXPECT_NEAR(g[i], want[i], 1e-4f + 1e-4f * std::fabs(want[i])) << x << ", " << y << " ch " << i;
                lit += std::fabs(c.red - before[size_t(y) * (w + Layer::kPad) + x].red) > 1e-3f;
            }
        EXPECT_GT(lit, 0) << "the pass lit nothing";
    }
}

}  // namespace
}  // namespace morvel
