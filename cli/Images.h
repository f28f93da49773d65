// Image files in and out through OpenImageIO, with no colour conversion and
// no (un)premultiplication: values go in and out exactly as stored.
#pragma once

#include <string>
#include <vector>

namespace morvel::cli {

// Four floats per pixel, R G B A, rows top first.
struct Image {
    int width = 0, height = 0;
    std::vector<float> rgba;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(std::size_t(w) * h * 4, 0.0f) {}
    float* At(int x, int y) { return rgba.data() + (std::size_t(y) * width + x) * 4; }
    const float* At(int x, int y) const { return rgba.data() + (std::size_t(y) * width + x) * 4; }
};

// Integer files read as 0..1 (8-bit / 255, 16-bit / 65535), float as stored.
// One channel is grey; a missing alpha is 1. "file.exr#name" reads the layer
// (channels name.R/G/B/A) or the part called name of a multi-layer EXR.
// Throws SceneError naming the file and what is wrong.
Image ReadImage(const std::string& path);

// A rendered frame in the depth it was rendered in: 8-bit values 0..255 and
// 16-bit values 0..32768 (integers held in floats), float as is.
struct Frame {
    int depth = 32;
    Image pixels;
};

// The format follows the extension: PNG holds 8 and 16, TIFF 8, 16 and 32,
// EXR 32, JPEG 8 (no alpha). 16-bit is stored scaled to 0..65535. A format
// that cannot hold the frame's depth is an error, never a silent conversion.
void WriteImage(const std::string& path, const Frame& frame);
// Throws the error WriteImage would for this path and depth (format or missing folder), before any work.
void CheckOutputFormat(const std::string& path, int depth);

}  // namespace morvel::cli
