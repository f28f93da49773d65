// The OpenCL program's build on a real device (PoCL here): the text the module
// carries builds as OpenCL C 1.2 with warnings as errors, and what a device record
// holds after a build that works, one that fails, and a release.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "clapi/ClApi.h"
#include "gpu/GpuDeviceState.h"
#include "gpu/opencl/OpenClProgram.h"

namespace morvel {
namespace {

using namespace clapi;

class OpenClProgram : public ::testing::Test {
protected:
    void SetUp() override {
        cl = LoadApi();
        cl_platform_id platform = nullptr;
        cl_uint n = 0;
        if (!cl || cl->GetPlatformIDs(1, &platform, &n) != CL_SUCCESS || n == 0 ||
            cl->GetDeviceIDs(platform, CL_DEVICE_TYPE_ALL, 1, &device, &n) != CL_SUCCESS || n == 0)
            GTEST_SKIP() << "no OpenCL device (install pocl-opencl-icd)";
        cl_int err = 0;
        context = cl->CreateContext(nullptr, 1, &device, nullptr, nullptr, &err);
        other = cl->CreateContext(nullptr, 1, &device, nullptr, nullptr, &err);
        queue = cl->CreateCommandQueue(context, device, 0, &err);
        other_queue = cl->CreateCommandQueue(other, device, 0, &err);
        ASSERT_TRUE(context && other && queue && other_queue);
        info.device_framework = PF_GPU_Framework_OPENCL;
        info.devicePV = device;
        info.contextPV = context;
        info.command_queuePV = queue;
    }
    void TearDown() override {
        if (!cl || !context) return;
        ReleaseOpenClProgram(record);
        cl->ReleaseCommandQueue(queue);
        cl->ReleaseCommandQueue(other_queue);
        cl->ReleaseContext(context);
        cl->ReleaseContext(other);
    }

    void ExpectCleared() {
        EXPECT_EQ(record.cl_program, nullptr);
        EXPECT_EQ(record.cl_context, nullptr);
        EXPECT_EQ(record.cl_queue, nullptr);
        for (void* k : record.cl_kernels) EXPECT_EQ(k, nullptr);
    }

    const Api* cl = nullptr;
    cl_device_id device = nullptr;
    cl_context context = nullptr, other = nullptr;
    cl_command_queue queue = nullptr, other_queue = nullptr;
    PF_GPUDeviceInfo info{};
    GpuDeviceState record;
    PF_OutData out{};
};

// A warning on one vendor's compiler is often an error on another's.
TEST_F(OpenClProgram, TextBuildsAsOpenClC12WithWarningsAsErrors) {
    const std::string_view text = GetOpenClSource();
    const char* source = text.data();
    const size_t length = text.size();
    for (const std::string& options : {std::string("-cl-std=CL1.2 -Werror ") + kOpenClBuildOptions,
                                       std::string("-cl-std=CL1.2 -Werror -cl-fast-relaxed-math")}) {
        cl_int err = CL_SUCCESS;
        cl_program program = cl->CreateProgramWithSource(context, 1, &source, &length, &err);
        ASSERT_EQ(err, CL_SUCCESS);
        const bool built = cl->BuildProgram(program, 1, &device, options.c_str(), nullptr, nullptr) == CL_SUCCESS;
        size_t size = 0;
        cl->GetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size);
        std::string log(size, '\0');
        cl->GetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr);
        cl->ReleaseProgram(program);
        EXPECT_TRUE(built) << options << "\n" << log;
    }
}

TEST_F(OpenClProgram, ModuleProgramBuildsAndReleases) {
    ASSERT_TRUE(BuildOpenClProgram(record, info, &out)) << record.build_log;
    EXPECT_EQ(record.cl_context, context);
    EXPECT_EQ(record.cl_queue, queue);
    EXPECT_NE(record.cl_program, nullptr);
    for (void* k : record.cl_kernels) EXPECT_NE(k, nullptr) << "the generated text defines every kernel launched";
    EXPECT_TRUE(record.build_log.empty());
    ReleaseOpenClProgram(record);
    ExpectCleared();
    ReleaseOpenClProgram(record);  // a second release finds nothing to release
    ExpectCleared();
}

// A build that fails leaves nothing behind, keeps its log and hands the start of it
// back in the message field without asking the host to show it.
TEST_F(OpenClProgram, FailedBuildKeepsItsLogQuietly) {
    EXPECT_FALSE(BuildOpenClProgramFrom(record, info, &out, "__kernel void broken(__global float4* o) { o[0] = ; }"));
    ExpectCleared();
    ASSERT_FALSE(record.build_log.empty());
    EXPECT_NE(record.build_log.find("error"), std::string::npos) << record.build_log;
    const std::string message(out.return_msg, strnlen(out.return_msg, sizeof out.return_msg));
    EXPECT_EQ(record.build_log.rfind(message, 0), 0u) << message;
    EXPECT_EQ(out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    // The next good build forgets the old log.
    ASSERT_TRUE(BuildOpenClProgram(record, info, nullptr));
    EXPECT_TRUE(record.build_log.empty());
}

// A kernel the text does not define leaves its slot empty without failing the build.
TEST_F(OpenClProgram, MissingKernelLeavesItsSlotEmpty) {
    ASSERT_TRUE(BuildOpenClProgramFrom(record, info, &out,
                                       "__kernel void LightPassKernel(__global float4* o) { o[0] = (float4)(0); }"));
    EXPECT_EQ(record.cl_kernels[CL_KERNEL_CLEAR], nullptr);
    EXPECT_NE(record.cl_kernels[CL_KERNEL_LIGHT], nullptr);
}

TEST_F(OpenClProgram, QueueOfAnotherContextIsRefused) {
    PF_GPUDeviceInfo bad = info;
    bad.command_queuePV = other_queue;
    EXPECT_FALSE(BuildOpenClProgram(record, bad, &out));
    ExpectCleared();
    bad = info;
    bad.contextPV = nullptr;
    EXPECT_FALSE(BuildOpenClProgram(record, bad, &out));
    ExpectCleared();
}

}  // namespace
}  // namespace morvel
