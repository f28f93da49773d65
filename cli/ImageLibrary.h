// What morvel-render asks of the general image library (OpenImageIO, and
// OpenColorIO through it). That library pulls in a few hundred shared
// libraries whose loading costs more than a small render, so it lives in a
// plugin (morvel-oiio.so) that ImagePlugin.h loads on first need. Both sides
// are built together by the same compiler, so the interface is plain C++;
// only the factory is a C symbol.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Images.h"

namespace morvel::cli {

struct ReadRequest {
    std::string file;       // the path, also named in messages
    std::string spec_text;  // what the user wrote ("a.exr#diffuse"), for messages
    std::string layer;
    std::optional<std::uintmax_t> file_bytes;
    const void* bytes = nullptr;  // the file's contents when read from memory, else null
    std::size_t size = 0;
    std::size_t max_pixels = 0;
};

struct WriteRequest {
    std::string path;       // named in messages
    std::string temporary;  // where the file is written
    std::string format;     // "PNG", "TIFF" or "JPEG"
    const Frame* frame = nullptr;
    int png_level = 6;
};

// A colour config: its spaces, its roles, and conversions between spaces.
class ColorSpaces {
public:
    virtual ~ColorSpaces() = default;
    virtual std::vector<std::string> Names() const = 0;
    // The space `role` names, or "" when the config has no such role.
    virtual std::string ByRole(const std::string& role) const = 0;
    // R, G and B of every pixel; alpha is neither converted nor divided out.
    // Throws SceneError naming `where`.
    virtual void Convert(Image& image, const std::string& from, const std::string& to,
                         const std::string& where) const = 0;
};

// Every call throws SceneError naming the file and what is wrong.
class ImageLibrary {
public:
    virtual Image Read(const ReadRequest& request) = 0;
    virtual void Write(const WriteRequest& request) = 0;
    // `file` "" gives the library's built-in config.
    virtual std::unique_ptr<ColorSpaces> OpenColorConfig(const std::string& file) = 0;

protected:
    // The plugin owns its one instance for the life of the process.
    ~ImageLibrary() = default;
};

// extern "C" ImageLibrary* morvel_image_library(int version): null when the
// plugin was built against another version of this interface.
inline constexpr char kImageLibraryFactory[] = "morvel_image_library";
inline constexpr int kImageLibraryVersion = 1;
using ImageLibraryFactory = ImageLibrary* (*)(int version);

}  // namespace morvel::cli
