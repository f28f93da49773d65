// GPU device setup and setdown blocks, device information and the GPU device
// suite through which GPU worlds are turned into device buffers.
#pragma once

#include "AE_Effect.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 8)

// The interface version we declare has no DirectX framework value.
enum : PF_GPU_Framework {
    PF_GPU_Framework_NONE = 0,
    PF_GPU_Framework_OPENCL = 1,
    PF_GPU_Framework_METAL = 2,
    PF_GPU_Framework_CUDA = 3
};

#define kPFGPUDeviceSuite "PF GPU Device Suite"
#define kPFGPUDeviceSuiteVersion1 1

#define PF_CUDAVersion 10010

typedef struct PF_GPUDeviceSetupInput {
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
} PF_GPUDeviceSetupInput;

// gpu_data belongs to the effect; setdown hands it back for freeing.
typedef struct PF_GPUDeviceSetupOutput {
    void* gpu_data;
} PF_GPUDeviceSetupOutput;

typedef struct PF_GPUDeviceSetupExtra {
    PF_GPUDeviceSetupInput* input;
    PF_GPUDeviceSetupOutput* output;
} PF_GPUDeviceSetupExtra;

typedef struct PF_GPUDeviceSetdownInput {
    void* gpu_data;
    PF_GPU_Framework what_gpu;
    A_u_long device_index;
} PF_GPUDeviceSetdownInput;

typedef struct PF_GPUDeviceSetdownExtra {
    PF_GPUDeviceSetdownInput* input;
} PF_GPUDeviceSetdownExtra;

// The pointers are framework objects: platformPV the OpenCL platform;
// devicePV the CUDA device, OpenCL device or Metal device; contextPV the CUDA
// or OpenCL context; command_queuePV the CUDA stream or OpenCL/Metal queue.
typedef struct PF_GPUDeviceInfo {
    PF_GPU_Framework device_framework;
    PF_Boolean compatibleB;
    void* platformPV;
    void* devicePV;
    void* contextPV;
    void* command_queuePV;
    void* offscreen_opengl_contextPV;
    void* offscreen_opengl_devicePV;
} PF_GPUDeviceInfo;

typedef struct PF_GPUDeviceSuite1 {
    PF_Err (*GetDeviceCount)(PF_ProgPtr effect_ref, A_u_long* device_countP);
    PF_Err (*GetDeviceInfo)(PF_ProgPtr effect_ref, A_u_long device_index, PF_GPUDeviceInfo* device_infoP);
    PF_Err (*AcquireExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
    PF_Err (*ReleaseExclusiveDeviceAccess)(PF_ProgPtr effect_ref, A_u_long device_index);
    PF_Err (*AllocateDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size, void** memoryPP);
    PF_Err (*FreeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memoryP);
    PF_Err (*PurgeDeviceMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size, size_t* bytes_purgedP0);
    PF_Err (*AllocateHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t size, void** memoryPP);
    PF_Err (*FreeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, void* memoryP);
    PF_Err (*PurgeHostMemory)(PF_ProgPtr effect_ref, A_u_long device_index, size_t bytes_to_purgeL,
                              size_t* bytes_purgedP0);
    // The pixel aspect ratio travels by value.
    PF_Err (*CreateGPUWorld)(PF_ProgPtr effect_ref, A_u_long device_index, A_long width, A_long height,
                             PF_RationalScale pixel_aspect_ratio, PF_Field field, PF_PixelFormat pixel_format,
                             PF_Boolean clear_pix, PF_EffectWorld** worldPP);
    PF_Err (*DisposeGPUWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP);
    // A GPU world's data member is NULL; this is how its device buffer is reached.
    PF_Err (*GetGPUWorldData)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, void** pixPP);
    PF_Err (*GetGPUWorldSize)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, size_t* device_sizeP);
    PF_Err (*GetGPUWorldDeviceIndex)(PF_ProgPtr effect_ref, PF_EffectWorld* worldP, A_u_long* device_indexP);
} PF_GPUDeviceSuite1;

#pragma pack(pop)

#ifdef __cplusplus
}
#endif
