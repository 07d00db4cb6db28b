#include "config/general_cfg.h"

#include <optional>
#include <span>
#include <variant>

#include "config/cfg_iterator.h"
#include "config/record_values.h"
#include "config/registry_view.h"
#include "config/service_cfg.h"

using namespace qel::config;

namespace {

using C = CBTGeneralCfg;
using Member = std::variant<DWORD C::*, std::u16string C::*, std::array<BYTE, 8> C::*, CfgBdAddr C::*>;

struct Field {
    const char16_t* name;
    Member member;
    std::size_t capacity;  // texts: wide characters, terminator included
    bool written;          // PutAll writes it
    bool compared;         // IsEqualCfg compares and CopyCfg copies it
};

constexpr std::size_t N = MAX_PATH;

// Every value in the order GetAll reads and PutAll writes them.
const Field kFields[] = {
    {u"DeviceName", &C::m_szDeviceName, C::kDeviceNameChars, true, true},
    {u"MinorClass", &C::m_dwMinorClass, 0, true, true},
    {u"SecurityType", &C::m_dwSecurityType, 0, true, true},
    {u"PowerLevel", &C::m_dwPowerLevel, 0, true, true},
    {u"UseFixedPin", &C::m_dwUseFixedPin, 0, true, true},
    {u"ForceDevClassMajor", &C::m_dwForceDevClassMajor, 0, false, true},
    {u"ForceDevClassMinor", &C::m_dwForceDevClassMinor, 0, false, true},
    {u"UseRFCOMMAuth", &C::m_dwUseRFCOMMAuth, 0, false, true},
    {u"TxPowerHigh", &C::m_dwTxPowerHigh, 0, true, false},
    {u"TxPowerMedium", &C::m_dwTxPowerMedium, 0, true, false},
    {u"TxPowerLow", &C::m_dwTxPowerLow, 0, true, false},
    {u"PinCode", &C::m_szPinCode, C::kPinCodeChars, true, true},
    {u"MaxSimultConnections", &C::m_dwMaxSimultConnections, 0, true, true},
    {u"NoSleepingWhileConnected", &C::m_dwNoSleepingWhileConnected, 0, true, true},
    {u"DontShowAdvanced", &C::m_dwDontShowAdvanced, 0, true, false},
    {u"DefaultStatusDll", &C::m_szDefaultStatusDll, N, true, true},
    {u"DefaultPropertiesDll", &C::m_szDefaultPropertiesDll, N, true, true},
    {u"UnnamedDeviceName", &C::m_szUnnamedDeviceName, C::kUnnamedDeviceChars, true, true},
    {u"ShowSvcWizardOnStartup", &C::m_dwShowSvcWizardOnStartup, 0, true, true},
    {u"ShowBtExhangeFldrChgDlg", &C::m_dwShowBtExhangeFldrChgDlg, 0, true, true},
    {u"ShowHandsFreeNotConnected", &C::m_dwShowHandsFreeNotConnected, 0, true, false},
    {u"ShowHandsFreeNotConfigured", &C::m_dwShowHandsFreeNotConfigured, 0, true, false},
    {u"StartDeviceMenuString", &C::m_szStartDeviceMenuString, N, true, true},
    {u"StopDeviceMenuString", &C::m_szStopDeviceMenuString, N, true, true},
    {u"DeviceDownMenuString", &C::m_szDeviceDownMenuString, N, true, true},
    {u"DeviceDownDlgTextString", &C::m_szDeviceDownDlgTextString, N, true, true},
    {u"DeviceDownDisabledMenuString", &C::m_szDeviceDownDisabledMenuString, N, true, true},
    {u"DeviceDownDisabledDlgTextString", &C::m_szDeviceDownDisabledDlgTextString, N, true, true},
    {u"DeviceStillDisabledBubbleString", &C::m_szDeviceStillDisabledBubbleString, N, true, true},
    {u"DisplayTrayDeviceDisable", &C::m_dwDisplayTrayDeviceDisable, 0, true, true},
    {u"KeyCreationTime", &C::m_keyCreationTime, 0, true, true},
    {u"ShowHardwareInstallWindow", &C::m_dwShowHardwareInstallWindow, 0, true, true},
    {u"ShowBluetoothAddress", &C::m_dwShowBluetoothAddress, 0, true, true},
    {u"ExtendedSettingsMask", &C::m_dwExtendedSettingsMask, 0, true, true},
    {u"WizardLink", &C::m_szWizardLink, N, true, true},
    {u"WizardLogo", &C::m_szWizardLogo, N, true, true},
    {u"WizardLeftBmp", &C::m_szWizardLeftBmp, N, true, true},
    {u"DefaultInputCharset", &C::m_szDefaultInputCharset, N, true, true},
    {u"DefaultOutputCharset", &C::m_szDefaultOutputCharset, N, true, true},
    {u"ServerID", &C::m_dwServerID, 0, true, false},
    {u"KeyIndication", &C::m_dwKeyIndication, 0, true, true},
    {u"PinCodeWord", &C::m_dwPinCodeWord, 0, true, false},
    {u"DeviceInactivityDuration", &C::m_dwDeviceInactivityDuration, 0, true, true},
    {u"HidInactiveThreshold", &C::m_dwHidInactiveThreshold, 0, true, true},
    {u"Manufacturer", &C::m_szManufacturer, N, true, true},
    {u"EnableHidAudioCoexistenceWarnings", &C::m_dwEnableHidAudioCoexistenceWarnings, 0, true, true},
    {u"ConfigViaControlPanelOnly", &C::m_dwConfigViaControlPanelOnly, 0, true, true},
    {u"TieBtDeviceNameToComputerName", &C::m_dwTieBtDeviceNameToComputerName, 0, true, true},
    {u"BitMaskShowAllowWakeup", &C::m_dwBitMaskShowAllowWakeup, 0, true, true},
    {u"MinPINLength", &C::m_dwMinPINLength, 0, true, true},
    {u"ServerStopped", &C::m_dwServerStopped, 0, true, true},
    {u"NoDeviceNoTrayIcon", &C::m_dwNoDeviceNoTrayIcon, 0, true, true},
    {u"NoDeviceNoUI", &C::m_dwNoDeviceNoUI, 0, true, true},
    {u"DoNotIntegrateSkype", &C::m_dwDoNotIntegrateSkype, 0, true, true},
    {u"DoNotIntegrateAvaya", &C::m_dwDoNotIntegrateAvaya, 0, true, true},
    {u"LaunchWizardAfterInstall", &C::m_dwLaunchWizardAfterInstall, 0, true, true},
    {u"LaunchQelTrayAtWindowStartUp", &C::m_dwLaunchQelTrayAtWindowStartUp, 0, true, true},
    {u"SCMS_T", &C::m_dwSCMS_T, 0, true, true},
    {u"LastErrCounter", &C::m_dwLastErrCounter, 0, true, true},
    {u"IconStartMenu", &C::m_dwIconStartMenu, 0, true, true},
    {u"IconPrograms", &C::m_dwIconPrograms, 0, true, true},
    {u"IconMyComputer", &C::m_dwIconMyComputer, 0, true, true},
    {u"FtpGet", &C::m_dwFtpGet, 0, true, true},
    {u"RecoveryButtonProcessing", &C::m_dwRecoveryButtonProcessing, 0, true, true},
    {u"CreateDesktopShortcuts", &C::m_dwCreateDesktopShortcuts, 0, true, true},
    {u"CreateStartMenuShortcuts", &C::m_dwCreateStartMenuShortcuts, 0, true, true},
    {u"UnplugAudioDeviceWhenNotConnected", &C::m_dwUnplugAudioDeviceWhenNotConnected, 0, true, true},
    {u"LogFileServer", &C::m_szLogFileServer, N, true, true},
    {u"DevAuthAddress", &C::m_devAuthAddress, 0, true, false},
};

template <typename... F>
struct Overload : F... {
    using F::operator()...;
};
template <typename... F>
Overload(F...) -> Overload<F...>;

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

void CBTGeneralCfg::GetAll(HKEY hKey) {
    for (const Field& f : kFields) {
        std::visit(Overload{
                       [&](DWORD C::*m) { get_dword(hKey, f.name, this->*m); },
                       [&](std::u16string C::*m) { get_text(hKey, f.name, this->*m, f.capacity); },
                       [&](std::array<BYTE, 8> C::*m) { get_bytes(hKey, f.name, this->*m); },
                       [&](CfgBdAddr C::*m) { get_bytes(hKey, f.name, this->*m); },
                   },
                   f.member);
    }
}

void CBTGeneralCfg::PutAll(HKEY hKey) {
    for (const Field& f : kFields) {
        if (!f.written) continue;
        std::visit(Overload{
                       [&](DWORD C::*m) { put_dword(hKey, f.name, this->*m); },
                       [&](std::u16string C::*m) { put_text(hKey, f.name, this->*m, f.capacity); },
                       [&](std::array<BYTE, 8> C::*m) { put_bytes(hKey, f.name, this->*m); },
                       [&](CfgBdAddr C::*m) { put_bytes(hKey, f.name, this->*m); },
                   },
                   f.member);
    }
}

bool CBTGeneralCfg::IsEqualCfg(const CBTGeneralCfg& other) const {
    if (!CBTCfg::IsEqualCfg(other)) return false;
    for (const Field& f : kFields) {
        if (!f.compared) continue;
        bool equal = std::visit([&](auto m) { return this->*m == other.*m; }, f.member);
        if (!equal) return false;
    }
    return true;
}

void CBTGeneralCfg::CopyCfg(const CBTGeneralCfg& other) {
    CBTCfg::CopyCfg(other);
    for (const Field& f : kFields) {
        if (f.compared) std::visit([&](auto m) { this->*m = other.*m; }, f.member);
    }
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
