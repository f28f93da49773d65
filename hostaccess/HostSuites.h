// Access to the host's suites. Every suite acquired during a command is
// released before that command returns, on every path: both acquirers are RAII.
#pragma once

#include <array>
#include <cstdint>

#include "host/Host.h"

namespace morvel {

// Thrown (as a plain integer, which the dispatcher turns into an internal
// error) when a suite the cache was asked for cannot be had.
inline constexpr PF_Err SuiteUnavailable = PF_Err_BAD_CALLBACK_PARAM;
// Thrown by the single-suite acquirer after it has told the user.
inline constexpr PF_Err kSuiteMissingError = A_Err_MISSING_SUITE;

template <typename Suite>
struct SuiteTraits;

#define MORVEL_SUITE(Type, Slot, Name, Version)     \
    template <>                                     \
    struct SuiteTraits<Type> {                      \
        static constexpr int slot = Slot;           \
        static constexpr const char* name = Name;   \
        static constexpr int32_t version = Version; \
    }
MORVEL_SUITE(AEGP_UtilitySuite6, 0, kAEGPUtilitySuite, kAEGPUtilitySuiteVersion6);
MORVEL_SUITE(AEGP_PFInterfaceSuite1, 1, kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
MORVEL_SUITE(AEGP_LayerSuite1, 2, kAEGPLayerSuite, kAEGPLayerSuiteVersion1);
MORVEL_SUITE(AEGP_LayerSuite8, 3, kAEGPLayerSuite, kAEGPLayerSuiteVersion8);
MORVEL_SUITE(AEGP_LightSuite1, 4, kAEGPLightSuite, kAEGPLightSuiteVersion1);
MORVEL_SUITE(AEGP_StreamSuite1, 5, kAEGPStreamSuite, kAEGPStreamSuiteVersion1);
MORVEL_SUITE(PF_ParamUtilsSuite3, 6, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3);
MORVEL_SUITE(PF_GPUDeviceSuite1, 7, kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1);
#undef MORVEL_SUITE
inline constexpr int kSuiteSlots = 8;

// Acquires each suite on first request and keeps it for the rest of the
// command; releases every acquired suite, with its own name and version, at
// the end of its scope.
class HostSuiteCache {
public:
    explicit HostSuiteCache(SPBasicSuite* basic) : basic_(basic) {
        if (!basic_ || !basic_->AcquireSuite || !basic_->ReleaseSuite) throw SuiteUnavailable;
    }
    HostSuiteCache(const HostSuiteCache&) = delete;
    HostSuiteCache& operator=(const HostSuiteCache&) = delete;

    ~HostSuiteCache() {
        for (const Slot& s : slots_)
            if (s.suite) basic_->ReleaseSuite(s.name, s.version);
    }

    template <typename Suite>
    const Suite& Get() {
        using T = SuiteTraits<Suite>;
        Slot& s = slots_[T::slot];
        if (!s.suite) {
            const void* suite = nullptr;
            const SPErr err = basic_->AcquireSuite(T::name, T::version, &suite);
            if (err != 0 || !suite) {
                // An acquisition the host reported as done is owed its release,
                // even when it handed out nothing usable.
                if (err == 0) basic_->ReleaseSuite(T::name, T::version);
                throw SuiteUnavailable;
            }
            s = {suite, T::name, T::version};
        }
        return *static_cast<const Suite*>(s.suite);
    }

private:
    struct Slot {
        const void* suite = nullptr;
        const char* name = nullptr;
        int32_t version = 0;
    };
    SPBasicSuite* basic_;
    std::array<Slot, kSuiteSlots> slots_{};
};

// Acquires one suite for a scope. A failure is shown to the user through the
// host's message field before the command is abandoned.
template <typename Suite>
class ScopedSuite {
public:
    ScopedSuite(SPBasicSuite* basic, PF_InData* in_data, PF_OutData* out_data) : basic_(basic) {
        using T = SuiteTraits<Suite>;
        const void* suite = nullptr;
        SPErr err = PF_Err_BAD_CALLBACK_PARAM;
        if (basic_ && basic_->AcquireSuite && basic_->ReleaseSuite)
            err = basic_->AcquireSuite(T::name, T::version, &suite);
        if (err == 0 && suite) {
            suite_ = static_cast<const Suite*>(suite);
            return;
        }
        if (err == 0) basic_->ReleaseSuite(T::name, T::version);
        if (out_data) {
            out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
            if (in_data && in_data->utils && in_data->utils->ansi.sprintf)
                in_data->utils->ansi.sprintf(out_data->return_msg, "%s", "Not able to acquire AEFX Suite.");
        }
        throw kSuiteMissingError;
    }
    ScopedSuite(const ScopedSuite&) = delete;
    ScopedSuite& operator=(const ScopedSuite&) = delete;
    ~ScopedSuite() {
        using T = SuiteTraits<Suite>;
        basic_->ReleaseSuite(T::name, T::version);
    }

    const Suite& operator*() const { return *suite_; }
    const Suite* operator->() const { return suite_; }

private:
    SPBasicSuite* basic_;
    const Suite* suite_ = nullptr;
};

}  // namespace morvel
