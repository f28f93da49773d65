#include <gtest/gtest.h>

#include "gpu/GpuFrame.h"

namespace morvel {
namespace {

TEST(GpuLaunch, StrideComesFromTheOutputBufferSize) {
    struct Case {
        std::size_t bytes;
        int32_t width, height, stride;
    };
    for (const Case c : {
             Case{30965760, 1781, 1080, 1792},  // rows padded to 1792 pixels
             Case{37u * 23u * 16u, 37, 23, 37}, Case{(37u * 16u + 48u) * 23u, 37, 23, 40},
             Case{0, 37, 23, 37},    // unknown size: the width
             Case{1000, 37, 0, 37},  // no rows: the width
         }) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(StrideFromWorldSize(c.bytes, c.width, c.height), c.stride);
    }
}

}  // namespace
}  // namespace morvel
