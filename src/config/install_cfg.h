// The records of the stack's installation under the machine root: the installation itself
// (CBTInstallCfg, "Software\Quorlan\Install": folders, versions, language, installed options),
// the send-to integrations chosen at install time (CBTInstallSendToCfg), custom applications
// added to the stack's menus (CBTCustomAppsCfg), hardware COM port bookkeeping (CBTHWPortCfg)
// and installed components (CBTComponentCfg); and, under the current user, the send-to
// integrations in use (CBTSendToCfg, CBTSendToIExplorerCfg).
//
// Promises: as cfg_base.h. A new custom application never takes the key of an entry that is
// already there (see CBTCustomAppsCfg). Tracing reads "INSTALLDIR" of the same key itself
// (trace/debug_values.h).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "config/cfg_base.h"
#include "platform/win32.h"

inline constexpr char16_t kInstallKeyName[] = u"Install";
inline constexpr char16_t kSendToPath[] = u"Software\\Quorlan\\BTConfig\\SendTo";
inline constexpr char16_t kHardwarePortsPath[] = u"Software\\Quorlan\\Hardware\\Ports";
inline constexpr char16_t kComponentsPath[] = u"Software\\Quorlan\\Components";

class CBTInstallCfg : public CBTCfg {
public:
    static constexpr std::size_t kErimBytes = 520;
    static constexpr std::size_t kCustomerDataChars = 520;

    CBTInstallCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // The number "VERSION" begins with (6 for "6.2.0.1"); 0 when it begins with no digit. Works
    // on the record's field: Read first.
    DWORD GetMajorVersion() const;
    // "SmartDongle" as read.
    DWORD GetSmartDongleType() const { return m_dwSmartDongle; }

    std::u16string m_szInstallDir;            // "INSTALLDIR"
    std::u16string m_szQelVers;               // "QELVERS"
    DWORD m_dwStartPort = 3;                  // "StartPort"
    std::u16string m_szExchangeFolder;        // "BT_EXCHG_FLDR"
    std::u16string m_szNetConnName;           // "BT_NET_CONN_NAME"
    std::u16string m_szCustomLogoBitmap;      // "CustomLogoBitmap"
    DWORD m_dwShowUnplugDeviceDlg = 1;        // "ShowUnplugDeviceDlg"
    std::u16string m_szDisplayName;           // "DisplayName"
    DWORD m_dwServicePack = 0;                // "ServicePack"
    std::array<BYTE, 8> m_lastNonUpgradeInstallTime{};  // "LastNonUpgradeInstallTime"
    DWORD m_dwLangID = 1033;                  // "LangID"
    DWORD m_dwQelLangID = 0;                  // "QelLangID"
    std::vector<BYTE> m_erim;                 // "ERIM", up to 520 bytes
    std::u16string m_szDeviceID;              // "DeviceID"
    DWORD m_dwSmartDongle = 0;                // "SmartDongle"
    DWORD m_dwDeroMpt = 0;                    // "DERO_MPT"
    std::u16string m_szVersion;               // "VERSION"
    DWORD m_dwDriverInstallMask = 0;          // "DriverInstallMask"
    DWORD m_dwSwitchToHci = 0;                // "SwitchToHci"
    std::u16string m_szCustomerData;          // "CUSTOMER_DATA", 520
    DWORD m_dwQelUninstall = 0;               // "QELUninstall"
    DWORD m_dwEasyPairIcon = 0;               // "EasyPairIcon"
};

// "Software\Quorlan\Install\SendTo", machine root; every switch 1 by default.
class CBTInstallSendToCfg : public CBTCfg {
public:
    CBTInstallSendToCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwInstallSendToExplorer = 1;
    DWORD m_dwInstallSendToIE = 1;
    DWORD m_dwInstallSendToNotes = 1;
    DWORD m_dwInstallSendToOffice = 1;
    DWORD m_dwInstallSendToWAB = 1;
};

// One send-to integration under "Software\Quorlan\BTConfig\SendTo", current user.
class CBTSendToCfg : public CBTCfg {
public:
    explicit CBTSendToCfg(const char16_t* szKeyName = nullptr);
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwInstalled = 0;  // "Installed"
};

// The web browser's send-to integration ("InternetExplorer").
class CBTSendToIExplorerCfg : public CBTCfg {
public:
    CBTSendToIExplorerCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwInstalled = 0;        // "Installed"
    DWORD m_dwSendPictures = 1;     // "SendPictures"
    DWORD m_dwPromptForPictures = 0;// "PromptForPictures"
};

// A custom application in the stack's menus, "Software\Quorlan\Install\CustomApps", machine root.
class CBTCustomAppsCfg : public CBTCfg {
public:
    explicit CBTCustomAppsCfg(const char16_t* szKeyName = nullptr);
    // A new entry, named "%d" of the number of entries present; when an entry of that number is
    // already there (one was deleted before), the next number up that is free.
    CBTCustomAppsCfg(std::u16string_view szAppMenu, std::u16string_view szAppName, std::u16string_view szAppPath);
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    std::u16string m_szAppMenu;  // "AppMenu"
    std::u16string m_szAppName;  // "AppName"
    std::u16string m_szAppPath;  // "AppPath"
};

// A hardware COM port, "Software\Quorlan\Hardware\Ports" \ "%04d" of the port, machine root.
class CBTHWPortCfg : public CBTCfg {
public:
    explicit CBTHWPortCfg(const char16_t* szKeyName = nullptr);
    explicit CBTHWPortCfg(int nPort);
    // Names the key "%04d" of m_dwPort when the name is empty, then saves.
    LONG Save() override;
    using CBTCfg::Save;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwPort = 0;      // not stored: the key name says it
    DWORD m_dwRefCount = 0;  // "RefCount"
    DWORD m_dwHwPort = 0;    // "HwPort"
};

// An installed component, "Software\Quorlan\Components" \ component name, machine root.
class CBTComponentCfg : public CBTCfg {
public:
    explicit CBTComponentCfg(const char16_t* szKeyName = nullptr);
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwFlags = 0;   // "Flags"
    std::u16string m_szDir;// "Dir"
};

namespace qel::config {
// "%d" / "%04d" of a number as a key name.
std::u16string NumberKeyName(DWORD number, bool four_digits);
}  // namespace qel::config
