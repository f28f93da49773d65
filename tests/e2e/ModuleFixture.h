// Where the modules under test live, and a session over the Linux module.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "minihost/Session.h"

namespace e2e {

// MORVEL_MODULE overrides the module built in this tree.
inline std::string LinuxModulePath() {
    const char* env = std::getenv("MORVEL_MODULE");
    return env && *env ? env : MORVEL_MODULE_PATH;
}

inline std::string WindowsModulePath() { return std::string(MORVEL_WINDOWS_BUILD_DIR) + "/entry/Morvel.aex"; }

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { session = std::make_unique<minihost::Session>(LinuxModulePath()); }
    // Global and parameter setup, as the host sends them before anything else.
    void SetUpEffect() {
        ASSERT_EQ(session->GlobalSetup().err, PF_Err_NONE);
        ASSERT_EQ(session->ParamsSetup().err, PF_Err_NONE);
        session->suites().ClearEvents();
        session->params().ClearRecords();
    }
    std::unique_ptr<minihost::Session> session;
};

}  // namespace e2e
