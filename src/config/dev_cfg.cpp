#include "config/dev_cfg.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "config/cfg_iterator.h"
#include "config/install_cfg.h"
#include "config/protected_value.h"
#include "config/record_table.h"
#include "config/reg_key.h"
#include "config/registry_view.h"

using namespace qel::config;
using qel::platform::RegKey;

namespace {

int hex_digit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// "Software\Quorlan\BTConfig\LinkKeys\<remote>" and "...\<remote>\<local>".
std::u16string link_keys_path(const CfgBdAddr& remote) {
    return std::u16string(kLinkKeysPath) + u"\\" + DeviceKeyName(remote);
}
std::u16string link_key_entry_path(const CfgBdAddr& remote, const CfgBdAddr& local) {
    return link_keys_path(remote) + u"\\" + DeviceKeyName(local);
}
std::u16string device_path(const CfgBdAddr& bda) { return std::u16string(kDevicesPath) + u"\\" + DeviceKeyName(bda); }

// Deletes one value of the key behind hKey, which may be open for reading only.
void delete_value(HKEY hKey, std::u16string_view name) {
    if (qel::platform::reg_delete_value(hKey, name) != ERROR_ACCESS_DENIED) return;
    RegKey writable;
    if (qel::platform::reg_open_key(hKey, u"", CfgAccess(KEY_SET_VALUE), writable.put()) == ERROR_SUCCESS)
        qel::platform::reg_delete_value(writable.get(), name);
}

// Failures of a protected query that mean the stored value itself is unusable as a link key.
bool is_damaged_value(LONG result) {
    return result == static_cast<LONG>(BT_ERROR_INVALID_PROTECTED_VALUE) || result == ERROR_MORE_DATA;
}

DWORD fold_boolean(DWORD value) { return value != 0 ? 1 : 0; }

}  // namespace

bool qel::config::KeyNameToBda(std::u16string_view name, CfgBdAddr& bda) {
    if (name.size() != 17) return false;
    CfgBdAddr parsed{};
    for (std::size_t i = 0; i < 6; ++i) {
        int high = hex_digit(name[i * 3]);
        int low = hex_digit(name[i * 3 + 1]);
        if (high < 0 || low < 0) return false;
        if (i < 5 && name[i * 3 + 2] != u':') return false;
        parsed[i] = static_cast<BYTE>(high * 16 + low);
    }
    bda = parsed;
    return true;
}

std::u16string qel::config::DeviceKeyName(const CfgBdAddr& bda) {
    char16_t name[18];
    BdaToKeyName(bda.data(), name);
    return std::u16string(name);
}

// ---- CBTDevCfg

CBTDevCfg::CBTDevCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kDevicesPath) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
    KeyNameToBda(GetKeyName(), m_bdAddr);
}

CBTDevCfg::CBTDevCfg(const char16_t* szKeyName, const CfgDevClass& devClass, std::string_view bdName)
    : CBTDevCfg(szKeyName) {
    m_devClass = devClass;
    m_szName = fit_bytes(bdName, kNameBytes);
}

LONG CBTDevCfg::Save() {
    if (GetKeyName()[0] == u'\0') SetKeyName(DeviceKeyName(m_bdAddr).c_str());
    return CBTCfg::Save();
}

namespace {

using D = CBTDevCfg;
constexpr std::size_t kTextChars = D::kTextChars;

// The values written before the link key, in the order they are read and written.
const RecordRow<D> kHeadRows[] = {
    {u"Name", &D::m_szName, D::kNameBytes},
    {u"DevClass", &D::m_devClass},
    {u"Features", &D::m_features},
    {u"TimeStamp", &D::m_dwTimeStamp},
    {u"FTPAuthorizationExpires", &D::m_szFTPAuthorizationExpires, kTextChars, kRowAllUses, REG_BINARY},
    {u"OPPAuthorizationExpires", &D::m_szOPPAuthorizationExpires, kTextChars, kRowAllUses, REG_BINARY},
    {u"BIPAuthorizationExpires", &D::m_szBIPAuthorizationExpires, kTextChars, kRowAllUses, REG_BINARY},
    {u"BPPAuthorizationExpires", &D::m_szBPPAuthorizationExpires, kTextChars, kRowAllUses, REG_BINARY},
    {u"DoNotAutoConfigure", &D::m_dwDoNotAutoConfigure},
};

// The values after it. "PairedUserName" is written with the link key only, so not from here.
const RecordRow<D> kTailRows[] = {
    {u"PairedUserName", &D::m_szPairedUserName, D::kPairedUserChars, kRowCompareCopy, REG_BINARY},
    {u"AllowWakeup", &D::m_fAllowWakeup},
    {u"HidDisabled", &D::m_fHidDisabled},
    {u"DefaultAudio", &D::m_fDefaultAudio},
    {u"Manufacturer", &D::m_dwManufacturer},
    {u"LmpVersion", &D::m_dwLmpVersion},
    {u"LmpSubVersion", &D::m_dwLmpSubVersion},
    {u"STRVStack", &D::m_dwSTRVStack},
    {u"HandsfreeCfg", &D::m_dwHandsfreeCfg},
    {u"Code", &D::m_szCode, kTextChars, kRowAllUses, REG_BINARY},
    {u"RemoteName", &D::m_szRemoteName, D::kNameBytes},
    {u"ConnectHfIfAvConnected", &D::m_dwConnectHfIfAvConnected},
    {u"HandsFreeVersion", &D::m_dwHandsFreeVersion},
    {u"UnsecuredPrinter", &D::m_dwUnsecuredPrinter},
    {u"DisableBtWizardAutoPair", &D::m_dwDisableBtWizardAutoPair},
    {u"PopUpGenForAccessPIM", &D::m_dwPopUpGenForAccessPIM},
    {u"ShowUI", &D::m_dwShowUI},
    {u"BrowseFTP", &D::m_dwBrowseFTP},
    {u"HidBootDevice", &D::m_dwHidBootDevice},
    {u"ManualDun", &D::m_dwManualDun},
    {u"LastDialedAPN", &D::m_szLastDialedAPN, D::kApnBytes},
};

}  // namespace

void CBTDevCfg::GetAll(HKEY hKey) {
    read_rows(hKey, *this, kHeadRows);

    CfgLinkKey key{};
    DWORD size = static_cast<DWORD>(key.size());
    LONG result = BTRegQueryEncValue(hKey, u"LinkKey", nullptr, nullptr, key.data(), &size);
    if (result == ERROR_SUCCESS) {
        m_linkKey = key;
        m_fLinkKeyPresent = 1;
    } else {
        // A damaged or foreign value is removed; one that failed to read for another reason
        // (the registry or the key container unavailable for a moment) stays stored.
        if (is_damaged_value(result)) delete_value(hKey, u"LinkKey");
        m_fLinkKeyPresent = 0;
        m_linkKey.fill(0);
    }

    read_rows(hKey, *this, kTailRows);
    m_fAllowWakeup = fold_boolean(m_fAllowWakeup);
    m_fHidDisabled = fold_boolean(m_fHidDisabled);
    m_fDefaultAudio = fold_boolean(m_fDefaultAudio);
}

void CBTDevCfg::PutAll(HKEY hKey) {
    write_rows(hKey, *this, kHeadRows);

    if (m_fLinkKeyPresent != 0) {
        if (BTRegSetEncValue(hKey, u"LinkKey", 0, REG_BINARY, m_linkKey.data(),
                             static_cast<DWORD>(m_linkKey.size())) != ERROR_SUCCESS) {
            qel::platform::reg_delete_value(hKey, u"LinkKey");
            m_fLinkKeyPresent = 0;
            m_linkKey.fill(0);
        } else if (!m_szPairedUserName.empty()) {
            put_wide_binary(hKey, u"PairedUserName", m_szPairedUserName, kPairedUserChars);
        }
    } else {
        qel::platform::reg_delete_value(hKey, u"LinkKey");
    }

    write_rows(hKey, *this, kTailRows);
}

bool CBTDevCfg::ReadLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr, CfgLinkKey& tLinkKey) {
    RegKey entry;
    if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, link_key_entry_path(tBdAddr, tLocalBdAddr),
                                    CfgAccess(KEY_READ), entry.put()) == ERROR_SUCCESS) {
        DWORD size = static_cast<DWORD>(tLinkKey.size());
        if (BTRegQueryEncValue(entry.get(), u"LinkKey", nullptr, nullptr, tLinkKey.data(), &size) == ERROR_SUCCESS)
            return true;
        tLinkKey.fill(0);
    }
    CBTDevCfg device(DeviceKeyName(tBdAddr).c_str());
    if (device.Read() == ERROR_SUCCESS && device.m_fLinkKeyPresent != 0) {
        tLinkKey = device.m_linkKey;
        return true;
    }
    tLinkKey.fill(0);
    return false;
}

void CBTDevCfg::SaveLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr, const CfgLinkKey& tLinkKey,
                            const char16_t* szPairedUserName) {
    {
        RegKey entry;
        if (qel::platform::reg_create_key(HKEY_LOCAL_MACHINE, link_key_entry_path(tBdAddr, tLocalBdAddr),
                                          CfgAccess(KEY_WRITE), entry.put(), nullptr) != ERROR_SUCCESS)
            return;
        if (BTRegSetEncValue(entry.get(), u"LinkKey", 0, REG_BINARY, tLinkKey.data(),
                             static_cast<DWORD>(tLinkKey.size())) != ERROR_SUCCESS) {
            entry.reset();
            DeleteLinkKey(tBdAddr, tLocalBdAddr);
            return;
        }
        if (szPairedUserName != nullptr && szPairedUserName[0] != u'\0')
            put_wide_binary(entry.get(), u"PairedUserName", szPairedUserName, kPairedUserChars);
    }
    CBTDevCfg device(DeviceKeyName(tBdAddr).c_str());
    device.Read();
    device.m_linkKey = tLinkKey;
    device.m_szPairedUserName =
        szPairedUserName != nullptr ? fit_text(szPairedUserName, kPairedUserChars) : std::u16string();
    device.m_fLinkKeyPresent = 1;
    device.Save();
}

bool CBTDevCfg::IsPaired(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr) {
    RegKey entry;
    if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, link_key_entry_path(tBdAddr, tLocalBdAddr),
                                    CfgAccess(KEY_READ), entry.put()) == ERROR_SUCCESS)
        return true;
    CBTInstallCfg install;
    install.Read();
    if (!install.m_szVersion.empty()) {
        char16_t first = install.m_szVersion[0];
        if (first >= u'0' && first <= u'9' && first - u'0' >= 5) return false;
    }
    CBTDevCfg device(DeviceKeyName(tBdAddr).c_str());
    return device.Read() == ERROR_SUCCESS && device.m_fLinkKeyPresent != 0;
}

namespace {
// Clears the device record's link key, only when the device has a record.
void clear_record_link_key(const CfgBdAddr& bda) {
    CBTDevCfg device(DeviceKeyName(bda).c_str());
    if (device.Read() != ERROR_SUCCESS) return;
    device.m_fLinkKeyPresent = 0;
    device.m_linkKey.fill(0);
    device.Save();
}
}  // namespace

void CBTDevCfg::DeleteLinkKey(const CfgBdAddr& tBdAddr, const CfgBdAddr& tLocalBdAddr) {
    BtRegKey remote;
    if (remote.Open(HKEY_LOCAL_MACHINE, link_keys_path(tBdAddr).c_str(), CfgAccess(KEY_READ | KEY_WRITE)) ==
        ERROR_SUCCESS)
        remote.RecurseDeleteKey(DeviceKeyName(tLocalBdAddr).c_str());
    clear_record_link_key(tBdAddr);
}

void CBTDevCfg::DeleteAllKeys(const CfgBdAddr& tBdAddr) {
    BtRegKey tree;
    if (tree.Open(HKEY_LOCAL_MACHINE, kLinkKeysPath, CfgAccess(KEY_READ | KEY_WRITE)) == ERROR_SUCCESS)
        tree.RecurseDeleteKey(DeviceKeyName(tBdAddr).c_str());
    clear_record_link_key(tBdAddr);
}

LONG qel::config::DeleteDeviceKey(HKEY root, const CfgBdAddr& bda) {
    BtRegKey devices;
    LONG result = devices.Open(root, kDevicesPath, CfgAccess(KEY_READ | KEY_WRITE));
    if (result != ERROR_SUCCESS) return result;
    return devices.RecurseDeleteKey(DeviceKeyName(bda).c_str());
}

LONG qel::config::DeleteDevicesKey(HKEY root) {
    BtRegKey config;
    LONG result = config.Open(root, kBTConfigPath, CfgAccess(KEY_READ | KEY_WRITE));
    if (result != ERROR_SUCCESS) return result;
    return config.RecurseDeleteKey(u"Devices");
}

LONG CBTDevCfg::Delete(const CfgBdAddr& bda) { return DeleteDeviceKey(HKEY_LOCAL_MACHINE, bda); }
LONG CBTDevCfg::DeleteAll() { return DeleteDevicesKey(HKEY_LOCAL_MACHINE); }

DWORD CBTDevCfg::ReadDwordValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName) {
    RegKey key;
    if (qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, device_path(tBdAddr), CfgAccess(KEY_READ), key.put()) !=
        ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (qel::platform::reg_query_value(key.get(), szValName, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    return value;
}

namespace {
// Writes one value into the device's existing key, opened for writing and never created.
LONG set_device_value(const CfgBdAddr& bda, std::u16string_view name, DWORD type, std::span<const BYTE> data) {
    RegKey key;
    LONG result =
        qel::platform::reg_open_key(HKEY_LOCAL_MACHINE, device_path(bda), CfgAccess(KEY_WRITE), key.put());
    if (result != ERROR_SUCCESS) return result;
    return qel::platform::reg_set_value(key.get(), name, type, data.data(), static_cast<DWORD>(data.size()));
}
}  // namespace

LONG CBTDevCfg::SaveDwordValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName, DWORD dwVal) {
    return set_device_value(tBdAddr, szValName, REG_DWORD,
                            std::span<const BYTE>(reinterpret_cast<const BYTE*>(&dwVal), sizeof dwVal));
}

LONG CBTDevCfg::SaveBinaryValue(const CfgBdAddr& tBdAddr, std::u16string_view szValName,
                                std::span<const BYTE> pbVal) {
    return set_device_value(tBdAddr, szValName, REG_BINARY, pbVal);
}

bool CBTDevCfg::UpdateDeviceInfo(const CfgBdAddr& tBdAddr, const CfgDevClass& devClass, std::string_view bdName) {
    CBTConnectionInfoCfgIterator connections;
    char16_t name[MAX_PATH];
    while (connections.GetNext(name)) {
        CBTConnectionInfoCfg connection(name);
        if (connection.Read() != ERROR_SUCCESS || connection.m_bdAddr != tBdAddr) continue;
        connection.m_szBdName = fit_bytes(bdName, kNameBytes);
        connection.m_devClass = devClass;
        connection.Save();
    }
    return true;
}

bool CBTDevCfg::UpdateDisplayName(std::string_view bdDisplayName) {
    bool changed = false;
    if (m_szRemoteName.empty()) {
        m_szRemoteName = fit_bytes(m_szName, kNameBytes);
        changed = true;
    }
    std::string display = fit_bytes(bdDisplayName, kNameBytes);
    if (m_szName != display) {
        m_szName = display;
        changed = true;
    }
    return changed;
}

bool CBTDevCfg::UpdateRemoteName(std::string_view bdRemoteName) {
    std::string reported = fit_bytes(bdRemoteName, kNameBytes);
    std::string& target = m_szRemoteName.empty() ? m_szName : m_szRemoteName;
    if (target == reported) return false;
    target = reported;
    return true;
}
