// The row bodies compiled for AVX-512 (see CMakeLists.txt); called only where the
// processor and the operating system have it.
#include "cpu/IncidenceRimRowBodies.h"
#include "cpu/LightRowBodies.h"

namespace morvel {

const LightRowTable& Avx512LightRows() {
    static const LightRowTable table = makeLightRowTable();
    return table;
}

const IncidenceRimRowTable& Avx512IncidenceRimRows() {
    static const IncidenceRimRowTable table = makeIncidenceRimRowTable();
    return table;
}

}  // namespace morvel
