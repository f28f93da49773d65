// The fake NVIDIA driver the CUDA host tests run against here (tests/fakecuda),
// reached through the library the process loaded as libcuda.so.1. On a GPU machine
// that library is the real driver, and the fake's controls are absent.
#pragma once

#include <dlfcn.h>

#include <string>

namespace morvel::test {

class FakeDriver {
public:
    FakeDriver() {
        lib_ = dlopen("libcuda.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!lib_) return;
        fault_ = reinterpret_cast<void (*)(const char*)>(dlsym(lib_, "fakeCudaFault"));
        live_ = reinterpret_cast<void (*)(long*, long*, long*, long*)>(dlsym(lib_, "fakeCudaLive"));
        launches_ = reinterpret_cast<long (*)()>(dlsym(lib_, "fakeCudaLaunches"));
    }
    ~FakeDriver() {
        if (lib_) dlclose(lib_);
    }
    FakeDriver(const FakeDriver&) = delete;
    FakeDriver& operator=(const FakeDriver&) = delete;

    bool present() const { return fault_ && live_ && launches_; }

    // Empty when the fake is the driver this process loads; else why the cases that
    // steer it cannot run.
    std::string Missing() const {
        if (!lib_) return "no libcuda.so.1 on the library path (run through ctest, which puts the fake there)";
        if (!present()) return "libcuda.so.1 is a real NVIDIA driver: faults are injected only through the fake";
        return {};
    }

    // "launch", "kernel" (fails on the device, seen at the synchronisation), "sync",
    // "copy", "alloc", "push", "retain", "load", "function", with ":N" for the Nth call.
    // Harmless where the driver is the real one.
    void Fault(const std::string& spec) {
        if (fault_) fault_(spec.c_str());
    }
    void Clear() { Fault(""); }
    long Launches() { return launches_ ? launches_() : 0; }

    struct Live {
        long retains = 0, streams = 0, modules = 0, allocations = 0;
        bool operator==(const Live&) const = default;
    };
    Live Held() {
        Live l;
        if (live_) live_(&l.retains, &l.streams, &l.modules, &l.allocations);
        return l;
    }

private:
    void* lib_ = nullptr;
    void (*fault_)(const char*) = nullptr;
    void (*live_)(long*, long*, long*, long*) = nullptr;
    long (*launches_)() = nullptr;
};

}  // namespace morvel::test
