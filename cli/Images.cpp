#include "cli/Images.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cli/ExrRead.h"
#include "cli/ExrWrite.h"
#include "cli/ImagePlugin.h"
#include "cli/ImageWindow.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
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

// What a file needs the image plugin for, to lead the error when it cannot be loaded.
std::string PluginPurpose(const std::string& file, const char* doing) {
    const std::string ext = Lower(fs::path(file).extension().string());
    return file + ": " + doing + " " + (ext.empty() ? std::string("this file") : ext + " files");
}

// EXR goes through OpenEXR's core, straight into the image's rows.
Image ReadExr(ExrFile& exr, const std::string& file, const std::string& spec_text, const std::string& layer,
              std::size_t max_pixels) {
    const ExrLayer pick = exr.Pick(spec_text, layer);
    const Extent data{pick.data_x, pick.data_y, pick.data_width, pick.data_height};
    const Extent display{pick.display_x, pick.display_y, pick.display_width, pick.display_height};
    CheckSize(file, data, display, max_pixels);
    CheckCoordinates(file, data, display);
    exr.CheckBlocks(pick);
    Image image = PlacedImage(data, display);
    exr.Decode(pick, image);
    return image;
}

// Every other format through the image plugin.
Image ReadFrom(const std::string& file, const std::string& spec_text, const std::string& layer,
               std::optional<std::uintmax_t> file_bytes, const void* bytes, std::size_t size, std::size_t max_pixels) {
    const ReadRequest request{.file = file,
                              .spec_text = spec_text,
                              .layer = layer,
                              .file_bytes = file_bytes,
                              .bytes = bytes,
                              .size = size,
                              .max_pixels = max_pixels};
    return ImagePlugin(PluginPurpose(file, "reading")).Read(request);
}

}  // namespace

Image ReadImage(const std::string& spec_text) {
    const auto [file, layer] = SplitLayerPath(spec_text);
    std::error_code ec;
    if (!fs::exists(file, ec)) throw SceneError(file + ": no such image file" + (ec ? " (" + ec.message() + ")" : ""));
    RequireRegularFile(file, "the image");
    const std::uintmax_t file_bytes = fs::file_size(file, ec);
    {
        // EXR is told by its signature, whatever the file's name.
        struct Fd {
            int fd;
            ~Fd() {
                if (fd >= 0) ::close(fd);
            }
        } in{::open(file.c_str(), O_RDONLY | O_CLOEXEC)};
        struct stat st;
        unsigned char head[4];
        if (in.fd >= 0 && ::fstat(in.fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(in.fd, head, 4, 0) == 4 &&
            IsExr(head, 4)) {
            ExrFile exr(file, in.fd, std::uint64_t(st.st_size));
            return ReadExr(exr, file, spec_text, layer, kMaxPixels);
        }
    }
    return ReadFrom(file, spec_text, layer, ec ? std::nullopt : std::optional(file_bytes), nullptr, 0, kMaxPixels);
}

Image ReadImageBytes(const std::string& name, const std::string& layer, const void* bytes, std::size_t size,
                     std::size_t max_pixels) {
    const std::string spec_text = layer.empty() ? name : name + "#" + layer;
    if (IsExr(bytes, size)) {
        ExrFile exr(name, bytes, size);
        return ReadExr(exr, name, spec_text, layer, std::min(max_pixels, kMaxPixels));
    }
    return ReadFrom(name, spec_text, layer, size, bytes, size, std::min(max_pixels, kMaxPixels));
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
    // A missing plugin should stop a sequence before its first frame is rendered, not after.
    if (std::string(f.name) != "EXR") ImagePlugin(PluginPurpose(path, "writing"));
}

void WriteImage(const std::string& path, const Frame& frame, const std::optional<Compression>& compression) {
    CheckOutputFormat(path, frame.depth, compression);
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
    if (format == "EXR") {
        WriteExr(tmp, path, frame.pixels, *packing);
    } else {
        WriteRequest request;
        request.path = path;
        request.temporary = tmp;
        request.format = format;
        request.frame = &frame;
        if (format == "PNG")
            request.png_level = packing->method == "none" ? 0 : packing->level > 0 ? packing->level : 6;
        ImagePlugin(PluginPurpose(path, "writing")).Write(request);
    }
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) throw SceneError(path + ": cannot write the image: " + ec.message());
    partial.kept = true;
}

}  // namespace morvel::cli
