#include "cli/Images.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <filesystem>
#include <memory>
#include <type_traits>

#include "cli/ExrWrite.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;
using OIIO::ImageInput;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

struct ChannelPick {
    int subimage = 0;
    int r = -1, g = -1, b = -1, a = -1;  // indices into the subimage's channels
};

int FindChannel(const ImageSpec& spec, const std::string& name) {
    for (int i = 0; i < spec.nchannels; ++i)
        if (spec.channel_name(i) == name) return i;
    return -1;
}

// R, G, B, A by name, else by position (grey, grey + alpha, RGB, RGBA).
bool PickPlain(const ImageSpec& spec, const std::string& prefix, ChannelPick& pick) {
    pick.r = FindChannel(spec, prefix + "R");
    pick.g = FindChannel(spec, prefix + "G");
    pick.b = FindChannel(spec, prefix + "B");
    pick.a = FindChannel(spec, prefix + "A");
    if (pick.r >= 0 && pick.g >= 0 && pick.b >= 0) return true;
    for (const char* grey : {"Y", "Z"}) {
        int y = FindChannel(spec, prefix + grey);
        if (y >= 0) {
            pick.r = pick.g = pick.b = y;
            return true;
        }
    }
    if (!prefix.empty()) return false;
    const int n = spec.nchannels;
    pick.r = 0;
    pick.g = n >= 3 ? 1 : 0;
    pick.b = n >= 3 ? 2 : 0;
    pick.a = n == 2 ? 1 : n >= 4 ? 3 : -1;
    if (spec.alpha_channel >= 0 && n != 3) pick.a = spec.alpha_channel;
    return n >= 1;
}

std::string LayerNames(ImageInput& in) {
    std::vector<std::string> names;
    for (int s = 0; in.seek_subimage(s, 0); ++s) {
        const ImageSpec& spec = in.spec();
        std::string part = spec.get_string_attribute("name");
        if (!part.empty()) names.push_back(part);
        for (int c = 0; c < spec.nchannels; ++c) {
            const std::string ch = spec.channel_name(c);
            auto dot = ch.rfind('.');
            if (dot != std::string::npos) names.push_back(ch.substr(0, dot));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::string list;
    for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
    return list.empty() ? "none" : list;
}

ChannelPick Pick(ImageInput& in, const std::string& spec_text, const std::string& layer) {
    ChannelPick pick;
    if (layer.empty()) {
        if (!PickPlain(in.spec(), "", pick)) throw SceneError(spec_text + ": the image has no channels");
        return pick;
    }
    for (int s = 0; in.seek_subimage(s, 0); ++s) {
        pick.subimage = s;
        const ImageSpec& spec = in.spec();
        if (spec.get_string_attribute("name") == layer && PickPlain(spec, "", pick)) return pick;
        if (PickPlain(spec, layer + ".", pick)) return pick;
    }
    throw SceneError(spec_text + ": no layer \"" + layer + "\" in the file (layers: " + LayerNames(in) + ")");
}

struct Format {
    const char* name;
    bool holds8, holds16, holds32;
};

Format OutputFormat(const std::string& path) {
    const std::string ext = Lower(fs::path(path).extension().string());
    if (ext == ".png") return {"PNG", true, true, false};
    if (ext == ".tif" || ext == ".tiff") return {"TIFF", true, true, true};
    if (ext == ".exr") return {"EXR", false, false, true};
    if (ext == ".jpg" || ext == ".jpeg") return {"JPEG", true, false, false};
    throw SceneError(path + ": unsupported output format \"" + ext + "\", expected .exr, .png, .tif or .jpg");
}

// minihost's world limit per side; the pixel cap keeps the decode buffers within memory.
constexpr int kMaxSide = 1 << 16;
constexpr std::size_t kMaxPixels = std::size_t(1) << 28;

// The library's reason, or a plain statement when it gave none.
std::string LibraryReason(std::string reason) {
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
    return reason.empty() ? "the image library gave no reason (the file may be truncated or damaged)" : reason;
}

Window DisplayWindow(const ImageSpec& spec) {
    // A file without its own display window has one equal to its data window.
    if (spec.full_width <= 0 || spec.full_height <= 0) return {spec.x, spec.y, spec.width, spec.height};
    return {spec.full_x, spec.full_y, spec.full_width, spec.full_height};
}

// Where a format bounds how much pixel data its bytes can hold, a header that
// claims more is refused before anything is allocated for it: raw float maps
// (PFM) and the other netpbm maps hold their pixels as they are (a bitmap packs
// 8 to a byte), and deflate (PNG) expands at most 1032 times.
void CheckClaimAgainstFileSize(const std::string& format, const ImageSpec& spec, std::uintmax_t file_bytes,
                               const std::string& file) {
    double expansion = 0;
    if (format == "pnm") expansion = 8;
    if (format == "png") expansion = 1032;
    if (expansion == 0) return;
    const double claimed = double(spec.width) * spec.height * spec.nchannels * spec.format.size();
    if (claimed > double(file_bytes) * expansion + 1024)
        throw SceneError(file + ": the file (" + std::to_string(file_bytes) + " bytes) is too small for the " +
                         std::to_string(spec.width) + " x " + std::to_string(spec.height) +
                         " pixels its header claims; it is truncated or damaged");
}

// Channels [first, end) of the data window as floats, read in bounded pieces,
// so that memory grows only with pixels the file really holds.
std::vector<float> ReadPixels(ImageInput& in, int subimage, int first, int end, const std::string& file) {
    const ImageSpec& spec = in.spec();
    const int span = end - first;
    const std::size_t row = std::size_t(spec.width) * span;
    constexpr std::size_t kPieceFloats = std::size_t(1) << 24;
    int rows = int(std::clamp<std::size_t>(kPieceFloats / row, 1, std::size_t(spec.height)));
    if (spec.tile_height > 0) rows = std::max(rows / spec.tile_height, 1) * spec.tile_height;
    std::vector<float> data;
    for (int y = spec.y; y < spec.y + spec.height; y += rows) {
        const int y_end = std::min(y + rows, spec.y + spec.height);
        const std::size_t at = data.size();
        minihost::ResizeLarge(data, at + row * std::size_t(y_end - y));
        const bool ok = spec.tile_width > 0 ? in.read_tiles(subimage, 0, spec.x, spec.x + spec.width, y, y_end, spec.z,
                                                            spec.z + 1, first, end, TypeDesc::FLOAT, data.data() + at)
                                            : in.read_scanlines(subimage, 0, y, y_end, spec.z, first, end,
                                                                TypeDesc::FLOAT, data.data() + at);
        if (!ok) throw SceneError(file + ": cannot read the pixels: " + LibraryReason(in.geterror()));
    }
    return data;
}

}  // namespace

LayerPath SplitLayerPath(const std::string& spec) {
    const auto hash = spec.rfind('#');
    std::error_code ec;
    if (hash == std::string::npos || fs::exists(spec, ec)) return {spec, ""};
    return {spec.substr(0, hash), spec.substr(hash + 1)};
}

void RequireRegularFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return;  // the open that follows names the problem
    if (!fs::is_regular_file(status))
        throw SceneError(path + ": " + what + " is not a regular file" +
                         (fs::is_directory(status) ? " (it is a folder)" : ""));
}

namespace {

Image ReadFrom(const std::string& file, const std::string& spec_text, const std::string& layer,
               std::optional<std::uintmax_t> file_bytes, OIIO::Filesystem::IOProxy* proxy, std::size_t max_pixels) {
    ImageSpec config;
    // OpenEXR's C core decodes float files with far less work per sample than
    // its C++ library; the image library takes the choice only process-wide.
    static const bool exr_core = OIIO::attribute("openexr:core", 1);
    (void)exr_core;
    config.attribute("oiio:UnassociatedAlpha", 1);
    // Handed to the reader through its configuration too: the open call's own
    // argument does not reach every format's reader here.
    if (proxy) config.attribute("oiio:ioproxy", TypeDesc::PTR, &proxy);
    auto in = ImageInput::open(file, &config, proxy);
    if (!in) throw SceneError(file + ": cannot read the image: " + LibraryReason(OIIO::geterror()));
    const ChannelPick pick = Pick(*in, spec_text, layer);
    if (!in->seek_subimage(pick.subimage, 0))
        throw SceneError(file + ": cannot read part " + std::to_string(pick.subimage) + ": " +
                         LibraryReason(in->geterror()));
    const ImageSpec spec = in->spec();
    const Window display = DisplayWindow(spec);
    const std::string size = std::to_string(spec.width) + " x " + std::to_string(spec.height);
    if (spec.width <= 0 || spec.height <= 0 || spec.depth != 1 || display.width <= 0 || display.height <= 0)
        throw SceneError(file + ": unsupported image size " + size);
    // The header alone decides the allocation, so a tiny file must not claim a huge image.
    for (const Window& w : {Window{0, 0, spec.width, spec.height}, display})
        if (w.width > kMaxSide || w.height > kMaxSide || std::size_t(w.width) * w.height > max_pixels)
            throw SceneError(file + ": image size " + std::to_string(w.width) + " x " + std::to_string(w.height) +
                             " is too large (at most " + std::to_string(kMaxSide) + " pixels a side and " +
                             std::to_string(max_pixels) + " pixels in all)");
    if (file_bytes) CheckClaimAgainstFileSize(in->format_name(), spec, *file_bytes, file);
    for (const Window& w : {Window{spec.x, spec.y, spec.width, spec.height}, display})
        if ((long long)w.x + w.width > INT_MAX || (long long)w.y + w.height > INT_MAX)
            throw SceneError(file + ": the image's window at (" + std::to_string(w.x) + ", " + std::to_string(w.y) +
                             ") reaches beyond the coordinates a file can hold");

    // Only the span of picked channels, so a file with many layers costs no more than one.
    const int first = std::min({pick.r, pick.g, pick.b, pick.a >= 0 ? pick.a : pick.r});
    const int last = std::max({pick.r, pick.g, pick.b, pick.a});
    std::vector<float> data = ReadPixels(*in, pick.subimage, first, last + 1, file);
    const int span = last - first + 1;

    // An uncropped R G B A file already holds the image's layout: keep its buffer.
    const bool rgba_in_order =
        span == 4 && pick.r == first && pick.g == first + 1 && pick.b == first + 2 && pick.a == first + 3;
    if (rgba_in_order && Window{spec.x, spec.y, spec.width, spec.height} == display) {
        Image image;
        image.width = display.width;
        image.height = display.height;
        image.origin_x = display.x;
        image.origin_y = display.y;
        image.rgba = std::move(data);
        return image;
    }

    // The data window placed inside the display window, zero outside it, as a
    // compositing host places a layer.
    Image image(display.width, display.height);
    image.origin_x = display.x;
    image.origin_y = display.y;
    // In 64 bits: a hostile header may put either window near the end of the int range.
    using W = long long;
    const W x0 = std::max<W>(spec.x, display.x), x1 = std::min<W>(W(spec.x) + spec.width, W(display.x) + display.width);
    const W y0 = std::max<W>(spec.y, display.y),
            y1 = std::min<W>(W(spec.y) + spec.height, W(display.y) + display.height);
    const Window placed = x1 > x0 && y1 > y0
                              ? Window{int(x0 - display.x), int(y0 - display.y), int(x1 - x0), int(y1 - y0)}
                              : Window{0, 0, 0, 0};
    if (!(placed == Window{0, 0, display.width, display.height})) image.data_window = placed;
    for (W y = y0; y < y1; ++y)
        for (W x = x0; x < x1; ++x) {
            const float* src = data.data() + (std::size_t(y - spec.y) * spec.width + std::size_t(x - spec.x)) * span;
            float* dst = image.At(int(x - display.x), int(y - display.y));
            dst[0] = src[pick.r - first];
            dst[1] = src[pick.g - first];
            dst[2] = src[pick.b - first];
            dst[3] = pick.a >= 0 ? src[pick.a - first] : 1.0f;
        }
    return image;
}

}  // namespace

Image ReadImage(const std::string& spec_text) {
    const auto [file, layer] = SplitLayerPath(spec_text);
    std::error_code ec;
    if (!fs::exists(file, ec)) throw SceneError(file + ": no such image file" + (ec ? " (" + ec.message() + ")" : ""));
    RequireRegularFile(file, "the image");
    const std::uintmax_t file_bytes = fs::file_size(file, ec);
    return ReadFrom(file, spec_text, layer, ec ? std::nullopt : std::optional(file_bytes), nullptr, kMaxPixels);
}

Image ReadImageBytes(const std::string& name, const std::string& layer, const void* bytes, std::size_t size,
                     std::size_t max_pixels) {
    OIIO::Filesystem::IOMemReader reader(bytes, size);
    return ReadFrom(name, layer.empty() ? name : name + "#" + layer, layer, size, &reader,
                    std::min(max_pixels, kMaxPixels));
}

void CheckOutputFormat(const std::string& path, int depth, const std::optional<Compression>& compression) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw SceneError(path + ": the output path is an existing folder");
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        const bool exists = fs::exists(folder, ec);
        throw SceneError(path + ": the output folder \"" + folder.string() + "\" " +
                         (ec       ? "cannot be read: " + ec.message()
                          : exists ? "is not a folder"
                                   : "does not exist"));
    }
    const Format f = OutputFormat(path);
    const bool holds = depth == 8 ? f.holds8 : depth == 16 ? f.holds16 : f.holds32;
    if (!holds) {
        std::string can;
        if (f.holds8) can += "8";
        if (f.holds16) can += can.empty() ? "16" : " and 16";
        if (f.holds32) can += can.empty() ? "32 (float)" : " and 32 (float)";
        throw SceneError(path + ": " + f.name + " cannot hold " + std::to_string(depth) + "-bit pixels (it holds " +
                         can + "); choose another extension or --depth");
    }
    CompressionFor(f.name, compression, path);
}

void WriteImage(const std::string& path, const Frame& frame, const std::optional<Compression>& compression) {
    CheckOutputFormat(path, frame.depth, compression);
    const Image& full = frame.pixels;
    const std::string format = OutputFormat(path).name;
    const std::optional<Compression> packing = CompressionFor(format, compression, path);

    // Write beside the target and rename, so a failed write never leaves a truncated file.
    // The process id keeps two tasks that render the same frame (a re-queued farm chunk) out of each other's file.
    const std::string tmp = path + ".partial-" + std::to_string(::getpid()) + fs::path(path).extension().string();
    // The temporary file goes on every failure, a failed rename included.
    struct RemoveUnlessKept {
        const std::string& file;
        bool kept = false;
        ~RemoveUnlessKept() {
            std::error_code ignored;
            if (!kept) fs::remove(file, ignored);
        }
    } partial{tmp};
    auto keep = [&] {
        std::error_code ec;
        fs::rename(tmp, path, ec);
        if (ec) throw SceneError(path + ": cannot write the image: " + ec.message());
        partial.kept = true;
    };
    if (format == "EXR") {
        WriteExr(tmp, path, full, *packing);
        keep();
        return;
    }

    const bool jpeg = format == "JPEG";
    const int channels = jpeg ? 3 : 4;
    const TypeDesc type = frame.depth == 8 ? TypeDesc::UINT8 : frame.depth == 16 ? TypeDesc::UINT16 : TypeDesc::FLOAT;
    auto out = ImageOutput::create(path);
    if (!out) throw SceneError(path + ": cannot write this format: " + LibraryReason(OIIO::geterror()));
    // A format that holds windows keeps the input's; others get the whole display window.
    const bool windows = out->supports("displaywindow") && out->supports("origin");
    const bool cropped = windows && full.data_window && full.data_window->width > 0 && full.data_window->height > 0;
    const Window data = cropped ? *full.data_window : Window{0, 0, full.width, full.height};
    ImageSpec spec(data.width, data.height, channels, type);
    if (windows) {
        spec.x = full.origin_x + data.x;
        spec.y = full.origin_y + data.y;
        spec.full_x = full.origin_x;
        spec.full_y = full.origin_y;
        spec.full_width = full.width;
        spec.full_height = full.height;
    }
    if (!jpeg) spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    if (format == "PNG")
        spec.attribute("png:compressionLevel", packing->method == "none" ? 0 : packing->level > 0 ? packing->level : 6);
    if (format == "TIFF" && frame.depth == 32) spec.attribute("compression", "zip");
    if (jpeg) spec.attribute("CompressionQuality", 95);

    // Float frames are written straight from the frame (every float format
    // takes all four channels); 8 and 16 bit become the file's integers.
    const std::size_t n = std::size_t(data.width) * data.height;
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> words;
    const void* pixels = full.At(data.x, data.y);
    OIIO::stride_t row_stride = OIIO::stride_t(full.width) * 4 * sizeof(float);
    OIIO::stride_t pixel_stride = 4 * sizeof(float);
    auto convert = [&](auto* dst, float scale, float top) {
        for (int y = 0; y < data.height; ++y) {
            const float* src = full.At(data.x, data.y + y);
            auto* line = dst + std::size_t(y) * data.width * channels;
            for (int x = 0; x < data.width; ++x)
                for (int c = 0; c < channels; ++c) {
                    const float v = std::round(src[x * 4 + c] * scale);
                    line[x * channels + c] = std::remove_reference_t<decltype(*dst)>(v > 0 ? std::min(v, top) : 0);
                }
        }
    };
    if (frame.depth == 8) {
        bytes.resize(n * channels);
        convert(bytes.data(), 1.0f, 255.0f);
        pixels = bytes.data();
        pixel_stride = row_stride = OIIO::AutoStride;
    } else if (frame.depth == 16) {
        words.resize(n * channels);
        convert(words.data(), 65535.0f / 32768.0f, 65535.0f);
        pixels = words.data();
        pixel_stride = row_stride = OIIO::AutoStride;
    }

    if (!out->open(tmp, spec) || !out->write_image(type, pixels, pixel_stride, row_stride) || !out->close())
        throw SceneError(path + ": cannot write the image: " + LibraryReason(out->geterror()));
    out.reset();
    keep();
}

}  // namespace morvel::cli
