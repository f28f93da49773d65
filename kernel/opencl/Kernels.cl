// The OpenCL kernels: one work item per output pixel (x = global id 0, y = global id
// 1), each calling the kernel/ entry point of its pass, so that an OpenCL frame is the
// CPU frame. A launch may round its size up: work items outside the output do nothing.
// Buffers are B, G, R, A floats (a buffer that is not assigned may be null); their sizes
// and row pitches in bytes come in a GpuLayers record, and the pass values as the record
// the host built with frame/KernelPasses.h (LightPassOf, IncidenceRimPassOf, IblPassOf),
// set with clSetKernelArg(kernel, i, sizeof record, &record).
//
//   ClearToOpaqueBlackKernel  output, width, height, row_bytes
//   LightPassKernel           output, base, source, normal, roughness, metallic, specular, GpuLayers, LightPass
//   IncidenceRimPassKernel    output, base, normal, GpuLayers, IncidenceRimPass
//   EnvironmentPassKernel     output, base, normal, roughness, metallic, specular, GpuLayers,
//                             diffuse HDRI, specular HDRI, hdri_width, hdri_height, hdri_stride, IblPass
//   ConvertHdriKernel         HDRI world, width, height, row_bytes, packed R G B A image, stride
//   BlurHdriKernel            source, destination, width, height, stride, weights, radius, along_rows
//
// The base is "Diffuse Albedo", else the input. The HDRI images are packed R, G, B, A
// floats: ConvertHdriKernel, then BlurHdriKernel along the rows and along the columns
// with the table of NormalizedBlurWeights (kernel/HdriBlurTaps.h), as the CPU does.
#include "kernel/GpuBuffers.h"
#include "kernel/HdriBlurTaps.h"
#include "kernel/Passes.h"

#define MORVEL_BYTES(p) ((__global unsigned char*)(p))

__kernel void ClearToOpaqueBlackKernel(__global float* out, int width, int height, int row_bytes) {
    ImageView v;
    v.data = MORVEL_BYTES(out);
    v.rowBytes = row_bytes;
    v.width = width;
    v.height = height;
    v.layout = PIXEL_BGRA32F;
    clearPixelOpaqueBlack(v, (int)get_global_id(0), (int)get_global_id(1));
}

__kernel void LightPassKernel(__global float* out, __global const float* base, __global const float* source,
                              __global const float* normal, __global const float* roughness,
                              __global const float* metallic, __global const float* specular, GpuLayers layers,
                              LightPass pass) {
    const PassViews v = gpuPassViews(layers, MORVEL_BYTES(out), MORVEL_BYTES(base), MORVEL_BYTES(source),
                                     MORVEL_BYTES(normal), MORVEL_BYTES(roughness), MORVEL_BYTES(metallic),
                                     MORVEL_BYTES(specular));
    shadeLightPixel(pass, v, (int)get_global_id(0), (int)get_global_id(1));
}

__kernel void IncidenceRimPassKernel(__global float* out, __global const float* base, __global const float* normal,
                                     GpuLayers layers, IncidenceRimPass pass) {
    const PassViews v = gpuPassViews(layers, MORVEL_BYTES(out), MORVEL_BYTES(base), 0, MORVEL_BYTES(normal), 0, 0, 0);
    shadeIncidenceRimPixel(pass, v, (int)get_global_id(0), (int)get_global_id(1));
}

__kernel void EnvironmentPassKernel(__global float* out, __global const float* base, __global const float* normal,
                                    __global const float* roughness, __global const float* metallic,
                                    __global const float* specular, GpuLayers layers, __global const float* diffuse,
                                    __global const float* specularHdri, int hdri_width, int hdri_height,
                                    int hdri_stride, IblPass pass) {
    const PassViews v = gpuPassViews(layers, MORVEL_BYTES(out), MORVEL_BYTES(base), 0, MORVEL_BYTES(normal),
                                     MORVEL_BYTES(roughness), MORVEL_BYTES(metallic), MORVEL_BYTES(specular));
    HdriView d;
    d.pixels = diffuse;
    d.width = hdri_width;
    d.height = hdri_height;
    d.stride = hdri_stride;
    HdriView s = d;
    s.pixels = specularHdri;
    shadeEnvironmentPixel(pass, v, d, s, (int)get_global_id(0), (int)get_global_id(1));
}

// The HDRI world (B, G, R, A, its own pitch) into a packed R, G, B, A image.
__kernel void ConvertHdriKernel(__global const float* world, int width, int height, int row_bytes,
                                __global float* dst, int stride) {
    ImageView w;
    w.data = MORVEL_BYTES(world);
    w.rowBytes = row_bytes;
    w.width = width;
    w.height = height;
    w.layout = PIXEL_BGRA32F;
    convertHdriPixel(w, dst, stride, (int)get_global_id(0), (int)get_global_id(1));
}

// One direction of the HDRI blur with the weight table of NormalizedBlurWeights.
__kernel void BlurHdriKernel(__global const float* src, __global float* dst, int width, int height, int stride,
                             __global const float* weights, int radius, int along_rows) {
    blurHdriPixel(src, dst, width, height, stride, weights, radius, along_rows, (int)get_global_id(0),
                  (int)get_global_id(1));
}
