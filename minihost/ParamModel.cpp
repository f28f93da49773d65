#include "minihost/ParamModel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "minihost/Error.h"
#include "minihost/World.h"

namespace minihost {
namespace {

PF_ParamDef InputLayerDef() {
    PF_ParamDef d{};
    d.param_type = PF_Param_LAYER;
    return d;
}

std::string Degrees(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string DefName(const PF_ParamDef& d) { return std::string(d.name, strnlen(d.name, sizeof d.name)); }

}  // namespace

std::string ParamKindName(PF_ParamType type) {
    switch (type) {
        case PF_Param_LAYER:
            return "layer";
        case PF_Param_SLIDER:
            return "slider";
        case PF_Param_FIX_SLIDER:
            return "fixed slider";
        case PF_Param_ANGLE:
            return "angle";
        case PF_Param_CHECKBOX:
            return "checkbox";
        case PF_Param_COLOR:
            return "colour";
        case PF_Param_POINT:
            return "point";
        case PF_Param_POPUP:
            return "popup";
        case PF_Param_CUSTOM:
            return "custom";
        case PF_Param_NO_DATA:
            return "no data";
        case PF_Param_FLOAT_SLIDER:
            return "float slider";
        case PF_Param_ARBITRARY_DATA:
            return "arbitrary data";
        case PF_Param_PATH:
            return "path";
        case PF_Param_GROUP_START:
            return "group start";
        case PF_Param_GROUP_END:
            return "group end";
        case PF_Param_BUTTON:
            return "button";
        case PF_Param_POINT_3D:
            return "point 3D";
        default:
            return "kind " + std::to_string(type);
    }
}

ParamModel::ParamModel() { params_.push_back({InputLayerDef(), "", nullptr}); }

void ParamModel::FailAdd(int call_number, PF_Err error) {
    std::lock_guard lock(mutex_);
    fail_add_call_ = call_number;
    fail_add_error_ = error;
}

void ParamModel::BeginRegistration() {
    std::lock_guard lock(mutex_);
    params_.resize(1);
    group_stack_.clear();
    adds_.clear();
}

PF_Err ParamModel::Add(PF_ParamIndex index, const PF_ParamDef* def) {
    std::lock_guard lock(mutex_);
    AddParamCall call;
    call.index = index;
    if (def) call.def = *def;
    const int number = static_cast<int>(adds_.size()) + 1;
    if (!def)
        call.result = PF_Err_BAD_CALLBACK_PARAM;
    else if (number == fail_add_call_)
        call.result = fail_add_error_;
    else if (index != -1 && index != static_cast<PF_ParamIndex>(params_.size()))
        call.result = PF_Err_INVALID_INDEX;  // minihost only appends
    adds_.push_back(call);
    if (call.result != PF_Err_NONE) return call.result;

    Param p;
    p.def = *def;
    p.group = group_stack_.empty() ? std::string() : group_stack_.back();
    if (def->param_type == PF_Param_GROUP_START) group_stack_.push_back(DefName(*def));
    if (def->param_type == PF_Param_GROUP_END && !group_stack_.empty()) group_stack_.pop_back();
    params_.push_back(std::move(p));
    return PF_Err_NONE;
}

std::vector<AddParamCall> ParamModel::AddCalls() const {
    std::lock_guard lock(mutex_);
    return adds_;
}

int ParamModel::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(params_.size());
}

void ParamModel::CheckIndex(PF_ParamIndex index) const {
    if (index < 0 || index >= static_cast<PF_ParamIndex>(params_.size()))
        throw Error("parameter index " + std::to_string(index) + " is not in 0.." + std::to_string(params_.size() - 1));
}

PF_ParamDef ParamModel::ValueOf(const Param& p) const {
    PF_ParamDef d = p.def;
    if (d.param_type == PF_Param_LAYER) {
        std::memset(&d.u.ld, 0, sizeof d.u.ld);
        if (p.layer) d.u.ld = p.layer->View();
    }
    return d;
}

PF_ParamDef ParamModel::Current(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return ValueOf(params_[index]);
}

std::string ParamModel::Name(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return DefName(params_[index].def);
}

std::string ParamModel::Group(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return params_[index].group;
}

std::string ParamModel::QualifiedName(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    const Param& p = params_[index];
    return p.group.empty() ? DefName(p.def) : p.group + "/" + DefName(p.def);
}

PF_ParamIndex ParamModel::FindLocked(std::string_view name) const {
    auto matches = [&](auto&& pred) {
        std::vector<PF_ParamIndex> found;
        for (std::size_t i = 1; i < params_.size(); ++i)
            if (pred(params_[i])) found.push_back(static_cast<PF_ParamIndex>(i));
        return found;
    };
    std::vector<PF_ParamIndex> found = matches([&](const Param& p) { return DefName(p.def) == name; });
    if (found.empty()) {
        const std::size_t slash = name.rfind('/');
        if (slash != std::string_view::npos) {
            const std::string_view group = name.substr(0, slash), bare = name.substr(slash + 1);
            found = matches([&](const Param& p) { return p.group == group && DefName(p.def) == bare; });
        }
    }
    if (found.size() == 1) return found[0];
    if (found.empty()) throw Error("no parameter named \"" + std::string(name) + "\"");
    std::string list;
    for (PF_ParamIndex i : found) {
        const Param& p = params_[i];
        list += (list.empty() ? "\"" : ", \"") + (p.group.empty() ? "" : p.group + "/") + DefName(p.def) +
                "\" (index " + std::to_string(i) + ")";
    }
    throw Error("parameter name \"" + std::string(name) + "\" is ambiguous: " + list);
}

PF_ParamIndex ParamModel::Find(std::string_view name) const {
    std::lock_guard lock(mutex_);
    return FindLocked(name);
}

ParamModel::Param& ParamModel::Kind(std::string_view name, PF_ParamType type, const char* setter) {
    Param& p = params_[FindLocked(name)];
    if (p.def.param_type != type)
        throw Error(std::string(setter) + ": parameter \"" + std::string(name) + "\" is a " +
                    ParamKindName(p.def.param_type) + ", not a " + ParamKindName(type));
    return p;
}

void ParamModel::SetFloat(std::string_view name, double value) {
    std::lock_guard lock(mutex_);
    Kind(name, PF_Param_FLOAT_SLIDER, "SetFloat").def.u.fs_d.value = value;
}

void ParamModel::SetCheckbox(std::string_view name, bool on) {
    std::lock_guard lock(mutex_);
    Kind(name, PF_Param_CHECKBOX, "SetCheckbox").def.u.bd.value = on ? 1 : 0;
}

void ParamModel::SetAngle(std::string_view name, double degrees) {
    std::lock_guard lock(mutex_);
    Param& p = Kind(name, PF_Param_ANGLE, "SetAngle");
    // 16.16 fixed point holds only what rounds into 32 bits; anything else would wrap.
    const double fixed = std::round(degrees * 65536.0);
    if (!(fixed > -2147483648.0 && fixed <= 2147483647.0))
        throw Error("SetAngle: value " + Degrees(degrees) + " for parameter \"" + std::string(name) +
                    "\" is outside the angle range (-32768, 32768) degrees");
    p.def.u.ad.value = static_cast<PF_Fixed>(fixed);
}

void ParamModel::SetColor(std::string_view name, PF_Pixel argb) {
    std::lock_guard lock(mutex_);
    Kind(name, PF_Param_COLOR, "SetColor").def.u.cd.value = argb;
}

void ParamModel::SetLayer(std::string_view name, const World* world) {
    std::lock_guard lock(mutex_);
    Kind(name, PF_Param_LAYER, "SetLayer").layer = world;
}

void ParamModel::SetLayer(PF_ParamIndex index, const World* world) {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    if (params_[index].def.param_type != PF_Param_LAYER)
        throw Error("SetLayer: parameter " + std::to_string(index) + " is a " +
                    ParamKindName(params_[index].def.param_type) + ", not a layer");
    params_[index].layer = world;
}

const World* ParamModel::Layer(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return params_[index].layer;
}

void ParamModel::FailCheckout(PF_ParamIndex index, PF_Err error) {
    std::lock_guard lock(mutex_);
    fail_checkout_[index] = error;
}

void ParamModel::FailCheckin(PF_ParamIndex index, PF_Err error) {
    std::lock_guard lock(mutex_);
    fail_checkin_[index] = error;
}

void ParamModel::ClearFailures() {
    std::lock_guard lock(mutex_);
    fail_checkout_.clear();
    fail_checkin_.clear();
    fail_add_call_ = 0;
}

PF_Err ParamModel::Checkout(PF_ParamIndex index, A_long time, A_long time_step, A_u_long time_scale, PF_ParamDef* out) {
    std::lock_guard lock(mutex_);
    CheckoutRecord r{index, time, time_step, time_scale, PF_Err_NONE, false, out};
    if (!out)
        r.result = PF_Err_BAD_CALLBACK_PARAM;
    else if (index < 0 || index >= static_cast<PF_ParamIndex>(params_.size()))
        r.result = PF_Err_INVALID_INDEX;
    else if (auto it = fail_checkout_.find(index); it != fail_checkout_.end())
        r.result = it->second;
    if (r.result == PF_Err_NONE) *out = ValueOf(params_[index]);
    r.checked_in = r.result != PF_Err_NONE;  // nothing to give back
    if (!r.checked_in) {
        outstanding_[out].push_back(checkouts_.size());
        ++outstanding_count_;
    }
    checkouts_.push_back(r);
    return r.result;
}

PF_Err ParamModel::Checkin(PF_ParamDef* def) {
    std::lock_guard lock(mutex_);
    auto found = outstanding_.find(def);
    if (found == outstanding_.end()) {
        ++unmatched_checkins_;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    CheckoutRecord& r = checkouts_[found->second.front()];
    found->second.pop_front();
    if (found->second.empty()) outstanding_.erase(found);
    --outstanding_count_;
    r.checked_in = true;
    auto it = fail_checkin_.find(r.index);
    return it == fail_checkin_.end() ? PF_Err_NONE : it->second;
}

std::vector<CheckoutRecord> ParamModel::Checkouts() const {
    std::lock_guard lock(mutex_);
    return checkouts_;
}

int ParamModel::OutstandingCheckouts() const {
    std::lock_guard lock(mutex_);
    return outstanding_count_;
}

int ParamModel::UnmatchedCheckins() const {
    std::lock_guard lock(mutex_);
    return unmatched_checkins_;
}

PF_Err ParamModel::UpdateUI(PF_ParamIndex index, const PF_ParamDef* def, PF_Err injected_error) {
    std::lock_guard lock(mutex_);
    UiUpdateRecord r;
    r.index = index;
    if (def) {
        r.def = *def;
        r.ui_flags = def->ui_flags;
        r.flags = def->flags;
    }
    if (injected_error != PF_Err_NONE)
        r.result = injected_error;
    else if (!def)
        r.result = PF_Err_BAD_CALLBACK_PARAM;
    else if (index < 1 || index >= static_cast<PF_ParamIndex>(params_.size()))
        r.result = PF_Err_INVALID_INDEX;
    if (r.result == PF_Err_NONE) {
        // The host keeps the UI state the effect asks for; values are not changed this way.
        PF_ParamDef& kept = params_[index].def;
        kept.ui_flags = def->ui_flags;
        kept.flags = (kept.flags & ~PF_ParamFlag_COLLAPSE_TWIRLY) | (def->flags & PF_ParamFlag_COLLAPSE_TWIRLY);
    }
    ui_updates_.push_back(r);
    return r.result;
}

std::vector<UiUpdateRecord> ParamModel::UiUpdates() const {
    std::lock_guard lock(mutex_);
    return ui_updates_;
}

PF_ParamUIFlags ParamModel::UiFlags(PF_ParamIndex index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return params_[index].def.ui_flags;
}

void ParamModel::SetUiFlags(PF_ParamIndex index, PF_ParamUIFlags flags) {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    params_[index].def.ui_flags = flags;
}

void ParamModel::ClearRecords() {
    std::lock_guard lock(mutex_);
    checkouts_.clear();
    outstanding_.clear();
    outstanding_count_ = 0;
    ui_updates_.clear();
    unmatched_checkins_ = 0;
}

std::vector<PF_ParamDef> ParamModel::Snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<PF_ParamDef> out;
    out.reserve(params_.size());
    for (const Param& p : params_) out.push_back(ValueOf(p));
    return out;
}

}  // namespace minihost
