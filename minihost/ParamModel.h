// The effect's parameters as the host keeps them: the definitions the effect
// registered during parameter setup, their current values, per-parameter UI
// flags, and a record of every add, checkout, checkin and UI update.
// Values are set by UI name; a name used in two groups is written
// "Group/Name" ("Incidence/Amount"). Thread-safe: render threads check out
// parameters concurrently.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/AE_Effect.h"

namespace minihost {

class World;

struct AddParamCall {
    PF_ParamIndex index = 0;
    PF_ParamDef def{};
    PF_Err result = 0;
};

struct CheckoutRecord {
    PF_ParamIndex index = 0;
    A_long time = 0, time_step = 0;
    A_u_long time_scale = 0;
    PF_Err result = 0;
    bool checked_in = false;
    const PF_ParamDef* where = nullptr;  // the effect's definition the value went into
};

struct UiUpdateRecord {
    PF_ParamIndex index = 0;
    PF_ParamUIFlags ui_flags = 0;
    PF_ParamFlags flags = 0;
    PF_ParamDef def{};
    PF_Err result = 0;
};

// "layer", "float slider", "group start", ...
std::string ParamKindName(PF_ParamType type);

class ParamModel {
public:
    ParamModel();

    // ---- registration
    // The Nth add_param call (1-based) returns `error` and registers nothing.
    void FailAdd(int call_number, PF_Err error);
    // Forgets earlier registrations, keeping the injected failure.
    void BeginRegistration();
    PF_Err Add(PF_ParamIndex index, const PF_ParamDef* def);
    std::vector<AddParamCall> AddCalls() const;

    // ---- definitions and values; index 0 is the effect's own layer
    int Count() const;
    PF_ParamDef Current(PF_ParamIndex index) const;
    std::string Name(PF_ParamIndex index) const;
    std::string Group(PF_ParamIndex index) const;          // "" at top level
    std::string QualifiedName(PF_ParamIndex index) const;  // "Group/Name", or the name at top level
    // Resolves a UI name; throws Error for unknown or ambiguous names.
    PF_ParamIndex Find(std::string_view name) const;

    void SetFloat(std::string_view name, double value);
    void SetCheckbox(std::string_view name, bool on);
    void SetAngle(std::string_view name, double degrees);
    void SetColor(std::string_view name, PF_Pixel argb);
    // nullptr = no layer. The world must outlive its use by commands.
    void SetLayer(std::string_view name, const World* world);
    void SetLayer(PF_ParamIndex index, const World* world);
    const World* Layer(PF_ParamIndex index) const;

    // ---- what the effect calls
    void FailCheckout(PF_ParamIndex index, PF_Err error);
    void FailCheckin(PF_ParamIndex index, PF_Err error);
    void ClearFailures();
    PF_Err Checkout(PF_ParamIndex index, A_long time, A_long time_step, A_u_long time_scale, PF_ParamDef* out);
    PF_Err Checkin(PF_ParamDef* def);
    std::vector<CheckoutRecord> Checkouts() const;
    int OutstandingCheckouts() const;
    int UnmatchedCheckins() const;

    PF_Err UpdateUI(PF_ParamIndex index, const PF_ParamDef* def, PF_Err injected_error);
    std::vector<UiUpdateRecord> UiUpdates() const;
    PF_ParamUIFlags UiFlags(PF_ParamIndex index) const;
    void SetUiFlags(PF_ParamIndex index, PF_ParamUIFlags flags);

    // Checkouts, checkins and UI updates; a checkout still out is forgotten, so its checkin is unmatched.
    void ClearRecords();

    // Copies of every current definition with its value, for one command's params array.
    std::vector<PF_ParamDef> Snapshot() const;

private:
    struct Param {
        PF_ParamDef def{};
        std::string group;
        const World* layer = nullptr;
    };

    PF_ParamIndex FindLocked(std::string_view name) const;
    Param& Kind(std::string_view name, PF_ParamType type, const char* setter);
    void CheckIndex(PF_ParamIndex index) const;
    PF_ParamDef ValueOf(const Param& p) const;

    mutable std::mutex mutex_;
    std::vector<Param> params_;
    std::vector<std::string> group_stack_;
    std::vector<AddParamCall> adds_;
    int fail_add_call_ = 0;
    PF_Err fail_add_error_ = 0;
    std::map<PF_ParamIndex, PF_Err> fail_checkout_, fail_checkin_;
    std::vector<CheckoutRecord> checkouts_;
    // Indices into checkouts_ not yet checked in, oldest first, by definition: keeps checkin O(1).
    std::unordered_map<const PF_ParamDef*, std::deque<std::size_t>> outstanding_;
    int outstanding_count_ = 0;
    int unmatched_checkins_ = 0;
    std::vector<UiUpdateRecord> ui_updates_;
};

}  // namespace minihost
