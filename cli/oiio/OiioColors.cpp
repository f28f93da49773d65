#include "cli/oiio/OiioColors.h"

#include <OpenImageIO/color.h>

#include <cstddef>

#include "cli/SceneError.h"

namespace morvel::cli::oiio {
namespace {

class OiioColorSpaces final : public ColorSpaces {
public:
    explicit OiioColorSpaces(const std::string& file) : config_(file) {}
    bool has_error() const { return config_.has_error(); }
    std::string geterror() { return config_.geterror(); }

    std::vector<std::string> Names() const override { return config_.getColorSpaceNames(); }

    std::string ByRole(const std::string& role) const override {
        const char* name = config_.getColorSpaceNameByRole(role);
        return name ? name : "";
    }

    void Convert(Image& image, const std::string& from, const std::string& to,
                 const std::string& where) const override {
        auto processor = config_.createColorProcessor(from, to);
        if (!processor)
            throw SceneError(where + ": cannot convert from \"" + from + "\" to \"" + to + "\": " + config_.geterror());
        processor->apply(image.rgba.data(), image.width, image.height, 3, sizeof(float), 4 * sizeof(float),
                         std::ptrdiff_t(image.width) * 4 * sizeof(float));
    }

private:
    mutable OIIO::ColorConfig config_;  // its error text is read by clearing it
};

}  // namespace

std::unique_ptr<ColorSpaces> OpenColorConfig(const std::string& file) {
    auto config = std::make_unique<OiioColorSpaces>(file);
    // Without a file the built-in config serves; its "missing file" error means nothing.
    if (!file.empty() && config->has_error())
        throw SceneError(file + ": cannot read the colour config: " + config->geterror());
    return config;
}

}  // namespace morvel::cli::oiio
