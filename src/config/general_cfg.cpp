#include "config/general_cfg.h"

#include <optional>
#include <span>

#include "config/cfg_iterator.h"
#include "config/record_table.h"
#include "config/registry_view.h"
#include "config/service_cfg.h"

using namespace qel::config;

namespace {

using C = CBTGeneralCfg;
constexpr std::size_t N = MAX_PATH;

// Every value in the order GetAll reads and PutAll writes them.
const RecordRow<C> kRows[] = {
    {u"DeviceName", &C::m_szDeviceName, C::kDeviceNameChars},
    {u"MinorClass", &C::m_dwMinorClass},
    {u"SecurityType", &C::m_dwSecurityType},
    {u"PowerLevel", &C::m_dwPowerLevel},
    {u"UseFixedPin", &C::m_dwUseFixedPin},
    {u"ForceDevClassMajor", &C::m_dwForceDevClassMajor, 0, kRowCompareCopy},
    {u"ForceDevClassMinor", &C::m_dwForceDevClassMinor, 0, kRowCompareCopy},
    {u"UseRFCOMMAuth", &C::m_dwUseRFCOMMAuth, 0, kRowCompareCopy},
    {u"TxPowerHigh", &C::m_dwTxPowerHigh, 0, kRowWritten},
    {u"TxPowerMedium", &C::m_dwTxPowerMedium, 0, kRowWritten},
    {u"TxPowerLow", &C::m_dwTxPowerLow, 0, kRowWritten},
    {u"PinCode", &C::m_szPinCode, C::kPinCodeChars},
    {u"MaxSimultConnections", &C::m_dwMaxSimultConnections},
    {u"NoSleepingWhileConnected", &C::m_dwNoSleepingWhileConnected},
    {u"DontShowAdvanced", &C::m_dwDontShowAdvanced, 0, kRowWritten},
    {u"DefaultStatusDll", &C::m_szDefaultStatusDll, N},
    {u"DefaultPropertiesDll", &C::m_szDefaultPropertiesDll, N},
    {u"UnnamedDeviceName", &C::m_szUnnamedDeviceName, C::kUnnamedDeviceChars},
    {u"ShowSvcWizardOnStartup", &C::m_dwShowSvcWizardOnStartup},
    {u"ShowBtExhangeFldrChgDlg", &C::m_dwShowBtExhangeFldrChgDlg},
    {u"ShowHandsFreeNotConnected", &C::m_dwShowHandsFreeNotConnected, 0, kRowWritten},
    {u"ShowHandsFreeNotConfigured", &C::m_dwShowHandsFreeNotConfigured, 0, kRowWritten},
    {u"StartDeviceMenuString", &C::m_szStartDeviceMenuString, N},
    {u"StopDeviceMenuString", &C::m_szStopDeviceMenuString, N},
    {u"DeviceDownMenuString", &C::m_szDeviceDownMenuString, N},
    {u"DeviceDownDlgTextString", &C::m_szDeviceDownDlgTextString, N},
    {u"DeviceDownDisabledMenuString", &C::m_szDeviceDownDisabledMenuString, N},
    {u"DeviceDownDisabledDlgTextString", &C::m_szDeviceDownDisabledDlgTextString, N},
    {u"DeviceStillDisabledBubbleString", &C::m_szDeviceStillDisabledBubbleString, N},
    {u"DisplayTrayDeviceDisable", &C::m_dwDisplayTrayDeviceDisable},
    {u"KeyCreationTime", &C::m_keyCreationTime},
    {u"ShowHardwareInstallWindow", &C::m_dwShowHardwareInstallWindow},
    {u"ShowBluetoothAddress", &C::m_dwShowBluetoothAddress},
    {u"ExtendedSettingsMask", &C::m_dwExtendedSettingsMask},
    {u"WizardLink", &C::m_szWizardLink, N},
    {u"WizardLogo", &C::m_szWizardLogo, N},
    {u"WizardLeftBmp", &C::m_szWizardLeftBmp, N},
    {u"DefaultInputCharset", &C::m_szDefaultInputCharset, N},
    {u"DefaultOutputCharset", &C::m_szDefaultOutputCharset, N},
    {u"ServerID", &C::m_dwServerID, 0, kRowWritten},
    {u"KeyIndication", &C::m_dwKeyIndication},
    {u"PinCodeWord", &C::m_dwPinCodeWord, 0, kRowWritten},
    {u"DeviceInactivityDuration", &C::m_dwDeviceInactivityDuration},
    {u"HidInactiveThreshold", &C::m_dwHidInactiveThreshold},
    {u"Manufacturer", &C::m_szManufacturer, N},
    {u"EnableHidAudioCoexistenceWarnings", &C::m_dwEnableHidAudioCoexistenceWarnings},
    {u"ConfigViaControlPanelOnly", &C::m_dwConfigViaControlPanelOnly},
    {u"TieBtDeviceNameToComputerName", &C::m_dwTieBtDeviceNameToComputerName},
    {u"BitMaskShowAllowWakeup", &C::m_dwBitMaskShowAllowWakeup},
    {u"MinPINLength", &C::m_dwMinPINLength},
    {u"ServerStopped", &C::m_dwServerStopped},
    {u"NoDeviceNoTrayIcon", &C::m_dwNoDeviceNoTrayIcon},
    {u"NoDeviceNoUI", &C::m_dwNoDeviceNoUI},
    {u"DoNotIntegrateSkype", &C::m_dwDoNotIntegrateSkype},
    {u"DoNotIntegrateAvaya", &C::m_dwDoNotIntegrateAvaya},
    {u"LaunchWizardAfterInstall", &C::m_dwLaunchWizardAfterInstall},
    {u"LaunchQelTrayAtWindowStartUp", &C::m_dwLaunchQelTrayAtWindowStartUp},
    {u"SCMS_T", &C::m_dwSCMS_T},
    {u"LastErrCounter", &C::m_dwLastErrCounter},
    {u"IconStartMenu", &C::m_dwIconStartMenu},
    {u"IconPrograms", &C::m_dwIconPrograms},
    {u"IconMyComputer", &C::m_dwIconMyComputer},
    {u"FtpGet", &C::m_dwFtpGet},
    {u"RecoveryButtonProcessing", &C::m_dwRecoveryButtonProcessing},
    {u"CreateDesktopShortcuts", &C::m_dwCreateDesktopShortcuts},
    {u"CreateStartMenuShortcuts", &C::m_dwCreateStartMenuShortcuts},
    {u"UnplugAudioDeviceWhenNotConnected", &C::m_dwUnplugAudioDeviceWhenNotConnected},
    {u"LogFileServer", &C::m_szLogFileServer, N},
    {u"DevAuthAddress", &C::m_devAuthAddress, 0, kRowWritten},
};

// Reads one 32-bit value of "General" under the current user; nothing on any failure.
std::optional<DWORD> query_general_dword(std::u16string_view name) {
    qel::platform::RegKey key;
    std::u16string path = CfgKeyPath(kBTConfigPath, kGeneralKeyName);
    if (qel::platform::reg_open_key(HKEY_CURRENT_USER, path, CfgAccess(KEY_QUERY_VALUE), key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (qel::platform::reg_query_value(key.get(), name, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

}  // namespace

CBTGeneralCfg::CBTGeneralCfg() : CBTCfg(kGeneralKeyName, kBTConfigPath) {}

void CBTGeneralCfg::GetAll(HKEY hKey) { read_rows(hKey, *this, kRows); }
void CBTGeneralCfg::PutAll(HKEY hKey) { write_rows(hKey, *this, kRows); }

bool CBTGeneralCfg::IsEqualCfg(const CBTGeneralCfg& other) const {
    return CBTCfg::IsEqualCfg(other) && rows_equal(*this, other, kRows);
}

void CBTGeneralCfg::CopyCfg(const CBTGeneralCfg& other) {
    CBTCfg::CopyCfg(other);
    copy_rows(*this, other, kRows);
}

bool CBTGeneralCfg::BtIsHidAudioCoexistanseWarningEnabled() {
    auto value = query_general_dword(u"EnableHidAudioCoexistenceWarnings");
    return value && (*value & 1) != 0;
}

bool CBTGeneralCfg::HspIsSendCkpdToDisconnect() {
    auto value = query_general_dword(u"HspSendCkpdToDisconnect");
    return value && *value == 1;
}

bool CBTGeneralCfg::DisableAllAudioServices() {
    bool changed = false;
    CBTServiceCfgIterator services;
    char16_t name[MAX_PATH];
    while (services.GetNext(name)) {
        CBTServiceCfg service(name);
        if (service.Read() != ERROR_SUCCESS || service.m_dwAuto == 0) continue;
        switch (service.m_dwUUID) {
            case 0x1108: case 0x1112: case 0x111E: case 0x111F:
                service.m_dwAuto = 0;
                service.Save();
                changed = true;
                break;
            default:
                break;
        }
    }
    return changed;
}
