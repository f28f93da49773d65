#include "cli/Compression.h"

#include <charconv>

#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

// Lossless only: relit frames are intermediate data, and a lossy default
// would change pixels without anyone asking for it.
constexpr const char* kMethods[] = {"none", "rle", "zips", "zip", "piz"};

bool TakesLevel(const std::string& method) { return method == "zip" || method == "zips"; }

}  // namespace

Compression ParseCompression(const std::string& text) {
    Compression c;
    const auto colon = text.find(':');
    c.method = text.substr(0, colon);
    bool known = false;
    for (const char* m : kMethods) known = known || c.method == m;
    bool ok = known;
    if (ok && colon != std::string::npos) {
        const char* first = text.data() + colon + 1;
        const char* last = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(first, last, c.level);
        ok = TakesLevel(c.method) && first != last && ec == std::errc() && ptr == last && c.level >= 1 && c.level <= 9;
    }
    if (!ok)
        throw SceneError("--compression " + text +
                         ": expected none, rle, zips, zip or piz, where zip and zips may name a deflate level from "
                         "1 to 9 (zip:1); .exr takes them all, .png none and zip (morvel-render --help lists the "
                         "options)");
    return c;
}

std::string CompressionText(const Compression& c) {
    return c.level > 0 ? c.method + ":" + std::to_string(c.level) : c.method;
}

std::optional<Compression> CompressionFor(const std::string& format, const std::optional<Compression>& requested,
                                          const std::string& path) {
    // Deflate's fastest level on one scanline a block: float pixels deflate to
    // nearly the same size at every level, and single lines keep every core busy.
    if (format == "EXR") return requested ? *requested : Compression{"zips", 1};
    if (format == "PNG") {
        if (!requested) return Compression{"zip", 4};
        // PNG is always deflate: "none" is its level 0, and zips, rle and piz do not exist there.
        if (requested->method == "none" || requested->method == "zip") return requested;
        throw SceneError(path + ": PNG output cannot use --compression " + CompressionText(*requested) +
                         " (PNG takes none, zip or zip:1 to zip:9)");
    }
    if (requested)
        throw SceneError(path + ": " + format + " output takes no --compression (" + CompressionText(*requested) +
                         "); only .exr and .png output do");
    return std::nullopt;
}

}  // namespace morvel::cli
