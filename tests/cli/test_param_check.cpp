// Scene parameters and layers against a registered parameter list shaped like
// the module's: shared names need their group, kinds and ranges are enforced.
#include <gtest/gtest.h>

#include "cli/ParamCheck.h"
#include "cli/SceneError.h"

namespace morvel::cli {
namespace {

using K = ParamInfo::Kind;

std::vector<ParamInfo> Registered() {
    return {
        {0, "", "", K::Layer, 0, 0, "", ""},
        {2, "Diffuse Albedo", "Morvel Passes", K::Layer, 0, 0, "no layer", ""},
        {3, "Normal Map", "Morvel Passes", K::Layer, 0, 0, "no layer", ""},
        {11, "Source Blend", "PBR Controller", K::Float, 0, 100, "0", ""},
        {12, "Roughness Adjust", "PBR Controller", K::Float, -200, 200, "0", ""},
        {17, "Enable IBL", "Environment (IBL)", K::Checkbox, 0, 0, "off", ""},
        {19, "HDRI Rotation Y", "Environment (IBL)", K::Angle, 0, 0, "0", ""},
        {27, "HDRI Tint", "Environment (IBL)", K::Color, 0, 0, "#FFFFFFFF", ""},
        {30, "Incidence", "", K::GroupStart, 0, 0, "", ""},
        {32, "Amount", "Incidence", K::Float, 0, 200, "50", ""},
        {38, "Amount", "Rim Light", K::Float, 0, 200, "50", ""},
        // Bounds as the host stores them: the float nearest 0.1 is above the double 0.1.
        {21, "HDRI Gamma", "Environment (IBL)", K::Float, double(0.1f), 10, "1", ""},
    };
}

// The message of the first fault in a scene, checked as its params or layers.
std::string ErrorOf(const std::string& json, bool layers = false) {
    try {
        const Scene s =
            ParseScene(std::string(layers ? "{\"layers\": " : "{\"params\": ") + json + "}", "shot.json", "");
        layers ? CheckLayers(s, Registered()) : CheckParams(s.params, Registered());
    } catch (const SceneError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(ParamCheck, AcceptsEveryKindInRange) {
    EXPECT_EQ(ErrorOf(R"({"Source Blend": 100, "Roughness Adjust": -200, "Enable IBL": true,
        "HDRI Rotation Y": 720, "HDRI Tint": [0, 128, 255], "Incidence/Amount": 0, "Rim Light/Amount": {"0": 0, "10": 200},
        "HDRI Gamma": 0.1})"),
              "(no error)");
    EXPECT_EQ(ErrorOf(R"({"HDRI Gamma": 10, "HDRI Rotation Y": 32767.99999})"), "(no error)");
    EXPECT_EQ(ErrorOf(R"({"HDRI Rotation Y": -32767.99999})"), "(no error)");
}

TEST(ParamCheck, RejectsWithNameKindAndRange) {
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {R"({"Source Blend": 150})", {"shot.json: params.Source Blend", "value 150 is out of range", "0 to 100"}},
        {R"({"Roughness Adjust": -200.5})", {"value -200.5", "-200 to 200"}},
        {R"({"Rim Light/Amount": {"0": 10, "24": 201}})", {"params.Rim Light/Amount[\"24\"]", "value 201", "0 to 200"}},
        {R"({"Source Blend": true})", {"\"PBR Controller/Source Blend\" (float slider) expects a number"}},
        {R"({"Enable IBL": 1})", {"(checkbox) expects true or false"}},
        {R"({"HDRI Tint": 5})", {"(colour) expects [r, g, b]"}},
        {R"({"HDRI Rotation Y": 1e30})", {"value 1e+30 is out of range", "(angle)", "less than 32768"}},
        {R"({"HDRI Rotation Y": -32768})", {"value -32768 is out of range"}},
        // Rounds to 2^31 in 16.16 fixed point, which would wrap to -32768 degrees.
        {R"({"HDRI Rotation Y": 32767.999995})", {"value 32768 is out of range", "after rounding"}},
        {R"({"HDRI Gamma": 0.0999999})", {"value 0.0999999 is out of range", "0.1 to 10"}},
        {R"({"HDRI Gamma": 1e39})", {"value 1e+39 is out of range"}},
        {R"({"HDRI Tint": [0, 256, 0]})", {"value 256 is out of range", "0 to 255"}},
        {R"({"Amount": 50})", {"used by several groups", "\"Incidence/Amount\"", "\"Rim Light/Amount\""}},
        {R"({"Sorce Blend": 5})", {"params.Sorce Blend", "unknown parameter \"Sorce Blend\"", "--list-params"}},
        {R"({"Normal Map": 1})", {"is a layer", "\"layers\""}},
        {R"({"Incidence": true})", {"has no value to set"}},
    };
    for (const auto& [json, parts] : cases) {
        const std::string message = ErrorOf(json);
        for (const char* part : parts)
            EXPECT_NE(message.find(part), std::string::npos) << json << ": \"" << part << "\" not in: " << message;
    }
}

TEST(ParamCheck, LayersMustBeKnownAndFixTheFrameSize) {
    EXPECT_EQ(ErrorOf(R"({"input": "a.exr", "Normal Map": "n.exr"})", true), "(no error)");
    EXPECT_EQ(ErrorOf(R"({"Diffuse Albedo": "a.exr"})", true), "(no error)");
    const std::string unknown = ErrorOf(R"({"input": "a.exr", "Normals": "n.exr"})", true);
    EXPECT_NE(unknown.find("shot.json: layers: unknown layer \"Normals\""), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("\"Normal Map\""), std::string::npos) << unknown;
    EXPECT_NE(ErrorOf(R"({"Normal Map": "n.exr"})", true).find("expected an \"input\" or \"Diffuse Albedo\" layer"),
              std::string::npos);
}

}  // namespace
}  // namespace morvel::cli
