// The row bodies compiled for AVX2 (see CMakeLists.txt); called only where the
// processor has it.
#include "cpu/IncidenceRimRowBodies.h"
#include "cpu/LightRowBodies.h"

namespace morvel {

const LightRowTable& Avx2LightRows() {
    static const LightRowTable table = makeLightRowTable();
    return table;
}

const IncidenceRimRowTable& Avx2IncidenceRimRows() {
    static const IncidenceRimRowTable table = makeIncidenceRimRowTable();
    return table;
}

}  // namespace morvel
