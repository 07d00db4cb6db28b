// Shared by the facade tests: a private registry with the facade trace switched on (so trace lines
// reach the captured debugger stream), a private runtime folder for window endpoints, the fast
// time scale, and a recorder of the events that reach the facade's pending receivers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "facade/pending_receivers.h"
#include "facade/qel_config_access.h"
#include "platform/debug_stream.h"
#include "platform/registry/registry.h"
#include "platform/sync/clock.h"
#include "support/test_support.h"
#include "trace/trace_switches.h"

namespace qel::test {

class FacadeTest : public ::testing::Test {
protected:
    FacadeTest() {
        std::filesystem::create_directories(dir_.path() / "registry");
        std::filesystem::create_directories(dir_.path() / "runtime");
        platform::reg_reset_for_tests();
        trace::reset_trace_for_tests();
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            platform::RegKey key;
            EXPECT_EQ(platform::reg_create_key(root, u"Software\\Quorlan\\BTConfig\\Debug", KEY_ALL_ACCESS,
                                               key.put(), nullptr),
                      ERROR_SUCCESS);
            const DWORD on = 1;
            if (root == HKEY_CURRENT_USER) {
                EXPECT_EQ(platform::reg_set_value(key.get(), u"app_trace_level", REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&on), sizeof on),
                          ERROR_SUCCESS);
            }
        }
    }
    ~FacadeTest() override {
        trace::reset_trace_for_tests();
        platform::reg_reset_for_tests();
    }

    // Events that reached pending receivers, in arrival order (any thread).
    std::vector<qbtapiM::detail::PendingEvent> pending() const {
        std::lock_guard guard(pending_lock_);
        return pending_;
    }

    static std::uint32_t index_of(const qbtapiM::QelConfig& facade) {
        return qbtapiM::detail::QelConfigAccess::instance_index(facade);
    }

    TempDir dir_;
    ScopedEnv registry_env_{"QEL_REGISTRY_DIR", (dir_.path() / "registry").string()};
    ScopedEnv runtime_env_{"XDG_RUNTIME_DIR", (dir_.path() / "runtime").string()};
    platform::ScopedTimeScale fast_{0.001};

private:
    mutable std::mutex pending_lock_;
    std::vector<qbtapiM::detail::PendingEvent> pending_;  // guarded by pending_lock_

protected:
    qbtapiM::detail::ScopedPendingProbe probe_{[this](const qbtapiM::detail::PendingEvent& e) {
        std::lock_guard guard(pending_lock_);
        pending_.push_back(e);
    }};
};

}  // namespace qel::test
