#include "minihost/ParamText.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "minihost/ParamModel.h"

namespace minihost {
namespace {

std::string Hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(v));
    return buf;
}

std::string Color(const PF_Pixel& p) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X%02X", p.alpha, p.red, p.green, p.blue);
    return buf;
}

std::string Fixed(PF_Fixed v) { return FormatNumber(v / 65536.0); }

template <typename T>
std::string Shortest(T value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

}  // namespace

std::string FormatNumber(double value) { return Shortest(value); }
std::string FormatNumber(float value) { return Shortest(value); }

std::string ParamDefaultText(const PF_ParamDef& d) {
    switch (d.param_type) {
        case PF_Param_LAYER:
            return d.u.ld.dephault == PF_LayerDefault_MYSELF ? "this layer"
                   : d.u.ld.dephault == 0                    ? "no layer"
                                                             : "layer " + std::to_string(d.u.ld.dephault);
        case PF_Param_FLOAT_SLIDER:
            return FormatNumber(d.u.fs_d.dephault);
        case PF_Param_SLIDER:
            return std::to_string(d.u.sd.dephault);
        case PF_Param_FIX_SLIDER:
            return Fixed(d.u.fd.dephault);
        case PF_Param_ANGLE:
            return Fixed(d.u.ad.dephault) + " deg";
        case PF_Param_CHECKBOX:
            return d.u.bd.dephault ? "on" : "off";
        case PF_Param_COLOR:
            return Color(d.u.cd.dephault);
        case PF_Param_POPUP:
            return std::to_string(d.u.pd.dephault);
        default:
            return "-";
    }
}

std::string ParamValidRangeText(const PF_ParamDef& d) {
    switch (d.param_type) {
        case PF_Param_FLOAT_SLIDER:
            return FormatNumber(d.u.fs_d.valid_min) + " to " + FormatNumber(d.u.fs_d.valid_max);
        case PF_Param_SLIDER:
            return std::to_string(d.u.sd.valid_min) + " to " + std::to_string(d.u.sd.valid_max);
        case PF_Param_FIX_SLIDER:
            return Fixed(d.u.fd.valid_min) + " to " + Fixed(d.u.fd.valid_max);
        default:
            return "-";
    }
}

std::string ParamSliderRangeText(const PF_ParamDef& d) {
    switch (d.param_type) {
        case PF_Param_FLOAT_SLIDER:
            return FormatNumber(d.u.fs_d.slider_min) + " to " + FormatNumber(d.u.fs_d.slider_max);
        case PF_Param_SLIDER:
            return std::to_string(d.u.sd.slider_min) + " to " + std::to_string(d.u.sd.slider_max);
        case PF_Param_FIX_SLIDER:
            return Fixed(d.u.fd.slider_min) + " to " + Fixed(d.u.fd.slider_max);
        default:
            return "-";
    }
}

std::string ParamDetailText(const PF_ParamDef& d) {
    std::string s = "kind=" + ParamKindName(d.param_type) + " name=\"" +
                    std::string(d.name, strnlen(d.name, sizeof d.name)) + "\" id=" + std::to_string(d.uu.id) +
                    " flags=" + Hex32(uint32_t(d.flags)) + " ui_flags=" + Hex32(uint32_t(d.ui_flags)) +
                    " ui_size=" + std::to_string(d.ui_width) + "x" + std::to_string(d.ui_height);
    switch (d.param_type) {
        case PF_Param_LAYER:
            s += " dephault=" + std::to_string(d.u.ld.dephault);
            break;
        case PF_Param_FLOAT_SLIDER: {
            const PF_FloatSliderDef& f = d.u.fs_d;
            s += " value=" + FormatNumber(f.value) + " phase=" + FormatNumber(f.phase) +
                 " valid=" + ParamValidRangeText(d) + " slider=" + ParamSliderRangeText(d) +
                 " dephault=" + FormatNumber(f.dephault) + " precision=" + std::to_string(f.precision) +
                 " display_flags=" + std::to_string(f.display_flags) + " fs_flags=" + std::to_string(f.fs_flags) +
                 " curve_tolerance=" + FormatNumber(f.curve_tolerance) +
                 " useExponent=" + std::to_string(int(f.useExponent)) + " exponent=" + FormatNumber(f.exponent);
            break;
        }
        case PF_Param_ANGLE:
            s += " value=" + std::to_string(d.u.ad.value) + " dephault=" + std::to_string(d.u.ad.dephault) +
                 " valid=" + std::to_string(d.u.ad.valid_min) + ".." + std::to_string(d.u.ad.valid_max);
            break;
        case PF_Param_CHECKBOX:
            s += " value=" + std::to_string(d.u.bd.value) + " dephault=" + std::to_string(int(d.u.bd.dephault)) +
                 " label=";
            if (d.u.bd.u.nameptr) {
                s += '"';
                s += d.u.bd.u.nameptr;
                s += '"';
            } else {
                s += "null";
            }
            break;
        case PF_Param_COLOR:
            s += " value=" + Color(d.u.cd.value) + " dephault=" + Color(d.u.cd.dephault);
            break;
        default:
            break;
    }
    return s;
}

}  // namespace minihost
