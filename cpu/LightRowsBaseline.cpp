// The row bodies for the instruction set the build targets.
#include "cpu/IncidenceRimRowBodies.h"
#include "cpu/LightRowBodies.h"

namespace morvel {

const LightRowTable& BaselineLightRows() {
    static const LightRowTable table = makeLightRowTable();
    return table;
}

const IncidenceRimRowTable& BaselineIncidenceRimRows() {
    static const IncidenceRimRowTable table = makeIncidenceRimRowTable();
    return table;
}

}  // namespace morvel
