// Whole-row bodies of the light passes for rows that the base and every pass layer
// cover (of the incidence and rim pass, for rows the base and the normal cover), and
// the choice between the build's baseline copy, an AVX2 copy and an AVX-512 copy made
// once at run time. Rows that some layer does not cover keep the per-pixel entry point.
#pragma once

#include "kernel/Passes.h"

namespace morvel {

// Shades pixels 0..width-1 of row y. The views carry their layouts.
using LightRowBody = void (*)(const LightPass& pass, const PassViews& views, int y, int width);

// Indexed by layout (PIXEL_ARGB8, PIXEL_ARGB16, PIXEL_ARGB32F), light kind - 1, whether
// the pass is the frame's first and whether the source blends in.
struct LightRowTable {
    LightRowBody body[3][4][2][2];
};

const LightRowTable& BaselineLightRows();
const LightRowTable& Avx2LightRows();    // only where CpuHasAvx2()
const LightRowTable& Avx512LightRows();  // only where CpuHasAvx512()

using IncidenceRimRowBody = void (*)(const IncidenceRimPass& pass, const PassViews& views, int y, int width);

// Indexed by layout, whether the pass is the frame's first, and whether the incidence
// and the rim term are on (incidenceOn, rimOn).
struct IncidenceRimRowTable {
    IncidenceRimRowBody body[3][2][2][2];
};

const IncidenceRimRowTable& BaselineIncidenceRimRows();
const IncidenceRimRowTable& Avx2IncidenceRimRows();    // only where CpuHasAvx2()
const IncidenceRimRowTable& Avx512IncidenceRimRows();  // only where CpuHasAvx512()

bool CpuHasAvx2();
// AVX-512 F, BW, DQ and VL, with the operating system saving the 512-bit state.
bool CpuHasAvx512();

// Which bodies the light passes use: Auto picks the widest copy the processor runs,
// unless MORVEL_CPU_ROW_BODIES names per-pixel, baseline, avx2 or avx512.
// PerPixel turns the row bodies off. A copy that the processor lacks falls back to the
// widest narrower one it has. For tests and benchmarks; not thread-safe against
// running passes.
enum class CpuRowBodies { Auto, PerPixel, Baseline, Avx2, Avx512 };
void SetCpuRowBodies(CpuRowBodies bodies);
CpuRowBodies ActiveCpuRowBodies();  // never Auto

// The row body for a pass in this layout, or null where none applies.
LightRowBody LightRowBodyFor(int layout, const LightPass& pass, int kind);
IncidenceRimRowBody IncidenceRimRowBodyFor(int layout, const IncidenceRimPass& pass);

}  // namespace morvel
