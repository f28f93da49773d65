// Linked into the test build of the module in place of the fat binary, so that a
// build made without nvcc still takes CUDA devices; only the fake driver, which
// never reads device code, accepts it.
#include "gpu/cuda/CudaFatbin.h"

namespace morvel {

std::span<const unsigned char> CudaFatbin() {
    static const unsigned char image[] = "stand-in for the CUDA kernels, for the fake driver";
    return image;
}

}  // namespace morvel
