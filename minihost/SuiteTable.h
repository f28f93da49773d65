// The suites a session serves through its SPBasicSuite, by name and numeric
// version, with fault injection: a suite can be withheld (AcquireSuite fails,
// or succeeds with a null table) and any suite function can be made to fail.
// Every acquire and release is recorded so tests can check they balance.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/SPBasic.h"

namespace minihost {

// The error the host's suite broker returns for a suite it does not have ('S!Fd').
inline constexpr SPErr kSPSuiteNotFoundError = 0x53214664;

enum class SuiteMode {
    Available,
    AcquireFails,  // AcquireSuite returns the configured error and no table
    NullSuite,     // AcquireSuite returns success with a null table
};

struct SuiteEvent {
    enum class Kind { Acquire, Release } kind;
    std::string name;
    int32_t version = 0;
    SPErr result = 0;
};

class SuiteTable {
public:
    SuiteTable();
    SuiteTable(const SuiteTable&) = delete;
    SuiteTable& operator=(const SuiteTable&) = delete;

    // `table` is a function-pointer struct with static storage duration.
    void Add(const std::string& name, int32_t version, const void* table);
    void SetMode(const std::string& name, int32_t version, SuiteMode mode, SPErr error = kSPSuiteNotFoundError);
    // Makes every suite function with this name (e.g. "PF_UpdateParamUI") return `error`.
    void FailFunction(const std::string& function, int32_t error);
    void ClearFunctionFailures();
    std::optional<int32_t> FunctionFailure(const std::string& function) const;

    SPErr Acquire(const char* name, int32_t version, const void** suite);
    SPErr Release(const char* name, int32_t version);

    std::vector<SuiteEvent> Events() const;
    void ClearEvents();
    // Tables handed out and not yet released, per "name vN".
    std::map<std::string, int> Outstanding() const;
    int AcquireCount(const std::string& name, int32_t version) const;
    int ReleaseCount(const std::string& name, int32_t version) const;

    // The basic suite handed to the effect; its functions reach this table
    // through the session current on the calling thread.
    SPBasicSuite* Basic() { return &basic_; }

private:
    struct Entry {
        const void* table = nullptr;
        SuiteMode mode = SuiteMode::Available;
        SPErr error = kSPSuiteNotFoundError;
    };
    using Key = std::pair<std::string, int32_t>;

    mutable std::mutex mutex_;
    std::map<Key, Entry> suites_;
    std::map<std::string, int32_t> failing_functions_;
    std::vector<SuiteEvent> events_;
    std::map<Key, int> outstanding_;
    SPBasicSuite basic_;
};

}  // namespace minihost
