// How morvel-render compresses the files it writes: EXR by one of its lossless
// methods, PNG by its deflate level. TIFF and JPEG keep their fixed settings.
#pragma once

#include <optional>
#include <string>

namespace morvel::cli {

struct Compression {
    std::string method;  // "none", "rle", "zips", "zip" or "piz"
    int level = 0;       // deflate level for zip and zips; 0: the library's own
    bool operator==(const Compression&) const = default;
};

// "piz", "zip", "zip:3". Throws SceneError naming the value and the accepted ones.
Compression ParseCompression(const std::string& text);
std::string CompressionText(const Compression& c);

// What a file of `format` ("EXR", "PNG", "TIFF", "JPEG") is written with:
// `requested`, or the format's default when none; nullopt for formats with
// fixed settings. Throws SceneError naming `path`, the value and what the
// format accepts when it cannot take `requested`.
std::optional<Compression> CompressionFor(const std::string& format, const std::optional<Compression>& requested,
                                          const std::string& path);

}  // namespace morvel::cli
