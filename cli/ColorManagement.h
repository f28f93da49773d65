// Colour spaces of a scene's layers and output, through the image plugin's
// colour config (OpenColorIO): layers named with a colour space are converted to the
// working space before the effect sees them, and the frame from the working
// space to the output space before it is written. A scene that names no colour
// space never opens a config (nor loads the plugin), so its pixels are untouched.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/ImageLibrary.h"
#include "cli/Images.h"
#include "cli/SceneImages.h"

namespace morvel::cli {

// Layers whose values are data (directions, amounts, distances), not colour.
bool IsDataLayer(const std::string& name);

class SceneColors {
public:
    // `config_option` (--colorconfig) "" means $OCIO, else OpenImageIO's built-in config. Checks
    // every colour space the scene names; throws SceneError naming the file,
    // the field and the spaces the config knows. Warnings (a data layer given a
    // colour space) are kept in warnings().
    SceneColors(const Scene& scene, const std::string& config_option);
    ~SceneColors();
    SceneColors(const SceneColors&) = delete;
    SceneColors& operator=(const SceneColors&) = delete;

    bool active() const { return config_ != nullptr; }
    const std::string& working() const { return working_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

    void ConvertLayers(SceneImages& images) const;
    // An 8- or 16-bit frame is converted as 0..1 values and rounded back to levels.
    void ConvertOutput(Frame& frame) const;

private:
    std::string Resolve(const std::string& name, const std::string& where) const;
    void Convert(Image& image, const std::string& from, const std::string& to, const std::string& where) const;

    std::unique_ptr<ColorSpaces> config_;
    std::string config_name_;  // for messages
    std::string working_, output_;
    std::vector<std::pair<std::string, std::string>> layer_spaces_;  // layer name, colour space
    std::string scene_file_;
    std::vector<std::string> warnings_;
};

}  // namespace morvel::cli
