// Build-time tool: writes the registration resource bytes to a file so that the
// Windows resource compiler can embed exactly what the Linux module carries.
#include <cstdio>

#include "entry/PiplResource.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr auto bytes = morvel::pipl::Bytes();
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
