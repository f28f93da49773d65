// The row bodies for the instruction set the build targets.
#include "cpu/LightRowBodies.h"

namespace morvel {

const LightRowTable& BaselineLightRows() {
    static const LightRowTable table = makeLightRowTable();
    return table;
}

}  // namespace morvel
