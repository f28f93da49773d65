#include "minihost/SuiteTable.h"

#include <cstdlib>
#include <cstring>

#include "minihost/Session.h"

namespace minihost {
namespace {

SuiteTable* CurrentTable() {
    Session* s = Session::Current();
    return s ? &s->suites() : nullptr;
}

SPErr AcquireSuite(const char* name, int32_t version, const void** suite) {
    SuiteTable* t = CurrentTable();
    if (suite) *suite = nullptr;
    return t ? t->Acquire(name, version, suite) : kSPSuiteNotFoundError;
}

SPErr ReleaseSuite(const char* name, int32_t version) {
    SuiteTable* t = CurrentTable();
    return t ? t->Release(name, version) : kSPSuiteNotFoundError;
}

SPBoolean IsEqual(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

SPErr AllocateBlock(size_t size, void** block) {
    if (!block) return kSPSuiteNotFoundError;
    *block = std::malloc(size ? size : 1);
    return *block ? 0 : 4;
}

SPErr FreeBlock(void* block) {
    std::free(block);
    return 0;
}

SPErr ReallocateBlock(void* block, size_t size, void** new_block) {
    if (!new_block) return kSPSuiteNotFoundError;
    *new_block = std::realloc(block, size ? size : 1);
    return *new_block ? 0 : 4;
}

SPErr Undefined() { return kSPSuiteNotFoundError; }

std::string Label(const std::string& name, int32_t version) { return name + " v" + std::to_string(version); }

}  // namespace

SuiteTable::SuiteTable()
    : basic_{AcquireSuite, ReleaseSuite, IsEqual, AllocateBlock, FreeBlock, ReallocateBlock, Undefined} {}

void SuiteTable::Add(const std::string& name, int32_t version, const void* table) {
    std::lock_guard lock(mutex_);
    suites_[{name, version}].table = table;
}

void SuiteTable::SetMode(const std::string& name, int32_t version, SuiteMode mode, SPErr error) {
    std::lock_guard lock(mutex_);
    Entry& e = suites_[{name, version}];
    e.mode = mode;
    e.error = error;
}

void SuiteTable::FailFunction(const std::string& function, int32_t error) {
    std::lock_guard lock(mutex_);
    failing_functions_[function] = error;
}

void SuiteTable::ClearFunctionFailures() {
    std::lock_guard lock(mutex_);
    failing_functions_.clear();
}

std::optional<int32_t> SuiteTable::FunctionFailure(const std::string& function) const {
    std::lock_guard lock(mutex_);
    auto it = failing_functions_.find(function);
    if (it == failing_functions_.end()) return std::nullopt;
    return it->second;
}

SPErr SuiteTable::Acquire(const char* name, int32_t version, const void** suite) {
    std::lock_guard lock(mutex_);
    const std::string n = name ? name : "";
    SPErr result = kSPSuiteNotFoundError;
    const void* table = nullptr;
    auto it = suites_.find({n, version});
    if (suite && it != suites_.end() && it->second.table) {
        switch (it->second.mode) {
            case SuiteMode::Available:
                table = it->second.table;
                result = 0;
                break;
            case SuiteMode::AcquireFails:
                result = it->second.error;
                break;
            case SuiteMode::NullSuite:
                result = 0;
                break;
        }
    }
    if (suite) *suite = table;
    // Only a table actually handed out is owed a release; the null-suite
    // fault hands out nothing.
    if (table) ++outstanding_[{n, version}];
    events_.push_back({SuiteEvent::Kind::Acquire, n, version, result});
    return result;
}

SPErr SuiteTable::Release(const char* name, int32_t version) {
    std::lock_guard lock(mutex_);
    const std::string n = name ? name : "";
    SPErr result = kSPSuiteNotFoundError;
    auto it = outstanding_.find({n, version});
    if (it != outstanding_.end() && it->second > 0) {
        --it->second;
        result = 0;
    }
    events_.push_back({SuiteEvent::Kind::Release, n, version, result});
    return result;
}

std::vector<SuiteEvent> SuiteTable::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void SuiteTable::ClearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

std::map<std::string, int> SuiteTable::Outstanding() const {
    std::lock_guard lock(mutex_);
    std::map<std::string, int> out;
    for (const auto& [key, count] : outstanding_)
        if (count != 0) out[Label(key.first, key.second)] = count;
    return out;
}

int SuiteTable::AcquireCount(const std::string& name, int32_t version) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const SuiteEvent& e : events_)
        if (e.kind == SuiteEvent::Kind::Acquire && e.name == name && e.version == version) ++n;
    return n;
}

int SuiteTable::ReleaseCount(const std::string& name, int32_t version) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const SuiteEvent& e : events_)
        if (e.kind == SuiteEvent::Kind::Release && e.name == name && e.version == version) ++n;
    return n;
}

}  // namespace minihost
