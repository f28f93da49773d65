// Sizes, offsets, slots and constants of the host's layout are pinned by static_asserts
// in the headers' own check file; what is left here is the version packing beyond the
// one example those pin.
#include <gtest/gtest.h>

#include "host/Host.h"

TEST(HostAbi, VersionPackingMatchesTheHostsLayout) {
    EXPECT_EQ(PF_VERSION(9, 0, 0, PF_Stage_DEVELOP, 0), (1u << 26) | (1u << 19));  // majors above 7 go on at bit 26
    EXPECT_EQ(PF_VERSION(0, 3, 2, PF_Stage_RELEASE, 5), (3u << 15) | (2u << 11) | (3u << 9) | 5u);
    EXPECT_EQ(PF_VERSION(0, 0, 0, PF_Stage_DEVELOP, 0x3FF), 0x1FFu);  // the build number keeps its 9 bits
}
