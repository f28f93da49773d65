#include "gpu/DeviceHdri.h"

namespace morvel {

HdriBlurStep MakeHdriBlurStep(float sigma) {
    HdriBlurStep step;
    step.sigma = sigma;
    // The CPU's test, NaN included: below the threshold the image is copied.
    if (!(sigma >= kMinBlurSigma)) {
        step.copy = true;
        return step;
    }
    step.radius = NormalizedBlurWeights(sigma, step.weights);
    if (step.radius == 0) {
        // No usable weights: the CPU's identity filter, one tap of weight 1 (alpha 1).
        step.weights[0] = 1.0f;
    }
    return step;
}

HdriPreparePlan MakeHdriPreparePlan(float roughness_bias) {
    return HdriPreparePlan{MakeHdriBlurStep(kDiffuseBlurSigma), MakeHdriBlurStep(roughness_bias * 50.0f)};
}

DeviceHdriImages::~DeviceHdriImages() {
    if (!release) return;
    if (diffuse) release(diffuse, owner);
    if (specular) release(specular, owner);
}

PreparedHdriKey DeviceHdriKey(const float* packed_pixels, int32_t width, int32_t height, float roughness_bias) {
    PreparedHdriKey key;
    const std::size_t row = static_cast<std::size_t>(width) * 16u;
    HashRows(packed_pixels, static_cast<std::ptrdiff_t>(row), height, row, key.hash);
    key.width = width;
    key.height = height;
    key.depth = 32;
    key.diffuse_sigma = kDiffuseBlurSigma;
    key.specular_sigma = roughness_bias * 50.0f;
    return key;
}

}  // namespace morvel
