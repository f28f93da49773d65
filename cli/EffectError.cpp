#include "cli/EffectError.h"

namespace morvel::cli {
namespace {

std::string Describe(int code, const std::string& context, const std::string& effect_message) {
    std::string text =
        context + ": the effect returned error " + std::to_string(code) + " (" + EffectErrorName(code) + ")";
    if (!effect_message.empty()) text += ": " + effect_message;
    return text;
}

}  // namespace

std::string EffectErrorName(int code) {
    switch (code) {
        case 0:
            return "PF_Err_NONE";
        case 4:
            return "PF_Err_OUT_OF_MEMORY";
        case 512:
            return "PF_Err_INTERNAL_STRUCT_DAMAGED";
        case 513:
            return "PF_Err_INVALID_INDEX";
        case 514:
            return "PF_Err_UNRECOGNIZED_PARAM_TYPE";
        case 515:
            return "PF_Err_INVALID_CALLBACK";
        case 516:
            return "PF_Err_BAD_CALLBACK_PARAM";
        case 517:
            return "PF_Interrupt_CANCEL";
        case 518:
            return "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT";
        default:
            return "unknown error";
    }
}

EffectError::EffectError(int code, const std::string& context, const std::string& effect_message)
    : std::runtime_error(Describe(code, context, effect_message)), code_(code) {}

}  // namespace morvel::cli
