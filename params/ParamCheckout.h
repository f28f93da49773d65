// A parameter checked out of the host for a scope. The host expects every
// checkout to be checked back in, on error paths and exceptions too.
#pragma once

#include <cstring>

#include "host/Host.h"

namespace morvel {

class ParamCheckout {
public:
    explicit ParamCheckout(PF_InData* in_data) : in_data_(in_data) { std::memset(&def_, 0, sizeof def_); }
    ParamCheckout(const ParamCheckout&) = delete;
    ParamCheckout& operator=(const ParamCheckout&) = delete;
    ~ParamCheckout() { Checkin(); }

    // At the command's own time, as every read of a value in this effect is.
    PF_Err Checkout(PF_ParamIndex index) {
        if (!in_data_->inter.checkout_param) return PF_Err_INVALID_CALLBACK;
        const PF_Err err = in_data_->inter.checkout_param(in_data_->effect_ref, index, in_data_->current_time,
                                                          in_data_->time_step, in_data_->time_scale, &def_);
        // A failed checkout leaves nothing to give back.
        out_ = err == PF_Err_NONE;
        return err;
    }

    PF_Err Checkin() {
        if (!out_) return PF_Err_NONE;
        out_ = false;
        if (!in_data_->inter.checkin_param) return PF_Err_INVALID_CALLBACK;
        return in_data_->inter.checkin_param(in_data_->effect_ref, &def_);
    }

    PF_ParamDef& def() { return def_; }

private:
    PF_InData* in_data_;
    PF_ParamDef def_;
    bool out_ = false;
};

}  // namespace morvel
