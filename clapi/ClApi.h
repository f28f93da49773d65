// The OpenCL 1.2 entry points the effect and minihost use, loaded from the
// system's ICD loader at run time (libOpenCL.so.1, OpenCL.dll) so that both load
// on machines without OpenCL and the Windows cross-build needs no import
// library. Only the few types and constants in use are declared; the names sit in
// their own namespace so that they never meet the Khronos headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clapi {

using cl_int = int32_t;
using cl_uint = uint32_t;
using cl_ulong = uint64_t;
using cl_bool = cl_uint;
using cl_bitfield = cl_ulong;
using cl_device_type = cl_bitfield;
using cl_mem_flags = cl_bitfield;
using cl_command_queue_properties = cl_bitfield;
using cl_platform_info = cl_uint;
using cl_device_info = cl_uint;
using cl_program_build_info = cl_uint;
using cl_command_queue_info = cl_uint;
using cl_mem_info = cl_uint;
using cl_context_properties = intptr_t;

using cl_platform_id = struct _cl_platform_id*;
using cl_device_id = struct _cl_device_id*;
using cl_context = struct _cl_context*;
using cl_command_queue = struct _cl_command_queue*;
using cl_mem = struct _cl_mem*;
using cl_program = struct _cl_program*;
using cl_kernel = struct _cl_kernel*;
using cl_event = struct _cl_event*;

inline constexpr cl_int CL_SUCCESS = 0;
inline constexpr cl_bool CL_TRUE = 1;
inline constexpr cl_device_type CL_DEVICE_TYPE_CPU = 1 << 1;
inline constexpr cl_device_type CL_DEVICE_TYPE_GPU = 1 << 2;
inline constexpr cl_device_type CL_DEVICE_TYPE_ALL = 0xFFFFFFFF;
inline constexpr cl_platform_info CL_PLATFORM_NAME = 0x0902;
inline constexpr cl_device_info CL_DEVICE_TYPE = 0x1000;
inline constexpr cl_device_info CL_DEVICE_NAME = 0x102B;
inline constexpr cl_program_build_info CL_PROGRAM_BUILD_LOG = 0x1183;
inline constexpr cl_command_queue_info CL_QUEUE_CONTEXT = 0x1090;
inline constexpr cl_command_queue_info CL_QUEUE_DEVICE = 0x1091;
inline constexpr cl_mem_info CL_MEM_SIZE = 0x1102;
inline constexpr cl_mem_flags CL_MEM_READ_WRITE = 1 << 0;

// Windows x64 has one calling convention, so the declared __stdcall of the
// Khronos headers needs no counterpart here.
struct Api {
    cl_int (*GetPlatformIDs)(cl_uint, cl_platform_id*, cl_uint*);
    cl_int (*GetPlatformInfo)(cl_platform_id, cl_platform_info, size_t, void*, size_t*);
    cl_int (*GetDeviceIDs)(cl_platform_id, cl_device_type, cl_uint, cl_device_id*, cl_uint*);
    cl_int (*GetDeviceInfo)(cl_device_id, cl_device_info, size_t, void*, size_t*);
    cl_context (*CreateContext)(const cl_context_properties*, cl_uint, const cl_device_id*,
                                void (*)(const char*, const void*, size_t, void*), void*, cl_int*);
    cl_int (*ReleaseContext)(cl_context);
    cl_command_queue (*CreateCommandQueue)(cl_context, cl_device_id, cl_command_queue_properties, cl_int*);
    cl_int (*ReleaseCommandQueue)(cl_command_queue);
    cl_int (*GetCommandQueueInfo)(cl_command_queue, cl_command_queue_info, size_t, void*, size_t*);
    cl_mem (*CreateBuffer)(cl_context, cl_mem_flags, size_t, void*, cl_int*);
    cl_int (*ReleaseMemObject)(cl_mem);
    cl_int (*GetMemObjectInfo)(cl_mem, cl_mem_info, size_t, void*, size_t*);
    cl_program (*CreateProgramWithSource)(cl_context, cl_uint, const char**, const size_t*, cl_int*);
    cl_int (*BuildProgram)(cl_program, cl_uint, const cl_device_id*, const char*, void (*)(cl_program, void*), void*);
    cl_int (*GetProgramBuildInfo)(cl_program, cl_device_id, cl_program_build_info, size_t, void*, size_t*);
    cl_int (*ReleaseProgram)(cl_program);
    cl_kernel (*CreateKernel)(cl_program, const char*, cl_int*);
    cl_int (*ReleaseKernel)(cl_kernel);
    cl_int (*SetKernelArg)(cl_kernel, cl_uint, size_t, const void*);
    cl_int (*EnqueueNDRangeKernel)(cl_command_queue, cl_kernel, cl_uint, const size_t*, const size_t*, const size_t*,
                                   cl_uint, const cl_event*, cl_event*);
    cl_int (*EnqueueReadBufferRect)(cl_command_queue, cl_mem, cl_bool, const size_t*, const size_t*, const size_t*,
                                    size_t, size_t, size_t, size_t, void*, cl_uint, const cl_event*, cl_event*);
    cl_int (*EnqueueWriteBufferRect)(cl_command_queue, cl_mem, cl_bool, const size_t*, const size_t*, const size_t*,
                                     size_t, size_t, size_t, size_t, const void*, cl_uint, const cl_event*, cl_event*);
    cl_int (*EnqueueCopyBuffer)(cl_command_queue, cl_mem, cl_mem, size_t, size_t, size_t, cl_uint, const cl_event*,
                                cl_event*);
    cl_int (*EnqueueWriteBuffer)(cl_command_queue, cl_mem, cl_bool, size_t, size_t, const void*, cl_uint,
                                 const cl_event*, cl_event*);
    cl_int (*Finish)(cl_command_queue);
};

// The table, loaded on first use and kept until the process ends; null when no
// OpenCL library can be loaded or one of the entry points is missing.
const Api* LoadApi();

}  // namespace clapi
