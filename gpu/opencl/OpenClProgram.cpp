#include "gpu/opencl/OpenClProgram.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "clapi/ClApi.h"

namespace morvel {
namespace {

using namespace clapi;

// Kernel names by role, in the order of OpenClKernel.
constexpr const char* kKernelNames[kOpenClKernelCount] = {"ClearToOpaqueBlackKernel", "LightPassKernel",
                                                          "IncidenceRimPassKernel",   "EnvironmentPassKernel",
                                                          "ConvertHdriKernel",        "BlurHdriKernel"};

std::string BuildLog(const Api& cl, cl_program program, cl_device_id device) {
    size_t size = 0;
    if (cl.GetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size) != CL_SUCCESS || size == 0)
        return {};
    std::string log(size, '\0');
    if (cl.GetProgramBuildInfo(program, device, CL_PROGRAM_BUILD_LOG, size, log.data(), nullptr) != CL_SUCCESS)
        return {};
    log.resize(std::strlen(log.c_str()));
    return log;
}

// Queue that belongs to another context or device: every enqueue on it would
// fail, so the device is no use to a frame.
bool QueueMatches(const Api& cl, cl_command_queue queue, cl_context context, cl_device_id device) {
    cl_context queue_context = nullptr;
    cl_device_id queue_device = nullptr;
    if (cl.GetCommandQueueInfo(queue, CL_QUEUE_CONTEXT, sizeof queue_context, &queue_context, nullptr) != CL_SUCCESS)
        return false;
    if (cl.GetCommandQueueInfo(queue, CL_QUEUE_DEVICE, sizeof queue_device, &queue_device, nullptr) != CL_SUCCESS)
        return false;
    return queue_context == context && queue_device == device;
}

}  // namespace

bool BuildOpenClProgram(GpuDeviceState& record, const PF_GPUDeviceInfo& info, PF_OutData* out_data) {
    return BuildOpenClProgramFrom(record, info, out_data, GetOpenClSource());
}

bool BuildOpenClProgramFrom(GpuDeviceState& record, const PF_GPUDeviceInfo& info, PF_OutData* out_data,
                            std::string_view text) {
    record.build_log.clear();
    const Api* cl = LoadApi();
    auto* context = static_cast<cl_context>(info.contextPV);
    auto* device = static_cast<cl_device_id>(info.devicePV);
    auto* queue = static_cast<cl_command_queue>(info.command_queuePV);
    if (!cl || !context || !device || !queue || !QueueMatches(*cl, queue, context, device)) return false;

    const char* source = text.data();
    const size_t length = text.size();
    cl_int err = CL_SUCCESS;
    cl_program program = cl->CreateProgramWithSource(context, 1, &source, &length, &err);
    if (err != CL_SUCCESS || !program) return false;
    if (cl->BuildProgram(program, 1, &device, kOpenClBuildOptions, nullptr, nullptr) != CL_SUCCESS) {
        record.build_log = BuildLog(*cl, program, device);
        if (record.build_log.empty()) record.build_log = "the OpenCL program did not build (no build log)";
        if (out_data) {
            const size_t n = std::min(record.build_log.size(), sizeof out_data->return_msg - 1);
            std::memcpy(out_data->return_msg, record.build_log.data(), n);
            out_data->return_msg[n] = '\0';
        }
        cl->ReleaseProgram(program);
        return false;
    }

    record.cl_context = context;
    record.cl_device = device;
    record.cl_queue = queue;
    record.cl_program = program;
    // A kernel that cannot be made leaves its slot empty; only its passes are refused.
    for (int k = 0; k < kOpenClKernelCount; ++k) {
        cl_int kerr = CL_SUCCESS;
        cl_kernel kernel = cl->CreateKernel(program, kKernelNames[k], &kerr);
        record.cl_kernels[k] = kerr == CL_SUCCESS ? kernel : nullptr;
    }
    return true;
}

void ReleaseOpenClProgram(GpuDeviceState& record) {
    if (const Api* cl = LoadApi()) {
        for (void*& kernel : record.cl_kernels)
            if (kernel) cl->ReleaseKernel(static_cast<cl_kernel>(kernel));
        if (record.cl_program) cl->ReleaseProgram(static_cast<cl_program>(record.cl_program));
    }
    for (void*& kernel : record.cl_kernels) kernel = nullptr;
    record.cl_program = nullptr;
    record.cl_context = record.cl_device = record.cl_queue = nullptr;
}

}  // namespace morvel
