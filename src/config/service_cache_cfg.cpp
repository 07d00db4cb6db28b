#include "config/service_cache_cfg.h"

#include <optional>
#include <set>
#include <vector>

#include "config/cfg_iterator.h"
#include "config/code_page.h"
#include "config/record_values.h"
#include "config/reg_key.h"
#include "config/registry_view.h"
#include "config/service_cfg.h"
#include "platform/text/text.h"

using namespace qel::config;

namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

// True when `text` begins with `prefix`, ignoring letter case.
bool begins_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equal_nocase(text.substr(0, prefix.size()), prefix);
}

// Compares at most `count` characters ignoring case, as far as both texts go: texts that end
// together before `count` compare equal.
bool equal_nocase_n(std::string_view a, std::string_view b, std::size_t count) {
    return equal_nocase(a.substr(0, count), b.substr(0, count));
}

std::string to_native(std::string_view utf8) {
    std::string input(utf8);
    std::vector<char> native(CBTServiceCacheCfg::kNameBytes, '\0');
    BtUtf8ToNative(input.c_str(), CP_UTF8, native.data(), CP_ACP, static_cast<int>(native.size()));
    return std::string(native.data());
}

// The cache entries of a device, in enumeration order.
std::vector<std::u16string> cache_keys(const CfgBdAddr& bda) {
    std::vector<std::u16string> names;
    CBTServiceCacheCfgIterator it(bda.data());
    char16_t name[MAX_PATH];
    while (it.GetNext(name)) names.emplace_back(name);
    return names;
}

std::u16string number_name(unsigned number) {
    std::string text = std::to_string(number);
    return std::u16string(text.begin(), text.end());
}

}  // namespace

CBTServiceCacheCfg::CBTServiceCacheCfg() : CBTCfg(nullptr, kDevicesPath) { SetBaseKey(HKEY_LOCAL_MACHINE); }

CBTServiceCacheCfg::CBTServiceCacheCfg(const char16_t* pszBD_ADDR, const char16_t* szKeyIndex)
    : CBTCfg(szKeyIndex, nullptr) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
    SetDevice(pszBD_ADDR != nullptr ? std::u16string_view(pszBD_ADDR) : std::u16string_view());
}

CBTServiceCacheCfg::CBTServiceCacheCfg(const CfgBdAddr& bda, const char16_t* szKeyIndex)
    : CBTCfg(szKeyIndex, nullptr) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
    SetDevice(DeviceKeyName(bda));
}

CBTServiceCacheCfg::CBTServiceCacheCfg(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid)
    : CBTCfg(nullptr, nullptr) {
    FindOrAllocate(bda, szServiceNameUTF8, uuid, false, 0, 0);
}

CBTServiceCacheCfg::CBTServiceCacheCfg(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid,
                                       DWORD bSecurity, DWORD bDefault)
    : CBTCfg(nullptr, nullptr) {
    FindOrAllocate(bda, szServiceNameUTF8, uuid, true, bSecurity, bDefault);
}

void CBTServiceCacheCfg::SetDevice(std::u16string_view szDevKeyName) {
    m_szDevKeyName = fit_text(szDevKeyName, kDevKeyChars);
    SetKeyPath((std::u16string(kDevicesPath) + u"\\" + m_szDevKeyName).c_str());
}

void CBTServiceCacheCfg::FindOrAllocate(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid,
                                        bool bUseParams, DWORD bSecurity, DWORD bDefault) {
    m_dwUUID = uuid;
    SetBaseKey(HKEY_LOCAL_MACHINE);
    SetDevice(DeviceKeyName(bda));
    m_szServiceNameUTF8 = fit_bytes(szServiceNameUTF8, kNameBytes);
    m_szServiceNameNative = to_native(m_szServiceNameUTF8);
    if (m_szServiceNameNative.empty() || m_szServiceNameNative.find('?') != std::string::npos) {
        // The native code page lacks a character of the name: the application's name stands in.
        std::u16string appName;
        if (CBTAppCfg::GetApplicationName(uuid, &appName))
            m_szServiceNameNative =
                fit_bytes(qel::platform::from_utf16(appName, qel::platform::ansi_code_page()), kNameBytes);
    }

    const std::string& utf8 = m_szServiceNameUTF8;
    const std::string& native = m_szServiceNameNative;
    std::vector<std::u16string> keys = cache_keys(bda);
    for (const std::u16string& key : keys) {
        CBTServiceCacheCfg entry(bda, key.c_str());
        if (entry.Read() != ERROR_SUCCESS || entry.m_dwUUID != uuid) continue;
        bool match = equal_nocase(entry.m_szServiceNameUTF8, utf8) || begins_nocase(entry.m_szServiceNameUTF8, utf8) ||
                     equal_nocase(entry.m_szServiceNameNative, native) ||
                     equal_nocase_n(entry.m_szServiceNameNative, native, utf8.size());
        if (!match) continue;
        // The matching entry's own key name: its position in the enumeration is not its number
        // once entries were deleted or "10" sorts before "2".
        SetKeyName(key.c_str());
        m_dwSecurity = bUseParams ? bSecurity : entry.m_dwSecurity;
        m_dwDefaultConnection = bUseParams ? bDefault : entry.m_dwDefaultConnection;
        return;
    }

    // A new entry: the number of entries, or the next number up that no entry holds.
    std::set<std::u16string> taken;
    for (const std::u16string& key : keys) {
        std::string ascii;
        for (char16_t c : key) ascii.push_back(fold(static_cast<char>(c < 0x80 ? c : '?')));
        taken.insert(std::u16string(ascii.begin(), ascii.end()));
    }
    auto number = static_cast<unsigned>(keys.size());
    while (taken.count(number_name(number)) != 0) ++number;
    SetKeyName(number_name(number).c_str());
    m_dwSecurity = bUseParams ? bSecurity : 0;
    m_dwDefaultConnection = bUseParams ? bDefault : 0;
}

void CBTServiceCacheCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"UUID", m_dwUUID);
    m_dwSecurity = 0;
    get_dword(hKey, u"Security", m_dwSecurity);
    m_dwDefaultConnection = 0;
    get_dword(hKey, u"DefaultConnection", m_dwDefaultConnection);
    m_dwSdpAttr = 0;
    get_dword(hKey, u"SdpAttr", m_dwSdpAttr);
    get_byte_string(hKey, u"ServiceNameUTF8", m_szServiceNameUTF8, kNameBytes);
    get_byte_string(hKey, u"ServiceNameNative", m_szServiceNameNative, kNameBytes);
}

void CBTServiceCacheCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"UUID", m_dwUUID);
    put_dword(hKey, u"Security", m_dwSecurity);
    put_dword(hKey, u"DefaultConnection", m_dwDefaultConnection);
    put_dword(hKey, u"SdpAttr", m_dwSdpAttr);
    put_byte_string(hKey, u"ServiceNameUTF8", m_szServiceNameUTF8, kNameBytes);
    put_byte_string(hKey, u"ServiceNameNative", m_szServiceNameNative, kNameBytes);
}

bool CBTServiceCacheCfg::IsEqualCfg(const CBTServiceCacheCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && m_szServiceNameUTF8 == other.m_szServiceNameUTF8 &&
           m_szDevKeyName == other.m_szDevKeyName && m_dwUUID == other.m_dwUUID &&
           m_dwSecurity == other.m_dwSecurity && m_dwDefaultConnection == other.m_dwDefaultConnection &&
           m_dwSdpAttr == other.m_dwSdpAttr;
}

void CBTServiceCacheCfg::CopyCfg(const CBTServiceCacheCfg& other) {
    CBTCfg::CopyCfg(other);
    m_dwUUID = other.m_dwUUID;
    m_dwSecurity = other.m_dwSecurity;
    m_dwDefaultConnection = other.m_dwDefaultConnection;
    m_szDevKeyName = other.m_szDevKeyName;
    m_dwSdpAttr = other.m_dwSdpAttr;
    m_szServiceNameUTF8 = other.m_szServiceNameUTF8;
    m_szServiceNameNative = other.m_szServiceNameNative;
}

bool CBTServiceCacheCfg::Delete(const CfgBdAddr& bda, std::string_view szServiceNameUTF8, DWORD uuid) {
    // Walks the entries by their stored names: with gaps in the numbering, entry "%d" of the
    // enumeration index may be missing or another entry.
    for (const std::u16string& key : cache_keys(bda)) {
        CBTServiceCacheCfg entry(bda, key.c_str());
        if (entry.Read() != ERROR_SUCCESS) continue;
        if (entry.m_dwUUID != uuid || entry.m_szServiceNameUTF8 != szServiceNameUTF8) continue;
        BtRegKey device;
        if (device.Open(HKEY_LOCAL_MACHINE, entry.GetKeyPath(), CfgAccess(KEY_READ | KEY_WRITE)) != ERROR_SUCCESS)
            return false;
        return device.RecurseDeleteKey(key.c_str()) == ERROR_SUCCESS;
    }
    return false;
}

void CBTServiceCacheCfg::DeleteAll(const CfgBdAddr& bda) {
    BtRegKey device;
    std::u16string path = std::u16string(kDevicesPath) + u"\\" + DeviceKeyName(bda);
    if (device.Open(HKEY_LOCAL_MACHINE, path.c_str(), CfgAccess(KEY_READ | KEY_WRITE)) != ERROR_SUCCESS) return;
    for (;;) {
        char16_t name[kDeleteNameChars];
        DWORD length = kDeleteNameChars;
        if (qel::platform::reg_enum_key(device, 0, name, &length) != ERROR_SUCCESS) return;
        if (device.RecurseDeleteKey(name) != ERROR_SUCCESS) return;  // never loop on a key that stays
    }
}

namespace {
// The `wanted` name of the entry of `uuid` whose `key` name equals `given`, else of the last
// entry of that UUID, else empty.
template <typename Key, typename Wanted>
void lookup_name(const CfgBdAddr& bda, DWORD uuid, std::string_view given, std::string& out, Key key,
                 Wanted wanted) {
    std::optional<std::string> last;
    for (const std::u16string& name : cache_keys(bda)) {
        CBTServiceCacheCfg entry(bda, name.c_str());
        if (entry.Read() != ERROR_SUCCESS || entry.m_dwUUID != uuid) continue;
        if (entry.*key == given) {
            out = entry.*wanted;
            return;
        }
        last = entry.*wanted;
    }
    out = last.value_or(std::string());
}
}  // namespace

void CBTServiceCacheCfg::GetServiceNameNative(const CfgBdAddr& bda, DWORD uuid, std::string_view szServiceNameUTF8,
                                              std::string& szServiceNameNative) {
    lookup_name(bda, uuid, szServiceNameUTF8, szServiceNameNative, &CBTServiceCacheCfg::m_szServiceNameUTF8,
                &CBTServiceCacheCfg::m_szServiceNameNative);
}

void CBTServiceCacheCfg::GetServiceNameUTF8(const CfgBdAddr& bda, DWORD uuid, std::string_view szServiceNameNative,
                                            std::string& szServiceNameUTF8) {
    lookup_name(bda, uuid, szServiceNameNative, szServiceNameUTF8, &CBTServiceCacheCfg::m_szServiceNameNative,
                &CBTServiceCacheCfg::m_szServiceNameUTF8);
}
