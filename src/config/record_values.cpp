#include "config/record_values.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/registry/name_fold.h"

namespace qel::config {

using namespace qel::platform;

void get_dword(HKEY key, std::u16string_view name, DWORD& field) {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) return;
    if (type == REG_DWORD && size == sizeof(value)) field = value;
}

void put_dword(HKEY key, std::u16string_view name, DWORD value) {
    reg_set_value(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void get_text(HKEY key, std::u16string_view name, std::u16string& field, std::size_t capacity) {
    std::vector<char16_t> buffer(capacity, u'\0');
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(capacity * sizeof(char16_t));
    if (reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return;
    if (type != REG_SZ) return;
    std::u16string_view text(buffer.data(), size / sizeof(char16_t));
    field.assign(text.substr(0, text.find(u'\0')));
}

std::u16string fit_text(std::u16string_view text, std::size_t capacity) {
    text = text.substr(0, text.find(u'\0'));
    return std::u16string(text.substr(0, capacity == 0 ? 0 : capacity - 1));
}

std::string fit_bytes(std::string_view text, std::size_t capacity) {
    text = text.substr(0, text.find('\0'));
    return std::string(text.substr(0, capacity == 0 ? 0 : capacity - 1));
}

void put_text(HKEY key, std::u16string_view name, std::u16string_view text, std::size_t capacity) {
    std::u16string stored = fit_text(text, capacity);
    auto size = static_cast<DWORD>((stored.size() + 1) * sizeof(char16_t));
    reg_set_value(key, name, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()), size);
}

void get_bytes(HKEY key, std::u16string_view name, std::span<BYTE> field) {
    std::vector<BYTE> buffer(field.size());
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(buffer.size());
    if (reg_query_value(key, name, &type, buffer.data(), &size) != ERROR_SUCCESS) return;
    if (type != REG_BINARY) return;
    std::copy_n(buffer.begin(), size, field.begin());
}

void put_bytes(HKEY key, std::u16string_view name, std::span<const BYTE> bytes, DWORD type) {
    reg_set_value(key, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void get_wide_binary(HKEY key, std::u16string_view name, std::u16string& field, std::size_t capacity) {
    std::vector<char16_t> buffer(capacity, u'\0');
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(capacity * sizeof(char16_t));
    if (reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) return;
    std::u16string_view text(buffer.data(), size / sizeof(char16_t));
    field = fit_text(text.substr(0, text.find(u'\0')), capacity);
}

void put_wide_binary(HKEY key, std::u16string_view name, std::u16string_view text, std::size_t capacity) {
    std::u16string stored = fit_text(text, capacity);
    reg_set_value(key, name, REG_BINARY, reinterpret_cast<const BYTE*>(stored.c_str()),
                  static_cast<DWORD>((stored.size() + 1) * sizeof(char16_t)));
}

void get_byte_vector(HKEY key, std::u16string_view name, std::vector<BYTE>& field, std::size_t capacity) {
    std::vector<BYTE> buffer(capacity);
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(buffer.size());
    if (reg_query_value(key, name, &type, buffer.data(), &size) != ERROR_SUCCESS || type != REG_BINARY) return;
    buffer.resize(size);
    field = std::move(buffer);
}

void get_byte_string(HKEY key, std::u16string_view name, std::string& field, std::size_t capacity) {
    std::vector<char> buffer(capacity, '\0');
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(capacity);
    if (reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return;
    std::string_view text(buffer.data(), size);
    field = fit_bytes(text, capacity);
}

void put_byte_string(HKEY key, std::u16string_view name, std::string_view text, std::size_t capacity,
                     DWORD type) {
    std::string stored = fit_bytes(text, capacity);
    reg_set_value(key, name, type, reinterpret_cast<const BYTE*>(stored.c_str()),
                  static_cast<DWORD>(stored.size() + 1));
}

bool equal_ignore_case(std::u16string_view a, std::u16string_view b) {
    return same_name(a, b);
}

}  // namespace qel::config
