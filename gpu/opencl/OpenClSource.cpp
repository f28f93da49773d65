// The program text the OpenCL back end builds: generated at build time from the
// per-pixel source every back end shares, so an OpenCL frame is the CPU frame.
#include <string>

#include "gpu/opencl/OpenClProgram.h"
#include "kernel/OpenClProgram.h"

namespace morvel {

std::string_view GetOpenClSource() {
    // Joined once, on first use, whichever thread gets there first.
    static const std::string text = [] {
        std::string s;
        s.reserve(kOpenClProgramLength);
        for (std::size_t i = 0; i < kOpenClProgramPieceCount; ++i) s += kOpenClProgramPieces[i];
        return s;
    }();
    return text;
}

}  // namespace morvel
