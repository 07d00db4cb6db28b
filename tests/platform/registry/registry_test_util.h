// Shared helpers of the registry tests: a fixture that points the registry at a fresh temporary
// folder, and short forms of the calls the tests make again and again.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/reg_file.h"
#include "support/test_support.h"

namespace qel::test {

using namespace qel::platform;

// Every test gets empty hives in its own folder.
class RegistryTest : public ::testing::Test {
protected:
    RegistryTest() : env_("QEL_REGISTRY_DIR", dir_.path().string()) { reg_reset_for_tests(); }
    ~RegistryTest() override { reg_reset_for_tests(); }

    TempDir dir_;
    ScopedEnv env_;
};

inline std::u16string u16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

inline RegKey create(HKEY parent, std::u16string_view path, DWORD access = KEY_ALL_ACCESS,
                     DWORD* disposition = nullptr) {
    RegKey key;
    LSTATUS st = reg_create_key(parent, path, access, key.put(), disposition);
    EXPECT_EQ(st, ERROR_SUCCESS);
    return key;
}

inline LSTATUS set_bytes(HKEY key, std::u16string_view name, DWORD type, const std::vector<BYTE>& data) {
    return reg_set_value(key, name, type, data.data(), static_cast<DWORD>(data.size()));
}

// A string value with its terminator, as callers normally store it.
inline LSTATUS set_sz(HKEY key, std::u16string_view name, std::u16string_view text) {
    std::u16string s(text);
    return reg_set_value(key, name, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                         static_cast<DWORD>((s.size() + 1) * sizeof(char16_t)));
}

inline LSTATUS set_dword(HKEY key, std::u16string_view name, DWORD v) {
    return reg_set_value(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

struct Value {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

inline std::optional<Value> query(HKEY key, std::u16string_view name) {
    Value v;
    DWORD size = 0;
    if (reg_query_value(key, name, &v.type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    v.data.resize(size);
    if (reg_query_value(key, name, &v.type, v.data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    v.data.resize(size);
    return v;
}

inline std::optional<DWORD> query_dword(HKEY key, std::u16string_view name) {
    auto v = query(key, name);
    if (!v || v->type != REG_DWORD || v->data.size() != 4) return std::nullopt;
    DWORD out = 0;
    std::memcpy(&out, v->data.data(), 4);
    return out;
}

// A key's sub-key names and value names in enumeration order.
inline RegKeyContents contents(HKEY key) {
    RegKeyContents c;
    EXPECT_EQ(read_reg_key(key, &c), ERROR_SUCCESS);
    return c;
}
inline std::vector<std::u16string> sub_keys(HKEY key) { return contents(key).sub_keys; }
inline std::vector<std::u16string> value_names(HKEY key) {
    std::vector<std::u16string> names;
    for (const auto& v : contents(key).values) names.push_back(v.name);
    return names;
}

}  // namespace qel::test
