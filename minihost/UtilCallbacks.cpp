#include "minihost/UtilCallbacks.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "minihost/SuiteStub.h"
#include "minihost/World.h"

namespace minihost {
namespace {

// What the effect's sprintf may write: its messages go to return_msg.
constexpr std::size_t kSprintfLimit = PF_MAX_EFFECT_MSG_LEN + 1;

int AnsiSprintf(A_char* dst, const A_char* fmt, ...) {
    if (!dst || !fmt) return -1;
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(dst, kSprintfLimit, fmt, args);
    va_end(args);
    return n;
}

A_char* AnsiStrcpy(A_char* dst, const A_char* src) { return std::strcpy(dst, src); }

A_FpLong Atan(A_FpLong x) { return std::atan(x); }
A_FpLong Atan2(A_FpLong y, A_FpLong x) { return std::atan2(y, x); }
A_FpLong Ceil(A_FpLong x) { return std::ceil(x); }
A_FpLong Cos(A_FpLong x) { return std::cos(x); }
A_FpLong Exp(A_FpLong x) { return std::exp(x); }
A_FpLong Fabs(A_FpLong x) { return std::fabs(x); }
A_FpLong Floor(A_FpLong x) { return std::floor(x); }
A_FpLong Fmod(A_FpLong x, A_FpLong y) { return std::fmod(x, y); }
A_FpLong Hypot(A_FpLong x, A_FpLong y) { return std::hypot(x, y); }
A_FpLong Log(A_FpLong x) { return std::log(x); }
A_FpLong Log10(A_FpLong x) { return std::log10(x); }
A_FpLong Pow(A_FpLong x, A_FpLong y) { return std::pow(x, y); }
A_FpLong Sin(A_FpLong x) { return std::sin(x); }
A_FpLong Sqrt(A_FpLong x) { return std::sqrt(x); }
A_FpLong Tan(A_FpLong x) { return std::tan(x); }
A_FpLong Asin(A_FpLong x) { return std::asin(x); }
A_FpLong Acos(A_FpLong x) { return std::acos(x); }

// A handle is a pointer to the block pointer; the size lives in front of it.
struct HandleBlock {
    void* data;
    A_u_longlong size;
};

PF_Handle NewHandle(A_u_longlong size) {
    auto* h = static_cast<HandleBlock*>(std::malloc(sizeof(HandleBlock)));
    if (!h) return nullptr;
    h->data = std::calloc(1, size ? size : 1);
    if (!h->data) {
        std::free(h);
        return nullptr;
    }
    h->size = size;
    return &h->data;
}

HandleBlock* Block(PF_Handle h) { return reinterpret_cast<HandleBlock*>(h); }
void* LockHandle(PF_Handle h) { return h ? *h : nullptr; }
void UnlockHandle(PF_Handle) {}
void DisposeHandle(PF_Handle h) {
    if (!h) return;
    std::free(Block(h)->data);
    std::free(Block(h));
}
A_u_longlong HandleSize(PF_Handle h) { return h ? Block(h)->size : 0; }
PF_Err ResizeHandle(A_u_longlong size, PF_Handle* hp) {
    if (!hp || !*hp) return PF_Err_BAD_CALLBACK_PARAM;
    HandleBlock* b = Block(*hp);
    void* grown = std::realloc(b->data, size ? size : 1);
    if (!grown) return PF_Err_OUT_OF_MEMORY;
    if (size > b->size) std::memset(static_cast<char*>(grown) + b->size, 0, size - b->size);
    b->data = grown;
    b->size = size;
    return PF_Err_NONE;
}

bool RectInside(const PF_Rect& r, const PF_EffectWorld& w) {
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom && r.right <= w.width &&
           r.bottom <= w.height;
}

PF_UtilCallbacks Make() {
    PF_UtilCallbacks u{};
    MINIHOST_STUB(u, begin_sampling);
    MINIHOST_STUB(u, subpixel_sample);
    MINIHOST_STUB(u, area_sample);
    MINIHOST_STUB(u, end_sampling);
    MINIHOST_STUB(u, composite_rect);
    MINIHOST_STUB(u, blend);
    MINIHOST_STUB(u, convolve);
    u.copy = CopyWorld;
    MINIHOST_STUB(u, fill);
    MINIHOST_STUB(u, gaussian_kernel);
    MINIHOST_STUB(u, iterate);
    MINIHOST_STUB(u, premultiply);
    MINIHOST_STUB(u, premultiply_color);
    MINIHOST_STUB(u, new_world);
    MINIHOST_STUB(u, dispose_world);
    MINIHOST_STUB(u, iterate_origin);
    MINIHOST_STUB(u, iterate_lut);
    MINIHOST_STUB(u, transfer_rect);
    MINIHOST_STUB(u, transform_world);
    u.host_new_handle = NewHandle;
    u.host_lock_handle = LockHandle;
    u.host_unlock_handle = UnlockHandle;
    u.host_dispose_handle = DisposeHandle;
    MINIHOST_STUB(u, get_callback_addr);
    // `app` is variadic and has no typed placeholder; it stays null.
    u.ansi = {Atan,  Atan2, Ceil, Cos,  Exp, Fabs,        Floor,      Fmod, Hypot, Log,
              Log10, Pow,   Sin,  Sqrt, Tan, AnsiSprintf, AnsiStrcpy, Asin, Acos,  {0}};
    MINIHOST_STUB(u, colorCB.RGBtoHLS);
    MINIHOST_STUB(u, colorCB.HLStoRGB);
    MINIHOST_STUB(u, colorCB.RGBtoYIQ);
    MINIHOST_STUB(u, colorCB.YIQtoRGB);
    MINIHOST_STUB(u, colorCB.Luminance);
    MINIHOST_STUB(u, colorCB.Hue);
    MINIHOST_STUB(u, colorCB.Lightness);
    MINIHOST_STUB(u, colorCB.Saturation);
    MINIHOST_STUB(u, get_platform_data);
    u.host_get_handle_size = HandleSize;
    MINIHOST_STUB(u, iterate_origin_non_clip_src);
    MINIHOST_STUB(u, iterate_generic);
    u.host_resize_handle = ResizeHandle;
    MINIHOST_STUB(u, subpixel_sample16);
    MINIHOST_STUB(u, area_sample16);
    MINIHOST_STUB(u, fill16);
    MINIHOST_STUB(u, premultiply_color16);
    MINIHOST_STUB(u, iterate16);
    MINIHOST_STUB(u, iterate_origin16);
    MINIHOST_STUB(u, iterate_origin_non_clip_src16);
    MINIHOST_STUB(u, get_pixel_data8);
    MINIHOST_STUB(u, get_pixel_data16);
    return u;
}

}  // namespace

PF_Err CopyWorld(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_rect, PF_Rect* dst_rect) {
    if (!src || !dst || !src->data || !dst->data) return PF_Err_BAD_CALLBACK_PARAM;
    const int depth = WorldDepth(*src);
    // Converting between depths or scaling is more than this host does.
    if (WorldDepth(*dst) != depth) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Rect s = src_rect ? *src_rect : PF_Rect{0, 0, src->width, src->height};
    const PF_Rect d = dst_rect ? *dst_rect : PF_Rect{0, 0, dst->width, dst->height};
    if (!RectInside(s, *src) || !RectInside(d, *dst)) return PF_Err_BAD_CALLBACK_PARAM;
    if (s.right - s.left != d.right - d.left || s.bottom - s.top != d.bottom - d.top) return PF_Err_BAD_CALLBACK_PARAM;
    const std::size_t pixel = depth == 8 ? 4 : depth == 16 ? 8 : 16;
    const std::size_t bytes = std::size_t(s.right - s.left) * pixel;
    auto* from = reinterpret_cast<const char*>(src->data);
    auto* to = reinterpret_cast<char*>(dst->data);
    for (A_long y = 0; y < s.bottom - s.top; ++y)
        std::memmove(to + std::ptrdiff_t(d.top + y) * dst->rowbytes + std::ptrdiff_t(d.left) * pixel,
                     from + std::ptrdiff_t(s.top + y) * src->rowbytes + std::ptrdiff_t(s.left) * pixel, bytes);
    return PF_Err_NONE;
}

PF_UtilCallbacks* UtilCallbacks() {
    // The effect receives a non-const pointer; it must never write through it,
    // and a fresh copy per process keeps a misbehaving one from corrupting the template.
    static PF_UtilCallbacks table = Make();
    return &table;
}

}  // namespace minihost
