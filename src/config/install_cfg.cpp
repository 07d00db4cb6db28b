#include "config/install_cfg.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "config/cfg_iterator.h"
#include "config/record_values.h"
#include "config/reg_key.h"
#include "config/registry_view.h"

using namespace qel::config;

std::u16string qel::config::NumberKeyName(DWORD number, bool four_digits) {
    char text[16];
    std::snprintf(text, sizeof text, four_digits ? "%04u" : "%u", static_cast<unsigned>(number));
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

// ---- CBTInstallCfg

CBTInstallCfg::CBTInstallCfg() : CBTCfg(kInstallKeyName, kQuorlanRoot) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

void CBTInstallCfg::GetAll(HKEY hKey) {
    get_text(hKey, u"INSTALLDIR", m_szInstallDir, MAX_PATH);
    get_text(hKey, u"QELVERS", m_szQelVers, MAX_PATH);
    get_dword(hKey, u"StartPort", m_dwStartPort);
    get_text(hKey, u"BT_EXCHG_FLDR", m_szExchangeFolder, MAX_PATH);
    get_text(hKey, u"BT_NET_CONN_NAME", m_szNetConnName, MAX_PATH);
    get_text(hKey, u"CustomLogoBitmap", m_szCustomLogoBitmap, MAX_PATH);
    get_dword(hKey, u"ShowUnplugDeviceDlg", m_dwShowUnplugDeviceDlg);
    get_text(hKey, u"DisplayName", m_szDisplayName, MAX_PATH);
    get_dword(hKey, u"ServicePack", m_dwServicePack);
    get_bytes(hKey, u"LastNonUpgradeInstallTime", m_lastNonUpgradeInstallTime);
    get_dword(hKey, u"LangID", m_dwLangID);
    get_dword(hKey, u"QelLangID", m_dwQelLangID);
    std::vector<BYTE> erim(kErimBytes);
    DWORD type = REG_NONE;
    auto size = static_cast<DWORD>(erim.size());
    if (qel::platform::reg_query_value(hKey, u"ERIM", &type, erim.data(), &size) == ERROR_SUCCESS &&
        type == REG_BINARY) {
        erim.resize(size);
        m_erim = std::move(erim);
    }
    get_text(hKey, u"DeviceID", m_szDeviceID, MAX_PATH);
    get_dword(hKey, u"SmartDongle", m_dwSmartDongle);
    get_dword(hKey, u"DERO_MPT", m_dwDeroMpt);
    get_text(hKey, u"VERSION", m_szVersion, MAX_PATH);
    get_dword(hKey, u"DriverInstallMask", m_dwDriverInstallMask);
    get_dword(hKey, u"SwitchToHci", m_dwSwitchToHci);
    get_text(hKey, u"CUSTOMER_DATA", m_szCustomerData, kCustomerDataChars);
    get_dword(hKey, u"QELUninstall", m_dwQelUninstall);
    get_dword(hKey, u"EasyPairIcon", m_dwEasyPairIcon);
}

void CBTInstallCfg::PutAll(HKEY hKey) {
    put_text(hKey, u"INSTALLDIR", m_szInstallDir, MAX_PATH);
    put_text(hKey, u"QELVERS", m_szQelVers, MAX_PATH);
    put_dword(hKey, u"StartPort", m_dwStartPort);
    put_text(hKey, u"BT_EXCHG_FLDR", m_szExchangeFolder, MAX_PATH);
    put_text(hKey, u"BT_NET_CONN_NAME", m_szNetConnName, MAX_PATH);
    put_text(hKey, u"CustomLogoBitmap", m_szCustomLogoBitmap, MAX_PATH);
    put_dword(hKey, u"ShowUnplugDeviceDlg", m_dwShowUnplugDeviceDlg);
    put_text(hKey, u"DisplayName", m_szDisplayName, MAX_PATH);
    put_dword(hKey, u"ServicePack", m_dwServicePack);
    put_bytes(hKey, u"LastNonUpgradeInstallTime", m_lastNonUpgradeInstallTime);
    put_dword(hKey, u"LangID", m_dwLangID);
    put_dword(hKey, u"QelLangID", m_dwQelLangID);
    put_bytes(hKey, u"ERIM", std::span<const BYTE>(m_erim.data(), std::min(m_erim.size(), kErimBytes)));
    put_text(hKey, u"DeviceID", m_szDeviceID, MAX_PATH);
    put_dword(hKey, u"SmartDongle", m_dwSmartDongle);
    put_dword(hKey, u"DERO_MPT", m_dwDeroMpt);
    put_text(hKey, u"VERSION", m_szVersion, MAX_PATH);
    put_dword(hKey, u"DriverInstallMask", m_dwDriverInstallMask);
    put_dword(hKey, u"SwitchToHci", m_dwSwitchToHci);
    put_text(hKey, u"CUSTOMER_DATA", m_szCustomerData, kCustomerDataChars);
    put_dword(hKey, u"QELUninstall", m_dwQelUninstall);
    put_dword(hKey, u"EasyPairIcon", m_dwEasyPairIcon);
}

DWORD CBTInstallCfg::GetMajorVersion() const {
    DWORD major = 0;
    for (char16_t c : m_szVersion) {
        if (c < u'0' || c > u'9') break;
        major = major * 10 + static_cast<DWORD>(c - u'0');
    }
    return major;
}

// ---- Send-to records

CBTInstallSendToCfg::CBTInstallSendToCfg() : CBTCfg(u"Install\\SendTo", kQuorlanRoot) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

void CBTInstallSendToCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"InstallSendToExplorer", m_dwInstallSendToExplorer);
    get_dword(hKey, u"InstallSendToIE", m_dwInstallSendToIE);
    get_dword(hKey, u"InstallSendToNotes", m_dwInstallSendToNotes);
    get_dword(hKey, u"InstallSendToOffice", m_dwInstallSendToOffice);
    get_dword(hKey, u"InstallSendToWAB", m_dwInstallSendToWAB);
}

void CBTInstallSendToCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"InstallSendToExplorer", m_dwInstallSendToExplorer);
    put_dword(hKey, u"InstallSendToIE", m_dwInstallSendToIE);
    put_dword(hKey, u"InstallSendToNotes", m_dwInstallSendToNotes);
    put_dword(hKey, u"InstallSendToOffice", m_dwInstallSendToOffice);
    put_dword(hKey, u"InstallSendToWAB", m_dwInstallSendToWAB);
}

CBTSendToCfg::CBTSendToCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kSendToPath) {}

void CBTSendToCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"Installed", m_dwInstalled);
}

void CBTSendToCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"Installed", m_dwInstalled);
}

CBTSendToIExplorerCfg::CBTSendToIExplorerCfg() : CBTCfg(u"InternetExplorer", kSendToPath) {}

void CBTSendToIExplorerCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"Installed", m_dwInstalled);
    get_dword(hKey, u"SendPictures", m_dwSendPictures);
    get_dword(hKey, u"PromptForPictures", m_dwPromptForPictures);
}

void CBTSendToIExplorerCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"Installed", m_dwInstalled);
    put_dword(hKey, u"SendPictures", m_dwSendPictures);
    put_dword(hKey, u"PromptForPictures", m_dwPromptForPictures);
}

// ---- CBTCustomAppsCfg

CBTCustomAppsCfg::CBTCustomAppsCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kCustomAppsPath) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

CBTCustomAppsCfg::CBTCustomAppsCfg(std::u16string_view szAppMenu, std::u16string_view szAppName,
                                   std::u16string_view szAppPath)
    : CBTCfg(nullptr, kCustomAppsPath),
      m_szAppMenu(fit_text(szAppMenu, MAX_PATH)),
      m_szAppName(fit_text(szAppName, MAX_PATH)),
      m_szAppPath(fit_text(szAppPath, MAX_PATH)) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
    CBTCustomAppsCfgIterator it;
    DWORD number = it.GetCount();
    BtRegKey tree;
    if (tree.Open(HKEY_LOCAL_MACHINE, kCustomAppsPath, CfgAccess(KEY_READ)) == ERROR_SUCCESS) {
        // Counting alone collides with an entry left above a deleted one: take the next free number.
        for (;; ++number) {
            BtRegKey existing;
            if (existing.Open(tree, NumberKeyName(number, false).c_str(), CfgAccess(KEY_READ)) != ERROR_SUCCESS)
                break;
        }
    }
    SetKeyName(NumberKeyName(number, false).c_str());
}

void CBTCustomAppsCfg::GetAll(HKEY hKey) {
    get_text(hKey, u"AppMenu", m_szAppMenu, MAX_PATH);
    get_text(hKey, u"AppName", m_szAppName, MAX_PATH);
    get_text(hKey, u"AppPath", m_szAppPath, MAX_PATH);
}

void CBTCustomAppsCfg::PutAll(HKEY hKey) {
    put_text(hKey, u"AppMenu", m_szAppMenu, MAX_PATH);
    put_text(hKey, u"AppName", m_szAppName, MAX_PATH);
    put_text(hKey, u"AppPath", m_szAppPath, MAX_PATH);
}

// ---- CBTHWPortCfg

CBTHWPortCfg::CBTHWPortCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kHardwarePortsPath) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

CBTHWPortCfg::CBTHWPortCfg(int nPort) : CBTHWPortCfg(nullptr) {
    m_dwPort = static_cast<DWORD>(nPort);
}

LONG CBTHWPortCfg::Save() {
    if (m_szKeyName[0] == u'\0') SetKeyName(NumberKeyName(m_dwPort, true).c_str());
    return CBTCfg::Save();
}

void CBTHWPortCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"RefCount", m_dwRefCount);
    get_dword(hKey, u"HwPort", m_dwHwPort);
}

void CBTHWPortCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"RefCount", m_dwRefCount);
    put_dword(hKey, u"HwPort", m_dwHwPort);
}

// ---- CBTComponentCfg

CBTComponentCfg::CBTComponentCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kComponentsPath) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

void CBTComponentCfg::GetAll(HKEY hKey) {
    get_dword(hKey, u"Flags", m_dwFlags);
    get_text(hKey, u"Dir", m_szDir, MAX_PATH);
}

void CBTComponentCfg::PutAll(HKEY hKey) {
    put_dword(hKey, u"Flags", m_dwFlags);
    put_text(hKey, u"Dir", m_szDir, MAX_PATH);
}
