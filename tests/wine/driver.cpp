// Drives a module through minihost and prints what it saw as plain text. The
// same source is built for Linux and, with mingw-w64, for Windows, so the two
// reports of the two modules can be compared line by line (the Windows one
// under Wine).
//
//   morvel-driver report MODULE    registration, global setup, parameter
//                                  setup and a UI update
//   morvel-driver frames MODULE    one small lit frame in each depth, every pixel
//   morvel-driver opencl-frames MODULE
//                                  the first OpenCL device set up, then small frames
//                                  through the GPU command (one cleared on the device,
//                                  one lit), every pixel in float
//   morvel-driver compare-frames A B
//                                  the pixels of two frame listings within what
//                                  two C runtimes' maths may differ by
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "minihost/Error.h"
#include "minihost/Frame.h"
#include "minihost/OpenClDevice.h"
#include "minihost/ParamText.h"
#include "minihost/Registration.h"
#include "minihost/Session.h"
#include "minihost/World.h"

namespace {

std::string Hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
    return buf;
}

std::string Quoted(const std::optional<std::string>& s) { return s ? "\"" + *s + "\"" : "null"; }

void ReportRegistration(std::ostream& out, const minihost::Module& module) {
    for (A_Err answer : {A_Err(0), A_Err(PF_Err_INTERNAL_STRUCT_DAMAGED)}) {
        minihost::RegistrationOptions options;
        options.callback_result = answer;
        const minihost::RegistrationResult r = minihost::Register(module, options);
        out << "registration answer=" << answer << " returned=" << r.returned << " calls=" << r.calls.size() << "\n";
        for (const minihost::RegistrationCall& c : r.calls)
            out << "  call context=" << (c.context == r.context_given ? "passed-through" : "other")
                << " name=" << Quoted(c.name) << " match=" << Quoted(c.match_name) << " category=" << Quoted(c.category)
                << " entry=" << Quoted(c.entry_point) << " kind=" << Hex32(uint32_t(c.kind)) << " api=" << c.api_major
                << "." << c.api_minor << " reserved=" << c.reserved_info << " url=" << Quoted(c.support_url) << "\n";
    }
}

void ReportSuites(std::ostream& out, minihost::Session& s) {
    for (const minihost::SuiteEvent& e : s.suites().Events())
        out << "  suite " << (e.kind == minihost::SuiteEvent::Kind::Acquire ? "acquire" : "release") << " \"" << e.name
            << "\" " << e.version << " result=" << e.result << "\n";
    const auto outstanding = s.suites().Outstanding();
    out << "  suites outstanding=" << outstanding.size() << "\n";
    s.suites().ClearEvents();
}

void ReportOutcome(std::ostream& out, const char* what, const minihost::Outcome& o) {
    out << what << " err=" << o.err << " my_version=" << Hex32(o.out.my_version)
        << " out_flags=" << Hex32(uint32_t(o.out.out_flags)) << " out_flags2=" << Hex32(uint32_t(o.out.out_flags2))
        << " num_params=" << o.out.num_params << " message=\"" << o.Message() << "\"\n";
}

int Report(const std::string& module_path) {
    std::ostringstream out;
    minihost::Session s(module_path);
    ReportRegistration(out, s.module());
    out << "nv_optimus_enablement=" << *s.module().nv_optimus_enablement() << "\n";

    ReportOutcome(out, "global-setup", s.GlobalSetup());
    for (const minihost::AegpRegistration& r : s.AegpRegistrations())
        out << "  aegp-register name=" << Quoted(r.name) << " refcon=" << (r.refcon ? "set" : "null")
            << " id-pointer=" << (r.id_pointer_given ? "yes" : "no") << " result=" << r.result << "\n";
    ReportSuites(out, s);

    const minihost::Outcome setup = s.ParamsSetup();
    ReportOutcome(out, "params-setup", setup);
    const auto adds = s.params().AddCalls();
    out << "  add-calls=" << adds.size() << "\n";
    for (std::size_t i = 0; i < adds.size(); ++i)
        out << "  add " << i + 1 << " index=" << adds[i].index << " result=" << adds[i].result << " "
            << minihost::ParamDetailText(adds[i].def) << "\n";
    for (int i = 1; i < s.params().Count(); ++i)
        out << "  param " << i << " \"" << s.params().QualifiedName(i) << "\"\n";

    const minihost::Outcome ui = s.UpdateParamsUI();
    ReportOutcome(out, "update-params-ui", ui);
    for (const minihost::UiUpdateRecord& u : s.params().UiUpdates())
        out << "  ui-update index=" << u.index << " ui_flags=" << Hex32(uint32_t(u.ui_flags))
            << " flags=" << Hex32(uint32_t(u.flags)) << " result=" << u.result << "\n";
    out << "  checkouts=" << s.params().Checkouts().size() << " outstanding=" << s.params().OutstandingCheckouts()
        << "\n";
    ReportSuites(out, s);

    for (const std::string& f : s.UnimplementedCalls()) out << "unimplemented-call " << f << "\n";
    std::cout << out.str();
    return 0;
}

// Pattern colours folded into [0, 1]; alpha 0 where `hole` says, else `alpha` of the pattern's.
template <class Hole, class Alpha>
void FillLayer(minihost::World& w, uint32_t seed, Hole hole, Alpha alpha) {
    w.FillPattern(seed);
    for (int y = 0; y < w.height(); ++y)
        for (int x = 0; x < w.width(); ++x) {
            minihost::PixelF px = w.Get(x, y);
            px.a = hole(x, y) ? 0.0f : alpha(px.a);
            for (float* c : {&px.r, &px.g, &px.b}) *c = std::min(1.0f, std::fabs(*c));
            w.Set(x, y, px);
        }
}

bool SomeHoles(int x, int y) { return (x + 2 * y) % 5 == 0; }
float PartCover(float a) { return 0.5f + std::fabs(a) * 0.25f; }

// Every pixel, A R G B: floats in full, 8 and 16 bits as the stored code.
void ListPixels(std::ostream& out, const minihost::World& w, int depth) {
    for (int y = 0; y < w.height(); ++y)
        for (int x = 0; x < w.width(); ++x) {
            const minihost::PixelF px = w.Get(x, y);
            out << "  " << x << "," << y;
            char buf[32];
            for (float v : {px.a, px.r, px.g, px.b}) {
                if (depth == 32)
                    std::snprintf(buf, sizeof buf, " %.9g", double(v));
                else
                    std::snprintf(buf, sizeof buf, " %ld", std::lround(double(v) * (depth == 8 ? 255.0 : 32768.0)));
                out << buf;
            }
            out << "\n";
        }
}

// Every CPU pass kind (image-based light, a light of each kind, incidence and rim)
// over a small odd-sized frame with padded rows and some uncovered pixels: once with
// the input and a normal map, once with every pass layer assigned (the light passes'
// whole-row bodies, the AVX2 copy where the processor has it). The incidence and rim
// and the environment passes take their row bodies in both.
int Frames(const std::string& module_path) {
    minihost::Session s(module_path);
    if (s.GlobalSetup().err || s.ParamsSetup().err) throw minihost::Error("setup failed");
    auto& p = s.params();
    p.SetCheckbox("Enable IBL", true);
    p.SetFloat("Diffuse Intensity", 1.0);
    p.SetFloat("Specular Intensity", 1.0);
    p.SetFloat("HDRI Roughness Bias", 60.0);
    p.SetAngle("HDRI Rotation Y", 30.0);
    p.SetCheckbox("Preview Sphere", true);
    p.SetCheckbox("Enable Incidence", true);
    p.SetFloat("Incidence/Amount", 40.0);
    p.SetFloat("Incidence/Power", 1.5);
    p.SetCheckbox("Enable Rim Light", true);
    p.SetFloat("Rim Light/Amount", 30.0);
    p.SetAngle("Angle", 45.0);
    p.SetFloat("Source Blend", 30.0);

    auto& comp = s.composition();
    auto& point = comp.AddLight(AEGP_LightType_POINT, {3, 2, -40});
    point.intensity = 15;
    point.falloff_type = 1;
    auto& spot = comp.AddLight(AEGP_LightType_SPOT, {10, 1, -30}, {6, 3, 0});
    spot.intensity = 20;
    comp.AddLight(AEGP_LightType_PARALLEL, {0, 0, -100}, {6, 3, 0}).intensity = 10;
    comp.AddLight(AEGP_LightType_AMBIENT, {}).intensity = 2;

    constexpr int kW = 13, kH = 7;
    minihost::World hdri(24, 12, 32);
    hdri.FillPattern(5);
    for (int y = 0; y < hdri.height(); ++y)
        for (int x = 0; x < hdri.width(); ++x) {
            minihost::PixelF px = hdri.Get(x, y);
            hdri.Set(x, y, {1.0f, std::fabs(px.r) * 2.0f, std::fabs(px.g), std::fabs(px.b) + 0.25f});
        }
    std::ostringstream out;
    for (int depth : {8, 16, 32})
        for (bool allLayers : {false, true}) {
            const int channel = depth / 8;
            minihost::World input(kW, kH, depth, 2 * channel), normals(kW, kH, depth, channel);
            std::vector<minihost::World> maps;
            maps.reserve(5);
            for (int i = 0; allLayers && i < 5; ++i)
                FillLayer(
                    maps.emplace_back(kW, kH, depth, channel * (i + 1)), 20 + i,
                    [i](int x, int y) { return i == 0 && (x + 3 * y) % 4 == 0; }, [](float) { return 1.0f; });
            FillLayer(input, 1, SomeHoles, PartCover);
            FillLayer(
                normals, 2, [](int, int) { return false; }, [](float) { return 1.0f; });
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    minihost::PixelF n = normals.Get(x, y);
                    n.b = 0.75f;
                    normals.Set(x, y, n);
                }
            minihost::FrameRequest r;
            r.depth = depth;
            r.output_padding = 3 * channel;
            r.layers[""] = &input;
            r.layers["Normal Map"] = &normals;
            r.layers["HDRI"] = &hdri;
            int m = 0;
            for (const char* name :
                 {"Diffuse Albedo", "Roughness", "Metalness", "Specular Albedo", "Source (for Blend)"})
                if (allLayers) r.layers[name] = &maps[m++];
            const minihost::FrameResult f = minihost::RenderFrame(s, r);
            out << "frame depth=" << depth << " layers=" << (allLayers ? "all" : "some") << " err=" << f.err()
                << " size=" << (f.output ? f.output->width() : 0) << "x" << (f.output ? f.output->height() : 0)
                << " outstanding=" << p.OutstandingCheckouts() << "\n";
            if (f.output) ListPixels(out, *f.output, depth);
        }
    std::cout << out.str();
    return 0;
}

// The GPU command on the first OpenCL device (Wine's opencl.dll reaches the same
// PoCL the Linux build uses): a frame without passes, cleared on the device, and a
// frame lit by a light of each analytic kind, over odd sizes and padded GPU rows.
int OpenClFrames(const std::string& module_path) {
    const std::vector<minihost::OpenClDeviceEntry> devices = minihost::ListOpenClDevices();
    if (devices.empty()) throw minihost::Error("no OpenCL device");
    minihost::Session s(module_path);
    if (s.GlobalSetup().err || s.ParamsSetup().err) throw minihost::Error("setup failed");
    auto& p = s.params();
    for (const char* box : {"Enable IBL", "Enable Incidence", "Enable Rim Light", "Preview Sphere"})
        p.SetCheckbox(box, false);
    s.gpu().AddDevice(std::make_shared<minihost::OpenClDevice>(devices.front()));
    const minihost::GpuSetup setup = s.SetupGpuDevice(0);
    std::ostringstream out;
    out << "device-setup err=" << setup.outcome.err << " accepted=" << setup.accepted << "\n";

    constexpr int kW = 19, kH = 11;
    std::vector<minihost::World> maps;
    for (int i = 0; i < 5; ++i) FillLayer(maps.emplace_back(kW, kH, 32), 10 + i, SomeHoles, PartCover);
    for (bool lit : {false, true}) {
        auto& comp = s.composition();
        comp.Clear();
        if (lit) {
            comp.AddLight(AEGP_LightType_POINT, {3, 2, -40}).intensity = 15;
            comp.AddLight(AEGP_LightType_SPOT, {10, 1, -30}, {6, 3, 0}).intensity = 20;
            comp.AddLight(AEGP_LightType_PARALLEL, {0, 0, -100}, {6, 3, 0}).intensity = 10;
        }
        minihost::FrameRequest r;
        int i = 0;
        for (const char* name : {"", "Normal Map", "Roughness", "Metalness", "Specular Albedo"})
            r.layers[name] = &maps[i++];
        r.render_command = PF_Cmd_SMART_RENDER_GPU;
        r.gpu = minihost::GpuTarget{0, setup.gpu_data, 32};
        const minihost::FrameResult f = minihost::RenderFrame(s, r);
        out << "frame depth=32 lit=" << lit << " err=" << f.err() << " fallback=" << f.fallback
            << " untouched=" << f.output_untouched << " size=" << (f.output ? f.output->width() : 0) << "x"
            << (f.output ? f.output->height() : 0) << " outstanding=" << p.OutstandingCheckouts() << "\n";
        if (f.output) ListPixels(out, *f.output, 32);
    }
    if (setup.accepted) out << "device-setdown err=" << s.SetdownGpuDevice(0, setup.gpu_data).err << "\n";
    std::cout << out.str();
    return 0;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw minihost::Error("cannot read " + path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Frame headers must match exactly; pixels may differ by one code value in 8 and 16
// bits and by a few parts in 1e5 in float, since the two runtimes' libm differ.
int CompareFrames(const std::string& a_path, const std::string& b_path) {
    const std::vector<std::string> a = Lines(a_path), b = Lines(b_path);
    int depth = 0, bad = 0, pixels = 0;
    double worst = 0;
    auto fail = [&](std::size_t i, const std::string& why) {
        if (++bad <= 20) std::cerr << "line " << i + 1 << ": " << why << "\n  " << a[i] << "\n  " << b[i] << "\n";
    };
    if (a.size() != b.size()) {
        std::cerr << "listings differ in length: " << a.size() << " and " << b.size() << " lines\n";
        return 1;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].rfind("frame ", 0) == 0 || a[i].rfind("device-", 0) == 0) {
            if (a[i] != b[i]) fail(i, "frame headers differ");
            if (a[i].rfind("frame ", 0) == 0) depth = std::atoi(a[i].c_str() + a[i].find("depth=") + 6);
            continue;
        }
        std::istringstream sa(a[i]), sb(b[i]);
        std::string pa, pb;
        sa >> pa;
        sb >> pb;
        if (pa != pb) {
            fail(i, "pixel positions differ");
            continue;
        }
        ++pixels;
        for (int c = 0; c < 4; ++c) {
            double va = 0, vb = 0;
            if (!(sa >> va) || !(sb >> vb)) {
                fail(i, "unreadable pixel");
                break;
            }
            const double diff = std::fabs(va - vb);
            const double allowed = depth == 32 ? 5e-5 * std::max({1.0, std::fabs(va), std::fabs(vb)}) : 1.0;
            worst = std::max(worst, depth == 32 ? diff / std::max({1.0, std::fabs(va), std::fabs(vb)}) : diff);
            if (!(diff <= allowed)) {
                fail(i, "channel " + std::to_string(c) + " differs by " + std::to_string(diff));
                break;
            }
        }
    }
    if (pixels == 0) {
        std::cerr << "no pixels to compare\n";
        return 1;
    }
    std::cout << pixels << " pixels compared, " << bad << " beyond tolerance, largest difference " << worst << "\n";
    return bad ? 1 : 0;
}

int Usage() {
    std::cerr << "usage: morvel-driver report MODULE | frames MODULE | opencl-frames MODULE | compare-frames LISTING "
                 "LISTING\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    try {
        if (command == "report" && argc == 3) return Report(argv[2]);
        if (command == "frames" && argc == 3) return Frames(argv[2]);
        if (command == "opencl-frames" && argc == 3) return OpenClFrames(argv[2]);
        if (command == "compare-frames" && argc == 4) return CompareFrames(argv[2], argv[3]);
        return Usage();
    } catch (const std::exception& e) {
        std::cerr << "morvel-driver: " << e.what() << "\n";
        return 1;
    }
}
