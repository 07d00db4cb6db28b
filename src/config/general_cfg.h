// CBTGeneralCfg: the stack's general settings on this computer (its Bluetooth name and class,
// security, power, PIN handling, user-interface switches, tray and wizard texts, integration
// switches), one record on "Software\Quorlan\BTConfig\General"; and the two single-value tests
// and the audio-service switch that go with it.
//
// Promises: as cfg_base.h; the root is the current user until SetBaseKey says otherwise.
// "ForceDevClassMajor", "ForceDevClassMinor" and "UseRFCOMMAuth" are read and never written, so a
// stored value survives every Save. Comparison and copy leave out "DontShowAdvanced", the three
// transmit-power values, "ShowHandsFreeNotConnected", "ShowHandsFreeNotConfigured", "ServerID",
// "PinCodeWord" and "DevAuthAddress". The single-value tests answer false on any failure.
// Plain values: no locks, one thread at a time. No exceptions.
#pragma once

#include <array>
#include <string>

#include "config/cfg_base.h"
#include "config/dev_cfg.h"
#include "config/record_slots.h"

inline constexpr char16_t kGeneralKeyName[] = u"General";

class CBTGeneralCfg : public CBTCfg {
public:
    static constexpr std::size_t kDeviceNameChars = 249;
    static constexpr std::size_t kPinCodeChars = 16;
    static constexpr std::size_t kUnnamedDeviceChars = 51;

    CBTGeneralCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTGeneralCfg, CBTCfg)

    // Bit 0 of "EnableHidAudioCoexistenceWarnings" (current user).
    static bool BtIsHidAudioCoexistanseWarningEnabled();
    // "HspSendCkpdToDisconnect" (current user) equals exactly 1.
    static bool HspIsSendCkpdToDisconnect();
    // Sets "Auto" to 0 on every headset, headset gateway, hands-free and hands-free gateway
    // service that had it set; true when one was changed.
    static bool DisableAllAudioServices();

    // Fields in the record's order.
    DWORD m_dwMinorClass = 4;                        // "MinorClass"
    std::u16string m_szDeviceName;                   // "DeviceName", 249
    DWORD m_dwSecurityType = 2;                      // "SecurityType"
    DWORD m_dwUseFixedPin = 0;                       // "UseFixedPin"
    DWORD m_dwMaxSimultConnections = 1;              // "MaxSimultConnections"
    DWORD m_dwPowerLevel = 1;                        // "PowerLevel"
    DWORD m_dwDontShowAdvanced = 1;                  // "DontShowAdvanced"
    DWORD m_dwForceDevClassMajor = 0;                // "ForceDevClassMajor", read only
    DWORD m_dwForceDevClassMinor = 0;                // "ForceDevClassMinor", read only
    DWORD m_dwTxPowerHigh = 0;                       // "TxPowerHigh"
    DWORD m_dwTxPowerMedium = 0;                     // "TxPowerMedium"
    DWORD m_dwTxPowerLow = 0;                        // "TxPowerLow"
    std::u16string m_szUnnamedDeviceName = u"<No Name>";  // "UnnamedDeviceName", 51
    std::u16string m_szPinCode;                      // "PinCode", 16
    DWORD m_dwNoSleepingWhileConnected = 0;          // "NoSleepingWhileConnected"
    DWORD m_dwShowSvcWizardOnStartup = 1;            // "ShowSvcWizardOnStartup"
    DWORD m_dwShowBtExhangeFldrChgDlg = 1;           // "ShowBtExhangeFldrChgDlg"
    DWORD m_dwShowHandsFreeNotConnected = 1;         // "ShowHandsFreeNotConnected"
    DWORD m_dwShowHandsFreeNotConfigured = 1;        // "ShowHandsFreeNotConfigured"
    std::u16string m_szDefaultStatusDll;             // "DefaultStatusDll"
    std::u16string m_szDefaultPropertiesDll;         // "DefaultPropertiesDll"
    std::u16string m_szStartDeviceMenuString;        // "StartDeviceMenuString"
    std::u16string m_szStopDeviceMenuString;         // "StopDeviceMenuString"
    std::u16string m_szDeviceDownMenuString;         // "DeviceDownMenuString"
    std::u16string m_szDeviceDownDlgTextString;      // "DeviceDownDlgTextString"
    std::u16string m_szDeviceDownDisabledMenuString;     // "DeviceDownDisabledMenuString"
    std::u16string m_szDeviceDownDisabledDlgTextString;  // "DeviceDownDisabledDlgTextString"
    std::u16string m_szDeviceStillDisabledBubbleString;  // "DeviceStillDisabledBubbleString"
    DWORD m_dwDisplayTrayDeviceDisable = 1;          // "DisplayTrayDeviceDisable"
    DWORD m_dwUseRFCOMMAuth = 1;                     // "UseRFCOMMAuth", read only
    DWORD m_dwShowHardwareInstallWindow = 1;         // "ShowHardwareInstallWindow"
    std::array<BYTE, 8> m_keyCreationTime{};         // "KeyCreationTime"
    DWORD m_dwShowBluetoothAddress = 0;              // "ShowBluetoothAddress"
    DWORD m_dwExtendedSettingsMask = 0;              // "ExtendedSettingsMask"
    std::u16string m_szWizardLink;                   // "WizardLink"
    std::u16string m_szWizardLogo;                   // "WizardLogo"
    std::u16string m_szWizardLeftBmp;                // "WizardLeftBmp"
    std::u16string m_szDefaultInputCharset;          // "DefaultInputCharset"
    std::u16string m_szDefaultOutputCharset;         // "DefaultOutputCharset"
    DWORD m_dwServerID = 0;                          // "ServerID"
    DWORD m_dwKeyIndication = 1;                     // "KeyIndication"
    DWORD m_dwPinCodeWord = 0;                       // "PinCodeWord"
    DWORD m_dwDeviceInactivityDuration = 60;         // "DeviceInactivityDuration"
    DWORD m_dwHidInactiveThreshold = 6;              // "HidInactiveThreshold"
    std::u16string m_szManufacturer;                 // "Manufacturer"
    DWORD m_dwEnableHidAudioCoexistenceWarnings = 0; // "EnableHidAudioCoexistenceWarnings"
    DWORD m_dwConfigViaControlPanelOnly = 0;         // "ConfigViaControlPanelOnly"
    DWORD m_dwTieBtDeviceNameToComputerName = 0;     // "TieBtDeviceNameToComputerName"
    DWORD m_dwBitMaskShowAllowWakeup = 32;           // "BitMaskShowAllowWakeup"
    DWORD m_dwMinPINLength = 0;                      // "MinPINLength"
    DWORD m_dwServerStopped = 0;                     // "ServerStopped"
    DWORD m_dwNoDeviceNoTrayIcon = 0;                // "NoDeviceNoTrayIcon"
    DWORD m_dwNoDeviceNoUI = 0;                      // "NoDeviceNoUI"
    DWORD m_dwDoNotIntegrateSkype = 0;               // "DoNotIntegrateSkype"
    DWORD m_dwDoNotIntegrateAvaya = 1;               // "DoNotIntegrateAvaya"
    DWORD m_dwLaunchWizardAfterInstall = 0;          // "LaunchWizardAfterInstall"
    DWORD m_dwLaunchQelTrayAtWindowStartUp = 1;      // "LaunchQelTrayAtWindowStartUp"
    DWORD m_dwCreateDesktopShortcuts = 0;            // "CreateDesktopShortcuts"
    DWORD m_dwCreateStartMenuShortcuts = 1;          // "CreateStartMenuShortcuts"
    DWORD m_dwSCMS_T = 2;                            // "SCMS_T"
    DWORD m_dwLastErrCounter = 0;                    // "LastErrCounter"
    DWORD m_dwRecoveryButtonProcessing = 1;          // "RecoveryButtonProcessing"
    DWORD m_dwUnplugAudioDeviceWhenNotConnected = 1; // "UnplugAudioDeviceWhenNotConnected"
    DWORD m_dwFtpGet = 0;                            // "FtpGet"
    DWORD m_dwIconStartMenu = 1;                     // "IconStartMenu"
    DWORD m_dwIconPrograms = 1;                      // "IconPrograms"
    DWORD m_dwIconMyComputer = 1;                    // "IconMyComputer"
    std::u16string m_szLogFileServer;                // "LogFileServer"
    CfgBdAddr m_devAuthAddress{};                    // "DevAuthAddress"
};
