#include "cli/oiio/OiioImages.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <type_traits>

#include "cli/ChannelNames.h"
#include "cli/ImageWindow.h"
#include "cli/SceneError.h"

namespace morvel::cli::oiio {
namespace {

using OIIO::ImageInput;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

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
    if (PickChannelsByName([&](const std::string& name) { return FindChannel(spec, name); }, prefix, pick)) return true;
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

Image ReadFrom(const ReadRequest& request) {
    const std::string& file = request.file;
    const std::string& spec_text = request.spec_text;
    const std::string& layer = request.layer;
    std::optional<OIIO::Filesystem::IOMemReader> memory;
    if (request.bytes) memory.emplace(request.bytes, request.size);
    OIIO::Filesystem::IOProxy* proxy = memory ? &*memory : nullptr;
    ImageSpec config;
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
    if (spec.depth != 1)
        throw SceneError(file + ": unsupported image size " + std::to_string(spec.width) + " x " +
                         std::to_string(spec.height) + " x " + std::to_string(spec.depth));
    const Extent data_extent{spec.x, spec.y, spec.width, spec.height};
    const Extent display_extent{display.x, display.y, display.width, display.height};
    CheckSize(file, data_extent, display_extent, request.max_pixels);
    if (request.file_bytes) CheckClaimAgainstFileSize(in->format_name(), spec, *request.file_bytes, file);
    CheckCoordinates(file, data_extent, display_extent);

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

    Image image = PlacedImage(data_extent, display_extent);
    using W = long long;
    const W x0 = std::max<W>(spec.x, display.x), x1 = std::min<W>(W(spec.x) + spec.width, W(display.x) + display.width);
    const W y0 = std::max<W>(spec.y, display.y),
            y1 = std::min<W>(W(spec.y) + spec.height, W(display.y) + display.height);
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

void WriteImage(const WriteRequest& request) {
    const std::string& path = request.path;
    const Frame& frame = *request.frame;
    const std::string& format = request.format;
    const Image& full = frame.pixels;
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
    if (format == "PNG") spec.attribute("png:compressionLevel", request.png_level);
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

    if (!out->open(request.temporary, spec) || !out->write_image(type, pixels, pixel_stride, row_stride) ||
        !out->close())
        throw SceneError(path + ": cannot write the image: " + LibraryReason(out->geterror()));
}

}  // namespace morvel::cli::oiio
