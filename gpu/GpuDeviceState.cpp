#include "gpu/GpuDeviceState.h"

namespace morvel {

GpuDeviceState* FindDeviceRecord(GpuDeviceTable& table, const void* gpu_data) {
    for (GpuDeviceState& record : table.devices)
        if (&record == gpu_data) return &record;
    return nullptr;
}

}  // namespace morvel
