// The environment row bodies for the instruction set the build targets, with the C
// library's scalar math.
#define MORVEL_LIBMVEC_AVX2 0
#include "cpu/EnvironmentRowBodies.h"

namespace morvel {

const EnvironmentRowTable& BaselineEnvironmentRows() {
    static const EnvironmentRowTable table = makeEnvironmentRowTable();
    return table;
}

}  // namespace morvel
