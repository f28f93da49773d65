// The image plugin's one export.
#include "cli/oiio/OiioColors.h"
#include "cli/oiio/OiioImages.h"

namespace morvel::cli::oiio {
namespace {

class OiioLibrary final : public ImageLibrary {
public:
    Image Read(const ReadRequest& request) override { return ReadFrom(request); }
    void Write(const WriteRequest& request) override { WriteImage(request); }
    std::unique_ptr<ColorSpaces> OpenColorConfig(const std::string& file) override {
        return oiio::OpenColorConfig(file);
    }
};

}  // namespace
}  // namespace morvel::cli::oiio

extern "C" __attribute__((visibility("default"))) morvel::cli::ImageLibrary* morvel_image_library(int version) {
    if (version != morvel::cli::kImageLibraryVersion) return nullptr;
    static morvel::cli::oiio::OiioLibrary library;
    return &library;
}
