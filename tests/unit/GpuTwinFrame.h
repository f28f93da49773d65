// One frame held twice: as CPU float worlds (A R G B, packed rows) for the CPU back
// end, and as GPU worlds (B G R A float, rows wider than the frame) for a GPU back
// end, with the same pixels; and the check that both pictures agree.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "frame/FrameContext.h"
#include "frame/FrameSettings.h"
#include "gpu/GpuFrame.h"

namespace morvel {

// Deterministic values in [0, 1) per pixel and channel.
inline float Hash01(int x, int y, int salt) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(salt) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xffffu) / 65536.0f;
}

// One layer twice: as a CPU float world (A R G B, packed rows) and as a GPU world
// (B G R A, rows `pad` pixels wider), holding the same pixels.
struct TwinLayer {
    std::vector<PF_PixelFloat> cpu;
    std::vector<float> gpu;
    PF_EffectWorld cpu_world{}, gpu_world{};
    int pitch = 0;

    TwinLayer(int w, int h, int pad, int salt, bool alpha_holes) : cpu(size_t(w) * h), pitch(w + pad) {
        gpu.assign(size_t(pitch) * h * 4, -7.0f);  // padding that must never be read or written
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float a = 1.0f;
                if (alpha_holes) a = (x + 2 * y) % 7 == 0 ? 0.0f : (x % 3 == 0 ? 0.5f : 1.0f);
                Set(x, y, Hash01(x, y, salt), Hash01(x, y, salt + 1), 0.5f + 0.5f * Hash01(x, y, salt + 2), a, w);
            }
        cpu_world.data = reinterpret_cast<PF_PixelPtr>(cpu.data());
        cpu_world.width = gpu_world.width = w;
        cpu_world.height = gpu_world.height = h;
        cpu_world.rowbytes = w * 16;
        gpu_world.rowbytes = pitch * 16;
    }
    void Set(int x, int y, float r, float g, float b, float a, int w) {
        cpu[size_t(y) * w + x] = PF_PixelFloat{a, r, g, b};
        float* p = &gpu[(size_t(y) * pitch + x) * 4];
        p[0] = b, p[1] = g, p[2] = r, p[3] = a;
    }
};

// A frame on both back ends: input, output and the material layers that are present.
struct TwinFrame {
    int w, h;
    TwinLayer input, output;
    std::unique_ptr<TwinLayer> layers[kPassLayerCount];
    FrameContext cpu;
    GpuFrameContext gpu;

    TwinFrame(int width, int height, std::set<int> missing = {})
        : w(width), h(height), input(width, height, 3, 100, false), output(width, height, 5, 200, false) {
        cpu.input = &input.cpu_world;
        cpu.output = &output.cpu_world;
        cpu.width = w, cpu.height = h, cpu.depth = 32;
        cpu.outputRowBytes = output.cpu_world.rowbytes;
        gpu.input_world = &input.gpu_world;
        gpu.output_world = &output.gpu_world;
        gpu.input_data = input.gpu.data();
        gpu.output_data = output.gpu.data();
        gpu.input_pitch = input.pitch;
        gpu.width = w, gpu.height = h, gpu.stride = output.pitch;
        for (int i : {SLOT_DIFFUSE_ALBEDO, SLOT_NORMAL, SLOT_ROUGHNESS, SLOT_METALNESS, SLOT_SPECULAR, SLOT_SOURCE}) {
            if (missing.count(i)) continue;
            layers[i] = std::make_unique<TwinLayer>(w, h, 2 + i, i * 4, i == SLOT_DIFFUSE_ALBEDO);
            cpu.passes[i] = &layers[i]->cpu_world;
            cpu.passRowBytes[i] = layers[i]->cpu_world.rowbytes;
            gpu.pass_worlds[i] = &layers[i]->gpu_world;
            gpu.pass_data[i] = layers[i]->gpu.data();
        }
    }
};

inline FrameSettings Pass(PassType type, int first, int w, int h) {
    FrameSettings fs{};
    fs.pass_type = type;
    fs.is_first_light = first;
    fs.width = fs.stride = w;
    fs.height = h;
    fs.output_mode = 1;
    fs.source_blend = 0.09f;
    fs.roughness_adjust = 0.3f, fs.metallic_adjust = -0.5f, fs.specular_adjust = 0.2f;
    fs.light_r = 1.0f, fs.light_g = 0.8f, fs.light_b = 0.6f;
    fs.intensity = 1.5f;
    fs.light_dir_x = 0.3f, fs.light_dir_y = -0.4f, fs.light_dir_z = 0.85f;
    if (type == PASS_SPOT) fs.light_dir_x = 0.1f, fs.light_dir_y = 0.0f, fs.light_dir_z = -1.0f;
    fs.light_pos_x = 0.3f, fs.light_pos_y = 0.6f, fs.light_pos_z = 0.4f;
    fs.light_decay = 1.0f, fs.falloff_distance = 2.0f;
    fs.cone_angle = 0.6f, fs.cone_feather = 0.5f;
    fs.incidence_enable = 1;
    fs.incidence_amount = 0.8f, fs.incidence_power = 1.5f;
    fs.incidence_r = 1.0f, fs.incidence_g = 0.5f, fs.incidence_b = 0.0f;
    fs.rimlight_enable = 1;
    fs.rimlight_amount = 1.2f, fs.rimlight_power = 1.0f, fs.rimlight_threshold = 0.05f, fs.rimlight_angle = 0.7f;
    fs.rimlight_r = 0.2f, fs.rimlight_g = 0.4f, fs.rimlight_b = 1.0f;
    return fs;
}

// The environment pass, lit by an HDRI prepared with `bias`, with the preview sphere.
inline FrameSettings EnvironmentPass(int first, int w, int h, float bias) {
    FrameSettings fs = Pass(PASS_IBL, first, w, h);
    fs.ibl_enable = 1;
    fs.ibl_diffuse_intensity = 1.5f, fs.ibl_specular_intensity = 2.0f;
    fs.ibl_exposure = 0.3f, fs.ibl_gamma = 1.4f;
    fs.ibl_rotation_x = -0.2f, fs.ibl_rotation_y = 0.6f, fs.ibl_rotation_z = 3.1415927f;
    fs.ibl_tint_r = 1.0f, fs.ibl_tint_g = 0.9f, fs.ibl_tint_b = 0.7f;
    fs.ibl_roughness_bias = bias;
    fs.preview_sphere = 1;
    fs.ibl_output_mode = 1;
    return fs;
}

// HDRI values up to 4, so that the exposure and the blurs have light to work on.
inline void FillHdri(TwinLayer& hdri, int w, int h, int salt) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            hdri.Set(x, y, 4.0f * Hash01(x, y, salt + 1), 2.0f * Hash01(x, y, salt + 2), Hash01(x, y, salt + 3), 1.0f,
                     w);
}

// The GPU output (B G R A, the output's pitch) against the CPU output: every channel
// within tolerance + tolerance |value| on at least `share` of the pixels, alpha
// coverage never different, and the rows' padding untouched.
inline void ExpectSamePicture(const TwinFrame& f, const std::vector<float>& gpu, float tolerance = 1e-5f,
                              double share = 1.0) {
    size_t bad = 0;
    int shown = 0;
    for (int y = 0; y < f.h; ++y) {
        for (int x = 0; x < f.w; ++x) {
            const PF_PixelFloat c = f.output.cpu[size_t(y) * f.w + x];
            const float* g = &gpu[(size_t(y) * f.output.pitch + x) * 4];
            const float want[4] = {c.blue, c.green, c.red, c.alpha};
            ASSERT_EQ(g[3] > 0.0f, want[3] > 0.0f) << "coverage at " << x << "," << y;
            bool same = true;
            for (int k = 0; k < 4; ++k) same &= std::fabs(g[k] - want[k]) <= tolerance + tolerance * std::fabs(want[k]);
            if (same) continue;
            ++bad;
            if (shown++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << g[0] << " " << g[1] << " " << g[2] << " " << g[3]
                              << " vs " << want[0] << " " << want[1] << " " << want[2] << " " << want[3];
        }
        for (int x = f.w; x < f.output.pitch; ++x)
            for (int k = 0; k < 4; ++k) ASSERT_EQ(gpu[(size_t(y) * f.output.pitch + x) * 4 + k], -7.0f);
    }
    const size_t allowed = static_cast<size_t>((1.0 - share) * f.w * f.h);
    EXPECT_LE(bad, allowed) << "pixels beyond the tolerance";
}

}  // namespace morvel
