// _morvel: the compiled half of the Python module. Scenes, images, checks and
// rendering are morvel-render's own code (morvel_cli_lib); this file only turns
// NumPy arrays into layers and frames back into arrays, and every error of that
// code into ValueError with the command line's message.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "cli/ColorManagement.h"
#include "cli/EffectError.h"
#include "cli/Options.h"
#include "cli/PixelDepth.h"
#include "cli/SceneError.h"
#include "cli/SceneRenderer.h"
#include "minihost/Error.h"

#ifndef MORVEL_DEFAULT_MODULE
#define MORVEL_DEFAULT_MODULE ""
#endif

namespace py = pybind11;
using namespace morvel::cli;

namespace {

// A scene file read with its layers converted to the working space.
struct LoadedScene {
    SceneImages images;
    std::shared_ptr<const SceneColors> colors;
};

// Setting the module up costs more than a small frame, so one renderer is kept
// per module and shared; calls take turns on it with the GIL released.
std::mutex g_mutex;
std::unique_ptr<SceneRenderer> g_renderer;
std::string g_renderer_module;

SceneRenderer& Renderer(const std::string& module) {
    if (!g_renderer || g_renderer_module != module) {
        g_renderer.reset();
        g_renderer = std::make_unique<SceneRenderer>(module);
        g_renderer_module = module;
    }
    return *g_renderer;
}

void CheckDepth(int depth) {
    if (!IsValidDepth(depth)) throw SceneError("depth " + std::to_string(depth) + ": expected 8, 16 or 32");
}

void CheckFrame(int frame) {
    if (frame < 0 || frame > kMaxFrame)
        throw SceneError("frame " + std::to_string(frame) + ": frames go from 0 to " + std::to_string(kMaxFrame));
}

// float32/float64 as stored (0..1 for colour), uint8 / 255, uint16 / 65535: what the files of those types read as.
Image ToImage(const py::handle& object, const std::string& where) {
    const py::array array = py::array::ensure(object);
    auto fail = [&](const std::string& got) -> Image {
        throw SceneError(where + ": expected an H x W x 4 (or x 3) array of float32, uint8 or uint16, got " + got);
    };
    if (!array) return fail(std::string(py::str(py::type::of(object).attr("__name__"))));
    std::string shape;
    for (py::ssize_t i = 0; i < array.ndim(); ++i) shape += (i ? " x " : "") + std::to_string(array.shape(i));
    const std::string got = std::string(py::str(array.dtype())) + " array of " + (shape.empty() ? "0 dims" : shape);
    if (array.ndim() != 3 || (array.shape(2) != 3 && array.shape(2) != 4) || array.shape(0) < 1 || array.shape(1) < 1)
        return fail(got);
    if (array.shape(0) > 65536 || array.shape(1) > 65536) throw SceneError(where + ": " + got + " is too large");
    const int h = int(array.shape(0)), w = int(array.shape(1)), c = int(array.shape(2));
    Image image(w, h);
    auto copy = [&](auto tag, float scale) {
        using T = decltype(tag);
        const auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(array);
        const T* src = a.data();
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
            for (int k = 0; k < 4; ++k) image.rgba[i * 4 + k] = k < c ? float(src[i * c + k]) / scale : 1.0f;
    };
    const py::dtype dtype = array.dtype();
    if (dtype.is(py::dtype::of<uint8_t>()))
        copy(uint8_t{}, 255.0f);
    else if (dtype.is(py::dtype::of<uint16_t>()))
        copy(uint16_t{}, 65535.0f);
    else if (dtype.is(py::dtype::of<float>()) || dtype.is(py::dtype::of<double>()))
        copy(float{}, 1.0f);
    else
        return fail(got);
    return image;
}

// 8-bit levels as uint8, 16-bit levels scaled to 0..65535 as the tool writes them, float as float32.
py::array ToArray(const Frame& frame) {
    const Image& img = frame.pixels;
    const std::vector<py::ssize_t> shape{img.height, img.width, 4};
    const std::size_t n = img.rgba.size();
    if (frame.depth == 8) {
        py::array_t<uint8_t> out(shape);
        uint8_t* dst = out.mutable_data();
        for (std::size_t i = 0; i < n; ++i) dst[i] = uint8_t(std::clamp(std::round(img.rgba[i]), 0.0f, 255.0f));
        return out;
    }
    if (frame.depth == 16) {
        py::array_t<uint16_t> out(shape);
        uint16_t* dst = out.mutable_data();
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = uint16_t(std::clamp(std::round(img.rgba[i] * (65535.0f / 32768.0f)), 0.0f, 65535.0f));
        return out;
    }
    py::array_t<float> out(shape);
    std::copy(img.rgba.begin(), img.rgba.end(), out.mutable_data());
    return out;
}

py::array Render(const SceneImages& scene, const SceneColors* colors, int depth,
                 const std::vector<ParamSetting>& overrides, int frame, const std::string& module) {
    CheckDepth(depth);
    CheckFrame(frame);
    Frame result;
    {
        py::gil_scoped_release release;
        std::lock_guard lock(g_mutex);
        SceneRenderer& renderer = Renderer(module);
        renderer.Load(scene, depth, overrides);
        result = renderer.RenderOne(frame);
        if (colors) colors->ConvertOutput(result);
    }
    return ToArray(result);
}

// `settings_json` is {"fps", "params", "lights"} as the Python side wrote it; `where` names the call in messages.
py::array RenderArrays(const std::string& settings_json, const std::string& where, const py::dict& layers, int depth,
                       int frame, const std::string& module) {
    SceneImages scene{ParseScene(settings_json, where, ""), {}};
    for (const auto& [key, value] : layers) {
        const std::string name = py::str(key);
        scene.scene.layers.push_back({name, "(array)", ""});
        scene.layers[name] = ToImage(value, where + ": layers." + name);
    }
    return Render(scene, nullptr, depth, {}, frame, module);
}

LoadedScene LoadSceneFile(const std::string& path, const std::string& colorconfig) {
    py::gil_scoped_release release;
    Scene scene = LoadScene(path);
    auto colors = std::make_shared<const SceneColors>(scene, colorconfig);
    SceneImages images = LoadSceneImages(std::move(scene));
    colors->ConvertLayers(images);
    return {std::move(images), std::move(colors)};
}

py::array RenderSceneFile(const LoadedScene& loaded, int frame, int depth, const std::string& overrides_json,
                          const std::string& module) {
    const std::vector<ParamSetting> overrides = ParseScene(overrides_json, "render_scene()", "").params;
    return Render(loaded.images, loaded.colors.get(), depth, overrides, frame, module);
}

py::list ListParams(const std::string& module) {
    std::vector<ParamInfo> params;
    {
        py::gil_scoped_release release;
        std::lock_guard lock(g_mutex);
        params = Renderer(module).Params();
    }
    py::list out;
    for (const auto& p : params) {
        if (p.index == 0 || p.kind == ParamInfo::Kind::GroupEnd) continue;
        py::dict d;
        d["index"] = p.index;
        d["group"] = p.group;
        d["name"] = p.name;
        d["kind"] = KindName(p.kind);
        d["default"] = p.default_text;
        d["range"] = p.range_text;
        out.append(d);
    }
    return out;
}

}  // namespace

PYBIND11_MODULE(_morvel, m) {
    m.doc() = "The compiled half of the morvel package; use the functions of morvel itself.";
    m.attr("DEFAULT_MODULE") = MORVEL_DEFAULT_MODULE;

    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const EffectError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const minihost::EffectFailure& e) {
            PyErr_SetString(PyExc_ValueError, (std::string("the effect failed: ") + e.what()).c_str());
        } catch (const SceneError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const minihost::Error& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    py::class_<LoadedScene>(m, "Scene")
        .def_property_readonly("file", [](const LoadedScene& s) { return s.images.scene.file; })
        .def_property_readonly("fps", [](const LoadedScene& s) { return s.images.scene.fps; })
        .def_property_readonly("depth", [](const LoadedScene& s) { return s.images.scene.depth; })
        .def_property_readonly("layers",
                               [](const LoadedScene& s) {
                                   py::dict d;
                                   for (const auto& l : s.images.scene.layers) d[py::str(l.name)] = l.path;
                                   return d;
                               })
        .def_property_readonly("size",
                               [](const LoadedScene& s) {
                                   const auto& layers = s.images.layers;
                                   auto it =
                                       layers.count("input") ? layers.find("input") : layers.find("Diffuse Albedo");
                                   const int width = it == layers.end() ? 0 : it->second.width;
                                   const int height = it == layers.end() ? 0 : it->second.height;
                                   return std::pair{width, height};
                               })
        .def_property_readonly("warnings", [](const LoadedScene& s) { return s.colors->warnings(); })
        .def("__repr__", [](const LoadedScene& s) {
            return "<morvel.Scene " + s.images.scene.file + ", " + std::to_string(s.images.scene.layers.size()) +
                   " layers, " + std::to_string(s.images.scene.lights.size()) + " lights>";
        });

    m.def("load_scene", &LoadSceneFile, py::arg("path"), py::arg("colorconfig"));
    m.def("render_scene", &RenderSceneFile, py::arg("scene"), py::arg("frame"), py::arg("depth"),
          py::arg("overrides_json"), py::arg("module"));
    m.def("render", &RenderArrays, py::arg("settings_json"), py::arg("where"), py::arg("layers"), py::arg("depth"),
          py::arg("frame"), py::arg("module"));
    m.def("params", &ListParams, py::arg("module"));
    m.def(
        "read_image",
        [](const std::string& path) {
            Frame frame{32, {}};
            {
                py::gil_scoped_release release;
                frame.pixels = ReadImage(path);
            }
            return ToArray(frame);
        },
        py::arg("path"));
    m.def("release", [] {
        py::gil_scoped_release release;
        std::lock_guard lock(g_mutex);
        g_renderer.reset();
    });
}
