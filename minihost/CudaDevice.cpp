#include "minihost/CudaDevice.h"

#include "cuapi/CuApi.h"

namespace minihost {

CudaAvailability CudaDevices() {
    CudaAvailability a;
    const cuapi::Api* cu = cuapi::LoadApi();
    if (!cu) {
        a.why = cuapi::LoadError();
        return a;
    }
    if (cuapi::CUresult err = cu->DeviceGetCount(&a.count); err != cuapi::CUDA_SUCCESS) {
        a.count = 0;
        a.why = std::string("the NVIDIA driver cannot count its devices: ") + cuapi::ErrorText(err);
    } else if (a.count <= 0) {
        a.count = 0;
        a.why = "the NVIDIA driver finds no CUDA device";
    }
    return a;
}

}  // namespace minihost
