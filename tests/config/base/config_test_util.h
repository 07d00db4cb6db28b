// Shared helpers of the configuration base tests: a fixture with empty hives in a temporary
// folder and the native registry view, a small record type, and short forms of registry calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "config/cfg_base.h"
#include "config/registry_view.h"
#include "platform/process_info.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace qel::test {

using namespace qel::platform;

class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() : env_("QEL_REGISTRY_DIR", dir_.path().string()) {
        reg_reset_for_tests();
        set_wow64_for_tests(std::nullopt);
        qel::config::ResetRegistryViewForTests();
    }
    ~ConfigTest() override {
        set_wow64_for_tests(std::nullopt);
        qel::config::ResetRegistryViewForTests();
        reg_reset_for_tests();
    }

    TempDir dir_;
    ScopedEnv env_;
};

// A record with one number ("Count", default 7) and one text ("Label", default "none").
class TestCfg : public CBTCfg {
public:
    explicit TestCfg(const char16_t* name = nullptr, const char16_t* path = u"Software\\Quorlan\\Test")
        : CBTCfg(name, path) {}
    void GetAll(HKEY hKey) override {
        DWORD size = sizeof count;
        DWORD type = 0;
        DWORD value = 0;
        if (reg_query_value(hKey, u"Count", &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value) {
            count = value;
        }
        char16_t text[MAX_PATH];
        size = sizeof text;
        if (reg_query_value(hKey, u"Label", &type, reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            label.assign(text, size / 2 > 0 ? size / 2 - 1 : 0);
        }
    }
    void PutAll(HKEY hKey) override {
        reg_set_value(hKey, u"Count", REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
        reg_set_value(hKey, u"Label", REG_SZ, reinterpret_cast<const BYTE*>(label.c_str()),
                      static_cast<DWORD>((label.size() + 1) * 2));
    }

    DWORD count = 7;
    std::u16string label = u"none";
};

inline bool key_exists(HKEY root, std::u16string_view path) {
    RegKey key;
    return reg_open_key(root, path, KEY_READ, key.put()) == ERROR_SUCCESS;
}

inline void make_key(HKEY root, std::u16string_view path) {
    RegKey key;
    ASSERT_EQ(reg_create_key(root, path, KEY_ALL_ACCESS, key.put(), nullptr), ERROR_SUCCESS);
}

inline DWORD value_count(HKEY root, std::u16string_view path) {
    RegKey key;
    if (reg_open_key(root, path, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    RegKeyInfo info;
    reg_query_info_key(key.get(), &info);
    return info.values;
}

inline std::vector<std::u16string> sub_keys(HKEY root, std::u16string_view path) {
    std::vector<std::u16string> names;
    RegKey key;
    if (reg_open_key(root, path, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    char16_t name[300];
    for (DWORD i = 0;; ++i) {
        DWORD len = 300;
        if (reg_enum_key(key.get(), i, name, &len) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

}  // namespace qel::test
