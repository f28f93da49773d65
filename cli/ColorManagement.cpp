#include "cli/ColorManagement.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "cli/ImagePlugin.h"
#include "cli/PixelDepth.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

std::string Join(const std::vector<std::string>& names) {
    std::string list;
    for (const auto& n : names) list += (list.empty() ? "" : ", ") + n;
    return list.empty() ? "none" : list;
}

void RequireFile(const std::string& path, const std::string& label) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw SceneError(label + ": cannot read the colour config (" +
                         (std::filesystem::exists(path, ec) ? "not a file" : "no such file") + ")");
}

bool NamesAnySpace(const Scene& scene) {
    if (!scene.working_colorspace.empty() || !scene.output_colorspace.empty()) return true;
    return std::any_of(scene.layers.begin(), scene.layers.end(),
                       [](const LayerRef& l) { return !l.colorspace.empty(); });
}

}  // namespace

bool IsDataLayer(const std::string& name) {
    static const char* const kData[] = {"Normal Map", "Roughness", "Metalness", "Specular Albedo", "Depth Map"};
    return std::any_of(std::begin(kData), std::end(kData), [&](const char* d) { return name == d; });
}

SceneColors::SceneColors(const Scene& scene, const std::string& config_option) : scene_file_(scene.file) {
    // A config named on the command line is checked even when unused; $OCIO only when it is needed.
    if (!config_option.empty()) RequireFile(config_option, config_option);
    if (!NamesAnySpace(scene)) return;

    std::string config_file = config_option;
    if (config_file.empty()) {
        const char* env = std::getenv("OCIO");
        if (env && *env) {
            config_file = env;
            RequireFile(config_file, "$OCIO=" + config_file);
        }
    }
    const std::string file = scene.file.empty() ? "scene" : scene.file;
    config_ = ImagePlugin(file + ": converting colour spaces").OpenColorConfig(config_file);
    config_name_ = config_file.empty() ? "OpenImageIO's built-in colour config" : "the colour config " + config_file;

    if (!scene.working_colorspace.empty()) {
        working_ = Resolve(scene.working_colorspace, file + ": working_colorspace");
    } else {
        const std::string linear = config_->ByRole("scene_linear");
        if (linear.empty())
            throw SceneError(file + ": " + config_name_ +
                             " has no scene_linear role; name the working space with \"working_colorspace\" (one of: " +
                             Join(config_->Names()) + ")");
        working_ = linear;
    }
    if (!scene.output_colorspace.empty()) output_ = Resolve(scene.output_colorspace, file + ": output_colorspace");
    for (const auto& layer : scene.layers) {
        if (layer.colorspace.empty()) continue;
        const std::string where = file + ": layers." + layer.name + ".colorspace";
        layer_spaces_.push_back({layer.name, Resolve(layer.colorspace, where)});
        if (IsDataLayer(layer.name))
            warnings_.push_back(where + ": " + layer.name + " holds data, not colour; converting it from \"" +
                                layer.colorspace + "\" as asked");
    }
}

SceneColors::~SceneColors() = default;

std::string SceneColors::Resolve(const std::string& name, const std::string& where) const {
    const auto names = config_->Names();
    if (std::find(names.begin(), names.end(), name) != names.end()) return name;
    // Roles ("scene_linear", "texture_paint", ...) name spaces too.
    const std::string by_role = config_->ByRole(name);
    if (!by_role.empty()) return by_role;
    throw SceneError(where + ": unknown colour space \"" + name + "\"; " + config_name_ + " knows: " + Join(names));
}

void SceneColors::Convert(Image& image, const std::string& from, const std::string& to,
                          const std::string& where) const {
    if (from == to || image.rgba.empty()) return;
    config_->Convert(image, from, to, where);
}

void SceneColors::ConvertLayers(SceneImages& images) const {
    if (!active()) return;
    for (const auto& [name, space] : layer_spaces_) {
        auto it = images.layers.find(name);
        if (it != images.layers.end())
            Convert(it->second, space, working_, scene_file_ + ": layers." + name + ".colorspace");
    }
}

void SceneColors::ConvertOutput(Frame& frame) const {
    if (!active() || output_.empty() || output_ == working_) return;
    const float white = White(frame.depth);
    if (frame.depth != 32)
        for (float& v : frame.pixels.rgba) v /= white;
    Convert(frame.pixels, working_, output_, scene_file_ + ": output_colorspace");
    if (frame.depth != 32)
        for (float& v : frame.pixels.rgba) v = ToLevel(v, white);
}

}  // namespace morvel::cli
