// The records that steer connecting and discovery: who may connect and how this computer scans
// (CBTConnectCfg, "BTConfig\Filters"), discovery settings (CBTInquiryCfg, on "BTConfig\General"
// beside the general settings), the prompts shown when a profile's connection opens or closes
// (CBTConnectPrefsCfg, "BTConfig\ConnectPrefs"), and the connection and discovery filters
// (CBTConnectFilterCfg under "BTConfig\Filters\Connect", CBTInquiryFilterCfg under
// "BTConfig\Filters\Inquiry"). All under the current user.
//
// Promises: as cfg_base.h. Read-only values are read but never written, so a stored value
// survives a Save.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "config/connection_cfg.h"

inline constexpr char16_t kConnectFiltersPath[] = u"Software\\Quorlan\\BTConfig\\Filters\\Connect";
inline constexpr char16_t kInquiryFiltersPath[] = u"Software\\Quorlan\\BTConfig\\Filters\\Inquiry";

class CBTConnectCfg : public CBTCfg {
public:
    CBTConnectCfg();
    void GetAll(HKEY hKey) override;
    // Writes only the first three values.
    void PutAll(HKEY hKey) override;

    DWORD m_dwWhoAllowedToConnect = 1;
    DWORD m_dwAllowOthersToDiscover = 0;
    DWORD m_dwInquiryScanMode = 2;
    DWORD m_dwInquiryScanType = 1;       // read only
    DWORD m_dwInquiryScanInterval = 0;   // read only
    DWORD m_dwInquiryScanWindow = 0;     // read only
    DWORD m_dwPageScanType = 1;          // read only
    DWORD m_dwPageScanInterval = 0;      // read only
    DWORD m_dwPageScanWindow = 0;        // read only
};

class CBTInquiryCfg : public CBTCfg {
public:
    CBTInquiryCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    DWORD m_dwUseInquiryFilters = 0;
    DWORD m_dwInquiryMode = 0;
    DWORD m_dwInquiryDuration = 8;             // read only
    DWORD m_dwPeriodicInquiry = 0;
    DWORD m_dwPeriodicInquiryRetryTime = 600;
    DWORD m_dwAutoDiscovery = 1;
    DWORD m_dwInquirySupportedWithConnsUp = 1; // read only
    DWORD m_dwInquiryMaxResults = 0;           // read only
    DWORD m_dwReportNotNamedDevices = 0;
};

// Sixteen switches, all 1 by default: "<profile>PromptForClose" for SPP, DUN, LAP, FAX, HSP,
// HAG, HID, AV, then "<profile>PromptForConnected" for the same profiles.
class CBTConnectPrefsCfg : public CBTCfg {
public:
    static constexpr int kProfiles = 8;
    static constexpr int kPromptForClose = 1;
    static constexpr int kPromptForConnected = 2;

    CBTConnectPrefsCfg();
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;

    // The switch of the profile of `uuid` for the prompt type (1 close, 2 connected): SPP 0x1101;
    // LAP 0x1102 and the PAN roles; DUN 0x1103; HSP 0x1108 and 0x111E; AV 0x110B; FAX 0x1111;
    // HAG 0x1112; HID 0x1124. Any other UUID or prompt type gives 1.
    DWORD GetPromptValue(DWORD uuid, int nPromptType) const;
    // Sets that switch in the record (the caller saves); false for an unknown UUID; an unknown
    // prompt type changes nothing and answers true.
    bool SetPromptValue(DWORD uuid, int nPromptType, DWORD bValue);

    // The value name of switch `index` (0 to 15, in field order).
    static std::u16string_view ValueName(int index);

    std::array<DWORD, 2 * kProfiles> m_dwPrompts;  // in field order, see ValueName
};

class CBTConnectFilterCfg : public CBTCfg {
public:
    explicit CBTConnectFilterCfg(const char16_t* szKeyName = nullptr);
    CBTConnectFilterCfg(const CfgBdAddr& bdAddr, std::string_view bdName);
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTConnectFilterCfg, CBTCfg)

    CfgBdAddr m_bdAddr{};      // "BdAddr"
    std::string m_szBdName;    // "BdName", 248 bytes
    DWORD m_dwMajorClass = 0;  // "MajorClass"
    DWORD m_dwMinorClass = 0;  // "MinorClass"
};

class CBTInquiryFilterCfg : public CBTCfg {
public:
    static constexpr DWORD kClassFilter = 0;
    static constexpr DWORD kDeviceFilter = 1;

    explicit CBTInquiryFilterCfg(const char16_t* szKeyName = nullptr);
    CBTInquiryFilterCfg(DWORD dwMajorClass, DWORD dwMinorClass);
    CBTInquiryFilterCfg(const CfgBdAddr& bdAddr, std::string_view bdName);
    void GetAll(HKEY hKey) override;
    void PutAll(HKEY hKey) override;
    QEL_CFG_COMPARISON_SLOTS(CBTInquiryFilterCfg, CBTCfg)

    DWORD m_dwType = kClassFilter;  // "Type"
    CfgBdAddr m_bdAddr{};           // "BdAddr"
    std::string m_szBdName;         // "BdName", 248 bytes
    DWORD m_dwMajorClass = 0;       // "MajorClass"
    DWORD m_dwMinorClass = 0;       // "MinorClass"
};
