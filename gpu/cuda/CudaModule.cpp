#include "gpu/cuda/CudaModule.h"

#include "cuapi/CuApi.h"
#include "gpu/cuda/CudaFatbin.h"

namespace morvel {
namespace {

using namespace cuapi;

constexpr const char* kKernelNames[kCudaKernelCount] = {
    "ClearToOpaqueBlackKernel", "LightPassKernel",   "IncidenceRimPassKernel",
    "EnvironmentPassKernel",    "ConvertHdriKernel", "BlurHdriKernel",
};

void Forget(GpuDeviceState& record) {
    record.cuda_module = nullptr;
    for (void*& f : record.cuda_functions) f = nullptr;
    record.cuda_context = nullptr;
    record.cuda_stream = nullptr;
}

}  // namespace

CudaContextScope::CudaContextScope(void* context) {
    const Api* cu = LoadApi();
    if (!cu) return;
    CUcontext current = nullptr;
    if (cu->CtxGetCurrent(&current) != CUDA_SUCCESS) return;
    auto* wanted = static_cast<CUcontext>(context);
    if (!wanted || wanted == current) {
        ok_ = current != nullptr || wanted != nullptr;
        return;
    }
    pushed_ = cu->CtxPushCurrent(wanted) == CUDA_SUCCESS;
    ok_ = pushed_;
}

CudaContextScope::~CudaContextScope() {
    if (!pushed_) return;
    CUcontext popped = nullptr;
    if (const Api* cu = LoadApi()) cu->CtxPopCurrent(&popped);
}

bool LoadCudaModule(GpuDeviceState& record, const PF_GPUDeviceInfo& info) {
    return LoadCudaModuleFrom(record, info, CudaFatbin());
}

bool LoadCudaModuleFrom(GpuDeviceState& record, const PF_GPUDeviceInfo& info, std::span<const unsigned char> image) {
    const Api* cu = LoadApi();
    if (!cu || image.empty()) return false;
    // The module belongs to the context the host set the device up with (the one
    // it names, else the one current during setup).
    CUcontext context = static_cast<CUcontext>(info.contextPV);
    if (!context && (cu->CtxGetCurrent(&context) != CUDA_SUCCESS || !context)) return false;
    record.cuda_context = context;
    record.cuda_stream = info.command_queuePV;
    CudaContextScope scope(record);
    CUmodule module = nullptr;
    if (!scope.ok() || cu->ModuleLoadData(&module, image.data()) != CUDA_SUCCESS || !module) {
        Forget(record);
        return false;
    }
    record.cuda_module = module;
    for (int i = 0; i < kCudaKernelCount; ++i) {
        CUfunction f = nullptr;
        if (cu->ModuleGetFunction(&f, module, kKernelNames[i]) != CUDA_SUCCESS || !f) {
            cu->ModuleUnload(module);
            Forget(record);
            return false;
        }
        record.cuda_functions[i] = f;
    }
    return true;
}

void UnloadCudaModule(GpuDeviceState& record) {
    if (record.cuda_module) {
        if (const Api* cu = LoadApi()) {
            CudaContextScope scope(record);
            if (scope.ok()) cu->ModuleUnload(static_cast<CUmodule>(record.cuda_module));
        }
    }
    Forget(record);
}

}  // namespace morvel
