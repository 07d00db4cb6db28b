// The extra initialisation string ("UserInit") of the modem installed on a COM port: found among
// the modem class's instance keys by its "AttachedTo" value, replaced, and put back later.
// Registry strings are UTF-16; the dialer's texts are 8-bit in the ANSI code page, as the
// platform's 8-bit registry calls would convert them.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "dialup/dialer/dialer.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"

namespace {

using qel::platform::RegKey;

constexpr char kModemClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\";
constexpr DWORD kAttachedToBytes = 10;

std::u16string instance_key(int instance) {
    char number[8];
    std::snprintf(number, sizeof number, "%.4d", instance);
    return qel::platform::to_utf16(std::string(kModemClassKey) + number, CP_UTF8);
}

// A string value as 8-bit text in the ANSI code page; nothing when it is absent or unreadable.
// The text is cut to max_bytes - 1 bytes unless `must_fit`, which then refuses a longer one.
std::optional<std::string> query_ansi_string(HKEY key, std::u16string_view name, DWORD max_bytes, bool must_fit) {
    DWORD type = 0;
    DWORD size = 0;
    if (qel::platform::reg_query_value(key, name, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::vector<BYTE> data(size);
    if (size && qel::platform::reg_query_value(key, name, &type, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string text;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::u16string wide(size / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) wide[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
        wide.resize(wide.find(u'\0') == std::u16string::npos ? wide.size() : wide.find(u'\0'));
        text = qel::platform::from_utf16(wide, qel::platform::ansi_code_page());
    } else {
        text.assign(data.begin(), data.end());
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    }
    if (text.size() + 1 > max_bytes) {
        if (must_fit) return std::nullopt;
        text.resize(max_bytes - 1);
    }
    return text;
}

LSTATUS set_ansi_string(HKEY key, std::u16string_view name, const std::string& text) {
    const std::u16string wide = qel::platform::to_utf16(text, qel::platform::ansi_code_page());
    std::vector<BYTE> data;
    data.reserve((wide.size() + 1) * 2);
    for (char16_t c : wide) {
        data.push_back(BYTE(c & 0xFF));
        data.push_back(BYTE(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return qel::platform::reg_set_value(key, name, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
}

// The COM port number named by an "AttachedTo" value ("COM7", "com12"), or -1.
long attached_port(std::string attached) {
    for (char& c : attached) c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    const std::size_t at = attached.find("COM");
    if (at == std::string::npos) return -1;
    return std::strtol(attached.c_str() + at + 3, nullptr, 10);
}

}  // namespace

int32_t CDialer::saveModemSetting(uint32_t dwPortNumber, const char* sczInitializeModemString) {
    m_szSavedInit[0] = '\0';
    m_nSavedInstance = -1;
    for (int instance = 0; instance < kModemInstances; ++instance) {
        RegKey key;
        if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, instance_key(instance), KEY_READ | KEY_WRITE, key.put()) !=
            ERROR_SUCCESS) {
            return -1;
        }
        const std::optional<std::string> attached = query_ansi_string(key.get(), u"AttachedTo", kAttachedToBytes, true);
        if (!attached) return -1;
        if (attached_port(*attached) != static_cast<long>(dwPortNumber)) continue;

        m_nSavedInstance = instance;
        const std::string saved = query_ansi_string(key.get(), u"UserInit", kInitStringSize, false).value_or("");
        std::snprintf(m_szSavedInit, sizeof m_szSavedInit, "%s", saved.c_str());
        const std::string text = sczInitializeModemString ? sczInitializeModemString : "";
        return set_ansi_string(key.get(), u"UserInit", text) == ERROR_SUCCESS ? instance : -1;
    }
    return -1;
}

void CDialer::restoreModemSetting() {
    if (m_nSavedInstance < 0) return;
    RegKey key;
    if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, instance_key(m_nSavedInstance), KEY_WRITE, key.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    if (m_szSavedInit[0] == '\0') {
        qel::platform::reg_delete_value(key.get(), u"UserInit");
    } else {
        set_ansi_string(key.get(), u"UserInit", m_szSavedInit);
    }
}
