// The module's kernels as both fake drivers run them: each kernel's per-thread body
// over the launch's whole grid, on the CPU.
#pragma once

#include <cstring>
#include <iterator>
#include <string_view>

#include "gpu/cuda/CudaKernelArgs.h"

namespace morvel::test {

// By the module's kernel index.
inline constexpr const char* kFakeKernelNames[] = {
    "ClearToOpaqueBlackKernel", "LightPassKernel",   "IncidenceRimPassKernel",
    "EnvironmentPassKernel",    "ConvertHdriKernel", "BlurHdriKernel",
};

// -1 for a kernel the fakes cannot run.
inline int FakeKernelIndex(std::string_view name) {
    for (int i = 0; i < int(std::size(kFakeKernelNames)); ++i)
        if (name == kFakeKernelNames[i]) return i;
    return -1;
}

template <typename Args, typename Body>
void RunGrid(void** params, unsigned gx, unsigned gy, unsigned bx, unsigned by, Body body) {
    Args args;
    std::memcpy(&args, params[0], sizeof args);
    for (unsigned y = 0; y < gy * by; ++y)
        for (unsigned x = 0; x < gx * bx; ++x) body(args, int(x), int(y));
}

// False for an index that names no kernel.
inline bool RunFakeKernel(int index, void** params, unsigned gx, unsigned gy, unsigned bx, unsigned by) {
    switch (index) {
        case 0:
            RunGrid<CudaClearArgs>(params, gx, gy, bx, by, cudaClearPixel);
            return true;
        case 1:
            RunGrid<CudaLightArgs>(params, gx, gy, bx, by, cudaLightPixel);
            return true;
        case 2:
            RunGrid<CudaIncidenceRimArgs>(params, gx, gy, bx, by, cudaIncidenceRimPixel);
            return true;
        case 3:
            RunGrid<CudaEnvironmentArgs>(params, gx, gy, bx, by, cudaEnvironmentPixel);
            return true;
        case 4:
            RunGrid<CudaConvertHdriArgs>(params, gx, gy, bx, by, cudaConvertHdriPixel);
            return true;
        case 5:
            RunGrid<CudaBlurHdriArgs>(params, gx, gy, bx, by, cudaBlurHdriPixel);
            return true;
        default:
            return false;
    }
}

}  // namespace morvel::test
