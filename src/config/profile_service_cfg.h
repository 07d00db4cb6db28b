// The per-profile local service records under "Software\Quorlan\BTConfig\Services": each adds
// the values of its profile after the service values ("Auto", "DoNotUseMicrosoftDevice") and
// finds its key by its UUID when constructed without a key name.
//
// Promises: as service_cfg.h. Read() of a record without a key name looks up the first service
// of the profile's UUID (registry order), takes its key name and reads it; when there is none it
// returns ERROR_FILE_NOT_FOUND and keeps the defaults. Read-only values ("FlistFormat") are read
// but never written, so a stored value survives a Save.
#pragma once

#include <array>
#include <string>

#include "config/service_cfg.h"

// The members every profile's service record declares alike: the constructor taking an optional
// key name, Read() finding the key by the profile's UUID, and (the _RECORD form) GetAll and PutAll
// for the profile's own values. Leaves the class's access public.
#define QEL_PROFILE_SERVICE_KEY(Type, uuid)                                                  \
public:                                                                                      \
    explicit Type(const char16_t* szKeyName = nullptr) : CBTServiceCfg(szKeyName) {}         \
    LONG Read() override { return ReadProfile(uuid); }
#define QEL_PROFILE_SERVICE_RECORD(Type, uuid) \
    QEL_PROFILE_SERVICE_KEY(Type, uuid)        \
    void GetAll(HKEY hKey) override;           \
    void PutAll(HKEY hKey) override;

// Serial port (0x1101).
class CBTSPPServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTSPPServiceCfg, kUuidSerialPort)
    QEL_CFG_COMPARISON_SLOTS(CBTSPPServiceCfg, CBTServiceCfg)

    DWORD m_dwComPortNumber = 0;  // "ComPortNumber"
    DWORD m_dwUserInstalled = 0;  // "UserInstalled"
};

// Dial-up networking (0x1103). Its rate value is spelled "Baudrate".
class CBTDUNServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTDUNServiceCfg, kUuidDialupNetworking)
    QEL_CFG_COMPARISON_SLOTS(CBTDUNServiceCfg, CBTServiceCfg)

    DWORD m_dwModemComPortNumber = 0;  // "ModemComPortNumber"
    DWORD m_dwFlowControl = 1;         // "FlowControl"
    DWORD m_dwBaudrate = 57600;        // "Baudrate"
};

// Fax (0x1111). Its rate value is spelled "BaudRate".
class CBTFAXServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTFAXServiceCfg, kUuidFax)
    QEL_CFG_COMPARISON_SLOTS(CBTFAXServiceCfg, CBTServiceCfg)

    DWORD m_dwModemComPortNumber = 0;  // "ModemComPortNumber"
    DWORD m_dwFlowControl = 1;         // "FlowControl"
    DWORD m_dwBaudRate = 57600;        // "BaudRate"
};

// LAN access (0x1102).
class CBTLAPServiceCfg : public CBTServiceCfg {
public:
    static constexpr std::size_t kNetworkAccessDescriptionChars = 259;
    QEL_PROFILE_SERVICE_RECORD(CBTLAPServiceCfg, kUuidLanAccess)
    QEL_CFG_COMPARISON_SLOTS(CBTLAPServiceCfg, CBTServiceCfg)

    DWORD m_dwNetworkMode = 1;                    // "NetworkMode"
    std::u16string m_szNetworkAccessDescription;  // "NetworkAccessDescription", 259
};

// File transfer (0x1106). "FlistFormat" is read only.
class CBTFTPServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTFTPServiceCfg, kUuidObexFileTransfer)
    QEL_CFG_COMPARISON_SLOTS(CBTFTPServiceCfg, CBTServiceCfg)

    std::u16string m_szRoot;            // "Root"
    DWORD m_dwFlistFormat = 0;          // "FlistFormat", read only
    DWORD m_dwDenyHiddenAccess = 1;     // "DenyHiddenAccess"
    DWORD m_dwDenyReadOnlyAccess = 1;   // "DenyReadOnlyAccess"
};

// Object push (0x1105).
class CBTOPPServiceCfg : public CBTServiceCfg {
public:
    static constexpr std::size_t kDefaultBusinessCardChars = 520;
    QEL_PROFILE_SERVICE_RECORD(CBTOPPServiceCfg, kUuidObexObjectPush)
    QEL_CFG_COMPARISON_SLOTS(CBTOPPServiceCfg, CBTServiceCfg)

    std::u16string m_szDefaultBusinessCard;  // "DefaultBusinessCard", 520
    std::u16string m_szInboxDirectory;       // "InboxDirectory"
    DWORD m_dwAcceptNotes = 0;
    DWORD m_dwAcceptEmailMessages = 0;
    DWORD m_dwAcceptCalendarItems = 0;
    DWORD m_dwAcceptBusinessCards = 0;
    DWORD m_dwAcceptOther = 0;
    DWORD m_dwSendBusinessCardOnRequest = 0;
};

// Synchronisation (0x1104).
class CBTSYNCServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTSYNCServiceCfg, kUuidIrMcSync)
    QEL_CFG_COMPARISON_SLOTS(CBTSYNCServiceCfg, CBTServiceCfg)

    std::u16string m_szLocalStoreDirectory;  // "LocalStoreDirectory"
    DWORD m_dwSyncNotes = 0;
    DWORD m_dwSyncEmailMessages = 0;
    DWORD m_dwSyncCalendarItems = 0;
    DWORD m_dwSyncBusinessCards = 0;
};

// Imaging (0x111B).
class CBTBIPServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTBIPServiceCfg, kUuidImaging)
    QEL_CFG_COMPARISON_SLOTS(CBTBIPServiceCfg, CBTServiceCfg)

    std::u16string m_szInboxDirectory;  // "InboxDirectory"
};

// Printing (0x1126).
class CBTPrintServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTPrintServiceCfg, kUuidHardcopyCableReplacement)
    QEL_CFG_COMPARISON_SLOTS(CBTPrintServiceCfg, CBTServiceCfg)

    std::u16string m_szPrinterName;    // "PrinterName"
    std::u16string m_szTempDirectory;  // "TempDirectory"
};

// Headset (0x1108). Its own values start at 0 and empty; it compares and copies as a service.
class CBTHSPServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTHSPServiceCfg, kUuidHeadset)

    std::u16string m_szHfpName;          // "HfpName"
    std::u16string m_szAvName;           // "AvName"
    DWORD m_dwSendCkpdToDisconnect = 0;  // "SendCkpdToDisconnect"
};

// Headset audio gateway (0x1112). Compares and copies "Auto", "BDAddress" and "ConnectedUUID"
// in addition to the base fields.
class CBTHAGServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_RECORD(CBTHAGServiceCfg, kUuidHeadsetAudioGateway)
    QEL_CFG_COMPARISON_SLOTS(CBTHAGServiceCfg, CBTServiceCfg)

    std::array<BYTE, 6> m_bdAddress{};  // "BDAddress", REG_BINARY 6
    DWORD m_dwConnectedUUID = 0;        // "ConnectedUUID"
};

// Hands-free (0x111E): the service values only.
class CBTHFPServiceCfg : public CBTServiceCfg {
    QEL_PROFILE_SERVICE_KEY(CBTHFPServiceCfg, kUuidHandsfree)
};
