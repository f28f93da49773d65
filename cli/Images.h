// Image files in and out, with no colour conversion and no
// (un)premultiplication: values go in and out exactly as stored. EXR files
// are read and written through OpenEXR's core (cli/ExrRead.h, cli/ExrWrite.h),
// the other formats through the image plugin (ImagePlugin.h), loaded on first need.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/Compression.h"
#include "minihost/LargeBuffer.h"

namespace morvel::cli {

// A rectangle in an image's pixel grid.
struct Window {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Window&) const = default;
};

// Four floats per pixel, R G B A, rows top first. The grid is the file's
// display window; pixels outside its data window are zero.
struct Image {
    int width = 0, height = 0;
    std::vector<float> rgba;
    // Where the file put its display window, and its data window within the
    // grid, so that an output can keep both; none for an uncropped image.
    int origin_x = 0, origin_y = 0;
    std::optional<Window> data_window;

    Image() = default;
    Image(int w, int h) : width(w), height(h) { minihost::ResizeLarge(rgba, std::size_t(w) * h * 4); }
    float* At(int x, int y) { return rgba.data() + (std::size_t(y) * width + x) * 4; }
    const float* At(int x, int y) const { return rgba.data() + (std::size_t(y) * width + x) * 4; }
};

// Refuses a path that exists but is not a regular file (a device, a pipe, a
// folder): a reader could block on it forever or never reach its end.
void RequireRegularFile(const std::string& path, const std::string& what);

// "a.exr#diffuse" names the layer "diffuse" of a.exr, unless a file with that
// whole name exists.
struct LayerPath {
    std::string file, layer;
};
LayerPath SplitLayerPath(const std::string& spec);

// Integer files read as 0..1 (8-bit / 255, 16-bit / 65535), float as stored.
// One channel is grey; a missing alpha is 1. "file.exr#name" reads the layer
// (channels name.R/G/B/A) or the part called name of a multi-layer EXR.
// Throws SceneError naming the file and what is wrong.
Image ReadImage(const std::string& path);
// The same from bytes in memory; `name`'s extension picks the format, and
// images above `max_pixels` are refused.
Image ReadImageBytes(const std::string& name, const std::string& layer, const void* bytes, std::size_t size,
                     std::size_t max_pixels);

// A rendered frame in the depth it was rendered in: 8-bit values 0..255 and
// 16-bit values 0..32768 (integers held in floats), float as is.
struct Frame {
    int depth = 32;
    Image pixels;
};

// The format follows the extension: PNG holds 8 and 16, TIFF 8, 16 and 32,
// EXR 32, JPEG 8 (no alpha). 16-bit is stored scaled to 0..65535. The image's
// display origin and data window are kept (pixels outside the data window are
// not stored) where the format holds them. A format
// that cannot hold the frame's depth is an error, never a silent conversion.
// `compression` applies to EXR and PNG (CompressionFor); none gives the format's default.
void WriteImage(const std::string& path, const Frame& frame, const std::optional<Compression>& compression = {});
// Throws the error WriteImage would for this path, depth and compression
// (format, missing folder, a compression the format cannot take), before any work.
void CheckOutputFormat(const std::string& path, int depth, const std::optional<Compression>& compression = {});

}  // namespace morvel::cli
