#include "config/dev_per_user_cfg.h"

#include <array>
#include <cstring>

#include "config/protected_value.h"
#include "config/record_values.h"
#include "config/reg_key.h"
#include "config/registry_view.h"

using namespace qel::config;

namespace {

void get_credential(HKEY hKey, const char16_t* name, std::u16string& field) {
    std::array<char16_t, CBTDevPerUserCfg::kCredentialChars> buffer{};
    DWORD size = static_cast<DWORD>(sizeof buffer);
    if (BTRegQueryEncValue(hKey, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return;
    std::u16string_view text(buffer.data(), size / sizeof(char16_t));
    field = fit_text(text.substr(0, text.find(u'\0')), CBTDevPerUserCfg::kCredentialChars);
}

void put_credential(HKEY hKey, const char16_t* name, const std::u16string& text) {
    std::array<char16_t, CBTDevPerUserCfg::kCredentialChars> buffer{};
    std::u16string stored = fit_text(text, buffer.size());
    std::memcpy(buffer.data(), stored.data(), stored.size() * sizeof(char16_t));
    BTRegSetEncValue(hKey, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(buffer.data()),
                     static_cast<DWORD>(sizeof buffer));
}

}  // namespace

CBTDevPerUserCfg::CBTDevPerUserCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kDevicesPath) {
    SetBaseKey(HKEY_CURRENT_USER);
    KeyNameToBda(GetKeyName(), m_bdAddr);
}

LONG CBTDevPerUserCfg::Save() {
    if (GetKeyName()[0] == u'\0') SetKeyName(DeviceKeyName(m_bdAddr).c_str());
    return CBTCfg::Save();
}

void CBTDevPerUserCfg::GetAll(HKEY hKey) {
    get_credential(hKey, u"OAPPAuthenticationUserId", m_szOAPPUserId);
    get_credential(hKey, u"OAPPAuthenticationPassword", m_szOAPPPassword);
    get_dword(hKey, u"AutoAuthorize", m_dwAutoAuthorize);
}

void CBTDevPerUserCfg::PutAll(HKEY hKey) {
    put_credential(hKey, u"OAPPAuthenticationUserId", m_szOAPPUserId);
    put_credential(hKey, u"OAPPAuthenticationPassword", m_szOAPPPassword);
    put_dword(hKey, u"AutoAuthorize", m_dwAutoAuthorize);
}

LONG CBTDevPerUserCfg::ReadTrustedMask() {
    BtRegKey key;
    LONG result = key.Open(GetBaseKey(), CfgKeyPath(GetKeyPath(), GetKeyName()).c_str(), CfgAccess(KEY_READ));
    if (result != ERROR_SUCCESS) return result;
    std::uint64_t mask = 0;
    DWORD size = sizeof mask;
    if (BTRegQueryEncValue(key, u"TrustedMaskUser", nullptr, nullptr, reinterpret_cast<BYTE*>(&mask), &size) ==
            ERROR_SUCCESS &&
        size == sizeof mask)
        m_ullTrustedMask = mask;
    return result;
}

LONG CBTDevPerUserCfg::SaveTrustedMask(std::uint64_t ullTrustedMask) {
    if (GetKeyName()[0] == u'\0') SetKeyName(DeviceKeyName(m_bdAddr).c_str());
    std::u16string path = CfgKeyPath(GetKeyPath(), GetKeyName());
    BtRegKey key;
    LONG result = key.Open(GetBaseKey(), path.c_str(), CfgAccess(KEY_WRITE));
    if (result != ERROR_SUCCESS) result = key.Create(GetBaseKey(), path.c_str(), nullptr, REG_OPTION_NON_VOLATILE,
                                                     CfgAccess(KEY_WRITE));
    if (result != ERROR_SUCCESS) return result;
    m_ullTrustedMask = ullTrustedMask;
    BTRegSetEncValue(key, u"TrustedMaskUser", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&ullTrustedMask),
                     sizeof ullTrustedMask);
    return result;
}

bool CBTDevPerUserCfg::IsTrusted(const CfgBdAddr& tBdAddr) {
    CBTDevPerUserCfg record(DeviceKeyName(tBdAddr).c_str());
    record.Read();
    if (record.ReadTrustedMask() != ERROR_SUCCESS) return false;
    return record.m_ullTrustedMask == kTrustedAll;
}

LONG CBTDevPerUserCfg::Delete(const CfgBdAddr& bda) { return DeleteDeviceKey(HKEY_CURRENT_USER, bda); }
LONG CBTDevPerUserCfg::DeleteAll() { return DeleteDevicesKey(HKEY_CURRENT_USER); }
