#include "gpu/GpuDeviceLifecycle.h"

#include "gpu/cuda/CudaModule.h"
#include "gpu/opencl/OpenClProgram.h"
#include "hostaccess/HostSuites.h"

namespace morvel {

void ClearDeviceRecord(GpuDeviceState& record) {
    // Prepared images go before the program and the host's context they were made in.
    record.hdri_cache.Clear();
    ReleaseOpenClProgram(record);
    UnloadCudaModule(record);
    record.framework = PF_GPU_Framework_NONE;
}

PF_Err SetupGpuDevice(PF_InData* in_data, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra, GpuDeviceTable& table) {
    if (!in_data || !extra || !extra->input || !extra->output) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    ScopedSuite<PF_GPUDeviceSuite1> gpu(in_data->pica_basicP, in_data, out_data);
    if (!gpu->GetDeviceInfo) return PF_Err_NONE;
    PF_GPUDeviceInfo info{};
    if (gpu->GetDeviceInfo(in_data->effect_ref, extra->input->device_index, &info) != PF_Err_NONE) return PF_Err_NONE;
    if (extra->input->device_index >= kMaxGpuDevices) return PF_Err_NONE;

    // A device set up again starts from nothing: its earlier program is not leaked.
    GpuDeviceState& record = table.devices[extra->input->device_index];
    ClearDeviceRecord(record);

    // A device is taken when the framework the host offers is the device's and its
    // kernels are ready on it; anything else is rendered through the CPU command.
    const int32_t framework = extra->input->what_gpu;
    if (framework != info.device_framework) return PF_Err_NONE;
    if (framework == PF_GPU_Framework_OPENCL) {
        if (!BuildOpenClProgram(record, info, out_data)) return PF_Err_NONE;
    } else if (framework == PF_GPU_Framework_CUDA) {
        if (!LoadCudaModule(record, info)) return PF_Err_NONE;
    } else {
        return PF_Err_NONE;
    }

    record.framework = framework;
    if (out_data) out_data->out_flags2 |= PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    extra->output->gpu_data = &record;
    return PF_Err_NONE;
}

PF_Err SetdownGpuDevice(PF_InData*, PF_OutData*, PF_GPUDeviceSetdownExtra* extra, GpuDeviceTable& table) {
    if (!extra || !extra->input) return PF_Err_NONE;
    GpuDeviceState* record = FindDeviceRecord(table, extra->input->gpu_data);
    if (!record && extra->input->device_index < kMaxGpuDevices) record = &table.devices[extra->input->device_index];
    if (record) ClearDeviceRecord(*record);
    return PF_Err_NONE;
}

}  // namespace morvel
