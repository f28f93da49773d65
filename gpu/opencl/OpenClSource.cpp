// The program text the OpenCL back end builds. The clear kernel stands alone; the
// pass kernels come from the shared per-pixel source.
#include "gpu/opencl/OpenClProgram.h"

namespace morvel {
namespace {

constexpr char kClearSource[] = R"CL(
__kernel void ClearToOpaqueBlackKernel(__global float4* output, int width, int height, int pitch) {
    const int x = (int)get_global_id(0);
    const int y = (int)get_global_id(1);
    if (x >= width || y >= height) return;
    output[(size_t)y * (size_t)pitch + (size_t)x] = (float4)(0.0f, 0.0f, 0.0f, 1.0f);
}
)CL";

}  // namespace

std::string_view GetOpenClSource() { return {kClearSource, sizeof kClearSource - 1}; }

}  // namespace morvel
