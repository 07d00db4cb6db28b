#include "trace/debug_values.h"

#include <array>

#include "platform/registry/registry.h"
#include "platform/text/text.h"

namespace qel::trace {
namespace {

using qel::platform::RegKey;

HKEY root(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::optional<DWORD> query_dword(HKEY key, std::u16string_view name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    if (qel::platform::reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// A string value read into a buffer of `bytes` bytes; nothing when it does not fit.
std::optional<std::u16string> query_string(HKEY key, std::u16string_view name, DWORD bytes) {
    std::array<char16_t, MAX_PATH + 1> buffer{};
    DWORD size = std::min<DWORD>(bytes, sizeof(char16_t) * (MAX_PATH + 1));
    DWORD type = REG_NONE;
    if (qel::platform::reg_query_value(key, name, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::u16string text(buffer.data(), size / sizeof(char16_t));
    if (auto nul = text.find(u'\0'); nul != std::u16string::npos) text.resize(nul);
    return text;
}

}  // namespace

FacadeSwitches read_facade_switches() {
    FacadeSwitches s;
    RegKey key;
    if (qel::platform::reg_open_key(HKEY_CURRENT_USER, kDebugKey, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return s;
    s.app_trace_level = query_dword(key.get(), u"app_trace_level");
    if (!s.app_trace_level) s.trace_level = query_dword(key.get(), u"trace_level");
    const std::optional<DWORD> deciding = s.app_trace_level ? s.app_trace_level : s.trace_level;
    s.level = deciding && *deciding != 0 ? 1 : 0;
    // 260 bytes, as the log file name's buffer holds.
    if (auto name = query_string(key.get(), u"LogFileName", MAX_PATH)) s.log_file_name = *name;
    return s;
}

std::optional<DWORD> read_dword(bool machine, std::u16string_view key_name, std::u16string_view name) {
    RegKey key;
    if (qel::platform::reg_open_key(root(machine), key_name, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return query_dword(key.get(), name);
}

std::string read_install_dir() {
    RegKey key;
    if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, kInstallKey, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return {};
    auto dir = query_string(key.get(), u"INSTALLDIR", sizeof(char16_t) * (MAX_PATH + 1));
    return dir ? qel::platform::from_utf16(*dir, CP_UTF8) : std::string();
}

}  // namespace qel::trace
