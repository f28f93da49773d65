// Bytes -> the layer reader: EXR through the tool's own reader, the rest
// through the image plugin's OpenImageIO in-memory I/O. The first
// byte picks the format (by file name, as a path on disk would) and whether a
// layer is asked for by name; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/Images.h"
#include "cli/SceneError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const char* const kNames[] = {"f.exr", "f.png", "f.pfm", "f.tif", "f.hdr", "f.jpg", "f.ppm", "f.bmp"};
    const char* name = kNames[data[0] & 7];
    const std::string layer = (data[0] & 8) ? "diffuse" : "";
    try {
        // Small enough that every accepted image decodes quickly; the size checks are the same.
        const morvel::cli::Image image = morvel::cli::ReadImageBytes(name, layer, data + 1, size - 1, 1 << 20);
        if (image.rgba.size() != std::size_t(image.width) * image.height * 4) __builtin_trap();
        if (image.data_window) {
            const auto& w = *image.data_window;
            if (w.x < 0 || w.y < 0 || w.x + w.width > image.width || w.y + w.height > image.height) __builtin_trap();
        }
    } catch (const morvel::cli::SceneError&) {
    }
    return 0;
}
