// The environment row bodies compiled for AVX2 (see CMakeLists.txt); called only where
// the processor has it. MORVEL_HAVE_LIBMVEC says whether glibc's vector math links.
#if MORVEL_HAVE_LIBMVEC
#define MORVEL_LIBMVEC_AVX2 1
#else
#define MORVEL_LIBMVEC_AVX2 0
#endif
#include "cpu/EnvironmentRowBodies.h"

namespace morvel {

const EnvironmentRowTable& Avx2EnvironmentRows() {
    static const EnvironmentRowTable table = makeEnvironmentRowTable();
    return table;
}

}  // namespace morvel
