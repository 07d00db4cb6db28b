// Shared helpers of the access-point database tests: a fixture with empty registry hives and a
// system directory in a temporary folder, and a writer of enciphered databases.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "dialup/providers/provider_database.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace qel::test {

class ProvidersTest : public ::testing::Test {
protected:
    ProvidersTest()
        : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
          system_env_("QEL_SYSTEM_DIR", (dir_.path() / "system").string()) {
        std::filesystem::create_directories(dir_.path() / "system");
        qel::platform::reg_reset_for_tests();
    }
    ~ProvidersTest() override { qel::platform::reg_reset_for_tests(); }

    std::filesystem::path file(std::string_view name) const { return dir_.path() / name; }

    // Enciphers a providers document into a file of the temporary folder; returns its path.
    std::string database(std::string_view name, std::string_view providers_xml) const {
        const std::filesystem::path path = file(name);
        EXPECT_EQ(qel::dialup::write_provider_database(path, providers_xml), 0u);
        return path.string();
    }

    TempDir dir_;
    ScopedEnv registry_env_;
    ScopedEnv system_env_;
};

}  // namespace qel::test
