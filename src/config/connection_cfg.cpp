#include "config/connection_cfg.h"

#include <algorithm>
#include <cstdio>
#include <typeinfo>
#include <vector>

#include "config/cfg_iterator.h"
#include "config/record_table.h"
#include "config/reg_key.h"
#include "config/registry_view.h"
#include "platform/text/text.h"

using namespace qel::config;
using namespace qel::platform;

namespace {

// Characters of a device name and of device and service names together in a generated name.
constexpr std::size_t kUniqueDeviceChars = 63;
constexpr std::size_t kUniqueTotalChars = 95;
constexpr std::size_t kBdNameChars = 248;

std::u16string Ascii(const char* text) {
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

// Copies every value and sub-key of `from` into `to`, whatever their sizes. ERROR_SUCCESS only
// when everything was copied.
LONG CopyKeyComplete(HKEY from, HKEY to) {
    RegKeyInfo info;
    LONG st = reg_query_info_key(from, &info);
    if (st != ERROR_SUCCESS) return st;
    std::vector<char16_t> name(std::max(info.max_value_name_length, info.max_sub_key_length) + 1);
    std::vector<BYTE> data(std::max<DWORD>(info.max_value_data_size, 1));
    for (DWORD index = 0; index < info.values; ++index) {
        auto name_length = static_cast<DWORD>(name.size());
        auto data_size = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        st = reg_enum_value(from, index, name.data(), &name_length, &type, data.data(), &data_size);
        if (st != ERROR_SUCCESS) return st;
        st = reg_set_value(to, std::u16string_view(name.data(), name_length), type, data.data(), data_size);
        if (st != ERROR_SUCCESS) return st;
    }
    for (DWORD index = 0; index < info.sub_keys; ++index) {
        auto name_length = static_cast<DWORD>(name.size());
        st = reg_enum_key(from, index, name.data(), &name_length);
        if (st != ERROR_SUCCESS) return st;
        std::u16string_view sub(name.data(), name_length);
        RegKey source, target;
        st = reg_open_key(from, sub, KEY_READ, source.put());
        if (st == ERROR_SUCCESS) st = reg_create_key(to, sub, KEY_ALL_ACCESS, target.put(), nullptr);
        if (st == ERROR_SUCCESS) st = CopyKeyComplete(source.get(), target.get());
        if (st != ERROR_SUCCESS) return st;
    }
    return ERROR_SUCCESS;
}

// A connection name is one key name: a "\\" in it would address a key nested in another.
bool HasPathSeparator(std::u16string_view name) {
    return name.find(u'\\') != std::u16string_view::npos;
}

// The first application of `uuid` in the applications tree (named `service` when given).
std::optional<std::u16string> FindApplication(DWORD uuid, std::optional<std::u16string_view> service) {
    CBTAppCfg finder;
    std::u16string key;
    if (!finder.GetKeyName(key, uuid, service)) return std::nullopt;
    return key;
}

}  // namespace

CBTConnectionInfoCfg::CBTConnectionInfoCfg() : CBTCfg(nullptr, kConnectionsPath) {}

CBTConnectionInfoCfg::CBTConnectionInfoCfg(const char16_t* szConnectionName)
    : CBTCfg(szConnectionName, kConnectionsPath) {}

CBTConnectionInfoCfg::CBTConnectionInfoCfg(const char16_t* szConnectionName, std::u16string_view szServiceName,
                                           const GUID& tGuid, const CfgBdAddr& tBdAddr,
                                           const CfgDevClass& tDevClass, std::string_view tBdName,
                                           const CfgBdAddr& tLocalBdAddress, bool bDefaultConnect)
    : CBTCfg(szConnectionName, kConnectionsPath),
      m_bdAddr(tBdAddr),
      m_devClass(tDevClass),
      m_szBdName(fit_bytes(tBdName, kCfgBdNameBytes)),
      m_dwDefaultConnection(bDefaultConnect ? 1 : 0),
      m_localBdAddr(tLocalBdAddress),
      m_pAppCfg(NewAppCfg(tGuid.Data1)) {
    m_pAppCfg->m_szName = fit_text(szServiceName, kCfgTextChars);
    m_pAppCfg->m_dwUUID = tGuid.Data1;
    m_pAppCfg->m_guid = tGuid;
    char16_t text[kGuidTextChars + 1] = {};
    GuidToString(tGuid, text);
    m_pAppCfg->m_szGuid = text;
}

CBTConnectionInfoCfg::CBTConnectionInfoCfg(const CBTConnectionInfoCfg& other)
    : CBTCfg(other),
      m_bdAddr(other.m_bdAddr),
      m_devClass(other.m_devClass),
      m_szBdName(other.m_szBdName),
      m_dwDefaultConnection(other.m_dwDefaultConnection),
      m_localBdAddr(other.m_localBdAddr),
      m_pAppCfg(other.m_pAppCfg ? other.m_pAppCfg->Clone() : nullptr),
      m_dwFlags(other.m_dwFlags) {}

std::unique_ptr<CBTAppCfg> CBTConnectionInfoCfg::NewAppCfg(DWORD dwUUID) {
    switch (dwUUID) {
    case kUuidSerialPort: return std::make_unique<CBTSPPAppCfg>();
    case kUuidLanAccess:
    case kUuidPanu:
    case kUuidNap:
    case kUuidGn: return std::make_unique<CBTLAPAppCfg>();
    case kUuidDialupNetworking: return std::make_unique<CBTDUNAppCfg>();
    case kUuidIrMcSync:
    case kUuidIrMcSyncCommand: return std::make_unique<CBTSYNCAppCfg>();
    case kUuidObexObjectPush: return std::make_unique<CBTOPPAppCfg>();
    case kUuidFax: return std::make_unique<CBTFAXAppCfg>();
    default: return std::make_unique<CBTAppCfg>();
    }
}

namespace {
using CI = CBTConnectionInfoCfg;
// The connection's own values, after its application's. The local adapter's address is copied
// (a copy saved elsewhere must not lose it) but not compared.
const RecordRow<CI> kConnectionRows[] = {
    {u"BDAddress", &CI::m_bdAddr},
    {u"LocalBAddress", &CI::m_localBdAddr, 0, kRowWritten | kRowCopied},
    {u"BDDevClass", &CI::m_devClass},
    {u"BDName", &CI::m_szBdName, kCfgBdNameBytes},
    {u"DefaultConnection", &CI::m_dwDefaultConnection},
    {u"Flags", &CI::m_dwFlags},
};
}  // namespace

void CBTConnectionInfoCfg::GetAll(HKEY hKey) {
    // A record read again from a connection of another profile takes that profile's record, so
    // that its values are neither dropped on reading nor written with the wrong profile's values.
    DWORD stored_uuid = 0;
    get_dword(hKey, u"UUID", stored_uuid);
    if (!m_pAppCfg) {
        m_pAppCfg = NewAppCfg(stored_uuid);
    } else if (stored_uuid != 0) {
        auto fitting = NewAppCfg(stored_uuid);
        const CBTAppCfg& held = *m_pAppCfg;
        const CBTAppCfg& wanted = *fitting;
        if (typeid(held) != typeid(wanted)) m_pAppCfg = std::move(fitting);
    }
    m_pAppCfg->SetKeyName(m_szKeyName);
    m_pAppCfg->GetAll(hKey);
    read_rows(hKey, *this, kConnectionRows);
}

void CBTConnectionInfoCfg::PutAll(HKEY hKey) {
    if (m_pAppCfg) {
        m_pAppCfg->SetKeyName(m_szKeyName);
        m_pAppCfg->PutAll(hKey);
    }
    write_rows(hKey, *this, kConnectionRows);
}

bool CBTConnectionInfoCfg::IsEqualCfg(const CBTConnectionInfoCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && rows_equal(*this, other, kConnectionRows);
}

void CBTConnectionInfoCfg::CopyCfg(const CBTConnectionInfoCfg& other) {
    CBTCfg::CopyCfg(other);
    copy_rows(*this, other, kConnectionRows);
    m_pAppCfg = other.m_pAppCfg ? other.m_pAppCfg->Clone() : nullptr;
}

std::optional<std::u16string> CBTConnectionInfoCfg::FindConnectionKey(std::u16string_view szConnectionName) {
    CBTConnectionInfoCfgIterator it;
    char16_t name[MAX_PATH] = {};
    while (it.GetNext(name)) {
        if (equal_ignore_case(name, szConnectionName)) return std::u16string(name);
    }
    return std::nullopt;
}

bool CBTConnectionInfoCfg::IsConnectionNameUnique(std::u16string_view szConnectionName) {
    return !FindConnectionKey(szConnectionName);
}

void CBTConnectionInfoCfg::GetUniqueConnectionName(std::string_view tBdName, std::u16string_view szServiceName,
                                                   std::u16string& szConnName, bool bConvertToNative) {
    std::string bytes = fit_bytes(tBdName, kCfgBdNameBytes);
    std::u16string device = to_utf16(bytes, bConvertToNative ? CP_UTF8 : ansi_code_page());
    if (device.size() > kBdNameChars) device.resize(kBdNameChars);
    if (device.size() > kUniqueDeviceChars) device.resize(kUniqueDeviceChars);
    std::u16string service(szServiceName.substr(0, szServiceName.find(u'\0')));
    if (service.size() > kUniqueTotalChars - device.size()) service.resize(kUniqueTotalChars - device.size());

    std::u16string base = device + u" " + service;
    // A "\" would make the name a path of nested keys, inside another connection's key.
    std::replace(base.begin(), base.end(), u'\\', u'_');
    szConnName = base;
    for (int n = 1; !IsConnectionNameUnique(szConnName); ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "(%d)", n);
        szConnName = base + Ascii(number);
    }
}

std::u16string CBTConnectionInfoCfg::CreateConnectionObject(
    std::u16string_view szConnectionName, std::u16string_view szServiceName, DWORD uuid, const CfgBdAddr& bdAddr,
    const CfgDevClass& tDevClass, std::string_view tBdName, const CfgBdAddr& tLocalBdAddress, bool bDefault,
    DWORD dwOPPType, bool /*bEncryption*/) {
    std::u16string name = fit_text(szConnectionName, MAX_PATH);
    if (name.empty() || HasPathSeparator(name) || !IsConnectionNameUnique(name))
        GetUniqueConnectionName(tBdName, szServiceName, name, true);

    GUID guid{};
    MapUuidToGuid(uuid, &guid);
    bool is_default = bDefault && uuid != kUuidObexFileTransfer;
    CBTConnectionInfoCfg connection(name.c_str(), szServiceName, guid, bdAddr, tDevClass, tBdName,
                                    tLocalBdAddress, is_default);
    CBTAppCfg& app = *connection.m_pAppCfg;

    std::optional<std::u16string> source;
    if (uuid == kUuidSerialPort || uuid == kUuidObexObjectPush) {
        source = FindApplication(uuid, szServiceName);
        if (!source) source = FindApplication(uuid, std::nullopt);
    } else if (uuid == kUuidLanAccess || IsPanUuid(uuid)) {
        source = FindApplication(kUuidLanAccess, std::nullopt);
    } else {
        source = FindApplication(uuid, std::nullopt);
    }
    if (source) {
        app.SetKeyName(source->c_str());
        app.CBTCfg::Read();
    }
    if (uuid == kUuidObexObjectPush) static_cast<CBTOPPAppCfg&>(app).m_dwOPPType = dwOPPType;
    if (uuid == kUuidLanAccess || IsPanUuid(uuid)) app.SetUuid(uuid);
    app.m_szName = fit_text(szServiceName, kCfgTextChars);

    if (connection.Save() != ERROR_SUCCESS) return {};
    return name;
}

bool CBTConnectionInfoCfg::ConnectionExists(const CfgBdAddr& bdAddr, std::u16string_view szServiceName, DWORD uuid,
                                            DWORD dwOPPType, std::u16string* pExistingName) {
    CBTConnectionInfoCfgIterator it;
    char16_t name[MAX_PATH] = {};
    while (it.GetNext(name)) {
        CBTConnectionInfoCfg connection(name);
        if (connection.Read() != ERROR_SUCCESS || !connection.m_pAppCfg) continue;
        const CBTAppCfg& app = *connection.m_pAppCfg;
        if (connection.m_bdAddr != bdAddr || app.m_dwUUID != uuid) continue;
        if (uuid == kUuidObexObjectPush) {
            auto* opp = dynamic_cast<const CBTOPPAppCfg*>(&app);
            if (!opp || opp->m_dwOPPType != dwOPPType) continue;
        }
        if (app.m_szName != szServiceName) continue;
        if (pExistingName) *pExistingName = name;
        return true;
    }
    return false;
}

bool CBTConnectionInfoCfg::Rename(std::u16string_view szOldConnectionName, std::u16string_view szNewConnectionName) {
    if (equal_ignore_case(szOldConnectionName, szNewConnectionName)) return false;
    std::u16string new_name = fit_text(szNewConnectionName, kConnectionRenameChars + 1);
    // A new name taken by another connection (or, after the cut, by this one) would be copied
    // over and then lost with the old key.
    if (new_name.empty() || HasPathSeparator(new_name) || !IsConnectionNameUnique(new_name)) return false;
    auto old_name = FindConnectionKey(szOldConnectionName);
    if (!old_name) return false;

    BtRegKey connections;
    if (connections.Open(HKEY_CURRENT_USER, kConnectionsPath, CfgAccess(KEY_ALL_ACCESS)) != ERROR_SUCCESS)
        return false;
    BtRegKey target;
    DWORD disposition = 0;
    if (target.Create(connections, new_name.c_str(), nullptr, REG_OPTION_NON_VOLATILE, CfgAccess(KEY_ALL_ACCESS),
                      nullptr, &disposition) != ERROR_SUCCESS)
        return false;
    if (disposition != REG_CREATED_NEW_KEY) return false;  // made by someone else meanwhile
    BtRegKey source;
    LONG st = source.Open(connections, old_name->c_str(), CfgAccess(KEY_READ));
    if (st == ERROR_SUCCESS) st = CopyKeyComplete(source, target);
    source.Close();
    target.Close();
    if (st == ERROR_SUCCESS) st = reg_delete_tree(connections, *old_name);
    if (st != ERROR_SUCCESS) {
        reg_delete_tree(connections, new_name);
        return false;
    }
    return true;
}

bool CBTConnectionInfoCfg::Delete(std::u16string_view szConnectionName) {
    auto name = FindConnectionKey(szConnectionName);
    if (!name) return false;
    BtRegKey connections;
    if (connections.Open(HKEY_CURRENT_USER, kConnectionsPath, CfgAccess(KEY_WRITE)) != ERROR_SUCCESS) return false;
    return connections.DeleteSubKey(name->c_str()) == ERROR_SUCCESS;
}
