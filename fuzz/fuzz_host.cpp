// The host protocol: the module loaded through minihost, as the host loads it,
// played a fuzzed sequence of commands with fuzzed parameter values, lights,
// world sizes, row padding, depths, missing or failing suites and callbacks.
// Whatever happens, no command may crash, and every parameter and suite the
// effect borrowed must be back when the command returns.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "minihost/Error.h"
#include "minihost/Frame.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

struct SuiteName {
    const char* name;
    int32_t version;
};
const SuiteName kSuites[] = {{"AEGP Utility Suite", 13},  {"AEGP PF Interface Suite", 1}, {"AEGP Layer Suite", 5},
                             {"AEGP Layer Suite", 14},    {"AEGP Light Suite", 1},        {"AEGP Stream Suite", 4},
                             {"PF Param Utils Suite", 3}, {"PF GPU Device Suite", 1},     {"PF Handle Suite", 2}};
const char* const kFunctions[] = {"PF_UpdateParamUI",          "AEGP_GetEffectLayer",      "AEGP_GetLayerParentComp",
                                  "AEGP_GetCompNumLayers",     "AEGP_GetCompLayerByIndex", "AEGP_GetLayerObjectType",
                                  "AEGP_IsVideoActive",        "AEGP_GetLightType",        "AEGP_GetLayerStreamValue",
                                  "AEGP_GetLayerToWorldXform", "AEGP_RegisterWithAEGP"};
const char* const kLayers[] = {"Diffuse Albedo",  "Normal Map", "Roughness",          "Metalness",
                               "Specular Albedo", "Depth Map",  "Source (for Blend)", "HDRI"};

minihost::Session* gSession = nullptr;

double Number(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return in.ConsumeBool() ? INFINITY : -INFINITY;
        case 2:
            return in.ConsumeBool() ? 1e300 : -1e39;
        default:
            return in.ConsumeFloatingPointInRange(-1e4, 1e4);
    }
}

float Texel(FuzzedDataProvider& in) {
    return in.ConsumeIntegralInRange(0, 15) == 0 ? float(Number(in)) : in.ConsumeFloatingPointInRange(-1.0f, 4.0f);
}

std::unique_ptr<minihost::World> MakeWorld(FuzzedDataProvider& in, int depth, int width, int height) {
    auto w = std::make_unique<minihost::World>(
        width, height, depth,
        in.ConsumeIntegralInRange(0, 3) * 4 + (depth == 8 ? 0 : in.ConsumeIntegralInRange(0, 3) * 4));
    w->FillPattern(in.ConsumeIntegral<uint32_t>());
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        w->Set(in.ConsumeIntegralInRange(0, width - 1), in.ConsumeIntegralInRange(0, height - 1),
               {Texel(in), Texel(in), Texel(in), Texel(in)});
    return w;
}

void SetParam(minihost::Session& s, FuzzedDataProvider& in) {
    auto& model = s.params();
    if (model.Count() < 2) return;
    const PF_ParamIndex i = in.ConsumeIntegralInRange(1, model.Count() - 1);
    const std::string name = model.QualifiedName(i);
    switch (model.Current(i).param_type) {
        case PF_Param_FLOAT_SLIDER:
            model.SetFloat(name, Number(in));
            break;
        case PF_Param_CHECKBOX:
            model.SetCheckbox(name, in.ConsumeBool());
            break;
        case PF_Param_ANGLE:
            model.SetAngle(name, Number(in));  // refused beyond 16.16 by minihost::Error
            break;
        case PF_Param_COLOR:
            model.SetColor(name, PF_Pixel{255, in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>(),
                                          in.ConsumeIntegral<uint8_t>()});
            break;
        default:
            break;
    }
}

void AddLight(minihost::Session& s, FuzzedDataProvider& in) {
    auto& layer = s.composition().AddLight(static_cast<AEGP_LightType>(in.ConsumeIntegralInRange(-1, 5)),
                                           {Number(in), Number(in), Number(in)}, {Number(in), Number(in), Number(in)});
    layer.intensity = Number(in);
    layer.cone_angle = Number(in);
    layer.cone_feather = Number(in);
    layer.falloff_type = in.ConsumeIntegralInRange(-1, 3);
    layer.falloff_radius = Number(in);
    layer.falloff_distance = Number(in);
    for (double& c : layer.color) c = in.ConsumeBool() ? Number(in) : 1.0;
    if (in.ConsumeBool()) layer.in_point = Number(in);
    if (in.ConsumeBool()) layer.fail_stream[static_cast<AEGP_LayerStream>(in.ConsumeIntegralInRange(0, 40))] = 1;
    if (in.ConsumeIntegralInRange(0, 7) == 0) layer.null_handle = true;
}

void RenderOne(minihost::Session& s, FuzzedDataProvider& in) {
    static const int kDepths[] = {8, 16, 32};
    minihost::FrameRequest r;
    r.depth = kDepths[in.ConsumeIntegralInRange(0, 2)];
    r.output_padding = in.ConsumeIntegralInRange(0, 3) * (r.depth / 2);
    std::vector<std::unique_ptr<minihost::World>> worlds;
    const int w = in.ConsumeIntegralInRange(1, 40), h = in.ConsumeIntegralInRange(1, 24);
    worlds.push_back(MakeWorld(in, r.depth, w, h));
    r.layers[""] = worlds.back().get();
    for (const char* name : kLayers)
        if (in.ConsumeIntegralInRange(0, 2) == 0) {
            const bool hdri = std::string(name) == "HDRI";
            // Passes may have their own sizes, as a host hands them.
            worlds.push_back(MakeWorld(in, hdri ? 32 : r.depth, in.ConsumeIntegralInRange(1, hdri ? 64 : 48),
                                       in.ConsumeIntegralInRange(1, 32)));
            r.layers[name] = worlds.back().get();
        }
    if (in.ConsumeIntegralInRange(0, 5) == 0)
        r.checkout_error[in.ConsumeIntegralInRange(0, 8)] = in.ConsumeIntegralInRange(1, 600);
    if (in.ConsumeIntegralInRange(0, 5) == 0)
        r.pre_render_checkout_error[in.ConsumeIntegralInRange(0, 8)] = in.ConsumeIntegralInRange(1, 600);
    if (in.ConsumeIntegralInRange(0, 7) == 0) r.checkout_no_world.insert(in.ConsumeIntegralInRange(0, 8));
    if (in.ConsumeIntegralInRange(0, 9) == 0) r.output_error = 4;
    if (in.ConsumeIntegralInRange(0, 9) == 0) r.output_no_world = true;
    r.no_guid_mix = in.ConsumeIntegralInRange(0, 9) == 0;
    r.render_command = in.ConsumeBool() ? PF_Cmd_SMART_RENDER : PF_Cmd_SMART_RENDER_GPU;
    r.current_time = in.ConsumeIntegralInRange(-100, 100000);
    r.time_step = in.ConsumeIntegralInRange(0, 10);
    r.time_scale = in.ConsumeIntegralInRange(0, 100000);
    minihost::RenderFrame(s, r);
}

void Check(minihost::Session& s) {
    if (s.params().OutstandingCheckouts() != 0) __builtin_trap();
    if (!s.suites().Outstanding().empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    gSession = new minihost::Session(MORVEL_MODULE_PATH);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    minihost::Session& s = *gSession;
    s.suites().ClearFunctionFailures();
    for (const auto& suite : kSuites) s.suites().SetMode(suite.name, suite.version, minihost::SuiteMode::Available);
    s.params().ClearFailures();
    s.composition().Clear();
    s.GlobalSetup();
    if (s.ParamsSetup().err != PF_Err_NONE) return 0;
    s.params().ClearRecords();
    s.suites().ClearEvents();
    s.composition().ClearQueries();
    for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
        try {
            switch (in.ConsumeIntegralInRange(0, 8)) {
                case 0:
                case 1:
                    SetParam(s, in);
                    break;
                case 2:
                    AddLight(s, in);
                    break;
                case 3: {
                    const auto& suite = kSuites[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSuites) - 1)];
                    s.suites().SetMode(
                        suite.name, suite.version,
                        in.ConsumeBool() ? minihost::SuiteMode::AcquireFails : minihost::SuiteMode::NullSuite);
                    break;
                }
                case 4:
                    s.suites().FailFunction(
                        kFunctions[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kFunctions) - 1)],
                        in.ConsumeIntegralInRange(1, 600));
                    break;
                case 5:
                    s.params().FailCheckout(in.ConsumeIntegralInRange(0, s.params().Count()),
                                            in.ConsumeIntegralInRange(1, 600));
                    break;
                case 6:
                    s.UpdateParamsUI();
                    s.UserChangedParam(in.ConsumeIntegralInRange(-1, s.params().Count() + 1));
                    break;
                case 7: {
                    minihost::CommandOptions o;
                    o.basic_suite = in.ConsumeBool();
                    s.Send(in.ConsumeIntegralInRange(-2, 40), o);
                    break;
                }
                default:
                    RenderOne(s, in);
                    break;
            }
        } catch (const minihost::Error&) {
        }
        Check(s);
    }
    return 0;
}
