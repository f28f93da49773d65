// The fat binary of the CUDA kernels (cubins from sm_75 up and PTX for the newest),
// carried in the module. Empty in a build made without nvcc: CUDA devices are then
// declined.
#pragma once

#include <span>

namespace morvel {

std::span<const unsigned char> CudaFatbin();

}  // namespace morvel
