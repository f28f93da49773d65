#include "cli/SceneFile.h"

#include <cfloat>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/Images.h"
#include "cli/SceneError.h"
#include "cli/SceneJson.h"

namespace morvel::cli {
namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fail(const std::string& where, const std::string& message) {
    throw SceneError(where + ": " + message);
}

// Unknown keys are errors: a misspelt key must not be silently ignored.
void CheckKeys(const Json& object, const std::set<std::string>& allowed, const std::string& where) {
    for (const auto& [key, value] : object.items()) {
        if (allowed.count(key)) continue;
        std::string list;
        for (const auto& k : allowed) list += (list.empty() ? "" : ", ") + k;
        Fail(where, "unknown key \"" + key + "\", expected one of: " + list);
    }
}

const Json& RequireObject(const Json& j, const std::string& where) {
    if (!j.is_object()) Fail(where, "expected an object, got " + Describe(j));
    return j;
}

LightType ParseLightType(const Json& j, const std::string& where) {
    static const std::pair<const char*, LightType> kTypes[] = {{"parallel", LightType::Parallel},
                                                               {"spot", LightType::Spot},
                                                               {"point", LightType::Point},
                                                               {"ambient", LightType::Ambient}};
    if (j.is_string())
        for (const auto& [name, type] : kTypes)
            if (j.get<std::string>() == name) return type;
    Fail(where, "unknown light type " + (j.is_string() ? j.dump() : Describe(j)) +
                    ", expected \"parallel\", \"spot\", \"point\" or \"ambient\"");
}

Falloff ParseFalloff(const Json& j, const std::string& where) {
    static const std::pair<const char*, Falloff> kFalloffs[] = {
        {"none", Falloff::None},
        {"smooth", Falloff::Smooth},
        {"inverse_square_clamped", Falloff::InverseSquareClamped}};
    if (j.is_string())
        for (const auto& [name, falloff] : kFalloffs)
            if (j.get<std::string>() == name) return falloff;
    Fail(where, "unknown falloff " + (j.is_string() ? j.dump() : Describe(j)) +
                    ", expected \"none\", \"smooth\" or \"inverse_square_clamped\"");
}

double Seconds(const Json& j, const std::string& where) {
    if (!j.is_number()) Fail(where, "expected a time in seconds, got " + Describe(j));
    return j.get<double>();
}

LightSpec ParseLight(const Json& j, const std::string& where) {
    RequireObject(j, where);
    CheckKeys(j,
              {"name", "type", "position", "point_of_interest", "color", "intensity", "cone_angle", "cone_feather",
               "falloff", "falloff_radius", "falloff_distance", "active", "in", "out"},
              where);
    if (!j.contains("type")) Fail(where, "missing key \"type\" (\"parallel\", \"spot\", \"point\" or \"ambient\")");
    LightSpec light;
    light.type = ParseLightType(j["type"], where + ".type");
    if (j.contains("name")) {
        if (!j["name"].is_string()) Fail(where + ".name", "expected text, got " + Describe(j["name"]));
        light.name = j["name"].get<std::string>();
    }
    auto field = [&](const char* key, Animated& out, const Expect& e) {
        if (j.contains(key)) out = ParseAnimated(j[key], e, where + "." + key);
    };
    // The effect reads light values in single precision, so larger ones cannot reach it.
    constexpr double kMax = FLT_MAX;
    const std::string within = " (at most 3.4e38 in size)";
    field("position", light.position, Expect::Vec3(-kMax, kMax, "a coordinate" + within));
    field("point_of_interest", light.point_of_interest, Expect::Vec3(-kMax, kMax, "a coordinate" + within));
    field("color", light.color, Expect::Vec3(0, 1, "0 to 1 per component"));
    field("intensity", light.intensity, Expect::Number(-kMax, kMax, "a percentage" + within));
    field("cone_angle", light.cone_angle, Expect::Number(0, 180, "0 to 180 degrees"));
    field("cone_feather", light.cone_feather, Expect::Number(0, 100, "0 to 100 percent"));
    field("falloff_radius", light.falloff_radius, Expect::Number(0, kMax, "0 or more pixels" + within));
    field("falloff_distance", light.falloff_distance, Expect::Number(0, kMax, "0 or more pixels" + within));
    field("active", light.active, Expect::Bool());
    if (j.contains("falloff")) light.falloff = ParseFalloff(j["falloff"], where + ".falloff");
    if (j.contains("in")) light.in_seconds = Seconds(j["in"], where + ".in");
    if (j.contains("out")) light.out_seconds = Seconds(j["out"], where + ".out");
    if (light.in_seconds && light.out_seconds && *light.out_seconds <= *light.in_seconds)
        Fail(where + ".out", "expected a time after \"in\"");
    return light;
}

std::string ResolvePath(const std::string& path, const std::string& base_dir) {
    std::filesystem::path p(path);
    if (p.is_absolute() || base_dir.empty()) return path;
    return (std::filesystem::path(base_dir) / p).string();
}

// Deeper than any scene needs; bounding it keeps hostile files from exhausting
// the stack in code that walks the parsed value.
constexpr std::size_t kMaxNesting = 32;

class TooDeep : public std::exception {};

std::string ColorSpaceName(const Json& j, const std::string& where) {
    if (!j.is_string() || j.get<std::string>().empty()) Fail(where, "expected a colour space name, got " + Describe(j));
    return j.get<std::string>();
}

// "file.png" or {"file": "file.png", "colorspace": "sRGB"}.
LayerRef ParseLayer(const std::string& name, const Json& value, const std::string& where, const std::string& base_dir) {
    LayerRef layer{name, "", ""};
    const Json* file = &value;
    if (value.is_object()) {
        CheckKeys(value, {"file", "colorspace"}, where);
        if (!value.contains("file")) Fail(where, "missing key \"file\" (the image path)");
        file = &value["file"];
        if (value.contains("colorspace")) layer.colorspace = ColorSpaceName(value["colorspace"], where + ".colorspace");
    }
    if (!file->is_string() || file->get<std::string>().empty())
        Fail(file == &value ? where : where + ".file", "expected an image path, got " + Describe(*file));
    layer.path = ResolvePath(file->get<std::string>(), base_dir);
    return layer;
}

// Where the parser is, so a value it cannot hold (1e999) can be named by its field.
class JsonPath {
public:
    bool Track(int, Json::parse_event_t event, const Json& parsed) {
        using E = Json::parse_event_t;
        if (event == E::object_start || event == E::array_start) {
            if (frames_.size() >= kMaxNesting) throw TooDeep();
            frames_.push_back({event == E::array_start, "", 0});
        }
        if (event == E::key && !frames_.empty()) frames_.back().key = parsed.get<std::string>();
        if (event == E::object_end || event == E::array_end) frames_.pop_back();
        if ((event == E::value || event == E::object_end || event == E::array_end) && !frames_.empty() &&
            frames_.back().array)
            ++frames_.back().index;
        return true;
    }
    std::string Text() const {
        std::string text;
        for (const auto& f : frames_) {
            text += f.array ? "[" + std::to_string(f.index) + "]" : (text.empty() ? "" : ".") + f.key;
            if (text.size() > 200) return text.substr(0, 197) + "...";
        }
        return text;
    }

private:
    struct Frame {
        bool array;
        std::string key;
        int index;
    };
    std::vector<Frame> frames_;
};

// "[json.exception.parse_error.101] parse error at ..." without its tag.
std::string JsonMessage(const nlohmann::json::exception& e) {
    const std::string what = e.what();
    const auto at = what.find("] ");
    return at == std::string::npos ? what : what.substr(at + 2);
}

std::string TooDeepMessage(const JsonPath& path) {
    const std::string field = path.Text();
    return (field.empty() ? "" : field + ": ") + "values nested more than " + std::to_string(kMaxNesting) +
           " levels deep";
}

}  // namespace

const LayerRef* Scene::FindLayer(const std::string& name) const {
    for (const auto& layer : layers)
        if (layer.name == name) return &layer;
    return nullptr;
}

Scene ParseScene(const std::string& text, const std::string& file, const std::string& base_dir) {
    Json root;
    JsonPath path;
    try {
        root = Json::parse(
            text, [&](int depth, Json::parse_event_t event, Json& parsed) { return path.Track(depth, event, parsed); });
    } catch (const TooDeep&) {
        throw SceneError(file + ": " + TooDeepMessage(path));
    } catch (const nlohmann::json::parse_error& e) {
        throw SceneError(file + ": not valid JSON: " + JsonMessage(e));
    } catch (const nlohmann::json::exception& e) {
        const std::string field = path.Text();
        throw SceneError(file + ": " + (field.empty() ? "" : field + ": ") +
                         "cannot hold the value: " + JsonMessage(e));
    }
    RequireObject(root, file);
    CheckKeys(root, {"fps", "depth", "layers", "params", "lights", "working_colorspace", "output_colorspace"}, file);

    Scene scene;
    scene.file = file;
    if (root.contains("fps"))
        scene.fps =
            ParseValue(root["fps"], Expect::Number(0.001, 1000, "a rate above 0 and up to 1000"), file + ": fps")
                .number;
    if (root.contains("depth")) {
        const Json& d = root["depth"];
        if (!d.is_number_integer() || (d != 8 && d != 16 && d != 32))
            Fail(file + ": depth", "expected 8, 16 or 32, got " + Describe(d));
        scene.depth = d.get<int>();
    }
    if (root.contains("layers")) {
        const std::string where = file + ": layers";
        for (const auto& [name, value] : RequireObject(root["layers"], where).items())
            scene.layers.push_back(ParseLayer(name, value, where + "." + name, base_dir));
    }
    if (root.contains("params")) {
        const std::string where = file + ": params";
        for (const auto& [name, value] : RequireObject(root["params"], where).items()) {
            const std::string at = where + "." + name;
            scene.params.push_back({name, ParseAnimated(value, Expect::Param(), at), at});
        }
    }
    for (auto [key, out] : {std::pair{"working_colorspace", &scene.working_colorspace},
                            std::pair{"output_colorspace", &scene.output_colorspace}})
        if (root.contains(key)) *out = ColorSpaceName(root[key], file + ": " + key);
    if (root.contains("lights")) {
        const Json& lights = root["lights"];
        if (!lights.is_array()) Fail(file + ": lights", "expected an array of lights, got " + Describe(lights));
        for (std::size_t i = 0; i < lights.size(); ++i)
            scene.lights.push_back(ParseLight(lights[i], file + ": lights[" + std::to_string(i) + "]"));
    }
    return scene;
}

Scene LoadScene(const std::string& path) {
    RequireRegularFile(path, "the scene");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        const bool exists = std::filesystem::exists(path, ec);
        throw SceneError(path + ": cannot open the scene file (" +
                         (ec       ? ec.message()
                          : exists ? "not readable"
                                   : "no such file") +
                         ")");
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScene(text.str(), path, std::filesystem::path(path).parent_path().string());
}

ParamSetting ParseParamAssignment(const std::string& assignment) {
    const std::string where = "--set '" + assignment + "'";
    auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw SceneError(where + ": expected Name=value, e.g. --set 'Source Blend=25'");
    const std::string name = assignment.substr(0, eq);
    Json value;
    JsonPath path;
    try {
        value = Json::parse(assignment.substr(eq + 1), [&](int depth, Json::parse_event_t event, Json& parsed) {
            return path.Track(depth, event, parsed);
        });
    } catch (const TooDeep&) {
        throw SceneError(where.substr(0, 80) + ": " + TooDeepMessage(path));
    } catch (const nlohmann::json::out_of_range& e) {
        throw SceneError(where + ": cannot hold the value: " + JsonMessage(e));
    } catch (const nlohmann::json::exception&) {
        throw SceneError(where + ": expected a number, true/false or [r, g, b] after '=', got \"" +
                         assignment.substr(eq + 1) + "\"");
    }
    if (value.is_object()) throw SceneError(where + ": keyframes belong in a scene file, not in --set");
    return {name, ParseAnimated(value, Expect::Param(), where), where};
}

LightState EvaluateLight(const LightSpec& light, double frame, double fps, double comp_width, double comp_height) {
    LightState s;
    s.name = light.name;
    s.type = light.type;
    s.falloff = light.falloff;
    s.position = {comp_width * 0.5, comp_height * 0.5, -500};
    s.point_of_interest = {comp_width * 0.5, comp_height * 0.5, 0};
    auto vec = [&](const Animated& a, std::array<double, 3>& out) {
        if (a.empty()) return;
        const Value v = a.At(frame);
        for (int i = 0; i < 3; ++i) out[i] = v.vec[i];
    };
    auto num = [&](const Animated& a, double& out) {
        if (!a.empty()) out = a.At(frame).number;
    };
    vec(light.position, s.position);
    vec(light.point_of_interest, s.point_of_interest);
    vec(light.color, s.color);
    num(light.intensity, s.intensity);
    num(light.cone_angle, s.cone_angle);
    num(light.cone_feather, s.cone_feather);
    num(light.falloff_radius, s.falloff_radius);
    num(light.falloff_distance, s.falloff_distance);
    if (!light.active.empty()) s.active = light.active.At(frame).flag;
    const double t = frame / fps;
    if (light.in_seconds && t < *light.in_seconds) s.active = false;
    if (light.out_seconds && t >= *light.out_seconds) s.active = false;
    return s;
}

}  // namespace morvel::cli
