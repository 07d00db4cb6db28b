#include "config/install_cfg.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "config/cfg_iterator.h"
#include "config/record_table.h"
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

namespace {

constexpr std::size_t N = MAX_PATH;

using IN = CBTInstallCfg;
const RecordRow<IN> kInstallRows[] = {
    {u"INSTALLDIR", &IN::m_szInstallDir, N},
    {u"QELVERS", &IN::m_szQelVers, N},
    {u"StartPort", &IN::m_dwStartPort},
    {u"BT_EXCHG_FLDR", &IN::m_szExchangeFolder, N},
    {u"BT_NET_CONN_NAME", &IN::m_szNetConnName, N},
    {u"CustomLogoBitmap", &IN::m_szCustomLogoBitmap, N},
    {u"ShowUnplugDeviceDlg", &IN::m_dwShowUnplugDeviceDlg},
    {u"DisplayName", &IN::m_szDisplayName, N},
    {u"ServicePack", &IN::m_dwServicePack},
    {u"LastNonUpgradeInstallTime", &IN::m_lastNonUpgradeInstallTime},
    {u"LangID", &IN::m_dwLangID},
    {u"QelLangID", &IN::m_dwQelLangID},
    {u"ERIM", &IN::m_erim, IN::kErimBytes},
    {u"DeviceID", &IN::m_szDeviceID, N},
    {u"SmartDongle", &IN::m_dwSmartDongle},
    {u"DERO_MPT", &IN::m_dwDeroMpt},
    {u"VERSION", &IN::m_szVersion, N},
    {u"DriverInstallMask", &IN::m_dwDriverInstallMask},
    {u"SwitchToHci", &IN::m_dwSwitchToHci},
    {u"CUSTOMER_DATA", &IN::m_szCustomerData, IN::kCustomerDataChars},
    {u"QELUninstall", &IN::m_dwQelUninstall},
    {u"EasyPairIcon", &IN::m_dwEasyPairIcon},
};

}  // namespace

void CBTInstallCfg::GetAll(HKEY hKey) { read_rows(hKey, *this, kInstallRows); }
void CBTInstallCfg::PutAll(HKEY hKey) { write_rows(hKey, *this, kInstallRows); }

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

namespace {
const RecordRow<CBTInstallSendToCfg> kInstallSendToCfgRows[] = {
    {u"InstallSendToExplorer", &CBTInstallSendToCfg::m_dwInstallSendToExplorer},
    {u"InstallSendToIE", &CBTInstallSendToCfg::m_dwInstallSendToIE},
    {u"InstallSendToNotes", &CBTInstallSendToCfg::m_dwInstallSendToNotes},
    {u"InstallSendToOffice", &CBTInstallSendToCfg::m_dwInstallSendToOffice},
    {u"InstallSendToWAB", &CBTInstallSendToCfg::m_dwInstallSendToWAB},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTInstallSendToCfg, kInstallSendToCfgRows)

CBTSendToCfg::CBTSendToCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kSendToPath) {}

namespace {
const RecordRow<CBTSendToCfg> kSendToCfgRows[] = {
    {u"Installed", &CBTSendToCfg::m_dwInstalled},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTSendToCfg, kSendToCfgRows)

CBTSendToIExplorerCfg::CBTSendToIExplorerCfg() : CBTCfg(u"InternetExplorer", kSendToPath) {}

namespace {
const RecordRow<CBTSendToIExplorerCfg> kSendToIExplorerCfgRows[] = {
    {u"Installed", &CBTSendToIExplorerCfg::m_dwInstalled},
    {u"SendPictures", &CBTSendToIExplorerCfg::m_dwSendPictures},
    {u"PromptForPictures", &CBTSendToIExplorerCfg::m_dwPromptForPictures},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTSendToIExplorerCfg, kSendToIExplorerCfgRows)

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

namespace {
const RecordRow<CBTCustomAppsCfg> kCustomAppsCfgRows[] = {
    {u"AppMenu", &CBTCustomAppsCfg::m_szAppMenu, MAX_PATH},
    {u"AppName", &CBTCustomAppsCfg::m_szAppName, MAX_PATH},
    {u"AppPath", &CBTCustomAppsCfg::m_szAppPath, MAX_PATH},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTCustomAppsCfg, kCustomAppsCfgRows)

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

namespace {
const RecordRow<CBTHWPortCfg> kHWPortCfgRows[] = {
    {u"RefCount", &CBTHWPortCfg::m_dwRefCount},
    {u"HwPort", &CBTHWPortCfg::m_dwHwPort},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTHWPortCfg, kHWPortCfgRows)

// ---- CBTComponentCfg

CBTComponentCfg::CBTComponentCfg(const char16_t* szKeyName) : CBTCfg(szKeyName, kComponentsPath) {
    SetBaseKey(HKEY_LOCAL_MACHINE);
}

namespace {
const RecordRow<CBTComponentCfg> kComponentCfgRows[] = {
    {u"Flags", &CBTComponentCfg::m_dwFlags},
    {u"Dir", &CBTComponentCfg::m_szDir, MAX_PATH},
};
}  // namespace

QEL_CFG_ROOT_TABLE_IO(CBTComponentCfg, kComponentCfgRows)

