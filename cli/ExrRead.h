// EXR files read through OpenEXR's C core, each block decoded straight into
// the image's rows; zip blocks go through libdeflate. Scanline and tiled
// parts (the full-resolution level), single- and multi-part files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "cli/Images.h"

namespace morvel::cli {

// True when the bytes start with the EXR signature.
bool IsExr(const void* head, std::size_t size);

// One picked layer of a file: its part, the channels that fill R G B A
// (indices into the part's channel list as stored; alpha -1 when missing),
// and its windows as they stand in the file.
struct ExrLayer {
    int part = 0;
    int r = -1, g = -1, b = -1, a = -1;
    // In 64 bits: a hostile header's windows need not fit an int's width.
    long long data_x = 0, data_y = 0, data_width = 0, data_height = 0;
    long long display_x = 0, display_y = 0, display_width = 0, display_height = 0;
};

// An open EXR file with its headers read. The file descriptor or the bytes
// must outlive it; errors throw SceneError naming `file`.
class ExrFile {
public:
    ExrFile(const std::string& file, int fd, std::uint64_t size);
    ExrFile(const std::string& file, const void* bytes, std::size_t size);
    ~ExrFile();
    ExrFile(const ExrFile&) = delete;
    ExrFile& operator=(const ExrFile&) = delete;

    // The layer "file.exr#name" names (empty: the first part): a part called
    // name, or channels name.R/G/B/A (grey name.Y or name.Z) of any part.
    // Otherwise R G B A by name, grey Y or Z, or channels by position.
    ExrLayer Pick(const std::string& spec_text, const std::string& layer) const;

    // Checks every block of the layer's part is where the file says, before
    // anything is decoded or allocated for the pixels.
    void CheckBlocks(const ExrLayer& layer);

    // Decodes the layer into `image`, whose grid is the display window and
    // whose pixels are zero; pixels outside the display window are dropped.
    // Files are decoded side by side (SceneImages), so blocks of one file
    // are decoded in turn.
    void Decode(const ExrLayer& layer, Image& image);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace morvel::cli
