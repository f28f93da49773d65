#include "cli/Images.h"

#include <OpenImageIO/imageio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>

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

// "a.exr#diffuse" names a layer unless a file with that whole name exists.
void SplitLayer(const std::string& spec, std::string& file, std::string& layer) {
    file = spec;
    layer.clear();
    const auto hash = spec.rfind('#');
    std::error_code ec;
    if (hash == std::string::npos || fs::exists(spec, ec)) return;
    file = spec.substr(0, hash);
    layer = spec.substr(hash + 1);
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

}  // namespace

Image ReadImage(const std::string& spec_text) {
    std::string file, layer;
    SplitLayer(spec_text, file, layer);
    std::error_code ec;
    if (!fs::exists(file, ec)) throw SceneError(file + ": no such image file" + (ec ? " (" + ec.message() + ")" : ""));
    ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = ImageInput::open(file, &config);
    if (!in) throw SceneError(file + ": cannot read the image: " + OIIO::geterror());
    const ChannelPick pick = Pick(*in, spec_text, layer);
    if (!in->seek_subimage(pick.subimage, 0))
        throw SceneError(file + ": cannot read part " + std::to_string(pick.subimage) + ": " + in->geterror());
    const ImageSpec spec = in->spec();
    const std::string size = std::to_string(spec.width) + " x " + std::to_string(spec.height);
    if (spec.width <= 0 || spec.height <= 0 || spec.depth != 1)
        throw SceneError(file + ": unsupported image size " + size);
    // The header alone decides the allocation, so a tiny file must not claim a huge image.
    if (spec.width > kMaxSide || spec.height > kMaxSide || std::size_t(spec.width) * spec.height > kMaxPixels)
        throw SceneError(file + ": image size " + size + " is too large (at most " + std::to_string(kMaxSide) +
                         " pixels a side and " + std::to_string(kMaxPixels) + " pixels in all)");
    // Only the span of picked channels, so a file with many layers costs no more than one.
    const int first = std::min({pick.r, pick.g, pick.b, pick.a >= 0 ? pick.a : pick.r});
    const int last = std::max({pick.r, pick.g, pick.b, pick.a});
    const int span = last - first + 1;
    const std::size_t n = std::size_t(spec.width) * spec.height;
    std::vector<float> all(n * span);
    if (!in->read_image(pick.subimage, 0, first, last + 1, TypeDesc::FLOAT, all.data()))
        throw SceneError(file + ": cannot read the pixels: " + in->geterror());
    Image image(spec.width, spec.height);
    for (std::size_t i = 0; i < n; ++i) {
        const float* src = all.data() + i * span;
        float* dst = image.rgba.data() + i * 4;
        dst[0] = src[pick.r - first];
        dst[1] = src[pick.g - first];
        dst[2] = src[pick.b - first];
        dst[3] = pick.a >= 0 ? src[pick.a - first] : 1.0f;
    }
    return image;
}

void CheckOutputFormat(const std::string& path, int depth) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
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
}

void WriteImage(const std::string& path, const Frame& frame) {
    CheckOutputFormat(path, frame.depth);
    const Image& img = frame.pixels;
    const bool jpeg = std::string(OutputFormat(path).name) == "JPEG";
    const int channels = jpeg ? 3 : 4;
    const TypeDesc type = frame.depth == 8 ? TypeDesc::UINT8 : frame.depth == 16 ? TypeDesc::UINT16 : TypeDesc::FLOAT;
    ImageSpec spec(img.width, img.height, channels, type);
    if (!jpeg) spec.alpha_channel = 3;
    spec.attribute("oiio:UnassociatedAlpha", 1);
    if (frame.depth == 32) spec.attribute("compression", "zip");
    if (jpeg) spec.attribute("CompressionQuality", 95);

    const std::size_t n = std::size_t(img.width) * img.height;
    std::vector<uint8_t> bytes;
    std::vector<uint16_t> words;
    std::vector<float> floats;
    const void* data = nullptr;
    if (frame.depth == 8) {
        bytes.resize(n * channels);
        for (std::size_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                bytes[i * channels + c] = uint8_t(std::clamp(std::round(img.rgba[i * 4 + c]), 0.0f, 255.0f));
        data = bytes.data();
    } else if (frame.depth == 16) {
        words.resize(n * channels);
        for (std::size_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                words[i * channels + c] =
                    uint16_t(std::clamp(std::round(img.rgba[i * 4 + c] * (65535.0f / 32768.0f)), 0.0f, 65535.0f));
        data = words.data();
    } else {
        floats.resize(n * channels);
        for (std::size_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c) floats[i * channels + c] = img.rgba[i * 4 + c];
        data = floats.data();
    }

    // Write beside the target and rename, so a failed write never leaves a truncated file.
    // The process id keeps two tasks that render the same frame (a re-queued farm chunk) out of each other's file.
    const std::string tmp = path + ".partial-" + std::to_string(::getpid()) + fs::path(path).extension().string();
    auto out = ImageOutput::create(path);
    if (!out) throw SceneError(path + ": cannot write this format: " + OIIO::geterror());
    if (!out->open(tmp, spec) || !out->write_image(type, data) || !out->close()) {
        const std::string err = out->geterror();
        std::error_code ec;
        fs::remove(tmp, ec);
        throw SceneError(path + ": cannot write the image: " + err);
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) throw SceneError(path + ": cannot write the image: " + ec.message());
}

}  // namespace morvel::cli
