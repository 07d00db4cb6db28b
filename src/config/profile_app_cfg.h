// The per-profile client application records under "Software\Quorlan\BTConfig\Applications":
// each adds the values of its profile after the application values and finds its key by its
// UUID when constructed without a key name. The serial-port record (CBTSPPAppCfg) also finds an
// application by UUID, by name and by COM port; the dial-up, fax, headset, audio gateway and
// hands-free records are serial-port records of their own UUID.
//
// Promises: as service_cfg.h. Read() of a record without a key name looks up the first
// application of the profile's UUID (registry order), takes its key name and reads it; when
// there is none it returns ERROR_FILE_NOT_FOUND and keeps the defaults. Read-only values
// ("ObexThrottleBytes") are read but never written.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "config/service_cfg.h"

// Serial port (0x1101), and the base of the other port-based applications.
class CBTSPPAppCfg : public CBTAppCfg {
public:
    explicit CBTSPPAppCfg(const char16_t* szKeyName = nullptr, DWORD uuid = kUuidSerialPort)
        : CBTAppCfg(szKeyName), m_dwProfileUuid(uuid) {}

    // Finds the key by the record's profile UUID when the key name is empty, then reads.
    LONG Read() override { return Read(m_dwProfileUuid); }
    // Reads the first application of `uuid` when the key name is empty (ERROR_FILE_NOT_FOUND
    // when none), else the named key.
    LONG Read(DWORD uuid);
    // Reads the serial-port application (0x1101) whose "Name" is szServiceName exactly; the key
    // name becomes that application's. ERROR_FILE_NOT_FOUND when there is none.
    LONG Read(std::u16string_view szServiceName);
    // 0 and the record read from the first application whose "ComPortNumber" equals nPort (the
    // key name becomes that application's), else ERROR_FILE_NOT_FOUND and the record unchanged.
    LONG ReadByPort(DWORD nPort);

    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTSPPAppCfg, CBTAppCfg)
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTSPPAppCfg>(*this); }

    DWORD m_dwComPortNumber = 0;  // "ComPortNumber"
    DWORD m_dwUserInstalled = 0;  // "UserInstalled"

protected:
    DWORD m_dwProfileUuid;  // the UUID Read() looks the key up by (not stored)
};

// Dial-up networking (0x1103): the serial-port values, then "RasConnection".
class CBTDUNAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTDUNAppCfg(const char16_t* szKeyName = nullptr) : CBTSPPAppCfg(szKeyName, kUuidDialupNetworking) {}
    using CBTSPPAppCfg::Read;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTDUNAppCfg, CBTSPPAppCfg)
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTDUNAppCfg>(*this); }

    std::u16string m_szRasConnection;  // "RasConnection"
};

// Fax (0x1111): the serial-port values.
class CBTFAXAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTFAXAppCfg(const char16_t* szKeyName = nullptr) : CBTSPPAppCfg(szKeyName, kUuidFax) {}
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTFAXAppCfg>(*this); }
};

// LAN access (0x1102, or a PAN role given to the constructor): the serial-port values, then the
// network-access login (plain text: user data, not protected values) and reconnection settings.
class CBTLAPAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTLAPAppCfg(const char16_t* szKeyName = nullptr, DWORD uuid = kUuidLanAccess)
        : CBTSPPAppCfg(szKeyName, uuid) {}
    using CBTSPPAppCfg::Read;
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTLAPAppCfg, CBTSPPAppCfg)
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTLAPAppCfg>(*this); }

    std::u16string m_szUserName;       // "UserName"
    std::u16string m_szPassword;       // "Password"
    DWORD m_dwAutoconnect = 1;         // "Autoconnect"
    std::u16string m_szRasConnection;  // "RasConnection"
    DWORD m_dwEnableAutoReconnect = 0; // "EnableAutoReconnect"
};

// Headset (0x1108), audio gateway (0x1112), hands-free (0x111E): the serial-port values.
class CBTHSPAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTHSPAppCfg(const char16_t* szKeyName = nullptr) : CBTSPPAppCfg(szKeyName, kUuidHeadset) {}
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTHSPAppCfg>(*this); }
};
class CBTHAGAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTHAGAppCfg(const char16_t* szKeyName = nullptr) : CBTSPPAppCfg(szKeyName, kUuidHeadsetAudioGateway) {}
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTHAGAppCfg>(*this); }
};
class CBTHFPAppCfg : public CBTSPPAppCfg {
public:
    explicit CBTHFPAppCfg(const char16_t* szKeyName = nullptr) : CBTSPPAppCfg(szKeyName, kUuidHandsfree) {}
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTHFPAppCfg>(*this); }
};

// File transfer (0x1106): the application values only.
class CBTFTPAppCfg : public CBTAppCfg {
public:
    explicit CBTFTPAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidObexFileTransfer); }
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTFTPAppCfg>(*this); }
};

// Object push (0x1105): "OPPType".
class CBTOPPAppCfg : public CBTAppCfg {
public:
    explicit CBTOPPAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidObexObjectPush); }
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTOPPAppCfg>(*this); }

    DWORD m_dwOPPType = 0;  // "OPPType"
};

// Synchronisation (0x1104).
class CBTSYNCAppCfg : public CBTAppCfg {
public:
    explicit CBTSYNCAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidIrMcSync); }
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTSYNCAppCfg>(*this); }

    DWORD m_dwSyncNotes = 0;
    DWORD m_dwSyncEmailMessages = 0;
    DWORD m_dwSyncCalendarItems = 0;
    DWORD m_dwSyncBusinessCards = 0;
    DWORD m_dwPreferredProfile = 0;  // "PreferredProfile"
};

// Imaging (0x111B): "PutImageToPrinterTimeout".
class CBTBIPAppCfg : public CBTAppCfg {
public:
    explicit CBTBIPAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidImaging); }
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTBIPAppCfg>(*this); }

    DWORD m_dwPutImageToPrinterTimeout = 0;
};

// Human interface device (0x1124) and hard-copy cable replacement (0x1126): the application
// values only.
class CBTHIDAppCfg : public CBTAppCfg {
public:
    explicit CBTHIDAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidHid); }
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTHIDAppCfg>(*this); }
};
class CBTHCRPAppCfg : public CBTAppCfg {
public:
    explicit CBTHCRPAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidHardcopyCableReplacement); }
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTHCRPAppCfg>(*this); }
};

// Audio (0x110B): "ObexThrottleBytes", read only.
class CBTAvAppCfg : public CBTAppCfg {
public:
    explicit CBTAvAppCfg(const char16_t* szKeyName = nullptr) : CBTAppCfg(szKeyName) {}
    LONG Read() override { return ReadProfile(kUuidAudioSink); }
    void GetAll(HKEY hKey) override;
    std::unique_ptr<CBTAppCfg> Clone() const override { return std::make_unique<CBTAvAppCfg>(*this); }

    DWORD m_dwObexThrottleBytes = 1006;  // "ObexThrottleBytes", read only
};
