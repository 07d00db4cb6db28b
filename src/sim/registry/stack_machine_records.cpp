// The modem class entries and the installation record of a simulated world.
#include "sim/registry/stack_machine_records.h"

#include <cstdio>
#include <optional>
#include <system_error>

#include "platform/process_info.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"

namespace qel::sim {

namespace {

using platform::RegKey;

inline constexpr char16_t kInstallPath[] = u"Software\\Quorlan\\Install";

LSTATUS set_string(HKEY key, std::u16string_view name, std::u16string_view text) {
    std::u16string data(text);
    return platform::reg_set_value(key, name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                   DWORD((data.size() + 1) * sizeof(char16_t)));
}

// A string value, or nothing when it is absent or not a string.
std::optional<std::u16string> get_string(HKEY key, std::u16string_view name) {
    DWORD type = 0, size = 0;
    if (platform::reg_query_value(key, name, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ) {
        return std::nullopt;
    }
    std::u16string text(size / sizeof(char16_t) + 1, u'\0');
    if (platform::reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(size / sizeof(char16_t));
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::u16string upper(std::u16string s) {
    for (auto& c : s) {
        if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    }
    return s;
}

std::u16string instance_name(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return platform::to_utf16(buf);
}

}  // namespace

LSTATUS write_modem_class_entry(std::string_view port_name, std::string_view friendly_name, int* instance) {
    RegKey cls;
    if (LSTATUS rc = platform::reg_create_key(HKEY_LOCAL_MACHINE, kModemClassPath, KEY_ALL_ACCESS, cls.put(), nullptr)) {
        return rc;
    }
    const std::u16string port = platform::to_utf16(std::string(port_name));
    // The entry of this port, else the first number without an entry.
    int n = 0;
    for (; n <= 9999; ++n) {
        RegKey entry;
        if (platform::reg_open_key(cls.get(), instance_name(n), KEY_READ, entry.put()) != ERROR_SUCCESS) break;
        const auto attached = get_string(entry.get(), u"AttachedTo");
        if (attached && upper(*attached) == upper(port)) break;
    }
    if (n > 9999) return ERROR_NO_MORE_ITEMS;
    RegKey entry;
    if (LSTATUS rc = platform::reg_create_key(cls.get(), instance_name(n), KEY_ALL_ACCESS, entry.put(), nullptr)) {
        return rc;
    }
    const std::u16string friendly = platform::to_utf16(std::string(friendly_name));
    for (auto [name, text] : {std::pair<std::u16string_view, std::u16string_view>{u"AttachedTo", port},
                              {u"FriendlyName", friendly},
                              {u"DriverDesc", u"Standard Modem over Bluetooth link"}}) {
        if (LSTATUS rc = set_string(entry.get(), name, text)) return rc;
    }
    if (instance) *instance = n;
    return ERROR_SUCCESS;
}

std::filesystem::path program_data_dir() {
    std::error_code ec;
    const auto exe = platform::executable_path().value_or(std::filesystem::current_path(ec) / "qelcfg");
    return ((exe.parent_path() / ".." / "share" / "qelcfg").lexically_normal() / "");
}

LSTATUS write_install_record_if_missing() {
    RegKey key;
    if (LSTATUS rc = platform::reg_create_key(HKEY_LOCAL_MACHINE, kInstallPath, KEY_ALL_ACCESS, key.put(), nullptr)) {
        return rc;
    }
    if (const auto dir = get_string(key.get(), u"INSTALLDIR"); dir && !dir->empty()) return ERROR_SUCCESS;
    return set_string(key.get(), u"INSTALLDIR", platform::to_utf16(program_data_dir().string()));
}

}  // namespace qel::sim
