// Shared helpers of the record tests: a fixture with empty hives in a temporary folder, and short
// forms of the registry calls that set up or inspect stored records.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace qel::test {

using namespace qel::platform;

class RecordsTest : public ::testing::Test {
protected:
    RecordsTest() : env_("QEL_REGISTRY_DIR", dir_.path().string()) { reg_reset_for_tests(); }
    ~RecordsTest() override { reg_reset_for_tests(); }

    TempDir dir_;
    ScopedEnv env_;
};

inline std::u16string u16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline RegKey create_key(HKEY root, std::u16string_view path) {
    RegKey key;
    EXPECT_EQ(reg_create_key(root, path, KEY_ALL_ACCESS, key.put(), nullptr), ERROR_SUCCESS);
    return key;
}

inline bool key_exists(HKEY root, std::u16string_view path) {
    RegKey key;
    return reg_open_key(root, path, KEY_READ, key.put()) == ERROR_SUCCESS;
}

inline void set_dword(HKEY root, std::u16string_view path, std::u16string_view name, DWORD value) {
    RegKey key = create_key(root, path);
    ASSERT_EQ(reg_set_value(key.get(), name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
}

inline void set_text(HKEY root, std::u16string_view path, std::u16string_view name, std::u16string_view text) {
    RegKey key = create_key(root, path);
    std::u16string s(text);
    ASSERT_EQ(reg_set_value(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                            static_cast<DWORD>((s.size() + 1) * 2)),
              ERROR_SUCCESS);
}

inline void set_binary(HKEY root, std::u16string_view path, std::u16string_view name, const std::vector<BYTE>& data) {
    RegKey key = create_key(root, path);
    ASSERT_EQ(reg_set_value(key.get(), name, REG_BINARY, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
}

// The value's data, or nothing when it is missing.
inline std::optional<std::vector<BYTE>> value_bytes(HKEY root, std::u16string_view path, std::u16string_view name,
                                                    DWORD* type = nullptr) {
    RegKey key;
    if (reg_open_key(root, path, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD size = 0;
    if (reg_query_value(key.get(), name, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (reg_query_value(key.get(), name, type, data.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    return data;
}

inline std::optional<DWORD> stored_dword(HKEY root, std::u16string_view path, std::u16string_view name) {
    auto data = value_bytes(root, path, name);
    if (!data || data->size() != 4) return std::nullopt;
    DWORD v;
    std::memcpy(&v, data->data(), 4);
    return v;
}

inline std::optional<std::u16string> stored_text(HKEY root, std::u16string_view path, std::u16string_view name) {
    auto data = value_bytes(root, path, name);
    if (!data) return std::nullopt;
    std::u16string text(data->size() / 2, u'\0');
    std::memcpy(text.data(), data->data(), text.size() * 2);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

// Value names of a key in enumeration (creation) order.
inline std::vector<std::u16string> value_names(HKEY root, std::u16string_view path) {
    std::vector<std::u16string> names;
    RegKey key;
    if (reg_open_key(root, path, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    std::vector<char16_t> name(16384);  // the longest value name a key can hold
    for (DWORD i = 0;; ++i) {
        auto length = static_cast<DWORD>(name.size());
        if (reg_enum_value(key.get(), i, name.data(), &length, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

inline std::vector<std::u16string> sub_keys(HKEY root, std::u16string_view path) {
    std::vector<std::u16string> names;
    RegKey key;
    if (reg_open_key(root, path, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        char16_t name[300];
        DWORD length = 300;
        if (reg_enum_key(key.get(), i, name, &length) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

}  // namespace qel::test
