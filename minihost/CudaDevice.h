// What the host knows of CUDA on this machine, through the driver loaded at run time.
#pragma once

#include <string>

namespace minihost {

struct CudaAvailability {
    int count = 0;
    std::string why;  // empty when there is at least one device; else the reason there is none
};

// Never throws: a machine without an NVIDIA driver simply has no CUDA device.
CudaAvailability CudaDevices();

}  // namespace minihost
